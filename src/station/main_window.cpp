#include "station/main_window.h"

#include "labels/input_checks.h"
#include "model/station_model.h"
#include "platform/ui/masked_edit.h"
#include "platform/ui/prompts.h"
#include "platform/ui/window_place.h"
#include "dialogs/settings_dialog.h"
#include "reports/reports_window.h"
#include "station/about_box.h"
#include "station/cycle_rules.h"
#include "station/scale_reading.h"
#include "station/windows.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>

using tarvik::ui::MaskedEdit;

namespace {

// The weight of a load held back by the weight limits, and the text saying why.
const QColor kWarningColour(0xC0, 0x00, 0x00);

QGroupBox* framed(const QString& caption, QWidget* field, QWidget* parent)
{
    auto* g = new QGroupBox(caption, parent);
    auto* l = new QHBoxLayout(g);
    l->setContentsMargins(6, 2, 6, 4);
    l->addWidget(field);
    return g;
}

template <class W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

}  // namespace

// One window's pause of the polling timer.
class TfrMain::Hold : public tarvik::ui::PollingTimer {
public:
    explicit Hold(TfrMain& main) : main_(main) {}
    void stopPolling() override
    {
        held = true;
        main_.stopPolling();
    }
    void startPolling() override
    {
        held = false;
        main_.startPolling();
    }
    bool held = false;

private:
    TfrMain& main_;
};

TfrMain::TfrMain(tarvik::model::StationModel& model, QWidget* parent)
    : QMainWindow(parent),
      model_(model),
      settingsHold_(std::make_unique<Hold>(*this)),
      reportsHold_(std::make_unique<Hold>(*this))
{
    setObjectName(QStringLiteral("frMain"));
    setWindowTitle(QStringLiteral("Tarvik ver.1.1"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    QFont f = font();
    f.setBold(true);
    setFont(f);

    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);
    WEdit = named(new QLineEdit, "WEdit");
    SEdit = named(new QLineEdit, "SEdit");
    WEdit->setEnabled(false);
    SEdit->setEnabled(false);
    // Read-only displays the operator reads from a distance: full contrast,
    // not the greyed text of a disabled field.
    for (QLineEdit* display : {WEdit, SEdit}) {
        QPalette p = display->palette();
        p.setColor(QPalette::Disabled, QPalette::Text, p.color(QPalette::Active, QPalette::Text));
        display->setPalette(p);
    }
    QFont big = WEdit->font();
    big.setPointSize(big.pointSize() * 2);
    WEdit->setFont(big);
    WEdit->setAlignment(Qt::AlignRight);
    MaskEdit1 = named(new MaskedEdit(5), "MaskEdit1");
    MaskEdit2 = named(new MaskedEdit(5), "MaskEdit2");
    MaskEdit1->setText(model_.weighing().batch.text());
    MaskEdit2->setText(model_.weighing().place.text());
    // The operator's batch and place numbers go to the model as typed.
    connect(MaskEdit1, &QLineEdit::textChanged, this,
            [this] { model_.setBatch(tarvik::MaskedDigits::of(MaskEdit1->text(), 5)); });
    connect(MaskEdit2, &QLineEdit::textChanged, this,
            [this] { model_.setPlace(tarvik::MaskedDigits::of(MaskEdit2->text(), 5)); });
    Edit2 = named(new QLineEdit, "Edit2");
    Edit2->setReadOnly(true);
    Edit7 = named(new QLineEdit, "Edit7");
    Edit7->setReadOnly(true);
    Edit7->setText(QStringLiteral("0"));
    MaskEdit3 = named(new MaskedEdit(5), "MaskEdit3");
    MaskEdit3->setReadOnly(true);
    MaskEdit3->setText(QStringLiteral("0"));

    v->addWidget(framed(QStringLiteral("ВАГА"), WEdit, central));
    LimitLabel = named(new QLabel(central), "LimitLabel");
    {
        QPalette p = LimitLabel->palette();
        p.setColor(QPalette::WindowText, kWarningColour);
        LimitLabel->setPalette(p);
        // Room for the text kept while there is none, so the window keeps its size.
        LimitLabel->setMinimumHeight(LimitLabel->fontMetrics().height());
        LimitLabel->setWordWrap(true);
    }
    v->addWidget(LimitLabel);
    v->addWidget(framed(QStringLiteral("СТАБІЛЬНА"), SEdit, central));
    auto* numbers = new QHBoxLayout;
    numbers->addWidget(framed(QStringLiteral("№ партії"), MaskEdit1, central));
    numbers->addWidget(framed(QStringLiteral("№ місця"), MaskEdit2, central));
    numbers->addWidget(framed(QStringLiteral("№ кор."), Edit2, central));
    v->addLayout(numbers);
    auto* box = new QHBoxLayout;
    box->addWidget(framed(QStringLiteral("Етикеток"), Edit7, central));
    box->addWidget(framed(QStringLiteral("Маса"), MaskEdit3, central));
    v->addLayout(box);
    setCentralWidget(central);

    Timer = named(new QTimer(this), "Timer");
    Timer->setInterval(100);
    connect(Timer, &QTimer::timeout, this, &TfrMain::TimerTimer);
    cycle_ = std::make_unique<tarvik::station::WeighingCycle>(*Timer, model_);
    // The server is back: what the outage cut short is finished, and weighing goes on.
    connect(&model_, &tarvik::model::StationModel::databaseBack, this, [this] {
        QTextStream(stderr) << "Tarvik: зв'язок з базою даних відновлено\n";
        tarvik::ui::guarded([this] {
            const QStringList done = cycle_->recover();
            if (!done.isEmpty())
                QTextStream(stderr) << done.join(u'\n') << "\n";
        });
        startPolling();
    });

    MMenu = named(new QMenuBar(this), "MMenu");
    setMenuBar(MMenu);
    N1 = named(MMenu->addMenu(QStringLiteral("Файл")), "N1");
    N5 = named(N1->addAction(QStringLiteral("Вихід")), "N5");
    N2 = named(MMenu->addAction(QStringLiteral("Звіти")), "N2");
    N4 = named(MMenu->addAction(QStringLiteral("Налаштування")), "N4");
    N6 = named(MMenu->addAction(QStringLiteral("Друк етикетки")), "N6");
    N3 = named(MMenu->addAction(QStringLiteral("Про программу")), "N3");
    connect(N5, &QAction::triggered, this, &TfrMain::N5Click);
    connect(N2, &QAction::triggered, this, &TfrMain::N2Click);
    connect(N4, &QAction::triggered, this, &TfrMain::N4Click);
    connect(N3, &QAction::triggered, this, &TfrMain::N3Click);
    // N6 ("Друк етикетки") has no action.

    connect(&model_, &tarvik::model::StationModel::weighingChanged, this, &TfrMain::showWeighing);
    connect(&model_, &tarvik::model::StationModel::boxDisplayChanged, this, &TfrMain::showBox);

    setFixedSize(sizeHint().expandedTo(QSize(380, 0)));
}

void TfrMain::showWeighing()
{
    const tarvik::model::Weighing& w = model_.weighing();
    WEdit->setText(w.weight);
    if (w.limitAlarm != shownAlarm_) {
        shownAlarm_ = w.limitAlarm;
        QPalette p = WEdit->palette();
        const QColor text = shownAlarm_.isEmpty() ? palette().color(QPalette::Active, QPalette::Text) : kWarningColour;
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            p.setColor(group, QPalette::Text, text);
        WEdit->setPalette(p);
        LimitLabel->setText(shownAlarm_);
        // Nobody may be looking at the window (headless): said where a log reader sees it.
        if (!shownAlarm_.isEmpty())
            QTextStream(stderr) << "Tarvik: етикетку не надруковано. " << shownAlarm_ << "\n";
    }
    // Blank until the first reading.
    if (w.stable)
        SEdit->setText(*w.stable ? QString::fromUtf16(tarvik::station::kStableText)
                                 : QString::fromUtf16(tarvik::station::kUnstableText));
}

void TfrMain::showBox()
{
    const tarvik::model::BoxDisplay& d = model_.boxDisplay();
    Edit7->setText(d.count);
    MaskEdit3->showText(d.mass);
    Edit2->setText(d.number);
}

TfrMain::~TfrMain()
{
    Timer->stop();
    scale_.release();
}

void TfrMain::FormCreate(const QString& programDir)
{
    ProgramDir_ = programDir.endsWith(u'/') ? programDir : programDir + u'/';
}

void TfrMain::FormActivate()
{
    if (scale_.isConnected())
        return;
    // Everything that is wrong with the settings is said at once: what does
    // not load, and what a label run would refuse.
    QStringList problems;
    auto collect = [&problems](auto&& load) {
        try {
            load();
        } catch (const tarvik::Error& e) {
            problems << e.text();
        }
    };
    collect([&] { model_.LoadSettings(); });
    bool startupRead = true;
    try {
        model_.LoadStartupSettings();
    } catch (const tarvik::Error& e) {
        startupRead = false;
        // Values out of bounds are listed below with the rest, key by key.
        if (tarvik::data::startupSettingsProblems(model_.startup()).isEmpty())
            problems << e.text();
    }
    // Every tick compares with the zero threshold: without one, none could.
    bool zeroRead = true;
    try {
        tarvik::station::zeroThreshold(model_.settings().weightZero.text());
    } catch (const tarvik::Error&) {
        zeroRead = false;
    }
    const bool loaded = problems.isEmpty() && startupRead && zeroRead;
    problems += tarvik::labels::stationSettingsProblems(model_.settings(), model_.startup(),
                                                        model_.listLengths().products);
    problems.removeDuplicates();
    const auto message = tarvik::labels::stationSettingsMessage(problems);
    // Settings that do not load, or a poll interval out of bounds, stop the
    // activation: polling would run on values nobody chose.
    if (!loaded)
        throw tarvik::Error(*message);
    const auto startup = model_.startup();
    // Runs that a killed process left unfinished are finished first; an error
    // here is shown, and the journal keeps them for the next try.
    tarvik::ui::guarded([this] {
        const QStringList done = cycle_->recover();
        if (done.isEmpty())
            return;
        tarvik::ui::Message m;
        m.caption = QStringLiteral("Перерваний друк");
        m.text = done.join(u'\n');
        m.icon = tarvik::ui::Icon::Information;
        tarvik::ui::prompts().message(m);
    });
    Timer->setInterval(startup.interval);
    scale_.connect(model_.settings().comPort);
    startPolling();
    // Missing values only stop label runs: the weight is shown meanwhile.
    if (message) {
        tarvik::ui::Message m;
        m.caption = QStringLiteral("Налаштування станції");
        m.text = *message;
        m.icon = tarvik::ui::Icon::Warning;
        tarvik::ui::prompts().message(m);
    }
}

void TfrMain::TimerTimer()
{
    // A box raised by an earlier tick is still open: its nested event loop
    // must not run further ticks, or boxes would pile up.
    if (tarvik::ui::prompts().isOpen() || !scale_.isConnected())
        return;
    const QString reading = scale_.read();
    const auto fields = tarvik::station::splitReading(reading);
    if (!fields)
        return;
    const bool stable = fields->stable();
    model_.setStable(stable);
    const QString text = tarvik::station::normaliseWeightText(fields->weight, model_.settings().typeScale);
    const Currency weight = [&] {
        try {
            return Currency::fromText(text);
        } catch (const tarvik::ConvertError& e) {
            throw tarvik::ConvertError(QStringLiteral("Вага від ваг (поле \"ВАГА\"): %1").arg(e.text()));
        }
    }();
    model_.setWeight(text);
    WeighingDecision(weight, stable);
}

void TfrMain::WeighingDecision(Currency weight, bool stable)
{
    const auto outcome = cycle_->decide(weight, stable);
    if (outcome == tarvik::station::RunOutcome::None || outcome == tarvik::station::RunOutcome::HeldBack)
        return;
    if (outcome == tarvik::station::RunOutcome::Failed && resumeAfterFailedRun_) {
        // The load that failed is not labelled again while it lies there: a
        // run that failed after its label would print and log it at every
        // poll. Lifting it re-arms as usual.
        cycle_->PrintedFlag = true;
        startPolling();
    }
    Q_EMIT labelRunEnded();
}

void TfrMain::N2Click()
{
    if (!FZvit->isVisible())
        tarvik::ui::centreOnScreen(*FZvit);
    FZvit->show();
    FZvit->raise();
}

void TfrMain::N3Click()
{
    Abou->adjustSize();
    tarvik::ui::centreOnScreen(*Abou);
    // The about box does not pause the station: weighing goes on behind it.
    tarvik::ui::prompts().dialog(*Abou, tarvik::ui::Prompts::Polling::Continues);
}

void TfrMain::N4Click()
{
    tarvik::ui::prompts().dialog(*frSetting);
}

void TfrMain::N5Click()
{
    close();
}

void TfrMain::stopPolling()
{
    Timer->stop();
}

void TfrMain::startPolling()
{
    // Without a scale link there is nothing to poll; the next activation connects.
    if (scale_.isConnected() && !pollingHeld())
        Timer->start();
}

tarvik::ui::PollingTimer& TfrMain::pollingHold(PollingHolder who)
{
    return who == PollingHolder::Settings ? *settingsHold_ : *reportsHold_;
}

bool TfrMain::pollingHeld() const
{
    return settingsHold_->held || reportsHold_->held;
}

bool TfrMain::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate && !tarvik::ui::prompts().isOpen()) {
        const bool result = QMainWindow::event(e);
        // The activation that returns from the error box of a failed one is
        // not a new attempt: it would raise the same box again at once.
        if (std::exchange(skipActivation_, false))
            return result;
        try {
            FormActivate();
        } catch (...) {
            skipActivation_ = true;
            Q_EMIT activationFailed();
            throw;
        }
        return result;
    }
    return QMainWindow::event(e);
}
