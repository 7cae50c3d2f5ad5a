// main() for the label tests: documents and pictures need a GUI application (offscreen), no widgets.

#include <QGuiApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER"))
        qputenv("CUPS_SERVER", TARVIK_BINARY_DIR "/no-cups.sock");
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
