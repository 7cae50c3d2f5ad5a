#include "dialogs/settings_dialog.h"

#include "barcode/barcode_types.h"
#include "data/settings_files.h"
#include "data/station_store.h"
#include "dialogs/catalogue_tab.h"
#include "dialogs/label_actions.h"
#include "dialogs/labels_tab.h"
#include "labels/label_pages.h"
#include "model/station_model.h"
#include "platform/text/currency.h"
#include "platform/text/error.h"
#include "platform/ui/masked_edit.h"
#include "platform/ui/prompts.h"
#include "platform/ui/station_hooks.h"
#include "platform/ui/window_place.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using tarvik::MaskedDigits;
using tarvik::ui::MaskedEdit;

namespace {

template <class W>
W* named(W* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QGroupBox* box(const QString& caption, QWidget* content, QWidget* parent)
{
    auto* g = new QGroupBox(caption, parent);
    auto* l = new QHBoxLayout(g);
    l->setContentsMargins(6, 4, 6, 4);
    content->setParent(g);
    l->addWidget(content);
    return g;
}

QLineEdit* readOnly(QLineEdit* e)
{
    e->setReadOnly(true);
    return e;
}

// The controls of one label's "Штрих код" group.
struct BarcodeGroup {
    QLineEdit*& content;    // Edit5 / Edit6
    QCheckBox*& checkSum;   // CheckBox1 / CheckBox2
    QComboBox*& method;     // SumBox1 / SumBox2
    QComboBox*& type;       // TypeBox1 / TypeBox2
    QPushButton*& test;     // Button3 / Button4
};

// Builds the group with its controls named after the label's designer names.
QGroupBox* barcodeGroup(const BarcodeGroup& g, const char* edit, const char* check, const char* sum,
                        const char* type, const char* button, QWidget* parent)
{
    auto* row = new QWidget;
    auto* v = new QGridLayout(row);
    v->setContentsMargins(0, 0, 0, 0);
    g.content = named(new QLineEdit(row), edit);
    g.content->setMaxLength(tarvik::data::kBarcodeTemplateLength);
    g.checkSum = named(new QCheckBox(QStringLiteral("CheckSum"), row), check);
    g.method = named(new QComboBox(row), sum);
    g.method->addItems({QStringLiteral("csmNone"), QStringLiteral("csmModulo10")});
    g.type = named(new QComboBox(row), type);
    g.type->addItems(tarvik::barcode::barcodeTypeNames());
    g.test = named(new QPushButton(QStringLiteral("Друк коду"), row), button);
    v->addWidget(g.content, 0, 0, 1, 2);
    v->addWidget(new QLabel(QStringLiteral("C- Код товару"), row), 1, 0);
    v->addWidget(new QLabel(QStringLiteral("W - Вага товару"), row), 1, 1);
    v->addWidget(g.checkSum, 2, 0);
    v->addWidget(g.method, 2, 1);
    v->addWidget(g.type, 3, 0);
    v->addWidget(g.test, 3, 1);
    return box(QStringLiteral("Штрих код"), row, parent);
}

}  // namespace

TfrSetting::TfrSetting(tarvik::model::StationModel& model, tarvik::ui::PollingTimer& timer, QWidget* parent)
    : QDialog(parent), model_(model), timer_(timer)
{
    Actions = new tarvik::dialogs::LabelActions(model_.pages(), this);
    setObjectName(QStringLiteral("frSetting"));
    setWindowTitle(QStringLiteral("Налаштування"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(908, 615);
    // Sized in pixels, so a larger system font does not overflow the layout.
    QFont f = font();
    f.setPixelSize(12);
    setFont(f);

    auto* root = new QVBoxLayout(this);
    PageControl1 = named(new QTabWidget(this), "PageControl1");
    root->addWidget(PageControl1, 1);

    Sheet1 = named(new QWidget, "Sheet1");
    Sheet2 = named(new QWidget, "Sheet2");
    Sheet3 = named(new QWidget, "Sheet3");
    TabSheet1 = named(new QWidget, "TabSheet1");
    PageControl1->addTab(Sheet1, QStringLiteral("Программи"));
    PageControl1->addTab(Sheet2, QStringLiteral("Товари"));
    PageControl1->addTab(Sheet3, QStringLiteral("Етикетки"));
    PageControl1->addTab(TabSheet1, QStringLiteral("Повторний друк"));
    buildProgramTab();
    buildReprintTab();
    {
        auto* l = new QVBoxLayout(Sheet2);
        l->setContentsMargins(0, 0, 0, 0);
        Catalogue = new tarvik::dialogs::CatalogueTab(model_, Sheet2);
        l->addWidget(Catalogue);
    }
    {
        auto* l = new QVBoxLayout(Sheet3);
        l->setContentsMargins(0, 0, 0, 0);
        LabelsTab = new tarvik::dialogs::LabelsTab(model_.pages(), *Actions, Sheet3);
        l->addWidget(LabelsTab);
    }

    auto* strip = new QHBoxLayout;
    bOk = named(new QPushButton(QStringLiteral("Ok"), this), "bOk");
    bCancel = named(new QPushButton(QStringLiteral("Відмінити"), this), "bCancel");
    bApply = named(new QPushButton(QStringLiteral("Застосувати"), this), "bApply");
    strip->addWidget(bOk);
    strip->addWidget(bCancel);
    strip->addWidget(bApply);
    strip->addStretch(1);
    root->addLayout(strip);

    // A refused value is shown and the dialog stays open with it.
    connect(bApply, &QPushButton::clicked, this, [this] { tarvik::ui::guarded([this] { SaveSettings(); }); });
    connect(bOk, &QPushButton::clicked, this, [this] {
        tarvik::ui::guarded([this] {
            SaveSettings();
            accept();
        });
    });
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    connect(Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
    connect(DBBox1, &QComboBox::activated, this, [this] { DBBox1Select(); });
    connect(DBBox2, &QComboBox::activated, this, [this] { DBBox2Select(); });
    NumBox->installEventFilter(this);
    // No button is the default one, nor drawn as it: Enter in a field presses none.
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setAutoDefault(false);
    // The first show opens on the reprint tab; later shows on the last tab.
    PageControl1->setCurrentWidget(TabSheet1);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int i) { tabShown(i); });
    // The weighing cycle changes the model while the dialog is hidden.
    connect(&model_, &tarvik::model::StationModel::settingsChanged, this, &TfrSetting::showSettings);
    connect(&model_, &tarvik::model::StationModel::boxChanged, this, &TfrSetting::showBox);
    showSettings();
    showBox();
}

void TfrSetting::FormCreate()
{
    model_.connectDatabase();
    Catalogue->attach();
    LabelsTab->fillPrinterLists();
    LoadLabelTemplates();
    model_.pages().layOutLabels();
}

void TfrSetting::Button3Click()
{
    Actions->BarcodeTestClick(13);
}

void TfrSetting::Button4Click()
{
    Actions->BarcodeTestClick(128);
}

void TfrSetting::Button5Click()
{
    Actions->Button5Click(Edit11->text(), Edit12->text());
}

void TfrSetting::showProductLists()
{
    // Every label run reloads the settings: lists of thousands of products
    // are filled again only when the catalogue changed.
    const QStringList& names = model_.productNames();
    if (names == shownProducts_ && DBBox1->count() == names.size())
        return;
    for (QComboBox* box : {DBBox1, DBBox2}) {
        box->clear();
        box->addItems(names);
    }
    shownProducts_ = names;
}

void TfrSetting::DBBox1Select()
{
    Edit9->setText(DBBox1->currentIndex() < 0 ? QString() : model_.productIdText(DBBox1->currentText()));
}

void TfrSetting::DBBox2Select()
{
    Edit10->setText(DBBox2->currentIndex() < 0 ? QString() : model_.productIdText(DBBox2->currentText()));
}

void TfrSetting::NumBoxEnter()
{
    try {
        model_.store().setBoxNumber(NumBox->text().trimmed());
    } catch (const tarvik::ConvertError& e) {
        // The operator is told which field holds what is not a number.
        throw tarvik::ConvertError(QStringLiteral("№ коробки: %1").arg(e.text()));
    }
}

bool TfrSetting::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == NumBox && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Enter stores the number and is not passed on (it would press Ok).
            NumBoxEnter();
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void TfrSetting::keyPressEvent(QKeyEvent* e)
{
    // The dialog has no default button: Enter in a field does nothing (a
    // dialog would otherwise press its first button, "Друк коду").
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TfrSetting::tabShown(int index)
{
    QWidget* page = PageControl1->widget(index);
    // Shown by the error display; the tab stays shown with what was loaded.
    tarvik::ui::guarded([&] {
        if (page == Sheet1 || page == Sheet2) {
            LoadSettings();
        } else if (page == Sheet3) {
            LoadLabelTemplates();
            LoadSettings();
        }
    });
}

void TfrSetting::LoadLabelTemplates()
{
    model_.pages().LoadLabelTemplates();
}

TfrSetting::~TfrSetting() = default;

void TfrSetting::buildProgramTab()
{
    auto* grid = new QGridLayout(Sheet1);

    auto* g1 = named(new QGroupBox(QStringLiteral("ЕТИКЕТКА №1"), Sheet1), "GroupBox1");
    auto* l1 = new QVBoxLayout(g1);
    {
        auto* row = new QWidget;
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        Edit9 = readOnly(named(new QLineEdit(row), "Edit9"));
        Edit9->setMaximumWidth(50);
        DBBox1 = named(new QComboBox(row), "DBBox1");
        h->addWidget(Edit9);
        h->addWidget(DBBox1, 1);
        l1->addWidget(box(QStringLiteral("Вибір товару який друкується на етикетці"), row, g1));
    }
    Edit1 = named(new MaskedEdit(5), "Edit1");
    l1->addWidget(box(QStringLiteral("Тара , гр."), Edit1, g1));
    {
        auto* row = new QWidget;
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        EditMin1 = named(new MaskedEdit(6), "EditMin1");
        EditMax1 = named(new MaskedEdit(6), "EditMax1");
        h->addWidget(box(QStringLiteral("Мін. вага нетто, гр."), EditMin1, row));
        h->addWidget(box(QStringLiteral("Макс. вага нетто, гр."), EditMax1, row));
        l1->addWidget(row);
    }
    l1->addWidget(barcodeGroup({Edit5, CheckBox1, SumBox1, TypeBox1, Button3}, "Edit5", "CheckBox1", "SumBox1",
                               "TypeBox1", "Button3", g1));
    l1->addStretch(1);

    auto* g2 = named(new QGroupBox(QStringLiteral("ЕТИКЕТКА №2"), Sheet1), "GroupBox2");
    auto* l2 = new QGridLayout(g2);
    {
        auto* row = new QWidget;
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        Edit10 = readOnly(named(new QLineEdit(row), "Edit10"));
        Edit10->setMaximumWidth(50);
        DBBox2 = named(new QComboBox(row), "DBBox2");
        h->addWidget(Edit10);
        h->addWidget(DBBox2, 1);
        l2->addWidget(box(QStringLiteral("Вибір товару який друкується на етикетці"), row, g2), 0, 0, 1, 2);
    }
    Edit2 = named(new MaskedEdit(5), "Edit2");
    Edit3 = named(new MaskedEdit(5), "Edit3");
    Edit4 = named(new MaskedEdit(5), "Edit4");
    NumBox = named(new MaskedEdit(15), "NumBox");
    Edit8 = named(new QLineEdit, "Edit8");
    Edit7 = named(new QLineEdit, "Edit7");
    Edit8->setText(QStringLiteral("0"));
    Edit7->setText(QStringLiteral("0"));
    l2->addWidget(box(QStringLiteral("Тара , гр."), Edit2, g2), 1, 0);
    l2->addWidget(box(QStringLiteral("Друкувати сумарну етикетку кожні "), Edit3, g2), 1, 1);
    l2->addWidget(box(QStringLiteral("Кількість головок, шт."), Edit4, g2), 2, 0);
    l2->addWidget(box(QStringLiteral("№ коробки"), NumBox, g2), 2, 1);
    l2->addWidget(box(QStringLiteral("Сумарна масса"), Edit8, g2), 3, 0);
    l2->addWidget(box(QStringLiteral("Надруковано етикеток"), Edit7, g2), 3, 1);
    l2->addWidget(barcodeGroup({Edit6, CheckBox2, SumBox2, TypeBox2, Button4}, "Edit6", "CheckBox2", "SumBox2",
                               "TypeBox2", "Button4", g2),
                  4, 0, 1, 2);

    auto* g3 = named(new QGroupBox(QStringLiteral("НАЛАШТУВАННЯ  ВАГІВ"), Sheet1), "GroupBox3");
    auto* l3 = new QHBoxLayout(g3);
    ComBox = named(new QComboBox, "ComBox");
    ComBox->addItems({QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3"), QStringLiteral("COM4"),
                      QStringLiteral("COM5")});
    EditZero = named(new MaskedEdit(5), "EditZero");
    EditV = named(new QLineEdit, "EditV");
    EditV->setMaxLength(tarvik::data::kScaleNameLength);
    ComboBox1 = named(new QComboBox, "ComboBox1");
    ComboBox1->addItems({QStringLiteral("2,5 кг"), QStringLiteral("5/10/25/30 кг"), QStringLiteral("60/150 кг"),
                         QStringLiteral("300 кг")});
    l3->addWidget(box(QStringLiteral("Виберіть СОМ-порт до якого підключена вага"), ComBox, g3));
    l3->addWidget(box(QStringLiteral("Вага \"0\""), EditZero, g3));
    l3->addWidget(box(QStringLiteral("Назва вагів"), EditV, g3));
    l3->addWidget(box(QStringLiteral("Виберіть  тип ваг"), ComboBox1, g3));

    grid->addWidget(g1, 0, 0);
    grid->addWidget(g2, 0, 1);
    grid->addWidget(g3, 1, 0, 1, 2);
    grid->setRowStretch(0, 1);
}

void TfrSetting::buildReprintTab()
{
    auto* v = new QVBoxLayout(TabSheet1);
    Edit11 = named(new QLineEdit, "Edit11");
    Edit12 = named(new QLineEdit, "Edit12");
    Button5 = named(new QPushButton(QStringLiteral("ДРУК")), "Button5");
    v->addWidget(box(QStringLiteral("ВАГА"), Edit11, TabSheet1));
    v->addWidget(box(QStringLiteral("ПАРТІЯ"), Edit12, TabSheet1));
    v->addWidget(Button5, 0, Qt::AlignLeft);
    v->addStretch(1);
}

tarvik::data::ProgSettings TfrSetting::controlValues() const
{
    // A control holds only what fits it, so these conversions cannot refuse.
    auto digits = [](const MaskedEdit* e, int places) { return MaskedDigits::of(e->text(), places); };
    tarvik::data::ProgSettings s;
    s.printer1 = LabelsTab->Box1->currentIndex();
    s.printer2 = LabelsTab->Box2->currentIndex();
    s.tovar1 = DBBox1->currentIndex();
    s.tovar2 = DBBox2->currentIndex();
    s.tara1 = digits(Edit1, 5);
    s.tara2 = digits(Edit2, 5);
    s.bar1 = Edit5->text();
    s.bar2 = Edit6->text();
    s.barType1 = TypeBox1->currentIndex();
    s.barType2 = TypeBox2->currentIndex();
    s.barSummCheckMetod1 = SumBox1->currentIndex();
    s.barSummCheckMetod2 = SumBox2->currentIndex();
    s.barCheck1 = CheckBox1->isChecked();
    s.barCheck2 = CheckBox2->isChecked();
    s.sumEtic = digits(Edit3, 5);
    s.kilGolovok = digits(Edit4, 5);
    s.numBox = digits(NumBox, 15);
    s.weightZero = digits(EditZero, 5);
    s.nameWeight = EditV->text();
    s.comPort = ComBox->currentIndex();
    s.typeScale = ComboBox1->currentIndex();
    s.netMin1 = digits(EditMin1, 6);
    s.netMax1 = digits(EditMax1, 6);
    return s;
}

void TfrSetting::showSettings()
{
    const tarvik::data::ProgSettings& s = model_.settings();
    showProductLists();
    LabelsTab->Box1->setCurrentIndex(s.printer1);
    LabelsTab->Box2->setCurrentIndex(s.printer2);
    DBBox1->setCurrentIndex(s.tovar1);
    DBBox2->setCurrentIndex(s.tovar2);
    TypeBox1->setCurrentIndex(s.barType1);
    TypeBox2->setCurrentIndex(s.barType2);
    SumBox1->setCurrentIndex(s.barSummCheckMetod1);
    SumBox2->setCurrentIndex(s.barSummCheckMetod2);
    CheckBox1->setChecked(s.barCheck1);
    CheckBox2->setChecked(s.barCheck2);
    Edit1->setText(s.tara1.text());
    Edit2->setText(s.tara2.text());
    EditMin1->setText(s.netMin1.text());
    EditMax1->setText(s.netMax1.text());
    Edit5->setText(s.bar1);
    Edit6->setText(s.bar2);
    Edit3->setText(s.sumEtic.text());
    Edit4->setText(s.kilGolovok.text());
    NumBox->setText(s.numBox.text());
    EditZero->setText(s.weightZero.text());
    EditV->setText(s.nameWeight);
    ComBox->setCurrentIndex(s.comPort);
    ComboBox1->setCurrentIndex(s.typeScale);
    Edit9->setText(model_.productIdOf(1));
    Edit10->setText(model_.productIdOf(2));
}

void TfrSetting::showBox()
{
    Edit7->setText(intToText(model_.box().count));
    Edit8->setText(model_.box().mass.toText());
}

void TfrSetting::storeControls()
{
    // The box fields are typed freely: checked before anything is stored.
    auto number = [](QLineEdit* e, const QString& caption, auto convert) {
        try {
            return convert(e->text().trimmed());
        } catch (const tarvik::ConvertError& err) {
            throw tarvik::Error(QStringLiteral("Поле \"%1\": %2").arg(caption, err.text()));
        }
    };
    tarvik::model::BoxState box;
    box.count = number(Edit7, QStringLiteral("Надруковано етикеток"), [](const QString& t) { return textToInt64(t); });
    box.mass = number(Edit8, QStringLiteral("Сумарна масса"), [](const QString& t) { return Currency::fromText(t); });
    model_.setSettings(controlValues());
    if (box != model_.box())
        model_.setBox(box);
}

void TfrSetting::LoadSettings()
{
    // What the controls show goes into the model first: a key that fails to
    // load stops the load there, and the controls after it keep what they showed.
    model_.setSettings(controlValues());
    model_.LoadSettings();
}

void TfrSetting::SaveSettings()
{
    storeControls();
    model_.SaveSettings();
}

void TfrSetting::showEvent(QShowEvent* e)
{
    timer_.stopPolling();
    if (!e->spontaneous())
        tarvik::ui::centreOnScreen(*this);
    QDialog::showEvent(e);
    // An error here must not unwind through the dialog's modal loop.
    tarvik::ui::guarded([this] {
        LoadLabelTemplates();
        LoadSettings();
    });
}

void TfrSetting::done(int r)
{
    QDialog::done(r);
    timer_.startPolling();
}
