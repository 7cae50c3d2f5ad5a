// Fuzzes the rich-text reader: any input must be read or refused with
// tarvik::Error, never crash or hang; what it read must write and read back.

#include "platform/richtext/rtf_reader.h"
#include "platform/richtext/rtf_writer.h"
#include "platform/text/error.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);  // fonts need it; it lives for the whole run
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QTextDocument doc;
    try {
        tarvik::richtext::readRtf(input, doc);
    } catch (const tarvik::Error&) {
        return 0;
    }
    const QByteArray written = tarvik::richtext::writeRtf(doc);
    QTextDocument back;
    tarvik::richtext::readRtf(written, back);  // our own output is never refused
    if (back.toPlainText() != doc.toPlainText()) {
        // The round trip lost text: say what, then stop as a finding.
        std::fprintf(stderr, "read:    %s\nwritten: %s\nreread:  %s\n", qPrintable(doc.toPlainText()),
                     written.constData(), qPrintable(back.toPlainText()));
        std::abort();
    }
    return 0;
}
