// tarvik-barcode: draws a text as the station's barcode picture draws it.
//
//   tarvik-barcode [--type NAME] [--checksum] [--method csmNone|csmModulo10]
//                  [--angle DEG] [--modules] [--out FILE.bmp] TEXT
//
// NAME is a symbology as the settings dialog lists it ("CodeEAN13" by
// default). --modules prints the module string; --out saves the picture.
// Exit status: 0 done, 1 the text cannot be encoded or saved, 2 bad usage.

#include "barcode/barcode.h"
#include "barcode/barcode_picture.h"
#include "barcode/barcode_types.h"

#include "platform/text/error.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <cstdio>

using namespace tarvik::barcode;

namespace {

int usage(const QString& problem)
{
    std::fprintf(stderr, "tarvik-barcode: %s\n", qPrintable(problem));
    std::fprintf(stderr,
                 "usage: tarvik-barcode [--type NAME] [--checksum] [--method csmNone|csmModulo10]\n"
                 "                      [--angle DEG] [--modules] [--out FILE.bmp] TEXT\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");  // a tool: no window is ever shown
    QGuiApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption typeOption(u"type"_qs, u"Symbology."_qs, u"NAME"_qs, u"CodeEAN13"_qs);
    const QCommandLineOption checksumOption(u"checksum"_qs, u"Add the check digit."_qs);
    const QCommandLineOption methodOption(u"method"_qs, u"Check digit method."_qs, u"METHOD"_qs,
                                          u"csmModulo10"_qs);
    const QCommandLineOption angleOption(u"angle"_qs, u"Rotation in degrees."_qs, u"DEG"_qs, u"0"_qs);
    const QCommandLineOption modulesOption(u"modules"_qs, u"Print the module string."_qs);
    const QCommandLineOption outOption(u"out"_qs, u"BMP file to write."_qs, u"FILE"_qs);
    parser.addOptions({typeOption, checksumOption, methodOption, angleOption, modulesOption, outOption});
    parser.addPositionalArgument(u"TEXT"_qs, u"The barcode's content."_qs);
    if (!parser.parse(app.arguments()))
        return usage(parser.errorText());

    const QStringList texts = parser.positionalArguments();
    if (texts.size() != 1)
        return usage(u"exactly one TEXT is needed"_qs);
    const auto type = barcodeTypeFromName(parser.value(typeOption));
    if (!type)
        return usage(u"unknown type \"%1\"; one of: %2"_qs.arg(parser.value(typeOption),
                                                                 barcodeTypeNames().join(u", ")));
    const auto method = checkSumMethodFromName(parser.value(methodOption));
    if (!method)
        return usage(u"unknown method \"%1\"; csmNone or csmModulo10"_qs.arg(parser.value(methodOption)));
    bool angleOk = false;
    const double angle = parser.value(angleOption).toDouble(&angleOk);
    if (!angleOk)
        return usage(u"the angle \"%1\" is not a number"_qs.arg(parser.value(angleOption)));
    if (!parser.isSet(modulesOption) && !parser.isSet(outOption))
        return usage(u"nothing to do: give --modules, --out FILE.bmp or both"_qs);

    const BarcodePictureSettings settings{*type, parser.isSet(checksumOption), *method, angle};
    try {
        if (parser.isSet(modulesOption)) {
            TBarcode code;
            code.SetTyp(*type);
            code.SetCheckSum(settings.checksum);
            code.SetCheckSumMethod(*method);
            code.SetText(texts.front());
            std::printf("%s\n", qPrintable(code.MakeData()));
        }
        if (parser.isSet(outOption))
            saveBarcodePicture(MakeBarcodePicture(texts.front(), settings), parser.value(outOption));
    } catch (const tarvik::Error& e) {
        std::fprintf(stderr, "%s\n", e.text().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
