#include "station/cycle_rules.h"

#include "platform/text/error.h"

namespace tarvik::station {

Decision weighingDecision(Currency weight, bool stable, std::int64_t zero, bool printed)
{
    if (!printed && stable && weight > zero)
        return Decision::LabelRun;
    if (weight < zero)
        return Decision::Rearm;
    return Decision::Nothing;
}

Currency netBoxWeight(Currency boxMass, Currency tare1, std::int64_t perBox, Currency tare2)
{
    return boxMass - (tare1 * perBox + tare2);
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
    QString text = netBoxWeight(boxMass, tare1, perBox, tare2).toText();
    const qsizetype comma = text.indexOf(u',');
    if (comma >= 0)
        text.remove(comma, 1);
    return text;
}

namespace {

std::optional<std::int64_t> limitOf(const MaskedDigits& field, const char* caption)
{
    const QString text = field.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    try {
        return textToInt64(text);
    } catch (const ConvertError& e) {
        throw Error(QStringLiteral("Поле \"%1\": %2").arg(QString::fromUtf8(caption), e.text()));
    }
}

}  // namespace

WeightLimits weightLimits(const MaskedDigits& min, const MaskedDigits& max)
{
    return {limitOf(min, "Мін. вага нетто, гр."), limitOf(max, "Макс. вага нетто, гр.")};
}

LimitCheck checkWeightLimits(Currency net, const WeightLimits& limits)
{
    if (limits.min && net < *limits.min)
        return LimitCheck::Under;
    if (limits.max && net > *limits.max)
        return LimitCheck::Over;
    return LimitCheck::Within;
}

QString limitAlarmText(LimitCheck check, Currency net, const WeightLimits& limits)
{
    switch (check) {
    case LimitCheck::Under:
        return QStringLiteral("Нижче мінімуму: нетто %1 г (мін. %2 г)").arg(net.toText()).arg(*limits.min);
    case LimitCheck::Over:
        return QStringLiteral("Вище максимуму: нетто %1 г (макс. %2 г)").arg(net.toText()).arg(*limits.max);
    case LimitCheck::Within:
        break;
    }
    return {};
}

}  // namespace tarvik::station
