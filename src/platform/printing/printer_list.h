#pragma once
// The station's printers: the system's print queues in the system's order,
// then the built-in "Tarvik PDF" printer, which writes every job as a PDF file
// into ProgramDir + "PDF/" named by a running six-digit job number and the
// document name ("000017-label1.pdf").

#include "platform/printing/label_page.h"

#include <QString>
#include <QStringList>

namespace tarvik::printing {

inline constexpr const char* kPdfPrinterName = "Tarvik PDF";

// Where a job went.
struct PrintJob {
    QString printer;  // the name of the printer that printed
    QString file;     // the PDF written by "Tarvik PDF"; empty for a system printer
};

class PrinterList {
public:
    // Reads the system's printers. `programDir` is the station folder (with or
    // without its trailing slash).
    explicit PrinterList(QString programDir);

    // Reads the system's printers again.
    void refresh();

    // The system's printers, then "Tarvik PDF".
    const QStringList& names() const { return names_; }
    int count() const { return static_cast<int>(names_.size()); }
    // The position of the system's default printer; "Tarvik PDF" when the
    // system has none.
    int defaultIndex() const { return default_; }
    int pdfIndex() const { return count() - 1; }
    // The folder "Tarvik PDF" writes into.
    QString pdfFolder() const;

    // Prints the page, one copy, to the printer at `position` (-1: the default).
    // Throws tarvik::Error for a position outside the list, a printer that is
    // gone or that Qt would swap for another, and a printer that fails.
    PrintJob print(const LabelPage& page, int position, const QString& documentName) const;
    // Throws as print() does for a position outside the list.
    void checkPosition(int position) const;

private:
    PrintJob printToPdf(const LabelPage& page, const QString& documentName) const;
    PrintJob printToSystem(const LabelPage& page, const QString& name, const QString& documentName) const;

    QString programDir_;
    QStringList names_;
    int default_ = 0;
};

}  // namespace tarvik::printing
