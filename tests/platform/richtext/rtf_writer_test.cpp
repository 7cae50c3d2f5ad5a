#include "platform/richtext/document_model.h"
#include "platform/richtext/rtf_reader.h"
#include "platform/richtext/rtf_writer.h"
#include "platform/richtext/sample_documents.h"

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace tarvik::richtext;
using namespace tarvik::richtext::testing;

namespace {

std::vector<Paragraph> roundTrip(const QTextDocument& doc, QByteArray* written = nullptr) {
    const QByteArray rtf = writeRtf(doc);
    if (written)
        *written = rtf;
    QTextDocument back;
    readRtf(rtf, back);
    return describe(back);
}

}  // namespace

TEST(RtfWriter, RoundTripKeepsTextAndFormats) {
    const auto doc = richSample();
    auto expected = describe(*doc);
    // A bullet made in the editor has no first-line indent of its own; the
    // writer gives it a hanging indent of a quarter inch (360 twips).
    for (Paragraph& p : expected)
        if (p.list)
            p.first = -360;
    QByteArray rtf;
    const auto actual = roundTrip(*doc, &rtf);
    EXPECT_EQ(dump(actual), dump(expected)) << rtf.toStdString();
    EXPECT_EQ(actual, expected);
}

TEST(RtfWriter, WritesSevenBitCp1251WithUnicodeEscapes) {
    const auto doc = richSample();
    const QByteArray rtf = writeRtf(*doc);
    for (const char c : rtf)
        ASSERT_LT(static_cast<unsigned char>(c), 0x80) << "8-bit byte in the output";
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1251"));
    EXPECT_TRUE(rtf.contains("\\fcharset204 Arial;"));
    EXPECT_TRUE(rtf.contains("\\'ca\\'ee\\'e2"));          // "Ков" in cp1251
    EXPECT_TRUE(rtf.contains("\\u-10179?\\u-8704?"));     // the emoji as a surrogate pair
    EXPECT_TRUE(rtf.contains("\\u8722?"));                // minus sign, not in cp1251
    EXPECT_TRUE(rtf.contains("\\'88"));                   // the euro sign is
    EXPECT_TRUE(rtf.contains("\\{\\\\\\} 100%"));             // escaped specials
    EXPECT_TRUE(rtf.contains("{\\*\\pn\\pnlvlblt"));
}

TEST(RtfWriter, EmptyParagraphKeepsItsFontSize) {
    const auto doc = richSample();
    QTextDocument back;
    readRtf(writeRtf(*doc), back);
    const QTextBlock empty = back.findBlockByNumber(3);
    ASSERT_TRUE(empty.text().isEmpty());
    EXPECT_EQ(empty.charFormat().fontPointSize(), 20);
}

TEST(RtfWriter, EmptyAndTrailingEmptyParagraphs) {
    const QStringList cases[] = {{""}, {"a", ""}, {"", "", "b"}, {"a", "", ""}};
    for (const QStringList& paragraphs : cases) {
        QTextDocument doc;
        doc.setPlainText(paragraphs.join('\n'));
        QTextDocument back;
        readRtf(writeRtf(doc), back);
        EXPECT_EQ(back.blockCount(), paragraphs.size()) << paragraphs.join('|').toStdString();
        EXPECT_EQ(back.toPlainText(), doc.toPlainText());
    }
}

class FixtureRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(FixtureRoundTrip, WritingWhatWasReadChangesNothing) {
    QFile f(QStringLiteral(TARVIK_SOURCE_DIR "/tests/platform/richtext/fixtures/") + QLatin1String(GetParam()));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QTextDocument doc;
    readRtf(f.readAll(), doc);
    const auto first = describe(doc);
    EXPECT_EQ(dump(roundTrip(doc)), dump(first));
    EXPECT_EQ(roundTrip(doc), first);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureRoundTrip,
                         ::testing::Values("wordpad_label.rtf", "libreoffice_label.rtf"),
                         [](const auto& info) {
                             return QString::fromLatin1(info.param).section('.', 0, 0).toStdString();
                         });
