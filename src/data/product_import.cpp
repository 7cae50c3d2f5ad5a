#include "data/product_import.h"

#include "data/station_store.h"
#include "platform/text/error.h"

#include <QStringList>
#include <QVariantList>

namespace tarvik::data {

namespace {

const QStringList kColumns = {
    QStringLiteral("ID_TOB"), QStringLiteral("NAME"),  QStringLiteral("SKLAD"), QStringLiteral("BARCOD"),
    QStringLiteral("PRICE"),  QStringLiteral("SELL_DATE"), QStringLiteral("TEXT1"), QStringLiteral("TEXT2"),
    QStringLiteral("TEXT3"),  QStringLiteral("TEXT4"), QStringLiteral("TEXT5"), QStringLiteral("TEXT6"),
    QStringLiteral("TEXT7"),  QStringLiteral("TEXT8")};

}  // namespace

int importProducts(Database& db, const QString& tsvText)
{
    QStringList lines = tsvText.split(u'\n');
    for (QString& l : lines)
        if (l.endsWith(u'\r'))
            l.chop(1);
    while (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    if (lines.isEmpty())
        throw Error(QStringLiteral("Файл товарів порожній: перший рядок має називати стовпці"));

    const QStringList header = lines.takeFirst().split(u'\t');
    QList<int> columnOf;  // position in kColumns of each file column
    for (const QString& h : header) {
        const int c = int(kColumns.indexOf(h.trimmed().toUpper()));
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
    QString sql = QStringLiteral("INSERT INTO TOBAP (%1) VALUES (%2)")
                      .arg(kColumns.join(QStringLiteral(", ")), QStringList(kColumns.size(), QStringLiteral("?")).join(u','));
    PreparedStatement insert(db, sql);
    insert.setParameterNames(kColumns);

    std::vector<QVariantList> rows;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringList cells = lines[i].split(u'\t');
        if (cells.size() > header.size())
            throw Error(QStringLiteral("Файл товарів, рядок %1: %2 значень, а стовпців %3")
                            .arg(i + 2).arg(cells.size()).arg(header.size()));
        QVariantList values(kColumns.size());
        for (qsizetype c = 0; c < cells.size(); ++c)
            if (!cells[c].isEmpty())
                values[columnOf[c]] = cells[c];
        if (values[0].isNull())
            values[0] = nextId++;
        else {
            bool ok = false;
            values[0] = values[0].toString().trimmed().toInt(&ok);
            if (!ok)
                throw Error(QStringLiteral("Файл товарів, рядок %1: ID_TOB не є цілим числом").arg(i + 2));
            nextId = std::max(nextId, values[0].toInt() + 1);
        }
        try {
            insert.check(values);
        } catch (const Error& e) {
            throw Error(QStringLiteral("Файл товарів, рядок %1: %2").arg(i + 2).arg(e.text()));
        }
        rows.push_back(std::move(values));
    }
    for (const QVariantList& r : rows)
        insert.execute(r);
    db.transaction().hardCommit();
    return int(rows.size());
}

}  // namespace tarvik::data
