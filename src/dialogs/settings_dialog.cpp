#include "dialogs/settings_dialog.h"

#include "platform/ui/masked_edit.h"
#include "platform/ui/station_hooks.h"

#include <QCheckBox>
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

TfrSetting::TfrSetting(const QString& programDir, tarvik::ui::PollingTimer& timer, QWidget* parent)
    : QDialog(parent), programDir_(programDir), timer_(timer)
{
    setObjectName(QStringLiteral("frSetting"));
    setWindowTitle(QStringLiteral("Налаштування"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(908, 615);

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
    PageControl1->setCurrentWidget(TabSheet1);
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

void TfrSetting::LoadSettings()
{
    // Bound to Setting_Prog.ini with the stored-data layer.
}

StartupValues TfrSetting::LoadStartupSettings()
{
    return {};
}

void TfrSetting::SaveSettings() {}

void TfrSetting::showEvent(QShowEvent* e)
{
    timer_.stopPolling();
    QDialog::showEvent(e);
}

void TfrSetting::done(int r)
{
    QDialog::done(r);
    timer_.startPolling();
}
