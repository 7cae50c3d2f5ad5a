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

struct LineCase {
    const char* line;
    Frame frame;
};

TEST(Sics, ReadsWeightsAndTheScalesErrorReplies)
{
    const LineCase cases[] = {
        {"S S      1.234 kg", weight(1'234'000, true)},
        {"S D      1.234 kg", weight(1'234'000, false)},
        {"S S     -0.020 kg", weight(-20'000, true)},
        {"S S  -   0.020 kg", weight(-20'000, true)},
        {"S S    1234.5 g", weight(1'234'500, true)},
        {"S S      2.000 lb", Frame::weightOf(Mass{907'184'740'000}, true)},
        {"S S     12.000 pcs", fault},  // counting mode: no weight
        {"S S      1.234", fault},
        {"S +", overload},
        {"S -", underload},
        {"S I", fault},
        {"ES", fault},
        {"ET", fault},
        {"EL", fault},
        {"S X      1.234 kg", fault},
        {"I4 A \"0123456789\"", fault},
        {"S S      1.2x4 kg", fault},
        {"S S 1.234 kg extra", fault},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseSicsLine(c.line), c.frame) << c.line;
}

TEST(Cas, ReadsContinuousFrames)
{
    const LineCase cases[] = {
        {"ST,GS,+  1.234kg", weight(1'234'000, true)},
        {"US,GS,+  1.234kg", weight(1'234'000, false)},
        {"ST,NT,-  0.150kg", weight(-150'000, true)},
        {"ST,GS,  1234.5 g", weight(1'234'500, true)},
        {"ST,GS,01,+  1.234kg", weight(1'234'000, true)},  // with a device number
        {"ST,GS,+  2.000lb", Frame::weightOf(Mass{907'184'740'000}, true)},
        {"OL,GS,+99.999kg", overload},
        {"OL,GS,    OL  kg", overload},
        {"ST,GS,+  1.234", fault},
        {"ST,GS,+  1.234pcs", fault},
        {"XX,GS,+  1.234kg", fault},
        {"ST,XX,+  1.234kg", fault},
        {"ST,GS", fault},
        {"ST,GS,+1.2.3kg", fault},
        {"ST,GS,a,b,c,+1kg", fault},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseCasLine(c.line), c.frame) << c.line;
}

TEST(Toledo8217, ReadsWeightAndStatusFrames)
{
    const LineCase cases[] = {
        {"01.234", weight(1'234'000, true)},
        {"001.23", weight(1'230'000, true)},
        {"?\x21", fault},      // moving: no weight given
        {"?\x22", overload},
        {"?\x24", underload},
        {"?\x28", fault},      // outside the zero range
        {"?\x02", fault},      // bit 5 must be set
        {"?", fault},
        {"", fault},
        {"1.2.3", fault},
        {"01\x7f" "234", fault},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseToledoFrame(c.line, "kg"), c.frame) << c.line;
    EXPECT_EQ(parseToledoFrame("02.500", "lb"), Frame::weightOf(Mass{1'133'980'925'000}, true));
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
        {Protocol::Sics, "S S   1.000 kg\n", {weight(1'000'000, true)}},  // LF alone
        {Protocol::Sics, "\x01\xff\x80garbage\r\nS S 1.000 kg\r\n", {fault, weight(1'000'000, true)}},
        {Protocol::Sics, longLine + "\r\nS S 2.000 kg\r\n", {fault, weight(2'000'000, true)}},
        {Protocol::Cas, "ST,GS,+  1.234kg\r\nUS,GS,+  1.300kg\r\n", {weight(1'234'000, true), weight(1'300'000, false)}},
        {Protocol::Cas, "T,GS,+  1.234kg\r\nST,GS,+  1.234kg\r\n", {fault, weight(1'234'000, true)}},  // joined mid-frame
        {Protocol::Toledo8217, "\x02" "01.234\r\x02?\x21\r", {weight(1'234'000, true), fault}},
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
    parser->feed("S S    1.2", out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(parser->pending(), 10u);
    parser->feed("34 kg\r\n", out);
    EXPECT_EQ(out, std::vector<Frame>{weight(1'234'000, true)});
    parser->feed("S S    9.9", out);
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
        makeParser(Protocol::Toledo8217)->feed(toledoReply(s, "W").toStdString(), out);
        // Toledo gives no weight while moving or below zero, only the status.
        const Frame toledo = s.overload ? overload
                             : s.weight.nanograms < 0 ? underload
                             : !s.stable ? fault
                                         : expected;
        EXPECT_EQ(out, std::vector<Frame>{toledo}) << toledoReply(s, "W").toStdString();
    }
    EXPECT_EQ(sicsReply({}, "XYZ"), QByteArray("ES\r\n"));
    EXPECT_TRUE(toledoReply({}, "Z").isEmpty());
}

}  // namespace
