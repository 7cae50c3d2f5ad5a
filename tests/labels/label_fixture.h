#pragma once
// A station folder with the label pages over fake settings and main-window
// fields, optionally with a real database holding a product catalogue, and
// the outside tools that look at what was printed.

#include "data/database.h"
#include "data/datasets.h"
#include "labels/label_pages.h"
#include "labels/station_files.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <cstdio>
#include <memory>

namespace tarvik::labels::testing {

struct FakeSettings : LabelSettingsView {
    LabelSettings s;
    data::TableDataset* table = nullptr;
    LabelSettings labelSettings() const override { return s; }
    data::TableDataset* productTable() override { return table; }
};

struct FakeMain : MainFields {
    QString weight = QStringLiteral("1234");
    QString batch = QStringLiteral("2    ");
    QString place = QStringLiteral("4    ");
    QString log = QStringLiteral("untouched");
    QString weightText() const override { return weight; }
    QString batchText() const override { return batch; }
    QString placeText() const override { return place; }
    void setLogWeightText(const QString& t) override { log = t; }
};

inline LabelSettings demoSettings()
{
    LabelSettings s;
    s.tara1 = QStringLiteral("50   ");
    s.tara2 = QStringLiteral("500  ");
    s.perBox = QStringLiteral("30   ");
    s.heads = QStringLiteral("3    ");
    s.numBox = QStringLiteral("8              ");
    s.boxMass = QStringLiteral("30000");
    s.barTemplate1 = QStringLiteral("482CCCCCWWWW");
    s.barTemplate2 = QStringLiteral("482CCCCCWWWWW");
    s.barcode1 = {barcode::bcCodeEAN13, true, barcode::csmModulo10, 0.0};
    s.barcode2 = {barcode::bcCode128B, false, barcode::csmNone, 0.0};
    s.product1 = 0;
    s.product2 = 1;
    return s;
}

// Runs a tool and returns its standard output; fails the test when it cannot
// run or reports an error.
inline QByteArray run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000) || !p.waitForFinished(60000)) {
        ADD_FAILURE() << program.toStdString() << " did not run";
        return {};
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        ADD_FAILURE() << program.toStdString() << " failed: " << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
}

inline QString pdfText(const QString& pdf)
{
    return QString::fromUtf8(run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}));
}

inline QString pdfPageSize(const QString& pdf)
{
    const QString info = QString::fromUtf8(run(QStringLiteral("pdfinfo"), {pdf}));
    for (const QString& line : info.split(u'\n'))
        if (line.startsWith(QStringLiteral("Page size:")))
            return line.mid(10).trimmed();
    return {};
}

// The page as a PNG at `dpi`; returns the PNG's path.
inline QString pdfToPng(const QString& pdf, int dpi = 300)
{
    const QString base = pdf.chopped(4) + QStringLiteral("-page");
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                                     QStringLiteral("-singlefile"), pdf, base});
    return base + QStringLiteral(".png");
}

inline QStringList decode(const QString& picture)
{
    QProcess p;
    p.start(QStringLiteral("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("-q"), picture});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

class StationLabels {
    QTemporaryDir dir_;  // first made, last removed

public:
    explicit StationLabels(bool withResources = true)
    {
        // For looking at the printed labels by hand.
        if (qEnvironmentVariableIsSet("LABELS_KEEP_OUTPUT")) {
            dir_.setAutoRemove(false);
            std::fprintf(stderr, "station folder kept: %s\n", qPrintable(programDir()));
        }
        QDir().mkpath(programDir());
        if (withResources)
            installMissingStationFiles(programDir(), QStringLiteral(TARVIK_SOURCE_DIR "/resources/station"));
        settings.s = demoSettings();
        pages = std::make_unique<LabelPages>(programDir(), settings, main);
        settings.s.printer1 = settings.s.printer2 = pages->printers().pdfIndex();
    }

    // Both labels laid out from their files and their templates loaded, as the
    // settings dialog's creation leaves them.
    void prepareLabels()
    {
        pages->layOutLabels();
        pages->LoadLabelTemplates();
    }

    QString programDir() const { return dir_.path() + QStringLiteral("/LINE/BIN/"); }
    QString path(const QString& name) const { return programDir() + name; }
    void write(const QString& name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QStringList pdfs() const { return QDir(pages->printers().pdfFolder()).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name); }

    // A catalogue of three products: label 1's, label 2's and one with empty fields.
    void openCatalogue()
    {
        db = data::Database::openOrCreate({data::stationDatabasePath(programDir())});
        data::PreparedStatement insert(*db, QStringLiteral(
            "INSERT INTO TOBAP (ID_TOB, NAME, SKLAD, BARCOD, PRICE, SELL_DATE, TEXT1, TEXT2, TEXT3, TEXT4, TEXT5, "
            "TEXT6, TEXT7, TEXT8) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        insert.execute({1, QStringLiteral("Сир Голландський"), QStringLiteral("Зберігати при +2..+6 °C"),
                         QStringLiteral("12"), QStringLiteral("12.5"), QStringLiteral("30"), QStringLiteral(" ДСТУ 6003 "),
                         QStringLiteral("Жирність 45%"), QVariant(), QStringLiteral("ТОВ Тарвік"), QStringLiteral("м. Київ"),
                         QStringLiteral("т. 044 000 00 00"), QStringLiteral("Виготовлено в Україні"), QStringLiteral("Без ГМО")});
        insert.execute({2, QStringLiteral("Коробка сиру"), QStringLiteral("Ящик 30 шт."), QStringLiteral("777"),
                         QStringLiteral("10"), QStringLiteral("60"), QVariant(), QVariant(), QVariant(), QVariant(),
                         QVariant(), QVariant(), QVariant(), QVariant()});
        insert.execute({3, QStringLiteral("Без ціни"), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(),
                         QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QVariant()});
        table = std::make_unique<data::TableDataset>(*db, QStringLiteral("TOBAP"), QStringLiteral("ID_TOB"));
        table->open();
        settings.table = table.get();
    }

    qint64 logRows()
    {
        data::PreparedStatement count(*db, QStringLiteral("SELECT COUNT(*) FROM DB_ZVIT"));
        return count.select().at(0).at(0).toLongLong();
    }

    FakeSettings settings;
    FakeMain main;
    std::unique_ptr<data::Database> db;
    std::unique_ptr<data::TableDataset> table;
    std::unique_ptr<LabelPages> pages;
};

}  // namespace tarvik::labels::testing
