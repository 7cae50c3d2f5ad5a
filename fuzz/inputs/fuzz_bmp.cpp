// Fuzzes the stand-by and barcode pictures as the station reads them: any
// file must give a picture within the limits or be refused with
// tarvik::Error naming the file, never crash or take memory beyond them.

#include "labels/input_checks.h"
#include "platform/text/error.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

using namespace tarvik;

namespace {
QString folder;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    static QTemporaryDir dir(QStringLiteral("/dev/shm/fuzz-bmp-XXXXXX"));
    folder = dir.path() + u'/';
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    labels::bmpProblem(bytes);
    const QString path = folder + QStringLiteral("Barcod.bmp");
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(bytes);
    }
    try {
        const QImage picture = labels::readPicture(path);
        if (picture.isNull() || picture.width() > labels::kMaxPictureSide ||
            picture.height() > labels::kMaxPictureSide ||
            qint64(picture.width()) * picture.height() > labels::kMaxPicturePixels)
            std::abort();
        // A BMP that reads has sound headers.
        if (bytes.startsWith("BM") && labels::bmpProblem(bytes))
            std::abort();
    } catch (const Error& e) {
        if (!e.text().contains(path))
            std::abort();
    }
    return 0;
}
