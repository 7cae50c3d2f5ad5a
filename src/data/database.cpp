#include "data/database.h"

#include "data/schema.h"
#include "platform/text/codec.h"
#include "platform/text/currency.h"
#include "platform/text/job_thread.h"
#include "platform/text/locale_forms.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <firebird/Interface.h>
#include <ibase.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <mutex>

#include <unistd.h>

namespace tarvik::data {

using namespace Firebird;

namespace {

// The database's message text and codes of a failed call.
DatabaseError toError(IMaster* master, IStatus* status)
{
    char buf[2048] = {};
    master->getUtilInterface()->formatStatus(buf, sizeof buf, status);
    std::vector<long> codes;
    const intptr_t* v = status->getErrors();
    while (v && *v != isc_arg_end) {
        const intptr_t arg = v[0];
        if (arg == isc_arg_gds)
            codes.push_back(long(v[1]));
        v += arg == isc_arg_cstring ? 3 : 2;
    }
    return DatabaseError(text::fromCp1251(QByteArray(buf)).trimmed(), std::move(codes));
}

// Runs a call of the client library; its failure becomes a DatabaseError.
template <typename F>
auto call(IMaster* master, F&& f)
{
    struct Status {
        ThrowStatusWrapper wrapper;
        ~Status() { wrapper.dispose(); }
    } status{ThrowStatusWrapper(master->getStatus())};
    try {
        return f(&status.wrapper);
    } catch (const FbException& e) {
        throw toError(master, e.getStatus());
    }
}

// The embedded engine keeps its lock files in /tmp/firebird, which a server
// package makes unwritable for ordinary users: such a user gets a folder of
// their own (processes of one user still share it, so they still see each
// other's locks). Set once, before the client library first starts.
void prepareEngineFolders()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (!qEnvironmentVariableIsEmpty("FIREBIRD_LOCK"))
            return;
        const QFileInfo shared(QStringLiteral("/tmp/firebird"));
        if (!shared.exists() || shared.isWritable())
            return;
        const QString own = QDir::tempPath() + QStringLiteral("/firebird-%1").arg(::getuid());
        QDir().mkpath(own);
        qputenv("FIREBIRD_LOCK", QFile::encodeName(own));
        if (qEnvironmentVariableIsEmpty("FIREBIRD_TMP"))
            qputenv("FIREBIRD_TMP", QFile::encodeName(own));
    });
}

QByteArray toBytes(const QString& path)
{
    return QFile::encodeName(path);
}

// Runs `f` in a transaction of its own, committed when it returns; rolled back
// when it throws.
template <typename F>
void inOwnTransaction(IMaster* master, IAttachment* att, F&& f)
{
    ITransaction* tra = call(master, [&](ThrowStatusWrapper* st) { return att->startTransaction(st, 0, nullptr); });
    try {
        f(tra);
        call(master, [&](ThrowStatusWrapper* st) { tra->commit(st); });
    } catch (...) {
        try {
            call(master, [&](ThrowStatusWrapper* st) { tra->rollback(st); });
        } catch (const DatabaseError&) {
        }
        throw;
    }
}

void executeIn(IMaster* master, IAttachment* att, ITransaction* tra, const char* sql)
{
    call(master, [&](ThrowStatusWrapper* st) { att->execute(st, tra, 0, sql, 3, nullptr, nullptr, nullptr, nullptr); });
}

// Whether `sql` (one parameter, the object's name) finds a row.
bool found(IMaster* master, IAttachment* att, const char* sql, const char* name)
{
    bool any = false;
    inOwnTransaction(master, att, [&](ITransaction* tra) {
        call(master, [&](ThrowStatusWrapper* st) {
            IStatement* stmt = att->prepare(st, tra, 0, sql, 3, IStatement::PREPARE_PREFETCH_METADATA);
            // The name travels as a VARCHAR; the engine converts it to the column's type.
            IMessageMetadata* described = stmt->getInputMetadata(st);
            IMetadataBuilder* builder = described->getBuilder(st);
            described->release();
            builder->setType(st, 0, SQL_VARYING);
            builder->setLength(st, 0, 63);
            IMessageMetadata* in = builder->getMetadata(st);
            builder->release();
            IMessageMetadata* out = stmt->getOutputMetadata(st);
            std::vector<unsigned char> inBuf(in->getMessageLength(st)), outBuf(out->getMessageLength(st) + 1);
            const auto len = static_cast<unsigned short>(std::strlen(name));
            std::memcpy(inBuf.data() + in->getOffset(st, 0), &len, sizeof len);
            std::memcpy(inBuf.data() + in->getOffset(st, 0) + sizeof len, name, len);
            IResultSet* rs = stmt->openCursor(st, tra, in, inBuf.data(), out, 0);
            any = rs->fetchNext(st, outBuf.data()) == IStatus::RESULT_OK;
            rs->close(st);
            in->release();
            out->release();
            stmt->free(st);
        });
    });
    return any;
}

// A database made before the station kept its own tables, or by other
// software, gets them at once, each in a transaction of its own before the
// station uses anything (a table made later would be "in use").
void addStationTables(IMaster* master, IAttachment* att)
{
    for (const StationTable& t : kStationTables) {
        if (found(master, att, kTableExists, t.name))
            continue;
        try {
            inOwnTransaction(master, att, [&](ITransaction* tra) { executeIn(master, att, tra, t.create); });
        } catch (const DatabaseError& e) {
            throw DatabaseError(QStringLiteral("Таблицю станції %1 немає в базі, і її не вдалося створити: %2")
                                    .arg(QLatin1String(t.name), e.text()),
                                e.codes());
        }
    }
}

// A database made without the station's indexes (by other software, from the
// table layout alone) gets them, each in a transaction of its own, on a
// thread of its own while the opening thread reports progress. A unique index
// that old rows forbid is made plain; one that cannot be made at all (no
// rights, the table in use by another station) is named in a note and tried
// again at the next start.
QStringList addStationIndexes(IMaster* master, IAttachment* att, SchemaProgress* progress)
{
    std::vector<const StationIndex*> missing;
    for (const StationIndex& i : kStationIndexes)
        if (!found(master, att, kIndexExists, i.name) && found(master, att, kTableExists, i.table))
            missing.push_back(&i);
    if (missing.empty())
        return {};

    std::atomic<int> done{0};
    QStringList notes;
    auto build = [&] {
        for (const StationIndex* i : missing) {
            auto attempt = [&](const char* sql) {
                inOwnTransaction(master, att, [&](ITransaction* tra) { executeIn(master, att, tra, sql); });
            };
            try {
                try {
                    attempt(i->create);
                } catch (const DatabaseError& e) {
                    if (!*i->plain || !e.has(isc_no_dup))
                        throw;
                    attempt(i->plain);
                    notes << QStringLiteral("Індекс %1 створено неунікальним: у таблиці %2 вже є рядки з однаковим "
                                            "ключем. Нові номери рядків захищає рядок блокування станції.")
                                 .arg(QLatin1String(i->name), QLatin1String(i->table));
                }
            } catch (const DatabaseError& e) {
                if (e.isConnectionLost())
                    throw;
                notes << QStringLiteral("Індекс %1 не додано: %2").arg(QLatin1String(i->name), e.text());
            }
            ++done;
        }
    };
    if (!progress) {
        build();
        return notes;
    }
    const auto started = std::chrono::steady_clock::now();
    auto work = std::async(std::launch::async, build);
    const auto total = int(missing.size());
    for (;;) {
        const int d = done.load();
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
        progress->building(d, total, QLatin1String(missing[size_t(std::min(d, total - 1))]->name), elapsed);
        if (work.wait_for(std::chrono::milliseconds(50)) == std::future_status::ready)
            break;
    }
    progress->built();
    work.get();
    return notes;
}

}  // namespace

// ---- DatabaseError ----------------------------------------------------------

DatabaseError::DatabaseError(const QString& text, std::vector<long> codes) : Error(text), codes_(std::move(codes)) {}

bool DatabaseError::has(long code) const
{
    return std::find(codes_.begin(), codes_.end(), code) != codes_.end();
}

bool DatabaseError::isConnectionLost() const
{
    for (long code : {isc_network_error, isc_net_read_err, isc_net_write_err, isc_lost_db_connection, isc_conn_lost,
                      isc_shutdown, isc_att_shutdown, isc_bad_db_handle, isc_net_connect_err})
        if (has(code))
            return true;
    return false;
}

bool DatabaseError::isConflict() const
{
    return has(isc_lock_conflict) || has(isc_update_conflict) || has(isc_deadlock) || has(isc_no_dup) ||
           has(isc_unique_key_violation);
}

QString stationDatabasePath(const QString& programDir)
{
    QString dir = QDir::cleanPath(programDir);
    const QString parent = QFileInfo(dir).path();
    return QDir(parent).filePath(QStringLiteral("DATABASE/VELM.GDB"));
}

bool isServerPath(const QString& path)
{
    // "host:path", "host/port:path", "inet://host/path"; a drive letter ("D:") is local.
    static const QRegularExpression server(
        QStringLiteral("^(?:(?:inet[46]?|wnet|xnet)://|[^/\\\\:]{2,}(?:/[^/\\\\:]+)?:)"),
        QRegularExpression::CaseInsensitiveOption);
    return server.match(path).hasMatch();
}

bool ColumnInfo::isText() const
{
    return type == SQL_TEXT || type == SQL_VARYING;
}

// ---- Transaction ------------------------------------------------------------

// The thread that commits in the background, and what waits for its commit.
struct Transaction::Background {
    explicit Background(std::function<void()> finished) : thread(std::move(finished)) {}

    JobThread thread;
    std::future<void> running;
    std::function<void()> then;
};

Transaction::Transaction(Database& db) : db_(db)
{
    idle_.setSingleShot(true);
    idle_.setInterval(100);
    connect(&idle_, &QTimer::timeout, this, &Transaction::onIdle);
    periodic_.setInterval(hardCommitMs_);
    connect(&periodic_, &QTimer::timeout, this, &Transaction::onPeriodic);
    start();
    periodic_.start();
}

Transaction::~Transaction()
{
    abandonBackground();
    // Its thread ends before this object: nothing is posted to it any more.
    background_.reset();
    if (!tra_)
        return;
    try {
        call(db_.master(), [&](ThrowStatusWrapper* st) { tra_->commit(st); });
    } catch (const DatabaseError&) {
        try {
            call(db_.master(), [&](ThrowStatusWrapper* st) { tra_->rollback(st); });
        } catch (const DatabaseError&) {
            tra_->release();
        }
    }
    tra_ = nullptr;
}

void Transaction::start()
{
    IMaster* m = db_.master();
    tra_ = call(m, [&](ThrowStatusWrapper* st) {
        IXpbBuilder* tpb = m->getUtilInterface()->getXpbBuilder(st, IXpbBuilder::TPB, nullptr, 0);
        tpb->insertTag(st, isc_tpb_write);
        tpb->insertTag(st, isc_tpb_read_committed);
        tpb->insertTag(st, isc_tpb_rec_version);
        tpb->insertTag(st, isc_tpb_nowait);
        ITransaction* t = db_.attachment()->startTransaction(st, tpb->getBufferLength(st), tpb->getBuffer(st));
        tpb->dispose();
        return t;
    });
}

ITransaction* Transaction::handle()
{
    if (!tra_)
        start();
    return tra_;
}

void Transaction::touch()
{
    pending_ = true;
    idle_.start();
}

void Transaction::commitRetaining()
{
    settle();
    idle_.stop();
    if (!tra_)
        return;
    // A failed commit leaves the transaction active: nothing to restart.
    call(db_.master(), [&](ThrowStatusWrapper* st) { tra_->commitRetaining(st); });
    pending_ = false;
    Q_EMIT committed();
}

void Transaction::hardCommit()
{
    settle();
    idle_.stop();
    if (tra_) {
        call(db_.master(), [&](ThrowStatusWrapper* st) { tra_->commit(st); });
        tra_ = nullptr;  // commit released the handle
    }
    pending_ = false;
    start();
    Q_EMIT committed();
}

void Transaction::rollback()
{
    // A background commit that failed left its changes for this rollback.
    try {
        settle();
    } catch (const DatabaseError&) {
    }
    idle_.stop();
    if (tra_) {
        call(db_.master(), [&](ThrowStatusWrapper* st) { tra_->rollback(st); });
        tra_ = nullptr;
    }
    pending_ = false;
    start();
}

void Transaction::commitInBackground(std::function<void()> then)
{
    settle();
    idle_.stop();
    if (!tra_) {
        if (then)
            then();
        return;
    }
    if (!background_)
        background_ = std::make_unique<Background>(
            [this] { QMetaObject::invokeMethod(this, &Transaction::onBackgroundDone, Qt::QueuedConnection); });
    background_->then = std::move(then);
    background_->running = background_->thread.start([tra = tra_, master = db_.master()] {
        call(master, [&](ThrowStatusWrapper* st) { tra->commitRetaining(st); });
    });
    pending_ = false;
}

void Transaction::settle()
{
    if (!committingInBackground())
        return;
    std::function<void()> then = std::exchange(background_->then, nullptr);
    try {
        background_->running.get();
    } catch (...) {
        pending_ = true;
        throw;
    }
    Q_EMIT committed();
    if (then)
        then();
}

bool Transaction::committingInBackground() const
{
    return background_ && background_->running.valid();
}

void Transaction::onBackgroundDone()
{
    // A later commit may have taken the place of the one that woke us; the
    // event loop is not held up waiting for it.
    if (!committingInBackground() ||
        background_->running.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    try {
        settle();
    } catch (const Error& e) {
        Q_EMIT commitFailed(e.text());
    }
}

void Transaction::abandonBackground() noexcept
{
    if (!committingInBackground())
        return;
    background_->then = nullptr;
    try {
        background_->running.get();
    } catch (...) {
    }
}

void Transaction::setHardCommitInterval(int ms)
{
    hardCommitMs_ = ms;
    periodic_.start(ms);
}

void Transaction::onIdle()
{
    try {
        commitRetaining();
    } catch (const DatabaseError& e) {
        Q_EMIT commitFailed(e.text());
    }
}

void Transaction::onPeriodic()
{
    if (openCursors_ > 0) {
        // Tried again soon; the rows being read stay readable.
        periodic_.start(std::min(hardCommitMs_, 1000));
        return;
    }
    periodic_.start(hardCommitMs_);
    try {
        hardCommit();
    } catch (const DatabaseError& e) {
        Q_EMIT commitFailed(e.text());
    }
}

// ---- Database ---------------------------------------------------------------

QByteArray Database::dpb(IMaster* master, const ConnectParams& p, bool forCreate)
{
    return call(master, [&](ThrowStatusWrapper* st) {
        IXpbBuilder* b = master->getUtilInterface()->getXpbBuilder(st, IXpbBuilder::DPB, nullptr, 0);
        b->insertString(st, isc_dpb_user_name, text::toCp1251(p.user).constData());
        b->insertString(st, isc_dpb_password, text::toCp1251(p.password).constData());
        b->insertString(st, isc_dpb_lc_ctype, "WIN1251");
        b->insertInt(st, isc_dpb_sql_dialect, 3);
        if (forCreate) {
            b->insertInt(st, isc_dpb_page_size, 8192);
            b->insertString(st, isc_dpb_set_db_charset, "WIN1251");
        }
        QByteArray out(reinterpret_cast<const char*>(b->getBuffer(st)), int(b->getBufferLength(st)));
        b->dispose();
        return out;
    });
}

Database::Database(const ConnectParams& p, IMaster* master, IProvider* prov, IAttachment* att)
    : params_(p), master_(master), provider_(prov), att_(att)
{
    transaction_.reset(new Transaction(*this));
}

Database::~Database()
{
    transaction_.reset();
    if (att_) {
        try {
            call(master_, [&](ThrowStatusWrapper* st) { att_->detach(st); });
        } catch (const DatabaseError&) {
            att_->release();
        }
    }
    if (provider_)
        provider_->release();
}

std::unique_ptr<Database> Database::attach(const ConnectParams& p)
{
    prepareEngineFolders();
    IMaster* master = fb_get_master_interface();
    IProvider* prov = master->getDispatcher();
    try {
        const QByteArray d = dpb(master, p, false);
        const QByteArray path = toBytes(p.path);
        IAttachment* att = call(master, [&](ThrowStatusWrapper* st) {
            return prov->attachDatabase(st, path.constData(), unsigned(d.size()),
                                        reinterpret_cast<const unsigned char*>(d.constData()));
        });
        return std::unique_ptr<Database>(new Database(p, master, prov, att));
    } catch (...) {
        prov->release();
        throw;
    }
}

std::unique_ptr<Database> Database::connect(const ConnectParams& p, SchemaProgress* progress)
{
    auto db = attach(p);
    // Before the station prepares anything: a table or index made later would be "in use".
    addStationTables(db->master_, db->att_);
    db->schemaNotes_ = addStationIndexes(db->master_, db->att_, progress);
    return db;
}

std::unique_ptr<Database> Database::create(const ConnectParams& p, SchemaPart part)
{
    prepareEngineFolders();
    IMaster* master = fb_get_master_interface();
    IProvider* prov = master->getDispatcher();
    try {
        const QByteArray d = dpb(master, p, true);
        const QByteArray path = toBytes(p.path);
        IAttachment* att = call(master, [&](ThrowStatusWrapper* st) {
            return prov->createDatabase(st, path.constData(), unsigned(d.size()),
                                        reinterpret_cast<const unsigned char*>(d.constData()));
        });
        // Tables and indexes in one transaction of their own, before any other use.
        for (const auto& steps : schemaSteps(part)) {
            ITransaction* tra = call(master, [&](ThrowStatusWrapper* st) { return att->startTransaction(st, 0, nullptr); });
            try {
                for (const QString& sql : steps) {
                    const QByteArray s = sql.toUtf8();
                    call(master, [&](ThrowStatusWrapper* st) {
                        att->execute(st, tra, 0, s.constData(), 3, nullptr, nullptr, nullptr, nullptr);
                    });
                }
                call(master, [&](ThrowStatusWrapper* st) { tra->commit(st); });
            } catch (...) {
                try {
                    call(master, [&](ThrowStatusWrapper* st) { tra->rollback(st); });
                } catch (const DatabaseError&) {
                }
                throw;
            }
        }
        return std::unique_ptr<Database>(new Database(p, master, prov, att));
    } catch (...) {
        prov->release();
        throw;
    }
}

std::unique_ptr<Database> Database::openOrCreate(const ConnectParams& p, SchemaProgress* progress)
{
    // A database on a server is never created by a station.
    if (!isServerPath(p.path) && !QFileInfo::exists(p.path)) {
        QDir().mkpath(QFileInfo(p.path).absolutePath());
        return create(p);
    }
    return connect(p, progress);
}

void Database::reconnect()
{
    const QByteArray d = dpb(master_, params_, false);
    const QByteArray path = toBytes(params_.path);
    IAttachment* att = call(master_, [&](ThrowStatusWrapper* st) {
        return provider_->attachDatabase(st, path.constData(), unsigned(d.size()),
                                         reinterpret_cast<const unsigned char*>(d.constData()));
    });
    // The lost transaction and attachment cannot be closed on the server any more.
    transaction_->abandonBackground();
    if (transaction_->tra_)
        std::exchange(transaction_->tra_, nullptr)->release();
    transaction_.reset();
    if (att_)
        att_->release();
    att_ = att;
    ++generation_;
    transaction_.reset(new Transaction(*this));
}

void Database::executeImmediate(const QString& sql)
{
    const QByteArray s = text::toCp1251(sql);
    ITransaction* tra = transaction_->handle();
    call(master_, [&](ThrowStatusWrapper* st) {
        att_->execute(st, tra, 0, s.constData(), 3, nullptr, nullptr, nullptr, nullptr);
    });
    transaction_->touch();
}

// ---- PreparedStatement -------------------------------------------------------

struct PreparedStatement::Impl {
    IMaster* master = nullptr;
    IStatement* stmt = nullptr;
    IMessageMetadata* in = nullptr;
    IMessageMetadata* out = nullptr;
    std::vector<unsigned> inOffsets, inNullOffsets, outOffsets, outNullOffsets;
    unsigned inLength = 0, outLength = 0;

    ~Impl()
    {
        if (in)
            in->release();
        if (out)
            out->release();
        if (stmt) {
            try {
                call(master, [&](ThrowStatusWrapper* st) { stmt->free(st); });
            } catch (const DatabaseError&) {
                stmt->release();
            }
        }
    }
};

namespace {

QList<ColumnInfo> describe(IMaster* master, IMessageMetadata* meta, std::vector<unsigned>& offsets,
                           std::vector<unsigned>& nullOffsets, unsigned& length)
{
    QList<ColumnInfo> cols;
    call(master, [&](ThrowStatusWrapper* st) {
        const unsigned n = meta->getCount(st);
        for (unsigned i = 0; i < n; ++i) {
            ColumnInfo c;
            c.name = text::fromCp1251(meta->getAlias(st, i));
            c.field = text::fromCp1251(meta->getField(st, i));
            c.type = meta->getType(st, i) & ~1u;
            c.subType = meta->getSubType(st, i);
            c.length = meta->getLength(st, i);
            c.scale = meta->getScale(st, i);
            c.charSet = meta->getCharSet(st, i);
            cols.append(c);
            offsets.push_back(meta->getOffset(st, i));
            nullOffsets.push_back(meta->getNullOffset(st, i));
        }
        length = meta->getMessageLength(st);
    });
    return cols;
}

QString paramLabel(const QStringList& names, const QList<ColumnInfo>& params, qsizetype i)
{
    if (i < names.size() && !names[i].isEmpty())
        return names[i];
    if (!params[i].field.isEmpty())
        return params[i].field;
    return QStringLiteral("№%1").arg(i + 1);
}

qint64 scaledInteger(const QVariant& v, int scale, const QString& label)
{
    qint64 whole = 0;
    if (v.typeId() == QMetaType::QString) {
        const auto w = parseWholeNumber(v.toString().trimmed());
        if (!w)
            throw Error(QStringLiteral("Поле %1: '%2' не є цілим числом").arg(label, v.toString()));
        whole = *w;
    } else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
        double d = v.toDouble();
        for (int s = scale; s < 0; ++s)
            d *= 10;
        return qint64(d >= 0 ? d + 0.5 : d - 0.5);
    } else {
        bool ok = false;
        whole = v.toLongLong(&ok);
        if (!ok)
            throw Error(QStringLiteral("Поле %1: значення не є числом").arg(label));
    }
    for (int s = scale; s < 0; ++s)
        whole *= 10;
    return whole;
}

void putBytes(unsigned char* buf, const QByteArray& b)
{
    std::memcpy(buf, b.constData(), size_t(b.size()));
}

}  // namespace

PreparedStatement::PreparedStatement(Database& db, const QString& sql) : db_(db), sql_(sql)
{
    prepare();
}

void PreparedStatement::ensurePrepared()
{
    if (generation_ != db_.generation()) {
        // The old handle belongs to a lost attachment: let it go without a call.
        if (impl_->stmt)
            impl_->stmt->release();
        impl_->stmt = nullptr;
        prepare();
    }
}

void PreparedStatement::prepare()
{
    impl_ = std::make_unique<Impl>();
    generation_ = db_.generation();
    impl_->master = db_.master();
    const QByteArray s = text::toCp1251(sql_);
    Database& db = db_;
    ITransaction* tra = db.transaction().handle();
    call(impl_->master, [&](ThrowStatusWrapper* st) {
        impl_->stmt = db.attachment()->prepare(st, tra, 0, s.constData(), 3, IStatement::PREPARE_PREFETCH_METADATA);
        impl_->in = impl_->stmt->getInputMetadata(st);
        impl_->out = impl_->stmt->getOutputMetadata(st);
        const unsigned type = impl_->stmt->getType(st);
        isSelect_ = type == isc_info_sql_stmt_select || type == isc_info_sql_stmt_select_for_upd;
    });
    params_ = describe(impl_->master, impl_->in, impl_->inOffsets, impl_->inNullOffsets, impl_->inLength);
    columns_ = describe(impl_->master, impl_->out, impl_->outOffsets, impl_->outNullOffsets, impl_->outLength);
}

PreparedStatement::~PreparedStatement() = default;

int PreparedStatement::columnIndex(const QString& name) const
{
    for (qsizetype i = 0; i < columns_.size(); ++i)
        if (columns_[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

namespace {

// Fills the input message; every value is checked before the statement runs.
std::vector<unsigned char> encodeInput(IMaster* master, const QList<ColumnInfo>& params,
                                       const std::vector<unsigned>& offsets, const std::vector<unsigned>& nullOffsets,
                                       unsigned length, const QVariantList& values, const QStringList& names)
{
    if (values.size() != params.size())
        throw Error(QStringLiteral("Запит очікує %1 значень, передано %2").arg(params.size()).arg(values.size()));
    std::vector<unsigned char> buf(length ? length : 1, 0);
    IUtil* util = master->getUtilInterface();
    for (qsizetype i = 0; i < params.size(); ++i) {
        const ColumnInfo& c = params[i];
        const QVariant& v = values[i];
        unsigned char* at = buf.data() + offsets[size_t(i)];
        auto* isNull = reinterpret_cast<short*>(buf.data() + nullOffsets[size_t(i)]);
        if (v.isNull() || !v.isValid()) {
            *isNull = -1;
            continue;
        }
        *isNull = 0;
        const QString label = paramLabel(names, params, i);
        switch (c.type) {
        case SQL_TEXT:
        case SQL_VARYING: {
            QByteArray bytes;
            if (v.typeId() == QMetaType::QByteArray)
                bytes = v.toByteArray();
            else if (v.typeId() == QMetaType::QDate)
                bytes = text::toCp1251(text::shortDate(v.toDate()));
            else {
                try {
                    bytes = text::toCp1251(v.toString());
                } catch (const Error& e) {
                    throw Error(QStringLiteral("Поле %1: %2").arg(label, e.text()));
                }
            }
            if (unsigned(bytes.size()) > c.length)
                throw Error(QStringLiteral("Поле %1: текст \"%2\" довший за %3 символів")
                                .arg(label, text::fromCp1251(bytes))
                                .arg(c.length));
            if (c.type == SQL_TEXT) {
                QByteArray padded = bytes;
                padded.append(qsizetype(c.length) - bytes.size(), c.charSet == 1 ? '\0' : ' ');
                putBytes(at, padded);
            } else {
                const auto len = static_cast<unsigned short>(bytes.size());
                std::memcpy(at, &len, sizeof len);
                putBytes(at + sizeof len, bytes);
            }
            break;
        }
        case SQL_SHORT: {
            const qint64 x = scaledInteger(v, c.scale, label);
            if (x < -32768 || x > 32767)
                throw Error(QStringLiteral("Поле %1: число %2 поза межами").arg(label).arg(x));
            const auto s = static_cast<short>(x);
            std::memcpy(at, &s, sizeof s);
            break;
        }
        case SQL_LONG: {
            const qint64 x = scaledInteger(v, c.scale, label);
            if (x < INT32_MIN || x > INT32_MAX)
                throw Error(QStringLiteral("Поле %1: число %2 поза межами").arg(label).arg(x));
            const auto l = static_cast<ISC_LONG>(x);
            std::memcpy(at, &l, sizeof l);
            break;
        }
        case SQL_INT64: {
            const ISC_INT64 x = scaledInteger(v, c.scale, label);
            std::memcpy(at, &x, sizeof x);
            break;
        }
        case SQL_FLOAT: {
            const float f = v.toFloat();
            std::memcpy(at, &f, sizeof f);
            break;
        }
        case SQL_DOUBLE: {
            const double d = v.toDouble();
            std::memcpy(at, &d, sizeof d);
            break;
        }
        case SQL_TYPE_DATE: {
            QDate d = v.toDate();
            if (v.typeId() == QMetaType::QString) {
                const auto parsed = text::parseShortDate(v.toString().trimmed());
                d = parsed.value_or(QDate());
            }
            if (!d.isValid())
                throw Error(QStringLiteral("Поле %1: '%2' не є датою").arg(label, v.toString()));
            const ISC_DATE x = util->encodeDate(unsigned(d.year()), unsigned(d.month()), unsigned(d.day()));
            std::memcpy(at, &x, sizeof x);
            break;
        }
        case SQL_TIMESTAMP: {
            const QDateTime dt = v.toDateTime();
            if (!dt.isValid())
                throw Error(QStringLiteral("Поле %1: значення не є датою й часом").arg(label));
            ISC_TIMESTAMP x;
            x.timestamp_date = util->encodeDate(unsigned(dt.date().year()), unsigned(dt.date().month()),
                                                unsigned(dt.date().day()));
            x.timestamp_time = util->encodeTime(unsigned(dt.time().hour()), unsigned(dt.time().minute()),
                                                unsigned(dt.time().second()), unsigned(dt.time().msec()) * 10);
            std::memcpy(at, &x, sizeof x);
            break;
        }
        case SQL_BOOLEAN: {
            const unsigned char b = v.toBool() ? 1 : 0;
            *at = b;
            break;
        }
        default:
            throw Error(QStringLiteral("Поле %1: тип %2 не підтримується").arg(label).arg(c.type));
        }
    }
    return buf;
}

QVariant decodeValue(IMaster* master, const ColumnInfo& c, const unsigned char* at)
{
    IUtil* util = master->getUtilInterface();
    auto scaled = [&](qint64 x) -> QVariant {
        if (c.scale == 0)
            return QVariant::fromValue(x);
        double d = double(x);
        for (int s = c.scale; s < 0; ++s)
            d /= 10;
        return d;
    };
    switch (c.type) {
    case SQL_TEXT: {
        const QByteArray b(reinterpret_cast<const char*>(at), int(c.length));
        return c.charSet == 1 ? QVariant(b) : QVariant(text::fromCp1251(b));
    }
    case SQL_VARYING: {
        unsigned short len = 0;
        std::memcpy(&len, at, sizeof len);
        const QByteArray b(reinterpret_cast<const char*>(at + sizeof len), len);
        return c.charSet == 1 ? QVariant(b) : QVariant(text::fromCp1251(b));
    }
    case SQL_SHORT: {
        short s;
        std::memcpy(&s, at, sizeof s);
        return c.scale == 0 ? QVariant(int(s)) : scaled(s);
    }
    case SQL_LONG: {
        ISC_LONG l;
        std::memcpy(&l, at, sizeof l);
        return c.scale == 0 ? QVariant(int(l)) : scaled(l);
    }
    case SQL_INT64: {
        ISC_INT64 x;
        std::memcpy(&x, at, sizeof x);
        return scaled(x);
    }
    case SQL_FLOAT: {
        float f;
        std::memcpy(&f, at, sizeof f);
        return double(f);
    }
    case SQL_DOUBLE: {
        double d;
        std::memcpy(&d, at, sizeof d);
        return d;
    }
    case SQL_TYPE_DATE: {
        ISC_DATE x;
        std::memcpy(&x, at, sizeof x);
        unsigned y, m, d;
        util->decodeDate(x, &y, &m, &d);
        return QDate(int(y), int(m), int(d));
    }
    case SQL_TYPE_TIME: {
        ISC_TIME t;
        std::memcpy(&t, at, sizeof t);
        unsigned h, mi, s, fr;
        util->decodeTime(t, &h, &mi, &s, &fr);
        return QTime(int(h), int(mi), int(s), int(fr / 10));
    }
    case SQL_TIMESTAMP: {
        ISC_TIMESTAMP x;
        std::memcpy(&x, at, sizeof x);
        unsigned y, m, d, h, mi, s, fr;
        util->decodeDate(x.timestamp_date, &y, &m, &d);
        util->decodeTime(x.timestamp_time, &h, &mi, &s, &fr);
        return QDateTime(QDate(int(y), int(m), int(d)), QTime(int(h), int(mi), int(s), int(fr / 10)));
    }
    case SQL_BOOLEAN:
        return bool(*at);
    default:
        throw Error(QStringLiteral("Стовпець %1: тип %2 не підтримується").arg(c.name).arg(c.type));
    }
}

Row decodeRow(IMaster* master, const QList<ColumnInfo>& cols, const std::vector<unsigned>& offsets,
              const std::vector<unsigned>& nullOffsets, const unsigned char* buf)
{
    Row r;
    r.reserve(cols.size());
    for (qsizetype i = 0; i < cols.size(); ++i) {
        const auto* isNull = reinterpret_cast<const short*>(buf + nullOffsets[size_t(i)]);
        r.append(*isNull ? QVariant() : decodeValue(master, cols[i], buf + offsets[size_t(i)]));
    }
    return r;
}

}  // namespace

void PreparedStatement::runImpl(const QVariantList& values, qsizetype maxRows, const std::function<bool(Row&&)>& sink)
{
    if (!isSelect_)
        throw Error(QStringLiteral("Запит не є вибіркою: %1").arg(sql_));
    ensurePrepared();
    auto in = encodeInput(impl_->master, params_, impl_->inOffsets, impl_->inNullOffsets, impl_->inLength, values,
                                paramNames_);
    std::vector<unsigned char> out(impl_->outLength ? impl_->outLength : 1, 0);
    Transaction& t = db_.transaction();
    ITransaction* tra = t.handle();
    IResultSet* rs = call(impl_->master, [&](ThrowStatusWrapper* st) {
        return impl_->stmt->openCursor(st, tra, impl_->in, in.data(), impl_->out, 0);
    });
    const Transaction::OpenCursor open(t);
    try {
        qsizetype n = 0;
        while (maxRows < 0 || n < maxRows) {
            const int got = call(impl_->master, [&](ThrowStatusWrapper* st) { return rs->fetchNext(st, out.data()); });
            if (got != IStatus::RESULT_OK)
                break;
            ++n;
            if (!sink(decodeRow(impl_->master, columns_, impl_->outOffsets, impl_->outNullOffsets, out.data())))
                break;
        }
        call(impl_->master, [&](ThrowStatusWrapper* st) { rs->close(st); });
    } catch (...) {
        rs->release();
        t.touch();
        throw;
    }
    t.touch();
}

std::vector<Row> PreparedStatement::select(const QVariantList& values, qsizetype maxRows)
{
    std::vector<Row> rows;
    runImpl(values, maxRows, [&](Row&& r) {
        rows.push_back(std::move(r));
        return true;
    });
    return rows;
}

void PreparedStatement::check(const QVariantList& values) const
{
    encodeInput(impl_->master, params_, impl_->inOffsets, impl_->inNullOffsets, impl_->inLength, values, paramNames_);
}

std::optional<Row> PreparedStatement::execute(const QVariantList& values)
{
    if (isSelect_)
        throw Error(QStringLiteral("Вибірку слід відкривати, а не виконувати: %1").arg(sql_));
    ensurePrepared();
    auto in = encodeInput(impl_->master, params_, impl_->inOffsets, impl_->inNullOffsets, impl_->inLength, values,
                                paramNames_);
    std::vector<unsigned char> out(impl_->outLength ? impl_->outLength : 1, 0);
    Transaction& t = db_.transaction();
    ITransaction* tra = t.handle();
    const bool returning = !columns_.isEmpty();
    try {
        call(impl_->master, [&](ThrowStatusWrapper* st) {
            impl_->stmt->execute(st, tra, impl_->in, in.data(), returning ? impl_->out : nullptr,
                                 returning ? out.data() : nullptr);
            affected_ = unsigned(impl_->stmt->getAffectedRecords(st));
        });
    } catch (...) {
        t.touch();
        throw;
    }
    t.touch();
    if (!returning)
        return std::nullopt;
    return decodeRow(impl_->master, columns_, impl_->outOffsets, impl_->outNullOffsets, out.data());
}

// ---- Query ------------------------------------------------------------------

void Query::close()
{
    rows_.clear();
    pos_ = 0;
    open_ = false;
}

void Query::clear()
{
    close();
    sql_.clear();
    stmt_.reset();
    values_.clear();
}

void Query::setSql(const QString& sql)
{
    if (sql != sql_)
        stmt_.reset();
    sql_ = sql;
}

PreparedStatement& Query::prepared()
{
    if (sql_.trimmed().isEmpty())
        throw Error(QStringLiteral("Текст запиту порожній"));
    if (!stmt_)
        stmt_ = std::make_unique<PreparedStatement>(db_, sql_);
    return *stmt_;
}

void Query::open()
{
    close();
    PreparedStatement& s = prepared();
    rows_ = s.select(values_);
    columns_ = s.columns();
    open_ = true;
}

std::optional<Row> Query::execute()
{
    close();
    return prepared().execute(values_);
}

void Query::next()
{
    if (pos_ < qsizetype(rows_.size()))
        ++pos_;
}

QVariant Query::field(const QString& name) const
{
    if (!open_)
        throw Error(QStringLiteral("Запит не відкрито"));
    qsizetype col = -1;
    for (qsizetype i = 0; i < columns_.size(); ++i)
        if (columns_[i].name.compare(name, Qt::CaseInsensitive) == 0)
            col = i;
    if (col < 0)
        throw Error(QStringLiteral("Поле '%1' не знайдено").arg(name));
    if (eof() || rows_.empty())
        return QVariant();  // an empty result reads as NULL
    return rows_[size_t(pos_)][col];
}

QString displayText(const QVariant& v)
{
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::QDate)
        return text::shortDate(v.toDate());
    return v.toString();
}

}  // namespace tarvik::data
