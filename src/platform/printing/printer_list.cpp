#include "platform/printing/printer_list.h"

#include "platform/printing/pdf_page.h"
#include "platform/text/error.h"
#include "platform/text/job_thread.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <cups/cups.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace tarvik::printing {
namespace {

// The name a PDF has while it is written.
constexpr QLatin1StringView kPartSuffix(".part");

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

PrinterList::~PrinterList() = default;
PrinterList::PrinterList(PrinterList&&) noexcept = default;
PrinterList& PrinterList::operator=(PrinterList&&) noexcept = default;

void PrinterList::refresh() {
    names_ = QPrinterInfo::availablePrinterNames();
    names_.removeAll(QString::fromLatin1(kPdfPrinterName));  // ours is always the last
    names_ << QString::fromLatin1(kPdfPrinterName);
    const QString systemDefault = QPrinterInfo::defaultPrinterName();
    const int found = systemDefault.isEmpty() ? -1 : static_cast<int>(names_.indexOf(systemDefault));
    default_ = found >= 0 && found < pdfIndex() ? found : pdfIndex();
}

QString PrinterList::pdfFolder() const { return programDir_ + QStringLiteral("PDF/"); }

QStringList PrinterList::removeBrokenJobs() const {
    QStringList removed;
    QDir folder(pdfFolder());
    for (const QFileInfo& f : folder.entryInfoList({QStringLiteral("*.pdf.part"), QStringLiteral("*.pdf")}, QDir::Files)) {
        if (f.fileName().endsWith(kPartSuffix) || f.size() == 0) {
            if (QFile::remove(f.filePath()))
                removed << f.fileName();
        }
    }
    if (!removed.isEmpty())
        lastPdfJob_ = -1;
    return removed;
}

void PrinterList::checkPosition(int position) const {
    const int index = position == -1 ? default_ : position;
    if (index < 0 || index >= count())
        throw Error(QStringLiteral("Printer position %1 is not in the printer list (%2 printers)")
                        .arg(position)
                        .arg(count()));
}

namespace {

// A PDF is written under a name of its own and takes the job's name only
// when it is whole, so a killed or failed print never leaves a cut label.
// `beforeRelease` runs while the PDF goes to the disk: both waits at once.
void finishPdf(const QString& part, const QString& file, const BeforeRelease& beforeRelease, JobThread& syncer) {
    QFile f(part);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Етикетку \"%1\" не записано: %2").arg(file, f.errorString()));
    const qint64 size = f.size();
    f.seek(std::max<qint64>(0, size - 1024));
    if (size == 0 || !f.read(1024).contains("%%EOF"))
        throw Error(QStringLiteral("Етикетку \"%1\" записано не повністю (%2 байт): можливо, диск заповнено")
                        .arg(file)
                        .arg(size));
    auto sync = [fd = f.handle(), file] {
        if (::fsync(fd) != 0)
            throw Error(QStringLiteral("Етикетку \"%1\" не записано на диск: %2")
                            .arg(file, QString::fromLocal8Bit(std::strerror(errno))));
    };
    if (beforeRelease) {
        std::future<void> synced = syncer.start(sync);
        try {
            beforeRelease(QFileInfo(file).fileName());
        } catch (...) {
            synced.wait();
            throw;
        }
        synced.get();
    } else {
        sync();
    }
    f.close();
    if (::rename(QFile::encodeName(part).constData(), QFile::encodeName(file).constData()) != 0)
        throw Error(QStringLiteral("Етикетку \"%1\" не записано: %2").arg(file, QString::fromLocal8Bit(std::strerror(errno))));
}

}  // namespace

PrintJob PrinterList::print(const LabelPage& page, int position, const QString& documentName,
                            const BeforeRelease& beforeRelease) const {
    checkPosition(position);
    const int index = position == -1 ? default_ : position;
    if (index == pdfIndex()) {
        // The number is held by the unfinished file until the label is whole.
        const QString part = reservePdfFile(documentName, Reserve::Part);
        const QString file = part.chopped(kPartSuffix.size());
        try {
            try {
                writePagePdf(page, part, documentName);
            } catch (const Error& e) {
                throw Error(QStringLiteral("Етикетку \"%1\" не записано: %2").arg(file, e.text()));
            }
            if (!syncer_)
                syncer_ = std::make_unique<JobThread>();
            finishPdf(part, file, beforeRelease, *syncer_);
            // Our own job changed the folder; the next one need not list it
            // again (a number another station took meanwhile is skipped).
            std::error_code ec;
            pdfFolderStamp_ = std::filesystem::last_write_time(std::filesystem::path(pdfFolder().toStdU16String()), ec);
            if (ec)
                lastPdfJob_ = -1;
        } catch (...) {
            QFile::remove(part);
            throw;
        }
        return {QString::fromLatin1(kPdfPrinterName), file};
    }
    const QString& name = names_[index];
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    if (info.isNull())
        throw Error(QStringLiteral("The printer \"%1\" is no longer installed").arg(name));
    // The queue gets the PDF as Qt would hand it over: the printer's own
    // paper of the label's size where it has one, else the size itself.
    const QPageSize size = pageSizeOf(page);
    QString media = size.key();
    for (const QPageSize& offered : info.supportedPageSizes())
        if (offered.isEquivalentTo(size))
            media = offered.key();
    QTemporaryFile pdf(QDir::tempPath() + QStringLiteral("/tarvik-XXXXXX.pdf"));
    if (!pdf.open())
        throw Error(QStringLiteral("The printer \"%1\" failed to print \"%2\": %3")
                        .arg(name, documentName, pdf.errorString()));
    writePagePdf(page, pdf, documentName);
    if (!pdf.flush())
        throw Error(QStringLiteral("The printer \"%1\" failed to print \"%2\": %3")
                        .arg(name, documentName, pdf.errorString()));
    if (beforeRelease)
        beforeRelease({});
    cups_option_t* options = nullptr;
    const int count = cupsAddOption("media", media.toUtf8().constData(), 0, &options);
    const int id = cupsPrintFile(name.toLocal8Bit().constData(), QFile::encodeName(pdf.fileName()).constData(),
                                 documentName.toLocal8Bit().constData(), count, options);
    cupsFreeOptions(count, options);
    if (id <= 0)
        throw Error(QStringLiteral("The printer \"%1\" failed to print \"%2\": %3")
                        .arg(name, documentName, QString::fromLocal8Bit(cupsLastErrorString())));
    return {name, {}};
}

PrintJob PrinterList::setUpPrinter(QPrinter& printer, int position, const QString& documentName) const {
    checkPosition(position);
    const int index = position == -1 ? default_ : position;
    printer.setDocName(documentName);
    printer.setCreator(QStringLiteral("Tarvik"));
    if (index == pdfIndex()) {
        const QString path = reservePdfFile(documentName, Reserve::Pdf);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        return {QString::fromLatin1(kPdfPrinterName), path};
    }
    const QString& name = names_[index];
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    if (info.isNull())
        throw Error(QStringLiteral("The printer \"%1\" is no longer installed").arg(name));
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setPrinterName(name);
    // Qt quietly takes the default printer for a name it cannot use.
    if (printer.printerName() != name || !printer.isValid())
        throw Error(QStringLiteral("The printer \"%1\" cannot be used (the system offers \"%2\")")
                        .arg(name, printer.printerName()));
    return {name, {}};
}

QString PrinterList::reservePdfFile(const QString& documentName, Reserve kind) const {
    const QString folder = pdfFolder();
    if (!QDir().mkpath(folder))
        throw Error(QStringLiteral("No printer can print: the printer \"%1\" cannot create the folder \"%2\"")
                        .arg(QLatin1String(kPdfPrinterName), folder));
    std::error_code ec;
    const std::filesystem::path folderPath(folder.toStdU16String());
    if (lastPdfJob_ < 0 || std::filesystem::last_write_time(folderPath, ec) != pdfFolderStamp_ || ec) {
        // The job number continues from the highest one in the folder.
        static const QRegularExpression numbered(QStringLiteral("^(\\d{6,})-.*\\.pdf(\\.part)?$"));
        lastPdfJob_ = 0;
        for (const QString& f : QDir(folder).entryList(QDir::Files)) {
            const auto m = numbered.match(f);
            if (m.hasMatch())
                lastPdfJob_ = std::max(lastPdfJob_, m.captured(1).toLongLong());
        }
    }
    const QString name = fileNamePart(documentName);
    for (long long number = lastPdfJob_ + 1;; ++number) {
        const QString pdf = folder + QStringLiteral("%1-%2.pdf").arg(number, 6, 10, QLatin1Char('0')).arg(name);
        const QString part = pdf + kPartSuffix;
        const QString& path = kind == Reserve::Part ? part : pdf;
        QFile reserve(path);
        if (reserve.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            reserve.close();
            // A job of the other kind may hold the number under its other
            // name; each checks after it created its own, so one of two at
            // once gives way.
            if (QFileInfo::exists(kind == Reserve::Part ? pdf : part)) {
                QFile::remove(path);
                continue;
            }
            lastPdfJob_ = number;
            pdfFolderStamp_ = std::filesystem::last_write_time(folderPath, ec);
            if (ec)
                lastPdfJob_ = -1;  // no stamp: list the folder next time
            return path;  // ours now; another job cannot take the same number
        }
        if (!reserve.exists())
            throw Error(QStringLiteral("No printer can print: the printer \"%1\" cannot write \"%2\". %3")
                            .arg(QLatin1String(kPdfPrinterName), path, reserve.errorString()));
    }
}

}  // namespace tarvik::printing
