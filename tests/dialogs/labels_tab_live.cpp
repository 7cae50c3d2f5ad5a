// tarvik-labels-tab LINE_BIN SECONDS: shows the settings window of the station
// in LINE_BIN on its tab "Етикетки" on the real display for SECONDS, with real
// boxes and the real field text editor, and prints where the two previews lie
// on the screen, so that a script can drive them with xdotool and look at the
// result (scripts/layout-editor-screenshots.sh, scripts/field-editor-screenshots.sh).

#include "dialogs/field_editor.h"
#include "dialogs/labels_tab.h"
#include "dialogs/settings_dialog.h"
#include "platform/preview/page_preview.h"
#include "platform/ui/prompts.h"
#include "station/application.h"
#include "station/station.h"
#include "station/windows.h"

#include <QDir>
#include <QFont>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextStream>
#include <QTimer>

int main(int argc, char** argv)
{
    tarvik::station::StationApplication app(argc, argv);
    app.setFont(QFont(QStringLiteral("Liberation Sans"), 10));
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        QTextStream(stderr) << "Usage: tarvik-labels-tab LINE_BIN SECONDS\n";
        return 2;
    }
    const QString programDir = QDir(args[1]).absolutePath() + u'/';
    qputenv("TARVIK_STATION_DIR", QFile::encodeName(programDir));
    try {
        tarvik::station::Station station(programDir);
        frSetting->show();
        frSetting->raise();
        frSetting->activateWindow();
        frSetting->PageControl1->setCurrentWidget(frSetting->Sheet3);
        QTest::qWait(500);
        QTextStream out(stdout);
        for (const char* name : {"Image1", "Image2"}) {
            auto* image = frSetting->findChild<tarvik::printing::PageView*>(QString::fromLatin1(name));
            const QPoint at = image->mapToGlobal(QPoint(0, 0));
            out << name << ' ' << at.x() << ' ' << at.y() << ' ' << image->width() << ' ' << image->height()
                << Qt::endl;
        }
        auto* list = frSetting->findChild<QTableWidget*>(QStringLiteral("ValueList"));
        const QPoint cell = list->viewport()->mapToGlobal(list->visualItemRect(list->item(2, 1)).center());
        out << "Cell2 " << cell.x() << ' ' << cell.y() << Qt::endl;
        // Where the field text editor's controls lie, once it is open.
        QTimer editorWatch;
        QObject::connect(&editorWatch, &QTimer::timeout, &editorWatch, [&] {
            if (!Form1 || !Form1->isVisible())
                return;
            editorWatch.stop();
            for (QWidget* w : Form1->findChildren<QWidget*>()) {
                if (!w->objectName().startsWith(u"TB") && w->objectName() != u"RichEdit1")
                    continue;
                const QPoint c = w->mapToGlobal(w->rect().center());
                out << w->objectName() << ' ' << c.x() << ' ' << c.y() << Qt::endl;
            }
        });
        editorWatch.start(100);
        // Ends also from inside a modal window that the script left open.
        QTimer::singleShot(args[2].toInt() * 1000, &app, [] { QCoreApplication::exit(0); });
        app.exec();
        frSetting->hide();
    } catch (...) {
        tarvik::ui::showCurrentError();
        return 1;
    }
    return 0;
}
