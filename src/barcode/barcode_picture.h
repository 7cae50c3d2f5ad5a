#pragma once
// The station's barcode picture: one code path for the labels, the test
// print and the command-line tool.

#include "barcode/barcode_types.h"

#include <QImage>
#include <QString>

namespace tarvik::barcode {

// The barcode settings of one label as the settings dialog holds them: list
// positions, which may be out of range (an empty selection is -1).
struct BarcodePictureSettings {
    int type = bcCodeEAN13;     // TBarcodeType ordinal
    bool checksum = false;      // "CheckSum"
    int method = csmModulo10;   // TCheckSumMethod ordinal
    double angle = 0.0;         // degrees
};

// Draws content as the station's barcode pictures are drawn: top 1, left 3,
// module width chosen by two width requests (50, then 8 per character),
// ratio 2.0, height 80, the text at the bottom centre. At angle 0 the
// picture is the code's width + 6 by 82 pixels; at another angle it takes
// the rotated size plus the same margins. White background, RGB888.
// Raises tarvik::Error with the component's message when the content cannot
// be encoded.
QImage MakeBarcodePicture(const QString& content, const BarcodePictureSettings& settings);

// Saves a picture as a 24-bit BMP file, replacing any file of that name.
// Raises tarvik::Error when the file cannot be written. The station redraws
// its pictures for every label, so they are not synced to disk.
void saveBarcodePicture(const QImage& picture, const QString& path);

}  // namespace tarvik::barcode
