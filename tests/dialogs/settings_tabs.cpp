// tarvik-settings-tabs LINE_BIN OUT_DIR [--catalogue]: shows the settings
// window of the station in LINE_BIN on the real display and saves what the
// screen shows of each tab as OUT_DIR/settings-N.png, for looking at the
// layout by eye (scripts/settings-screenshots.sh runs it under Xvfb). With
// --catalogue it shows the tab "Товари" and then the message dictionary over
// it, and saves the whole screen as OUT_DIR/dictionary.png.

#include "dialogs/catalogue_tab.h"
#include "dialogs/message_editor.h"
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
    const bool catalogue = args.size() == 4 && args[3] == u"--catalogue";
    if (args.size() != 3 && !catalogue) {
        QTextStream(stderr) << "Usage: tarvik-settings-tabs LINE_BIN OUT_DIR [--catalogue]\n";
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
        if (catalogue) {
            frSetting->PageControl1->setCurrentWidget(frSetting->Sheet2);
            QTest::qWait(400);
            frSetting->screen()->grabWindow(frSetting->winId()).save(args[2] + QStringLiteral("/catalogue.png"));
            // The dictionary as the ellipsis opens it, over the settings window.
            FormEdit->setCatalogue(frSetting->Catalogue->Grid, frSetting->Catalogue->source());
            FormEdit->show();
            QTest::qWait(600);
            frSetting->screen()->grabWindow(0).save(args[2] + QStringLiteral("/dictionary.png"));
            const QRect screen = FormEdit->screen()->availableGeometry();
            out << "dictionary " << FormEdit->width() << " x " << FormEdit->height() << " at " << FormEdit->x() << ","
                << FormEdit->y() << " on a screen of " << screen.width() << " x " << screen.height() << "\n";
            FormEdit->hide();
            frSetting->hide();
            return 0;
        }
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
