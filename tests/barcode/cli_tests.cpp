// tarvik-barcode as a user runs it.

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun tool(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(TARVIK_BIN_DIR "/tarvik-barcode"), args);
    ToolRun r;
    if (!p.waitForFinished(30000))
        return r;
    r.exitCode = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

TEST(Cli, PrintsTheModuleString)
{
    const ToolRun r = tool({u"--checksum"_qs, u"--modules"_qs, u"590123412345"_qs});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(u"5052506")) << r.out.toStdString();
    EXPECT_EQ(r.out.trimmed().size(), 59);  // 95 modules in 59 elements
    const ToolRun c = tool({u"--type"_qs, u"Code_2_5_interleaved"_qs, u"--modules"_qs, u""_qs});
    EXPECT_EQ(c.out.trimmed(), u"5050605");
}

TEST(Cli, DrawsTheStationPicture)
{
    QTemporaryDir dir;
    const QString ean = dir.filePath(u"ean.bmp"_qs);
    ToolRun r = tool({u"--checksum"_qs, u"--out"_qs, ean, u"590123412345"_qs});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QImage(ean).size(), QSize(101, 82));

    const QString c128 = dir.filePath(u"c128.bmp"_qs);
    r = tool({u"--type"_qs, u"Code128B"_qs, u"--out"_qs, c128, u"Tarvik"_qs});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QImage(c128).size(), QSize(11 * 6 + 41, 82));

    const QString turned = dir.filePath(u"turned.bmp"_qs);
    r = tool({u"--checksum"_qs, u"--angle"_qs, u"90"_qs, u"--out"_qs, turned, u"590123412345"_qs});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QImage(turned).size(), QSize(80 + 6, 96 + 2));
}

TEST(Cli, EncodingErrorsExitWithOne)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(u"x.bmp"_qs);
    ToolRun r = tool({u"--out"_qs, out, u"ABC"_qs});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(u"Barcode must be numeric")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
    r = tool({u"--checksum"_qs, u"--modules"_qs, u"4820001201257"_qs});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(u"Invalid Text len (EAN13)"));
    r = tool({u"--type"_qs, u"CodeUPC_A"_qs, u"--checksum"_qs, u"--method"_qs, u"csmNone"_qs,
              u"--modules"_qs, u"12345678901"_qs});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(u"needs the check digit method csmModulo10"));
}

TEST(Cli, UsageErrorsExitWithTwo)
{
    EXPECT_EQ(tool({u"--type"_qs, u"EAN13"_qs, u"--modules"_qs, u"1"_qs}).exitCode, 2);
    EXPECT_EQ(tool({u"--method"_qs, u"csmModulo11"_qs, u"--modules"_qs, u"1"_qs}).exitCode, 2);
    EXPECT_EQ(tool({u"--angle"_qs, u"right"_qs, u"--modules"_qs, u"1"_qs}).exitCode, 2);
    EXPECT_EQ(tool({u"--modules"_qs}).exitCode, 2);
    EXPECT_EQ(tool({u"123"_qs}).exitCode, 2);
}

}  // namespace
