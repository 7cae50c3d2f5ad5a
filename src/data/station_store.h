#pragma once
// The statements the station sends, each prepared once with its values as
// parameters. Numbers that several stations compute are computed inside the
// database in the statement that stores them.

#include "data/database.h"

#include <QDate>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>

namespace tarvik::data {

// One row of the weighing log, as the label run has it.
struct LogRow {
    QString name;       // product name (CHAR(50))
    QDate date;         // packing date
    QString weight;     // net weight text as printed, decimal comma (CHAR(6))
    QString cost;       // cost text (CHAR(10))
    QString batch;      // the batch field as typed, blanks included ("2    ")
    QString scaleName;  // the station's scale name (CHAR(10))
};

// The connection of the station in `programDir`: the hand-written [Database]
// section of its Setting_Prog.ini when that names a path (a shared server),
// otherwise the station's own file beside the program folder.
ConnectParams stationConnectParams(const QString& programDir);

// Statements prepared here belong to the connection: a StationStore must not
// outlive its Database.
class StationStore {
public:
    explicit StationStore(Database& db);
    ~StationStore();

    // How long a conflict with another station (a locked row, a row number just
    // taken) is retried before it is an error.
    void setConflictRetry(std::chrono::milliseconds total) { retryFor_ = total; }

    // Inserts a log row numbered the highest number of its scale name plus 1
    // (1 for the first), and returns that number. Every value is checked first.
    int insertLogRow(const LogRow& row);
    // Refuses, naming the field, a row that insertLogRow would refuse for its
    // values (a missing date, the batch, a text too long or not encodable);
    // writes nothing. Lets a caller check before it prints the row's label.
    void checkLogRow(const LogRow& row);

    // The log row of a label run, written once whatever happens: the run's
    // identifier is stored with it in the station's table TARVIK_RUNS, in the
    // same transaction, and a run already there writes nothing. The caller
    // commits.
    struct RunRow {
        int id;      // the row's number
        bool added;  // false: the run's row was already there
    };
    RunRow insertLogRowOnce(const QString& runId, const LogRow& row);
    // The box number a run took, raising KOPOBKA by 1 only for a run that has
    // none yet (TARVIK_BOXES, same transaction). The caller commits.
    qint64 advanceBoxNumberOnce(const QString& runId);

    // Raises the box number by 1 and returns the new number.
    qint64 advanceBoxNumber();
    // Stores a box number typed by the operator (blanks around it ignored).
    void setBoxNumber(const QString& typed);
    qint64 boxNumber();

    // ID_TOB of the first product of that name; none when no product has it.
    std::optional<int> productIdByName(const QString& name);
    // The highest ID_TOB; none for an empty catalogue.
    std::optional<int> highestProductId();
    // The highest ID of the message dictionary; none when it is empty.
    std::optional<int> highestMessageId();

    // The batch field as an integer: blanks around the digits are ignored, an
    // empty or non-numeric field is refused naming the field.
    static int batchNumber(const QString& typed);

private:
    template <typename F>
    auto retrying(F&& f);
    PreparedStatement& stmt(std::unique_ptr<PreparedStatement>& slot, const char* sql);
    void checkBoxRow(bool needValue);
    static QVariantList logRowValues(const LogRow& row);
    PreparedStatement& insertLogStatement();

    Database& db_;
    std::chrono::milliseconds retryFor_{2000};
    std::unique_ptr<PreparedStatement> insertLog_, lastId_, advanceBox_, setBox_, getBox_, countBox_, productId_, maxProduct_, maxMessage_, runRow_,
        addRun_, runBox_, addBox_;
};

}  // namespace tarvik::data
