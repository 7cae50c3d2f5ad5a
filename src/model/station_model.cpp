#include "model/station_model.h"

#include "barcode/barcode_types.h"
#include "data/database.h"
#include "data/datasets.h"
#include "data/run_journal.h"
#include "data/station_connection.h"
#include "data/station_store.h"
#include "labels/label_pages.h"
#include "platform/text/error.h"

namespace tarvik::model {

namespace {

data::ProgSettings clamped(data::ProgSettings s, const data::ListLengths& n)
{
    using data::clampListPosition;
    for (auto [member, count] : {std::pair{&data::ProgSettings::printer1, n.printers},
                                 std::pair{&data::ProgSettings::printer2, n.printers},
                                 std::pair{&data::ProgSettings::tovar1, n.products},
                                 std::pair{&data::ProgSettings::tovar2, n.products},
                                 std::pair{&data::ProgSettings::barType1, n.barcodeTypes},
                                 std::pair{&data::ProgSettings::barType2, n.barcodeTypes},
                                 std::pair{&data::ProgSettings::barSummCheckMetod1, n.checkSumMethods},
                                 std::pair{&data::ProgSettings::barSummCheckMetod2, n.checkSumMethods},
                                 std::pair{&data::ProgSettings::comPort, n.ports},
                                 std::pair{&data::ProgSettings::typeScale, n.scaleTypes}})
        s.*member = clampListPosition(s.*member, count);
    return s;
}

}  // namespace

StationModel::StationModel(QString programDir, QObject* parent)
    : QObject(parent),
      programDir_(std::move(programDir)),
      pages_(std::make_unique<labels::LabelPages>(programDir_, *this, *this))
{
    reconnect_.setSingleShot(true);
    connect(&reconnect_, &QTimer::timeout, this, &StationModel::tryReconnect);
}

void StationModel::connectionLost()
{
    if (offline_ || !database_)
        return;
    offline_ = true;
    reconnectDelay_ = kFirstReconnectDelayMs;
    reconnect_.start(reconnectDelay_);
}

void StationModel::tryReconnect()
{
    try {
        database_->reconnect();
    } catch (const data::DatabaseError&) {
        reconnectDelay_ = std::min(reconnectDelay_ * 2, kMaxReconnectDelayMs);
        reconnect_.start(reconnectDelay_);
        return;
    }
    offline_ = false;
    // What the catalogue holds may have changed while the server was away.
    if (table_ && table_->isOpen() && table_->state() == data::TableDataset::State::Browse) {
        try {
            table_->refresh();
        } catch (const Error&) {
            // The rows read before stay; the next refresh reads them again.
        }
    }
    Q_EMIT databaseBack();
}

StationModel::~StationModel()
{
    // The pages and the table hold nothing of the connection's, but the
    // statements and the table must go before it.
    pages_.reset();
    table_.reset();
    store_.reset();
    database_.reset();
}

QString StationModel::settingsPath() const
{
    return programDir_ + QString::fromLatin1(data::kSettingsFileName);
}

void StationModel::connectDatabase()
{
    const data::StationConnection c = data::stationConnection(programDir_);
    connectionWarnings_ = c.warnings;
    database_ = data::Database::openOrCreate(c.params, schemaProgress_);
    store_ = std::make_unique<data::StationStore>(*database_);
    table_ = std::make_unique<data::TableDataset>(*database_, QStringLiteral("TOBAP"), QStringLiteral("ID_TOB"));
    table_->open();
}

data::Database& StationModel::database()
{
    if (!database_)
        throw Error(QStringLiteral("Немає з'єднання з базою даних"));
    return *database_;
}

data::StationStore& StationModel::store()
{
    database();
    return *store_;
}

data::TableDataset& StationModel::table()
{
    database();
    if (!table_)
        throw Error(QStringLiteral("Таблицю товарів не відкрито"));
    return *table_;
}

data::RunJournal& StationModel::journal()
{
    if (!journal_)
        journal_ = std::make_unique<data::RunJournal>(programDir_);
    return *journal_;
}

data::TableDataset* StationModel::productTable()
{
    return table_.get();
}

data::ListLengths StationModel::listLengths() const
{
    data::ListLengths n;
    n.printers = pages_->printers().count();
    n.products = int(productNames_.size());
    n.barcodeTypes = int(barcode::barcodeTypeNames().size());
    return n;
}

void StationModel::fillProductNames()
{
    productNames_.clear();
    productIds_.clear();
    auto& t = table();
    t.checkBrowseMode();
    for (t.first(); !t.eof(); t.next()) {
        productNames_ << t.text(QStringLiteral("NAME"));
        const QVariant id = t.value(QStringLiteral("ID_TOB"));
        productIds_ << (id.isNull() ? QString() : QString::number(id.toLongLong()));
    }
}

QString StationModel::listedProductId(const QString& name) const
{
    // Names compare as the database compares them: trailing blanks do not count.
    auto bare = [](QStringView s) {
        while (!s.isEmpty() && s.back() == u' ')
            s.chop(1);
        return s;
    };
    const QStringView wanted = bare(name);
    for (qsizetype i = 0; i < productNames_.size(); ++i)
        if (bare(productNames_[i]) == wanted)
            return productIds_.value(i);
    return {};
}

void StationModel::LoadSettings()
{
    data::ProgSettings s = settings_;
    try {
        fillProductNames();
        data::LoadSettings(settingsPath(), s, listLengths());
    } catch (...) {
        // What was read before the failing key stays read.
        settings_ = s;
        Q_EMIT settingsChanged();
        throw;
    }
    settings_ = s;
    // From the list just read, not a query per product: a label run reads
    // the settings first, while the last run's commit may still hold the
    // connection.
    productId2_ = settings_.tovar2 < 0 ? QString() : listedProductId(productName(2));
    productId1_ = settings_.tovar1 < 0 ? QString() : listedProductId(productName(1));
    Q_EMIT settingsChanged();
}

const data::StartupSettings& StationModel::LoadStartupSettings()
{
    data::StartupSettings s = startup_;
    s.comPort = settings_.comPort;
    s.typeScale = settings_.typeScale;
    auto apply = [&] {
        const data::ListLengths n = listLengths();
        settings_.comPort = data::clampListPosition(s.comPort, n.ports);
        settings_.typeScale = data::clampListPosition(s.typeScale, n.scaleTypes);
        startup_ = s;
        Q_EMIT settingsChanged();
        Q_EMIT startupChanged();
    };
    try {
        data::LoadStartupSettings(settingsPath(), s);
    } catch (...) {
        apply();
        throw;
    }
    apply();
    return startup_;
}

void StationModel::SaveSettings()
{
    data::SaveSettings(settingsPath(), settings_);
}

void StationModel::setSettings(const data::ProgSettings& s)
{
    settings_ = clamped(s, listLengths());
    Q_EMIT settingsChanged();
}

QString StationModel::productName(int label) const
{
    const int position = label == 1 ? settings_.tovar1 : settings_.tovar2;
    return position >= 0 && position < productNames_.size() ? productNames_[position] : QString();
}

QString StationModel::productIdText(const QString& name)
{
    const auto id = store().productIdByName(name);
    return id ? QString::number(*id) : QString();
}

void StationModel::setBox(const BoxState& b)
{
    box_ = b;
    Q_EMIT boxChanged();
}

void StationModel::setBoxDisplay(const BoxDisplay& d)
{
    boxDisplay_ = d;
    Q_EMIT boxDisplayChanged();
}

void StationModel::setStable(bool stable)
{
    weighing_.stable = stable;
    Q_EMIT weighingChanged();
}

void StationModel::setWeight(const QString& weight)
{
    weighing_.weight = weight;
    Q_EMIT weighingChanged();
}

void StationModel::setBatch(const MaskedDigits& batch)
{
    weighing_.batch = batch;
    Q_EMIT weighingChanged();
}

void StationModel::setPlace(const MaskedDigits& place)
{
    weighing_.place = place;
    Q_EMIT weighingChanged();
}

void StationModel::setLimitAlarm(const QString& text)
{
    if (weighing_.limitAlarm == text)
        return;
    weighing_.limitAlarm = text;
    Q_EMIT weighingChanged();
}

labels::LabelSettings StationModel::labelSettings() const
{
    const data::ProgSettings& p = settings_;
    labels::LabelSettings s;
    s.tara1 = p.tara1.text();
    s.tara2 = p.tara2.text();
    s.perBox = p.sumEtic.text();
    s.heads = p.kilGolovok.text();
    s.numBox = p.numBox.text();
    s.boxMass = box_.mass.toText();
    s.barTemplate1 = p.bar1;
    s.barTemplate2 = p.bar2;
    s.barcode1 = {p.barType1, p.barCheck1, p.barSummCheckMetod1, 0.0};
    s.barcode2 = {p.barType2, p.barCheck2, p.barSummCheckMetod2, 0.0};
    s.product1 = p.tovar1;
    s.product2 = p.tovar2;
    s.printer1 = p.printer1;
    s.printer2 = p.printer2;
    s.weigth = startup_;
    return s;
}

}  // namespace tarvik::model
