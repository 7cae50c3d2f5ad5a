#include "labels/field_text.h"

#include "labels/label_values.h"
#include "platform/richtext/rich_text.h"
#include "platform/text/codec.h"
#include "platform/text/error.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

namespace tarvik::labels {

namespace {

// Calls f for every paragraph from the selection's first to its last.
template <class F>
void forEachParagraph(const QTextCursor& caret, F&& f)
{
    const QTextDocument* doc = caret.document();
    QTextBlock block = doc->findBlock(caret.selectionStart());
    const QTextBlock last = doc->findBlock(caret.selectionEnd());
    for (;; block = block.next()) {
        f(block);
        if (block == last || !block.isValid())
            break;
    }
}

}  // namespace

CaretPlace caretPlace(const QTextCursor& caret)
{
    const QTextBlock here = caret.block();
    CaretPlace place;
    for (QTextBlock b = caret.document()->firstBlock(); b.isValid() && b != here; b = b.next())
        place.line += 1 + int(b.text().count(QChar::LineSeparator));
    const QString before = here.text().left(caret.positionInBlock());
    place.line += int(before.count(QChar::LineSeparator));
    place.column = int(before.size() - 1 - before.lastIndexOf(QChar::LineSeparator));
    return place;
}

QString caretPlaceText(const QTextCursor& caret)
{
    const CaretPlace p = caretPlace(caret);
    return QStringLiteral("%1: %2").arg(p.line + 1).arg(p.column + 1);
}

Qt::Alignment paragraphAlignment(const QTextCursor& caret)
{
    const Qt::Alignment a = caret.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignHCenter)
        return Qt::AlignHCenter;
    if (a & Qt::AlignRight)
        return Qt::AlignRight;
    return Qt::AlignLeft;
}

void setParagraphAlignment(QTextCursor caret, Qt::Alignment alignment)
{
    QTextBlockFormat format;
    format.setAlignment(alignment);
    caret.mergeBlockFormat(format);
}

void setBulleted(QTextCursor caret, bool bulleted)
{
    caret.beginEditBlock();
    if (bulleted) {
        // The selected paragraphs become one bulleted list.
        QTextListFormat list;
        list.setStyle(QTextListFormat::ListDisc);
        caret.createList(list);
    } else {
        forEachParagraph(caret, [&](const QTextBlock& b) {
            if (QTextList* l = b.textList()) {
                l->remove(b);
                QTextCursor c(b);
                QTextBlockFormat f = b.blockFormat();
                f.setIndent(0);
                c.setBlockFormat(f);
            }
        });
    }
    caret.endEditBlock();
}

void clearIndents(QTextCursor caret)
{
    forEachParagraph(caret, [](const QTextBlock& b) {
        const QTextBlockFormat f = b.blockFormat();
        if (f.textIndent() == 0 && f.leftMargin() == 0)
            return;
        QTextBlockFormat zero;
        zero.setTextIndent(0);
        zero.setLeftMargin(0);
        QTextCursor(b).mergeBlockFormat(zero);
    });
}

QString notFoundText(const QString& what)
{
    return QStringLiteral("Текст '") + what + QStringLiteral("' не найден");
}

bool findNext(QTextCursor& caret, const SearchRequest& request)
{
    const int from = caret.hasSelection() ? caret.selectionEnd() : caret.position();
    const QTextCursor found = richtext::findText(*caret.document(), request.what, from,
                                                 {.matchCase = request.matchCase, .wholeWords = request.wholeWord});
    if (found.isNull())
        return false;
    caret.setPosition(found.selectionStart());
    caret.setPosition(found.selectionEnd(), QTextCursor::KeepAnchor);
    return true;
}

int replace(QTextCursor& caret, const SearchRequest& request, ReplaceMode mode,
            const std::function<void(const QString&)>& notFound)
{
    int replaced = 0;
    for (;;) {
        if (caret.hasSelection()) {
            // The search goes on from the end of the replacement: a text that
            // follows it at once is replaced too, and a replacement that holds
            // the searched text is never searched again.
            richtext::replaceSelection(caret, request.replacement);
            ++replaced;
        } else if (mode == ReplaceMode::One) {
            notFound(notFoundText(request.what));
            return replaced;
        }
        if (mode == ReplaceMode::One)
            return replaced;
        if (!findNext(caret, request)) {
            notFound(notFoundText(request.what));
            return replaced;
        }
    }
}

const std::vector<PlaceholderEntry>& placeholderEntries()
{
    static const std::vector<PlaceholderEntry> entries = [] {
        const char* const meanings[] = {
            "наименование товара",
            "дата упаковки",
            "вес брутто",
            "цена за килограмм",
            "номер партии",
            "сообщение о товаре",
            "годен до",
            "количество голов",
            "место",
            "вес тары",
            "вес нетто",
            "стоимость",
            "текст 1 товара",
            "текст 2 товара",
            "текст 3 товара",
            "текст 4 товара",
            "текст 5 товара",
            "текст 6 товара",
            "текст 7 товара",
            "текст 8 товара",
            "номер коробки",
            "вес нетто в килограммах",
        };
        static_assert(std::size(meanings) == kPlaceholders.size());
        std::vector<PlaceholderEntry> out;
        for (std::size_t i = 0; i < kPlaceholders.size(); ++i)
            out.push_back({QString::fromLatin1(kPlaceholders[i]), QString::fromUtf8(meanings[i])});
        return out;
    }();
    return entries;
}

void checkTemplateText(const QTextDocument& text)
{
    const QString shown = richtext::displayedText(text);
    const auto at = tarvik::text::firstUnencodable(shown);
    if (!at)
        return;
    // A character outside the basic plane is two code units: name it whole.
    const char32_t code = QStringView(shown).mid(*at).toUcs4().value(0);
    const QString character = QString::fromUcs4(&code, 1);
    throw Error(
        QStringLiteral("Символ \"%1\" (U+%2) нельзя сохранить в шаблоне этикетки: его нет в кодировке "
                       "Windows-1251. Удалите или замените его.")
            .arg(QString::fromUcs4(&code, 1), QString::number(uint(code), 16).toUpper().rightJustified(4, u'0')));
}

}  // namespace tarvik::labels
