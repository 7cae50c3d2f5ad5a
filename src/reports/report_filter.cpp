#include "reports/report_filter.h"

#include "platform/text/error.h"

namespace tarvik::reports {

namespace {

int batchBound(const QString& text, const QString& which)
{
    QString digits = text;
    digits.remove(u' ');
    if (digits.isEmpty())
        throw Error(QStringLiteral("Вкажіть номер партії \"%1\"").arg(which));
    bool ok = false;
    const int n = digits.toInt(&ok);
    if (!ok || n < 0 || digits.contains(u'+') || digits.contains(u'-'))
        throw Error(QStringLiteral("Номер партії \"%1\" має бути цілим числом, а не '%2'").arg(which, text));
    return n;
}

}  // namespace

QString LogFilter::where() const
{
    QStringList parts;
    if (scaleName)
        parts << QStringLiteral("NAME_W = ?");
    if (firstDay)
        parts << QStringLiteral("DATE_IN >= ?");
    if (lastDay)
        parts << QStringLiteral("DATE_IN <= ?");
    if (firstBatch)
        parts << QStringLiteral("PARTIA >= ?");
    if (lastBatch)
        parts << QStringLiteral("PARTIA <= ?");
    return parts.join(QStringLiteral(" AND "));
}

QVariantList LogFilter::params() const
{
    QVariantList v;
    if (scaleName)
        v << *scaleName;
    if (firstDay)
        v << *firstDay;
    if (lastDay)
        v << *lastDay;
    if (firstBatch)
        v << *firstBatch;
    if (lastBatch)
        v << *lastBatch;
    return v;
}

QStringList LogFilter::paramNames() const
{
    QStringList n;
    if (scaleName)
        n << QStringLiteral("NAME_W");
    if (firstDay)
        n << QStringLiteral("DATE_IN");
    if (lastDay)
        n << QStringLiteral("DATE_IN");
    if (firstBatch)
        n << QStringLiteral("PARTIA");
    if (lastBatch)
        n << QStringLiteral("PARTIA");
    return n;
}

LogFilter scaleFilter(const QString& scaleName)
{
    LogFilter f;
    f.scaleName = scaleName;
    return f;
}

LogFilter reportFilter(const ReportSelection& s)
{
    LogFilter f = scaleFilter(s.scaleName);
    if (s.kind == ReportKind::ByDate) {
        if (!s.firstDay.isValid() || !s.lastDay.isValid())
            throw Error(QStringLiteral("Вкажіть дати звіту"));
        f.firstDay = s.firstDay;
        f.lastDay = s.lastDay;
    } else {
        f.firstBatch = batchBound(s.firstBatch, QStringLiteral("з"));
        f.lastBatch = batchBound(s.lastBatch, QStringLiteral("по"));
    }
    return f;
}

}  // namespace tarvik::reports
