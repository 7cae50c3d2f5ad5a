// LibreOffice reads what the field text editor writes: bullets and the three
// alignments set with the editor's buttons come back from LibreOffice's own
// rich text, opened in the editor again.

#include "dialogs/field_editor_fixture.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextList>

using namespace tarvik::dialogs::testing;

namespace {

// LibreOffice converts `file` to `format` into `outDir`; returns the new file.
QString convert(const QString& file, const QString& format, const QString& outDir, const QString& profile)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("soffice"),
            {QStringLiteral("-env:UserInstallation=file://") + profile, QStringLiteral("--headless"),
             QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"), outDir, file});
    if (!p.waitForStarted(10000)) {
        ADD_FAILURE() << "soffice (libreoffice-writer-nogui) is not installed";
        return {};
    }
    if (!p.waitForFinished(180000))
        ADD_FAILURE() << "soffice did not finish";
    return outDir + u'/' + QFileInfo(file).completeBaseName() + u'.' + format.section(u':', 0, 0);
}

class FieldEditorOracle : public FieldEditorFixture {
protected:
    QTemporaryDir work;
};

}  // namespace

TEST_F(FieldEditorOracle, BulletsAndAlignmentsSurviveLibreOfficeAndComeBackIntoTheEditor)
{
    edit(1, kBody, [&] {
        editBox()->setPlainText(QStringLiteral("Склад:\nмолоко\nсіль\nВиготовлено в Україні\nТОВ Тарвік\nм. Київ"));
        select(8, 10);  // "молоко" and "сіль"
        click("TBNumb");
        select(20, 0);
        click("TBCenter");
        select(42, 0);
        click("TBRight");
        select(0, 0);
        click("TBLeft");
    });
    const QString ours = st.path(QStringLiteral("Body_1.rtf"));
    const QString profile = work.filePath(QStringLiteral("profile"));
    QDir().mkpath(work.filePath(QStringLiteral("out")));
    const QString text =
        convert(ours, QStringLiteral("txt:Text (encoded):UTF8"), work.filePath(QStringLiteral("out")), profile);
    QFile plain(text);
    ASSERT_TRUE(plain.open(QIODevice::ReadOnly)) << text.toStdString();
    const QString read = QString::fromUtf8(plain.readAll());
    for (const char* line : {"Склад:", "молоко", "сіль", "Виготовлено в Україні", "ТОВ Тарвік", "м. Київ"})
        EXPECT_TRUE(read.contains(QString::fromUtf8(line))) << line << "\n" << read.toStdString();

    // LibreOffice's own rich text, opened in the editor as the block's template.
    const QString theirs = convert(ours, QStringLiteral("rtf"), work.filePath(QStringLiteral("out")), profile);
    ASSERT_TRUE(QFileInfo::exists(theirs));
    ASSERT_TRUE(QFile::remove(ours));
    ASSERT_TRUE(QFile::copy(theirs, ours));
    edit(1, kBody, [&] {
        QTextDocument& doc = *editBox()->document();
        ASSERT_GE(doc.blockCount(), 6);
        auto block = [&](int i) { return doc.findBlockByNumber(i); };
        EXPECT_EQ(block(0).text(), QStringLiteral("Склад:"));
        EXPECT_EQ(block(0).textList(), nullptr);
        ASSERT_NE(block(1).textList(), nullptr);
        EXPECT_EQ(block(1).textList(), block(2).textList());
        EXPECT_EQ(block(1).text(), QStringLiteral("молоко"));
        EXPECT_EQ(block(3).textList(), nullptr);
        struct Case {
            int paragraph;
            const char* down;
        } cases[] = {{0, "TBLeft"}, {1, "TBLeft"}, {3, "TBCenter"}, {4, "TBRight"}, {5, "TBLeft"}};
        for (const Case& c : cases) {
            select(block(c.paragraph).position(), 0);
            EXPECT_TRUE(child<QToolButton>(c.down)->isChecked()) << c.paragraph << " " << c.down;
        }
    });
}
