// The weighing cycle through the real windows: a scripted simulated scale,
// a real database file, labels printed to "Tarvik PDF".

#include "data/datasets.h"
#include "data/station_store.h"
#include "dialogs/settings_dialog.h"
#include "labels/label_pages.h"
#include "model/station_model.h"
#include "platform/text/codec.h"
#include "platform/ui/masked_edit.h"
#include "platform/ui/responders.h"
#include "reports/reports_window.h"
#include "station/main_window.h"
#include "station/station.h"
#include "station/windows.h"
#include "support/station_folder.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>

#include <functional>

using tarvik::testing::StationFolder;

namespace {

// A box of 30, tare 1 g per load and 500 g per box, EAN-13 on label 1 and
// Code 128 on label 2, readings in kilograms with three places (scale type 1).
// The poll interval is long: the tests tick by hand.
struct Settings {
    QString tara1 = QStringLiteral("1");
    QString tara2 = QStringLiteral("500");
    QString perBox = QStringLiteral("30");
    QString zero = QStringLiteral("10");
    QString scaleName = QStringLiteral("Ваги1");
    QString numBox = QStringLiteral("7");
    int printer1 = 0;
    int printer2 = 0;
    int product1 = 0;
    QString weigth;  // extra lines of [Weigth]
    QString bar1 = QStringLiteral("20CCCCCWWWWW");

    QByteArray ini() const
    {
        return tarvik::text::toCp1251(QStringLiteral(
            "[Printer_USE]\r\nPrinter_1=%1\r\nPrinter_2=%2\r\n"
            "[Tovar]\r\nTovar_1=%3\r\nTovar_2=1\r\nTara_1=%4\r\nTara_2=%5\r\n"
            "Bar_1=%10\r\nBar_2=21CCCCCWWWWWW\r\nBar_Type_1=14\r\nBar_Type_2=6\r\n"
            "Bar_SummCheckMetod_1=1\r\nBar_SummCheckMetod_2=0\r\nBar_Check_1=-1\r\nBar_Check_2=0\r\n"
            "[Prog]\r\nSum_etic=%6\r\nKil_golovok=1\r\nNum_Box=%7\r\nWeight_Zero=%8\r\nName_Weight=%9\r\n"
            "Type_Scale=1\r\n[Timer]\r\ninterval=600000\r\n[Weigth]\r\n")
                                          .arg(printer1)
                                          .arg(printer2)
                                          .arg(product1)
                                          .arg(tara1, tara2, perBox, numBox, zero, scaleName)
                                          .arg(bar1) +
                                      weigth);
    }
};

struct Row {
    int id;
    QString name, weight, price;
    int partia;
    QString scale;
    QDate date;
};

QString load(int grams)
{
    return QStringLiteral("%1.%2;S;").arg(grams / 1000).arg(grams % 1000, 3, 10, QLatin1Char('0'));
}

const QString kEmpty = QStringLiteral("0.000;S;");

// The reading is 1234567 g; the divisor 10^6 keeps its label texts short, so
// only the cause under test fails.
const std::function<void(Settings&)> kShortTexts = [](Settings& s) {
    s.weigth = QStringLiteral("Weigth_1=1000000\r\nNetto_1=1000000\r\nKG_1=1000000\r\n");
};

class WeighingCycleTest : public ::testing::Test {
protected:
    void start(const QStringList& readings, const Settings& s = {})
    {
        folder.scriptScale(readings);
        writeSettings(s);
        station = std::make_unique<tarvik::station::Station>(folder.programDir());
        ASSERT_TRUE(frMain->model().databaseOrNull()) << "no database";
        addProduct(1, QStringLiteral("Сир Голландський"), QStringLiteral("12.50"), QStringLiteral("12"));
        addProduct(2, QStringLiteral("Коробка сиру"), QStringLiteral("10"), QStringLiteral("777"));
        frMain->model().store().setBoxNumber(s.numBox);
        frMain->FormActivate();
        ASSERT_TRUE(frMain->Timer->isActive());
    }

    void writeSettings(const Settings& s)
    {
        QByteArray ini = s.ini();
        for (const auto& [from, to] : iniEdits)
            ini.replace(from, to);
        folder.write(QStringLiteral("Setting_Prog.ini"), ini);
    }
    // Replacements in the settings file that start() writes.
    std::vector<std::pair<QByteArray, QByteArray>> iniEdits;
    void rewriteSettings(const std::function<void(Settings&)>& change)
    {
        Settings s;
        kShortTexts(s);
        change(s);
        writeSettings(s);
    }


    void addProduct(int id, const QString& name, const QString& price, const QString& barcode)
    {
        auto& t = frMain->model().table();
        t.append();
        t.setValue(QStringLiteral("ID_TOB"), id);
        t.setValue(QStringLiteral("NAME"), name);
        t.setValue(QStringLiteral("PRICE"), price);
        t.setValue(QStringLiteral("BARCOD"), barcode);
        t.setValue(QStringLiteral("SELL_DATE"), QStringLiteral("30"));
        t.post();
    }

    // Written past the catalogue's checks, as software of another make may leave it.
    void setPrice(int id, const QString& price)
    {
        tarvik::data::PreparedStatement s(frMain->model().database(),
                                          QStringLiteral("UPDATE TOBAP SET PRICE = ? WHERE ID_TOB = ?"));
        s.execute({price, id});
        frMain->model().table().refresh();
    }

    void tick() { frMain->TimerTimer(); }
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            tick();
    }

    int labels(int which) const
    {
        return int(QDir(folder.path(QStringLiteral("PDF")))
                       .entryList({QStringLiteral("*-label%1.pdf").arg(which)}, QDir::Files)
                       .size());
    }

    std::vector<Row> rows()
    {
        tarvik::data::PreparedStatement q(
            frMain->model().database(),
            QStringLiteral("SELECT ID, NAME, WEIGHT, PRICE, PARTIA, NAME_W, DATE_IN FROM DB_ZVIT ORDER BY NAME_W, ID"));
        std::vector<Row> out;
        for (const auto& r : q.select())
            out.push_back({r.at(0).toInt(), r.at(1).toString().trimmed(), r.at(2).toString().trimmed(),
                           r.at(3).toString().trimmed(), r.at(4).toInt(), r.at(5).toString().trimmed(),
                           r.at(6).toDate()});
        return out;
    }

    void sql(const QString& statement)
    {
        tarvik::data::PreparedStatement s(frMain->model().database(), statement);
        s.execute();
    }

    qint64 boxNumber() { return frMain->model().store().boxNumber(); }
    bool printed() { return frMain->Cycle().PrintedFlag; }
    QStringList errors()
    {
        QStringList out;
        for (const auto& m : prompts->messages())
            out << m.text;
        return out;
    }

    // What a barcode picture the cycle wrote reads as.
    QString decodePicture(const QString& name) const
    {
        const QImage picture(folder.path(name));
        if (picture.isNull())
            return QStringLiteral("(no picture %1)").arg(name);
        const QString png = folder.path(name + QStringLiteral(".png"));
        picture.scaled(picture.size() * 2).save(png);
        QProcess p;
        p.start(QStringLiteral("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("-q"), png});
        p.waitForFinished(60000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    StationFolder folder;
    tarvik::ui::ScopedScriptedResponder prompts;
    std::unique_ptr<tarvik::station::Station> station;
};

TEST_F(WeighingCycleTest, AtAThresholdOfTenOnlyLoadsAboveItPrintAndOnlyLoadsBelowItRearm)
{
    struct Step {
        QString reading;
        int labels;
        bool printed;
    };
    const std::vector<Step> steps = {
        {QStringLiteral("0.010;S;"), 0, false},  // at the threshold: no label
        {QStringLiteral("0.011;S;"), 1, true},
        {QStringLiteral("0.011;S;"), 1, true},   // the same load: once
        {QStringLiteral("0.010;S;"), 1, true},   // at the threshold: not re-armed
        {QStringLiteral("0.011;S;"), 1, true},
        {QStringLiteral("0.011;U;"), 1, true},   // unstable above: still printed
        {QStringLiteral("0.011;S;"), 1, true},
        {QStringLiteral("0.009;S;"), 1, false},  // below: re-armed
        {QStringLiteral("0.011;U;"), 1, false},  // unstable never prints
        {QStringLiteral("0.011;S;"), 2, true},
        {QStringLiteral("0.005;U;"), 2, false},  // unstable below re-arms
        {QStringLiteral("0.500;S;"), 3, true},
    };
    QStringList readings;
    for (const Step& s : steps)
        readings << s.reading;
    start(readings);
    for (const Step& s : steps) {
        tick();
        EXPECT_EQ(labels(1), s.labels) << s.reading.toStdString();
        EXPECT_EQ(printed(), s.printed) << s.reading.toStdString();
        EXPECT_EQ(int(rows().size()), s.labels) << s.reading.toStdString();
        EXPECT_TRUE(frMain->Timer->isActive());
    }
    EXPECT_TRUE(errors().isEmpty()) << errors().join(u'\n').toStdString();
}

TEST_F(WeighingCycleTest, ALoadLyingOnTheScalePrintsOnceAndAgainAfterItWasLifted)
{
    QStringList readings(20, load(1234));
    readings << kEmpty << load(1234) << load(1234);
    start(readings);
    ticks(20);
    EXPECT_EQ(labels(1), 1);
    EXPECT_EQ(rows().size(), 1u);
    ticks(3);
    EXPECT_EQ(labels(1), 2);
    EXPECT_EQ(rows().size(), 2u);
    EXPECT_EQ(frSetting->Edit7->text(), QStringLiteral("2"));
}

TEST_F(WeighingCycleTest, UnstableReadingsNeverPrint)
{
    start(QStringList(10, QStringLiteral("1.234;U;")));
    ticks(10);
    EXPECT_EQ(labels(1), 0);
    EXPECT_TRUE(rows().empty());
    EXPECT_FALSE(printed());
}

TEST_F(WeighingCycleTest, TheThirtiethLoadClosesTheBox)
{
    QStringList readings;
    for (int i = 0; i < 31; ++i)
        readings << load(1000) << kEmpty;
    start(readings);
    for (int i = 1; i <= 29; ++i) {
        ticks(2);
        ASSERT_EQ(frSetting->Edit7->text(), QString::number(i));
        EXPECT_EQ(frMain->Edit7->text(), QString::number(i));
        EXPECT_EQ(frSetting->Edit8->text(), QString::number(i * 1000));
    }
    EXPECT_EQ(labels(2), 0);
    EXPECT_EQ(boxNumber(), 7);
    EXPECT_TRUE(frMain->Edit2->text().isEmpty());  // no box change yet

    ticks(2);  // load 30
    EXPECT_EQ(labels(1), 30);
    EXPECT_EQ(labels(2), 1);
    EXPECT_EQ(rows().size(), 30u);
    EXPECT_EQ(frSetting->Edit7->text(), QStringLiteral("0"));
    EXPECT_EQ(frSetting->Edit8->text(), QStringLiteral("0"));
    // The main window keeps the closed box's mass and N - 1 until the next load.
    EXPECT_EQ(frMain->MaskEdit3->text(), QStringLiteral("30000"));
    EXPECT_EQ(frMain->Edit7->text(), QStringLiteral("29"));
    // The box number went from 7 to 8, in the database, both windows and the file.
    EXPECT_EQ(boxNumber(), 8);
    EXPECT_EQ(frSetting->NumBox->text().trimmed(), QStringLiteral("8"));
    EXPECT_EQ(frMain->Edit2->text(), frSetting->NumBox->text());
    EXPECT_TRUE(folder.read(QStringLiteral("Setting_Prog.ini")).contains("Num_Box=8 "));
    // Label 2's barcode: product code 777, net 30000 - (1 x 30 + 500) = 29470.
    EXPECT_EQ(decodePicture(QStringLiteral("Barcod2.bmp")), QStringLiteral("2100777029470"));
    EXPECT_EQ(station->model().pages().label(2).barcode.picture, QImage(folder.path(QStringLiteral("Barcod_2.bmp"))));
    EXPECT_EQ(station->model().pages().label(1).barcode.picture, QImage(folder.path(QStringLiteral("Barcod.bmp"))));

    ticks(2);  // load 31 starts the next box
    EXPECT_EQ(frSetting->Edit7->text(), QStringLiteral("1"));
    EXPECT_EQ(frMain->Edit7->text(), QStringLiteral("1"));
    EXPECT_EQ(frMain->MaskEdit3->text(), QStringLiteral("1000 "));
    EXPECT_TRUE(errors().isEmpty()) << errors().join(u'\n').toStdString();
}

TEST_F(WeighingCycleTest, TheMainWindowShowsABoxMassPastFiveDigitsWhole)
{
    start({load(45000), kEmpty, load(45000), kEmpty, load(45000)});
    ticks(5);
    EXPECT_EQ(frSetting->Edit8->text(), QStringLiteral("135000"));
    EXPECT_EQ(frMain->MaskEdit3->text(), QStringLiteral("135000"));
}

TEST_F(WeighingCycleTest, ABoxOfOneClosesWithEveryLoad)
{
    Settings s;
    s.perBox = QStringLiteral("1");
    start({load(1500), kEmpty, load(1600), kEmpty, load(1700)}, s);
    ticks(5);
    EXPECT_EQ(labels(1), 3);
    EXPECT_EQ(labels(2), 3);
    EXPECT_EQ(boxNumber(), 10);
    EXPECT_EQ(frSetting->Edit7->text(), QStringLiteral("0"));
    EXPECT_EQ(frMain->Edit7->text(), QStringLiteral("0"));
    EXPECT_EQ(frMain->Edit2->text().trimmed(), QStringLiteral("10"));
    EXPECT_EQ(frMain->MaskEdit3->text(), QStringLiteral("1700 "));
}

TEST_F(WeighingCycleTest, ABoxSizeLoweredBelowTheCountIsRefusedBeforeAnythingIsPrinted)
{
    QStringList readings;
    for (int i = 0; i < 14; ++i)
        readings << load(1000) << kEmpty;
    start(readings);
    ticks(20);
    ASSERT_EQ(frSetting->Edit7->text(), QStringLiteral("10"));
    Settings lowered;
    lowered.perBox = QStringLiteral("5");
    writeSettings(lowered);  // the run reloads the file
    const qsizetype before = errors().size();
    const int printed = labels(1);
    tick();
    EXPECT_EQ(frSetting->Edit3->text().trimmed(), QStringLiteral("5"));
    // Counting on would never reach the box size again: refused, naming both fields.
    const QStringList shown = errors().mid(before);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].startsWith(QStringLiteral("Поле \"Надруковано етикеток\": у коробці 10 етикеток")))
        << shown[0].toStdString();
    EXPECT_EQ(frSetting->Edit7->text(), QStringLiteral("10"));
    EXPECT_EQ(labels(1), printed);
    EXPECT_EQ(labels(2), 0);
    EXPECT_EQ(boxNumber(), 7);
}

struct RowCase {
    int grams;
    const char* price;
    const char* weight;  // the net weight text of label 1
    const char* cost;
};

class CycleRow : public WeighingCycleTest, public ::testing::WithParamInterface<RowCase> {};

TEST_P(CycleRow, TheLogRowHoldsTheLoadAsLabelled)
{
    start({load(GetParam().grams)});
    setPrice(1, QString::fromUtf8(GetParam().price));
    frMain->MaskEdit1->setText(QStringLiteral("42"));
    tick();
    const auto r = rows();
    ASSERT_EQ(r.size(), 1u) << errors().join(u'\n').toStdString();
    EXPECT_EQ(r[0].id, 1);
    EXPECT_EQ(r[0].name, QStringLiteral("Сир Голландський"));
    EXPECT_EQ(r[0].weight, QString::fromUtf8(GetParam().weight));
    EXPECT_EQ(r[0].weight, frMain->model().weighing().logWeightText);
    EXPECT_EQ(r[0].price, QString::fromUtf8(GetParam().cost));
    EXPECT_EQ(r[0].partia, 42);
    EXPECT_EQ(r[0].scale, QStringLiteral("Ваги1"));
    EXPECT_EQ(r[0].date, QDate::currentDate());
}

INSTANTIATE_TEST_SUITE_P(Costs, CycleRow,
                         ::testing::Values(RowCase{1234, "12.50", "1,23", "15,41"},  // 15,4125 cut
                                           RowCase{1001, "10", "1,00", "10"}));     // no comma

TEST_F(WeighingCycleTest, RowNumbersCountPerScaleName)
{
    start({load(1000), kEmpty, load(1000), kEmpty, load(1000)});
    sql(QStringLiteral("INSERT INTO DB_ZVIT VALUES (41, 'X', CURRENT_DATE, '1', '1', 1, 'Ваги2')"));
    sql(QStringLiteral("INSERT INTO DB_ZVIT VALUES (7, 'X', CURRENT_DATE, '1', '1', 1, 'Ваги3')"));
    ticks(4);
    Settings other;
    other.scaleName = QStringLiteral("Ваги2");
    writeSettings(other);
    ticks(1);
    std::vector<std::pair<QString, int>> got;
    for (const Row& r : rows())
        got.emplace_back(r.scale, r.id);
    const std::vector<std::pair<QString, int>> expected = {
        {QStringLiteral("Ваги1"), 1}, {QStringLiteral("Ваги1"), 2}, {QStringLiteral("Ваги2"), 41},
        {QStringLiteral("Ваги2"), 42}, {QStringLiteral("Ваги3"), 7}};
    EXPECT_EQ(got, expected);
}

TEST_F(WeighingCycleTest, TheRowIsPermanentWhenTheRunEnds)
{
    start({load(1000)});
    auto& transaction = frMain->model().database().transaction();
    // The idle commit must not be what makes the row permanent.
    transaction.setIdleInterval(600'000);
    tick();
    // The run's own commit goes on beside the station; another connection (another
    // station) sees the row once it is in, without any idle time passing.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !transaction.committingInBackground(); }, 5000));
    EXPECT_FALSE(transaction.pending());
    auto other = tarvik::data::Database::connect(tarvik::data::stationConnectParams(folder.programDir()));
    tarvik::data::PreparedStatement count(*other, QStringLiteral("SELECT COUNT(*) FROM DB_ZVIT"));
    EXPECT_EQ(count.select().at(0).at(0).toInt(), 1);
}

TEST_F(WeighingCycleTest, AProductNameWithAnApostropheIsLoggedAsItIs)
{
    start({load(1000)});
    auto& t = frMain->model().table();
    t.setRecNo(1);
    t.edit();
    t.setValue(QStringLiteral("NAME"), QStringLiteral("Кава 'Люкс'"));
    t.post();
    tick();
    ASSERT_EQ(rows().size(), 1u) << errors().join(u'\n').toStdString();
    EXPECT_EQ(rows()[0].name, QStringLiteral("Кава 'Люкс'"));
}

TEST_F(WeighingCycleTest, AnOpenReportShowsTheNewRow)
{
    start({load(1000), kEmpty, load(1200)});
    frMain->N2Click();
    ASSERT_TRUE(FZvit->isVisible());
    const int before = FZvit->Table.rowCount();
    ticks(3);
    // The last row shows once its commit is in, while the station waits for the next reading.
    EXPECT_TRUE(QTest::qWaitFor([&] { return FZvit->Table.rowCount() == before + 2; }, 5000))
        << FZvit->Table.rowCount() << " rows, " << before << " before";
    FZvit->close();
}

TEST_F(WeighingCycleTest, AReadingThatArrivesInsideARunStartsNoSecondRun)
{
    start({load(1234)});
    // Something inside the run lets a tick through (a window's event loop).
    int nested = 0;
    QObject::connect(&frMain->model().pages(), &tarvik::labels::LabelPages::pageChanged, frMain, [&] {
        if (nested++ == 0)
            frMain->WeighingDecision(Currency::fromInt(1234), true);
    });
    tick();
    EXPECT_GT(nested, 0);
    EXPECT_EQ(labels(1), 1);
    EXPECT_EQ(rows().size(), 1u);
    EXPECT_TRUE(printed());
}

TEST_F(WeighingCycleTest, EveryRunEndsWithTheSignalTheHeadlessStationCounts)
{
    start({load(1000), kEmpty, load(1000)});
    QSignalSpy ended(frMain, &TfrMain::labelRunEnded);
    tick();
    EXPECT_EQ(ended.count(), 1);
    frMain->MaskEdit1->setText(QString());  // a failing run counts too
    ticks(2);
    EXPECT_EQ(ended.count(), 2);
}

TEST_F(WeighingCycleTest, AZeroThresholdThatIsNoWholeNumberEndsTheTickOnly)
{
    start({load(1000)});
    // Emptied after the start (which refuses a file without one).
    auto s = frMain->model().settings();
    s.weightZero = tarvik::MaskedDigits(5);
    frMain->model().setSettings(s);
    EXPECT_THROW(tick(), tarvik::ConvertError);
    EXPECT_TRUE(frMain->Timer->isActive());
    EXPECT_EQ(labels(1), 0);
}

// A failure cause, set up after the station started; the load then fails.
struct FailureCase {
    const char* name;
    std::function<void(Settings&)> settings;
    std::function<void(WeighingCycleTest&)> setup;
    const char* error;  // part of the error shown
};

void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

class CycleFailure : public WeighingCycleTest, public ::testing::WithParamInterface<FailureCase> {
public:
    using WeighingCycleTest::sql;
    using WeighingCycleTest::setPrice;
    using WeighingCycleTest::folder;
    using WeighingCycleTest::rewriteSettings;
};

TEST_P(CycleFailure, EndsTheRunBeforeAnythingIsPrintedAndLeavesPollingOff)
{
    const FailureCase& c = GetParam();
    Settings s;
    // A load of 1234 kg has more digits than a barcode's weight: the run would
    // refuse it there. No weight in the barcode lets each cause come first.
    s.bar1 = QStringLiteral("20CCCCC00000");
    if (c.settings)
        c.settings(s);
    start({QStringLiteral("1234.567;S;"), QStringLiteral("1234.567;S;")}, s);
    // What the first activation said of missing settings is not this run's.
    const qsizetype atStart = errors().size();
    if (c.setup)
        c.setup(*this);
    tick();
    const QStringList shown = errors().mid(atStart);
    ASSERT_EQ(shown.size(), 1) << shown.join(u'\n').toStdString();
    EXPECT_TRUE(shown[0].contains(QString::fromUtf8(c.error))) << shown[0].toStdString();
    EXPECT_EQ(labels(1), 0);
    EXPECT_EQ(labels(2), 0);
    EXPECT_TRUE(rows().empty());
    EXPECT_FALSE(frMain->Timer->isActive());
    EXPECT_FALSE(printed());
    EXPECT_EQ(frSetting->Edit7->text(), QStringLiteral("0"));
    EXPECT_EQ(frSetting->Edit8->text(), QStringLiteral("0"));
}

INSTANTIATE_TEST_SUITE_P(
    Causes, CycleFailure,
    ::testing::Values(
        FailureCase{"BlankTare", [](Settings& s) { kShortTexts(s); s.tara1.clear(); }, {}, "Тара , гр."},
        FailureCase{"BlankBoxSize", [](Settings& s) { kShortTexts(s); s.perBox.clear(); }, {},
                    "Друкувати сумарну етикетку кожні"},
        FailureCase{"PriceNoNumber", kShortTexts, [](WeighingCycleTest& t) {
                        static_cast<CycleFailure&>(t).setPrice(1, QStringLiteral("abc"));
                    }, "'abc' is not a valid floating point value"},
        FailureCase{"BlankBatch", kShortTexts, [](WeighingCycleTest&) { frMain->MaskEdit1->setText(QString()); },
                    "PARTIA"},
        FailureCase{"WeightTextTooLong", {}, {}, "WEIGHT"},  // "1234,56" in CHAR(6)
        FailureCase{"CostTooLong", kShortTexts, [](WeighingCycleTest& t) {
                        static_cast<CycleFailure&>(t).setPrice(1, QStringLiteral("999999"));
                    }, "PRICE"},
        FailureCase{"NoBoxRowWhenTheBoxCloses", [](Settings& s) { kShortTexts(s); s.perBox = QStringLiteral("1"); },
                    [](WeighingCycleTest& t) { static_cast<CycleFailure&>(t).sql(QStringLiteral("DELETE FROM KOPOBKA")); },
                    "KOPOBKA"},
        FailureCase{"PrinterCannotWrite", kShortTexts, [](WeighingCycleTest& t) {
                        static_cast<CycleFailure&>(t).folder.write(QStringLiteral("PDF"), "a file, not a folder");
                    }, "cannot create the folder"},
        FailureCase{"NoProductSelected", [](Settings& s) { kShortTexts(s); s.product1 = 5; }, {},
                    "Tovar_1 (поле \"Товар\" етикетки 1): товар не вибрано"},
        FailureCase{"TemplateMissing", kShortTexts, [](WeighingCycleTest& t) {
                        QFile::remove(static_cast<CycleFailure&>(t).folder.path(QStringLiteral("Body_1.rtf")));
                    }, "Body_1.rtf"},
        // Put back between label 1 and its row: checked first, so no label goes without its row.
        FailureCase{"StandbyPictureUnreadable", kShortTexts, [](WeighingCycleTest& t) {
                        static_cast<CycleFailure&>(t).folder.write(QStringLiteral("Barcod.bmp"), "not a picture");
                    }, "Barcod.bmp"},
        FailureCase{"Label2TemplateMissingWhenTheBoxCloses",
                    [](Settings& s) { kShortTexts(s); s.perBox = QStringLiteral("1"); },
                    [](WeighingCycleTest& t) {
                        QFile::remove(static_cast<CycleFailure&>(t).folder.path(QStringLiteral("Head_2.rtf")));
                    }, "Head_2.rtf"},
        // A value its field cannot hold, written after the start: the run's
        // reload refuses it, naming the key, instead of printing a tare of 15 g.
        FailureCase{"TareWithADecimalPoint", kShortTexts, [](WeighingCycleTest& t) {
                        static_cast<CycleFailure&>(t).rewriteSettings([](Settings& s) { s.tara1 = QStringLiteral("1.5"); });
                    }, "[Tovar] Tara_1: значення \"1.5\""},
        FailureCase{"ZeroThresholdWithAComma", kShortTexts, [](WeighingCycleTest& t) {
                        static_cast<CycleFailure&>(t).rewriteSettings([](Settings& s) { s.zero = QStringLiteral("1,5"); });
                    }, "[Prog] Weight_Zero: значення \"1,5\""},
        FailureCase{"ScaleNameTooLong", kShortTexts, [](WeighingCycleTest& t) {
                        static_cast<CycleFailure&>(t).rewriteSettings(
                            [](Settings& s) { s.scaleName = QStringLiteral("Ваги_номер1"); });
                    }, "[Prog] Name_Weight: значення \"Ваги_номер1\""}),
    [](const ::testing::TestParamInfo<FailureCase>& i) { return std::string(i.param.name); });

// Files found sound are not read again while they are unchanged: one that
// changes after a label still stops the next load before its label.
struct BrokenFile {
    const char* name;
    QByteArray content;  // empty: the file is removed
};

class AFileBrokenAfterALabel : public WeighingCycleTest, public ::testing::WithParamInterface<BrokenFile> {};

TEST_P(AFileBrokenAfterALabel, StopsTheNextLoadBeforeItsLabel)
{
    start({load(1000), kEmpty, load(2000)});
    tick();
    ASSERT_EQ(labels(1), 1);
    const QString name = QString::fromLatin1(GetParam().name);
    if (GetParam().content.isEmpty())
        QFile::remove(folder.path(name));
    else
        folder.write(name, GetParam().content);
    ticks(2);
    ASSERT_EQ(errors().size(), 1) << errors().join(u'\n').toStdString();
    EXPECT_TRUE(errors()[0].contains(name)) << errors()[0].toStdString();
    EXPECT_EQ(labels(1), 1);
    EXPECT_EQ(rows().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Files, AFileBrokenAfterALabel,
    ::testing::Values(BrokenFile{"Barcod.bmp", "not a picture"}, BrokenFile{"Barcod_2.bmp", "BM cut short"},
                      BrokenFile{"St_Tick_1.ini", "[count]\r\ncount=1\r\n[0]\r\n0=no value\r\n"},
                      BrokenFile{"St_Tick_2.ini", "[count]\r\ncount=1\r\n[0]\r\n0=no value\r\n"},
                      BrokenFile{"Body_1.rtf", {}}, BrokenFile{"Button_2.rtf", {}}),
    [](const ::testing::TestParamInfo<BrokenFile>& i) {
        std::string n = i.param.name;
        std::replace(n.begin(), n.end(), '.', '_');
        return n;
    });

TEST_F(WeighingCycleTest, ARefusedSettingIsNeitherUsedNorWrittenBack)
{
    Settings s;
    s.perBox = QStringLiteral("2");
    start({load(1000), kEmpty, load(2000), kEmpty, load(3000)}, s);
    tick();
    ASSERT_EQ(labels(1), 1);
    Settings bad = s;
    bad.tara1 = QStringLiteral("1.5");
    writeSettings(bad);
    const QByteArray written = folder.read(QStringLiteral("Setting_Prog.ini"));
    ticks(3);  // lifted, the box's second load refused before its label, lifted again
    ASSERT_EQ(errors().size(), 1);
    EXPECT_TRUE(errors()[0].contains(QStringLiteral("[Tovar] Tara_1"))) << errors()[0].toStdString();
    EXPECT_EQ(labels(1), 1);
    EXPECT_EQ(labels(2), 0);
    EXPECT_EQ(rows().size(), 1u);
    EXPECT_EQ(boxNumber(), 7);
    EXPECT_EQ(folder.read(QStringLiteral("Setting_Prog.ini")), written);
    EXPECT_EQ(frMain->model().settings().tara1.trimmed(), QStringLiteral("1"));
}

TEST_F(WeighingCycleTest, ABoxLabelThatFailsLeavesWhatWasDoneBeforeIt)
{
    Settings s;
    s.perBox = QStringLiteral("1");
    start({load(1000)}, s);
    // Label 2's barcode picture cannot be written: known only when it is drawn.
    QDir().mkpath(folder.path(QStringLiteral("Barcod2.bmp")));
    tick();
    ASSERT_EQ(errors().size(), 1);
    EXPECT_TRUE(errors()[0].contains(QStringLiteral("Barcod2.bmp"))) << errors()[0].toStdString();
    // Label 1, its row and the new box number stay; label 2 and the counter reset did not happen.
    EXPECT_EQ(labels(1), 1);
    EXPECT_EQ(labels(2), 0);
    EXPECT_EQ(rows().size(), 1u);
    EXPECT_EQ(boxNumber(), 8);
    EXPECT_EQ(frSetting->Edit8->text(), QStringLiteral("1000"));
    EXPECT_FALSE(frMain->Timer->isActive());
    EXPECT_FALSE(printed());
}

class AfterAFailedRun : public WeighingCycleTest, public ::testing::WithParamInterface<bool> {};

TEST_P(AfterAFailedRun, ClosingTheSettingsOrReportsWindowResumesAndTheSameLoadPrints)
{
    start(QStringList(4, load(1234)));
    frMain->MaskEdit1->setText(QString());
    tick();
    ASSERT_FALSE(frMain->Timer->isActive());
    ASSERT_EQ(labels(1), 0);
    if (GetParam()) {
        prompts->onDialog = [](QDialog&) {
            frSetting->bCancel->click();
            return frSetting->result();
        };
        frMain->N4Click();
    } else {
        frMain->N2Click();
        FZvit->close();
    }
    EXPECT_TRUE(frMain->Timer->isActive());
    frMain->MaskEdit1->setText(QStringLiteral("3"));
    tick();  // the load still lies there
    EXPECT_EQ(labels(1), 1);
    EXPECT_EQ(rows().size(), 1u);
    EXPECT_TRUE(printed());
}

INSTANTIATE_TEST_SUITE_P(SettingsOrReports, AfterAFailedRun, ::testing::Bool());

TEST_F(WeighingCycleTest, HeadlessPollingResumesOnceTheErrorIsAnsweredAndWaitsForTheNextLoad)
{
    Settings s;
    s.perBox = QStringLiteral("1");
    start({load(1234), load(1234), load(1234), kEmpty, load(1500)}, s);
    frMain->setResumeAfterFailedRun(true);
    // Fails after label 1, its row and the new box number.
    QDir().mkpath(folder.path(QStringLiteral("Barcod2.bmp")));
    tick();
    EXPECT_EQ(errors().size(), 1);
    EXPECT_TRUE(frMain->Timer->isActive());
    // The same load lying there is not labelled, logged and boxed again.
    ticks(2);
    EXPECT_EQ(errors().size(), 1);
    EXPECT_EQ(labels(1), 1);
    EXPECT_EQ(rows().size(), 1u);
    EXPECT_EQ(boxNumber(), 8);
    // The next load runs again.
    ticks(2);
    EXPECT_EQ(labels(1), 2);
    EXPECT_EQ(errors().size(), 2);
}

class LoadWhileSettingsOpen : public WeighingCycleTest, public ::testing::WithParamInterface<int> {};

TEST_P(LoadWhileSettingsOpen, PrintsNothingAndWeighingResumesAfterClosing)
{
    start({load(1234), load(1234), load(1234)});
    bool activeWhileOpen = true;
    prompts->onDialog = [&](QDialog&) {
        activeWhileOpen = frMain->Timer->isActive();
        tick();  // a tick that came due anyway takes no reading
        QTest::qWait(100);
        switch (GetParam()) {
        case 0: frSetting->bOk->click(); break;
        case 1: frSetting->bCancel->click(); break;
        default: frSetting->close(); break;
        }
        return frSetting->result();
    };
    frMain->N4Click();
    EXPECT_FALSE(activeWhileOpen);
    EXPECT_EQ(labels(1), 0);
    EXPECT_TRUE(frMain->WEdit->text().isEmpty());
    EXPECT_TRUE(frMain->Timer->isActive());
    tick();
    EXPECT_EQ(labels(1), 1);
}

INSTANTIATE_TEST_SUITE_P(OkCancelCloseBox, LoadWhileSettingsOpen, ::testing::Values(0, 1, 2));

}  // namespace

// --- weight limits and GS1 labels ---------------------------------------------

TEST_F(WeighingCycleTest, LoadsOutsideTheWeightLimitsPrintAndLogNothingUntilTheScaleIsEmptied)
{
    // Tare 1 g: net 500 to 1000 g, gross 501 to 1001 g.
    iniEdits = {{"Bar_Check_2=0\r\n", "Bar_Check_2=0\r\nNet_Min_1=500\r\nNet_Max_1=1000\r\n"}};
    struct Step {
        QString reading;
        int labels;
        bool printed;
        const char* alarm;
    };
    const std::vector<Step> steps = {
        {load(500), 0, true, "Нижче мінімуму: нетто 499 г (мін. 500 г)"},
        {load(500), 0, true, "Нижче мінімуму: нетто 499 г (мін. 500 г)"},
        {load(800), 0, true, "Нижче мінімуму: нетто 499 г (мін. 500 г)"},  // topped up: still the same load
        {kEmpty, 0, false, ""},                                             // re-armed
        {load(501), 1, true, ""},                                            // at the minimum
        {kEmpty, 1, false, ""},
        {load(1001), 2, true, ""},                                           // at the maximum
        {kEmpty, 2, false, ""},
        {load(1002), 2, true, "Вище максимуму: нетто 1001 г (макс. 1000 г)"},
        {load(1002), 2, true, "Вище максимуму: нетто 1001 г (макс. 1000 г)"},
        {QStringLiteral("0.005;U;"), 2, false, ""},                          // unstable below re-arms too
        {load(700), 3, true, ""},
    };
    QStringList readings;
    for (const Step& s : steps)
        readings << s.reading;
    start(readings);
    const QString journal = folder.path(QStringLiteral("RunJournal.log"));
    auto journalText = [&] {
        QFile f(journal);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QColor normal = frMain->WEdit->palette().color(QPalette::Disabled, QPalette::Text);
    for (const Step& s : steps) {
        // The last run's commit ends its journal lines; let it, so that it cannot land inside this step.
        frMain->model().database().transaction().settle();
        const QByteArray journalBefore = journalText();
        const int rowsBefore = int(rows().size());
        tick();
        const std::string at = s.reading.toStdString() + " after " + std::to_string(&s - steps.data()) + " steps";
        EXPECT_EQ(labels(1), s.labels) << at;
        EXPECT_EQ(int(rows().size()), s.labels) << at;
        EXPECT_EQ(printed(), s.printed) << at;
        EXPECT_EQ(frMain->LimitLabel->text(), QString::fromUtf8(s.alarm)) << at;
        const QColor shown = frMain->WEdit->palette().color(QPalette::Disabled, QPalette::Text);
        EXPECT_EQ(shown != normal, *s.alarm != 0) << at;
        EXPECT_EQ(frMain->model().weighing().limitAlarm, QString::fromUtf8(s.alarm)) << at;
        if (*s.alarm) {
            // Held back: no row, no run in the journal, nothing counted into the box.
            EXPECT_EQ(int(rows().size()), rowsBefore) << at;
            EXPECT_EQ(journalText(), journalBefore) << at;
        }
        EXPECT_TRUE(frMain->Timer->isActive()) << at;
    }
    EXPECT_EQ(frSetting->Edit7->text(), QStringLiteral("3"));
    EXPECT_TRUE(errors().isEmpty()) << errors().join(u'\n').toStdString();
}

TEST_F(WeighingCycleTest, NoLimitsSetLeavesTheSettingsFileWithoutTheirKeys)
{
    start({load(10000)});
    tick();
    EXPECT_EQ(labels(1), 1);
    frMain->model().SaveSettings();
    QFile f(folder.path(QStringLiteral("Setting_Prog.ini")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_FALSE(text.contains("Net_Min_1")) << text.toStdString();
    EXPECT_FALSE(text.contains("Net_Max_1")) << text.toStdString();
}

TEST_F(WeighingCycleTest, Gs1AndPriceEmbeddedLabelsCarryTheRunsFieldsInTheirPdfs)
{
    // Label 1: GS1-128 with the GTIN, net weight, dates and batch; label 2, for
    // a box of one load: a price-embedded EAN-13 with its price check digit.
    iniEdits = {
        {"Bar_1=20CCCCCWWWWW", "Bar_1=(01)0482000CCCCCC(3103){net:3}(13){packed}(15){expiry}(10){batch}"},
        {"Bar_2=21CCCCCWWWWWW", "Bar_2=20CCCC{pricecheck:5}"},
        {"Bar_Type_1=14", "Bar_Type_1=23"},
        {"Bar_Type_2=6", "Bar_Type_2=14"},
        {"Bar_SummCheckMetod_2=0", "Bar_SummCheckMetod_2=1"},
        {"Bar_Check_2=0", "Bar_Check_2=-1"},
    };
    Settings s;
    s.perBox = QStringLiteral("1");
    start({load(1234)}, s);
    tick();
    ASSERT_TRUE(errors().isEmpty()) << errors().join(u'\n').toStdString();
    ASSERT_EQ(labels(1), 1);
    ASSERT_EQ(labels(2), 1);

    const QDate today = QDate::currentDate();
    const QString yymmdd = today.toString(QStringLiteral("yyMMdd"));
    const QString expiry = today.addDays(30).toString(QStringLiteral("yyMMdd"));
    // Code 12 -> 000012 in the GTIN 0482000000012 + check digit 3; net
    // 1234 - 1 = 1233 g; batch "2"; FNC1 only after the batch, which is last.
    const QString element = QStringLiteral("01048200000001233103001233") + u"13" + yymmdd + u"15" + expiry + u"102";
    // Box: 1234 - (1 + 500) = 733 g at 10 a kilogram = 7,33: 00733, price
    // check digit 8 (0 + 0 + 2 + 6 + 6 = 14, 20 - 14 = 6 = 5-(8)); EAN check 8.
    const QString ean = QStringLiteral("2007778007338");

    const QDir pdfDir(folder.path(QStringLiteral("PDF")));
    for (int label : {1, 2}) {
        const QStringList pdfs = pdfDir.entryList({QStringLiteral("*-label%1.pdf").arg(label)}, QDir::Files);
        ASSERT_EQ(pdfs.size(), 1);
        const QString pdf = pdfDir.filePath(pdfs.front());
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        ASSERT_TRUE(text.waitForFinished(60000));
        const QString words = QString::fromUtf8(text.readAllStandardOutput());
        EXPECT_TRUE(words.contains(label == 1 ? QStringLiteral("Сир Голландський") : QStringLiteral("Коробка сиру")))
            << words.toStdString();
        const QString base = pdf.chopped(4);
        QProcess raster;
        raster.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("300"), QStringLiteral("-png"),
                                                  QStringLiteral("-singlefile"), pdf, base});
        ASSERT_TRUE(raster.waitForFinished(60000));
        QProcess zbar;
        zbar.start(QStringLiteral("zbarimg"), {QStringLiteral("-q"), base + QStringLiteral(".png")});
        ASSERT_TRUE(zbar.waitForFinished(60000));
        const QString read = QString::fromUtf8(zbar.readAllStandardOutput()).trimmed();
        EXPECT_EQ(read, label == 1 ? QStringLiteral("CODE-128:") + element : QStringLiteral("EAN-13:") + ean);
    }
}

