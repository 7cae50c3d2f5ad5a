#include "platform/richtext/rich_text.h"

#include "platform/richtext/rtf_reader.h"
#include "platform/richtext/rtf_writer.h"
#include "platform/text/durable_file.h"
#include "platform/text/error.h"

#include <QFile>
#include <QTextDocument>

namespace tarvik::richtext {

void loadRichTextFile(QTextDocument& document, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("Cannot read file \"%1\". %2").arg(path, file.errorString()));
    try {
        readRtf(data, document);
    } catch (const Error& e) {
        throw Error(QStringLiteral("\"%1\": %2").arg(path, e.text()));
    }
}

void saveRichTextFile(const QTextDocument& document, const QString& path, SaveMode mode) {
    if (mode == SaveMode::Scratch) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw Error(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
        const QByteArray data = writeRtf(document);
        if (file.write(data) != data.size() || !file.flush())
            throw Error(QStringLiteral("Cannot write file \"%1\". %2").arg(path, file.errorString()));
        return;
    }
    // A template is the old file or the whole new one, whatever fails.
    writeFileDurably(path, writeRtf(document));
}

QString displayedText(const QTextDocument& document) {
    QString text = document.toRawText();
    for (QChar& c : text)
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = QLatin1Char('\n');
    return text;
}

QTextCursor findText(const QTextDocument& document, const QString& what, int from, FindOptions options) {
    if (what.isEmpty())
        return {};
    QTextDocument::FindFlags flags;
    if (options.matchCase)
        flags |= QTextDocument::FindCaseSensitively;
    if (options.wholeWords)
        flags |= QTextDocument::FindWholeWords;
    return document.find(what, std::max(from, 0), flags);
}

void replaceSelection(QTextCursor& cursor, const QString& text) {
    QTextCharFormat format = cursor.charFormat();
    if (cursor.hasSelection()) {
        // A cursor reports the format of the character before it, and insertText
        // over a selection would take the last selected character's format.
        QTextCursor first(cursor.document());
        first.setPosition(cursor.selectionStart() + 1);
        format = first.charFormat();
    }
    cursor.insertText(text, format);
}

}  // namespace tarvik::richtext
