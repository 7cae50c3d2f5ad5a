#include "barcode/barcode_picture.h"

#include "barcode/barcode.h"
#include "barcode/canvas.h"

#include "platform/text/error.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

namespace tarvik::barcode {

QImage MakeBarcodePicture(const QString& content, const BarcodePictureSettings& settings)
{
    TBarcode code;
    code.SetShowTextPosition(stpBottomCenter);
    code.SetShowText(bcoCode);
    code.SetCheckSum(settings.checksum);
    code.SetCheckSumMethod(static_cast<TCheckSumMethod>(settings.method));
    code.SetTyp(static_cast<TBarcodeType>(settings.type));
    code.SetAngle(settings.angle);

    code.SetTop(1);
    code.SetLeft(3);
    code.SetModul(2);
    code.SetRatio(2.0);
    code.SetWidth(50);
    code.SetText(content);
    code.SetHeight(80);
    code.SetWidth(8 * int(content.size()));

    int width = 0;
    int height = 0;
    if (settings.angle == 0.0) {
        width = code.GetWidth() + 6;
        height = code.Height() + 2;
    } else {
        width = code.GetCanvasWidth() + 6;
        height = code.GetCanvasHeight() + 2;
    }
    QImage picture(width, height, QImage::Format_RGB888);
    picture.fill(Qt::white);
    {
        TImageCanvas canvas(picture);
        code.DrawBarcode(canvas);
    }
    return picture;
}

void saveBarcodePicture(const QImage& picture, const QString& path)
{
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        picture.convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP");
    }
    // Written over the old file, which mostly has the same size, and cut to
    // the new one: emptying it first would have the file system free its
    // blocks and write the file out at once when it is closed.
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        throw Error(u"Cannot create file \"%1\". %2"_qs.arg(QDir::toNativeSeparators(path),
                                                             file.errorString()));
    if (bytes.isEmpty() || file.write(bytes) != bytes.size() || !file.flush() ||
        (file.size() != bytes.size() && !file.resize(bytes.size())))
        throw Error(u"Cannot write file \"%1\". %2"_qs.arg(QDir::toNativeSeparators(path),
                                                            file.errorString()));
}

}  // namespace tarvik::barcode
