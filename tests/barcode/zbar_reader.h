#pragma once
// Reads barcodes back from pictures with libzbar, in-process.

#include <QImage>
#include <QStringList>
#include <zbar.h>

namespace tarvik::barcode::testing {

using namespace ::zbar;  // the C interface lives in this namespace for C++

class ZbarReader {
public:
    ZbarReader()
    {
        scanner_ = zbar_image_scanner_create();
        // zbar's defaults (UPC-A read as EAN-13 with a leading 0, interleaved
        // 2 of 5 from 6 digits), with UPC-E, which is off by default, enabled.
        zbar_image_scanner_set_config(scanner_, ZBAR_UPCE, ZBAR_CFG_ENABLE, 1);
    }
    ~ZbarReader() { zbar_image_scanner_destroy(scanner_); }
    ZbarReader(const ZbarReader&) = delete;
    ZbarReader& operator=(const ZbarReader&) = delete;

    // Every symbol found, as "TYPE:data" (TYPE as zbar names it, with "+GS1"
    // when the symbol begins with FNC1).
    QStringList read(const QImage& picture)
    {
        QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
        QByteArray packed;
        packed.reserve(grey.width() * grey.height());
        for (int y = 0; y < grey.height(); ++y)
            packed.append(reinterpret_cast<const char*>(grey.constScanLine(y)), grey.width());
        zbar_image_t* image = zbar_image_create();
        zbar_image_set_format(image, zbar_fourcc('Y', '8', '0', '0'));
        zbar_image_set_size(image, unsigned(grey.width()), unsigned(grey.height()));
        zbar_image_set_data(image, packed.constData(), unsigned(packed.size()), nullptr);
        zbar_scan_image(scanner_, image);
        QStringList found;
        for (const zbar_symbol_t* s = zbar_image_first_symbol(image); s; s = zbar_symbol_next(s))
            found << QString::fromLatin1(zbar_get_symbol_name(zbar_symbol_get_type(s))) +
                         ((zbar_symbol_get_modifiers(s) & (1 << ZBAR_MOD_GS1)) ? u"+GS1:"_qs : u":"_qs) +
                         QString::fromLatin1(zbar_symbol_get_data(s),
                                             int(zbar_symbol_get_data_length(s)));
        zbar_image_destroy(image);
        return found;
    }

private:
    zbar_image_scanner_t* scanner_;
};

}  // namespace tarvik::barcode::testing
