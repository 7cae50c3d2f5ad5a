#include "dialogs/settings_dialog.h"

#include "barcode/barcode_types.h"
#include "labels/labels_tab.h"
#include "platform/ui/masked_edit.h"
#include "platform/ui/station_hooks.h"

#include "platform/text/error.h"
#include "platform/ui/prompts.h"

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

}  // namespace

TfrSetting::TfrSetting(const QString& programDir, tarvik::ui::PollingTimer& timer, tarvik::labels::MainFields& main,
                       QWidget* parent)
    : QDialog(parent), programDir_(programDir), timer_(timer)
{
    Pages = std::make_unique<tarvik::labels::LabelPages>(programDir, *this, main);
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
        auto* l = new QVBoxLayout(Sheet3);
        l->setContentsMargins(0, 0, 0, 0);
        LabelsTab = new tarvik::labels::LabelsTab(*Pages, Sheet3);
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

    connect(bApply, &QPushButton::clicked, this, [this] { SaveSettings(); });
    connect(bOk, &QPushButton::clicked, this, [this] {
        SaveSettings();
        accept();
    });
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    connect(Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
    connect(DBBox1, &QComboBox::activated, this, [this] { DBBox1Select(); });
    connect(DBBox2, &QComboBox::activated, this, [this] { DBBox2Select(); });
    NumBox->installEventFilter(this);
    // The first show opens on the reprint tab; later shows on the last tab.
    PageControl1->setCurrentWidget(TabSheet1);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int i) { tabShown(i); });
}

void TfrSetting::FormCreate()
{
    using namespace tarvik::data;
    ConnectParams params;
    params.path = stationDatabasePath(programDir_);
    const DatabaseSettings shared = LoadDatabaseSettings(settingsPath());
    if (!shared.path.isEmpty()) {
        params.path = shared.path;
        params.user = shared.user;
        params.password = shared.password;
    }
    Database = Database::openOrCreate(params);
    Store = std::make_unique<StationStore>(*Database);
    Table = std::make_unique<TableDataset>(*Database, QStringLiteral("TOBAP"), QStringLiteral("ID_TOB"));
    Table->open();
    LabelsTab->fillPrinterLists();
    LoadLabelTemplates();
    Pages->layOutLabels();
}

tarvik::labels::LabelSettings TfrSetting::labelSettings() const
{
    tarvik::labels::LabelSettings s;
    s.tara1 = Edit1->text();
    s.tara2 = Edit2->text();
    s.perBox = Edit3->text();
    s.heads = Edit4->text();
    s.numBox = NumBox->text();
    s.boxMass = Edit8->text();
    s.barTemplate1 = Edit5->text();
    s.barTemplate2 = Edit6->text();
    s.barcode1 = {TypeBox1->currentIndex(), CheckBox1->isChecked(), SumBox1->currentIndex(), 0.0};
    s.barcode2 = {TypeBox2->currentIndex(), CheckBox2->isChecked(), SumBox2->currentIndex(), 0.0};
    s.product1 = DBBox1->currentIndex();
    s.product2 = DBBox2->currentIndex();
    s.printer1 = LabelsTab->Box1->currentIndex();
    s.printer2 = LabelsTab->Box2->currentIndex();
    s.weigth = Weigth;
    return s;
}

tarvik::data::TableDataset* TfrSetting::productTable()
{
    return Table.get();
}

void TfrSetting::Button3Click()
{
    Pages->BarcodeTestClick(13);
}

void TfrSetting::Button4Click()
{
    Pages->BarcodeTestClick(128);
}

void TfrSetting::Button5Click()
{
    Pages->Button5Click(Edit11->text(), Edit12->text());
}

QString TfrSetting::scaleName() const
{
    return EditV->text();
}

tarvik::data::Database& TfrSetting::database()
{
    if (!Database)
        throw tarvik::Error(QStringLiteral("Немає з'єднання з базою даних"));
    return *Database;
}

tarvik::data::StationStore& TfrSetting::store()
{
    database();
    return *Store;
}

tarvik::data::TableDataset& TfrSetting::table()
{
    database();
    if (!Table)
        throw tarvik::Error(QStringLiteral("Таблицю товарів не відкрито"));
    return *Table;
}

void TfrSetting::FillProductLists()
{
    DBBox1->clear();
    DBBox2->clear();
    auto& t = table();
    t.checkBrowseMode();
    QStringList names;
    for (t.first(); !t.eof(); t.next())
        names << t.text(QStringLiteral("NAME"));
    DBBox1->addItems(names);
    DBBox2->addItems(names);
}

QString TfrSetting::ProductIdText(const QString& name)
{
    const auto id = store().productIdByName(name);
    return id ? QString::number(*id) : QString();
}

void TfrSetting::DBBox1Select()
{
    Edit9->setText(DBBox1->currentIndex() < 0 ? QString() : ProductIdText(DBBox1->currentText()));
}

void TfrSetting::DBBox2Select()
{
    Edit10->setText(DBBox2->currentIndex() < 0 ? QString() : ProductIdText(DBBox2->currentText()));
}

void TfrSetting::NumBoxEnter()
{
    store().setBoxNumber(NumBox->text().trimmed());
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

void TfrSetting::tabShown(int index)
{
    QWidget* page = PageControl1->widget(index);
    if (page == Sheet1 || page == Sheet2) {
        LoadSettings();
    } else if (page == Sheet3) {
        LoadLabelTemplates();
        LoadSettings();
    }
}

void TfrSetting::LoadLabelTemplates()
{
    Pages->LoadLabelTemplates();
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
        auto* v = new QGridLayout(row);
        v->setContentsMargins(0, 0, 0, 0);
        Edit5 = named(new QLineEdit(row), "Edit5");
        Edit5->setMaxLength(40);
        CheckBox1 = named(new QCheckBox(QStringLiteral("CheckSum"), row), "CheckBox1");
        SumBox1 = named(new QComboBox(row), "SumBox1");
        SumBox1->addItems({QStringLiteral("csmNone"), QStringLiteral("csmModulo10")});
        TypeBox1 = named(new QComboBox(row), "TypeBox1");
        TypeBox1->addItems(tarvik::barcode::barcodeTypeNames());
        Button3 = named(new QPushButton(QStringLiteral("Друк коду"), row), "Button3");
        v->addWidget(Edit5, 0, 0, 1, 2);
        v->addWidget(new QLabel(QStringLiteral("C- Код товару"), row), 1, 0);
        v->addWidget(new QLabel(QStringLiteral("W - Вага товару"), row), 1, 1);
        v->addWidget(CheckBox1, 2, 0);
        v->addWidget(SumBox1, 2, 1);
        v->addWidget(TypeBox1, 3, 0);
        v->addWidget(Button3, 3, 1);
        l1->addWidget(box(QStringLiteral("Штрих код"), row, g1));
    }
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
    {
        auto* row = new QWidget;
        auto* v = new QGridLayout(row);
        v->setContentsMargins(0, 0, 0, 0);
        Edit6 = named(new QLineEdit(row), "Edit6");
        Edit6->setMaxLength(40);
        CheckBox2 = named(new QCheckBox(QStringLiteral("CheckSum"), row), "CheckBox2");
        SumBox2 = named(new QComboBox(row), "SumBox2");
        SumBox2->addItems({QStringLiteral("csmNone"), QStringLiteral("csmModulo10")});
        TypeBox2 = named(new QComboBox(row), "TypeBox2");
        TypeBox2->addItems(tarvik::barcode::barcodeTypeNames());
        Button4 = named(new QPushButton(QStringLiteral("Друк коду"), row), "Button4");
        v->addWidget(Edit6, 0, 0, 1, 2);
        v->addWidget(new QLabel(QStringLiteral("C- Код товару"), row), 1, 0);
        v->addWidget(new QLabel(QStringLiteral("W - Вага товару"), row), 1, 1);
        v->addWidget(CheckBox2, 2, 0);
        v->addWidget(SumBox2, 2, 1);
        v->addWidget(TypeBox2, 3, 0);
        v->addWidget(Button4, 3, 1);
        l2->addWidget(box(QStringLiteral("Штрих код"), row, g2), 4, 0, 1, 2);
    }

    auto* g3 = named(new QGroupBox(QStringLiteral("НАЛАШТУВАННЯ  ВАГІВ"), Sheet1), "GroupBox3");
    auto* l3 = new QHBoxLayout(g3);
    ComBox = named(new QComboBox, "ComBox");
    ComBox->addItems({QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3"), QStringLiteral("COM4"),
                      QStringLiteral("COM5")});
    EditZero = named(new MaskedEdit(5), "EditZero");
    EditV = named(new QLineEdit, "EditV");
    EditV->setMaxLength(10);
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

QString TfrSetting::settingsPath() const
{
    return programDir_ + QString::fromLatin1(tarvik::data::kSettingsFileName);
}

tarvik::data::ProgSettings TfrSetting::controlValues() const
{
    tarvik::data::ProgSettings s;
    s.printer1 = LabelsTab->Box1->currentIndex();
    s.printer2 = LabelsTab->Box2->currentIndex();
    s.tovar1 = DBBox1->currentIndex();
    s.tovar2 = DBBox2->currentIndex();
    s.tara1 = Edit1->text();
    s.tara2 = Edit2->text();
    s.bar1 = Edit5->text();
    s.bar2 = Edit6->text();
    s.barType1 = TypeBox1->currentIndex();
    s.barType2 = TypeBox2->currentIndex();
    s.barSummCheckMetod1 = SumBox1->currentIndex();
    s.barSummCheckMetod2 = SumBox2->currentIndex();
    s.barCheck1 = CheckBox1->isChecked();
    s.barCheck2 = CheckBox2->isChecked();
    s.sumEtic = Edit3->text();
    s.kilGolovok = Edit4->text();
    s.numBox = NumBox->text();
    s.weightZero = EditZero->text();
    s.nameWeight = EditV->text();
    s.comPort = ComBox->currentIndex();
    s.typeScale = ComboBox1->currentIndex();
    return s;
}

void TfrSetting::setControlValues(const tarvik::data::ProgSettings& s)
{
    using tarvik::data::clampListPosition;
    auto choose = [](QComboBox* box, int position) { box->setCurrentIndex(clampListPosition(position, box->count())); };
    choose(LabelsTab->Box1, s.printer1);
    choose(LabelsTab->Box2, s.printer2);
    choose(DBBox1, s.tovar1);
    choose(DBBox2, s.tovar2);
    choose(TypeBox1, s.barType1);
    choose(TypeBox2, s.barType2);
    choose(SumBox1, s.barSummCheckMetod1);
    choose(SumBox2, s.barSummCheckMetod2);
    CheckBox1->setChecked(s.barCheck1);
    CheckBox2->setChecked(s.barCheck2);
    Edit1->setText(s.tara1);
    Edit2->setText(s.tara2);
    Edit5->setText(s.bar1);
    Edit6->setText(s.bar2);
    Edit3->setText(s.sumEtic);
    Edit4->setText(s.kilGolovok);
    NumBox->setText(s.numBox);
    EditZero->setText(s.weightZero);
    EditV->setText(s.nameWeight);
}

void TfrSetting::LoadSettings()
{
    tarvik::data::ProgSettings s = controlValues();
    FillProductLists();
    try {
        tarvik::data::LoadSettings(settingsPath(), s);
    } catch (...) {
        // What was read before the failing key stays read.
        setControlValues(s);
        throw;
    }
    setControlValues(s);
    DBBox2Select();
    DBBox1Select();
}

tarvik::data::StartupSettings TfrSetting::LoadStartupSettings()
{
    using tarvik::data::clampListPosition;
    tarvik::data::StartupSettings s = Weigth;
    s.comPort = ComBox->currentIndex();
    s.typeScale = ComboBox1->currentIndex();
    auto apply = [&] {
        ComBox->setCurrentIndex(clampListPosition(s.comPort, ComBox->count()));
        ComboBox1->setCurrentIndex(clampListPosition(s.typeScale, ComboBox1->count()));
        Weigth = s;
    };
    try {
        tarvik::data::LoadStartupSettings(settingsPath(), s);
    } catch (...) {
        apply();
        throw;
    }
    apply();
    return s;
}

void TfrSetting::SaveSettings()
{
    tarvik::data::SaveSettings(settingsPath(), controlValues());
}

void TfrSetting::showEvent(QShowEvent* e)
{
    timer_.stopPolling();
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
