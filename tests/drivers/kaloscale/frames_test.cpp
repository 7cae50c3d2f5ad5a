// The protocols' parsers and encoders over plain bytes.

#include "frames.h"
#include "mass.h"
#include "reading.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <random>

using namespace tarvik::kaloscale;

namespace {

constexpr std::int64_t mg = 1'000'000;  // nanograms in a milligram
Frame weight(std::int64_t milligrams, bool stable) { return Frame::weightOf(Mass{milligrams * mg}, stable); }
const Frame fault = Frame::of(Frame::Kind::Fault);
const Frame overload = Frame::of(Frame::Kind::Overload);
const Frame underload = Frame::of(Frame::Kind::Underload);

struct MassCase {
    const char* number;
    const char* unit;
    std::optional<std::int64_t> nanograms;
};

TEST(Mass, ParsesDecimalTextInEveryMassUnitExactly)
{
    const MassCase cases[] = {
        {"1.234", "kg", 1'234'000'000'000},
        {"  -0.500", "kg", -500'000'000'000},
        {"+   12", "g", 12'000'000'000},
        {"- 1.5", "KG", -1'500'000'000'000},
        {"7.", "g", 7'000'000'000},
        {".5", "g", 500'000'000},
        {"1", "lb", 453'592'370'000},
        {"2", "oz", 56'699'046'250},
        {"5", "ct", 1'000'000'000},
        {"250", "mg", 250'000'000},
        {"0.001", "t", 1'000'000'000'000},
        {"999999999999", "mg", 999'999'999'999'000'000},
        {"1234567890123", "mg", std::nullopt},  // more digits than any scale shows
        {"999999999999", "t", std::nullopt},     // beyond any scale's range
        {"1.234", "pcs", std::nullopt},          // a count is no weight
        {"1.234", "", std::nullopt},
        {"1.234", "%", std::nullopt},
        {"", "kg", std::nullopt},
        {"-", "kg", std::nullopt},
        {".", "kg", std::nullopt},
        {"1.2.3", "kg", std::nullopt},
        {"1,234", "kg", std::nullopt},
        {"1 234", "kg", std::nullopt},
        {"12a", "kg", std::nullopt},
        {"--1", "kg", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto m = parseMass(c.number, c.unit);
        SCOPED_TRACE(std::string(c.number) + " " + c.unit);
        ASSERT_EQ(m.has_value(), c.nanograms.has_value());
        if (m) {
            EXPECT_EQ(m->nanograms, *c.nanograms);
        }
    }
}

TEST(Mass, FormatsKilogramsWithThreePlacesAndGramsWithOneRoundingHalfAway)
{
    struct Case { std::int64_t nanograms; const char* kg; const char* g; };
    const Case cases[] = {
        {0, "0.000", "0.0"},
        {1'234'000'000'000, "1.234", "1234.0"},
        {1'234'560'000'000, "1.235", "1234.6"},
        {1'234'449'999'999, "1.234", "1234.4"},
        {-500'000'000'000, "-0.500", "-500.0"},
        {-400'000'000, "0.000", "-0.4"},     // no "-0.000": nothing negative left to show
        {-40'000'000, "0.000", "0.0"},
        {453'592'370'000, "0.454", "453.6"},  // 1 lb
        {123'456'789'000'000, "123.457", "123456.8"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatMass(Mass{c.nanograms}, OutputUnit::Kilograms), QString::fromLatin1(c.kg)) << c.nanograms;
        EXPECT_EQ(formatMass(Mass{c.nanograms}, OutputUnit::Grams), QString::fromLatin1(c.g)) << c.nanograms;
    }
}

// How the scale is set, for the table below.
const FrameFormat kg{"kg", '.', OutputUnit::Kilograms};
const FrameFormat kgComma{"kg", ',', OutputUnit::Kilograms};
const FrameFormat g{"g", '.', OutputUnit::Grams};
const FrameFormat gToKg{"g", '.', OutputUnit::Kilograms};
const FrameFormat kgToG{"kg", '.', OutputUnit::Grams};
const FrameFormat lb{"lb", '.', OutputUnit::Kilograms};

struct RecordedFrame {
    Protocol protocol;
    const FrameFormat& format;
    std::string bytes;     // as on the line, terminator included
    const char* reading;   // what the station gets
    Frame::Kind kind;
};

void PrintTo(const RecordedFrame& f, std::ostream* os)
{
    *os << protocolName(f.protocol).toStdString() << " \"" << printableBytes(f.bytes) << "\" unit " << f.format.unit
        << " mark " << f.format.decimal;
}

using K = Frame::Kind;
const std::string stx = "\x02";

// Frames as each protocol and variant writes them, and what becomes of each: read exactly, or Error.
const RecordedFrame recordedFrames[] = {
    // SICS: "S S" / "S D", the weight in ten characters, the unit.
    {Protocol::Sics, kg, "S S      1.234 kg\r\n", "1.234;S;", K::Weight},
    {Protocol::Sics, kg, "S D      1.234 kg\r\n", "1.234;U;", K::Weight},
    {Protocol::Sics, kg, "S S     -0.020 kg\r\n", "-0.020;S;", K::Weight},
    {Protocol::Sics, kg, "S S  -   0.020 kg\r\n", "-0.020;S;", K::Weight},  // the sign padded apart
    {Protocol::Sics, kg, "S S      0.000 KG\r\n", "0.000;S;", K::Weight},
    {Protocol::Sics, g, "S S     1234.5 g\r\n", "1234.5;S;", K::Weight},
    {Protocol::Sics, gToKg, "S S     1234.0 g\r\n", "1.234;S;", K::Weight},
    {Protocol::Sics, gToKg, "S S     1234.5 g\r\n", "Error", K::Fault},     // finer than the gram given
    {Protocol::Sics, kg, "S S     1.2345 kg\r\n", "Error", K::Fault},      // too precise
    {Protocol::Sics, kgToG, "S S     1.2345 kg\r\n", "1234.5;S;", K::Weight},
    {Protocol::Sics, lb, "S S      2.000 lb\r\n", "0.907;S;", K::Weight},   // 907.18474 g
    {Protocol::Sics, g, "S S      1.234 kg\r\n", "Error", K::Fault},      // not the configured unit
    {Protocol::Sics, kg, "S S      2.000 lb\r\n", "Error", K::Fault},
    {Protocol::Sics, kg, "S S     12.000 pcs\r\n", "Error", K::Fault},    // counting: no weight
    {Protocol::Sics, kg, "S S      1,234 kg\r\n", "Error", K::Fault},     // SICS writes a point
    {Protocol::Sics, kg, "S S 12345678.90 kg\r\n", "Error", K::Fault},    // too long
    {Protocol::Sics, kg, "S S      1.23 kg\r\n", "Error", K::Fault},      // a byte lost
    {Protocol::Sics, kg, "S S      1.234\r\n", "Error", K::Fault},        // cut before the unit
    {Protocol::Sics, kg, "S S      1.2x4 kg\r\n", "Error", K::Fault},
    {Protocol::Sics, kg, "S S  -\t  1.234 kg\r\n", "Error", K::Fault},     // padded with a tab
    {Protocol::Sics, kg, "S S     1.2.34 kg\r\n", "Error", K::Fault},
    {Protocol::Sics, kg, "S S       .234 kg\r\n", "Error", K::Fault},
    {Protocol::Sics, kg, "S X      1.234 kg\r\n", "Error", K::Fault},
    {Protocol::Sics, kg, "S S      1.234 kg extra\r\n", "Error", K::Fault},
    {Protocol::Sics, kg, "S +\r\n", "Error", K::Overload},
    {Protocol::Sics, kg, "S -\r\n", "Error", K::Underload},
    {Protocol::Sics, kg, "S I\r\n", "Error", K::NoWeight},
    {Protocol::Sics, kg, "ES\r\n", "Error", K::Fault},
    {Protocol::Sics, kg, "ET\r\n", "Error", K::Fault},
    {Protocol::Sics, kg, "EL\r\n", "Error", K::Fault},
    {Protocol::Sics, kg, "I4 A \"0123456789\"\r\n", "Error", K::Fault},
    // CAS, 18 bytes: head, gross or net, the weight in eight characters, the unit in two.
    {Protocol::Cas, kg, "ST,GS,+  1.234kg\r\n", "1.234;S;", K::Weight},
    {Protocol::Cas, kg, "US,GS,+  1.234kg\r\n", "1.234;U;", K::Weight},
    {Protocol::Cas, kg, "ST,NT,-  0.150kg\r\n", "-0.150;S;", K::Weight},
    {Protocol::Cas, kg, "ST,GS,   0.050kg\r\n", "0.050;S;", K::Weight},
    {Protocol::Cas, kg, "ST,GS,+001.234kg\r\n", "1.234;S;", K::Weight},
    {Protocol::Cas, g, "ST,GS,+ 1234.5 g\r\n", "1234.5;S;", K::Weight},
    {Protocol::Cas, kg, "ST,GS,+ 1234.5 g\r\n", "Error", K::Fault},
    {Protocol::Cas, lb, "ST,GS,+  2.000lb\r\n", "0.907;S;", K::Weight},
    {Protocol::Cas, kg, "ST,GS,+  2.000lb\r\n", "Error", K::Fault},
    {Protocol::Cas, kg, "ST,GS,+  1.234pc\r\n", "Error", K::Fault},
    {Protocol::Cas, kg, "ST,GS,+  0,050kg\r\n", "Error", K::Fault},      // a comma on a point scale
    {Protocol::Cas, kgComma, "ST,GS,+  0,050kg\r\n", "0.050;S;", K::Weight},
    {Protocol::Cas, kgComma, "ST,GS,+  1,234kg\r\n", "1.234;S;", K::Weight},
    {Protocol::Cas, kgComma, "US,NT,-  1,234kg\r\n", "-1.234;U;", K::Weight},
    {Protocol::Cas, kgComma, "ST,GS,+  1.234kg\r\n", "Error", K::Fault},    // a point on a comma scale
    {Protocol::Cas, kg, "ST,GS,  0,050kg\r\n", "Error", K::Fault},        // a byte short: cut
    {Protocol::Cas, kgComma, "ST,GS,  0,050kg\r\n", "Error", K::Fault},
    {Protocol::Cas, kg, "ST,GS,+  1.23kg\r\n", "Error", K::Fault},
    {Protocol::Cas, kg, "ST,GS,+  1.234k\r\n", "Error", K::Fault},
    {Protocol::Cas, kg, "GS,+  1.234kg\r\n", "Error", K::Fault},          // joined mid-frame
    {Protocol::Cas, kg, "ST,GS,+  1.2ST,GS,+  1.234kg\r\n", "Error", K::Fault},
    {Protocol::Cas, kg, "ST,GS,+12345.67kg\r\n", "Error", K::Fault},      // too long
    {Protocol::Cas, kg, "ST,GS,+ 1.2345kg\r\n", "Error", K::Fault},       // too precise for kilograms
    {Protocol::Cas, kgToG, "ST,GS,+ 1.2345kg\r\n", "1234.5;S;", K::Weight},
    {Protocol::Cas, kg, "ST,GS,+ 1.234 kg\r\n", "Error", K::Fault},       // fields shifted
    {Protocol::Cas, kg, "ST,GS,+  1 234kg\r\n", "Error", K::Fault},
    {Protocol::Cas, kg, "XX,GS,+  1.234kg\r\n", "Error", K::Fault},
    {Protocol::Cas, kg, "ST,XX,+  1.234kg\r\n", "Error", K::Fault},
    {Protocol::Cas, kg, "OL,GS,+ 99.999kg\r\n", "Error", K::Overload},
    {Protocol::Cas, kg, "OL,GS,    OL  kg\r\n", "Error", K::Overload},
    // CAS, 22 bytes: with a device number and a lamp byte (any byte), a blank before the unit.
    {Protocol::Cas, kg, "ST,GS,1\xC0,+  1.234 kg\r\n", "1.234;S;", K::Weight},
    {Protocol::Cas, kg, "US,NT,01,-  0.150 kg\r\n", "-0.150;U;", K::Weight},
    {Protocol::Cas, kgComma, "ST,GS,01,+  0,050 kg\r\n", "0.050;S;", K::Weight},
    {Protocol::Cas, kg, "ST,GS,01,+  0,050 kg\r\n", "Error", K::Fault},
    {Protocol::Cas, g, "ST,GS,01,+ 1234.5  g\r\n", "1234.5;S;", K::Weight},
    {Protocol::Cas, kg, "ST,GS,01,+  1.234kg\r\n", "Error", K::Fault},   // the blank before the unit lost
    {Protocol::Cas, kg, "ST,GS,01;+  1.234 kg\r\n", "Error", K::Fault},
    {Protocol::Cas, kg, "OL,GS,01,+ 99.999 kg\r\n", "Error", K::Overload},
    // Toledo 8217: STX, the weight in six characters in the configured unit, CR; or a status.
    {Protocol::Toledo8217, kg, stx + "01.234\r", "1.234;S;", K::Weight},
    {Protocol::Toledo8217, kg, stx + "001.23\r", "1.230;S;", K::Weight},
    {Protocol::Toledo8217, g, stx + "1234.5\r", "1234.5;S;", K::Weight},
    {Protocol::Toledo8217, gToKg, stx + "1234.5\r", "Error", K::Fault},
    {Protocol::Toledo8217, lb, stx + "02.500\r", "1.134;S;", K::Weight},
    {Protocol::Toledo8217, kg, stx + "01.23\r", "Error", K::Fault},         // cut
    {Protocol::Toledo8217, kg, stx + "001.234\r", "Error", K::Fault},       // too long
    {Protocol::Toledo8217, kg, stx + "01,234\r", "Error", K::Fault},
    {Protocol::Toledo8217, kg, stx + "-1.234\r", "Error", K::Fault},        // below zero comes as a status
    {Protocol::Toledo8217, kg, stx + "1.2.34\r", "Error", K::Fault},
    {Protocol::Toledo8217, kg, stx + "01\x7f" "234\r", "Error", K::Fault},
    {Protocol::Toledo8217, kg, stx + "?\x21\r", "Error", K::NoWeight},      // moving
    {Protocol::Toledo8217, kg, stx + "?\x28\r", "Error", K::NoWeight},      // outside the zero range
    {Protocol::Toledo8217, kg, stx + "?\x22\r", "Error", K::Overload},
    {Protocol::Toledo8217, kg, stx + "?\x24\r", "Error", K::Underload},
    {Protocol::Toledo8217, kg, stx + "?\x01\r", "Error", K::Fault},         // bit 5 must be set
    {Protocol::Toledo8217, kg, stx + "?\r", "Error", K::Fault},
    {Protocol::Toledo8217, kg, stx + "\r", "Error", K::Fault},
};

class RecordedFrames : public ::testing::TestWithParam<RecordedFrame> {};

TEST_P(RecordedFrames, AreReadExactlyOrNotAtAll)
{
    const RecordedFrame& r = GetParam();
    auto parser = makeParser(r.protocol, r.format);
    std::vector<Frame> out;
    parser->feed(r.bytes, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(readingText(out[0], r.format.output), QString::fromLatin1(r.reading));
    EXPECT_EQ(out[0].kind, r.kind);
    // A fault says why, for the driver's message and the probe.
    EXPECT_EQ(out[0].why.empty(), r.kind != K::Fault) << out[0].why;
    EXPECT_EQ(parser->pending(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Protocols, RecordedFrames, ::testing::ValuesIn(recordedFrames));

TEST(RecordedFrames, FaultsNameWhatIsWrong)
{
    struct Case { Protocol protocol; const FrameFormat& format; std::string bytes; const char* why; };
    const Case cases[] = {
        {Protocol::Cas, kg, "ST,GS,+  0,050kg\r\n", "a comma in the weight"},
        {Protocol::Cas, kg, "ST,GS,  0,050kg\r\n", "18 or 22 bytes; this one 17"},
        {Protocol::Sics, g, "S S      1.234 kg\r\n", "the scale is set to g"},
        {Protocol::Sics, kg, "S S     1.2345 kg\r\n", "finer than the gram"},
        {Protocol::Toledo8217, kg, stx + "001.234\r", "this one 7"},
    };
    for (const auto& c : cases) {
        std::vector<Frame> out;
        makeParser(c.protocol, c.format)->feed(c.bytes, out);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_NE(out[0].why.find(c.why), std::string::npos) << out[0].why;
        EXPECT_EQ(out[0].raw, c.bytes.substr(c.bytes.front() == '\x02' ? 1 : 0, c.bytes.find_first_of("\r\n") - (c.bytes.front() == '\x02' ? 1 : 0)));
    }
}

std::vector<Frame> feedAll(FrameParser& parser, std::string_view bytes, std::size_t chunk)
{
    std::vector<Frame> out;
    for (std::size_t i = 0; i < bytes.size(); i += chunk)
        parser.feed(bytes.substr(i, chunk), out);
    return out;
}

struct StreamCase {
    Protocol protocol;
    std::string bytes;
    std::vector<Frame> frames;
};

TEST(FrameParser, CutsStreamsIntoFramesWhateverTheChunking)
{
    const std::string longLine(200, '7');
    const std::vector<StreamCase> cases = {
        {Protocol::Sics, "S S      1.234 kg\r\nS D      0.500 kg\r\n", {weight(1'234'000, true), weight(500'000, false)}},
        {Protocol::Sics, "\r\n\r\nS +\r\n", {overload}},
        {Protocol::Sics, "S S      1.000 kg\n", {weight(1'000'000, true)}},  // LF alone
        {Protocol::Sics, "\x01\xff\x80garbage\r\nS S      1.000 kg\r\n", {fault, weight(1'000'000, true)}},
        {Protocol::Sics, longLine + "\r\nS S      2.000 kg\r\n", {fault, weight(2'000'000, true)}},
        {Protocol::Cas, "ST,GS,+  1.234kg\r\nUS,GS,+  1.300kg\r\n", {weight(1'234'000, true), weight(1'300'000, false)}},
        {Protocol::Cas, "T,GS,+  1.234kg\r\nST,GS,+  1.234kg\r\n", {fault, weight(1'234'000, true)}},  // joined mid-frame
        {Protocol::Toledo8217, "\x02" "01.234\r\x02?\x21\r", {weight(1'234'000, true), Frame::of(Frame::Kind::NoWeight)}},
        {Protocol::Toledo8217, "xx\x02" "01.234\r", {fault, weight(1'234'000, true)}},
        {Protocol::Toledo8217, "\x02" "01.2\x02" "02.000\r", {fault, weight(2'000'000, true)}},
        {Protocol::Toledo8217, "\x02" + longLine + "\r\x02" "00.100\r", {fault, weight(100'000, true)}},
    };
    for (const auto& c : cases) {
        for (std::size_t chunk : {std::size_t{1}, std::size_t{3}, std::size_t{1000}}) {
            auto parser = makeParser(c.protocol);
            SCOPED_TRACE(protocolName(c.protocol).toStdString() + " chunk " + std::to_string(chunk) + ": " + c.bytes);
            EXPECT_EQ(feedAll(*parser, c.bytes, chunk), c.frames);
        }
    }
}

TEST(FrameParser, KeepsAPartialFrameUntilItEndsAndForgetsItOnReset)
{
    auto parser = makeParser(Protocol::Sics);
    std::vector<Frame> out;
    parser->feed("S S      1.2", out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(parser->pending(), 12u);
    parser->feed("34 kg\r\n", out);
    EXPECT_EQ(out, std::vector<Frame>{weight(1'234'000, true)});
    parser->feed("S S      9.9", out);
    parser->reset();
    out.clear();
    parser->feed("99 kg\r\n", out);
    EXPECT_EQ(out, std::vector<Frame>{fault});  // the tail alone is no frame
}

TEST(FrameParser, PollCommands)
{
    EXPECT_EQ(makeParser(Protocol::Sics)->pollCommand(), QByteArray("SI\r\n"));
    EXPECT_EQ(makeParser(Protocol::Toledo8217)->pollCommand(), QByteArray("W\r"));
    EXPECT_TRUE(makeParser(Protocol::Cas)->pollCommand().isEmpty());
}

TEST(FrameParser, RandomBytesNeverGrowItsBufferNorYieldAnythingButFrames)
{
    std::mt19937 random(12345);
    for (Protocol p : {Protocol::Sics, Protocol::Cas, Protocol::Toledo8217}) {
        auto parser = makeParser(p);
        const std::size_t limit = p == Protocol::Toledo8217 ? MaxToledoFrame : MaxLineLength;
        ReadingState state(std::chrono::milliseconds(1000), OutputUnit::Kilograms);
        std::vector<Frame> out;
        for (int i = 0; i < 30000; ++i) {
            std::string chunk(random() % 40, '\0');
            // Mostly bytes the protocols use, so that real-looking frames turn up among the noise.
            static constexpr char alphabet[] = "SDUTGNLO,.+-0123456789 kgl\r\n\x02?!\x21";
            for (char& c : chunk)
                c = random() % 4 == 0 ? static_cast<char>(random()) : alphabet[random() % (sizeof alphabet - 1)];
            out.clear();
            parser->feed(chunk, out);
            ASSERT_LE(parser->pending(), limit);
            for (const Frame& f : out) {
                state.accept(f, Clock::now());
                const QString text = state.text(Clock::now());
                static const QRegularExpression form(QStringLiteral("^-?\\d+\\.\\d{3};[SU];$"));
                ASSERT_TRUE(text == ErrorReading || form.match(text).hasMatch()) << text.toStdString();
            }
        }
    }
}

TEST(Encoders, WhatTheVirtualScaleSaysTheDriverReadsBack)
{
    const ScaleState states[] = {
        {Mass{1'234'000'000'000}, true, false},
        {Mass{1'234'000'000'000}, false, false},
        {Mass{0}, true, false},
        {Mass{-500'000'000'000}, true, false},
        {Mass{150'250'000'000'000}, true, false},
        {Mass{5'000'000'000'000}, true, true},
    };
    for (const auto& s : states) {
        const Frame expected = s.overload ? overload : Frame::weightOf(s.weight, s.stable);
        std::vector<Frame> out;
        makeParser(Protocol::Sics)->feed(sicsReply(s, "SI").toStdString(), out);
        EXPECT_EQ(out, std::vector<Frame>{expected}) << sicsReply(s, "SI").toStdString();
        out.clear();
        makeParser(Protocol::Cas)->feed(casFrame(s).toStdString(), out);
        EXPECT_EQ(out, std::vector<Frame>{expected}) << casFrame(s).toStdString();
        out.clear();
        makeParser(Protocol::Cas, kgComma)->feed(casFrame(s, true, ',').toStdString(), out);
        EXPECT_EQ(out, std::vector<Frame>{expected}) << casFrame(s, true, ',').toStdString();
        out.clear();
        makeParser(Protocol::Toledo8217)->feed(toledoReply(s, "W").toStdString(), out);
        // Toledo gives no weight while moving or below zero, only the status.
        const Frame toledo = s.overload ? overload
                             : s.weight.nanograms < 0 ? underload
                             : !s.stable ? Frame::of(Frame::Kind::NoWeight)
                                         : expected;
        EXPECT_EQ(out, std::vector<Frame>{toledo}) << toledoReply(s, "W").toStdString();
    }
    EXPECT_EQ(sicsReply({}, "XYZ"), QByteArray("ES\r\n"));
    EXPECT_TRUE(toledoReply({}, "Z").isEmpty());
}

}  // namespace
