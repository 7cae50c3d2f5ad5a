#pragma once
// Small helpers shared by the barcode tests.

#include "barcode/barcode.h"

#include <QGuiApplication>
#include <QString>
#include <ostream>

namespace tarvik::barcode::testing {

// Bars and spaces of a module string at one pixel per narrow module and
// ratio 2 ('1' a bar module, '0' a space module).
inline QString moduleBits(const QString& modules)
{
    QString bits;
    for (QChar ch : modules) {
        const ushort u = ch.unicode();
        const bool bar = (u >= u'5' && u <= u'8') || (u >= u'A' && u <= u'D');
        const int width = u >= u'A' ? u - u'A' + 1 : (bar ? u - u'5' + 1 : u - u'0' + 1);
        bits += QString(width, bar ? u'1' : u'0');
    }
    return bits;
}

}  // namespace tarvik::barcode::testing

// Readable QStrings in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
