#include "data/product_import.h"

#include "data/station_store.h"
#include "platform/text/currency.h"
#include "platform/text/error.h"

#include <QVariantList>

#include <limits>

namespace tarvik::data {

const std::array<ProductColumn, 14> kProductColumns = {{
    {"ID_TOB", "№"},
    {"NAME", "Назва Товару"},
    {"SKLAD", "Опис товару"},
    {"BARCOD", "Код"},
    {"PRICE", "Ціна"},
    {"SELL_DATE", "Термін придатності"},
    {"TEXT1", ""},
    {"TEXT2", ""},
    {"TEXT3", ""},
    {"TEXT4", ""},
    {"TEXT5", ""},
    {"TEXT6", ""},
    {"TEXT7", ""},
    {"TEXT8", ""},
}};

namespace {

QStringList columnFields()
{
    QStringList out;
    for (const ProductColumn& c : kProductColumns)
        out << QString::fromLatin1(c.field);
    return out;
}

[[noreturn]] void refuse(const QString& field, const QString& value, const QString& why)
{
    throw Error(QStringLiteral("%1: \"%2\" %3").arg(productColumnName(field), value, why));
}

QChar separatorOf(const QString& header)
{
    for (QChar c : {QChar(u'\t'), QChar(u';'), QChar(u',')})
        if (header.contains(c))
            return c;
    return u'\t';
}

}  // namespace

QString productColumnName(const QString& field)
{
    for (const ProductColumn& c : kProductColumns)
        if (field.compare(QLatin1String(c.field), Qt::CaseInsensitive) == 0 && *c.title)
            return QStringLiteral("\"%1\" (%2)").arg(QString::fromUtf8(c.title), QLatin1String(c.field));
    return field.toUpper();
}

void checkProduct(const std::function<QVariant(const QString& field)>& value)
{
    auto text = [&](const char* field) {
        const QVariant v = value(QLatin1String(field));
        return v.isNull() ? QString() : v.toString().trimmed();
    };
    const QString id = text("ID_TOB");
    const auto n = parseWholeNumber(id);
    if (!n || *n < 1 || *n > std::numeric_limits<int>::max())
        refuse(QStringLiteral("ID_TOB"), id, QStringLiteral("— потрібне ціле число від 1"));
    if (text("NAME").isEmpty())
        refuse(QStringLiteral("NAME"), QString(), QStringLiteral("— товар потрібно назвати"));
    const QString price = text("PRICE");
    try {
        if (Currency::fromText(QString(price).replace(u'.', u',')) < 0)
            refuse(QStringLiteral("PRICE"), price, QStringLiteral("— ціна не може бути від'ємною"));
    } catch (const ConvertError&) {
        refuse(QStringLiteral("PRICE"), price, QStringLiteral("— ціна має бути десятковим числом, наприклад 12.50"));
    }
    const QString days = text("SELL_DATE");
    if (!days.isEmpty()) {
        const auto d = parseWholeNumber(days);
        if (!d || *d < 0 || *d > kMaxShelfLifeDays)
            refuse(QStringLiteral("SELL_DATE"), days,
                   QStringLiteral("— термін придатності має бути цілим числом днів від 0 до %1").arg(kMaxShelfLifeDays));
    }
}

std::vector<TextRow> parseDelimited(const QString& text, QChar separator)
{
    std::vector<TextRow> rows;
    QStringList cells;
    QString cell;
    int line = 1, rowLine = 1;
    bool quoted = false, any = false;
    auto endCell = [&] {
        cells << cell;
        cell.clear();
    };
    auto endRow = [&] {
        endCell();
        rows.push_back({rowLine, cells});
        cells.clear();
        any = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                cell += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                continue;  // a line break inside a cell is kept as "\n"
            } else {
                if (c == u'\n')
                    ++line;
                cell += c;
            }
            continue;
        }
        if (c == u'"' && cell.isEmpty()) {
            quoted = any = true;
        } else if (c == separator) {
            endCell();
            any = true;
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            continue;
        } else if (c == u'\n') {
            endRow();
            rowLine = ++line;
        } else {
            cell += c;
            any = true;
        }
    }
    if (quoted)
        throw Error(QStringLiteral("Рядок %1: лапки відкрито й не закрито").arg(rowLine));
    if (any || !cell.isEmpty())
        endRow();
    return rows;
}

int importProducts(Database& db, const QString& text)
{
    QString body = text;
    if (body.startsWith(QChar(0xFEFF)))
        body.remove(0, 1);
    const qsizetype eol = body.indexOf(u'\n');
    std::vector<TextRow> rows = parseDelimited(body, separatorOf(body.left(eol < 0 ? body.size() : eol)));
    while (!rows.empty() && rows.back().cells.join(QString()).trimmed().isEmpty())
        rows.pop_back();
    if (rows.empty())
        throw Error(QStringLiteral("Файл товарів порожній: перший рядок має називати стовпці"));

    const QStringList fields = columnFields();
    const QStringList header = rows.front().cells;
    rows.erase(rows.begin());
    QList<int> columnOf;  // position in kProductColumns of each file column
    for (const QString& h : header) {
        const int c = int(fields.indexOf(h.trimmed().toUpper()));
        if (c < 0)
            throw Error(QStringLiteral("Файл товарів: невідомий стовпець \"%1\"").arg(h));
        if (columnOf.contains(c))
            throw Error(QStringLiteral("Файл товарів: стовпець \"%1\" двічі").arg(h));
        columnOf << c;
    }
    if (!columnOf.contains(1))
        throw Error(QStringLiteral("Файл товарів: немає стовпця NAME"));

    StationStore store(db);
    int nextId = store.highestProductId().value_or(0) + 1;
    const QString sql = QStringLiteral("INSERT INTO TOBAP (%1) VALUES (%2)")
                            .arg(fields.join(QStringLiteral(", ")), QStringList(fields.size(), QStringLiteral("?")).join(u','));
    PreparedStatement insert(db, sql);
    insert.setParameterNames(fields);

    std::vector<QVariantList> values;
    for (const TextRow& row : rows) {
        const QString where = QStringLiteral("Файл товарів, рядок %1").arg(row.line);
        if (row.cells.size() > header.size())
            throw Error(QStringLiteral("%1: %2 значень, а стовпців %3").arg(where).arg(row.cells.size()).arg(header.size()));
        QVariantList v(fields.size());
        for (qsizetype c = 0; c < row.cells.size(); ++c)
            if (!row.cells[c].isEmpty())
                v[columnOf[c]] = row.cells[c];
        if (v[0].isNull())
            v[0] = QString::number(nextId);
        try {
            checkProduct([&](const QString& field) { return v[fields.indexOf(field)]; });
            v[0] = int(*parseWholeNumber(v[0].toString().trimmed()));
            nextId = std::max(nextId, v[0].toInt() + 1);
            insert.check(v);
        } catch (const Error& e) {
            throw Error(QStringLiteral("%1: %2").arg(where, e.text()));
        }
        values.push_back(std::move(v));
    }
    for (const QVariantList& r : values)
        insert.execute(r);
    db.transaction().hardCommit();
    return int(values.size());
}

QString exportProducts(Database& db, QChar separator)
{
    const QStringList fields = columnFields();
    auto cell = [&](const QVariant& v) {
        QString t = v.isNull() ? QString() : v.toString();
        if (t.contains(separator) || t.contains(u'"') || t.contains(u'\n') || t.contains(u'\r'))
            t = u'"' + QString(t).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
        return t;
    };
    QString out = fields.join(separator) + u'\n';
    PreparedStatement q(db, QStringLiteral("SELECT %1 FROM TOBAP ORDER BY ID_TOB").arg(fields.join(QStringLiteral(", "))));
    q.forEach({}, [&](Row&& r) {
        QStringList cells;
        for (const QVariant& v : r)
            cells << cell(v);
        out += cells.join(separator) + u'\n';
        return true;
    });
    return out;
}

}  // namespace tarvik::data
