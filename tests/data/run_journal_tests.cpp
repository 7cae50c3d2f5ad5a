#include "data/run_journal.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tarvik::data;

namespace {

LogRow sampleRow()
{
    return LogRow{QStringLiteral("Сир\tГолландський"), QDate(2026, 12, 10), QStringLiteral("0,30"),
                  QStringLiteral("56,85"), QStringLiteral("2"), QStringLiteral("Ваги 1")};
}

QByteArray fileText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void append(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(bytes);
}

}  // namespace

// What a run left behind, step by step, as the next start reads it.
TEST(RunJournal, UnfinishedRunsTellHowFarTheyGot)
{
    QTemporaryDir dir;
    RunJournal journal(dir.path() + u'/');
    journal.begin(QStringLiteral("a"), sampleRow());
    journal.printed(QStringLiteral("a"), QStringLiteral("000007-label1.pdf"));
    journal.begin(QStringLiteral("b"), sampleRow());
    journal.printed(QStringLiteral("b"));  // a system printer
    journal.logged(QStringLiteral("b"));
    journal.box(QStringLiteral("b"), QStringLiteral("3,50"), 3);
    journal.numbered(QStringLiteral("b"), 12);
    journal.boxPrinted(QStringLiteral("b"));
    journal.begin(QStringLiteral("c"), sampleRow());
    journal.end(QStringLiteral("c"));
    // Label 2 by "Tarvik PDF", and one whose print failed after its line.
    for (const char* id : {"d", "e"}) {
        journal.begin(QString::fromLatin1(id), sampleRow());
        journal.printed(QString::fromLatin1(id), QStringLiteral("000009-label1.pdf"));
        journal.box(QString::fromLatin1(id), QStringLiteral("1,00"), 1);
        journal.numbered(QString::fromLatin1(id), 13);
        journal.boxPrinted(QString::fromLatin1(id), QStringLiteral("000010-label2.pdf"));
    }
    journal.boxNotPrinted(QStringLiteral("e"));

    const auto runs = journal.unfinished();
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[0].id, QStringLiteral("a"));
    EXPECT_EQ(runs[0].row.name, sampleRow().name);
    EXPECT_EQ(runs[0].row.date, sampleRow().date);
    EXPECT_TRUE(runs[0].printed);
    EXPECT_EQ(runs[0].labelFile, QStringLiteral("000007-label1.pdf"));
    EXPECT_FALSE(runs[0].logged);
    EXPECT_TRUE(runs[1].printed);
    EXPECT_EQ(runs[1].labelFile, QString());
    EXPECT_TRUE(runs[1].logged);
    EXPECT_EQ(runs[1].boxMass, QStringLiteral("3,50"));
    EXPECT_EQ(runs[1].loads, 3);
    EXPECT_EQ(runs[1].number, 12);
    EXPECT_TRUE(runs[1].boxPrinted);
    EXPECT_EQ(runs[1].boxLabelFile, QString());
    EXPECT_TRUE(runs[2].boxPrinted);
    EXPECT_EQ(runs[2].boxLabelFile, QStringLiteral("000010-label2.pdf"));
    EXPECT_FALSE(runs[3].boxPrinted);
    EXPECT_EQ(runs[3].boxLabelFile, QString());
    EXPECT_EQ(runs[3].number, 13);

    // The last one's end empties the journal.
    for (const char* id : {"a", "b", "d"})
        journal.end(QString::fromLatin1(id));
    EXPECT_FALSE(fileText(dir.path() + QStringLiteral("/RunJournal.log")).isEmpty());
    journal.end(QStringLiteral("e"));
    EXPECT_TRUE(fileText(dir.path() + QStringLiteral("/RunJournal.log")).isEmpty());
}

// A line cut short by a power cut or a full disk is a step that did not
// happen: its run is not begun, its label did not go out.
TEST(RunJournal, ALastLineWithoutItsLineEndDidNotHappen)
{
    struct Case {
        const char* what;
        QByteArray tail;  // written after a whole "run" line of run "a"
        bool aPrinted;
        int runs;
    };
    const Case cases[] = {
        {"a whole printed line", "printed\ta\t000001-label1.pdf\n", true, 1},
        {"printed cut in its file name", "printed\ta\t000001-lab", false, 1},
        {"printed cut after the step", "printed", false, 1},
        {"a second run cut in its scale name", "run\tb\t2026-12-10\tСир\t0,30\t56,85\t2\tВаг", false, 1},
        {"a second run whole", "run\tb\t2026-12-10\tСир\t0,30\t56,85\t2\tВаги 1\n", false, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        {
            RunJournal journal(dir.path() + u'/');
            journal.begin(QStringLiteral("a"), sampleRow());
        }
        append(dir.path() + QStringLiteral("/RunJournal.log"), c.tail);
        const auto runs = RunJournal(dir.path() + u'/').unfinished();
        ASSERT_EQ(int(runs.size()), c.runs);
        EXPECT_EQ(runs[0].printed, c.aPrinted);
        if (c.runs == 2) {
            EXPECT_EQ(runs[1].row.scaleName, QStringLiteral("Ваги 1"));
        }
    }
}
