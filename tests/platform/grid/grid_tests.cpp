#include "platform/grid/db_grid.h"
#include "platform/grid/db_navigator.h"
#include "platform/grid/grid_printer.h"
#include "platform/ui/responders.h"

#include <QAction>
#include <QDate>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QHeaderView>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace tarvik;
using namespace tarvik::grid;

namespace {

std::vector<GridColumn> logColumns()
{
    return {
        {QStringLiteral("ID"), QStringLiteral("№"), -1},
        {QStringLiteral("NAME"), QStringLiteral("Назва"), 136},
        {QStringLiteral("DATE_IN"), QStringLiteral("Дата"), 95},
        {QStringLiteral("TEXT1"), QString(), 120, GridColumn::Button::Ellipsis},
    };
}

struct GridFixture : ::testing::Test {
    ListRowSource source{{QStringLiteral("ID"), QStringLiteral("NAME"), QStringLiteral("DATE_IN"),
                          QStringLiteral("TEXT1")}};
    DBGrid grid;

    void SetUp() override
    {
        std::vector<QVariantList> rows;
        for (int i = 1; i <= 30; ++i)
            rows.push_back({i, QStringLiteral("Товар %1").arg(i).leftJustified(50), QDate(2026, 3, 1 + i % 28),
                            QStringLiteral("текст %1").arg(i)});
        source.setRows(std::move(rows));
        grid.setColumns(logColumns());
        grid.setSource(&source);
        grid.resize(300, 300);
        grid.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    }

    QPoint center(QRect r) const { return r.center(); }
};

}  // namespace

TEST_F(GridFixture, ColumnsShowTitlesWidthsAndCellTexts)
{
    const QAbstractItemModel* m = grid.view()->model();
    struct Case {
        int column;
        QString title;
        int width;
    } cases[] = {
        {0, QStringLiteral("№"), grid.view()->horizontalHeader()->defaultSectionSize()},
        {1, QStringLiteral("Назва"), 136},
        {2, QStringLiteral("Дата"), 95},
        {3, QStringLiteral("TEXT1"), 120},  // no title of its own: the field name
    };
    for (const auto& c : cases) {
        EXPECT_EQ(m->headerData(c.column, Qt::Horizontal, Qt::DisplayRole).toString(), c.title) << c.column;
        EXPECT_EQ(grid.columnWidth(c.column), c.width) << c.column;
    }
    // Fixed-length texts lose their padding, dates take the short date form.
    EXPECT_EQ(m->index(0, 1).data().toString(), QStringLiteral("Товар 1"));
    EXPECT_EQ(m->index(0, 2).data().toString(), QStringLiteral("02.03.2026"));
    EXPECT_EQ(m->index(0, 1).data(Qt::EditRole).toString().size(), 50);
    EXPECT_TRUE(grid.view()->horizontalHeader()->font().bold());
}

TEST_F(GridFixture, FirstColumnStaysWhenScrolledSideways)
{
    grid.setFirstColumnFixed(true);
    QTableView* fixed = grid.fixedView();
    ASSERT_TRUE(fixed->isVisible());
    for (int c = 1; c < grid.columnCount(); ++c)
        EXPECT_TRUE(fixed->isColumnHidden(c));
    EXPECT_FALSE(fixed->isColumnHidden(0));
    const int x = fixed->geometry().x();

    grid.setCurrentCell(0, 3);  // far right: the list scrolls
    QScrollBar* h = grid.view()->horizontalScrollBar();
    ASSERT_GT(h->maximum(), 0);
    h->setValue(h->maximum());
    QCoreApplication::processEvents();
    EXPECT_EQ(fixed->geometry().x(), x);
    EXPECT_EQ(fixed->columnWidth(0), grid.columnWidth(0));
    EXPECT_LT(grid.view()->columnViewportPosition(1), 0);

    // Rows scroll in both together.
    grid.setCurrentCell(29, 3);
    QCoreApplication::processEvents();
    EXPECT_EQ(fixed->verticalScrollBar()->value(), grid.view()->verticalScrollBar()->value());
    EXPECT_GT(fixed->verticalScrollBar()->value(), 0);

    grid.setFirstColumnFixed(false);
    EXPECT_FALSE(fixed->isVisible());
}

TEST_F(GridFixture, FooterRowsHoldFixedTexts)
{
    EXPECT_EQ(grid.footerRowCount(), 0);
    EXPECT_FALSE(grid.footer()->isVisible());
    grid.setFooterRowCount(1);
    grid.setFooterBold(true);
    grid.setFooterText(1, QStringLiteral("Всього "));
    grid.setFooterText(3, QStringLiteral("12,75"));
    grid.setFooterText(9, QStringLiteral("nowhere"));     // no such column
    grid.setFooterText(1, QStringLiteral("nowhere"), 1);  // no such footer row
    EXPECT_TRUE(grid.footer()->isVisible());
    EXPECT_GT(grid.footer()->height(), 0);
    EXPECT_TRUE(grid.footer()->font().bold());
    EXPECT_EQ(grid.footerText(1), QStringLiteral("Всього "));
    EXPECT_EQ(grid.footerText(3), QStringLiteral("12,75"));
    EXPECT_EQ(grid.footerText(0), QString());
    EXPECT_EQ(grid.footerText(1, 1), QString());
    // Texts survive a new row source (a report read again).
    grid.setSource(&source);
    EXPECT_EQ(grid.footerText(3), QStringLiteral("12,75"));
    grid.setFooterRowCount(2);
    EXPECT_EQ(grid.footerText(3), QStringLiteral("12,75"));
    EXPECT_EQ(grid.footerText(3, 1), QString());
}

TEST_F(GridFixture, EllipsisButtonOfTheCurrentCellRaisesItsEvent)
{
    QSignalSpy spy(&grid, &DBGrid::editButtonClick);
    EXPECT_TRUE(grid.editButtonRect(0, 1).isEmpty());  // a column without a button

    grid.setCurrentCell(2, 1);
    const QRect notCurrent = grid.editButtonRect(3, 3);
    ASSERT_FALSE(notCurrent.isEmpty());
    QTest::mouseClick(grid.view()->viewport(), Qt::LeftButton, {}, notCurrent.center());
    EXPECT_EQ(spy.count(), 0);  // the click only made the cell current
    EXPECT_EQ(grid.currentRow(), 3);
    EXPECT_EQ(grid.currentColumn(), 3);
    EXPECT_EQ(grid.selectedField(), QStringLiteral("TEXT1"));

    QTest::mouseClick(grid.view()->viewport(), Qt::LeftButton, {}, grid.editButtonRect(3, 3).center());
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 3);

    QTest::keyClick(grid.view(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(spy.count(), 2);
}

TEST_F(GridFixture, DoubleClickAndCurrentField)
{
    QSignalSpy spy(&grid, &DBGrid::dblClick);
    const QRect cell = grid.view()->visualRect(grid.view()->model()->index(1, 2));
    QTest::mouseDClick(grid.view()->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(grid.currentRow(), 1);
    EXPECT_EQ(grid.selectedField(), QStringLiteral("DATE_IN"));

    // A double click in the fixed column counts too, and makes its cell current.
    grid.setFirstColumnFixed(true);
    QTableView* fixed = grid.fixedView();
    const QRect first = fixed->visualRect(fixed->model()->index(4, 0));
    QTest::mouseDClick(fixed->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(grid.currentRow(), 4);
    EXPECT_EQ(grid.selectedField(), QStringLiteral("ID"));
}

TEST_F(GridFixture, OwnerDrawGetsEveryCellOfItsColumn)
{
    std::vector<std::pair<int, QRect>> drawn;
    grid.setDrawColumnCell([&](const DBGrid::CellPaint& c) {
        if (c.col.title != QStringLiteral("№"))
            return false;
        drawn.emplace_back(c.row, c.rect);
        c.painter.fillRect(c.rect, QColor(10, 200, 30));
        return true;
    });
    const QImage img = grid.view()->viewport()->grab().toImage();
    ASSERT_FALSE(drawn.empty());
    for (const auto& [row, rect] : drawn)
        EXPECT_EQ(rect, grid.view()->visualRect(grid.view()->model()->index(row, 0)));
    const QRect r0 = grid.view()->visualRect(grid.view()->model()->index(0, 0));
    EXPECT_EQ(img.pixelColor(r0.center()), QColor(10, 200, 30));
    const QRect r1 = grid.view()->visualRect(grid.view()->model()->index(0, 1));
    EXPECT_NE(img.pixelColor(r1.center()), QColor(10, 200, 30));
}

TEST_F(GridFixture, DeleteKeyAsksFirst)
{
    ui::ScopedScriptedResponder answers;
    grid.setCurrentCell(4, 1);
    struct Case {
        bool confirm;
        std::optional<ui::Button> answer;
        int rowsAfter;
        size_t questions;
    } cases[] = {
        {true, ui::Button::No, 30, 1},
        {true, std::nullopt, 30, 2},  // nobody answers: the default keeps the row
        {true, ui::Button::Yes, 29, 3},
        {false, std::nullopt, 28, 3},
    };
    for (const auto& c : cases) {
        grid.setConfirmDelete(c.confirm);
        if (c.answer)
            answers->buttons.push_back(*c.answer);
        QTest::keyClick(grid.view(), Qt::Key_Delete);
        EXPECT_EQ(source.rowCount(), c.rowsAfter);
        ASSERT_EQ(answers->messages().size(), c.questions);
    }
    EXPECT_EQ(answers->messages().front().text, QStringLiteral("Видалити запис?"));
    // Rows 5 and 6 went; the grid stands on the row that took their place.
    EXPECT_EQ(source.value(4, QStringLiteral("ID")).toInt(), 7);
    EXPECT_EQ(grid.currentRow(), 4);

    source.setReadOnly(true);
    grid.setConfirmDelete(true);
    QTest::keyClick(grid.view(), Qt::Key_Delete);
    EXPECT_EQ(source.rowCount(), 28);
    EXPECT_EQ(answers->messages().size(), 3u);  // not even asked
}

TEST_F(GridFixture, NavigatorMovesAndEditsWithItsChosenButtons)
{
    DBNavigator nav;
    nav.setGrid(&grid);
    nav.setVisibleButtons({NavButton::First, NavButton::Prior, NavButton::Next, NavButton::Last, NavButton::Insert,
                           NavButton::Edit, NavButton::Post, NavButton::Cancel, NavButton::Refresh});
    nav.show();
    EXPECT_FALSE(nav.button(NavButton::Delete)->isVisible());
    EXPECT_TRUE(nav.button(NavButton::Refresh)->isVisible());

    grid.setCurrentCell(0, 1);
    nav.click(NavButton::Last);
    EXPECT_EQ(grid.currentRow(), 29);
    nav.click(NavButton::Prior);
    EXPECT_EQ(grid.currentRow(), 28);
    nav.click(NavButton::First);
    EXPECT_EQ(grid.currentRow(), 0);
    EXPECT_FALSE(nav.button(NavButton::Prior)->isEnabled());
    nav.click(NavButton::Next);
    EXPECT_EQ(grid.currentRow(), 1);
    EXPECT_EQ(grid.currentColumn(), 1);

    nav.click(NavButton::Delete);  // hidden: does nothing
    EXPECT_EQ(source.rowCount(), 30);

    EXPECT_FALSE(nav.button(NavButton::Post)->isEnabled());
    nav.click(NavButton::Insert);
    EXPECT_EQ(source.state(), RowSource::State::Insert);
    EXPECT_EQ(source.rowCount(), 31);
    EXPECT_EQ(grid.currentRow(), 1);
    EXPECT_TRUE(nav.button(NavButton::Post)->isEnabled());
    EXPECT_TRUE(nav.button(NavButton::Cancel)->isEnabled());
    nav.click(NavButton::Cancel);
    EXPECT_EQ(source.rowCount(), 30);
    EXPECT_EQ(source.state(), RowSource::State::Browse);

    nav.click(NavButton::Edit);
    EXPECT_EQ(source.state(), RowSource::State::Edit);
    grid.view()->model()->setData(grid.view()->model()->index(1, 1), QStringLiteral("Новий"), Qt::EditRole);
    nav.click(NavButton::Post);
    EXPECT_EQ(source.state(), RowSource::State::Browse);
    EXPECT_EQ(source.value(1, QStringLiteral("NAME")).toString(), QStringLiteral("Новий"));

    // The buttons follow the source's state, also of a source set later.
    ListRowSource other({QStringLiteral("ID"), QStringLiteral("NAME")});
    other.setRows({{1, QStringLiteral("a")}});
    grid.setSource(&other);
    other.edit(0);
    EXPECT_TRUE(nav.button(NavButton::Post)->isEnabled());
    other.cancel();
    EXPECT_FALSE(nav.button(NavButton::Post)->isEnabled());
    source.edit(1);
    EXPECT_FALSE(nav.button(NavButton::Post)->isEnabled());  // no longer the grid's
    source.cancel();
    grid.setSource(&source);

    grid.setReadOnly(true);
    nav.setGrid(&grid);
    EXPECT_FALSE(nav.button(NavButton::Insert)->isEnabled());
    EXPECT_FALSE(grid.view()->model()->setData(grid.view()->model()->index(1, 1), QStringLiteral("x"), Qt::EditRole));
}

namespace {

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw std::runtime_error(QString(program + u' ' + args.join(u' ') + QStringLiteral(" failed: ")
                                         + QString::fromUtf8(p.readAllStandardError()))
                                     .toStdString());
    return QString::fromUtf8(p.readAllStandardOutput());
}

struct Word {
    QRectF box;  // points
    QString text;
};

// Words of a PDF page with their boxes, from pdftotext's bounding-box output.
std::vector<Word> words(const QString& pdf, QSizeF* pageSize)
{
    const QString html = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    static const QRegularExpression page(QStringLiteral(R"re(<page width="([\d.]+)" height="([\d.]+)")re"));
    static const QRegularExpression word(
        QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    const auto pm = page.match(html);
    if (pm.hasMatch() && pageSize)
        *pageSize = QSizeF(pm.captured(1).toDouble(), pm.captured(2).toDouble());
    std::vector<Word> out;
    for (auto it = word.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        out.push_back({QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                              QPointF(m.captured(3).toDouble(), m.captured(4).toDouble())),
                       m.captured(5)});
    }
    return out;
}

}  // namespace

TEST_F(GridFixture, PrinterPutsTitlesRowsAndFooterInsideTheMargins)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("grid.pdf"));
    std::vector<QVariantList> rows;
    for (int i = 1; i <= 150; ++i)
        rows.push_back({i, QStringLiteral("Товар %1").arg(i), QDate(2026, 3, 1), QString()});
    source.setRows(std::move(rows));
    grid.setFooterRowCount(1);
    grid.setFooterText(1, QStringLiteral("Всього "));
    grid.setFooterText(2, QStringLiteral("1,75 кг."));

    GridPrinter printer(grid);
    printer.setMarginsMm(QMarginsF(2, 2, 2, 2));
    QPrinter out(QPrinter::HighResolution);
    out.setOutputFormat(QPrinter::PdfFormat);
    out.setOutputFileName(pdf);
    out.setPageSize(QPageSize(QPageSize::A4));
    const int perPage = printer.rowsPerPage(out);
    const int pages = printer.print(out);
    EXPECT_EQ(pages, (150 + 1 + perPage - 1) / perPage);  // rows and the footer row
    EXPECT_GT(pages, 1);
    EXPECT_EQ(out.pageLayout().margins(QPageLayout::Millimeter), QMarginsF(2, 2, 2, 2));

    const QString info = run(QStringLiteral("pdfinfo"), {pdf});
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\b").arg(pages)))) << info.toStdString();
    const QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    for (const QString& s : {QStringLiteral("Назва"), QStringLiteral("TEXT1"), QStringLiteral("Товар 1 "),
                             QStringLiteral("Товар 150"), QStringLiteral("Всього"), QStringLiteral("1,75 кг."),
                             QStringLiteral("01.03.2026")})
        EXPECT_TRUE(text.contains(s)) << s.toStdString();
    // Titles on every page.
    EXPECT_EQ(text.count(QStringLiteral("Назва")), pages);

    QSizeF page;
    const auto ws = words(pdf, &page);
    ASSERT_FALSE(ws.empty());
    const double margin = 2.0 / 25.4 * 72.0;  // points
    double left = page.width();
    double top = page.height();
    for (const Word& w : ws) {
        EXPECT_GE(w.box.left(), margin) << w.text.toStdString();
        EXPECT_GE(w.box.top(), margin) << w.text.toStdString();
        EXPECT_LE(w.box.right(), page.width() - margin) << w.text.toStdString();
        EXPECT_LE(w.box.bottom(), page.height() - margin) << w.text.toStdString();
        left = std::min(left, w.box.left());
        top = std::min(top, w.box.top());
    }
    // And the list starts close to the margin, not somewhere inside the page.
    EXPECT_LT(left, margin + 5);
    EXPECT_LT(top, margin + 8);
}

TEST_F(GridFixture, PreviewLaysThePagesOutThroughThePromptLayer)
{
    ui::ScopedScriptedResponder answers;
    int previewPages = 0;
    QMarginsF margins;
    answers->onDialog = [&](QDialog& d) {
        auto* w = d.findChild<QPrintPreviewWidget*>();
        if (w) {
            w->updatePreview();
            previewPages = w->pageCount();
        }
        return int(QDialog::Rejected);
    };
    GridPrinter printer(grid);
    printer.setMarginsMm(QMarginsF(2, 2, 2, 2));
    QPrinter target(QPrinter::HighResolution);
    target.setOutputFormat(QPrinter::PdfFormat);
    printer.preview(target);
    margins = target.pageLayout().margins(QPageLayout::Millimeter);
    ASSERT_EQ(answers->seen.size(), 1u);
    EXPECT_EQ(answers->seen.front().kind, ui::ScriptedResponder::Seen::Kind::Dialog);
    EXPECT_GE(previewPages, 1);
    EXPECT_EQ(margins, QMarginsF(2, 2, 2, 2));
}

// "Tarvik PDF": the preview's print button writes the job's numbered file at
// once; no print dialog asks for a file or whether to overwrite it.
TEST_F(GridFixture, PrintingFromThePreviewToTarvikPdfAsksNothing)
{
    QTemporaryDir dir;
    const printing::PrinterList printers(dir.path() + u'/');
    QPrinter target(QPrinter::HighResolution);
    const printing::PrintJob job = GridPrinter::choosePrinter(target, printers, printers.pdfIndex(), QStringLiteral("report"));
    ASSERT_FALSE(job.file.isEmpty());
    ui::ScopedScriptedResponder answers;
    int printActions = 0;
    answers->onDialog = [&](QDialog& d) {
        const QString print = QCoreApplication::translate("QPrintPreviewDialog", "Print");
        for (QAction* a : d.findChildren<QAction*>()) {
            if (a->text() == print) {
                ++printActions;
                // A print dialog opened here would wait for an answer no one gives.
                a->trigger();
            }
        }
        return d.result();
    };
    GridPrinter(grid).preview(target);
    EXPECT_EQ(printActions, 1);
    ASSERT_EQ(answers->seen.size(), 1u);  // the preview, and nothing after it
    EXPECT_GT(QFileInfo(job.file).size(), 0);
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {job.file, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(20000));
    EXPECT_TRUE(QString::fromUtf8(text.readAllStandardOutput()).contains(QStringLiteral("Назва")));
}
