#include "dialogs/field_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvik::dialogs {

namespace {

template <class T>
T* named(T* w, const char* name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// The sixteen colours a font dialog offers, by their Russian names.
struct NamedColour {
    const char* name;
    QRgb rgb;
};
constexpr NamedColour kColours[] = {
    {"Черный", 0x000000},      {"Бордовый", 0x800000},   {"Зеленый", 0x008000},       {"Оливковый", 0x808000},
    {"Темно-синий", 0x000080}, {"Фиолетовый", 0x800080}, {"Сине-зеленый", 0x008080},  {"Серый", 0x808080},
    {"Серебряный", 0xC0C0C0},  {"Красный", 0xFF0000},    {"Лайм", 0x00FF00},          {"Желтый", 0xFFFF00},
    {"Синий", 0x0000FF},       {"Фуксия", 0xFF00FF},     {"Морская волна", 0x00FFFF}, {"Белый", 0xFFFFFF},
};

const char* const kStyles[] = {"Обычный", "Курсив", "Полужирный", "Полужирный курсив"};

}  // namespace

SearchDialog::SearchDialog(Kind kind, QWidget* parent) : QDialog(parent)
{
    const bool replace = kind == Kind::Replace;
    setObjectName(replace ? QStringLiteral("ReplaceDialog1") : QStringLiteral("FindDialog1"));
    setWindowTitle(replace ? QStringLiteral("Заменить") : QStringLiteral("Найти"));
    auto* grid = new QGridLayout(this);
    FindText = named(new QLineEdit(this), "FindText");
    grid->addWidget(new QLabel(QStringLiteral("Что:"), this), 0, 0);
    grid->addWidget(FindText, 0, 1);
    int row = 1;
    if (replace) {
        ReplaceText = named(new QLineEdit(this), "ReplaceText");
        grid->addWidget(new QLabel(QStringLiteral("Чем:"), this), row, 0);
        grid->addWidget(ReplaceText, row++, 1);
    }
    WholeWord = named(new QCheckBox(QStringLiteral("Только слово целиком"), this), "WholeWord");
    MatchCase = named(new QCheckBox(QStringLiteral("С учетом регистра"), this), "MatchCase");
    grid->addWidget(WholeWord, row++, 0, 1, 2);
    grid->addWidget(MatchCase, row++, 0, 1, 2);
    grid->setRowStretch(row, 1);

    auto* buttons = new QVBoxLayout;
    FindNext = named(new QPushButton(QStringLiteral("Найти далее"), this), "FindNext");
    FindNext->setDefault(true);
    buttons->addWidget(FindNext);
    connect(FindNext, &QPushButton::clicked, this, &SearchDialog::findNextClicked);
    if (replace) {
        Replace = named(new QPushButton(QStringLiteral("Заменить"), this), "Replace");
        ReplaceAll = named(new QPushButton(QStringLiteral("Заменить все"), this), "ReplaceAll");
        buttons->addWidget(Replace);
        buttons->addWidget(ReplaceAll);
        connect(Replace, &QPushButton::clicked, this, [this] { Q_EMIT replaceClicked(labels::ReplaceMode::One); });
        connect(ReplaceAll, &QPushButton::clicked, this, [this] { Q_EMIT replaceClicked(labels::ReplaceMode::All); });
    }
    auto* cancel = named(new QPushButton(QStringLiteral("Отмена"), this), "Cancel");
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    grid->addLayout(buttons, 0, 2, row + 1, 1);

    // Nothing to find, nothing to press.
    auto enable = [this] {
        const bool some = !FindText->text().isEmpty();
        for (QPushButton* b : {FindNext, Replace, ReplaceAll})
            if (b)
                b->setEnabled(some);
    };
    connect(FindText, &QLineEdit::textChanged, this, enable);
    enable();
}

void SearchDialog::setFindText(const QString& text)
{
    FindText->setText(text);
    FindText->selectAll();
    FindText->setFocus();
}

labels::SearchRequest SearchDialog::request() const
{
    return {FindText->text(), ReplaceText ? ReplaceText->text() : QString(), WholeWord->isChecked(),
            MatchCase->isChecked()};
}

FontDialog::FontDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FontDialog1"));
    setWindowTitle(QStringLiteral("Шрифт"));
    auto* root = new QVBoxLayout(this);
    auto* top = new QGridLayout;
    FontName = named(new QFontComboBox(this), "FontName");
    FontStyle = named(new QComboBox(this), "FontStyle");
    for (const char* s : kStyles)
        FontStyle->addItem(QString::fromUtf8(s));
    FontSize = named(new QComboBox(this), "FontSize");
    FontSize->setEditable(true);
    for (int size : {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72})
        FontSize->addItem(QString::number(size));
    top->addWidget(new QLabel(QStringLiteral("Шрифт:"), this), 0, 0);
    top->addWidget(new QLabel(QStringLiteral("Начертание:"), this), 0, 1);
    top->addWidget(new QLabel(QStringLiteral("Размер:"), this), 0, 2);
    top->addWidget(FontName, 1, 0);
    top->addWidget(FontStyle, 1, 1);
    top->addWidget(FontSize, 1, 2);
    root->addLayout(top);

    auto* lower = new QHBoxLayout;
    auto* effects = new QGroupBox(QStringLiteral("Видоизменение"), this);
    auto* e = new QFormLayout(effects);
    Strikeout = named(new QCheckBox(QStringLiteral("Зачеркнутый"), effects), "Strikeout");
    Underline = named(new QCheckBox(QStringLiteral("Подчеркнутый"), effects), "Underline");
    FontColor = named(new QComboBox(effects), "FontColor");
    for (const NamedColour& c : kColours) {
        QPixmap swatch(12, 12);
        swatch.fill(QColor(c.rgb));
        FontColor->addItem(QIcon(swatch), QString::fromUtf8(c.name), QColor(c.rgb));
    }
    e->addRow(Strikeout);
    e->addRow(Underline);
    e->addRow(QStringLiteral("Цвет:"), FontColor);
    lower->addWidget(effects);
    auto* sampleBox = new QGroupBox(QStringLiteral("Образец"), this);
    auto* s = new QVBoxLayout(sampleBox);
    Sample = named(new QLabel(QStringLiteral("АаБбЯя AaBbYy"), sampleBox), "Sample");
    Sample->setAlignment(Qt::AlignCenter);
    Sample->setMinimumSize(160, 48);
    s->addWidget(Sample);
    lower->addWidget(sampleBox, 1);
    root->addLayout(lower);

    auto* buttons = new QDialogButtonBox(this);
    auto* ok = named(buttons->addButton(QStringLiteral("ОК"), QDialogButtonBox::AcceptRole), "Ok");
    named(buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole), "Cancel");
    Apply = named(buttons->addButton(QStringLiteral("Применить"), QDialogButtonBox::ApplyRole), "Apply");
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(Apply, &QPushButton::clicked, this, &FontDialog::applyClicked);
    root->addWidget(buttons);

    connect(FontName, &QFontComboBox::currentFontChanged, this, &FontDialog::showSample);
    connect(FontStyle, &QComboBox::currentIndexChanged, this, &FontDialog::showSample);
    connect(FontSize, &QComboBox::currentTextChanged, this, &FontDialog::showSample);
    connect(Strikeout, &QCheckBox::toggled, this, &FontDialog::showSample);
    connect(Underline, &QCheckBox::toggled, this, &FontDialog::showSample);
    connect(FontColor, &QComboBox::currentIndexChanged, this, &FontDialog::showSample);
    showSample();
}

void FontDialog::setCharFormat(const QTextCharFormat& format)
{
    const QFont font = format.font();
    FontName->setCurrentFont(QFont(font.family()));
    // A family this system lacks ("Arial" where only its metric twin is
    // installed) is shown as its stand-in but kept unless another is chosen.
    family_ = font.family();
    familyShown_ = FontName->currentFont().family();
    FontStyle->setCurrentIndex((font.italic() ? 1 : 0) + (font.bold() ? 2 : 0));
    const double points = format.fontPointSize() > 0 ? format.fontPointSize() : font.pointSizeF();
    FontSize->setCurrentText(points > 0 ? QString::number(points) : QStringLiteral("10"));
    Strikeout->setChecked(font.strikeOut());
    Underline->setChecked(font.underline());
    const QColor colour = format.foreground().style() == Qt::NoBrush ? QColor(Qt::black) : format.foreground().color();
    int index = FontColor->findData(colour);
    if (index < 0) {
        // A colour of the template that is none of the sixteen stays choosable.
        FontColor->addItem(QStringLiteral("Другой"), colour);
        index = FontColor->count() - 1;
    }
    FontColor->setCurrentIndex(index);
    showSample();
}

QTextCharFormat FontDialog::charFormat() const
{
    QTextCharFormat f;
    const QString shown = FontName->currentFont().family();
    f.setFontFamilies({shown == familyShown_ && !family_.isEmpty() ? family_ : shown});
    f.setFontItalic(FontStyle->currentIndex() % 2 == 1);
    f.setFontWeight(FontStyle->currentIndex() >= 2 ? QFont::Bold : QFont::Normal);
    bool ok = false;
    const double points = FontSize->currentText().replace(u',', u'.').toDouble(&ok);
    if (ok && points > 0)
        f.setFontPointSize(points);
    f.setFontStrikeOut(Strikeout->isChecked());
    f.setFontUnderline(Underline->isChecked());
    f.setForeground(FontColor->currentData().value<QColor>());
    return f;
}

void FontDialog::showSample()
{
    const QTextCharFormat f = charFormat();
    QFont font = f.font();
    if (f.fontPointSize() > 0)
        font.setPointSizeF(f.fontPointSize());
    Sample->setFont(font);
    QPalette p = Sample->palette();
    p.setColor(QPalette::WindowText, f.foreground().color());
    Sample->setPalette(p);
}

PlaceholderDialog::PlaceholderDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PlaceholderDialog1"));
    setWindowTitle(QStringLiteral("Подстановки"));
    auto* root = new QVBoxLayout(this);
    root->addWidget(new QLabel(QStringLiteral("Поле, которое при печати заменяется значением:"), this));
    PlaceholderList = named(new QListWidget(this), "PlaceholderList");
    for (const labels::PlaceholderEntry& e : labels::placeholderEntries()) {
        auto* item = new QListWidgetItem(e.placeholder + QStringLiteral(" — ") + e.meaning, PlaceholderList);
        item->setData(Qt::UserRole, e.placeholder);
    }
    PlaceholderList->setCurrentRow(0);
    root->addWidget(PlaceholderList, 1);
    auto* buttons = new QDialogButtonBox(this);
    named(buttons->addButton(QStringLiteral("Вставить"), QDialogButtonBox::AcceptRole), "Ok")->setDefault(true);
    named(buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole), "Cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(PlaceholderList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    root->addWidget(buttons);
    resize(320, 420);
}

QString PlaceholderDialog::placeholder() const
{
    const QListWidgetItem* item = PlaceholderList->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}

}  // namespace tarvik::dialogs
