// Fuzzes the layout files St_Tick_1.ini / St_Tick_2.ini as a station start
// reads them: any file must lay out a label within the bounds, or be refused
// with tarvik::Error; a layout that applies passes the editor's check too.

#include "data/settings_files.h"
#include "labels/label_layout.h"
#include "platform/text/error.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <limits>

using namespace tarvik;

namespace {
QString folder;

bool within(const QRect& r)
{
    const qint64 limit = qint64(labels::kMaxLayoutMillimetres) * labels::kPixelsPerMillimetre;
    return r.width() > 0 && r.height() > 0 && r.width() <= limit && r.height() <= limit && r.x() <= limit &&
           r.x() >= -limit && r.y() <= limit && r.y() >= -limit;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static QTemporaryDir dir(QStringLiteral("/dev/shm/fuzz-layout-XXXXXX"));
    folder = dir.path() + u'/';
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = folder + QString::fromLatin1(data::kLayoutFileName1);
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    QStringList lines = data::freshLayoutLines(1);
    labels::LabelGeometry g;
    try {
        data::LoadLayoutFile(path, lines);
        labels::applyLayoutLines(lines, g);
    } catch (const Error&) {
        return 0;
    }
    labels::checkLayoutLines(lines);  // what applied is what the editor accepts
    if (g.pageWidth <= 0 || g.pageHeight <= 0 || !within(g.head) || !within(g.body) || !within(g.bottom) ||
        !within(g.barcode))
        std::abort();
    return 0;
}
