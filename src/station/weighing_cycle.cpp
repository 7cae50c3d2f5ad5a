#include "station/weighing_cycle.h"

#include "barcode/barcode_picture.h"
#include "data/database.h"
#include "labels/barcode_content.h"
#include "labels/label_pages.h"
#include "model/station_model.h"
#include "platform/text/error.h"
#include "platform/ui/prompts.h"
#include "station/cycle_rules.h"

#include <QDate>
#include <QScopedValueRollback>
#include <QTimer>

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
        throw Error(QStringLiteral("%1: %2").arg(field, e.text()));
    }
}

Currency valueOf(const MaskedDigits& field, const QString& caption)
{
    return named(caption, [&] { return Currency::fromText(field.trimmed()); });
}

const QString kTare1Caption = QStringLiteral("Поле \"Тара , гр.\" етикетки 1");
const QString kTare2Caption = QStringLiteral("Поле \"Тара , гр.\" етикетки 2");
const QString kPerBoxCaption = QStringLiteral("Поле \"Друкувати сумарну етикетку кожні\"");

}  // namespace

WeighingCycle::WeighingCycle(QTimer& timer, model::StationModel& model) : timer_(timer), model_(model) {}

RunOutcome WeighingCycle::decide(Currency weight, bool stable)
{
    // A reading that arrives while a run prints (through a window's event
    // loop) belongs to the load being labelled.
    if (running_)
        return RunOutcome::None;
    const std::int64_t zero = zeroThreshold(model_.settings().weightZero.text());
    switch (weighingDecision(weight, stable, zero, PrintedFlag)) {
    case Decision::LabelRun:
        try {
            const QScopedValueRollback<bool> running(running_, true);
            LabelRun(weight);
            return RunOutcome::Done;
        } catch (...) {
            ui::showCurrentError();
            return RunOutcome::Failed;
        }
    case Decision::Rearm:
        PrintedFlag = false;
        return RunOutcome::None;
    case Decision::Nothing:
        break;
    }
    return RunOutcome::None;
}

std::int64_t WeighingCycle::perBox() const
{
    return named(kPerBoxCaption, [&] { return textToInt64(model_.settings().sumEtic.trimmed()); });
}

void WeighingCycle::LabelRun(Currency weight)
{
    timer_.stop();
    model_.LoadSettings();
    labels::LabelPages& pages = model_.pages();
    const data::ProgSettings& s = model_.settings();

    const Currency gross = Currency::fromText(model_.weighing().weight.trimmed());
    const Currency tare1 = valueOf(s.tara1, kTare1Caption);
    const QString net = (gross - tare1).toText();
    const labels::ProductRecord product = pages.moveToProduct(1);
    const QString content = labels::BuildBarcodeContent(s.bar1, net, product.barcode);
    const Currency price = [&] {
        try {
            return priceValue(product.price);
        } catch (const ConvertError& e) {
            throw Error(QStringLiteral("Ціна товару \"%1\": %2").arg(product.name.trimmed(), e.text()));
        }
    }();
    const QString cost = costText(weight, tare1, price);

    checkRun(weight, cost);

    pages.MakeBarcodePicture(content, kLabel1Picture, labels::kLabel1Barcode);
    pages.loadPicture(1, kLabel1Picture);
    pages.PrepareLabel(1);
    pages.loadPicture(1, labels::LabelPages::standbyPicture(1));

    model_.store().insertLogRow(logRow(cost));
    // The row records a label already printed: made permanent now, not by the
    // idle commit, which loads coming faster than its delay would put off
    // for ever.
    model_.database().transaction().commitRetaining();
    if (logRowWritten_)
        logRowWritten_();

    if (closesBox(model_.box().count, perBox()))
        CloseBox(weight);
    else
        CountLoad(weight);
    PrintedFlag = true;
    timer_.start();
}

void WeighingCycle::checkRun(Currency weight, const QString& cost)
{
    labels::LabelPages& pages = model_.pages();
    const data::ProgSettings& s = model_.settings();
    const std::int64_t n = perBox();
    const Currency mass = model_.box().mass + weight;
    data::StationStore& store = model_.store();
    pages.printers().checkPosition(s.printer1);
    // Its stand-by picture is put back between label 1 and the log row.
    pages.checkLabelFiles(1);

    if (closesBox(model_.box().count, n)) {
        store.boxNumber();
        pages.printers().checkPosition(s.printer2);
        pages.checkLabelFiles(2);
        const Currency tare1 = valueOf(s.tara1, kTare1Caption);
        const Currency tare2 = valueOf(s.tara2, kTare2Caption);
        const labels::ProductRecord product2 = pages.moveToProduct(2);
        const QString content2 =
            labels::BuildBarcodeContent(s.bar2, netBoxWeightText(mass, tare1, n, tare2), product2.barcode);
        const labels::LabelSettings ls = model_.labelSettings();
        if (const auto chosen = labels::barcodeSettingsFor(labels::kLabel2Barcode, ls.barcode1, ls.barcode2))
            barcode::MakeBarcodePicture(content2, *chosen);
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

void WeighingCycle::CloseBox(Currency weight)
{
    labels::LabelPages& pages = model_.pages();
    model::BoxState box = model_.box();
    box.mass = box.mass + weight;
    model_.setBox(box);
    showCounters();
    data::ProgSettings s = model_.settings();
    s.numBox = MaskedDigits::of(AdvanceBoxNumber(), s.numBox.places());
    model_.setSettings(s);
    model::BoxDisplay d = model_.boxDisplay();
    d.number = model_.settings().numBox.text();
    model_.setBoxDisplay(d);
    model_.SaveSettings();

    const std::int64_t n = perBox();
    const labels::ProductRecord product = pages.moveToProduct(2);
    const Currency tare2 = Currency::fromText(s.tara2.trimmed());
    const Currency tare1 = Currency::fromText(s.tara1.trimmed());
    const QString net = netBoxWeightText(model_.box().mass, tare1, n, tare2);
    const QString content = labels::BuildBarcodeContent(s.bar2, net, product.barcode);
    pages.MakeBarcodePicture(content, kLabel2Picture, labels::kLabel2Barcode);
    pages.loadPicture(2, kLabel2Picture);
    pages.PrepareLabel(2);
    pages.loadPicture(2, labels::LabelPages::standbyPicture(2));
    model_.setBox({});
}

QString WeighingCycle::AdvanceBoxNumber()
{
    const qint64 number = model_.store().advanceBoxNumber();
    // Committed at once: other stations wait on the box row while it is
    // uncommitted, and label 2 can take a while to print.
    model_.database().transaction().commitRetaining();
    return intToText(number);
}

}  // namespace tarvik::station
