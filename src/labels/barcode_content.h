#pragma once
// The barcode of a label: its content from a template, the weight text and
// the product code, and the choice of a label's barcode settings.

#include "barcode/barcode_picture.h"

#include <QString>
#include <optional>

namespace tarvik::labels {

// Every 'C' of the trimmed template takes a character of the product code
// (trimmed, cut to its first 9, or padded with leading zeros to 9), every 'W'
// one of the weight text (cut to its first 6 or padded to 6), both counted
// from the right; other characters stay. A template with more letters than
// the prepared text has characters throws the range error.
QString BuildBarcodeContent(const QString& templ, const QString& weightText, const QString& codeText);

// The picture selectors: 13 chooses label 1's barcode settings, 128 label 2's.
inline constexpr int kLabel1Barcode = 13;
inline constexpr int kLabel2Barcode = 128;

// The settings a selector chooses; nothing for any other selector.
std::optional<barcode::BarcodePictureSettings> barcodeSettingsFor(
    int selector, const barcode::BarcodePictureSettings& label1, const barcode::BarcodePictureSettings& label2);

}  // namespace tarvik::labels
