// The corpus of label texts written by LibreOffice, AbiWord and pandoc (and a
// few by hand), read by our reader and by LibreOffice, whose text export is the
// oracle; then written by our writer and read by LibreOffice again.
//
// Normalisations, on both sides alike:
// - the byte-order mark, line ends and trailing empty lines are dropped;
// - blanks at the start of a line are dropped (LibreOffice indents list items
//   by their level);
// - a bullet sign before a list item's text is "•" (the sign depends on the
//   writer's font: "•", "·", "o", "▪");
// - no-break spaces are spaces;
// - footnote texts are left out of the comparison with the original (the text
//   export leaves them out; they are shown at the foot of the page), and kept
//   in the round trip, where our writer writes them as paragraphs.
// Capitals and small capitals are compared as stored: LibreOffice's text export
// writes the letters as typed, as our document keeps them (the capitals are a
// format, tested in rtf_reader_test.cpp).

#include "platform/richtext/document_model.h"
#include "platform/richtext/rtf_reader.h"
#include "platform/richtext/rtf_writer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <map>

using namespace tarvik::richtext;
using namespace tarvik::richtext::testing;

namespace {

const QString kCorpus = QStringLiteral(TARVIK_SOURCE_DIR "/tests/platform/richtext/corpus");

// A line where LibreOffice's text export and our document are known to differ.
struct Accepted {
    const char* file;
    const char* theirs;  // LibreOffice's line
    const char* ours;    // our line
    const char* why;
};

const Accepted kAccepted[] = {
    // Hidden text is hidden in LibreOffice's window and print, but its text
    // export writes it; we leave it out, as the label must.
    {"lo-features.rtf", "Сир твердий прихований текст видимий $name", "Сир твердий видимий $name",
     "hidden text: exported by LibreOffice, not shown"},
    {"hand-hidden.rtf", "Сир службова примітка твердий $name", "Сир твердий $name",
     "hidden text: exported by LibreOffice, not shown"},
    {"hand-hidden.rtf", "Ціна прихована $price", "Ціна $price", "hidden text: exported by LibreOffice, not shown"},
    // LibreOffice computes date and page fields anew when it exports; a label
    // shows the result saved in the file.
    {"lo-features.rtf", "*", "Дата: 12/9/26; сторінка 1", "fields: LibreOffice recomputes DATE and PAGE"},
    {"hand-fields.rtf", "*", "Упаковано: 08.12.10, аркуш 1", "fields: LibreOffice recomputes DATE and PAGE"},
    {"abiword-features.rtf", "Сир твердий прихований текст видимий $name", "Сир твердий видимий $name",
     "hidden text: exported by LibreOffice, not shown"},
    {"abiword-features.rtf", "*", "Дата: ; сторінка ", "fields: AbiWord saves no result, LibreOffice computes one"},
    // A list item whose list the file does not define: LibreOffice shows no
    // number; we show the label the file wrote for it.
    {"hand-listtext-only.rtf", "третій", "3. третій", "\\listtext without a list table"},
    {"hand-listtext-only.rtf", "четвертий $weight", "4. четвертий $weight", "\\listtext without a list table"},
    {"hand-listtext-only.rtf", "маркер", "• маркер", "\\listtext without a list table"},
    // A file that names no character set at all: LibreOffice reads Latin; we
    // keep Windows-1251, the station's own (rtf_reader.cpp explains).
    {"hand-no-charset.rtf", "Ñòàðèé øàáëîí ñòàíö³¿: $name", "Старий шаблон станції: $name",
     "no character set: Windows-1251"},
    // LibreOffice shows both halves of \upr; a reader that knows \ud shows the Unicode one.
    {"hand-upr.rtf", "Виробник: ТОВ ТарвікТОВ Тарвік № $place", "Виробник: ТОВ Тарвік № $place",
     "\\upr: LibreOffice shows both halves"},
    // LibreOffice reads every \pn number as a decimal that goes on from the
    // list before; the rich-edit control that writes \pn shows letters and
    // Roman numbers from their \pnstart.
    {"hand-wordpad-numbered.rtf", "5. літера", "a) літера", "\\pn formats and starts"},
    {"hand-wordpad-numbered.rtf", "6. друга", "b) друга", "\\pn formats and starts"},
    {"hand-wordpad-numbered.rtf", "7. римська з двох", "II. римська з двох", "\\pn formats and starts"},
};

QStringList normalised(QStringList lines)
{
    static const QRegularExpression kBullet(QStringLiteral("^[•·o▪■◦§\\x{f0b7}\\x{f0a7}\\-–] "));
    for (QString& line : lines) {
        line.replace(QChar::Nbsp, u' ');
        while (!line.isEmpty() && line.front().isSpace())
            line.remove(0, 1);
        line.replace(kBullet, QStringLiteral("• "));
    }
    while (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList exportedLines(const QString& txt)
{
    QFile f(txt);
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "LibreOffice wrote no " << txt.toStdString();
        return {};
    }
    QString text = QString::fromUtf8(f.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return normalised(text.split(QRegularExpression(QStringLiteral("\r?\n"))));
}

void convertToText(const QTemporaryDir& dir, const QStringList& files, const QString& outdir)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("soffice"),
            QStringList{"-env:UserInstallation=file://" + dir.filePath("profile"), "--headless", "--convert-to",
                        "txt:Text (encoded):UTF8", "--outdir", outdir}
                + files);
    ASSERT_TRUE(p.waitForStarted()) << "soffice (libreoffice-writer-nogui) is not installed";
    ASSERT_TRUE(p.waitForFinished(300000)) << "soffice did not finish";
    ASSERT_EQ(p.exitCode(), 0) << p.readAll().toStdString();
}

QStringList corpusFiles()
{
    return QDir(kCorpus).entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name);
}

std::unique_ptr<QTextDocument> readCorpusFile(const QString& name)
{
    QFile f(kCorpus + u'/' + name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    auto doc = std::make_unique<QTextDocument>();
    readRtf(f.readAll(), *doc);
    return doc;
}

// Compares line by line; a differing line must be one of the accepted ones.
// Returns the number of accepted differences met.
int compare(const QString& file, const QStringList& theirs, const QStringList& ours)
{
    int accepted = 0;
    EXPECT_EQ(theirs.size(), ours.size()) << file.toStdString() << "\nLibreOffice:\n"
                                          << theirs.join(u'\n').toStdString() << "\nours:\n"
                                          << ours.join(u'\n').toStdString();
    for (qsizetype i = 0; i < std::min(theirs.size(), ours.size()); ++i) {
        if (theirs[i] == ours[i])
            continue;
        const bool known = std::any_of(std::begin(kAccepted), std::end(kAccepted), [&](const Accepted& a) {
            return file == QLatin1String(a.file) && ours[i] == QString::fromUtf8(a.ours)
                   && (QLatin1String(a.theirs) == QLatin1String("*") || theirs[i] == QString::fromUtf8(a.theirs));
        });
        if (known) {
            ++accepted;
            continue;
        }
        ADD_FAILURE() << file.toStdString() << " line " << i + 1 << "\n LibreOffice: " << theirs[i].toStdString()
                      << "\n ours:        " << ours[i].toStdString();
    }
    return accepted;
}

}  // namespace

TEST(RichTextCorpus, HoldsFilesOfEveryWriter)
{
    const QStringList files = corpusFiles();
    EXPECT_GE(files.size(), 40);
    std::map<QString, int> byWriter;
    for (const QString& f : files)
        ++byWriter[f.section(u'-', 0, 0)];
    for (const char* writer : {"lo", "abiword", "pandoc", "hand"})
        EXPECT_GE(byWriter[QLatin1String(writer)], 5) << writer;
}

TEST(RichTextCorpus, ReaderShowsWhatLibreOfficeShows)
{
    QTemporaryDir dir;
    QStringList paths;
    for (const QString& f : corpusFiles())
        paths << kCorpus + u'/' + f;
    convertToText(dir, paths, dir.filePath("lo"));
    int accepted = 0;
    for (const QString& f : corpusFiles()) {
        const auto doc = readCorpusFile(f);
        accepted += compare(f, exportedLines(dir.filePath("lo/" + QString(f).replace(".rtf", ".txt"))),
                            normalised(shownLines(*doc, false)));
    }
    EXPECT_EQ(accepted, static_cast<int>(std::size(kAccepted)));  // every accepted difference still arises
}

// What the field text editor saves: read, then written by our writer, must
// read back in LibreOffice as it reads in ours, footnotes included.
TEST(RichTextCorpus, WhatWeWriteLibreOfficeReadsTheSame)
{
    QTemporaryDir dir;
    QStringList paths;
    std::map<QString, QStringList> ours;
    for (const QString& f : corpusFiles()) {
        const auto doc = readCorpusFile(f);
        QFile out(dir.filePath(f));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(writeRtf(*doc));
        paths << out.fileName();
        ours[f] = normalised(shownLines(*doc, true));
    }
    convertToText(dir, paths, dir.filePath("back"));
    for (const QString& f : corpusFiles())
        EXPECT_EQ(compare(f, exportedLines(dir.filePath("back/" + QString(f).replace(".rtf", ".txt"))), ours[f]), 0)
            << f.toStdString();
}
