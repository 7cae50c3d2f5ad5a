#include "labels/label_values.h"

#include "platform/text/error.h"
#include "platform/text/locale_forms.h"
#include "platform/text/currency.h"

#include <limits>

namespace tarvik::labels {

namespace {

Currency V(const QString& t) { return Currency::fromText(t); }
QString T(Currency v) { return v.toText(); }
int I(const QString& t) { return textToInt(t); }
QString F(const QString& t, const QString& digits) { return FormatDecimals(t, I(digits)); }

QString withCommas(QString t) { return t.replace(u'.', u','); }

// The product's texts as the three rule sets share them.
void productTexts(const ProductRecord& p, ReplParam& out)
{
    out.name = p.name;
    for (std::size_t i = 0; i < out.text.size(); ++i)
        out.text[i] = p.text[i].trimmed();
    out.message = p.message;
}

QString expiryText(const LabelInputs& in)
{
    return labelDateText(in.today.addDays(shelfLifeDays(in.product.sellDate)));
}

// Tare, net weight, second unit and sum of label 1 (and of its reprint), from
// the weight text already written.
void label1Tail(const LabelInputs& in, ReplParam& out, const std::function<void(const QString&)>& setLog)
{
    const LabelFormats& f = in.formats1;
    out.tara = F(T(V(in.tara1.trimmed()) / V(f.tara.divisor)), f.tara.digits);
    const Currency n = V(out.weight) - V(out.tara);
    out.netto = F(T(n), f.netto.digits);
    if (setLog)
        setLog(out.netto);
    const Currency r = n * V(f.weight.divisor);
    out.KG_Weight = F(T(r / V(f.kg.divisor)), f.kg.digits);
    out.summa = FormatDecimals(T(V(out.price) * (r / V(f.weight.divisor))), 2);
}

}  // namespace

const QString& placeholderValue(const ReplParam& v, int index)
{
    switch (index) {
    case 0: return v.name;
    case 1: return v.date;
    case 2: return v.weight;
    case 3: return v.price;
    case 4: return v.partia;
    case 5: return v.message;
    case 6: return v.exp;
    case 7: return v.heads;
    case 8: return v.place;
    case 9: return v.tara;
    case 10: return v.netto;
    case 11: return v.summa;
    case 20: return v.numbox;
    case 21: return v.KG_Weight;
    default:
        if (index >= 12 && index < 20)
            return v.text[std::size_t(index - 12)];
        throw Error(QStringLiteral("Немає заповнювача з номером %1").arg(index));
    }
}

LabelFormats labelFormats(const data::StartupSettings& s, int label)
{
    if (label == 1)
        return {{s.weigth1, s.weigthNumSim1}, {s.tara1, s.taraNumSim1}, {s.netto1, s.nettoNumSim1}, {s.kg1, s.kgNumSim1}};
    return {{s.weigth2, s.weigthNumSim2}, {s.tara2, s.taraNumSim2}, {s.netto2, s.nettoNumSim2}, {s.kg2, s.kgNumSim2}};
}

QString FormatDecimals(const QString& text, int digits)
{
    if (digits < 0)
        throw Error(QStringLiteral("Кількість знаків після коми не може бути від'ємною: %1").arg(digits));
    // A count from a damaged file would otherwise ask for gigabytes of zeros.
    if (digits > data::kMaxFigureDigits)
        throw Error(QStringLiteral("Кількість знаків після коми завелика: %1, можна до %2")
                        .arg(digits)
                        .arg(data::kMaxFigureDigits));
    const QString t = withCommas(text);
    const qsizetype comma = t.indexOf(u',');
    if (comma < 0)
        return t + u',' + QString(digits, u'0');
    const qsizetype after = t.size() - comma - 1;
    if (after < digits)
        return t + QString(digits - after, u'0');
    return t.left(comma + 1 + digits);
}

QString labelDateText(const QDate& date)
{
    QString t = text::shortDate(date);
    if (t.size() >= 4)
        t.remove(t.size() - 4, 2);
    return t;
}

int shelfLifeDays(const QString& sellDate)
{
    qsizetype i = 0;
    while (i < sellDate.size() && sellDate[i] == u' ')
        ++i;
    bool negative = false;
    if (i < sellDate.size() && (sellDate[i] == u'+' || sellDate[i] == u'-')) {
        negative = sellDate[i] == u'-';
        ++i;
    }
    qint64 days = 0;
    for (; i < sellDate.size() && sellDate[i] >= u'0' && sellDate[i] <= u'9'; ++i) {
        days = days * 10 + (sellDate[i].unicode() - u'0');
        // Far beyond any calendar; keeps the count from overflowing.
        if (days > std::numeric_limits<int>::max() / 10)
            throw Error(QStringLiteral("Термін придатності занадто великий: %1").arg(sellDate));
    }
    // The label shows a two-digit year: beyond a hundred years its date would
    // read as another century's.
    if (days > kMaxShelfLifeDays)
        throw Error(QStringLiteral("Термін придатності товару (SELL_DATE) %1 днів завеликий: можна до %2 днів")
                        .arg(sellDate.trimmed())
                        .arg(kMaxShelfLifeDays));
    return int(negative ? -days : days);
}

void ComputeLabelValues(int label, const LabelInputs& in, ReplParam& out,
                        const std::function<void(const QString&)>& setLogWeightText)
{
    if (label != 1 && label != 2)
        throw Error(QStringLiteral("Немає етикетки з номером %1").arg(label));
    const ProductRecord& p = in.product;
    if (label == 1) {
        const LabelFormats& f = in.formats1;
        out.numbox = in.numBox;
        productTexts(p, out);
        out.price = FormatDecimals(p.price, 2);
        out.date = labelDateText(in.today);
        out.partia = in.batch;
        out.weight = F(T(V(in.weight) / V(f.weight.divisor)), f.weight.digits);
        out.exp = expiryText(in);
        out.heads = in.heads;
        out.place = in.place;
        label1Tail(in, out, setLogWeightText);
        return;
    }
    const LabelFormats& f = in.formats2;
    out.numbox = in.numBox;
    const int count = I(in.perBox.trimmed());
    productTexts(p, out);
    out.price = p.price;
    out.date = labelDateText(in.today);
    out.partia = in.batch;
    const Currency boxTare = V(in.tara2.trimmed()) / V(f.tara.divisor);
    const Currency loadTare = V(in.tara1.trimmed()) / V(in.formats1.tara.divisor);
    out.weight = F(T(V(in.boxMass) / V(f.weight.divisor) + boxTare), f.weight.digits);
    out.exp = expiryText(in);
    out.heads = in.heads;
    out.place = in.place;
    out.tara = F(T(boxTare + loadTare * count), f.tara.digits);
    const Currency n = V(in.boxMass.trimmed()) / V(f.weight.divisor) - loadTare * count;
    out.netto = F(T(n), f.netto.digits);
    if (setLogWeightText)
        setLogWeightText(out.netto);
    const Currency r = n * V(f.weight.divisor);
    out.KG_Weight = F(T(r / V(f.kg.divisor)), f.kg.digits);
    out.summa = FormatDecimals(T(V(withCommas(p.price)) * (r / V(f.weight.divisor))), 2);
}

ReplParam ComputeReprintValues(const QString& batch, const QString& weight, const LabelInputs& in)
{
    ReplParam out;
    const LabelFormats& f = in.formats1;
    productTexts(in.product, out);
    out.price = FormatDecimals(in.product.price, 2);
    out.date = labelDateText(in.today);
    out.partia = batch;
    out.weight = F(T(V(weight) / V(f.weight.divisor)), f.weight.digits);
    out.exp = expiryText(in);
    out.heads = in.heads;
    out.place = in.place;
    label1Tail(in, out, {});
    return out;
}

}  // namespace tarvik::labels
