#include "reports/report_totals.h"

#include "data/database.h"

namespace tarvik::reports {

namespace {
QString withoutBlanks(QString s)
{
    s.remove(u' ');
    return s;
}
}  // namespace

void ReportTotals::add(const QString& weightText, const QString& priceText)
{
    const Currency c = Currency::fromText(withoutBlanks(priceText));
    const Currency w = Currency::fromText(withoutBlanks(weightText));
    cost = cost + c;
    weight = weight + w;
    ++rows;
}

ReportTotals computeTotals(data::Database& db, const LogFilter& f)
{
    const QString where = f.where();
    // No order: sums do not need one, and a sort would cost more than the sums.
    data::PreparedStatement s(db, QStringLiteral("SELECT WEIGHT, PRICE FROM DB_ZVIT")
                                      + (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where));
    ReportTotals t;
    s.forEach(f.params(), [&](data::Row&& r) {
        t.add(r.at(0).toString(), r.at(1).toString());
        return true;
    });
    return t;
}

FooterTexts footerTexts(const ReportTotals& t)
{
    return {QStringLiteral("Всього "), t.weight.toText() + QStringLiteral(" кг."), t.cost.toText()};
}

}  // namespace tarvik::reports
