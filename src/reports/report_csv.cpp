#include "reports/report_csv.h"

#include "platform/grid/grid_model.h"
#include "platform/text/error.h"

#include <QIODevice>
#include <QRegularExpression>
#include <QSaveFile>

namespace tarvik::reports {

namespace {

constexpr qint64 kProgressEvery = 4096;
constexpr qsizetype kFlushAt = 1 << 16;

void writeAll(QIODevice& out, QByteArray& buffer)
{
    if (out.write(buffer) != buffer.size())
        throw Error(QStringLiteral("Не вдалося записати звіт: %1").arg(out.errorString()));
    buffer.clear();
}

}  // namespace

QString csvField(const QString& text)
{
    // A spreadsheet runs a field that starts like a formula: a product name
    // "=HYPERLINK(…)" typed into the catalogue would act when the report is
    // opened. Such a field that is no number keeps its text behind an
    // apostrophe; "-1,5" stays a number.
    static const QRegularExpression number(QStringLiteral("^[+-]?[0-9]+(,[0-9]+)?$"));
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && formulaStarts.contains(text.front()) && !number.match(text).hasMatch())
        return csvField(u'\'' + text);
    if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

CsvResult writeReportCsv(const grid::RowSource& source, const std::vector<CsvColumn>& columns, QIODevice& out,
                         const std::function<bool(qint64 rows)>& progress)
{
    QByteArray buffer("\xEF\xBB\xBF");
    auto line = [&](const std::function<QString(const CsvColumn&)>& cell) {
        QString text;
        for (size_t c = 0; c < columns.size(); ++c) {
            if (c)
                text += u';';
            text += csvField(cell(columns[c]));
        }
        text += QStringLiteral("\r\n");
        buffer += text.toUtf8();
        if (buffer.size() >= kFlushAt)
            writeAll(out, buffer);
    };
    line([](const CsvColumn& c) { return c.title; });

    CsvResult result;
    source.forEachRow([&](int row, const grid::RowSource::Fields& fields) {
        if (progress && row % kProgressEvery == 0 && !progress(row)) {
            result.complete = false;
            return false;
        }
        result.totals.add(fields(QStringLiteral("WEIGHT")).toString(), fields(QStringLiteral("PRICE")).toString());
        // CHAR columns come padded with blanks; the list does not show them either.
        line([&](const CsvColumn& c) { return grid::cellText(fields(c.field)).trimmed(); });
        return true;
    });
    const FooterTexts footer = footerTexts(result.totals);
    line([&](const CsvColumn& c) {
        if (c.field == QLatin1String("NAME"))
            return footer.name.trimmed();
        if (c.field == QLatin1String("WEIGHT"))
            return result.totals.weight.toText();
        if (c.field == QLatin1String("PRICE"))
            return result.totals.cost.toText();
        return QString();
    });
    writeAll(out, buffer);
    return result;
}

CsvResult exportReportCsv(const grid::RowSource& source, const std::vector<CsvColumn>& columns, const QString& path,
                          const std::function<bool(qint64 rows)>& progress)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(QStringLiteral("Не вдалося створити файл \"%1\": %2").arg(path, file.errorString()));
    CsvResult result;
    try {
        result = writeReportCsv(source, columns, file, progress);
    } catch (...) {
        file.cancelWriting();
        throw;
    }
    if (!result.complete) {
        file.cancelWriting();
        return result;
    }
    if (!file.commit())
        throw Error(QStringLiteral("Не вдалося записати файл \"%1\": %2").arg(path, file.errorString()));
    return result;
}

}  // namespace tarvik::reports
