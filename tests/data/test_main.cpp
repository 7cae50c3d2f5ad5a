// main() for the database tests: the idle commit runs on the event loop.

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // The embedded engine's lock and temp folders belong to this build, not
    // to /tmp/firebird, which a server package may own.
    for (const char* name : {"FIREBIRD_LOCK", "FIREBIRD_TMP"}) {
        if (qEnvironmentVariableIsEmpty(name)) {
            const QString dir = QStringLiteral(DATA_TEST_STATE_DIR "/fb-") + QString::fromLatin1(name).mid(9).toLower();
            QDir().mkpath(dir);
            qputenv(name, QFile::encodeName(dir));
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
