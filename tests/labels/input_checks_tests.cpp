// The checks of what the station reads before a label run: pictures, template
// files, the settings a run needs, and the barcode content's error text.

#include "labels/input_checks.h"
#include "platform/text/error.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

#include <cstring>

using namespace tarvik;
using namespace tarvik::labels;

namespace {

// A real BMP written by Qt, with its header fields then changed by hand.
QByteArray bmp(int width = 40, int height = 20)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    for (int x = 0; x < width; x += 2)
        for (int y = 0; y < height; ++y)
            image.setPixel(x, y, qRgb(255, 255, 255));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

void put32(QByteArray& b, int at, qint32 v)
{
    v = qToLittleEndian(v);
    std::memcpy(b.data() + at, &v, 4);
}

void put16(QByteArray& b, int at, quint16 v)
{
    v = qToLittleEndian(v);
    std::memcpy(b.data() + at, &v, 2);
}

struct PictureCase {
    const char* name;
    QByteArray bytes;
    const char* error;  // a part of the message; nullptr: the picture is read
};

std::vector<PictureCase> pictureCases()
{
    auto with = [](auto change) {
        QByteArray b = bmp();
        change(b);
        return b;
    };
    return {
        {"a sound picture", bmp(), nullptr},
        {"stored top row first", with([](QByteArray& b) { put32(b, 22, -20); }), nullptr},
        {"100000 x 100000", with([](QByteArray& b) { put32(b, 18, 100000), put32(b, 22, 100000); }), "завеликий"},
        {"10001 pixels wide", with([](QByteArray& b) { put32(b, 18, 10001); }), "завеликий"},
        {"height -100000", with([](QByteArray& b) { put32(b, 22, -100000); }), "завеликий"},
        {"the lowest height", with([](QByteArray& b) { put32(b, 22, INT32_MIN); }), "завеликий"},
        {"width 0", with([](QByteArray& b) { put32(b, 18, 0); }), "неможливий"},
        {"width -5", with([](QByteArray& b) { put32(b, 18, -5); }), "неможливий"},
        {"height 0", with([](QByteArray& b) { put32(b, 22, 0); }), "неможливий"},
        {"cut in its pixels", bmp().left(200), "обрізаний"},
        {"cut in its header", bmp().left(30), "заголовок обрізаний"},
        {"cut in the file header", bmp().left(10), "обрізаний"},
        {"7 bits a pixel", with([](QByteArray& b) { put16(b, 28, 7); }), "біт на піксель"},
        {"pixels beyond the end", with([](QByteArray& b) { put32(b, 10, 1 << 30); }), "за межами файлу"},
        {"an unknown header", with([](QByteArray& b) { put32(b, 14, 1000); }), "невідомий заголовок"},
        {"no picture at all", QByteArray("hello, this is text"), "пошкоджений"},
        {"empty", QByteArray(), "пошкоджений"},
    };
}

TEST(Pictures, EachIsReadOrRefusedNamingTheFile)
{
    QTemporaryDir dir;
    for (const PictureCase& c : pictureCases()) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QStringLiteral("Barcod_2.bmp"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.bytes);
        f.close();
        if (!c.error) {
            const QImage picture = readPicture(path);
            EXPECT_EQ(picture.size(), QSize(40, 20));
            // The first column white, the second black, whichever way the rows are stored.
            EXPECT_EQ(picture.pixel(0, 0), qRgb(255, 255, 255));
            EXPECT_EQ(picture.pixel(1, 19), qRgb(0, 0, 0));
            continue;
        }
        try {
            readPicture(path);
            ADD_FAILURE() << "read";
        } catch (const Error& e) {
            EXPECT_TRUE(e.text().startsWith(QStringLiteral("Не вдалося прочитати малюнок \"%1\": ").arg(path)))
                << e.text().toStdString();
            EXPECT_TRUE(e.text().contains(QString::fromUtf8(c.error))) << e.text().toStdString();
        }
    }
}

TEST(Pictures, AMissingFileIsNamed)
{
    EXPECT_THROW(
        {
            try {
                readPicture(QStringLiteral("/nonexistent/Barcod.bmp"));
            } catch (const Error& e) {
                EXPECT_TRUE(e.text().contains(QStringLiteral("\"/nonexistent/Barcod.bmp\""))) << e.text().toStdString();
                throw;
            }
        },
        Error);
}

TEST(Templates, SizeAndPlaceholdersHaveBounds)
{
    QTemporaryDir dir;
    struct Row {
        const char* name;
        QByteArray bytes;
        const char* error;
    } rows[] = {
        {"a template", "{\\rtf1 $name $weight\\par}", nullptr},
        {"at the byte limit", QByteArray(kMaxTemplateBytes, 'a'), nullptr},
        {"a byte beyond", QByteArray(kMaxTemplateBytes + 1, 'a'), "завеликий"},
        {"at the placeholder limit", QByteArray("$name").repeated(kMaxTemplateDollars), nullptr},
        {"a placeholder beyond", QByteArray("$name").repeated(kMaxTemplateDollars + 1), "забагато знаків"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const QString path = dir.filePath(QStringLiteral("Body_1.rtf"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(r.bytes);
        f.close();
        if (!r.error) {
            EXPECT_NO_THROW(checkTemplateFile(path));
            continue;
        }
        try {
            checkTemplateFile(path);
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_TRUE(e.text().contains(path)) << e.text().toStdString();
            EXPECT_TRUE(e.text().contains(QString::fromUtf8(r.error))) << e.text().toStdString();
        }
    }
    try {
        checkTemplateFile(dir.filePath(QStringLiteral("Head_1.rtf")));
        ADD_FAILURE() << "a missing template accepted";
    } catch (const Error& e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("Cannot open file \"%1\"").arg(dir.filePath(QStringLiteral("Head_1.rtf")))));
    }
}

// Settings a station can label with.
data::ProgSettings complete()
{
    data::ProgSettings s;
    s.tara1 = MaskedDigits::of(QStringLiteral("4"), 5);
    s.tara2 = MaskedDigits::of(QStringLiteral("250"), 5);
    s.sumEtic = MaskedDigits::of(QStringLiteral("3"), 5);
    s.kilGolovok = MaskedDigits::of(QStringLiteral("2"), 5);
    s.bar1 = QStringLiteral("20CCCCCWWWWW");
    s.bar2 = QStringLiteral("21CCCCCWWWWWW");
    return s;
}

TEST(StationSettings, AFreshStationHearsEveryMissingSettingAtOnce)
{
    const QStringList problems = stationSettingsProblems(data::ProgSettings{}, data::StartupSettings{}, 2);
    const QStringList expected = {
        QStringLiteral("Tara_1 (поле \"Тара , гр.\" етикетки 1): не заповнено"),
        QStringLiteral("Tara_2 (поле \"Тара , гр.\" етикетки 2): не заповнено"),
        QStringLiteral("Sum_etic (поле \"Друкувати сумарну етикетку кожні\"): не заповнено"),
        QStringLiteral("Kil_golovok (поле \"Кількість головок, шт.\"): не заповнено"),
        QStringLiteral("Bar_1 (поле \"Штрих код\" етикетки 1): не заповнено"),
        QStringLiteral("Bar_2 (поле \"Штрих код\" етикетки 2): не заповнено"),
    };
    EXPECT_EQ(problems, expected);
    const auto message = stationSettingsMessage(problems);
    ASSERT_TRUE(message);
    for (const QString& p : expected)
        EXPECT_TRUE(message->contains(p));
    EXPECT_FALSE(stationSettingsMessage({}));
    EXPECT_EQ(stationSettingsProblems(complete(), data::StartupSettings{}, 2), QStringList{});
}

TEST(StationSettings, EachBadValueIsNamed)
{
    struct Row {
        const char* name;
        void (*change)(data::ProgSettings&, data::StartupSettings&);
        const char* problem;
    } rows[] = {
        {"no loads per box", [](auto& s, auto&) { s.sumEtic = MaskedDigits::of(QStringLiteral("0"), 5); },
         "Sum_etic (поле \"Друкувати сумарну етикетку кожні\"): має бути більше 0, а не 0"},
        {"blanks inside a tare", [](auto& s, auto&) { s.tara1 = MaskedDigits::of(QStringLiteral("1 5"), 5); },
         "Tara_1 (поле \"Тара , гр.\" етикетки 1): \"1 5\" не є числом"},
        {"no zero threshold", [](auto& s, auto&) { s.weightZero = MaskedDigits(5); },
         "Weight_Zero (поле \"Вага \"0\"\"): не заповнено"},
        {"seven W", [](auto& s, auto&) { s.bar1 = QStringLiteral("2WWWWWWW"); },
         "Bar_1 (поле \"Штрих код\" етикетки 1): 7 знаків \"W\", а вага дає не більше 6 цифр"},
        {"ten C", [](auto& s, auto&) { s.bar2 = QStringLiteral("CCCCCCCCCCW"); },
         "Bar_2 (поле \"Штрих код\" етикетки 2): 10 знаків \"C\", а код товару дає не більше 9 цифр"},
        {"no product", [](auto& s, auto&) { s.tovar2 = -1; }, "Tovar_2 (поле \"Товар\" етикетки 2): товар не вибрано"},
        {"a product beyond the catalogue", [](auto& s, auto&) { s.tovar1 = 2; },
         "Tovar_1 (поле \"Товар\" етикетки 1): позиції 3 немає в каталозі з 2 товарів"},
        {"interval -5", [](auto&, auto& t) { t.interval = -5; },
         "[Timer] interval: інтервал опитування ваг має бути від 1 до 3600000 мс, а не -5"},
        {"interval 0", [](auto&, auto& t) { t.interval = 0; },
         "[Timer] interval: інтервал опитування ваг має бути від 1 до 3600000 мс, а не 0"},
        {"a billion digits", [](auto&, auto& t) { t.weigthNumSim1 = QStringLiteral("1000000000"); },
         "[Weigth] Weigth_Num_Sim_1: кількість знаків після коми має бути цілим числом від 0 до 10, а не \"1000000000\""},
        {"negative digits", [](auto&, auto& t) { t.kgNumSim2 = QStringLiteral("-1"); },
         "[Weigth] KG_Num_Sim_2: кількість знаків після коми має бути цілим числом від 0 до 10, а не \"-1\""},
        {"digits not a number", [](auto&, auto& t) { t.nettoNumSim1 = QStringLiteral("two"); },
         "[Weigth] Netto_Num_Sim_1: кількість знаків після коми має бути цілим числом від 0 до 10, а не \"two\""},
        {"a zero divisor", [](auto&, auto& t) { t.tara2 = QStringLiteral("0"); },
         "[Weigth] Tara_2: дільник має бути числом, більшим за 0, а не \"0\""},
        {"an empty divisor", [](auto&, auto& t) { t.kg1 = QString(); },
         "[Weigth] KG_1: дільник має бути числом, більшим за 0, а не \"\""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        data::ProgSettings s = complete();
        data::StartupSettings t;
        r.change(s, t);
        EXPECT_EQ(stationSettingsProblems(s, t, 2), QStringList{QString::fromUtf8(r.problem)});
    }
    // Ten digits and a divisor with a decimal point are within bounds.
    data::StartupSettings t;
    t.weigthNumSim2 = QStringLiteral("10");
    t.netto1 = QStringLiteral("0.5");
    t.interval = data::kMaxPollInterval;
    EXPECT_EQ(stationSettingsProblems(complete(), t, 2), QStringList{});
    // No catalogue: the products are the run's to refuse, with its own words.
    data::ProgSettings s = complete();
    s.tovar1 = -1;
    EXPECT_EQ(stationSettingsProblems(s, t, 0), QStringList{});
}

TEST(BarcodeContent, TheRangeErrorNamesTheFieldAndWhatDoesNotFit)
{
    struct Row {
        int label;
        const char* templ;
        const char* weight;
        const char* code;
        const char* expected;
    } rows[] = {
        {1, "20CCCCCWWWWW", "1230", "15", nullptr},
        {1, "2WWWWWWW", "1230", "15",
         "Поле \"Штрих код\" етикетки 1 (\"2WWWWWWW\"): Range check error — 7 знаків \"W\", а вага дає не більше 6 цифр"},
        {2, "21CCCCCWWWWW", "1230", "",
         "Поле \"Штрих код\" етикетки 2 (\"21CCCCCWWWWW\"): Range check error — у товару \"Сир\" немає штрихкоду для знаків \"C\""},
        {1, "20CCCCCWWWWW", "1234567", "15",
         "Поле \"Штрих код\" етикетки 1 (\"20CCCCCWWWWW\"): вага \"1234567\" довша за 6 знаків штрихкоду"},
        {2, "21CCCCCWWWWW", "1230", "1234567890",
         "Поле \"Штрих код\" етикетки 2 (\"21CCCCCWWWWW\"): штрихкод товару \"Сир\" (1234567890) довший за 9 знаків"},
        {1, "20WWWWW", "", "15",
         "Поле \"Штрих код\" етикетки 1 (\"20WWWWW\"): Range check error — вага \"\" не вміщується у знаки \"W\""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.templ);
        const auto build = [&] {
            return labelBarcodeContent(r.label, QString::fromLatin1(r.templ), QString::fromLatin1(r.weight),
                                       QStringLiteral("Сир"), QString::fromLatin1(r.code), {});
        };
        if (!r.expected) {
            EXPECT_EQ(build(), QStringLiteral("200001501230"));
            continue;
        }
        try {
            build();
            ADD_FAILURE() << "built";
        } catch (const Error& e) {
            EXPECT_EQ(e.text(), QString::fromUtf8(r.expected));
        }
    }
}

}  // namespace
