#pragma once
// What the printing tests build and how they look at real output: a label
// page of three text boxes and a barcode picture, external tools (zint,
// pdfinfo, pdftotext, pdftoppm, zbarimg) run as processes.

#include "platform/printing/label_page.h"

#include <QByteArray>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QTextDocument>

#include <memory>
#include <vector>

namespace tarvik::printing::testing {

// Runs a tool; fails the test (and returns what it printed) when it cannot
// start or exits with an error.
QByteArray run(const QString& program, const QStringList& args, const QString& input = {});

// A barcode picture made by zint's command line (`symbology` as zint's -b).
QImage zintBarcode(const QString& folder, int symbology, const QString& data);

// The decoded contents zbarimg finds in a picture file.
QStringList decode(const QString& file);

// A word of pdftotext -bbox, in points.
struct Word {
    QString text;
    QRectF box;
};
std::vector<Word> pdfWords(const QString& pdf);
QString pdfPageSize(const QString& pdf);  // "150 x 240 pts"

// A 50 x 80 mm label: head, body (more lines than fit) and bottom text boxes,
// and the picture box.
struct SampleLabel {
    std::unique_ptr<QTextDocument> head, body, bottom;
    LabelPage page;
    static constexpr int kBodyLines = 20;
};
SampleLabel sampleLabel(const QImage& barcode);

}  // namespace tarvik::printing::testing
