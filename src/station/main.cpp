// tarvik: the weighing-and-labelling station.

#include "data/station_connection.h"
#include "platform/ui/prompts.h"
#include "platform/ui/responders.h"
#include "platform/ui/window_place.h"
#include "station/application.h"
#include "station/main_window.h"
#include "station/options.h"
#include "station/quit_signals.h"
#include "station/station.h"

#include <QDir>
#include <QFont>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <cstdlib>

using namespace tarvik::station;

int main(int argc, char** argv)
{
    QuitOnSignals::blockSignals();
    // A file size limit makes a write fail with an error the station shows,
    // instead of killing it.
    std::signal(SIGXFSZ, SIG_IGN);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const auto parsed = parseOptions(args);
    if (const auto* err = std::get_if<UsageError>(&parsed)) {
        QTextStream(stderr) << "tarvik: " << err->message << "\n" << usageText();
        return 2;
    }
    const Options options = std::get<Options>(parsed);
    if (options.checkDatabase) {
        // No window: a technician runs it in a terminal, also over ssh.
        QCoreApplication app(argc, argv);
        const QString programDir = options.stationDir ? QDir(*options.stationDir).absolutePath() + u'/'
                                                      : QCoreApplication::applicationDirPath() + u'/';
        QTextStream out(stdout);
        try {
            const tarvik::data::DatabaseCheck check = tarvik::data::checkStationDatabase(programDir);
            for (const QString& line : check.lines)
                out << line << "\n";
            return check.ok ? 0 : 1;
        } catch (const tarvik::Error& e) {
            out << "ПОМИЛКА: " << e.text() << "\n";
            return 1;
        }
    }
    if (options.headless)
        qputenv("QT_QPA_PLATFORM", "offscreen");

    StationApplication app(argc, argv);
    app.setFont(QFont(QStringLiteral("Liberation Sans"), 10));
    if (!app.speakUkrainian())
        QTextStream(stderr) << "tarvik: немає перекладу Qt qtbase_uk.qm (пакет qt6-translations-l10n): "
                               "стандартні кнопки й діалоги будуть англійською\n";
    if (options.headless)
        tarvik::ui::prompts().setResponder(std::make_unique<tarvik::ui::HeadlessResponder>());

    try {
        const QString programDir = options.stationDir
                                       ? QDir(*options.stationDir).absolutePath() + u'/'
                                       : QCoreApplication::applicationDirPath() + u'/';
        // The scale driver reads its own file from the station folder.
        qputenv("TARVIK_STATION_DIR", QFile::encodeName(programDir));
        QuitOnSignals quitOnSignals;
        Station station(programDir);
        TfrMain& main = station.main();
        main.setResumeAfterFailedRun(options.headless);
        if (options.headless) {
            // Nobody is there to activate the window again: a station that
            // cannot start says so and ends instead of idling for ever.
            QObject::connect(&main, &TfrMain::activationFailed, &app, [] { QCoreApplication::exit(1); },
                             Qt::QueuedConnection);
        }
        int runs = 0;
        if (options.quitAfter) {
            QObject::connect(&main, &TfrMain::labelRunEnded, &app, [&] {
                if (++runs >= *options.quitAfter)
                    QCoreApplication::quit();
            });
        }
        if (quitOnSignals.requested())
            return 0;
        tarvik::ui::centreOnScreen(main);
        main.show();
        // Without a window manager (a kiosk display, offscreen) nobody else
        // activates the window, and the first activation starts the station.
        main.activateWindow();
        return app.exec();
    } catch (...) {
        StationApplication::showCurrentError();
        return 1;
    }
}
