#include "station/cycle_rules.h"

namespace tarvik::station {

Decision weighingDecision(Currency weight, bool stable, std::int64_t zero, bool printed)
{
    if (!printed && stable && weight > zero)
        return Decision::LabelRun;
    if (weight < zero)
        return Decision::Rearm;
    return Decision::Nothing;
}

std::int64_t zeroThreshold(const QString& editZero)
{
    return textToInt64(editZero.trimmed());
}

Currency priceValue(const QString& priceText)
{
    return Currency::fromText(QString(priceText).replace(u'.', u','));
}

QString costText(Currency weight, Currency tare, Currency price)
{
    const Currency cost = ((weight - tare) / Currency::fromInt(1000)) * price;
    QString text = cost.toText();
    const qsizetype comma = text.indexOf(u',');
    if (comma >= 0)
        text.truncate(comma + 3);
    return text;
}

QString netBoxWeightText(Currency boxMass, Currency tare1, std::int64_t perBox, Currency tare2)
{
    const Currency net = boxMass - (tare1 * perBox + tare2);
    QString text = net.toText();
    const qsizetype comma = text.indexOf(u',');
    if (comma >= 0)
        text.remove(comma, 1);
    return text;
}

}  // namespace tarvik::station
