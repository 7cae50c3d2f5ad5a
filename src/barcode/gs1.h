#pragma once
// GS1 element strings: the bracket form "(01)04820001201253(10)P17" read
// against the AI table, the codewords of a GS1-128 symbol, and the check
// digits of GS1 keys and of prices embedded in variable-measure EAN-13.

#include <QString>

#include <vector>

namespace tarvik::barcode {

struct Gs1Element {
    QString ai;     // "01", "3103" ...
    QString value;  // the data after it, check digit included

    bool operator==(const Gs1Element&) const = default;
};

// The elements of a bracket-form text. Every AI must be in the table, every
// value of its length, of digits where it takes digits and of the GS1
// character set otherwise; a date must be a real YYMMDD. A key one digit
// short of its length (a GTIN of 13) gets its check digit; a full one has it
// verified. Anything else throws tarvik::Error naming the AI and the fault.
std::vector<Gs1Element> parseGs1(const QString& bracketed);

// The elements back in bracket form, as the human-readable line shows them.
QString gs1BracketText(const std::vector<Gs1Element>& elements);

// Whether a separator (FNC1) must follow this AI's value when another
// element comes after it: all but the AIs of predefined length.
bool gs1NeedsSeparator(const QString& ai);

// The Code 128 values of a GS1-128 symbol: a start character, FNC1, the
// elements with FNC1 after each value not of predefined length (but the
// last), in the fewest symbol characters; no check character, no stop.
std::vector<int> gs1Code128Values(const std::vector<Gs1Element>& elements);

// The GS1 mod-10 check digit of a key's digits (weights 3, 1, 3 ... from the right).
int gs1CheckDigit(const QString& digits);

// The price check digit of a 4- or 5-digit price in a variable-measure
// EAN-13 (weighting factors 2-, 2-, 3, 5- and 5+, 2-, 5-, 5+, 2-). Throws
// tarvik::Error for any other length or a character that is not a digit.
int priceCheckDigit(const QString& price);

}  // namespace tarvik::barcode
