#pragma once
// The symbol tables of the barcode component: constant data, each equal to
// the published table of its symbology.

#include <array>
#include <string_view>

namespace tarvik::barcode::tables {

// Per digit five flags, '1' wide, for the 2 of 5 family (weights 1 2 4 7, parity).
extern const std::array<std::string_view, 10> kTwoOfFive;

// EAN/UPC digit patterns as module strings: number sets A (odd), B (even), C (right).
extern const std::array<std::string_view, 10> kEanSetA;
extern const std::array<std::string_view, 10> kEanSetB;
extern const std::array<std::string_view, 10> kEanSetC;
// First-digit parity rows of EAN-13 ('A' set A, 'B' set B).
extern const std::array<std::string_view, 10> kEan13Parity;
// UPC-E parity rows by check digit ('E' even, 'o' odd), number system 0.
extern const std::array<std::string_view, 10> kUpcEParity;
// Two-digit add-on parity by value modulo 4.
extern const std::array<std::string_view, 4> kSupp2Parity;

struct Code39Row {
    char ch;
    std::string_view pattern;  // nine elements as module-string characters
    int value;                 // check value
};
extern const std::array<Code39Row, 44> kCode39;  // 43 data characters, then '*'

// Full ASCII: per code 0-127 the one or two characters that stand for it.
extern const std::array<std::string_view, 128> kCode39Ascii;

struct Code128Row {
    char a;                    // code set A character (a space where none)
    char b;                    // code set B character
    std::string_view c;        // code set C pair
    std::string_view widths;   // six element widths '1'-'4'
};
extern const std::array<Code128Row, 103> kCode128;

struct Code93Row {
    char ch;  // '[' ($), ']' (%), '{' (/), '}' (+) for the shift characters
    std::string_view widths;
};
extern const std::array<Code93Row, 47> kCode93;
extern const std::array<std::string_view, 128> kCode93Ascii;

extern const std::array<std::string_view, 10> kMsi;
extern const std::array<std::string_view, 10> kPostNet;

struct CodabarRow {
    char ch;
    std::string_view pattern;
};
extern const std::array<CodabarRow, 20> kCodabar;

// GS1 application identifiers the station's labels use. A row stands for the
// AIs that begin with `prefix`; the AI has `digits` digits in all, and where
// `lastDigitMax` is not -1 its last digit (decimal places) may be 0 to that.
struct Gs1AiRow {
    std::string_view prefix;
    int digits;
    int lastDigitMax;
    int minLength;   // of the value
    int maxLength;
    bool numeric;
    bool checkDigit;  // the value's last digit is a GS1 mod-10 check digit
    bool date;        // YYMMDD, the day 00 meaning the end of the month
    std::string_view title;
};
extern const std::array<Gs1AiRow, 37> kGs1Ais;

// The first two digits of the AIs whose length is predefined: no separator
// follows their values, whatever the AI table says of the rest.
extern const std::array<std::string_view, 22> kGs1PredefinedLength;

}  // namespace tarvik::barcode::tables
