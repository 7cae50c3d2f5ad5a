// tarvik-window-shots LINE_BIN OUT_DIR: pictures of every window of the station
// and of the boxes the operator meets, in the station's language (Qt's own texts
// in Ukrainian too), for looking at by eye (scripts/window-shots.sh). Each box
// is raised by the flow that raises it (the reprint with nothing typed, an
// empty box number, "Друк коду", printing a report ...); a responder of the
// prompt layer saves its picture and answers it. Runs on any display
// platform; each window draws itself into its picture, so no X server is
// needed to see a box that lies over another window.

#include "data/database.h"
#include "data/station_store.h"
#include "dialogs/catalogue_tab.h"
#include "model/station_model.h"
#include "dialogs/message_editor.h"
#include "dialogs/settings_dialog.h"
#include "platform/grid/db_grid.h"
#include "platform/ui/masked_edit.h"
#include "platform/ui/prompts.h"
#include "platform/ui/responders.h"
#include "reports/reports_window.h"
#include "station/about_box.h"
#include "station/application.h"
#include "station/main_window.h"
#include "station/station.h"
#include "station/windows.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QDir>
#include <QFont>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QTabWidget>
#include <QTest>
#include <QTextStream>

namespace {

QString outDir;
int shots = 0;

void save(QWidget& w, const QString& name)
{
    QTest::qWait(200);
    const QString file = QStringLiteral("%1/%2-%3.png").arg(outDir).arg(++shots, 2, 10, QChar(u'0')).arg(name);
    w.grab().save(file);
    QTextStream(stdout) << file << "  \"" << w.windowTitle() << "\" " << w.width() << " x " << w.height() << "\n";
}

// Shows each prompt as the operator gets it, saves its picture, and answers it.
class ShotResponder : public tarvik::ui::Responder {
public:
    QString name = QStringLiteral("box");
    QString typed;

    tarvik::ui::Button message(const tarvik::ui::Message& m) override
    {
        QMessageBox box(QMessageBox::NoIcon, m.caption, m.text);
        const QMap<tarvik::ui::Icon, QMessageBox::Icon> icons{{tarvik::ui::Icon::Information, QMessageBox::Information},
                                                              {tarvik::ui::Icon::Warning, QMessageBox::Warning},
                                                              {tarvik::ui::Icon::Critical, QMessageBox::Critical},
                                                              {tarvik::ui::Icon::Question, QMessageBox::Question}};
        box.setIcon(icons.value(m.icon, QMessageBox::NoIcon));
        const QMap<tarvik::ui::Button, QMessageBox::StandardButton> buttons{
            {tarvik::ui::Button::Ok, QMessageBox::Ok},   {tarvik::ui::Button::Cancel, QMessageBox::Cancel},
            {tarvik::ui::Button::Yes, QMessageBox::Yes}, {tarvik::ui::Button::No, QMessageBox::No},
            {tarvik::ui::Button::Abort, QMessageBox::Abort}, {tarvik::ui::Button::Retry, QMessageBox::Retry},
            {tarvik::ui::Button::Ignore, QMessageBox::Ignore}};
        for (tarvik::ui::Button b : m.buttons)
            box.addButton(buttons.value(b));
        box.show();
        save(box, name);
        return m.defaultButton;
    }

    std::optional<QString> input(const tarvik::ui::InputQuery& q) override
    {
        QInputDialog d;
        d.setWindowTitle(q.caption);
        d.setLabelText(q.prompt);
        d.setTextValue(typed);
        d.show();
        save(d, name);
        return typed;
    }

    int dialog(QDialog& d) override
    {
        d.show();
        save(d, name);
        d.reject();
        return QDialog::Rejected;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    tarvik::station::StationApplication app(argc, argv);
    app.setFont(QFont(QStringLiteral("Liberation Sans"), 10));
    if (!app.speakUkrainian())
        QTextStream(stderr) << "qtbase_uk.qm is missing: Qt's own texts stay English\n";
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        QTextStream(stderr) << "Usage: tarvik-window-shots LINE_BIN OUT_DIR\n";
        return 2;
    }
    auto owned = std::make_unique<ShotResponder>();
    ShotResponder& shot = *owned;
    tarvik::ui::prompts().setResponder(std::move(owned));
    const QString programDir = QDir(args[1]).absolutePath() + u'/';
    qputenv("TARVIK_STATION_DIR", QFile::encodeName(programDir));
    outDir = args[2];
    QDir().mkpath(outDir);
    const auto as = [&](const QString& name, auto&& f) {
        shot.name = name;
        tarvik::ui::guarded(f);
    };
    try {
        tarvik::station::Station station(programDir);
        frMain->show();
        save(*frMain, QStringLiteral("main"));
        Abou->adjustSize();
        Abou->show();
        save(*Abou, QStringLiteral("about"));
        Abou->hide();

        frSetting->show();
        for (int i = 0; i < frSetting->PageControl1->count(); ++i) {
            frSetting->PageControl1->setCurrentIndex(i);
            save(*frSetting, QStringLiteral("settings-tab%1").arg(i + 1));
        }
        frSetting->PageControl1->setCurrentWidget(frSetting->TabSheet1);
        as(QStringLiteral("reprint-error"), [] { frSetting->Button5Click(); });
        frSetting->PageControl1->setCurrentWidget(frSetting->Sheet1);
        frSetting->NumBox->setText(QString());
        as(QStringLiteral("empty-box-number"), [] { frSetting->NumBoxEnter(); });
        frSetting->EditV->setText(QStringLiteral("Лінія中"));
        as(QStringLiteral("code-page-error"), [] { frSetting->SaveSettings(); });
        frSetting->EditV->setText(QStringLiteral("Demo"));
        frSetting->SaveSettings();
        shot.typed = QStringLiteral("482000000001");
        as(QStringLiteral("barcode-test"), [] { frSetting->Button3Click(); });
        frSetting->hide();

        // Two rows of this scale in the log, so the list, its totals and the
        // question before a row is deleted have something to show.
        for (const char* run : {"shot-1", "shot-2"}) {
            tarvik::data::LogRow row{QStringLiteral("Сир Голландський"), QDate::currentDate(), QStringLiteral("1,229"),
                                     QStringLiteral("233,27"), QStringLiteral("2    "),
                                     frMain->model().settings().nameWeight};
            frMain->model().store().insertLogRowOnce(QString::fromLatin1(run), row);
        }
        frMain->model().database().transaction().commitRetaining();
        FZvit->show();
        save(*FZvit, QStringLiteral("reports"));
        QCalendarWidget* calendar = FZvit->Date1->calendarWidget();
        calendar->setSelectedDate(QDate(2026, 12, 9));
        calendar->resize(calendar->sizeHint());
        save(*calendar, QStringLiteral("reports-calendar"));
        as(QStringLiteral("reports-preview"), [] { FZvit->BitBtn2Click(); });
        FZvit->DBGrid->setFocus();
        as(QStringLiteral("reports-delete-question"), [] { FZvit->DBGrid->deleteCurrentRow(); });
        FZvit->close();

        QPrinter printer;
        QPrintDialog print(&printer);
        print.show();
        save(print, QStringLiteral("print-dialog"));
        print.hide();

        FormEdit->setCatalogue(frSetting->Catalogue->Grid, frSetting->Catalogue->source());
        FormEdit->show();
        save(*FormEdit, QStringLiteral("dictionary"));
        FormEdit->hide();
    } catch (...) {
        tarvik::ui::showCurrentError();
        return 1;
    }
    return 0;
}
