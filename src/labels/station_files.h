#pragma once
// The files a fresh station starts with (label templates, stand-by barcode
// pictures, layout files), copied from the resources into a station folder
// that lacks them.

#include <QString>
#include <QStringList>

namespace tarvik::labels {

// Copies every file of `resourcesDir` that `programDir` lacks; existing files
// are never overwritten. Returns the names copied. A missing resources folder
// copies nothing; a file that cannot be copied throws tarvik::Error.
QStringList installMissingStationFiles(const QString& programDir, const QString& resourcesDir);

// Where the station's resources are looked for, in this order: beside the
// executable ("resources/station" in its folder, then in its parent, as an
// installed tree has it), then the source tree this program was built from.
QStringList stationResourceDirs();
// The first of them that exists; empty when none does.
QString findStationResources();

}  // namespace tarvik::labels
