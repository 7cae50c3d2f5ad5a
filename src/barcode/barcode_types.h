#pragma once
// The symbologies and check-digit methods of the barcode component. The
// ordinals are stored in the settings as list positions: never reorder.

#include <QString>
#include <QStringList>
#include <optional>

namespace tarvik::barcode {

enum TBarcodeType : int {
    bcCode_2_5_interleaved,
    bcCode_2_5_industrial,
    bcCode_2_5_matrix,
    bcCode39,
    bcCode39Extended,
    bcCode128A,
    bcCode128B,
    bcCode128C,
    bcCode93,
    bcCode93Extended,
    bcCodeMSI,
    bcCodePostNet,
    bcCodeCodabar,
    bcCodeEAN8,
    bcCodeEAN13,
    bcCodeUPC_A,
    bcCodeUPC_E0,
    bcCodeUPC_E1,
    bcCodeUPC_Supp2,
    bcCodeUPC_Supp5,
    bcCodeEAN128A,
    bcCodeEAN128B,
    bcCodeEAN128C,
    // Appended: a bracket-form GS1 element string, FNC1 first (not the
    // EAN-128 types above, whose content is the data as it stands).
    bcCodeGS1_128,
};
inline constexpr int kBarcodeTypeCount = 24;

enum TCheckSumMethod : int { csmNone, csmModulo10 };

enum TBarLineType { white, black, black_half };

enum TBarcodeOption { bcoNone, bcoCode, bcoTyp, bcoBoth };

enum TShowTextPosition {
    stpTopLeft,
    stpTopRight,
    stpTopCenter,
    stpBottomLeft,
    stpBottomRight,
    stpBottomCenter,
};

// The names as the settings dialog lists them, in ordinal order: the
// enumerator without its "bc" prefix ("Code_2_5_interleaved" ... "CodeGS1_128").
QStringList barcodeTypeNames();

// The type of such a name (exact match), if any.
std::optional<TBarcodeType> barcodeTypeFromName(const QString& name);

// The names of the two check-sum methods, "csmNone" and "csmModulo10".
QStringList checkSumMethodNames();
std::optional<TCheckSumMethod> checkSumMethodFromName(const QString& name);

}  // namespace tarvik::barcode
