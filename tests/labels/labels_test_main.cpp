// main() for the label tests: widgets need an application (offscreen).

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER"))
        qputenv("CUPS_SERVER", TARVIK_BINARY_DIR "/no-cups.sock");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
