// The simulator: scripted readings for tests and commissioning, random loads for the demo.

#include "simulator.h"

#include "reading.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tarvik::kaloscale;

namespace {

struct ScriptCase {
    OutputUnit unit;
    bool raw;
    const char* script;
    QStringList readings;  // then "Error" for ever
};

TEST(Simulator, AScriptGivesOnlyReadingsInTheOutputFormUnlessRaw)
{
    const QString E = ErrorReading;
    const ScriptCase cases[] = {
        {OutputUnit::Kilograms, false, "1.234;S;\r\n-0.500;U;\r\nError\n2.000;S;",
         {QStringLiteral("1.234;S;"), QStringLiteral("-0.500;U;"), E, QStringLiteral("2.000;S;")}},
        // The station would read "1.5" as 15 g and "1,234" as 1.234 g: refused.
        {OutputUnit::Kilograms, false, "1.5;S;\n1,234;S;\n1234.5;S;\n  2.000;S;\n0.500;U;7\nerror\n\n1.234;s;\n",
         {E, E, E, E, E, E, E, E}},
        {OutputUnit::Kilograms, false, "1000000.000;S;\n999999.999;S;\n", {E, QStringLiteral("999999.999;S;")}},
        {OutputUnit::Grams, false, "1000000000.0;S;\n999999999.9;S;\n", {E, QStringLiteral("999999999.9;S;")}},
        {OutputUnit::Grams, false, "1234.5;U;\n1.234;S;\n02.5;U;\n-0.0;S;\n-0.5;S;\n",
         {QStringLiteral("1234.5;U;"), E, E, E, QStringLiteral("-0.5;S;")}},
        {OutputUnit::Kilograms, false, "-0.000;S;\n0.000;S;\n-0.001;U;\n", {E, QStringLiteral("0.000;S;"), QStringLiteral("-0.001;U;")}},
        // Raw: as written, for tests of the station's own handling.
        {OutputUnit::Kilograms, true, "1.234;S;\r\n0.500;U;7\r\n\r\nerror\n  2.000;S;",
         {QStringLiteral("1.234;S;"), QStringLiteral("0.500;U;7"), QString(), QStringLiteral("error"), QStringLiteral("  2.000;S;")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("s.txt")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.script);
        f.close();
        Simulator sim(f.fileName(), c.unit, c.raw);
        for (const QString& e : c.readings) {
            EXPECT_EQ(sim.reading(), e);
            // A refused line is a fault that carries the line, for the driver's message.
            if (e == ErrorReading && !c.raw && sim.lastFrame().kind == Frame::Kind::Fault) {
                EXPECT_FALSE(sim.lastFrame().why.empty());
            }
        }
        EXPECT_EQ(sim.reading(), ErrorReading);
        EXPECT_EQ(sim.reading(), ErrorReading);
    }
}

TEST(Simulator, AMissingScriptGivesError)
{
    Simulator sim(QStringLiteral("/nonexistent/script.txt"), OutputUnit::Kilograms);
    EXPECT_EQ(sim.reading(), ErrorReading);
}

TEST(Simulator, RandomLoadsGoOnSettleStayAndComeOff)
{
    for (OutputUnit unit : {OutputUnit::Kilograms, OutputUnit::Grams}) {
        const QRegularExpression form(unit == OutputUnit::Kilograms ? QStringLiteral("^(\\d+\\.\\d{3});([SU]);$")
                                                                    : QStringLiteral("^(\\d+\\.\\d);([SU]);$"));
        QString phases;  // E empty, U moving, S stable load
        for (qint64 ms = 0; ms < 60'000; ms += 100) {
            const QString r = randomReading(ms, 99, unit);
            EXPECT_EQ(r, randomReading(ms, 99, unit));
            const auto m = form.match(r);
            ASSERT_TRUE(m.hasMatch()) << r.toStdString();
            const bool empty = m.captured(1).toDouble() == 0;
            const QChar phase = empty ? QChar(u'E') : m.captured(2) == u"S" ? QChar(u'S') : QChar(u'U');
            ASSERT_FALSE(empty && m.captured(2) != u"S") << "an empty scale is steady";
            if (!phases.endsWith(phase))
                phases += phase;
        }
        // Several full cycles: empty, settling, stable, coming off.
        EXPECT_TRUE(phases.startsWith(QStringLiteral("EUSUEUSUEUSU"))) << phases.toStdString();
    }
}

}  // namespace
