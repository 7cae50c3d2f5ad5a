#include "platform/ini/ini_file.h"

#include "platform/text/currency.h"
#include "platform/text/durable_file.h"

#include "platform/text/codec.h"
#include "platform/text/error.h"

#include <QFile>
#include <QFileInfo>

namespace tarvik::ini {
namespace {

const QByteArray kCrlf = QByteArrayLiteral("\r\n");

bool isBlank(const QByteArray& raw)
{
    return raw.trimmed().isEmpty();
}

// The section name of a header line "[name]", if the line is one.
std::optional<QString> sectionName(const QByteArray& raw)
{
    const QByteArray t = raw.trimmed();
    if (!t.startsWith('['))
        return std::nullopt;
    const qsizetype close = t.indexOf(']');
    if (close < 0)
        return std::nullopt;
    return text::fromCp1251(t.mid(1, close - 1)).trimmed();
}

// The key of a line "key=value", if the line is one (comments are not).
std::optional<QString> keyName(const QByteArray& raw)
{
    const QByteArray t = raw.trimmed();
    if (t.startsWith(';'))
        return std::nullopt;
    const qsizetype eq = raw.indexOf('=');
    if (eq < 0)
        return std::nullopt;
    return text::fromCp1251(raw.left(eq)).trimmed();
}

bool same(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

}  // namespace

IniDocument::IniDocument() : eol_(kCrlf) {}

IniDocument IniDocument::load(const QString& path)
{
    QFile f(path);
    if (!f.exists())
        return IniDocument();
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Не вдається відкрити файл \"%1\": %2").arg(path, f.errorString()));
    return fromBytes(f.readAll());
}

IniDocument IniDocument::fromBytes(const QByteArray& bytes)
{
    IniDocument doc;
    const qsizetype firstNl = bytes.indexOf('\n');
    if (firstNl >= 0)
        doc.eol_ = firstNl > 0 && bytes[firstNl - 1] == '\r' ? kCrlf : QByteArrayLiteral("\n");
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        const qsizetype nl = bytes.indexOf('\n', pos);
        if (nl < 0) {
            doc.lines_.append(bytes.mid(pos));
            doc.eols_.append(QByteArray());
            break;
        }
        const bool cr = nl > pos && bytes[nl - 1] == '\r';
        doc.lines_.append(bytes.mid(pos, nl - pos - (cr ? 1 : 0)));
        doc.eols_.append(cr ? kCrlf : QByteArrayLiteral("\n"));
        pos = nl + 1;
    }
    return doc;
}

IniDocument::LineName IniDocument::nameOf(const QByteArray& raw)
{
    if (auto s = sectionName(raw))
        return {LineName::Section, std::move(*s)};
    if (auto k = keyName(raw))
        return {LineName::Key, std::move(*k)};
    return {};
}

const std::vector<IniDocument::LineName>& IniDocument::names() const
{
    if (!namesBuilt_) {
        names_.clear();
        names_.reserve(std::size_t(lines_.size()));
        for (const QByteArray& raw : lines_)
            names_.push_back(nameOf(raw));
        namesBuilt_ = true;
    }
    return names_;
}

IniDocument::Located IniDocument::locate(const QString& section, const QString& key) const
{
    const std::vector<LineName>& n = names();
    const auto count = qsizetype(n.size());
    Located at;
    for (qsizetype i = 0; i < count; ++i) {
        if (n[std::size_t(i)].kind != LineName::Section)
            continue;
        if (at.sectionLine >= 0) {  // the next header ends the section found
            at.end = i;
            break;
        }
        if (same(n[std::size_t(i)].name, section))
            at.sectionLine = i;
    }
    if (at.sectionLine < 0)
        return at;
    if (at.end < 0)
        at.end = count;
    for (qsizetype i = at.sectionLine + 1; i < at.end; ++i) {
        const LineName& k = n[std::size_t(i)];
        if (k.kind == LineName::Key && same(k.name, key)) {
            at.keyLine = i;
            break;
        }
    }
    return at;
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const
{
    const Located at = locate(section, key);
    if (at.keyLine < 0)
        return std::nullopt;
    const QByteArray& raw = lines_[at.keyLine];
    return text::fromCp1251(raw.mid(raw.indexOf('=') + 1)).trimmed();
}

QString IniDocument::readString(const QString& section, const QString& key, const QString& fallback) const
{
    return value(section, key).value_or(fallback);
}

bool IniDocument::hasSection(const QString& section) const
{
    return locate(section, QString()).sectionLine >= 0;
}

void IniDocument::writeString(const QString& section, const QString& key, const QString& value)
{
    // Encode everything first: a refused text changes nothing.
    const QByteArray v = text::toCp1251(value);
    const QByteArray k = text::toCp1251(key);
    const QByteArray s = text::toCp1251(section);

    const Located at = locate(section, key);
    if (at.keyLine >= 0) {
        QByteArray& raw = lines_[at.keyLine];
        raw = raw.left(raw.indexOf('=') + 1) + v;
        if (namesBuilt_)
            names_[std::size_t(at.keyLine)] = nameOf(raw);
        return;
    }
    if (at.sectionLine >= 0) {
        // After the section's last non-blank line, so blank separators stay below it.
        qsizetype after = at.end - 1;
        while (after > at.sectionLine && isBlank(lines_[after]))
            --after;
        insertLine(after + 1, k + '=' + v);
        return;
    }
    insertLine(lines_.size(), '[' + s + ']');
    insertLine(lines_.size(), k + '=' + v);
}

void IniDocument::insertLine(qsizetype at, const QByteArray& raw)
{
    // The line before gets an ending if it had none (the file's last line).
    if (at > 0 && eols_[at - 1].isEmpty())
        eols_[at - 1] = eol_;
    lines_.insert(at, raw);
    eols_.insert(at, eol_);
    if (namesBuilt_)
        names_.insert(names_.begin() + at, nameOf(raw));
}

QByteArray IniDocument::toBytes() const
{
    QByteArray out;
    for (qsizetype i = 0; i < lines_.size(); ++i)
        out += lines_[i] + eols_[i];
    return out;
}

void IniDocument::save(const QString& path) const
{
    writeFileAtomically(path, toBytes());
}

void writeFileAtomically(const QString& path, const QByteArray& bytes, const std::function<void()>& midWrite)
{
    writeFileDurably(path, bytes, midWrite);
}

bool toFlag(const QString& text)
{
    if (text.compare(u"true", Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(u"false", Qt::CaseInsensitive) == 0)
        return false;
    try {
        return textToInt(text) != 0;
    } catch (const ConvertError&) {
        throw ConvertError(QStringLiteral("'%1' is not a valid boolean value").arg(text));
    }
}

QString flagText(bool ticked)
{
    return ticked ? QStringLiteral("-1") : QStringLiteral("0");
}

}  // namespace tarvik::ini
