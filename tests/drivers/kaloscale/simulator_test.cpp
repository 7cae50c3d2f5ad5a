// The simulator: scripted readings for tests and commissioning, random loads for the demo.

#include "simulator.h"

#include "reading.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tarvik::kaloscale;

namespace {

TEST(Simulator, AScriptGivesOneLinePerCallThenError)
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("s.txt")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("1.234;S;\r\n0.500;U;7\r\n\r\nerror\n  2.000;S;");
    f.close();
    Simulator sim(f.fileName(), OutputUnit::Kilograms);
    const QStringList expected = {QStringLiteral("1.234;S;"), QStringLiteral("0.500;U;7"), QString(),
                                  QStringLiteral("error"), QStringLiteral("  2.000;S;"), ErrorReading, ErrorReading};
    for (const QString& e : expected)
        EXPECT_EQ(sim.reading(), e);
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
