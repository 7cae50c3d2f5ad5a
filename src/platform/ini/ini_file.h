#pragma once
// Settings files in the Windows profile-file form: sections and keys matched
// without regard to case, blanks around values ignored, keys written in place,
// new keys appended to their section, unknown lines kept byte for byte, the
// file's own line endings kept, Windows-1251 text.

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace tarvik::ini {

// One settings file held in memory. Loading and saving are whole-file steps,
// so an operation opens the file once, works key by key and saves once.
class IniDocument {
public:
    // A new, empty file (CRLF line endings).
    IniDocument();

    // A missing file gives an empty document; an unreadable one throws tarvik::Error.
    static IniDocument load(const QString& path);
    static IniDocument fromBytes(const QByteArray& bytes);

    // The trimmed value of the first matching key of the first matching section.
    std::optional<QString> value(const QString& section, const QString& key) const;
    QString readString(const QString& section, const QString& key, const QString& fallback) const;

    // Replaces the value in place, or appends the key to the end of its section,
    // or appends the section to the end of the file. Throws tarvik::Error for a
    // text Windows-1251 cannot hold, before anything is changed.
    void writeString(const QString& section, const QString& key, const QString& value);

    bool hasSection(const QString& section) const;

    QByteArray toBytes() const;

    // Replaces the file atomically: a temporary file beside it, flushed, renamed.
    void save(const QString& path) const;

private:
    struct Located {
        qsizetype sectionLine = -1;  // the section's header line
        qsizetype end = -1;          // one past the section's last line
        qsizetype keyLine = -1;
    };
    Located locate(const QString& section, const QString& key) const;

    // What a line names: a section header, a key, or neither.
    struct LineName {
        enum Kind : unsigned char { None, Section, Key } kind = None;
        QString name;
    };
    static LineName nameOf(const QByteArray& raw);
    // Decoded once, on the first lookup: a file is read key by key.
    const std::vector<LineName>& names() const;

    void insertLine(qsizetype at, const QByteArray& raw);

    QList<QByteArray> lines_;  // without their line endings
    QList<QByteArray> eols_;   // each line's own ending; empty for a last line without one
    QByteArray eol_;           // the ending of new lines: the file's first one, CRLF for a new file
    mutable std::vector<LineName> names_;  // one per line, once built
    mutable bool namesBuilt_ = false;
};

// Writes bytes to path atomically. `midWrite`, when given, runs after the first
// half is written and before the rename, so tests can interrupt a save there.
void writeFileAtomically(const QString& path, const QByteArray& bytes,
                         const std::function<void()>& midWrite = {});

// Flags: a whole number (ticked when not zero) or "true"/"false" in any case.
// Anything else throws tarvik::ConvertError "'%s' is not a valid boolean value".
bool toFlag(const QString& text);

// "-1" for ticked, "0" otherwise.
QString flagText(bool ticked);

}  // namespace tarvik::ini
