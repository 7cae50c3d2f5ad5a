#include "platform/printing/print_checks.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTextCursor>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace tarvik::printing::testing {

QByteArray run(const QString& program, const QStringList& args, const QString& input) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted()) {
        ADD_FAILURE() << program.toStdString() << " is not installed";
        return {};
    }
    if (!input.isEmpty())
        p.write(input.toUtf8());
    p.closeWriteChannel();
    if (!p.waitForFinished(120000)) {
        ADD_FAILURE() << program.toStdString() << " did not finish";
        p.kill();
        return {};
    }
    const QByteArray out = p.readAllStandardOutput();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        ADD_FAILURE() << program.toStdString() << ' ' << args.join(' ').toStdString() << " failed: "
                      << p.readAllStandardError().toStdString();
    return out;
}

QImage zintBarcode(const QString& folder, int symbology, const QString& data) {
    const QString file = folder + QStringLiteral("/barcode-%1.bmp").arg(symbology);
    // One pixel per module, as the station's own pictures are.
    run("zint", {"-b", QString::number(symbology), "-d", data, "--notext", "--scale=0.5", "--filetype=bmp", "-o", file});
    QImage image(file);
    EXPECT_FALSE(image.isNull()) << "zint wrote no picture";
    return image;
}

QStringList decode(const QString& file) {
    QProcess p;
    p.start("zbarimg", {"--raw", "-q", file});
    if (!p.waitForStarted() || !p.waitForFinished(60000)) {
        ADD_FAILURE() << "zbarimg (zbar-tools) is not installed or hangs";
        return {};
    }
    // zbarimg exits with 4 when it finds nothing: that is an answer, not a failure.
    return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

std::vector<Word> pdfWords(const QString& pdf) {
    const QByteArray html = run("pdftotext", {"-bbox", pdf, "-"});
    std::vector<Word> words;
    QXmlStreamReader r(html);
    while (!r.atEnd()) {
        if (r.readNext() == QXmlStreamReader::StartElement && r.name() == u"word") {
            const auto a = r.attributes();
            const QPointF tl(a.value("xMin").toDouble(), a.value("yMin").toDouble());
            const QPointF br(a.value("xMax").toDouble(), a.value("yMax").toDouble());
            words.push_back({r.readElementText(), QRectF(tl, br)});
        }
    }
    return words;
}

QString pdfPageSize(const QString& pdf) {
    const QString info = QString::fromUtf8(run("pdfinfo", {pdf}));
    static const QRegularExpression re(QStringLiteral("Page size:\\s+([0-9.]+ x [0-9.]+ pts)"));
    return re.match(info).captured(1);
}

SampleLabel sampleLabel(const QImage& barcode) {
    SampleLabel s;
    auto doc = [](const QString& text, double points, bool bold) {
        auto d = std::make_unique<QTextDocument>();
        QTextCharFormat f;
        f.setFontFamilies(QStringList{"Liberation Sans"});
        f.setFontPointSize(points);
        f.setFontWeight(bold ? QFont::Bold : QFont::Normal);
        QTextCursor(d.get()).insertText(text, f);
        return d;
    };
    s.head = doc(QString::fromUtf8("ЗАГОЛОВОК"), 12, true);
    QStringList lines;
    for (int i = 1; i <= SampleLabel::kBodyLines; ++i)
        lines << QString::fromUtf8("Рядок%1").arg(i);
    s.body = doc(lines.join('\n'), 9, false);
    s.bottom = doc(QString::fromUtf8("Підпис"), 10, false);

    s.page.size = QSizeF(200, 320);
    s.page.bandHeight = 320;
    s.page.texts = {
        {QRectF(8, 8, 184, 40), s.head.get(), true, Qt::white},
        {QRectF(8, 56, 184, 60), s.body.get(), true, Qt::white},
        {QRectF(8, 270, 184, 40), s.bottom.get(), true, Qt::white},
    };
    s.page.pictures = {{QRectF(8, 130, 184, 120), barcode, true, true, true}};
    return s;
}

}  // namespace tarvik::printing::testing
