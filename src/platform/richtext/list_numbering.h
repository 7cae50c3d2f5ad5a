#pragma once
// List numbers as rich-text editors show them: the number formats of a list
// level (\levelnfc), the level text that puts prefix, number and suffix
// together (\leveltext), and the reading of a number that a file gives only as
// text (\listtext, \pntext).

#include <QString>
#include <QTextListFormat>

#include <array>
#include <optional>

namespace tarvik::richtext {

// \levelnfc values that we show; any other number format is shown as decimal.
enum class NumberFormat {
    Decimal = 0,
    UpperRoman = 1,
    LowerRoman = 2,
    UpperLetter = 3,
    LowerLetter = 4,
    Bullet = 23,
    None = 255,
};

NumberFormat numberFormatOf(int levelNfc);

// The number n written in a format ("3", "iv", "C"; letters go on "z", "aa").
// A bullet or no number gives the empty text.
QString formatNumber(int n, NumberFormat format);

// The Qt list style that counts in the format; nullopt where Qt has none.
std::optional<QTextListFormat::Style> qtStyleOf(NumberFormat format);
NumberFormat numberFormatOfStyle(QTextListFormat::Style style);

// A level text: its characters, where U+0000 … U+0008 stand for the numbers of
// levels 1 … 9 (as in \leveltext, without the leading length).
struct LevelText {
    QString text;

    // The label of an item: each level's placeholder replaced by that level's
    // number in its format; a bullet level's placeholder shows nothing.
    QString label(const std::array<int, 9>& numbers, const std::array<NumberFormat, 9>& formats) const;
    // True when the text holds the placeholder of `level` once and otherwise
    // only those of the levels above it, whose numbers stay as they are while
    // this level counts (a new item above starts the level again): then the
    // label is a fixed prefix, the level's own number and a fixed suffix.
    bool countsOnlyItsOwnNumber(int level) const;
    QString prefix(int level) const;  // the text before the level's placeholder
    QString suffix(int level) const;  // the text after it
};

// An item's number read back from its label text ("3.", "(b)", "iv)", "•").
struct LabelReading {
    NumberFormat format = NumberFormat::Bullet;
    int number = 0;
    QString prefix, suffix;
};
std::optional<LabelReading> readLabel(const QString& label);

}  // namespace tarvik::richtext
