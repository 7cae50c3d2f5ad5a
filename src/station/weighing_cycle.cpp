#include "station/weighing_cycle.h"

#include "barcode/barcode_picture.h"
#include "data/database.h"
#include "data/run_journal.h"
#include "labels/barcode_content.h"
#include "labels/input_checks.h"
#include "labels/label_pages.h"
#include "model/station_model.h"
#include "platform/text/durable_file.h"
#include "platform/text/error.h"
#include "platform/ui/prompts.h"
#include "station/cycle_rules.h"

#include <QDate>
#include <QDir>
#include <QScopedValueRollback>
#include <QTimer>

#include <csignal>

namespace tarvik::station {

namespace {

const QString kLabel1Picture = QStringLiteral("Barcod1.bmp");
const QString kLabel2Picture = QStringLiteral("Barcod2.bmp");

// A field refused with its caption, so the operator knows what to fix.
template <class F>
auto named(const QString& field, F&& convert)
{
    try {
        return convert();
    } catch (const ConvertError& e) {
        throw ConvertError(QStringLiteral("%1: %2").arg(field, e.text()));
    }
}

// A barcode its symbology cannot draw ("'A' is not a valid integer value")
// is said with the label's barcode field and the content.
template <class F>
void drawn(int label, const QString& content, F&& draw)
{
    try {
        draw();
    } catch (const Error& e) {
        throw Error(QStringLiteral("Штрих код етикетки %1 (\"%2\") не вдалося намалювати: %3").arg(label).arg(content, e.text()));
    }
}

Currency valueOf(const MaskedDigits& field, const QString& caption)
{
    return named(caption, [&] { return Currency::fromText(field.trimmed()); });
}

// A test hook: TARVIK_KILL_AT names a step of the label run at which the
// station kills itself, so the fault tests cut a run where they choose.
void killPoint(const char* step)
{
    static const QByteArray at = qgetenv("TARVIK_KILL_AT");
    if (!at.isEmpty() && at == step)
        ::raise(SIGKILL);
}

const QString kTare1Caption = QStringLiteral("Поле \"Тара , гр.\" етикетки 1");
const QString kTare2Caption = QStringLiteral("Поле \"Тара , гр.\" етикетки 2");
const QString kPerBoxCaption = QStringLiteral("Поле \"Друкувати сумарну етикетку кожні\"");
const QString kZeroCaption = QStringLiteral("Поле \"Вага \"0\"\" (Weight_Zero)");

}  // namespace

WeighingCycle::WeighingCycle(QTimer& timer, model::StationModel& model) : timer_(timer), model_(model) {}

WeighingCycle::~WeighingCycle()
{
    // The windows told of new rows may be gone already. A commit that failed
    // leaves its run to the journal, for the next start.
    logRowWritten_ = nullptr;
    if (data::Database* db = model_.databaseOrNull()) {
        try {
            db->transaction().settle();
        } catch (const Error&) {
        }
    }
}

RunOutcome WeighingCycle::decide(Currency weight, bool stable)
{
    // A reading that arrives while a run prints (through a window's event
    // loop) belongs to the load being labelled.
    if (running_ || model_.offline())
        return RunOutcome::None;
    const std::int64_t zero =
        named(kZeroCaption, [&] { return zeroThreshold(model_.settings().weightZero.text()); });
    switch (weighingDecision(weight, stable, zero, PrintedFlag)) {
    case Decision::LabelRun:
        try {
            const QScopedValueRollback<bool> running(running_, true);
            if (holdBack(weight))
                return RunOutcome::HeldBack;
            LabelRun(weight);
            return RunOutcome::Done;
        } catch (const data::DatabaseError& e) {
            if (!e.isConnectionLost()) {
                ui::showCurrentError();
                return RunOutcome::Failed;
            }
            // Said once; the station weighs again by itself when the server is back.
            model_.connectionLost();
            ui::prompts().error(QStringLiteral("Немає зв'язку з базою даних: %1\n"
                                               "Зважування зупинено; станція відновить зв'язок сама і продовжить.")
                                    .arg(e.text()));
            return RunOutcome::Failed;
        } catch (...) {
            ui::showCurrentError();
            return RunOutcome::Failed;
        }
    case Decision::Rearm:
        PrintedFlag = false;
        model_.setLimitAlarm({});
        return RunOutcome::None;
    case Decision::Nothing:
        break;
    }
    return RunOutcome::None;
}

bool WeighingCycle::holdBack(Currency weight)
{
    const data::ProgSettings& s = model_.settings();
    const WeightLimits limits = weightLimits(s.netMin1, s.netMax1);
    if (!limits.min && !limits.max)
        return false;
    const Currency net = weight - valueOf(s.tara1, kTare1Caption);
    const LimitCheck check = checkWeightLimits(net, limits);
    if (check == LimitCheck::Within) {
        model_.setLimitAlarm({});
        return false;
    }
    model_.setLimitAlarm(limitAlarmText(check, net, limits));
    PrintedFlag = true;
    return true;
}

std::int64_t WeighingCycle::perBox() const
{
    const std::int64_t n = named(kPerBoxCaption, [&] { return textToInt64(model_.settings().sumEtic.trimmed()); });
    // No count of loads ever reaches 0 or less: no box would close.
    if (n <= 0)
        throw Error(QStringLiteral("%1 (Sum_etic): має бути більше 0, а не %2").arg(kPerBoxCaption).arg(n));
    return n;
}

void WeighingCycle::LabelRun(Currency weight)
{
    timer_.stop();
    model_.LoadSettings();
    labels::LabelPages& pages = model_.pages();
    const data::ProgSettings& s = model_.settings();
    // Every missing or bad setting at once, before anything is computed.
    // The box label's settings too: a box whose label cannot print must not
    // be begun, or its loads would be labelled and the box never closed.
    if (const auto bad = labels::stationSettingsMessage(
            labels::stationSettingsProblems(s, model_.startup(), model_.listLengths().products)))
        throw Error(*bad);

    const Currency gross = Currency::fromText(model_.weighing().weight.trimmed());
    const Currency tare1 = valueOf(s.tara1, kTare1Caption);
    const QString net = (gross - tare1).toText();
    const labels::ProductRecord product = pages.moveToProduct(1);
    const QString content = labels::labelBarcodeContent(
        1, s.bar1, net, product.name, product.barcode,
        {QDate::currentDate(), product.sellDate, model_.weighing().batch.text(), gross - tare1, product.price});
    const Currency price = [&] {
        try {
            return priceValue(product.price);
        } catch (const ConvertError& e) {
            throw Error(QStringLiteral("Ціна товару \"%1\": %2").arg(product.name.trimmed(), e.text()));
        }
    }();
    const QString cost = costText(weight, tare1, price);

    checkRun(weight, cost);

    // Each step is in the journal before the next one happens: a run cut short
    // anywhere is finished at the next start, or when the database is back.
    data::RunJournal& journal = model_.journal();
    const QString run = data::RunJournal::newRunId();
    const data::LogRow row = logRow(cost);
    journal.begin(run, row);
    killPoint("journal");
    try {
        drawn(1, content, [&] { pages.putBarcodePicture(1, content, kLabel1Picture, labels::kLabel1Barcode); });
        // On the disk before the label goes out: a run cut short after this
        // line is finished, one cut short before it left no label.
        pages.PrepareLabel(1, [&](const QString& file) {
            journal.printed(run, file);
            killPoint("released");
        });
    } catch (...) {
        // No label went out (a print that fails after the line above has not
        // released its label either): nothing of the run is left to finish.
        ui::guarded([&] { journal.end(run); });
        throw;
    }
    // The label is out: what fails from here on leaves the run to the journal.
    pages.loadPicture(1, labels::LabelPages::standbyPicture(1));
    killPoint("label1");

    data::Transaction& transaction = model_.database().transaction();
    // The last run's commit, if it is still on its way: a failed one stops
    // this run too, and both are finished from the journal.
    transaction.settle();
    model_.store().insertLogRowOnce(run, row);
    // The row records a label already printed: made permanent now, not by the
    // idle commit, which loads coming faster than its delay would put off
    // for ever.
    if (closesBox(model_.box().count, perBox())) {
        transaction.commitRetaining();
        rowCommitted(run);
        CloseBox(weight, run);
        journal.end(run);
    } else {
        // The disk takes the commit while the next load is weighed; the run
        // ends in the journal once the row is there. Until then the journal's
        // "printed" line stands for the row.
        CountLoad(weight);
        transaction.commitInBackground([this, run] {
            ui::guarded([&] {
                rowCommitted(run);
                model_.journal().end(run);
            });
        });
    }
    PrintedFlag = true;
    timer_.start();
}

void WeighingCycle::rowCommitted(const QString& run)
{
    // Where a power cut loses the unsynced "logged" line, the run's row is
    // found in the database at the next start.
    killPoint("committed");
    model_.journal().logged(run);
    killPoint("row");
    if (logRowWritten_)
        logRowWritten_();
}

void WeighingCycle::checkRun(Currency weight, const QString& cost)
{
    labels::LabelPages& pages = model_.pages();
    const data::ProgSettings& s = model_.settings();
    const std::int64_t n = perBox();
    // A count typed at or beyond the box size would never close the box.
    if (model_.box().count < 0 || model_.box().count >= n)
        throw Error(QStringLiteral("Поле \"Надруковано етикеток\": у коробці %1 етикеток, а коробка закривається "
                                   "після %2; виправте одне з полів у налаштуваннях")
                        .arg(model_.box().count)
                        .arg(n));
    const Currency mass = model_.box().mass + weight;
    data::StationStore& store = model_.store();
    pages.printers().checkPosition(s.printer1);
    // Its stand-by picture is put back between label 1 and the log row.
    pages.checkLabelFiles(1);

    // The box label's files are checked with every load, not only the last:
    // a box whose label cannot print must not be begun.
    pages.checkLabelFiles(2);
    if (closesBox(model_.box().count, n)) {
        store.boxNumber();
        // The new box number is saved there; a file that cannot take it would
        // use up numbers with no box label.
        checkWritable(model_.settingsPath());
        pages.printers().checkPosition(s.printer2);
        const Currency tare1 = valueOf(s.tara1, kTare1Caption);
        const Currency tare2 = valueOf(s.tara2, kTare2Caption);
        const labels::ProductRecord product2 = pages.moveToProduct(2);
        const QString content2 = labels::labelBarcodeContent(
            2, s.bar2, netBoxWeightText(mass, tare1, n, tare2), product2.name, product2.barcode,
            {QDate::currentDate(), product2.sellDate, model_.weighing().batch.text(),
             netBoxWeight(mass, tare1, n, tare2), product2.price});
        const labels::LabelSettings ls = model_.labelSettings();
        if (const auto chosen = labels::barcodeSettingsFor(labels::kLabel2Barcode, ls.barcode1, ls.barcode2))
            drawn(2, content2, [&] { barcode::MakeBarcodePicture(content2, *chosen); });
        pages.ComputeLabelValues(2);
    }
    // Label 1's values give the weight text the log row stores.
    pages.ComputeLabelValues(1);
    store.checkLogRow(logRow(cost));
}

data::LogRow WeighingCycle::logRow(const QString& cost) const
{
    data::LogRow row;
    row.name = model_.productName(1);
    row.date = QDate::currentDate();
    row.weight = model_.weighing().logWeightText;
    row.cost = cost;
    row.batch = model_.weighing().batch.text();
    row.scaleName = model_.settings().nameWeight;
    return row;
}

void WeighingCycle::showCounters()
{
    model::BoxDisplay d = model_.boxDisplay();
    d.count = intToText(model_.box().count);
    d.mass = model_.box().mass.toText();
    model_.setBoxDisplay(d);
}

void WeighingCycle::CountLoad(Currency weight)
{
    model::BoxState box = model_.box();
    box.mass = box.mass + weight;
    box.count += 1;
    model_.setBox(box);
    showCounters();
}

void WeighingCycle::CloseBox(Currency weight, const QString& run)
{
    model::BoxState box = model_.box();
    box.mass = box.mass + weight;
    model_.setBox(box);
    showCounters();
    data::RunJournal& journal = model_.journal();
    journal.box(run, box.mass.toText(), box.count + 1);
    takeBoxNumber(run);
    killPoint("box-number");
    model_.SaveSettings();
    PrintBoxLabel(run);
    killPoint("label2");
    model_.setBox({});
}

void WeighingCycle::takeBoxNumber(const QString& run)
{
    data::ProgSettings s = model_.settings();
    const qint64 number = AdvanceBoxNumber(run);
    model_.journal().numbered(run, number);
    s.numBox = MaskedDigits::of(intToText(number), s.numBox.places());
    model_.setSettings(s);
    model::BoxDisplay d = model_.boxDisplay();
    d.number = model_.settings().numBox.text();
    model_.setBoxDisplay(d);
}

void WeighingCycle::PrintBoxLabel(const QString& run)
{
    labels::LabelPages& pages = model_.pages();
    const data::ProgSettings& s = model_.settings();
    const std::int64_t n = perBox();
    const labels::ProductRecord product = pages.moveToProduct(2);
    const Currency tare2 = Currency::fromText(s.tara2.trimmed());
    const Currency tare1 = Currency::fromText(s.tara1.trimmed());
    const QString net = netBoxWeightText(model_.box().mass, tare1, n, tare2);
    const QString content = labels::labelBarcodeContent(
        2, s.bar2, net, product.name, product.barcode,
        {QDate::currentDate(), product.sellDate, model_.weighing().batch.text(),
         netBoxWeight(model_.box().mass, tare1, n, tare2), product.price});
    drawn(2, content, [&] { pages.putBarcodePicture(2, content, kLabel2Picture, labels::kLabel2Barcode); });
    // As with label 1, the line is on the disk before the label goes out: a
    // box label cut short before it is printed again at the next start, one
    // that went out is not.
    data::RunJournal& journal = model_.journal();
    bool lineWritten = false;
    try {
        pages.PrepareLabel(2, [&](const QString& file) {
            journal.boxPrinted(run, file);
            lineWritten = true;
            killPoint("box-released");
        });
    } catch (...) {
        if (lineWritten)
            ui::guarded([&] { journal.boxNotPrinted(run); });
        throw;
    }
    pages.loadPicture(2, labels::LabelPages::standbyPicture(2));
}

QStringList WeighingCycle::recover()
{
    QStringList report;
    labels::LabelPages& pages = model_.pages();
    const QStringList broken = pages.printers().removeBrokenJobs();
    if (!broken.isEmpty())
        report << QStringLiteral("Видалено недописані файли етикеток: %1.").arg(broken.join(QStringLiteral(", ")));
    // A write cut short left its new file beside the old one, which stayed whole.
    QDir folder(model_.programDir());
    for (const QString& left : folder.entryList({QStringLiteral("*.tmp-??????")}, QDir::Files))
        folder.remove(left);
    // A label whose unfinished file was still there never went out, though
    // its run says it was about to.
    auto wentOut = [&](const QString& file) { return file.isEmpty() || !broken.contains(file + QStringLiteral(".part")); };
    data::RunJournal& journal = model_.journal();
    for (const data::JournalRun& r : journal.unfinished()) {
        const QString what = QStringLiteral("\"%1\", вага %2").arg(r.row.name.trimmed(), r.row.weight);
        if (!r.printed || !wentOut(r.labelFile)) {
            report << QStringLiteral("Етикетку (%1) не надруковано: друк перервано. Зважте товар ще раз.").arg(what);
            journal.end(r.id);
            continue;
        }
        if (!r.logged) {
            // A row already there was committed before the step's line
            // reached the disk: nothing was cut short.
            const bool added = model_.store().insertLogRowOnce(r.id, r.row).added;
            model_.database().transaction().commitRetaining();
            journal.logged(r.id);
            if (added)
                report << QStringLiteral("Етикетку (%1) надруковано, а запис у журнал зважувань перервано: запис додано.")
                              .arg(what);
        }
        if (r.boxMass && (!r.boxPrinted || !wentOut(r.boxLabelFile))) {
            // The interrupted box closes now, with the mass it had.
            model_.setBox({std::max<std::int64_t>(r.loads - 1, 0), Currency::fromText(*r.boxMass)});
            takeBoxNumber(r.id);
            model_.SaveSettings();
            PrintBoxLabel(r.id);
            model_.setBox({});
            report << QStringLiteral("Закриття коробки перервано: надруковано етикетку коробки № %1.")
                          .arg(model_.settings().numBox.trimmed());
        }
        journal.end(r.id);
    }
    return report;
}

qint64 WeighingCycle::AdvanceBoxNumber(const QString& run)
{
    const qint64 number = model_.store().advanceBoxNumberOnce(run);
    // Committed at once: other stations wait on the box row while it is
    // uncommitted, and label 2 can take a while to print.
    model_.database().transaction().commitRetaining();
    return number;
}

}  // namespace tarvik::station
