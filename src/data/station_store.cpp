#include "data/station_store.h"

#include "data/settings_files.h"
#include "platform/text/codec.h"
#include "platform/text/currency.h"

#include <QDir>

#include <QThread>

#include <chrono>

namespace tarvik::data {
namespace {

// The scale's row in TARVIK_SCALES is locked first (a new scale name gets its
// row), so the highest number is read only by the one transaction that holds
// the lock: another station of the same name meets the lock ("nowait"
// conflict) and tries again after this one commits. The block is one
// statement: a refused or conflicting run leaves nothing behind.
// docs/numbering.md explains the choice.
const char* const kInsertLog =
    "EXECUTE BLOCK ("
    "NAME_W TYPE OF COLUMN DB_ZVIT.NAME_W = ?, NAME TYPE OF COLUMN DB_ZVIT.NAME = ?, "
    "DATE_IN TYPE OF COLUMN DB_ZVIT.DATE_IN = ?, WEIGHT TYPE OF COLUMN DB_ZVIT.WEIGHT = ?, "
    "PRICE TYPE OF COLUMN DB_ZVIT.PRICE = ?, PARTIA TYPE OF COLUMN DB_ZVIT.PARTIA = ?) "
    "AS DECLARE ID INTEGER; "
    "BEGIN "
    "  UPDATE TARVIK_SCALES SET LAST_ID = LAST_ID WHERE NAME_W = :NAME_W; "
    "  IF (ROW_COUNT = 0) THEN INSERT INTO TARVIK_SCALES (NAME_W) VALUES (:NAME_W); "
    "  SELECT COALESCE(MAX(ID), 0) + 1 FROM DB_ZVIT WHERE NAME_W = :NAME_W INTO :ID; "
    "  UPDATE TARVIK_SCALES SET LAST_ID = :ID WHERE NAME_W = :NAME_W; "
    "  INSERT INTO DB_ZVIT (ID, NAME, DATE_IN, WEIGHT, PRICE, PARTIA, NAME_W) "
    "    VALUES (:ID, :NAME, :DATE_IN, :WEIGHT, :PRICE, :PARTIA, :NAME_W); "
    "END";
// The number the block stored: the scale's row stays this transaction's until it commits.
const char* const kLastId = "SELECT LAST_ID FROM TARVIK_SCALES WHERE NAME_W = ?";
const char* const kAdvanceBox = "UPDATE KOPOBKA SET NUM = NUM + 1 WHERE ID_num = 1 RETURNING NUM";
const char* const kSetBox = "UPDATE KOPOBKA SET NUM = ? WHERE ID_num = 1";
const char* const kGetBox = "SELECT NUM FROM KOPOBKA WHERE ID_num = 1";
const char* const kCountBox = "SELECT COUNT(*), COUNT(NUM) FROM KOPOBKA WHERE ID_num = 1";
const char* const kProductId = "SELECT ID_TOB FROM TOBAP WHERE NAME = ?";
const char* const kMaxProduct = "SELECT MAX(ID_TOB) FROM TOBAP";
const char* const kMaxMessage = "SELECT MAX(ID) FROM MESSAGES";
const char* const kRunRow = "SELECT ID FROM TARVIK_RUNS WHERE RUN_ID = ?";
const char* const kAddRun = "INSERT INTO TARVIK_RUNS (RUN_ID, NAME_W, ID) VALUES (?, ?, ?)";
const char* const kRunBox = "SELECT NUM FROM TARVIK_BOXES WHERE RUN_ID = ?";
const char* const kAddBox = "INSERT INTO TARVIK_BOXES (RUN_ID, NUM) VALUES (?, ?)";

}  // namespace

StationStore::StationStore(Database& db) : db_(db) {}
StationStore::~StationStore() = default;

PreparedStatement& StationStore::stmt(std::unique_ptr<PreparedStatement>& slot, const char* sql)
{
    if (!slot)
        slot = std::make_unique<PreparedStatement>(db_, QString::fromLatin1(sql));
    return *slot;
}

template <typename F>
auto StationStore::retrying(F&& f)
{
    using clock = std::chrono::steady_clock;
    const auto until = clock::now() + retryFor_;
    for (int attempt = 0;; ++attempt) {
        try {
            return f();
        } catch (const DatabaseError& e) {
            if (!e.isConflict() || clock::now() >= until)
                throw;
            // The other station's transaction commits within its idle time.
            QThread::msleep(attempt < 5 ? 5 : 20);
        }
    }
}

int StationStore::batchNumber(const QString& typed)
{
    const QString t = typed.trimmed();
    if (t.isEmpty())
        throw Error(QStringLiteral("Не введено номер партії (поле PARTIA)"));
    const auto v = parseWholeNumber(t);
    if (!v || *v < INT32_MIN || *v > INT32_MAX)
        throw Error(QStringLiteral("Номер партії '%1' не є цілим числом (поле PARTIA)").arg(typed));
    return int(*v);
}

QVariantList StationStore::logRowValues(const LogRow& row)
{
    if (!row.date.isValid())
        throw Error(QStringLiteral("Не вказано дату фасовки (поле DATE_IN)"));
    const int batch = batchNumber(row.batch);
    return {row.scaleName, row.name, row.date, row.weight, row.cost, batch};
}

PreparedStatement& StationStore::insertLogStatement()
{
    PreparedStatement& s = stmt(insertLog_, kInsertLog);
    s.setParameterNames({QStringLiteral("NAME_W"), QStringLiteral("NAME"), QStringLiteral("DATE_IN"),
                         QStringLiteral("WEIGHT"), QStringLiteral("PRICE"), QStringLiteral("PARTIA")});
    return s;
}

void StationStore::checkLogRow(const LogRow& row)
{
    const QVariantList values = logRowValues(row);
    insertLogStatement().check(values);
}

int StationStore::insertLogRow(const LogRow& row)
{
    const QVariantList values = logRowValues(row);
    PreparedStatement& s = insertLogStatement();
    retrying([&] { return s.execute(values); });
    return stmt(lastId_, kLastId).select({row.scaleName}).at(0).at(0).toInt();
}

void StationStore::checkBoxRow(bool needValue)
{
    const auto rows = stmt(countBox_, kCountBox).select();
    const qint64 n = rows.at(0).at(0).toLongLong();
    if (n == 0)
        throw Error(QStringLiteral("У таблиці KOPOBKA немає рядка з ID_num = 1"));
    if (n > 1)
        throw Error(QStringLiteral("У таблиці KOPOBKA %1 рядків з ID_num = 1, має бути один").arg(n));
    if (needValue && rows.at(0).at(1).toLongLong() == 0)
        throw Error(QStringLiteral("Номер коробки в таблиці KOPOBKA не заповнено (NULL)"));
}

qint64 StationStore::advanceBoxNumber()
{
    // Checked first, so a damaged table is named as such and nothing is changed.
    checkBoxRow(true);
    PreparedStatement& s = stmt(advanceBox_, kAdvanceBox);
    const auto out = retrying([&] { return s.execute(); });
    if (s.affectedRows() != 1 || !out || out->at(0).isNull())
        throw Error(QStringLiteral("Номер коробки в таблиці KOPOBKA не вдалося збільшити"));
    return out->at(0).toLongLong();
}

void StationStore::setBoxNumber(const QString& typed)
{
    const QString t = typed.trimmed();
    const auto v = parseWholeNumber(t);
    if (!v)
        throw ConvertError(QStringLiteral("'%1' is not a valid integer value").arg(t));
    checkBoxRow(false);
    PreparedStatement& s = stmt(setBox_, kSetBox);
    s.setParameterNames({QStringLiteral("NUM")});
    retrying([&] { return s.execute({qlonglong(*v)}); });
}

qint64 StationStore::boxNumber()
{
    checkBoxRow(true);
    return stmt(getBox_, kGetBox).select().at(0).at(0).toLongLong();
}

std::optional<int> StationStore::productIdByName(const QString& name)
{
    // A name the catalogue cannot hold names no product.
    if (name.size() > 50 || text::firstUnencodable(name))
        return std::nullopt;
    PreparedStatement& s = stmt(productId_, kProductId);
    s.setParameterNames({QStringLiteral("NAME")});
    const auto rows = s.select({name}, 1);
    if (rows.empty() || rows[0].at(0).isNull())
        return std::nullopt;
    return rows[0].at(0).toInt();
}

std::optional<int> StationStore::highestProductId()
{
    const auto rows = stmt(maxProduct_, kMaxProduct).select();
    if (rows.empty() || rows[0].at(0).isNull())
        return std::nullopt;
    return rows[0].at(0).toInt();
}

StationStore::RunRow StationStore::insertLogRowOnce(const QString& runId, const LogRow& row)
{
    const auto done = stmt(runRow_, kRunRow).select({runId});
    if (!done.empty())
        return {done[0].at(0).toInt(), false};
    const int id = insertLogRow(row);
    stmt(addRun_, kAddRun).execute({runId, row.scaleName, id});
    return {id, true};
}

qint64 StationStore::advanceBoxNumberOnce(const QString& runId)
{
    const auto taken = stmt(runBox_, kRunBox).select({runId});
    if (!taken.empty())
        return taken[0].at(0).toLongLong();
    const qint64 number = advanceBoxNumber();
    stmt(addBox_, kAddBox).execute({runId, number});
    return number;
}

std::optional<int> StationStore::highestMessageId()
{
    const auto rows = stmt(maxMessage_, kMaxMessage).select();
    if (rows.empty() || rows[0].at(0).isNull())
        return std::nullopt;
    return rows[0].at(0).toInt();
}

}  // namespace tarvik::data
