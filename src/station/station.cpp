#include "station/station.h"

#include "dialogs/catalogue_tab.h"
#include "dialogs/field_editor.h"
#include "dialogs/labels_tab.h"
#include "dialogs/message_editor.h"
#include "dialogs/settings_dialog.h"
#include "data/database.h"
#include "labels/station_files.h"
#include "model/station_model.h"
#include "platform/ui/prompts.h"
#include "reports/report_settings.h"
#include "reports/reports_window.h"
#include "station/about_box.h"
#include "station/cycle_rules.h"
#include "station/index_progress.h"
#include "station/main_window.h"
#include "station/windows.h"

#include <QTextStream>

TfrMain* frMain = nullptr;
TAbou* Abou = nullptr;
TfrSetting* frSetting = nullptr;
TForm1* Form1 = nullptr;
TFZvit* FZvit = nullptr;
TFormEdit* FormEdit = nullptr;

namespace tarvik::station {

namespace {

// The reports select this station's rows by the model's scale name.
class ModelReportSettings : public reports::ReportSettings {
public:
    explicit ModelReportSettings(const model::StationModel& m) : model_(m) {}
    QString scaleName() const override { return model_.settings().nameWeight; }
    reports::WeightLimits weightLimits() const override
    {
        // The settings hold grams; the log's weights are kilograms.
        const auto kg = [](std::optional<std::int64_t> g) -> std::optional<Currency> {
            if (!g)
                return std::nullopt;
            return Currency::fromText(QStringLiteral("%1,%2").arg(*g / 1000).arg(*g % 1000, 3, 10, QLatin1Char('0')));
        };
        try {
            const WeightLimits l = tarvik::station::weightLimits(model_.settings().netMin1, model_.settings().netMax1);
            return {kg(l.min), kg(l.max)};
        } catch (const Error&) {
            return {};  // a limit field the weighing refuses marks nothing
        }
    }

private:
    const model::StationModel& model_;
};

QString withSlash(const QString& dir)
{
    return dir.endsWith(u'/') ? dir : dir + u'/';
}

}  // namespace

// Destroyed in reverse order of creation: the main window last, then the model.
struct Station::Windows {
    std::unique_ptr<model::StationModel> model;
    std::unique_ptr<IndexProgressWindow> indexProgress;
    std::unique_ptr<ModelReportSettings> reportSettings;
    std::unique_ptr<TfrMain> main;
    std::unique_ptr<TAbou> about;
    std::unique_ptr<TfrSetting> setting;
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TFZvit> zvit;
    std::unique_ptr<TFormEdit> formEdit;
};

Station::Station(const QString& programDir) : w_(std::make_unique<Windows>())
{
    w_->model = std::make_unique<model::StationModel>(withSlash(programDir));
    w_->reportSettings = std::make_unique<ModelReportSettings>(*w_->model);
    w_->main = std::make_unique<TfrMain>(*w_->model);
    frMain = w_->main.get();
    ui::guarded([&] {
        frMain->FormCreate(programDir);
        // A station folder that lacks its label files gets them; nothing is overwritten.
        labels::installMissingStationFiles(frMain->ProgramDir(), labels::findStationResources());
    });

    w_->about = std::make_unique<TAbou>(frMain);
    Abou = w_->about.get();

    w_->setting = std::make_unique<TfrSetting>(*w_->model, frMain->pollingHold(TfrMain::PollingHolder::Settings), frMain);
    frSetting = w_->setting.get();
    // The settings dialog's creation connects the database.
    w_->indexProgress = std::make_unique<IndexProgressWindow>(frMain);
    w_->model->setSchemaProgress(w_->indexProgress.get());
    ui::guarded([&] { frSetting->FormCreate(); });
    w_->model->setSchemaProgress(nullptr);
    w_->indexProgress.reset();
    // Said once, on standard error, the station's log.
    for (const QString& warning : w_->model->connectionWarnings())
        QTextStream(stderr) << "Tarvik: " << warning << "\n";
    if (const data::Database* db = w_->model->databaseOrNull())
        for (const QString& note : db->schemaNotes())
            QTextStream(stderr) << "Tarvik: " << note << "\n";

    w_->form1 = std::make_unique<TForm1>(w_->model->pages(), frMain);
    Form1 = w_->form1.get();
    // "Редагувати" on the tab "Етикетки" opens it.
    frSetting->LabelsTab->setFieldEditor(Form1);

    w_->zvit = std::make_unique<TFZvit>(frMain->pollingHold(TfrMain::PollingHolder::Reports), w_->model->databaseOrNull(), *w_->reportSettings,
                                        frMain->ProgramDir());
    FZvit = w_->zvit.get();
    ui::guarded([&] { FZvit->FormCreate(); });
    frMain->Cycle().setLogRowWritten([zvit = FZvit] { zvit->ReopenTable(); });

    w_->formEdit = std::make_unique<TFormEdit>(*w_->model, frMain);
    FormEdit = w_->formEdit.get();
    frSetting->Catalogue->setDictionary(FormEdit);
}

Station::~Station()
{
    FormEdit = nullptr;
    FZvit = nullptr;
    Form1 = nullptr;
    frSetting = nullptr;
    Abou = nullptr;
    // The main window goes last: the others reach its timer until then.
    w_->formEdit.reset();
    w_->zvit.reset();
    w_->setting->LabelsTab->setFieldEditor(nullptr);
    w_->form1.reset();
    w_->setting.reset();
    w_->about.reset();
    w_->main.reset();
    frMain = nullptr;
    w_->model.reset();
}

TfrMain& Station::main()
{
    return *w_->main;
}

model::StationModel& Station::model()
{
    return *w_->model;
}

}  // namespace tarvik::station
