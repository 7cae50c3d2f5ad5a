#include "data/run_journal.h"

#include <QDir>
#include <QUuid>

namespace tarvik::data {

namespace {

QString escaped(QString s)
{
    s.replace(u'\\', QStringLiteral("\\\\"));
    s.replace(u'\t', QStringLiteral("\\t"));
    s.replace(u'\n', QStringLiteral("\\n"));
    s.replace(u'\r', QStringLiteral("\\r"));
    return s;
}

QString unescaped(const QString& s)
{
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] != u'\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const QChar c = s[++i];
        out += c == u't' ? QChar(u'\t') : c == u'n' ? QChar(u'\n') : c == u'r' ? QChar(u'\r') : c;
    }
    return out;
}

}  // namespace

RunJournal::RunJournal(const QString& programDir)
    : log_(QDir(programDir).filePath(QString::fromLatin1(kJournalFileName)))
{
    open_ = int(unfinished().size());
}

QString RunJournal::newRunId()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

void RunJournal::write(const QStringList& fields, DurableLog::Sync sync)
{
    QStringList parts;
    for (const QString& f : fields)
        parts << escaped(f);
    log_.append(parts.join(u'\t').toUtf8(), sync);
}

void RunJournal::begin(const QString& id, const LogRow& row)
{
    // Synced with "printed", before the label goes out: a run cut short
    // before that has nothing to finish.
    write({QStringLiteral("run"), id, row.date.toString(Qt::ISODate), row.name, row.weight, row.cost, row.batch,
           row.scaleName},
          DurableLog::Sync::Later);
    ++open_;
}

void RunJournal::printed(const QString& id, const QString& fileName)
{
    write(fileName.isEmpty() ? QStringList{QStringLiteral("printed"), id}
                             : QStringList{QStringLiteral("printed"), id, fileName});
}

void RunJournal::logged(const QString& id)
{
    // Not synced: the row is in the database with the run's identifier, and
    // a run found without this line writes nothing again.
    write({QStringLiteral("logged"), id}, DurableLog::Sync::Later);
}

void RunJournal::box(const QString& id, const QString& mass, qint64 loads)
{
    write({QStringLiteral("box"), id, mass, QString::number(loads)});
}

void RunJournal::numbered(const QString& id, qint64 number)
{
    write({QStringLiteral("numbered"), id, QString::number(number)});
}

void RunJournal::boxPrinted(const QString& id, const QString& fileName)
{
    write(fileName.isEmpty() ? QStringList{QStringLiteral("boxed"), id}
                             : QStringList{QStringLiteral("boxed"), id, fileName});
}

void RunJournal::boxNotPrinted(const QString& id)
{
    write({QStringLiteral("unboxed"), id});
}

void RunJournal::end(const QString& id)
{
    // Not synced: a run found without its end after a power cut has all its
    // steps done, and the next start only ends it.
    write({QStringLiteral("end"), id}, DurableLog::Sync::Later);
    if (--open_ <= 0) {
        open_ = 0;
        log_.clear(DurableLog::Sync::Later);
    }
}

std::vector<JournalRun> RunJournal::unfinished() const
{
    std::vector<JournalRun> runs;
    auto find = [&](const QString& id) -> JournalRun* {
        for (JournalRun& r : runs)
            if (r.id == id)
                return &r;
        return nullptr;
    };
    QList<QByteArray> lines = log_.readAll().split('\n');
    // What follows the last line end was cut short while it was written.
    lines.removeLast();
    for (const QByteArray& raw : lines) {
        QStringList f;
        for (const QString& part : QString::fromUtf8(raw).split(u'\t'))
            f << unescaped(part);
        if (f.size() < 2)
            continue;  // an empty line, or one cut short
        const QString& step = f[0];
        if (step == u"run" && f.size() == 8) {
            JournalRun r;
            r.id = f[1];
            r.row = {f[3], QDate::fromString(f[2], Qt::ISODate), f[4], f[5], f[6], f[7]};
            runs.push_back(r);
            continue;
        }
        JournalRun* r = find(f[1]);
        if (!r)
            continue;
        if (step == u"printed") {
            r->printed = true;
            r->labelFile = f.value(2);
        } else if (step == u"logged") {
            r->logged = true;
        } else if (step == u"box" && f.size() == 4) {
            r->boxMass = f[2];
            r->loads = f[3].toLongLong();
        } else if (step == u"numbered" && f.size() == 3) {
            r->number = f[2].toLongLong();
        } else if (step == u"boxed") {
            r->boxPrinted = true;
            r->boxLabelFile = f.value(2);
        } else if (step == u"unboxed") {
            r->boxPrinted = false;
            r->boxLabelFile.clear();
        } else if (step == u"end") {
            r->ended = true;
        }
    }
    std::erase_if(runs, [](const JournalRun& r) { return r.ended; });
    return runs;
}

}  // namespace tarvik::data
