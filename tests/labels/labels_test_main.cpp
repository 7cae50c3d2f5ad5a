// main() for the label tests: widgets (offscreen), the embedded database
// engine's lock and temp folders inside this build.

#include <QApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    for (const char* name : {"FIREBIRD_LOCK", "FIREBIRD_TMP"}) {
        if (qEnvironmentVariableIsEmpty(name)) {
            const QString dir = QStringLiteral(LABELS_TEST_STATE_DIR "/fb-") + QString::fromLatin1(name).mid(9).toLower();
            QDir().mkpath(dir);
            qputenv(name, QFile::encodeName(dir));
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER"))
        qputenv("CUPS_SERVER", TARVIK_BINARY_DIR "/no-cups.sock");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
