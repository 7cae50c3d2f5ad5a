// main() for the reports tests: widgets need an application object, and the
// embedded database engine keeps its lock and temp folders in this build.

#include <QApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no application (and runs without the test
    // environment, where it could not start one).
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    for (const char* name : {"FIREBIRD_LOCK", "FIREBIRD_TMP"}) {
        if (qEnvironmentVariableIsEmpty(name)) {
            const QString dir =
                QStringLiteral(REPORTS_TEST_STATE_DIR "/fb-") + QString::fromLatin1(name).mid(9).toLower();
            QDir().mkpath(dir);
            qputenv(name, QFile::encodeName(dir));
        }
    }
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
