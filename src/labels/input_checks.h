#pragma once
// What the station refuses to work from: pictures it cannot read or that are
// beyond sane sizes, label templates too large to fill in time, and settings
// that are missing or out of bounds. Each check names the file or the key, so
// the operator knows what to fix, and runs before anything of a label run is
// printed, logged or counted.

#include "data/settings_files.h"
#include "labels/barcode_content.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <optional>

namespace tarvik::labels {

// A barcode or stand-by picture: at most this many pixels a side and in all.
// Barcode pictures are a few hundred pixels wide; this is far beyond any.
inline constexpr int kMaxPictureSide = 10000;
inline constexpr qint64 kMaxPicturePixels = 16'000'000;

// A label template: its file at most this large, with at most this many "$"
// (every placeholder starts with one). Filling costs a search per placeholder
// over the whole text; these keep a label within a second.
inline constexpr qint64 kMaxTemplateBytes = 2 * 1024 * 1024;
inline constexpr int kMaxTemplateDollars = 2000;

// What is wrong with a BMP file's headers, in Ukrainian; nothing when they
// describe a picture within the limits whose pixels the file holds whole.
// Bytes that are no BMP at all ("BM" missing) are not judged here.
std::optional<QString> bmpProblem(const QByteArray& bytes);

// The picture at `path`, read whole; throws tarvik::Error naming the file when
// it cannot be read, is damaged or cut short, or is beyond the limits.
QImage readPicture(const QString& path);

// Throws tarvik::Error naming the template file when it cannot be opened or
// is beyond the limits above.
void checkTemplateFile(const QString& path);

// Every setting a label run needs that is missing or out of bounds, one line
// each, naming the key and its field: tares, barcode templates, loads per
// box, heads, zero threshold, the products and the start-up values. Empty
// when the station can label. `products` is the catalogue's length; the
// products are checked only when it is known and above 0.
QStringList stationSettingsProblems(const data::ProgSettings& s, const data::StartupSettings& startup,
                                    std::optional<int> products = std::nullopt);

// The problems above as one message, or nothing when there are none.
std::optional<QString> stationSettingsMessage(const QStringList& problems);

// The places BuildBarcodeContent gives the weight and the product code.
inline constexpr int kBarcodeWeightPlaces = 6;
inline constexpr int kBarcodeCodePlaces = 9;

// The barcode content of a label (1 or 2) as BuildBarcodeContent gives it; its
// range error is said with the template's field and what does not fit. A
// weight text or product code longer than its places is refused rather than
// cut, when the template uses it. The fields in braces are filled from `fields`.
QString labelBarcodeContent(int label, const QString& templ, const QString& weightText, const QString& productName,
                            const QString& codeText, const BarcodeFields& fields);

}  // namespace tarvik::labels
