#pragma once
// The station's printers: the system's print queues in the system's order,
// then the built-in "Tarvik PDF" printer, which writes every job as a PDF file
// into ProgramDir + "PDF/" named by a running six-digit job number and the
// document name ("000017-label1.pdf").

#include "platform/printing/label_page.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <memory>

namespace tarvik {
class JobThread;
}

class QPrinter;

namespace tarvik::printing {

inline constexpr const char* kPdfPrinterName = "Tarvik PDF";

// Called with the job's file name (empty for a system printer) when the job
// is whole and about to go out: a whole PDF about to take its job's name, a
// PDF about to be handed to a print queue. What it throws stops the job there.
using BeforeRelease = std::function<void(const QString& fileName)>;

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
    ~PrinterList();
    PrinterList(PrinterList&&) noexcept;
    PrinterList& operator=(PrinterList&&) noexcept;

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
    // Removes what a print that was killed left in that folder (a job still
    // being written, an empty reserved job) and returns their names. Call it
    // only while nothing prints.
    QStringList removeBrokenJobs() const;

    // Prints the page, one copy, to the printer at `position` (-1: the default).
    // Throws tarvik::Error for a position outside the list, a printer that is
    // gone or that Qt would swap for another, and a printer that fails.
    PrintJob print(const LabelPage& page, int position, const QString& documentName,
                   const BeforeRelease& beforeRelease = {}) const;
    // Throws as print() does for a position outside the list.
    void checkPosition(int position) const;

    // Points `printer` at the printer at `position` (-1: the default) for a
    // document of any kind: a system queue by its name, or "Tarvik PDF" with
    // the job's file reserved (created empty, so no other job takes its
    // number). Throws as print() does. The caller removes the returned file
    // when it then fails to print.
    PrintJob setUpPrinter(QPrinter& printer, int position, const QString& documentName) const;

private:
    // Takes the next job number by creating the job's file empty: the PDF
    // itself, or its unfinished ".part" file, which takes the job's name when
    // the PDF is whole. Returns the file created.
    enum class Reserve { Pdf, Part };
    QString reservePdfFile(const QString& documentName, Reserve kind) const;

    QString programDir_;
    QStringList names_;
    int default_ = 0;
    // The last job number of "Tarvik PDF" and the folder's modification time
    // right after that job was reserved. While the folder is unchanged since,
    // nobody else added a job and the number is counted on here, so a folder
    // of many labels is not listed for every label.
    mutable long long lastPdfJob_ = -1;
    mutable std::filesystem::file_time_type pdfFolderStamp_{};
    // Syncs a PDF while `BeforeRelease` runs.
    mutable std::unique_ptr<JobThread> syncer_;
};

}  // namespace tarvik::printing
