#include "platform/richtext/codepages.h"

#include "platform/text/codec.h"

#include <QStringDecoder>

#include <algorithm>

namespace tarvik::richtext {
namespace {

const char* codecName(int codepage) {
    switch (codepage) {
    case 874: return "windows-874";
    case 932: return "Shift_JIS";
    case 936: return "GBK";
    case 949: return "EUC-KR";
    case 950: return "Big5";
    case 1250: return "windows-1250";
    case 1252: return "windows-1252";
    case 1253: return "windows-1253";
    case 1254: return "windows-1254";
    case 1255: return "windows-1255";
    case 1256: return "windows-1256";
    case 1257: return "windows-1257";
    case 1258: return "windows-1258";
    case 437: return "IBM437";
    case 850: return "IBM850";
    case 866: return "IBM866";
    case 10000: return "macintosh";
    default: return nullptr;
    }
}

}  // namespace

int codepageOfCharset(int charset, int fallback) {
    switch (charset) {
    case 0: return 1252;    // ANSI
    case 2: return 1252;    // Symbol: its bytes are glyph numbers; read them as Latin
    case 77: return 10000;  // Mac
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 255: return 437;  // OEM
    default: return fallback;
    }
}

bool isKnownCodepage(int codepage) {
    if (codepage == 1251)
        return true;
    const char* name = codecName(codepage);
    return name && QStringDecoder(name).isValid();
}

QString decodeCodepage(const QByteArray& bytes, int codepage) {
    // Plain ASCII reads the same in every code page the reader knows.
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return QString::fromLatin1(bytes);
    if (codepage != 1251) {
        if (const char* name = codecName(codepage)) {
            QStringDecoder decoder(name, QStringDecoder::Flag::Stateless);
            if (decoder.isValid())
                return decoder.decode(bytes);
        }
    }
    return text::fromCp1251(bytes);
}

}  // namespace tarvik::richtext
