#include "platform/ini/ini_file.h"
#include "platform/text/codec.h"
#include "platform/text/currency.h"
#include "platform/text/error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using tarvik::ini::IniDocument;

namespace {

QByteArray cp(const QString& s)
{
    return tarvik::text::toCp1251(s);
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& b)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(b);
}

}  // namespace

TEST(IniDocument, MatchesSectionsAndKeysWithoutCaseAndTrimsValues)
{
    const IniDocument doc = IniDocument::fromBytes(cp(QStringLiteral(
        "; comment=ignored\r\n[Tovar]\r\n  Bar_1 =  482CCCCC  \r\nНазва=Молоко\r\n[Пункт]\r\nключ=Значення\r\n")));
    const struct {
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {"tovar", "BAR_1", "482CCCCC"},
        {"TOVAR", "bar_1", "482CCCCC"},
        {"Tovar", "назва", "Молоко"},
        {"пункт", "КЛЮЧ", "Значення"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(doc.value(QString::fromUtf8(c.section), QString::fromUtf8(c.key)), QString::fromUtf8(c.expected))
            << c.section << "/" << c.key;
    EXPECT_FALSE(doc.value(QStringLiteral("Tovar"), QStringLiteral("Bar_2")));
    EXPECT_FALSE(doc.value(QStringLiteral("Prog"), QStringLiteral("Bar_1")));
    EXPECT_FALSE(doc.value(QStringLiteral("Tovar"), QStringLiteral("; comment")));
    EXPECT_EQ(doc.readString(QStringLiteral("Prog"), QStringLiteral("x"), QStringLiteral("dflt")), QStringLiteral("dflt"));
}

// A document read key by key between its writes finds what a fresh reading of
// its bytes finds, also where a write turns a key line into a section header.
TEST(IniDocument, LookupsBetweenWritesAgreeWithAFreshReading)
{
    IniDocument doc =
        IniDocument::fromBytes("; c=1\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n[bad\r\n[a]\r\nz=3\r\nlast=4");
    const struct {
        const char *section, *key, *value;
        bool readsBack = true;
    } writes[] = {
        {"a", "X", "10"},              // in place, other case
        {"B", "new", "n"},             // appended to its section
        {"A", "added", "5"},           // after the section's last key, above its blank line
        {"C", "k", "v"},               // a new section at the end
        {"B", "[odd", "1"},            // a key, for it has no ']'
        {"B", "[odd", "x]", false},    // in place: "[odd=x]" reads as a header from now on
        {"odd=x", "q", "7"},           // ...which the next write finds
        {"a", "last", "44"},           // the file's last line
    };
    const char* sections[] = {"A", "a", "B", "C", "odd=x", "bad", "D"};
    const char* keys[] = {"x", "X", "y", "z", "new", "added", "k", "[odd", "q", "last", "c"};
    auto agree = [&](const char* after) {
        const IniDocument fresh = IniDocument::fromBytes(doc.toBytes());
        for (const char* section : sections) {
            const QString sn = QString::fromLatin1(section);
            EXPECT_EQ(doc.hasSection(sn), fresh.hasSection(sn)) << section << " after " << after;
            for (const char* key : keys)
                EXPECT_EQ(doc.value(sn, QString::fromLatin1(key)), fresh.value(sn, QString::fromLatin1(key)))
                    << section << "/" << key << " after " << after;
        }
    };
    agree("nothing");
    for (const auto& w : writes) {
        doc.writeString(QString::fromLatin1(w.section), QString::fromLatin1(w.key), QString::fromLatin1(w.value));
        agree(w.key);
        const auto read = doc.value(QString::fromLatin1(w.section), QString::fromLatin1(w.key));
        EXPECT_EQ(read, w.readsBack ? std::optional(QString::fromLatin1(w.value)) : std::nullopt) << w.key;
    }
    EXPECT_TRUE(doc.hasSection(QStringLiteral("odd=x")));
}

TEST(IniDocument, WritesInPlaceKeepingEverythingElseByteForByte)
{
    const QByteArray before = "; hand-written\r\n[Tovar]\r\nunknown = keep  me \r\nBar_1=old\r\n\r\n[Timer]\r\ninterval=500\r\n";
    IniDocument doc = IniDocument::fromBytes(before);
    doc.writeString(QStringLiteral("TOVAR"), QStringLiteral("bar_1"), QStringLiteral("new"));
    EXPECT_EQ(doc.toBytes(),
              QByteArray("; hand-written\r\n[Tovar]\r\nunknown = keep  me \r\nBar_1=new\r\n\r\n[Timer]\r\ninterval=500\r\n"));
}

TEST(IniDocument, AppendsNewKeysToTheirSectionAndNewSectionsToTheEnd)
{
    IniDocument doc = IniDocument::fromBytes("[A]\nx=1\n\n[B]\ny=2\n");
    doc.writeString(QStringLiteral("a"), QStringLiteral("z"), QStringLiteral("3"));
    doc.writeString(QStringLiteral("C"), QStringLiteral("w"), QStringLiteral("4"));
    doc.writeString(QStringLiteral("B"), QStringLiteral("v"), QStringLiteral("5"));
    // LF endings of the file are kept for the new lines too.
    EXPECT_EQ(doc.toBytes(), QByteArray("[A]\nx=1\nz=3\n\n[B]\ny=2\nv=5\n[C]\nw=4\n"));
}

TEST(IniDocument, NewFileUsesCrlfAndALastLineWithoutEndingGetsOne)
{
    IniDocument fresh;
    fresh.writeString(QStringLiteral("Prog"), QStringLiteral("Num_Box"), QStringLiteral("1"));
    EXPECT_EQ(fresh.toBytes(), QByteArray("[Prog]\r\nNum_Box=1\r\n"));

    IniDocument open = IniDocument::fromBytes("[Prog]\r\nA=1");
    open.writeString(QStringLiteral("Prog"), QStringLiteral("B"), QStringLiteral("2"));
    EXPECT_EQ(open.toBytes(), QByteArray("[Prog]\r\nA=1\r\nB=2\r\n"));
}

TEST(IniDocument, ValuesWithEqualsSignsAndCyrillicRoundTripInCp1251)
{
    IniDocument doc;
    doc.writeString(QStringLiteral("4"), QStringLiteral("4"), QStringLiteral("Х заголовка=8"));
    EXPECT_EQ(doc.toBytes(), cp(QStringLiteral("[4]\r\n4=Х заголовка=8\r\n")));
    const IniDocument back = IniDocument::fromBytes(doc.toBytes());
    EXPECT_EQ(back.value(QStringLiteral("4"), QStringLiteral("4")), QStringLiteral("Х заголовка=8"));
}

TEST(IniDocument, RefusesUnencodableTextWithoutChangingAnything)
{
    IniDocument doc = IniDocument::fromBytes("[Prog]\r\nName_Weight=Old\r\n");
    EXPECT_THROW(doc.writeString(QStringLiteral("Prog"), QStringLiteral("Name_Weight"), QStringLiteral("ваги ✓")),
                 tarvik::Error);
    EXPECT_THROW(doc.writeString(QStringLiteral("Prog"), QStringLiteral("New"), QString::fromUtf8("漢")), tarvik::Error);
    EXPECT_EQ(doc.toBytes(), QByteArray("[Prog]\r\nName_Weight=Old\r\n"));
}

TEST(IniDocument, MissingFileReadsEmptyAndSaveCreatesIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Setting_Prog.ini"));
    IniDocument doc = IniDocument::load(path);
    EXPECT_FALSE(doc.hasSection(QStringLiteral("Prog")));
    doc.writeString(QStringLiteral("Prog"), QStringLiteral("Weight_Zero"), QStringLiteral("10"));
    doc.save(path);
    EXPECT_EQ(readAll(path), QByteArray("[Prog]\r\nWeight_Zero=10\r\n"));
}

TEST(IniWrite, CrashMidWriteLeavesTheOldFileIntact)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Setting_Prog.ini"));
    const QByteArray old = "[Prog]\r\nNum_Box=7\r\n";
    writeAll(path, old);
    const QByteArray next(4096, 'x');

    // An error thrown mid-write: the old file stays, no temporary file is left.
    struct Crash {};
    EXPECT_THROW(tarvik::ini::writeFileAtomically(path, next, [] { throw Crash{}; }), Crash);
    EXPECT_EQ(readAll(path), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Setting_Prog.ini")});

    // The process dying mid-write: the old file stays too.
    EXPECT_DEATH(tarvik::ini::writeFileAtomically(path, next, [] { std::abort(); }), "");
    EXPECT_EQ(readAll(path), old);

    tarvik::ini::writeFileAtomically(path, next);
    EXPECT_EQ(readAll(path), next);
}

TEST(IniConvert, IntegersAreDigitsWithAnOptionalSign)
{
    const struct {
        const char* text;
        std::optional<int> value;
    } cases[] = {
        {"0", 0}, {"17", 17}, {"-1", -1}, {"+5", 5}, {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},
        {"", std::nullopt}, {"-", std::nullopt}, {"12a", std::nullopt}, {" 1", std::nullopt}, {"1.0", std::nullopt},
        {"$1F", std::nullopt}, {"2147483648", std::nullopt}, {"١٢", std::nullopt},
    };
    for (const auto& c : cases) {
        const QString t = QString::fromUtf8(c.text);
        if (c.value) {
            EXPECT_EQ(textToInt(t), *c.value) << c.text;
        } else {
            try {
                textToInt(t);
                ADD_FAILURE() << "accepted " << c.text;
            } catch (const tarvik::ConvertError& e) {
                EXPECT_EQ(e.text(), QStringLiteral("'%1' is not a valid integer value").arg(t));
            }
        }
    }
}

TEST(IniConvert, FlagsAcceptNumbersAndTrueFalse)
{
    const struct {
        const char* text;
        bool ticked;
    } good[] = {{"-1", true}, {"1", true}, {"7", true}, {"0", false}, {"true", true}, {"TRUE", true},
                {"False", false}, {"false", false}};
    for (const auto& c : good)
        EXPECT_EQ(tarvik::ini::toFlag(QString::fromLatin1(c.text)), c.ticked) << c.text;
    for (const char* bad : {"yes", "", "-1x", "truth"}) {
        try {
            tarvik::ini::toFlag(QString::fromLatin1(bad));
            ADD_FAILURE() << "accepted " << bad;
        } catch (const tarvik::ConvertError& e) {
            EXPECT_EQ(e.text(), QStringLiteral("'%1' is not a valid boolean value").arg(QString::fromLatin1(bad)));
        }
    }
    EXPECT_EQ(tarvik::ini::flagText(true), QStringLiteral("-1"));
    EXPECT_EQ(tarvik::ini::flagText(false), QStringLiteral("0"));
}
