#include "data/settings_files.h"
#include "platform/text/codec.h"
#include "platform/text/error.h"
#include "platform/text/masked_digits.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tarvik::data;

namespace {

QByteArray cp(const QString& s)
{
    return tarvik::text::toCp1251(s);
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& b)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(b);
}

class SettingsFiles : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString ini = dir.filePath(QString::fromLatin1(kSettingsFileName));
};

}  // namespace

TEST_F(SettingsFiles, FreshInstallationReadsTheDefaults)
{
    ProgSettings p;
    p.printer1 = 3;
    p.barCheck1 = false;
    p.nameWeight = QStringLiteral("X");
    LoadSettings(ini, p);
    ProgSettings expected;
    expected.comPort = p.comPort;  // not read here
    expected.typeScale = p.typeScale;
    EXPECT_EQ(p, expected);
    EXPECT_EQ(p.printer1, 0);
    EXPECT_TRUE(p.barCheck1 && p.barCheck2);
    EXPECT_EQ(p.numBox.text(), QStringLiteral("1              "));
    EXPECT_EQ(p.weightZero.text(), QStringLiteral("10   "));
    EXPECT_EQ(p.nameWeight, QStringLiteral("Name"));
    EXPECT_TRUE(p.tara1.trimmed().isEmpty() && p.bar1.isEmpty() && p.sumEtic.trimmed().isEmpty() &&
                p.kilGolovok.trimmed().isEmpty());

    StartupSettings s;
    s.interval = 5;
    s.kg1 = QStringLiteral("x");
    LoadStartupSettings(ini, s);
    EXPECT_EQ(s, StartupSettings{});
    EXPECT_EQ(s.interval, 1000);
    EXPECT_EQ(s.weigth2, QStringLiteral("1000"));
    EXPECT_EQ(s.weigthNumSim2, QStringLiteral("2"));
    EXPECT_FALSE(QFile::exists(ini));  // reading never creates the file
}

TEST_F(SettingsFiles, SaveWritesTheKeysInOrderAndLoadReadsThemBack)
{
    ProgSettings p;
    p.printer1 = 2;
    p.printer2 = 1;
    p.tovar1 = 4;
    p.tovar2 = 5;
    p.tara1 = tarvik::MaskedDigits::of(QStringLiteral("2    "), 5);
    p.tara2 = tarvik::MaskedDigits::of(QStringLiteral("500  "), 5);
    p.bar1 = QStringLiteral("482CCCCCWWWWW");
    p.bar2 = QStringLiteral("29WWWWW");
    p.barType1 = 14;
    p.barType2 = 22;
    p.barSummCheckMetod1 = 1;
    p.barCheck1 = true;
    p.barCheck2 = false;
    p.sumEtic = tarvik::MaskedDigits::of(QStringLiteral("30"), 5);
    p.kilGolovok = tarvik::MaskedDigits::of(QStringLiteral("1"), 5);
    p.numBox = tarvik::MaskedDigits::of(QStringLiteral("123456789012345"), 15);
    p.weightZero = tarvik::MaskedDigits::of(QStringLiteral("10"), 5);
    p.nameWeight = QStringLiteral("Ваги №1");
    p.comPort = 2;
    p.typeScale = 3;
    SaveSettings(ini, p);
    EXPECT_EQ(readAll(ini), cp(QStringLiteral(
                                "[Printer_USE]\r\nPrinter_1=2\r\nPrinter_2=1\r\n"
                                "[Tovar]\r\nTovar_1=4\r\nTovar_2=5\r\nTara_1=2    \r\nTara_2=500  \r\n"
                                "Bar_1=482CCCCCWWWWW\r\nBar_2=29WWWWW\r\nBar_Type_1=14\r\nBar_Type_2=22\r\n"
                                "Bar_SummCheckMetod_1=1\r\nBar_SummCheckMetod_2=0\r\nBar_Check_1=-1\r\nBar_Check_2=0\r\n"
                                "[Prog]\r\nSum_etic=30   \r\nKil_golovok=1    \r\nNum_Box=123456789012345\r\nWeight_Zero=10   \r\n"
                                "Name_Weight=Ваги №1\r\nCom_port=2\r\nType_Scale=3\r\n")));
    ProgSettings back;
    LoadSettings(ini, back);
    ProgSettings expected = p;
    // The file's blanks around a value are not kept; a masked field gets them back.
    EXPECT_EQ(back.tara1.text(), QStringLiteral("2    "));
    expected.comPort = 0;
    expected.typeScale = 0;
    EXPECT_EQ(back, expected);

    StartupSettings s;
    LoadStartupSettings(ini, s);
    EXPECT_EQ(s.comPort, 2);
    EXPECT_EQ(s.typeScale, 3);
}

TEST_F(SettingsFiles, SavingKeepsHandWrittenKeysAndComments)
{
    const QByteArray hand = cp(QStringLiteral("; лінія 3\r\n[Timer]\r\ninterval = 250\r\n\r\n"
                                              "[Weigth]\r\nKG_1=100\r\nKG_Num_Sim_1=3\r\n\r\n"
                                              "[prog]\r\nname_weight=Стара\r\nExtra=keep\r\n\r\n"
                                              "[Database]\r\nPath=dbhost:/srv/line/DATABASE/VELM.GDB\r\n"));
    writeAll(ini, hand);
    ProgSettings p;
    p.nameWeight = QStringLiteral("Нова");
    SaveSettings(ini, p);
    const QByteArray after = readAll(ini);
    EXPECT_TRUE(after.startsWith(cp(QStringLiteral("; лінія 3\r\n[Timer]\r\ninterval = 250\r\n\r\n"
                                                   "[Weigth]\r\nKG_1=100\r\nKG_Num_Sim_1=3\r\n\r\n"
                                                   "[prog]\r\nname_weight=Нова\r\nExtra=keep\r\n"))))
        << after.toStdString();
    EXPECT_TRUE(after.contains("[Database]\r\nPath=dbhost:/srv/line/DATABASE/VELM.GDB\r\n"));
    StartupSettings s;
    LoadStartupSettings(ini, s);
    EXPECT_EQ(s.interval, 250);
    EXPECT_EQ(s.kg1, QStringLiteral("100"));
    EXPECT_EQ(s.kgNumSim1, QStringLiteral("3"));
    EXPECT_EQ(LoadDatabaseSettings(ini).path, QStringLiteral("dbhost:/srv/line/DATABASE/VELM.GDB"));
}

TEST_F(SettingsFiles, SaveRefusesUnencodableTextAndLeavesTheFile)
{
    const QByteArray before = "[Prog]\r\nName_Weight=Old\r\n";
    writeAll(ini, before);
    ProgSettings p;
    p.bar1 = QStringLiteral("482€ok");  // the euro sign exists in the code page
    p.nameWeight = QStringLiteral("ваги ✓");
    EXPECT_THROW(SaveSettings(ini, p), tarvik::Error);
    EXPECT_EQ(readAll(ini), before);
}

TEST_F(SettingsFiles, FlagForms)
{
    const struct {
        const char* stored;
        bool ticked;
    } cases[] = {{"-1", true}, {"1", true}, {"true", true}, {"TRUE", true}, {"0", false}, {"false", false}};
    for (const auto& c : cases) {
        writeAll(ini, QByteArray("[Tovar]\r\nBar_Check_1=") + c.stored + "\r\n");
        ProgSettings p;
        p.barCheck1 = !c.ticked;
        LoadSettings(ini, p);
        EXPECT_EQ(p.barCheck1, c.ticked) << c.stored;
    }
    ProgSettings p;
    p.barCheck1 = true;
    SaveSettings(ini, p);
    EXPECT_TRUE(readAll(ini).contains("Bar_Check_1=-1\r\n"));
}

TEST_F(SettingsFiles, ConversionFailureStopsAtItsKey)
{
    // Bar_Type_2 fails: the keys before it are read, those after it untouched.
    writeAll(ini, "[Printer_USE]\r\nPrinter_1=3\r\n[Tovar]\r\nTovar_2=2\r\nBar_Type_1=14\r\nBar_Type_2=1x\r\n"
                  "Bar_SummCheckMetod_1=1\r\nTara_1=77\r\n[Prog]\r\nName_Weight=New\r\n");
    ProgSettings p;
    p.barType2 = 9;
    p.barSummCheckMetod1 = 5;
    p.tara1 = tarvik::MaskedDigits::of(QStringLiteral("7"), 5);
    p.nameWeight = QStringLiteral("old");
    try {
        LoadSettings(ini, p);
        FAIL() << "no error";
    } catch (const tarvik::ConvertError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("Setting_Prog.ini, [Tovar] Bar_Type_2: '1x' is not a valid integer value"));
    }
    EXPECT_EQ(p.printer1, 3);
    EXPECT_EQ(p.tovar2, 2);
    EXPECT_EQ(p.barType1, 14);
    EXPECT_EQ(p.barType2, 9);
    EXPECT_EQ(p.barSummCheckMetod1, 5);
    EXPECT_EQ(p.tara1.text(), QStringLiteral("7    "));
    EXPECT_EQ(p.nameWeight, QStringLiteral("old"));

    // A bad flag stops the same way, with the flag's message.
    writeAll(ini, "[Tovar]\r\nBar_Check_1=yes\r\nTara_1=5\r\n");
    ProgSettings q;
    q.tara1 = tarvik::MaskedDigits::of(QStringLiteral("7"), 5);
    EXPECT_THROW(LoadSettings(ini, q), tarvik::ConvertError);
    EXPECT_EQ(q.tara1.text(), QStringLiteral("7    "));

    // An empty interval is not a number; the port after it keeps its value.
    writeAll(ini, "[Timer]\r\ninterval=\r\n[Prog]\r\nCom_port=3\r\n");
    StartupSettings s;
    s.comPort = 1;
    try {
        LoadStartupSettings(ini, s);
        FAIL() << "no error";
    } catch (const tarvik::ConvertError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("Setting_Prog.ini, [Timer] interval: '' is not a valid integer value"));
    }
    EXPECT_EQ(s.comPort, 1);
}

// A value its control cannot hold is refused at its key, naming the key and
// the control; nothing is cut or dropped to make it fit.
struct RefusedCase {
    const char* line;     // the key line in its section
    const char* section;
    const char* named;    // what the error names
    const char* control;
};

class RefusedValue : public SettingsFiles, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedValue, StopsTheLoadAtItsKeyNamingIt)
{
    const RefusedCase& c = GetParam();
    writeAll(ini, cp(QStringLiteral("[%1]\r\n%2\r\n").arg(QString::fromUtf8(c.section), QString::fromUtf8(c.line))));
    ProgSettings p;
    p.tara1 = tarvik::MaskedDigits::of(QStringLiteral("7"), 5);
    p.nameWeight = QStringLiteral("before");
    const ProgSettings before = p;
    const QString value = QString::fromUtf8(c.line).section(u'=', 1);
    try {
        LoadSettings(ini, p);
        FAIL() << "accepted " << c.line;
    } catch (const tarvik::Error& e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("Setting_Prog.ini, ") + QString::fromUtf8(c.named) + u':'))
            << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(u'"' + value + u'"')) << e.text().toStdString();
        EXPECT_TRUE(e.text().contains(QStringLiteral("(%1)").arg(QString::fromUtf8(c.control)))) << e.text().toStdString();
    }
    // The refused key and the texts after it keep their values: nothing was
    // cut or dropped to fit, and the file is as it was.
    // The weight limits are read after every other key, so only they can keep theirs.
    const bool limit = QByteArray(c.named).contains("Net_M");
    if (!limit)
        EXPECT_EQ(p.nameWeight, before.nameWeight);
    EXPECT_EQ(p.netMin1, before.netMin1);
    EXPECT_EQ(p.netMax1, before.netMax1);
    if (QByteArray(c.named) == "[Tovar] Tara_1")
        EXPECT_EQ(p.tara1, before.tara1);
    EXPECT_EQ(readAll(ini), cp(QStringLiteral("[%1]\r\n%2\r\n").arg(QString::fromUtf8(c.section), QString::fromUtf8(c.line))));
}

INSTANTIATE_TEST_SUITE_P(
    OneRowPerKey, RefusedValue,
    ::testing::Values(
        RefusedCase{"Tara_1=1.5", "Tovar", "[Tovar] Tara_1", "Edit1"},
        RefusedCase{"Tara_2=1,5", "Tovar", "[Tovar] Tara_2", "Edit2"},
        RefusedCase{"Bar_1=(01)0482000CCCCCC(3103){net:3}(15){expiry}(10){batch}(21)123456789012345678901234", "Tovar", "[Tovar] Bar_1", "Edit5"},
        RefusedCase{"Bar_2=01234567890123456789012345678901234567890123456789012345678901234567890123456789X", "Tovar", "[Tovar] Bar_2", "Edit6"},
        RefusedCase{"Sum_etic=123456", "Prog", "[Prog] Sum_etic", "Edit3"},
        RefusedCase{"Kil_golovok=-3", "Prog", "[Prog] Kil_golovok", "Edit4"},
        RefusedCase{"Num_Box=1234567890123456", "Prog", "[Prog] Num_Box", "NumBox"},
        RefusedCase{"Weight_Zero=1,5", "Prog", "[Prog] Weight_Zero", "EditZero"},
        RefusedCase{"Name_Weight=Ваги_номер1", "Prog", "[Prog] Name_Weight", "EditV"},
        RefusedCase{"Net_Min_1=1,5", "Tovar", "[Tovar] Net_Min_1", "EditMin1"},
        RefusedCase{"Net_Max_1=1234567", "Tovar", "[Tovar] Net_Max_1", "EditMax1"}),
    [](const ::testing::TestParamInfo<RefusedCase>& i) {
        return QString::fromUtf8(i.param.named).section(u' ', 1).toStdString();
    });

// Start-up values out of bounds are read whole, then refused in one message
// that names every bad key.
TEST_F(SettingsFiles, StartUpValuesOutOfBoundsAreRefusedNamingEveryKey)
{
    struct Row {
        const char* lines;
        const char* error;  // nullptr: accepted
    } rows[] = {
        {"[Timer]\r\ninterval=20\r\n[Weigth]\r\nWeigth_Num_Sim_1=10\r\nKG_1=0.5\r\n", nullptr},
        {"[Timer]\r\ninterval=3600000\r\n", nullptr},
        {"[Timer]\r\ninterval=-5\r\n",
         "Setting_Prog.ini: [Timer] interval: інтервал опитування ваг має бути від 1 до 3600000 мс, а не -5"},
        {"[Timer]\r\ninterval=3600001\r\n",
         "Setting_Prog.ini: [Timer] interval: інтервал опитування ваг має бути від 1 до 3600000 мс, а не 3600001"},
        {"[Weigth]\r\nWeigth_Num_Sim_1=1000000000\r\n",
         "Setting_Prog.ini: [Weigth] Weigth_Num_Sim_1: кількість знаків після коми має бути цілим числом від 0 до 10, "
         "а не \"1000000000\""},
        {"[Timer]\r\ninterval=0\r\n[Weigth]\r\nNetto_2=0\r\nTara_Num_Sim_2=x\r\n",
         "Setting_Prog.ini: [Timer] interval: інтервал опитування ваг має бути від 1 до 3600000 мс, а не 0; "
         "[Weigth] Netto_2: дільник має бути числом, більшим за 0, а не \"0\"; "
         "[Weigth] Tara_Num_Sim_2: кількість знаків після коми має бути цілим числом від 0 до 10, а не \"x\""},
        {"[Prog]\r\nCom_port=two\r\n", "Setting_Prog.ini, [Prog] Com_port: 'two' is not a valid integer value"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.lines);
        writeAll(ini, r.lines);
        StartupSettings s;
        if (!r.error) {
            EXPECT_NO_THROW(LoadStartupSettings(ini, s));
            continue;
        }
        try {
            LoadStartupSettings(ini, s);
            ADD_FAILURE() << "accepted";
        } catch (const tarvik::Error& e) {
            EXPECT_EQ(e.text(), QString::fromUtf8(r.error));
        }
    }
}

TEST_F(SettingsFiles, ValuesThatFitTheirControlsAreKeptAsTyped)
{
    // Blanks inside a masked field, a full field and a text at its limit all fit.
    writeAll(ini, cp(QStringLiteral("[Tovar]\r\nTara_1=1 5\r\nTara_2=99999\r\nBar_1=%1\r\n"
                                    "[Prog]\r\nNum_Box=123456789012345\r\nName_Weight=Ваги_номер\r\n")
                         .arg(QString(kBarcodeTemplateLength, u'W'))));
    ProgSettings p;
    LoadSettings(ini, p);
    EXPECT_EQ(p.tara1.text(), QStringLiteral("1 5  "));
    EXPECT_EQ(p.tara2.text(), QStringLiteral("99999"));
    EXPECT_EQ(p.bar1.size(), kBarcodeTemplateLength);
    EXPECT_EQ(p.numBox.text(), QStringLiteral("123456789012345"));
    EXPECT_EQ(p.nameWeight, QStringLiteral("Ваги_номер"));
}

TEST_F(SettingsFiles, WeightLimitsAreWrittenOnceSetAndKeptOnceThere)
{
    // Not set and not in the file: the file stays as the dialog always wrote it.
    ProgSettings p;
    SaveSettings(ini, p);
    EXPECT_FALSE(readAll(ini).contains("Net_M"));
    p.netMin1 = tarvik::MaskedDigits::of(QStringLiteral("500"), 6);
    p.netMax1 = tarvik::MaskedDigits::of(QStringLiteral("1000"), 6);
    SaveSettings(ini, p);
    ProgSettings back;
    LoadSettings(ini, back);
    EXPECT_EQ(back.netMin1.trimmed(), QStringLiteral("500"));
    EXPECT_EQ(back.netMax1.trimmed(), QStringLiteral("1000"));
    EXPECT_EQ(back, p);
    // Cleared: written blank, so the old limit cannot come back from the file.
    p.netMin1 = tarvik::MaskedDigits(6);
    SaveSettings(ini, p);
    EXPECT_TRUE(readAll(ini).contains("Net_Min_1=      \r\n")) << readAll(ini).toStdString();
    LoadSettings(ini, back);
    EXPECT_TRUE(back.netMin1.trimmed().isEmpty());
    EXPECT_EQ(back.netMax1.trimmed(), QStringLiteral("1000"));
}

TEST_F(SettingsFiles, ListPositionsOutsideTheirListBecomeNoSelection)
{
    EXPECT_EQ(clampListPosition(0, 3), 0);
    EXPECT_EQ(clampListPosition(2, 3), 2);
    EXPECT_EQ(clampListPosition(3, 3), -1);
    EXPECT_EQ(clampListPosition(0, 0), -1);
    EXPECT_EQ(clampListPosition(-1, 3), -1);
    EXPECT_EQ(clampListPosition(-7, 3), -1);
}

TEST_F(SettingsFiles, DatabaseSectionIsOptionalAndNeverWritten)
{
    EXPECT_EQ(LoadDatabaseSettings(ini), DatabaseSettings{});
    EXPECT_TRUE(LoadDatabaseSettings(ini).path.isEmpty());
    writeAll(ini, "[database]\r\npath = 10.0.0.5/3050:/srv/VELM.GDB\r\nUSER=station\r\nPassword=pw\r\n");
    const DatabaseSettings d = LoadDatabaseSettings(ini);
    EXPECT_EQ(d.path, QStringLiteral("10.0.0.5/3050:/srv/VELM.GDB"));
    EXPECT_EQ(d.user, QStringLiteral("station"));
    EXPECT_EQ(d.password, QStringLiteral("pw"));
    SaveSettings(ini, ProgSettings{});
    EXPECT_EQ(LoadDatabaseSettings(ini), d);
    const QByteArray after = readAll(ini);
    EXPECT_EQ(after.count("Path"), 0);
    EXPECT_EQ(after.count("path"), 1);
}

class LayoutFiles : public SettingsFiles {
protected:
    QString layout = dir.filePath(QString::fromLatin1(kLayoutFileName1));
};

TEST_F(LayoutFiles, FreshLinesHaveTheNamesAndValuesOfANewLabel)
{
    const QStringList lines = freshLayoutLines(1);
    ASSERT_EQ(lines.size(), 18);
    EXPECT_EQ(lines[0], QStringLiteral("Ширина етикетки=50"));
    EXPECT_EQ(lines[1], QStringLiteral("Висота етикетки=80"));
    EXPECT_EQ(lines[4], QStringLiteral("Х заголовка=8"));
    EXPECT_EQ(lines[4][0].unicode(), 0x0425);  // Cyrillic Ha
    EXPECT_EQ(lines[8][0].unicode(), u'X');    // Latin X
    EXPECT_EQ(lines[12][0].unicode(), u'X');
    EXPECT_EQ(lines[16][0].unicode(), u'X');
    EXPECT_EQ(lines[17], QStringLiteral("Y штрихкоду=30"));
    EXPECT_EQ(freshLayoutLines(2), lines);
}

TEST_F(LayoutFiles, AMissingFileKeepsTheFreshValuesAndWritesThem)
{
    QStringList lines = freshLayoutLines(1);
    EXPECT_EQ(LoadLayoutFile(layout, lines), LayoutLoad::WroteFresh);
    EXPECT_EQ(lines, freshLayoutLines(1));
    const QByteArray file = readAll(layout);
    const QByteArray head = QByteArray("[count]\r\ncount=18\r\n[0]\r\n0=") + cp(QStringLiteral("Ширина етикетки=50\r\n"));
    EXPECT_TRUE(file.startsWith(head));
    EXPECT_TRUE(file.contains(cp(QStringLiteral("[4]\r\n4=Х заголовка=8\r\n"))));
    EXPECT_TRUE(file.endsWith(cp(QStringLiteral("[17]\r\n17=Y штрихкоду=30\r\n"))));
    QStringList again(18, QString());
    EXPECT_EQ(LoadLayoutFile(layout, again), LayoutLoad::Read);
    EXPECT_EQ(again, freshLayoutLines(1));
}

TEST_F(LayoutFiles, SaveAndLoadRoundTripAndCountDecidesHowManyLinesAreRead)
{
    QStringList lines = freshLayoutLines(2);
    lines[0] = QStringLiteral("Ширина етикетки=58");
    SaveLayoutFile(layout, lines);
    QStringList back = freshLayoutLines(2);
    LoadLayoutFile(layout, back);
    EXPECT_EQ(back, lines);

    // A count of 3 replaces only the first three lines; missing ones read empty.
    writeAll(layout, cp(QStringLiteral("[count]\r\ncount=3\r\n[0]\r\n0=Ширина етикетки=60\r\n[2]\r\n2=x=1\r\n")));
    QStringList part = freshLayoutLines(1);
    LoadLayoutFile(layout, part);
    EXPECT_EQ(part[0], QStringLiteral("Ширина етикетки=60"));
    EXPECT_EQ(part[1], QString());
    EXPECT_EQ(part[2], QStringLiteral("x=1"));
    EXPECT_EQ(part[3], freshLayoutLines(1)[3]);

    writeAll(layout, "[count]\r\ncount=eighteen\r\n");
    QStringList bad = freshLayoutLines(1);
    EXPECT_THROW(LoadLayoutFile(layout, bad), tarvik::ConvertError);
    EXPECT_EQ(bad, freshLayoutLines(1));
}

TEST_F(LayoutFiles, AFileWithoutCountKeepsTheListAndIsNotOverwritten)
{
    const QByteArray hand = "[0]\r\n0=odd\r\n";
    writeAll(layout, hand);
    QStringList lines = freshLayoutLines(1);
    EXPECT_EQ(LoadLayoutFile(layout, lines), LayoutLoad::KeptNoCount);
    EXPECT_EQ(lines, freshLayoutLines(1));
    EXPECT_EQ(readAll(layout), hand);
}
