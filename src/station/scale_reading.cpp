#include "station/scale_reading.h"

namespace tarvik::station {

std::optional<ReadingFields> splitReading(const QString& reading)
{
    if (reading == u"Error")
        return std::nullopt;
    const qsizetype first = reading.indexOf(u';');
    if (first < 0)
        return ReadingFields{reading, reading};
    const qsizetype second = reading.indexOf(u';', first + 1);
    const QString status = second < 0 ? reading.mid(first + 1) : reading.mid(first + 1, second - first - 1);
    return ReadingFields{reading.left(first), status};
}

QString normaliseWeightText(const QString& weightField, int scaleTypeIndex)
{
    QString s = weightField.trimmed();
    const qsizetype dot = s.indexOf(u'.');
    if (dot >= 0) {
        // The smallest scale reports one place more than the station keeps.
        const qsizetype n = (scaleTypeIndex == 0 && dot + 1 < s.size()) ? 2 : 1;
        s.remove(dot, n);
    }
    s.replace(u'.', u',');
    return s;
}

QString hrCheckText(std::int32_t code, const QString& systemMessage)
{
    const QString call = QStringLiteral("this->get_Data((Variant*)&Value)");
    const QString source = QStringLiteral("KaloScale_TLB.h");
    constexpr int line = 253;
    QString head;
    if (!systemMessage.isEmpty()) {
        head = QStringLiteral("'%1': %2 @ %3/%4").arg(call, systemMessage, source).arg(line);
    } else {
        const auto u = static_cast<std::uint32_t>(code);
        head = QStringLiteral("(%1) Error: %2 (%3) @ %4/%5")
                   .arg(call, QString::number(u, 16).toUpper(), QString::number(code), source)
                   .arg(line);
    }
    return head + u'\n' + QStringLiteral("Press [Y]es to terminate, [N]o to continue and [C]ancel to Debug");
}

}  // namespace tarvik::station
