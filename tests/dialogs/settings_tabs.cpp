// tarvik-settings-tabs LINE_BIN OUT_DIR: shows the settings window of the
// station in LINE_BIN on the real display and saves what the screen shows of
// each tab as OUT_DIR/settings-N.png, for looking at the layout by eye
// (scripts/settings-screenshots.sh runs it under Xvfb).

#include "dialogs/settings_dialog.h"
#include "platform/ui/prompts.h"
#include "platform/ui/responders.h"
#include "station/application.h"
#include "station/main_window.h"
#include "station/station.h"
#include "station/windows.h"

#include <QDir>
#include <QFont>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTextStream>

int main(int argc, char** argv)
{
    tarvik::station::StationApplication app(argc, argv);
    app.setFont(QFont(QStringLiteral("Liberation Sans"), 10));
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        QTextStream(stderr) << "Usage: tarvik-settings-tabs LINE_BIN OUT_DIR\n";
        return 2;
    }
    // Boxes are answered and written to standard error: nobody clicks here.
    tarvik::ui::prompts().setResponder(std::make_unique<tarvik::ui::HeadlessResponder>());
    const QString programDir = QDir(args[1]).absolutePath() + u'/';
    qputenv("TARVIK_STATION_DIR", QFile::encodeName(programDir));
    QDir().mkpath(args[2]);
    try {
        tarvik::station::Station station(programDir);
        frSetting->show();
        frSetting->raise();
        QTest::qWait(500);
        QTextStream out(stdout);
        out << "client area " << frSetting->width() << " x " << frSetting->height() << "\n";
        for (int i = 0; i < frSetting->PageControl1->count(); ++i) {
            frSetting->PageControl1->setCurrentIndex(i);
            QTest::qWait(400);
            const QPixmap shot = frSetting->screen()->grabWindow(frSetting->winId());
            const QString file = QStringLiteral("%1/settings-%2.png").arg(args[2]).arg(i + 1);
            shot.save(file);
            out << file << "  " << frSetting->PageControl1->tabText(i) << "\n";
        }
        frSetting->hide();
    } catch (...) {
        tarvik::ui::showCurrentError();
        return 1;
    }
    return 0;
}
