#include "platform/grid/grid_printer.h"

#include "platform/grid/db_grid.h"
#include "platform/text/error.h"
#include "platform/ui/prompts.h"

#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QAction>
#include <QCoreApplication>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>

namespace tarvik::grid {

namespace {
// Column widths are screen pixels, which stand for 1/96 inch on paper.
constexpr double kScreenDpi = 96.0;
}  // namespace

struct GridPrinter::Layout {
    QSizeF page;              // the area inside the margins, device pixels
    std::vector<double> x;    // left edge of each column, and the right end last
    QFont font, bold;
    double rowHeight = 0;
    int rowsPerPage = 1;
};

GridPrinter::GridPrinter(DBGrid& grid) : grid_(grid) {}

GridPrinter::Layout GridPrinter::layout(QPrinter& printer) const
{
    if (!printer.setPageMargins(margins_, QPageLayout::Millimeter))
        throw Error(QStringLiteral("Поля сторінки %1 мм не підходять для принтера")
                        .arg(margins_.left()));
    printer.setFullPage(false);
    if (!title_.isEmpty())
        printer.setDocName(title_);

    Layout l;
    const int res = printer.resolution();
    l.page = printer.pageLayout().paintRectPixels(res).size();
    l.font = grid_.font();
    if (l.font.pointSizeF() <= 0)
        l.font.setPointSize(9);
    l.bold = l.font;
    l.bold.setBold(true);
    const QFontMetricsF fm(l.font, &printer);
    const QFontMetricsF fmBold(l.bold, &printer);
    l.rowHeight = fm.height() * 1.4;

    // Screen widths at their size on paper, each wide enough for its title;
    // a list wider than the page is narrowed, every column alike.
    const double pad = l.rowHeight * 0.15;
    std::vector<double> widths;
    double total = 0;
    for (int c = 0; c < grid_.columnCount(); ++c) {
        const double title = fmBold.horizontalAdvance(grid_.columns()[size_t(c)].shownTitle()) + 3 * pad;
        widths.push_back(std::max(grid_.columnWidth(c) * res / kScreenDpi, title));
        total += widths.back();
    }
    const double fit = total > l.page.width() ? l.page.width() / total : 1.0;
    l.x.push_back(0);
    for (double w : widths)
        l.x.push_back(l.x.back() + w * fit);

    // Titles on every page, footer rows after the last row.
    l.rowsPerPage = std::max(1, int(l.page.height() / l.rowHeight) - 1);
    return l;
}

int GridPrinter::rowsPerPage(QPrinter& printer) const
{
    return layout(printer).rowsPerPage;
}

int GridPrinter::pageCount(QPrinter& printer) const
{
    const int perPage = layout(printer).rowsPerPage;
    const qint64 lines = qint64(grid_.rowCount()) + grid_.footerRowCount();
    return std::max(1, int((lines + perPage - 1) / perPage));
}

int GridPrinter::print(QPrinter& printer, const PageStarted& pageStarted) const
{
    const Layout l = layout(printer);
    if (pageStarted && !pageStarted(1))
        return 0;
    QPainter p;
    if (!p.begin(&printer))
        throw Error(QStringLiteral("Не вдалося почати друк на принтері \"%1\"").arg(printer.printerName()));

    const int columns = grid_.columnCount();
    const double pad = l.rowHeight * 0.15;
    auto cell = [&](int c, double top, const QString& text, const QFont& f, bool fill) {
        const QRectF r(l.x[size_t(c)], top, l.x[size_t(c) + 1] - l.x[size_t(c)], l.rowHeight);
        if (fill)
            p.fillRect(r, QColor(225, 225, 225));
        p.setPen(QPen(Qt::black, 0));
        p.drawRect(r);
        p.setFont(f);
        const QRectF inner = r.adjusted(pad, 0, -pad, 0);
        const QString shown = QFontMetricsF(f, &printer).elidedText(text, Qt::ElideRight, inner.width());
        p.drawText(inner, int(Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine), shown);
    };
    auto titles = [&](double top) {
        for (int c = 0; c < columns; ++c)
            cell(c, top, grid_.columns()[size_t(c)].shownTitle(), l.bold, true);
    };

    int pages = 1;
    bool stopped = false;
    double top = 0;
    titles(top);
    top += l.rowHeight;
    int onPage = 0;
    // False when the caller stopped the printing at the page about to begin.
    auto newPageIfFull = [&] {
        if (onPage < l.rowsPerPage)
            return true;
        if (pageStarted && !pageStarted(pages + 1)) {
            stopped = true;
            return false;
        }
        printer.newPage();
        ++pages;
        top = 0;
        onPage = 0;
        titles(top);
        top += l.rowHeight;
        return true;
    };
    if (const RowSource* source = grid_.source()) {
        source->forEachRow([&](int, const RowSource::Fields& fields) {
            if (!newPageIfFull())
                return false;
            for (int c = 0; c < columns; ++c)
                cell(c, top, cellText(fields(grid_.columns()[size_t(c)].field)), l.font, false);
            top += l.rowHeight;
            ++onPage;
            return true;
        });
    }
    const QFont footerFont = grid_.isFooterBold() ? l.bold : l.font;
    for (int fr = 0; fr < grid_.footerRowCount() && !stopped; ++fr) {
        if (!newPageIfFull())
            break;
        for (int c = 0; c < columns; ++c)
            cell(c, top, grid_.footerText(c, fr), footerFont, true);
        top += l.rowHeight;
        ++onPage;
    }
    p.end();
    return pages;
}

printing::PrintJob GridPrinter::choosePrinter(QPrinter& printer, const printing::PrinterList& printers, int position,
                                              const QString& documentName)
{
    return printers.setUpPrinter(printer, position, documentName);
}

printing::PrintJob GridPrinter::print(const printing::PrinterList& printers, int position) const
{
    QPrinter printer(QPrinter::HighResolution);
    const printing::PrintJob job = choosePrinter(printer, printers, position, title_.isEmpty() ? QStringLiteral("grid") : title_);
    try {
        print(printer);
    } catch (...) {
        if (!job.file.isEmpty())
            QFile::remove(job.file);
        throw;
    }
    if (printer.printerState() == QPrinter::Error)
        throw Error(QStringLiteral("The printer \"%1\" failed to print \"%2\"").arg(job.printer, printer.docName()));
    return job;
}

void GridPrinter::printsAtOnce(QPrintPreviewDialog& dialog)
{
    // "Tarvik PDF" writes the file its job number named: the print button
    // prints there at once, without Qt's print dialog, its file field and its
    // question whether to overwrite the file reserved for the job.
    auto* view = dialog.findChild<QPrintPreviewWidget*>();
    const QString print = QCoreApplication::translate("QPrintPreviewDialog", "Print");
    for (QAction* a : dialog.findChildren<QAction*>()) {
        if (!view || a->text() != print)
            continue;
        QObject::disconnect(a, &QAction::triggered, nullptr, nullptr);
        QObject::connect(a, &QAction::triggered, &dialog, [view, d = &dialog] {
            view->print();
            d->accept();
        });
    }
}

void GridPrinter::preview(QPrinter& printer, QWidget* parent) const
{
    layout(printer);  // margins before the preview lays its pages out
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("PrintPreview"));
    dialog.setWindowTitle(QStringLiteral("Попередній перегляд"));
    // Wide enough for its whole tool bar: a narrower one hides "Друк" behind an overflow arrow.
    dialog.resize(900, 680);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [this](QPrinter* pr) { print(*pr); });
    if (printer.outputFormat() == QPrinter::PdfFormat)
        printsAtOnce(dialog);
    ui::prompts().dialog(dialog);
}

}  // namespace tarvik::grid
