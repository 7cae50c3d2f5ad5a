#include "platform/printing/printer_list.h"

#include "platform/text/error.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>

namespace tarvik::printing {
namespace {

// A document name as a file name: no folders, no control characters.
QString fileNamePart(const QString& documentName) {
    QString s = documentName;
    for (QChar& c : s)
        if (c == u'/' || c == u'\\' || c < u' ' || c == u':' || c == u'*' || c == u'?' || c == u'"' ||
            c == u'<' || c == u'>' || c == u'|')
            c = u'_';
    return s.isEmpty() ? QStringLiteral("document") : s;
}

}  // namespace

PrinterList::PrinterList(QString programDir) : programDir_(std::move(programDir)) {
    if (!programDir_.isEmpty() && !programDir_.endsWith(u'/'))
        programDir_ += u'/';
    refresh();
}

void PrinterList::refresh() {
    names_ = QPrinterInfo::availablePrinterNames();
    names_.removeAll(QString::fromLatin1(kPdfPrinterName));  // ours is always the last
    names_ << QString::fromLatin1(kPdfPrinterName);
    const QString systemDefault = QPrinterInfo::defaultPrinterName();
    const int found = systemDefault.isEmpty() ? -1 : static_cast<int>(names_.indexOf(systemDefault));
    default_ = found >= 0 && found < pdfIndex() ? found : pdfIndex();
}

QString PrinterList::pdfFolder() const { return programDir_ + QStringLiteral("PDF/"); }

void PrinterList::checkPosition(int position) const {
    const int index = position == -1 ? default_ : position;
    if (index < 0 || index >= count())
        throw Error(QStringLiteral("Printer position %1 is not in the printer list (%2 printers)")
                        .arg(position)
                        .arg(count()));
}

PrintJob PrinterList::print(const LabelPage& page, int position, const QString& documentName) const {
    checkPosition(position);
    const int index = position == -1 ? default_ : position;
    if (index == pdfIndex())
        return printToPdf(page, documentName);
    return printToSystem(page, names_[index], documentName);
}

PrintJob PrinterList::printToSystem(const LabelPage& page, const QString& name, const QString& documentName) const {
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    if (info.isNull())
        throw Error(QStringLiteral("The printer \"%1\" is no longer installed").arg(name));
    QPrinter printer(info, QPrinter::HighResolution);
    // Qt quietly takes the default printer for a name it cannot use.
    if (printer.printerName() != name || !printer.isValid())
        throw Error(QStringLiteral("The printer \"%1\" cannot be used (the system offers \"%2\")")
                        .arg(name, printer.printerName()));
    printer.setDocName(documentName);
    printer.setCreator(QStringLiteral("Tarvik"));
    printPage(printer, page);
    if (printer.printerState() == QPrinter::Error)
        throw Error(QStringLiteral("The printer \"%1\" failed to print \"%2\"").arg(name, documentName));
    return {name, {}};
}

PrintJob PrinterList::printToPdf(const LabelPage& page, const QString& documentName) const {
    const QString folder = pdfFolder();
    if (!QDir().mkpath(folder))
        throw Error(QStringLiteral("No printer can print: the printer \"%1\" cannot create the folder \"%2\"")
                        .arg(QLatin1String(kPdfPrinterName), folder));
    // The job number continues from the highest one in the folder.
    static const QRegularExpression numbered(QStringLiteral("^(\\d{6,})-.*\\.pdf$"));
    long long last = 0;
    for (const QString& f : QDir(folder).entryList(QDir::Files)) {
        const auto m = numbered.match(f);
        if (m.hasMatch())
            last = std::max(last, m.captured(1).toLongLong());
    }
    const QString name = fileNamePart(documentName);
    QString path;
    for (long long number = last + 1;; ++number) {
        path = folder + QStringLiteral("%1-%2.pdf").arg(number, 6, 10, QLatin1Char('0')).arg(name);
        QFile reserve(path);
        if (reserve.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            break;  // ours now; another station's job cannot take the same number
        if (!reserve.exists())
            throw Error(QStringLiteral("No printer can print: the printer \"%1\" cannot write \"%2\". %3")
                            .arg(QLatin1String(kPdfPrinterName), path, reserve.errorString()));
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setDocName(documentName);
    printer.setCreator(QStringLiteral("Tarvik"));
    try {
        printPage(printer, page);
    } catch (...) {
        QFile::remove(path);
        throw;
    }
    return {QString::fromLatin1(kPdfPrinterName), path};
}

}  // namespace tarvik::printing
