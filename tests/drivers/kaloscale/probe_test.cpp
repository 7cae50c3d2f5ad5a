// tarvik-scale-probe against a real pseudo-terminal: each frame with the reading the station would
// get, and the driver's own words between them.

#include "scale_fixtures.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace tarvik::kaloscale::testing;

namespace {

struct ProbeRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs the probe on `ini`; once it says the port is open, writes `frames` to `pty`.
ProbeRun probe(const QString& ini, const QStringList& more, Pty* pty = nullptr, const QByteArray& frames = {})
{
    QProcess p;
    p.setProgram(QStringLiteral(TARVIK_BIN_DIR "/tarvik-scale-probe"));
    p.setArguments(QStringList{QStringLiteral("--ini"), ini} + more);
    p.start();
    ProbeRun run;
    if (!p.waitForStarted(10'000))
        return run;
    if (pty) {
        QTest::qWaitFor([&] {
            run.out += QString::fromLocal8Bit(p.readAllStandardOutput());
            return run.out.contains(QStringLiteral("open, waiting for frames")) || p.state() == QProcess::NotRunning;
        }, 10'000);
        pty->write(frames);
    }
    if (!p.waitForFinished(20'000))
        p.kill();
    run.out += QString::fromLocal8Bit(p.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(p.readAllStandardError());
    run.exitCode = p.exitCode();
    return run;
}

QString writeIni(const QTemporaryDir& dir, const QByteArray& text)
{
    QFile f(dir.filePath(QStringLiteral("KaloScale.ini")));
    if (!f.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write KaloScale.ini");
    f.write(text);
    return f.fileName();
}

TEST(Probe, ShowsEachFrameAndTheReadingTheStationWouldGet)
{
    Pty pty;
    QTemporaryDir dir;
    const QString ini = writeIni(dir, "[Ports]\nCOM3=" + pty.device().toLocal8Bit()
                                          + "\n[Driver]\nProtocol=CAS\nDecimal=Comma\n[Output]\nUnit=g\n");
    const ProbeRun run = probe(ini, {QStringLiteral("--port"), QStringLiteral("COM3"), QStringLiteral("--frames"), QStringLiteral("4")},
                               &pty, "ST,GS,+  1,234kg\r\nST,GS,+  1.234kg\r\nUS,NT,01,-  0,150 kg\r\nOL,GS,+ 99,999kg\r\n");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(u'\n');
    const QString device = QRegularExpression::escape(pty.device());
    const QString expected[] = {
        QStringLiteral("^settings: .*KaloScale\\.ini$"),
        QStringLiteral("^COM3 \\(%1\\): CAS, 9600 8N1, CAS 18 or 22 bytes, scale unit kg, decimal comma; output g, one place$").arg(device),
        QStringLiteral("^ +\\d+\\.\\d{3}  \"ST,GS,\\+  1,234kg\" +->  1234\\.0;S;$"),
        QStringLiteral("^ +\\d+\\.\\d{3}  \"ST,GS,\\+  1\\.234kg\" +->  Error  \\(a point in the weight, but the scale is set to a decimal comma\\)$"),
        QStringLiteral("^ +KaloScale: COM3 \\(%1\\): frames not understood: \"ST,GS,\\+  1\\.234kg\": a point in the weight").arg(device),
        QStringLiteral("^ +\\d+\\.\\d{3}  \"US,NT,01,-  0,150 kg\" +->  -150\\.0;U;$"),
        QStringLiteral("^ +\\d+\\.\\d{3}  \"OL,GS,\\+ 99,999kg\" +->  Error  \\(overload\\)$"),
        QStringLiteral("^4 frames, 3 understood$"),
    };
    qsizetype at = 0;  // in this order, other lines between them
    for (const QString& e : expected) {
        const QRegularExpression re(e);
        while (at < lines.size() && !re.match(lines[at]).hasMatch())
            ++at;
        ASSERT_LT(at, lines.size()) << "no line like " << e.toStdString() << " in\n" << run.out.toStdString();
    }
}

TEST(Probe, RefusesSettingsTheDriverWouldRefuseAndNamesThem)
{
    QTemporaryDir dir;
    const ProbeRun run = probe(writeIni(dir, "[Driver]\nProtocol=CAS\nDecimal=Komma\n"), {});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("KaloScale.ini: [Driver] Decimal=Komma is not a valid value"))) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains(QStringLiteral("frames")));
}

TEST(Probe, SaysWhenThePortCannotBeOpened)
{
    QTemporaryDir dir;
    const QByteArray missing = dir.filePath(QStringLiteral("ttyNothing")).toLocal8Bit();
    const ProbeRun run = probe(writeIni(dir, "[Ports]\nCOM1=" + missing + "\n"), {QStringLiteral("--seconds"), QStringLiteral("1")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.contains(QStringLiteral("KaloScale: COM1 (%1): the port cannot be opened: ").arg(QString::fromLocal8Bit(missing))))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("0 frames, 0 understood")));
}

}  // namespace
