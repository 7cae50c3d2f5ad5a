#include "platform/richtext/document_model.h"
#include "platform/richtext/rich_text.h"
#include "platform/richtext/rtf_reader.h"
#include "platform/text/error.h"

#include <QFile>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace tarvik::richtext;
using namespace tarvik::richtext::testing;

namespace {

QByteArray fixture(const char* name) {
    QFile f(QStringLiteral(TARVIK_SOURCE_DIR "/tests/platform/richtext/fixtures/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "missing fixture " << name;
    return f.readAll();
}

std::vector<Paragraph> read(const QByteArray& rtf) {
    QTextDocument doc;
    readRtf(rtf, doc);
    return describe(doc);
}

const Run* runWith(const Paragraph& p, const QString& text) {
    for (const Run& r : p.runs)
        if (r.text.contains(text))
            return &r;
    return nullptr;
}

const QString kLine = QString(QChar::LineSeparator);

}  // namespace

// What a WordPad-style editor writes: cp1251 escapes, tagged font names,
// \pn bullets continued without \pard, a picture, \uN with a substitute, a NUL after the end.
TEST(RtfReader, ReadsWordPadStyleFile) {
    const auto doc = read(fixture("wordpad_label.rtf"));
    ASSERT_EQ(doc.size(), 5u) << dump(doc).toStdString();

    EXPECT_EQ(doc[0].text(), QString::fromUtf8("Ковбаса «Лікарська»"));
    EXPECT_EQ(doc[0].align, Qt::AlignHCenter);
    ASSERT_EQ(doc[0].runs.size(), 1u);
    EXPECT_TRUE(doc[0].runs[0].bold);
    EXPECT_EQ(doc[0].runs[0].points, 14);
    EXPECT_EQ(doc[0].runs[0].family, "Arial");

    EXPECT_EQ(doc[1].text(), QString::fromUtf8("Вага: $weight кг, ціна $price грн") + kLine +
                                 QString::fromUtf8("Партія:\t$partia"));
    EXPECT_EQ(doc[1].align, Qt::AlignLeft);
    ASSERT_NE(runWith(doc[1], "$weight"), nullptr);
    EXPECT_TRUE(runWith(doc[1], "$weight")->italic);
    EXPECT_FALSE(runWith(doc[1], "$weight")->bold);
    EXPECT_EQ(runWith(doc[1], "$weight")->points, 10);
    EXPECT_EQ(runWith(doc[1], "$price")->colour, QColor(255, 0, 0));
    EXPECT_FALSE(runWith(doc[1], "$partia")->colour.isValid());

    for (int i : {2, 3}) {
        EXPECT_EQ(doc[i].list, 1) << i;
        EXPECT_EQ(doc[i].left, 200) << i;
        EXPECT_EQ(doc[i].first, -200) << i;
    }
    EXPECT_EQ(doc[2].listId, doc[3].listId);
    EXPECT_EQ(doc[2].text(), QString::fromUtf8("Зберігати при 0…+6 °C"));
    EXPECT_EQ(doc[3].text(), QString::fromUtf8("Термін: $exp"));
    EXPECT_TRUE(runWith(doc[3], QString::fromUtf8("Термін"))->underline);
    EXPECT_FALSE(runWith(doc[3], "$exp")->underline);

    EXPECT_EQ(doc[4].text(), QString::fromUtf8("Виробник ТОВ «Тарвік» № 1 старе −5"));
    EXPECT_EQ(doc[4].align, Qt::AlignRight);
    EXPECT_EQ(doc[4].list, 0);
    EXPECT_TRUE(runWith(doc[4], QString::fromUtf8("старе"))->strike);
    EXPECT_FALSE(runWith(doc[4], QString::fromUtf8("Виробник"))->strike);
    EXPECT_EQ(runWith(doc[4], QString::fromUtf8("Виробник"))->family, "Times New Roman");
    EXPECT_EQ(runWith(doc[4], QString::fromUtf8("Виробник"))->colour, QColor(0, 0, 255));
}

// What LibreOffice writes: \uN with \'3f substitutes, styles, \ls lists with
// \listtext, list and page tables, \loch/\hich switches.
TEST(RtfReader, ReadsLibreOfficeFile) {
    const auto doc = read(fixture("libreoffice_label.rtf"));
    ASSERT_EQ(doc.size(), 5u) << dump(doc).toStdString();

    EXPECT_EQ(doc[0].text(), QString::fromUtf8("Ковбаса «Лікарська»"));
    EXPECT_EQ(doc[0].align, Qt::AlignHCenter);
    EXPECT_TRUE(doc[0].runs[0].bold);
    EXPECT_EQ(doc[0].runs[0].points, 14);
    EXPECT_EQ(doc[0].runs[0].family, "Arial");

    EXPECT_EQ(doc[1].text(), QString::fromUtf8("Вага: $weight кг, ціна $price грн") + kLine +
                                 QString::fromUtf8("Партія:\t$partia"));
    EXPECT_TRUE(runWith(doc[1], "$weight")->italic);
    EXPECT_TRUE(runWith(doc[1], QString::fromUtf8("ціна"))->underline);
    EXPECT_FALSE(runWith(doc[1], QString::fromUtf8("Вага"))->underline);
    EXPECT_EQ(runWith(doc[1], "$price")->colour, QColor(255, 0, 0));
    EXPECT_EQ(runWith(doc[1], "$price")->points, 12);
    EXPECT_EQ(doc[1].after, 140);

    EXPECT_EQ(doc[2].list, 1);
    EXPECT_EQ(doc[3].list, 1);
    EXPECT_EQ(doc[2].listId, doc[3].listId);
    EXPECT_EQ(doc[2].left, 709);
    EXPECT_EQ(doc[2].first, -283);
    EXPECT_EQ(doc[2].text(), QString::fromUtf8("Зберігати при 0…+6 °C "));
    EXPECT_EQ(doc[3].text(), QString::fromUtf8("Старий термін: $exp "));
    EXPECT_TRUE(runWith(doc[3], QString::fromUtf8("Старий"))->strike);
    EXPECT_FALSE(runWith(doc[3], "$exp")->strike);

    EXPECT_EQ(doc[4].text(), QString::fromUtf8("Виробник ТОВ “Тарвік”"));
    EXPECT_EQ(doc[4].align, Qt::AlignRight);
    EXPECT_EQ(doc[4].list, 0);
    EXPECT_EQ(doc[4].runs[0].family, "Times New Roman");
}

struct Malformed {
    const char* name;
    QByteArray rtf;
    QString text;  // the displayed text that survives
};

class RtfReaderMalformed : public ::testing::TestWithParam<Malformed> {};

TEST_P(RtfReaderMalformed, KeepsTheTextAroundWhatItCannotRead) {
    QTextDocument doc;
    ASSERT_NO_THROW(readRtf(GetParam().rtf, doc));
    EXPECT_EQ(displayedText(doc), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, RtfReaderMalformed,
    ::testing::Values(
        Malformed{"Empty", "", ""},
        Malformed{"TruncatedInText", "{\\rtf1 abc", "abc"},
        Malformed{"TruncatedInControlWord", "{\\rtf1 abc\\pa", "abc"},
        Malformed{"TruncatedInHexEscape", "{\\rtf1 abc\\'e", "abc"},
        Malformed{"TruncatedInFontTable", "{\\rtf1{\\fonttbl{\\f0\\fcharset204 Ari", ""},
        Malformed{"UnclosedInnerGroups", "{\\rtf1 {\\b a{\\i b", "ab"},
        Malformed{"ExtraClosingBracesEndTheDocument", "{\\rtf1 a}}}b", "a"},
        Malformed{"BadHexEscapeIsText", "{\\rtf1 \\'zz ok}", "zz ok"},
        Malformed{"HugeFontSize", "{\\rtf1 \\fs99999999999999999999999 big}", "big"},
        Malformed{"HugeNegativeUnicode", "{\\rtf1 \\u-99999999999?x}", "x"},
        Malformed{"HugeBinarySkipsToTheEnd", "{\\rtf1 a\\bin99999999999 bcd}", "a"},
        Malformed{"BinaryDataIsNotText", "{\\rtf1 a{\\pict\\bin3 }{x}b}", "ab"},
        Malformed{"HugeSkipCountStopsAtGroupEnd", "{\\rtf1 {\\uc999999\\u1040 abc}d}", QString::fromUtf8("Аd")},
        Malformed{"OverlongControlWord", "{\\rtf1 \\" + QByteArray(10000, 'a') + " text}", "text"},
        Malformed{"UnknownDestinationSkipped", "{\\rtf1 a{\\*\\unknowndest hidden {\\b more}}b}", "ab"},
        Malformed{"UnknownWordKeepsText", "{\\rtf1 a\\frobnicate42 b}", "ab"},
        Malformed{"ColourIndexOutOfTable", "{\\rtf1{\\colortbl;\\red1;}\\cf99 x}", "x"},
        Malformed{"UnknownCodePageFallsBackToCp1251", "{\\rtf1\\ansicpg99999 \\'e0}", QString::fromUtf8("а")},
        Malformed{"FontCharsetWins", "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 Arial;}}\\f0 \\'e9}", QString::fromUtf8("é")},
        Malformed{"SurrogatePair", "{\\rtf1\\uc1 \\u-10179?\\u-8704?}", QString::fromUtf8("😀")},
        Malformed{"EscapedSpecials", "{\\rtf1 \\\\\\{\\}\\~x}", QString::fromUtf8("\\{}\u00a0x")},
        Malformed{"NotRichTextIsPlainCp1251", QByteArray("\xcf\xf0\xe8\xe2\xb3\xf2\r\n2"), QString::fromUtf8("Привіт\n2")},
        Malformed{"PlainTextControlCharacters", QByteArray("a\x14" "b\tc\x7f"), "ab\tc"},
        Malformed{"ParagraphMarks", "{\\rtf1 a\\par\\par b\\par}", "a\n\nb"},
        Malformed{"LastParagraphMarkEndsTheText", "{\\rtf1 a\\par}", "a"},
        Malformed{"ControlCharactersAreNoText", "{\\rtf1 a\\'01\\'0a\\'0d\\'7f\\'09b}", "a\tb"},
        Malformed{"DocumentMarkersAreNoText", "{\\rtf1 a\\u65532?\\u-560?\\u-559?\\u8233?b}",
                  QString::fromUtf8("a\nb")},
        Malformed{"EscapedNewlineIsAParagraph", "{\\rtf1 a\\\nb}", "a\nb"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RtfReader, DeepNestingIsAClearError) {
    for (const QByteArray& prefix : {QByteArray("{\\rtf1 "), QByteArray("{\\rtf1 {\\*\\skipme ")}) {
        QTextDocument doc;
        const QByteArray rtf = prefix + QByteArray(100000, '{') + "x";
        try {
            readRtf(rtf, doc);
            FAIL() << "no error for 100000 nested groups";
        } catch (const tarvik::Error& e) {
            EXPECT_TRUE(e.text().contains(QString::number(kMaxRtfDepth))) << e.text().toStdString();
        }
        EXPECT_TRUE(doc.isEmpty());
    }
}

TEST(RtfReader, NestingUpToTheBoundIsRead) {
    QTextDocument doc;
    const int depth = kMaxRtfDepth;  // counting the document's own group
    const QByteArray rtf = "{\\rtf1 " + QByteArray(depth - 1, '{') + "\\b deep" + QByteArray(depth - 1, '}') + " flat}";
    readRtf(rtf, doc);
    const auto d = describe(doc);
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].text(), "deep flat");
    EXPECT_TRUE(d[0].runs.front().bold);
    EXPECT_FALSE(d[0].runs.back().bold);
}

TEST(RtfReader, ReplacesWholeContentAndKeepsUndoSetting) {
    QTextDocument doc;
    doc.setPlainText("old text");
    ASSERT_TRUE(doc.isUndoRedoEnabled());
    readRtf("{\\rtf1 new}", doc);
    EXPECT_EQ(doc.toPlainText(), "new");
    EXPECT_TRUE(doc.isUndoRedoEnabled());
    EXPECT_FALSE(doc.isUndoAvailable());
}

TEST(RtfReader, LastParagraphWithoutMarkKeepsItsFormat) {
    struct Case {
        QByteArray rtf;
        std::vector<Qt::Alignment> aligns;
    };
    for (const Case& c : {Case{"{\\rtf1\\qc centred}", {Qt::AlignHCenter}},
                          Case{"{\\rtf1\\pard\\qr a\\par\\qc b}", {Qt::AlignRight, Qt::AlignHCenter}},
                          Case{"{\\rtf1\\pard\\qr a\\par\\pard b}", {Qt::AlignRight, Qt::AlignLeft}},
                          Case{"{\\rtf1 {\\qj truncated", {Qt::AlignJustify}}}) {
        const auto d = read(c.rtf);
        ASSERT_EQ(d.size(), c.aligns.size()) << c.rtf.toStdString();
        for (size_t i = 0; i < d.size(); ++i)
            EXPECT_EQ(d[i].align, c.aligns[i]) << c.rtf.toStdString() << " paragraph " << i;
    }
}
