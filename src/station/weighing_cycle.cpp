#include "station/weighing_cycle.h"

#include "barcode/barcode_picture.h"
#include "dialogs/settings_dialog.h"
#include "labels/barcode_content.h"
#include "platform/text/error.h"
#include "platform/ui/masked_edit.h"
#include "platform/ui/prompts.h"
#include "reports/reports_window.h"
#include "station/cycle_rules.h"
#include "station/main_window.h"
#include "station/windows.h"

#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QTimer>

namespace tarvik::station {

namespace {

const QString kLabel1Picture = QStringLiteral("Barcod1.bmp");
const QString kLabel2Picture = QStringLiteral("Barcod2.bmp");

Currency value(const QString& text)
{
    return Currency::fromText(text.trimmed());
}

// A field refused with its caption, so the operator knows what to fix.
std::int64_t countOf(const QString& text, const QString& field)
{
    try {
        return textToInt64(text.trimmed());
    } catch (const EConvertError& e) {
        throw Error(QStringLiteral("%1: %2").arg(field, e.text()));
    }
}

Currency valueOf(const QString& text, const QString& field)
{
    try {
        return value(text);
    } catch (const EConvertError& e) {
        throw Error(QStringLiteral("%1: %2").arg(field, e.text()));
    }
}

const QString kTare1Caption = QStringLiteral("Поле \"Тара , гр.\" етикетки 1");
const QString kTare2Caption = QStringLiteral("Поле \"Тара , гр.\" етикетки 2");
const QString kPerBoxCaption = QStringLiteral("Поле \"Друкувати сумарну етикетку кожні\"");
const QString kCountCaption = QStringLiteral("Поле \"Надруковано етикеток\"");
const QString kMassCaption = QStringLiteral("Поле \"Сумарна масса\"");

}  // namespace

WeighingCycle::WeighingCycle(TfrMain& main) : main_(main) {}

TfrSetting& WeighingCycle::settings() const
{
    if (!frSetting)
        throw Error(QStringLiteral("Вікно налаштувань не створено"));
    return *frSetting;
}

RunOutcome WeighingCycle::decide(Currency weight, bool stable)
{
    // A reading that arrives while a run prints (through a window's event
    // loop) belongs to the load being labelled.
    if (running_)
        return RunOutcome::None;
    const std::int64_t zero = zeroThreshold(settings().EditZero->text());
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
    return countOf(settings().Edit3->text(), kPerBoxCaption);
}

std::int64_t WeighingCycle::counted() const
{
    return countOf(settings().Edit7->text(), kCountCaption);
}

void WeighingCycle::LabelRun(Currency weight)
{
    main_.Timer->stop();
    settings().LoadSettings();
    if (!settings().Pages)
        throw Error(QStringLiteral("Етикетки не підготовлено: вікно налаштувань не створено до кінця"));
    labels::LabelPages& pages = *settings().Pages;

    const Currency gross = Currency::fromText(main_.WEdit->text().trimmed());
    const Currency tare1 = valueOf(settings().Edit1->text(), kTare1Caption);
    const QString net = (gross - tare1).toText();
    const labels::ProductRecord product = pages.moveToProduct(1);
    const QString content = labels::BuildBarcodeContent(settings().Edit5->text(), net, product.barcode);
    const Currency price = [&] {
        try {
            return priceValue(product.price);
        } catch (const EConvertError& e) {
            throw Error(QStringLiteral("Ціна товару \"%1\": %2").arg(product.name.trimmed(), e.text()));
        }
    }();
    const QString cost = costText(weight, tare1, price);

    checkRun(weight, cost);

    pages.MakeBarcodePicture(content, kLabel1Picture, labels::kLabel1Barcode);
    pages.loadPicture(pages.Barcod1, kLabel1Picture);
    pages.PrepareLabel(1);
    pages.loadPicture(pages.Barcod1, labels::LabelPages::standbyPicture(1));

    settings().store().insertLogRow(logRow(cost));
    // The row records a label already printed: made permanent now, not by the
    // idle commit, which loads coming faster than its delay would put off
    // for ever.
    settings().database().transaction().commitRetaining();
    if (FZvit)
        FZvit->ReopenTable();

    const std::int64_t n = perBox();
    const std::int64_t k = counted();
    if (closesBox(k, n))
        CloseBox(weight);
    else
        CountLoad(weight, k);
    PrintedFlag = true;
    main_.Timer->start();
}

void WeighingCycle::checkRun(Currency weight, const QString& cost)
{
    labels::LabelPages& pages = *settings().Pages;
    const std::int64_t n = perBox();
    const std::int64_t k = counted();
    const Currency mass = valueOf(settings().Edit8->text(), kMassCaption) + weight;
    data::StationStore& store = settings().store();
    const labels::LabelSettings s = settings().labelSettings();
    pages.printers().checkPosition(s.printer1);
    // Its stand-by picture is put back between label 1 and the log row.
    pages.checkLabelFiles(1);

    if (closesBox(k, n)) {
        store.boxNumber();
        pages.printers().checkPosition(s.printer2);
        pages.checkLabelFiles(2);
        const Currency tare1 = valueOf(settings().Edit1->text(), kTare1Caption);
        const Currency tare2 = valueOf(settings().Edit2->text(), kTare2Caption);
        const labels::ProductRecord product2 = pages.moveToProduct(2);
        const QString content2 = labels::BuildBarcodeContent(
            settings().Edit6->text(), netBoxWeightText(mass, tare1, n, tare2), product2.barcode);
        if (const auto chosen = labels::barcodeSettingsFor(labels::kLabel2Barcode, s.barcode1, s.barcode2))
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
    row.name = settings().DBBox1->currentText();
    row.date = QDate::currentDate();
    row.weight = main_.LogWeightText;
    row.cost = cost;
    row.batch = main_.MaskEdit1->text();
    row.scaleName = settings().EditV->text();
    return row;
}

void WeighingCycle::addToBoxMass(Currency weight)
{
    settings().Edit8->setText((value(settings().Edit8->text()) + weight).toText());
}

void WeighingCycle::showCounters()
{
    main_.MaskEdit3->showText(settings().Edit8->text());
    main_.Edit7->setText(settings().Edit7->text());
}

void WeighingCycle::CountLoad(Currency weight, std::int64_t k)
{
    addToBoxMass(weight);
    settings().Edit7->setText(intToText(k + 1));
    showCounters();
}

void WeighingCycle::CloseBox(Currency weight)
{
    labels::LabelPages& pages = *settings().Pages;
    addToBoxMass(weight);
    showCounters();
    settings().NumBox->setText(AdvanceBoxNumber());
    main_.Edit2->setText(settings().NumBox->text());
    settings().SaveSettings();

    const std::int64_t n = perBox();
    const labels::ProductRecord product = pages.moveToProduct(2);
    const Currency tare2 = value(settings().Edit2->text());
    const Currency tare1 = value(settings().Edit1->text());
    const Currency mass = value(settings().Edit8->text());
    const QString net = netBoxWeightText(mass, tare1, n, tare2);
    const QString content = labels::BuildBarcodeContent(settings().Edit6->text(), net, product.barcode);
    pages.MakeBarcodePicture(content, kLabel2Picture, labels::kLabel2Barcode);
    pages.loadPicture(pages.Barcod, kLabel2Picture);
    pages.PrepareLabel(2);
    pages.loadPicture(pages.Barcod, labels::LabelPages::standbyPicture(2));
    settings().Edit8->setText(QStringLiteral("0"));
    settings().Edit7->setText(QStringLiteral("0"));
}

QString WeighingCycle::AdvanceBoxNumber()
{
    const qint64 number = settings().store().advanceBoxNumber();
    // Committed at once: other stations wait on the box row while it is
    // uncommitted, and label 2 can take a while to print.
    settings().database().transaction().commitRetaining();
    return intToText(number);
}

}  // namespace tarvik::station
