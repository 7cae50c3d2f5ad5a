// Print previews and widgets need a QApplication (offscreen in tests).
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests happens without the tests' environment: no display either way.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never the machine's own print queues: an absent scheduler unless a test starts its own.
    if (qEnvironmentVariableIsEmpty("CUPS_SERVER"))
        qputenv("CUPS_SERVER", TARVIK_BINARY_DIR "/no-cups.sock");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
