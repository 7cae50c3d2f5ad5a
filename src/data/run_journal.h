#pragma once
// The journal of label runs in the station folder ("RunJournal.log"): each
// step of a run is on the disk before the step after it happens, so a run cut
// short by a killed process, a lost server or a failed write can be finished
// at the next start, or when the server is back, without a label left
// unlogged, a row written twice or a box number without its box label.
//
// Lines, tab-separated, UTF-8, in the order of the steps:
//   run      ID date name weight cost batch scale   before label 1 is printed
//   printed  ID [file]                               label 1 is whole and goes out
//   logged   ID                                      its row is committed
//   box      ID mass loads                           the box is about to close
//   numbered ID number                               the box number is committed
//   boxed    ID [file]                               label 2 is whole and goes out
//   unboxed  ID                                      ...but its print failed after all
//   end      ID                                      nothing is left to do
// "printed" and "boxed" are on the disk before their label goes out; `file`
// names the label's PDF when "Tarvik PDF" prints it, so a label whose ".part"
// file was still there did not go out. A journal whose runs all ended is
// emptied.
// Every step but "run", "logged" and "end" is synced before the next step
// happens; "run" reaches the disk with "printed". A last line without its
// line end was cut short, and its step did not happen.

#include "data/station_store.h"
#include "platform/text/durable_file.h"

#include <QString>

#include <optional>
#include <vector>

namespace tarvik::data {

inline constexpr const char* kJournalFileName = "RunJournal.log";

// What the journal knows of one run.
struct JournalRun {
    QString id;
    LogRow row;
    bool printed = false;
    QString labelFile;  // label 1's PDF, when "Tarvik PDF" printed it
    bool logged = false;
    std::optional<QString> boxMass;  // set by "box"
    qint64 loads = 0;
    std::optional<qint64> number;
    bool boxPrinted = false;
    QString boxLabelFile;  // label 2's PDF, when "Tarvik PDF" printed it
    bool ended = false;
};

class RunJournal {
public:
    // Opens (creating) the journal in the station folder `programDir`.
    explicit RunJournal(const QString& programDir);

    // A new run's identifier, unique across stations and starts.
    static QString newRunId();

    void begin(const QString& id, const LogRow& row);
    // `fileName`: the label's PDF, or empty for a system printer.
    void printed(const QString& id, const QString& fileName = {});
    void logged(const QString& id);
    void box(const QString& id, const QString& mass, qint64 loads);
    void numbered(const QString& id, qint64 number);
    // `fileName` as for printed().
    void boxPrinted(const QString& id, const QString& fileName = {});
    // Takes back boxPrinted() for a label 2 whose print failed after it.
    void boxNotPrinted(const QString& id);
    // Ends the run; a journal with no other run left is emptied.
    void end(const QString& id);

    // The runs that did not end, in the order they began.
    std::vector<JournalRun> unfinished() const;

private:
    void write(const QStringList& fields, DurableLog::Sync sync = DurableLog::Sync::Now);

    DurableLog log_;
    int open_ = 0;  // runs begun and not ended since the journal was last empty
};

}  // namespace tarvik::data
