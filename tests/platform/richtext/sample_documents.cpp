#include "platform/richtext/sample_documents.h"

#include <QTextCursor>
#include <QTextList>

namespace tarvik::richtext::testing {

std::unique_ptr<QTextDocument> richSample() {
    auto doc = std::make_unique<QTextDocument>();
    QTextCursor c(doc.get());
    auto fmt = [](const char* family, double pt) {
        QTextCharFormat f;
        f.setFontFamilies(QStringList{QString::fromLatin1(family)});
        f.setFontPointSize(pt);
        return f;
    };

    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    centred.setBottomMargin(8);
    c.setBlockFormat(centred);
    QTextCharFormat bold = fmt("Arial", 14);
    bold.setFontWeight(QFont::Bold);
    c.insertText(QString::fromUtf8("Ковбаса «Лікарська»"), bold);

    QTextBlockFormat indented;
    indented.setLeftMargin(20);
    indented.setRightMargin(10);
    indented.setTextIndent(12);
    indented.setTopMargin(4);
    c.insertBlock(indented);
    c.insertText(QString::fromUtf8("Вага: "), fmt("Arial", 10));
    QTextCharFormat italic = fmt("Arial", 10);
    italic.setFontItalic(true);
    c.insertText("$weight", italic);
    QTextCharFormat under = fmt("Times New Roman", 11.5);
    under.setFontUnderline(true);
    c.insertText(QString::fromUtf8(" кг"), under);
    c.insertText(QString(QChar::LineSeparator) + QString::fromUtf8("Ціна:\t"), fmt("Arial", 10));
    QTextCharFormat red = fmt("Arial", 10);
    red.setForeground(QColor(200, 10, 20));
    c.insertText("$price", red);
    QTextCharFormat struck = fmt("Courier New", 9);
    struck.setFontStrikeOut(true);
    struck.setForeground(QColor(0, 0, 255));
    c.insertText(QString::fromUtf8(" грн"), struck);

    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    c.insertBlock(right);
    c.insertText(QString::fromUtf8("Σ ≠ ā − 😀 € № {\\} 100%"), fmt("DejaVu Sans", 8));

    c.insertBlock(QTextBlockFormat(), fmt("Arial", 20));  // an empty paragraph keeps its size

    QTextBlockFormat justified;
    justified.setAlignment(Qt::AlignJustify);
    c.insertBlock(justified);
    c.insertText(QString::fromUtf8("Перший пункт"), fmt("Arial", 12));
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    bullets.setIndent(1);
    c.createList(bullets);
    c.insertBlock();
    c.insertText(QString::fromUtf8("Другий пункт"), fmt("Arial", 12));

    c.insertBlock(QTextBlockFormat());
    c.insertText(QString::fromUtf8("Кінець"), fmt("Arial", 12));
    return doc;
}

}  // namespace tarvik::richtext::testing
