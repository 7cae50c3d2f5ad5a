#include "barcode/barcode_types.h"

namespace tarvik::barcode {

QStringList barcodeTypeNames()
{
    return {
        u"Code_2_5_interleaved"_qs, u"Code_2_5_industrial"_qs, u"Code_2_5_matrix"_qs,
        u"Code39"_qs,               u"Code39Extended"_qs,      u"Code128A"_qs,
        u"Code128B"_qs,             u"Code128C"_qs,            u"Code93"_qs,
        u"Code93Extended"_qs,       u"CodeMSI"_qs,             u"CodePostNet"_qs,
        u"CodeCodabar"_qs,          u"CodeEAN8"_qs,            u"CodeEAN13"_qs,
        u"CodeUPC_A"_qs,            u"CodeUPC_E0"_qs,          u"CodeUPC_E1"_qs,
        u"CodeUPC_Supp2"_qs,        u"CodeUPC_Supp5"_qs,       u"CodeEAN128A"_qs,
        u"CodeEAN128B"_qs,          u"CodeEAN128C"_qs,         u"CodeGS1_128"_qs,
    };
}

std::optional<TBarcodeType> barcodeTypeFromName(const QString& name)
{
    const qsizetype i = barcodeTypeNames().indexOf(name);
    if (i < 0)
        return std::nullopt;
    return static_cast<TBarcodeType>(i);
}

QStringList checkSumMethodNames()
{
    return {u"csmNone"_qs, u"csmModulo10"_qs};
}

std::optional<TCheckSumMethod> checkSumMethodFromName(const QString& name)
{
    const qsizetype i = checkSumMethodNames().indexOf(name);
    if (i < 0)
        return std::nullopt;
    return static_cast<TCheckSumMethod>(i);
}

}  // namespace tarvik::barcode
