#pragma once
// GridPrinter: prints a grid's titles, rows and footer rows to pages with
// margins in millimetres, directly or through a print preview.

#include "platform/printing/printer_list.h"

#include <QMarginsF>
#include <QString>

#include <functional>

class QPrintPreviewDialog;
class QPrinter;
class QWidget;

namespace tarvik::grid {

class DBGrid;

class GridPrinter {
public:
    explicit GridPrinter(DBGrid& grid);

    void setMarginsMm(const QMarginsF& m) { margins_ = m; }
    const QMarginsF& marginsMm() const { return margins_; }
    // The document's name (print jobs, PDF file names).
    void setTitle(const QString& t) { title_ = t; }
    const QString& title() const { return title_; }

    // Called as each page begins, with its number from 1; false stops the
    // printing before that page is painted.
    using PageStarted = std::function<bool(int page)>;

    // Sets the margins on the printer and paints every page; returns the
    // number of pages begun. The rows are streamed from the source, so a long
    // list holds one row at a time. Stopped by `pageStarted`, it returns the
    // pages painted and leaves the printer to its caller (abort() drops the job).
    int print(QPrinter& printer, const PageStarted& pageStarted = {}) const;

    // How many pages the grid's rows and footer fill on this printer.
    int pageCount(QPrinter& printer) const;

    // How many rows fit one page of this printer, titles not counted.
    int rowsPerPage(QPrinter& printer) const;

    // Prints to the printer at `position` of the station's printer list
    // (-1: its default); "Tarvik PDF" writes the next numbered PDF file.
    printing::PrintJob print(const printing::PrinterList& printers, int position) const;

    // The print preview, shown through the prompt layer; the operator prints
    // from it. The preview works on `printer` (its margins are set here).
    void preview(QPrinter& printer, QWidget* parent = nullptr) const;

    // Directs `printer` at the printer at `position` of the list (-1: its
    // default): a system queue, checked to be the one asked for, or for
    // "Tarvik PDF" a new numbered file in its folder, reserved empty.
    static printing::PrintJob choosePrinter(QPrinter& printer, const printing::PrinterList& printers, int position,
                                            const QString& documentName);

    // The preview's print button prints to the printer as it is set up,
    // without asking through Qt's print dialog (for "Tarvik PDF").
    static void printsAtOnce(QPrintPreviewDialog& dialog);

private:
    struct Layout;
    Layout layout(QPrinter& printer) const;

    DBGrid& grid_;
    QMarginsF margins_{2, 2, 2, 2};
    QString title_;
};

}  // namespace tarvik::grid
