// tarvik-scale-probe: connecting a scale without guessing. Opens a port as the driver would, with a
// given KaloScale.ini, and shows live every frame as it came off the line and the reading the station
// would get for it, with the driver's own messages between them.
//
//   tarvik-scale-probe [--ini FILE] [--port COM1] [--frames N] [--seconds S]
//
// --ini defaults to KaloScale.ini in $TARVIK_STATION_DIR, else in the current directory; a
// simulator script is looked for beside it. Runs until stopped (Ctrl+C), or until N frames or S
// seconds. Exit status: 0 when it ran; 1 when no frame was understood; 2 for a bad command line
// or a KaloScale.ini the driver would refuse.

#include "../src/config.h"
#include "../src/link_monitor.h"
#include "../src/serial_scale.h"
#include "../src/simulator.h"

#include "kaloscale/kaloscale.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

using namespace tarvik::kaloscale;

namespace {

QString lineSettings(const DriverConfig& c)
{
    static const char parity[] = {'N', '?', 'E', 'O', 'S', 'M'};
    const int p = static_cast<int>(c.line.parity);
    const QString stop = c.line.stopBits == QSerialPort::OneAndHalfStop ? QStringLiteral("1.5")
                                                                          : QString::number(static_cast<int>(c.line.stopBits));
    return QStringLiteral("%1 %2%3%4").arg(c.line.baud).arg(static_cast<int>(c.line.dataBits))
        .arg(QChar::fromLatin1(p >= 0 && p < 6 ? parity[p] : '?'), stop);
}

QString summary(const DriverConfig& c)
{
    const QString output = c.output == OutputUnit::Kilograms ? QStringLiteral("kg, three places") : QStringLiteral("g, one place");
    if (c.protocol == Protocol::Simulator)
        return QStringLiteral("%1: simulator, %2; output %3").arg(c.port, c.script.isEmpty() ? QStringLiteral("random loads") : QStringLiteral("script ") + c.script, output);
    return QStringLiteral("%1: %2, %3, %4, scale unit %5, decimal %6; output %7")
        .arg(c.lineName(), protocolName(c.protocol), lineSettings(c), c.protocol == Protocol::Cas ? QStringLiteral("CAS 18 or 22 bytes") : QStringLiteral("polled every %1 ms").arg(c.pollInterval.count()),
             QString::fromStdString(c.scaleUnit), c.decimal == ',' ? QStringLiteral("comma") : QStringLiteral("point"), output);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvik-scale-probe"));
    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Shows a scale's frames and the readings the station would get."));
    options.addHelpOption();
    options.addOption({QStringLiteral("ini"), QStringLiteral("The driver's settings (KaloScale.ini)."), QStringLiteral("file")});
    options.addOption({QStringLiteral("port"), QStringLiteral("The port name the station passes (COM1)."), QStringLiteral("name"), QStringLiteral("COM1")});
    options.addOption({QStringLiteral("frames"), QStringLiteral("Stop after this many frames."), QStringLiteral("n")});
    options.addOption({QStringLiteral("seconds"), QStringLiteral("Stop after this many seconds."), QStringLiteral("s")});
    options.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    const auto positive = [&](const QString& name, qint64 high) -> std::optional<qint64> {
        if (!options.isSet(name))
            return qint64{0};
        bool ok = false;
        const qint64 n = options.value(name).toLongLong(&ok);
        if (!ok || n < 1 || n > high)
            return std::nullopt;
        return n;
    };
    const auto frames = positive(QStringLiteral("frames"), 1'000'000'000);
    const auto seconds = positive(QStringLiteral("seconds"), 1'000'000);
    if (!frames || !seconds) {
        err << "tarvik-scale-probe: --frames and --seconds take a positive whole number\n";
        return 2;
    }

    QString ini = options.value(QStringLiteral("ini"));
    if (ini.isEmpty()) {
        const QString dir = qEnvironmentVariable(KaloScaleStationDirVariable);
        ini = QDir(dir.isEmpty() ? QDir::currentPath() : dir).filePath(QStringLiteral("KaloScale.ini"));
    }
    const QFileInfo iniInfo(ini);
    DriverConfig config = loadConfig(iniInfo.absoluteFilePath(), iniInfo.absolutePath(), options.value(QStringLiteral("port")));
    out << (iniInfo.exists() ? QStringLiteral("settings: ") : QStringLiteral("settings: (none, defaults) ")) << iniInfo.absoluteFilePath() << '\n';
    if (!config.problems.isEmpty()) {
        for (const QString& p : std::as_const(config.problems))
            err << "KaloScale.ini: " << p << '\n';
        err << "tarvik-scale-probe: the driver would open nothing with these settings\n";
        return 2;
    }
    out << summary(config) << '\n';
    out << "     time  frame                               ->  reading\n";
    out.flush();

    QElapsedTimer clock;
    clock.start();
    qint64 count = 0;
    qint64 understood = 0;
    const auto show = [&](const Frame& f, const QString& reading) {
        ++count;
        understood += f.understood();
        const QString raw = QLatin1Char('"') + QString::fromStdString(printableBytes(f.raw)) + QLatin1Char('"');
        QString line = QStringLiteral("%1  %2  ->  %3").arg(clock.elapsed() / 1000.0, 9, 'f', 3).arg(raw, -34).arg(reading);
        if (reading == ErrorReading)
            line += QStringLiteral("  (%1)").arg(describeFrame(f, config.output));
        out << line << '\n';
        out.flush();
        if (*frames && count >= *frames)
            QCoreApplication::quit();
    };
    const auto say = [&](const QString& text) {
        out << "          " << text << '\n';
        out.flush();
    };

    std::unique_ptr<SerialScale> serial;
    std::unique_ptr<Simulator> simulator;
    QTimer poll;
    if (config.protocol == Protocol::Simulator) {
        simulator = std::make_unique<Simulator>(config.script, config.output, config.rawScript);
        QObject::connect(&poll, &QTimer::timeout, &app, [&] {
            const QString reading = simulator->reading();
            show(simulator->lastFrame(), reading);
        });
        poll.start(config.pollInterval);
    } else {
        serial = std::make_unique<SerialScale>(config, say);
        QObject::connect(serial.get(), &SerialScale::frameRead, &app,
                         [&](const Frame& f) { show(f, readingText(f, config.output)); });
        QObject::connect(serial.get(), &SerialScale::opened, &app,
                         [&] { say(QStringLiteral("%1: open, waiting for frames").arg(config.lineName())); });
        serial->open();
    }
    if (*seconds)
        QTimer::singleShot(std::chrono::seconds(*seconds), &app, &QCoreApplication::quit);
    app.exec();
    out << count << " frames, " << understood << " understood\n";
    return count > 0 && understood == 0 ? 1 : 0;
}
