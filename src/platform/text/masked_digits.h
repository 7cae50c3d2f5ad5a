#pragma once
// The text of a masked digit field: a fixed number of places, each a digit or
// a blank; unfilled places show as blanks ("2    "). The station reads,
// prints and stores the text as the field shows it, blanks included.

#include <QString>
#include <optional>

namespace tarvik {

class MaskedDigits {
public:
    // An empty field of `places` places.
    explicit MaskedDigits(int places = 5);

    // The field showing `text`, or nothing when the field cannot hold it
    // unchanged: more characters than places, or a character that is neither
    // a digit nor a blank. Trailing blanks are the field's own.
    static std::optional<MaskedDigits> fromText(const QString& text, int places);
    // As fromText, for texts known to fit (defaults, a field's own text).
    static MaskedDigits of(const QString& text, int places);

    // As the field shows it: every place, unfilled ones blank.
    QString text() const;
    // Without the blanks at both ends, as numbers are read from it.
    QString trimmed() const { return filled_.trimmed(); }
    int places() const { return places_; }

    bool operator==(const MaskedDigits&) const = default;

private:
    QString filled_;  // without the trailing blanks
    int places_ = 5;
};

}  // namespace tarvik
