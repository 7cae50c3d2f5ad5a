// LibreOffice as an independent reader of the rich text we write: it converts
// our files to plain text and to flat ODF, and both must say what our
// document says.

#include "platform/richtext/document_model.h"
#include "platform/richtext/rtf_reader.h"
#include "platform/richtext/rtf_writer.h"
#include "platform/richtext/sample_documents.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <map>

using namespace tarvik::richtext;
using namespace tarvik::richtext::testing;

namespace {

// One character's format as both sides can state it.
struct CharFormat {
    bool bold = false, italic = false, underline = false, strike = false;
    QString family;
    double points = 0;
    QString colour;  // "#rrggbb" or empty for automatic
    bool operator==(const CharFormat&) const = default;
};

std::ostream& operator<<(std::ostream& os, const CharFormat& f) {
    return os << (f.bold ? "B" : "-") << (f.italic ? "I" : "-") << (f.underline ? "U" : "-")
              << (f.strike ? "S" : "-") << ' ' << f.family.toStdString() << ' ' << f.points << ' '
              << f.colour.toStdString();
}

struct OdfParagraph {
    QString text;
    std::vector<CharFormat> formats;  // one per character of text
    QString align;                    // "left", "center", "right", "justify"
    int left = 0, right = 0, first = 0, before = 0, after = 0;  // twips
    bool bullet = false;
};

using Props = std::map<QString, QString>;
struct Style {
    Props paragraph;
    Props text;
};

int twipsOf(const QString& length) {
    static const QRegularExpression re(QStringLiteral("^(-?[0-9.]+)(in|cm|mm|pt)$"));
    const auto m = re.match(length);
    if (!m.hasMatch())
        return 0;
    const double v = m.captured(1).toDouble();
    const QString unit = m.captured(2);
    const double inches = unit == "in" ? v : unit == "cm" ? v / 2.54 : unit == "mm" ? v / 25.4 : v / 72;
    return static_cast<int>(std::lround(inches * 1440));
}

// Reads the automatic styles, list styles and paragraphs of a flat ODF text.
std::vector<OdfParagraph> readFlatOdf(const QByteArray& xml) {
    std::map<QString, Style> styles;
    std::map<QString, bool> bulletLists;
    std::vector<OdfParagraph> out;
    QXmlStreamReader r(xml);
    QString currentStyle, currentList, listStyle;
    bool inBody = false;
    std::vector<Props> spanStack;
    Props paraText;
    OdfParagraph* para = nullptr;

    auto formatOf = [&](const Props& p) {
        CharFormat f;
        auto get = [&](const char* k) { const auto it = p.find(k); return it == p.end() ? QString() : it->second; };
        f.bold = get("font-weight") == "bold";
        f.italic = get("font-style") == "italic";
        f.underline = !get("text-underline-style").isEmpty() && get("text-underline-style") != "none";
        f.strike = !get("text-line-through-style").isEmpty() && get("text-line-through-style") != "none";
        f.family = get("font-name");
        f.points = get("font-size").chopped(2).toDouble();
        f.colour = get("use-window-font-color") == "true" ? QString() : get("color");
        return f;
    };
    auto append = [&](const QString& s) {
        if (!para)
            return;
        Props p = paraText;
        for (const Props& span : spanStack)
            for (const auto& [k, v] : span)
                p[k] = v;
        para->text += s;
        para->formats.insert(para->formats.end(), s.size(), formatOf(p));
    };

    while (!r.atEnd()) {
        r.readNext();
        const QStringView name = r.name();
        if (r.isStartElement()) {
            if (name == u"style" && r.namespaceUri().endsWith(u"style:1.0")) {
                currentStyle = r.attributes().value("style:name").toString();
            } else if ((name == u"paragraph-properties" || name == u"text-properties") && !currentStyle.isEmpty()) {
                Props& props = name == u"text-properties" ? styles[currentStyle].text : styles[currentStyle].paragraph;
                for (const auto& a : r.attributes())
                    props[a.name().toString()] = a.value().toString();
            } else if (name == u"list-style") {
                listStyle = r.attributes().value("style:name").toString();
            } else if ((name == u"list-level-style-bullet" || name == u"list-level-style-number") &&
                       r.attributes().value("text:level") == u"1") {
                bulletLists[listStyle] = name == u"list-level-style-bullet";
            } else if (name == u"text" && r.namespaceUri().endsWith(u"office:1.0")) {
                inBody = true;
            } else if (inBody && name == u"list") {
                if (r.attributes().hasAttribute("text:style-name"))
                    currentList = r.attributes().value("text:style-name").toString();
            } else if (inBody && (name == u"p" || name == u"h")) {
                out.emplace_back();
                para = &out.back();
                const Style& st = styles[r.attributes().value("text:style-name").toString()];
                paraText = st.text;
                auto get = [&](const char* k) { const auto it = st.paragraph.find(k); return it == st.paragraph.end() ? QString() : it->second; };
                const QString a = get("text-align");
                para->align = a == "center" ? "center" : a == "end" || a == "right" ? "right" : a == "justify" ? "justify" : "left";
                para->left = twipsOf(get("margin-left"));
                para->right = twipsOf(get("margin-right"));
                para->first = twipsOf(get("text-indent"));
                para->before = twipsOf(get("margin-top"));
                para->after = twipsOf(get("margin-bottom"));
                para->bullet = !currentList.isEmpty() && bulletLists[currentList];
            } else if (para && name == u"span") {
                spanStack.push_back(styles[r.attributes().value("text:style-name").toString()].text);
            } else if (para && name == u"tab") {
                append("\t");
            } else if (para && name == u"line-break") {
                append(QString(QChar::LineSeparator));
            } else if (para && name == u"s") {
                append(QString(std::max(1, r.attributes().value("text:c").toInt()), ' '));
            }
        } else if (r.isEndElement()) {
            if (name == u"style")
                currentStyle.clear();
            else if (inBody && name == u"list")
                currentList.clear();
            else if (para && (name == u"p" || name == u"h"))
                para = nullptr;
            else if (para && name == u"span")
                spanStack.pop_back();
        } else if (r.isCharacters() && para) {
            append(r.text().toString());
        }
    }
    EXPECT_FALSE(r.hasError()) << r.errorString().toStdString();
    return out;
}

class LibreOfficeOracle : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        docs_ = new std::vector<std::unique_ptr<QTextDocument>>;
        docs_->push_back(richSample());
        for (const char* name : {"wordpad_label.rtf", "libreoffice_label.rtf"}) {
            QFile f(QStringLiteral(TARVIK_SOURCE_DIR "/tests/platform/richtext/fixtures/") + QLatin1String(name));
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            auto doc = std::make_unique<QTextDocument>();
            readRtf(f.readAll(), *doc);
            docs_->push_back(std::move(doc));
        }
        QStringList files;
        for (size_t i = 0; i < docs_->size(); ++i) {
            QFile f(dir_->filePath(QStringLiteral("doc%1.rtf").arg(i)));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(writeRtf(*(*docs_)[i]));
            files << f.fileName();
        }
        convert("txt:Text (encoded):UTF8", files);
        convert("fodt", files);
    }
    static void TearDownTestSuite() {
        delete docs_;
        delete dir_;
    }

    static void convert(const QString& format, const QStringList& files) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start("soffice", QStringList{"-env:UserInstallation=file://" + dir_->filePath("profile"), "--headless",
                                       "--convert-to", format, "--outdir", dir_->path()} + files);
        ASSERT_TRUE(p.waitForStarted()) << "soffice (libreoffice-writer-nogui) is not installed";
        ASSERT_TRUE(p.waitForFinished(180000)) << "soffice did not finish";
        ASSERT_EQ(p.exitCode(), 0) << p.readAll().toStdString();
    }

    static QByteArray output(size_t i, const char* suffix) {
        QFile f(dir_->filePath(QStringLiteral("doc%1.%2").arg(i).arg(QLatin1String(suffix))));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << f.fileName().toStdString();
        return f.readAll();
    }

    static QTemporaryDir* dir_;
    static std::vector<std::unique_ptr<QTextDocument>>* docs_;
};

QTemporaryDir* LibreOfficeOracle::dir_ = nullptr;
std::vector<std::unique_ptr<QTextDocument>>* LibreOfficeOracle::docs_ = nullptr;

}  // namespace

TEST_F(LibreOfficeOracle, PlainTextMatches) {
    for (size_t i = 0; i < docs_->size(); ++i) {
        QString text = QString::fromUtf8(output(i, "txt"));
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        QStringList lines = text.split(QRegularExpression("\r?\n"));
        while (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        for (QString& line : lines)
            line.remove(QRegularExpression(QString::fromUtf8("^\\s*[•·]\\s*")));  // list bullets
        QString expected = (*docs_)[i]->toPlainText();
        EXPECT_EQ(lines.join('\n').toStdString(), expected.toStdString()) << "document " << i;
    }
}

TEST_F(LibreOfficeOracle, FormatsMatch) {
    for (size_t i = 0; i < docs_->size(); ++i) {
        SCOPED_TRACE("document " + std::to_string(i));
        const auto theirs = readFlatOdf(output(i, "fodt"));
        const auto ours = describe(*(*docs_)[i]);
        ASSERT_EQ(theirs.size(), ours.size());
        for (size_t p = 0; p < ours.size(); ++p) {
            SCOPED_TRACE("paragraph " + std::to_string(p));
            const Paragraph& o = ours[p];
            const OdfParagraph& t = theirs[p];
            ASSERT_EQ(t.text.toStdString(), o.text().toStdString());
            const char* align = o.align == Qt::AlignHCenter ? "center"
                                : o.align == Qt::AlignRight  ? "right"
                                : o.align == Qt::AlignJustify ? "justify"
                                                              : "left";
            EXPECT_EQ(t.align.toStdString(), align);
            EXPECT_EQ(t.bullet, o.list == 1);
            EXPECT_NEAR(t.left, o.left, 2);
            EXPECT_NEAR(t.right, o.right, 2);
            EXPECT_NEAR(t.before, o.before, 2);
            EXPECT_NEAR(t.after, o.after, 2);
            EXPECT_NEAR(t.first, o.list ? (o.first ? o.first : -360) : o.first, 2);
            size_t c = 0;
            for (const tarvik::richtext::testing::Run& run : o.runs) {
                CharFormat expected{run.bold, run.italic, run.underline, run.strike, run.family, run.points,
                                    run.colour.isValid() ? run.colour.name() : QString()};
                for (int k = 0; k < run.text.size(); ++k, ++c)
                    ASSERT_EQ(t.formats[c], expected) << "at \"" << run.text.toStdString() << "\"";
            }
        }
    }
}
