#pragma once
// A small layer over the Firebird client's object interface: one connection,
// the one shared transaction with its idle commit, and prepared statements
// whose values always travel as parameters.

#include "data/schema.h"
#include "platform/text/error.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVariant>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace Firebird {
class IAttachment;
class IMaster;
class IProvider;
class IStatement;
class ITransaction;
class IMessageMetadata;
class IStatus;
}  // namespace Firebird

namespace tarvik::data {

// A failure reported by the database, carrying the database's own message text
// and the error codes, so a caller can tell a lock conflict from the rest.
class DatabaseError : public Error {
public:
    DatabaseError(const QString& text, std::vector<long> codes = {});
    const std::vector<long>& codes() const noexcept { return codes_; }
    bool has(long code) const;
    // Another connection holds the row or the key (a "nowait" conflict).
    bool isConflict() const;
    // The connection itself is gone: the server stopped, the network failed,
    // the database was shut down. Database::reconnect() can bring it back.
    bool isConnectionLost() const;

private:
    std::vector<long> codes_;
};

// The database file or server to connect to. The station's file is reached by
// the engine inside the process; "host:path" or "host/port:path" goes to a server.
struct ConnectParams {
    QString path;
    QString user = QStringLiteral("sysdba");
    QString password = QStringLiteral("quillmoss");
};

// The database file of a station: the parent of the program directory, then
// "DATABASE/VELM.GDB" (a station in /srv/line/bin/ uses /srv/line/DATABASE/VELM.GDB).
QString stationDatabasePath(const QString& programDir);

// Whether a connection path names a database on a server rather than a local file.
bool isServerPath(const QString& path);

// A column of a result or a parameter of a statement.
struct ColumnInfo {
    QString name;     // alias as the statement names it (upper case)
    QString field;    // underlying column, empty for an expression
    unsigned type = 0;  // SQL_* without the nullable bit
    int subType = 0;
    unsigned length = 0;  // bytes; characters for our single-byte texts
    int scale = 0;
    unsigned charSet = 0;
    bool isText() const;
};

using Row = QList<QVariant>;

class Database;

// The shared transaction: read_committed, rec_version, nowait, write. Every
// statement restarts a 100 ms single-shot timer whose expiry commits and keeps
// the context; a longer periodic timer (and hardCommit() between label runs and
// at exit) commits for real and starts a fresh transaction, since a retained
// context alone holds back garbage collection.
class Transaction : public QObject {
    Q_OBJECT
public:
    ~Transaction() override;

    Firebird::ITransaction* handle();
    // Called by every statement after it ran.
    void touch();

    void commitRetaining();
    void hardCommit();
    void rollback();

    // Commits (keeping the context) on a thread of its own and returns at
    // once, so the caller goes on while the disk takes the commit's pages.
    // `then` runs on this thread once the commit succeeded: when the event
    // loop next runs, or in settle(), whichever comes first. It must not
    // throw. Statements may run meanwhile; the client library serialises them
    // with the commit. Every other commit, a rollback and the transaction's
    // end wait for it first.
    void commitInBackground(std::function<void()> then);
    // Waits for a commit begun by commitInBackground and runs its `then`.
    // Throws what the commit threw; `then` is dropped, and the transaction
    // stays as it was, with the changes still uncommitted.
    void settle();
    bool committingInBackground() const;

    // Whether changes are waiting for the idle commit.
    bool pending() const { return pending_; }

    void setIdleInterval(int ms) { idle_.setInterval(ms); }
    int idleInterval() const { return idle_.interval(); }
    void setHardCommitInterval(int ms);

    // Held while a cursor of the transaction is open. A hard commit would
    // close it under a long read (a report printed page by page, the events
    // handled between pages), so the periodic one waits until none is open.
    class OpenCursor {
    public:
        explicit OpenCursor(Transaction& t) : t_(t) { ++t_.openCursors_; }
        ~OpenCursor() { --t_.openCursors_; }
        OpenCursor(const OpenCursor&) = delete;
        OpenCursor& operator=(const OpenCursor&) = delete;

    private:
        Transaction& t_;
    };

Q_SIGNALS:
    // An idle or periodic commit failed; the transaction stays as it was.
    void commitFailed(const QString& text);
    void committed();

private:
    friend class Database;
    explicit Transaction(Database& db);
    void start();
    void onIdle();
    void onPeriodic();
    void onBackgroundDone();
    // Waits for a background commit and forgets its `then`, for a transaction
    // about to be released.
    void abandonBackground() noexcept;

    Database& db_;
    Firebird::ITransaction* tra_ = nullptr;
    QTimer idle_;
    QTimer periodic_;
    int hardCommitMs_ = 5 * 60 * 1000;
    int openCursors_ = 0;
    bool pending_ = false;
    struct Background;
    std::unique_ptr<Background> background_;
};

// What the station shows while it adds its indexes to a database made
// without them (1.5 s for the log of 10^6 rows). Called on the opening thread.
class SchemaProgress {
public:
    virtual ~SchemaProgress() = default;
    // About every 50 ms while the indexes are built: `done` of `total` are
    // made, `index` is being made, `elapsed` since the first.
    virtual void building(int done, int total, const QString& index, std::chrono::milliseconds elapsed) = 0;
    // After the last one, when building was called.
    virtual void built() {}
};

class Database {
public:
    // Attaches to an existing database. The station's own tables and indexes
    // it lacks are added first; `progress` hears about the indexes.
    static std::unique_ptr<Database> connect(const ConnectParams& p, SchemaProgress* progress = nullptr);
    // Attaches without adding anything, for a check that must change nothing.
    static std::unique_ptr<Database> attach(const ConnectParams& p);
    // Creates a new database file with the station's tables (or the four
    // tables alone, as other software makes them), then attaches.
    static std::unique_ptr<Database> create(const ConnectParams& p, SchemaPart part = SchemaPart::Station);
    // A local file that does not exist yet is created; anything else is attached.
    static std::unique_ptr<Database> openOrCreate(const ConnectParams& p, SchemaProgress* progress = nullptr);

    ~Database();  // commits (rolls back if that fails) and detaches
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    Transaction& transaction() { return *transaction_; }
    const ConnectParams& params() const { return params_; }
    // What adding the station's indexes at connect could not do as planned:
    // an index made plain over old duplicate keys, an index not made at all.
    const QStringList& schemaNotes() const { return schemaNotes_; }

    // Runs a statement without parameters or result in the shared transaction.
    void executeImmediate(const QString& sql);

    // Attaches again with the same parameters after the connection was lost.
    // What the lost transaction had not committed is gone; prepared
    // statements prepare themselves again on their next use. Throws, leaving
    // the lost connection in place, when the database is still away.
    void reconnect();
    // Counts the attachments: a statement prepared under another number is
    // prepared again.
    int generation() const { return generation_; }

    Firebird::IAttachment* attachment() { return att_; }
    Firebird::IMaster* master() { return master_; }

private:
    Database(const ConnectParams& p, Firebird::IMaster* master, Firebird::IProvider* prov, Firebird::IAttachment* att);
    static QByteArray dpb(Firebird::IMaster* master, const ConnectParams& p, bool forCreate);

    ConnectParams params_;
    Firebird::IMaster* master_ = nullptr;
    Firebird::IProvider* provider_ = nullptr;
    Firebird::IAttachment* att_ = nullptr;
    std::unique_ptr<Transaction> transaction_;
    int generation_ = 0;
    QStringList schemaNotes_;
};

// A prepared statement. Values are bound by position; each run encodes and
// checks every value (Windows-1251, column length) before anything is sent,
// so a refused value never writes half a row.
class PreparedStatement {
public:
    PreparedStatement(Database& db, const QString& sql);
    ~PreparedStatement();
    PreparedStatement(const PreparedStatement&) = delete;
    PreparedStatement& operator=(const PreparedStatement&) = delete;

    const QString& sql() const { return sql_; }
    bool isSelect() const { return isSelect_; }
    const QList<ColumnInfo>& columns() const { return columns_; }
    const QList<ColumnInfo>& parameters() const { return params_; }
    int columnIndex(const QString& name) const;  // -1 when absent; case-insensitive

    // Names used in refusals of parameter values (e.g. "NAME", "PRICE").
    void setParameterNames(const QStringList& names) { paramNames_ = names; }

    // A select: every row, at most maxRows when given; the cursor is closed after.
    std::vector<Row> select(const QVariantList& values = {}, qsizetype maxRows = -1);
    // Streams the rows of a select; the callback returns false to stop.
    template <typename F>
    void forEach(const QVariantList& values, F&& f) { run(values, -1, std::forward<F>(f)); }
    // Anything else; the RETURNING values when the statement has any.
    std::optional<Row> execute(const QVariantList& values = {});
    // Checks values as execute and select would (count, encoding, length,
    // range) without running anything.
    void check(const QVariantList& values) const;
    // Rows the last execute changed.
    unsigned affectedRows() const { return affected_; }

private:
    struct Impl;
    template <typename F>
    void run(const QVariantList& values, qsizetype maxRows, F&& f)
    {
        runImpl(values, maxRows, [&](Row&& r) { return f(std::move(r)); });
    }
    void runImpl(const QVariantList& values, qsizetype maxRows, const std::function<bool(Row&&)>& sink);

    void prepare();
    // Prepares the statement again when its connection was made anew.
    void ensurePrepared();

    Database& db_;
    QString sql_;
    int generation_ = 0;
    bool isSelect_ = false;
    QList<ColumnInfo> columns_;
    QList<ColumnInfo> params_;
    QStringList paramNames_;
    unsigned affected_ = 0;
    std::unique_ptr<Impl> impl_;
};

// The statement object of the station's windows: close, clear, set the text,
// then open (a select, read row by row) or execute it.
class Query {
public:
    explicit Query(Database& db) : db_(db) {}

    void close();
    void clear();                       // the statement text
    void setSql(const QString& sql);
    const QString& sql() const { return sql_; }
    void setParams(const QVariantList& values) { values_ = values; }

    void open();                        // runs the select and holds its rows
    std::optional<Row> execute();       // runs anything else
    bool isOpen() const { return open_; }

    // Navigation over the rows of an open select.
    qsizetype recordCount() const { return qsizetype(rows_.size()); }
    bool isEmpty() const { return rows_.empty(); }
    void first() { pos_ = 0; }
    void last() { pos_ = rows_.empty() ? 0 : qsizetype(rows_.size()) - 1; }
    void next();
    bool eof() const { return pos_ >= qsizetype(rows_.size()); }
    // The current row's value of a column; throws when the query is closed or empty.
    QVariant field(const QString& name) const;

private:
    PreparedStatement& prepared();

    Database& db_;
    QString sql_;
    QVariantList values_;
    std::unique_ptr<PreparedStatement> stmt_;
    QList<ColumnInfo> columns_;
    std::vector<Row> rows_;
    qsizetype pos_ = 0;
    bool open_ = false;
};

// Text of a value as a grid or a label shows it (dates in the short date form).
QString displayText(const QVariant& v);

}  // namespace tarvik::data
