#pragma once
// The station model: the station's running state as plain values, with no
// window in it. It holds the settings of Setting_Prog.ini and the start-up
// settings as the settings dialog's controls would hold them, the box being
// filled, the main window's weighing fields, and it owns the database
// connection, the statements, the product table and the two label pages.
// The windows show and edit it; the weighing cycle, label preparation,
// barcode content and reports read it.

#include "data/settings_files.h"
#include "labels/label_inputs.h"
#include "platform/text/currency.h"
#include "platform/text/masked_digits.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>

namespace tarvik::data {
class RunJournal;
class Database;
class SchemaProgress;
class StationStore;
class TableDataset;
}  // namespace tarvik::data

namespace tarvik::labels {
class LabelPages;
}

namespace tarvik::model {

// The box being filled: the loads counted into it and their summed gross
// mass in grams (the settings dialog's Edit7 and Edit8). Not kept in any file:
// every start begins with an empty box.
struct BoxState {
    std::int64_t count = 0;
    Currency mass;

    bool operator==(const BoxState&) const = default;
};

// What the main window shows of the box: copies the weighing cycle refreshes
// at set moments, so after a box closes they still show the closed box
// ("Етикеток" Edit7, "Маса" MaskEdit3, "№ кор." Edit2, empty until the first
// box closes).
struct BoxDisplay {
    QString count = QStringLiteral("0");
    QString mass = QStringLiteral("0");
    QString number;

    bool operator==(const BoxDisplay&) const = default;
};

// The main window's weighing fields.
struct Weighing {
    QString weight;                                         // WEdit: the last weight read, grams
    std::optional<bool> stable;                             // SEdit; none before the first reading
    MaskedDigits batch = MaskedDigits::of(QStringLiteral("2"), 5);  // MaskEdit1, "№ партії"
    MaskedDigits place = MaskedDigits::of(QStringLiteral("3"), 5);  // MaskEdit2, "№ місця"
    QString logWeightText;                                  // the net weight of the label last computed
    // The load on the scale is outside the weight limits and was not
    // labelled: what the main window says of it; empty otherwise.
    QString limitAlarm;
};

class StationModel : public QObject, public labels::LabelSettingsView, public labels::MainFields {
    Q_OBJECT
public:
    // `programDir` is the station folder with its trailing "/".
    explicit StationModel(QString programDir, QObject* parent = nullptr);
    ~StationModel() override;

    const QString& programDir() const { return programDir_; }
    QString settingsPath() const;

    // Connects the database (the station's own file, or the server that the
    // [Database] section names) and opens the product table. An error leaves
    // the model without a database; every use then fails with a clear message.
    void connectDatabase();
    // Hears about the station's indexes being added to a database made
    // without them, while connectDatabase runs. Not owned.
    void setSchemaProgress(data::SchemaProgress* p) { schemaProgress_ = p; }
    // What connectDatabase found unsafe in the connection's settings (a
    // password file others can read, the server's superuser); no password.
    const QStringList& connectionWarnings() const { return connectionWarnings_; }

    // Setting_Prog.ini into the values: the product list is read again from
    // the product table, then the dialog's keys. A value that does not convert
    // or does not fit its control stops the load at its key: the keys before
    // it are loaded, those after it keep their values.
    void LoadSettings();
    // The start-up keys: poll interval, port, scale type, and the sixteen
    // number-format texts.
    const data::StartupSettings& LoadStartupSettings();
    // The twenty-one keys from the values.
    void SaveSettings();

    const data::ProgSettings& settings() const { return settings_; }
    // What the settings dialog's controls hold when it applies them. List
    // positions outside their lists become -1, as the lists show them.
    void setSettings(const data::ProgSettings& s);
    const data::StartupSettings& startup() const { return startup_; }
    // The lengths of the lists whose positions the settings hold.
    data::ListLengths listLengths() const;

    // The product names in ascending ID_TOB order, as the product lists show them.
    const QStringList& productNames() const { return productNames_; }
    // The name at the label's product position; empty without a selection.
    QString productName(int label) const;
    // ID_TOB of a product name as text; empty when no product has that name.
    QString productIdText(const QString& name);
    // The ID texts LoadSettings looked up for the two products (Edit9, Edit10).
    QString productIdOf(int label) const { return label == 1 ? productId1_ : productId2_; }

    const BoxState& box() const { return box_; }
    void setBox(const BoxState& b);
    const BoxDisplay& boxDisplay() const { return boxDisplay_; }
    void setBoxDisplay(const BoxDisplay& d);

    const Weighing& weighing() const { return weighing_; }
    // A reading's stability, and its weight once it has been read as a number.
    void setStable(bool stable);
    void setWeight(const QString& weight);
    void setBatch(const MaskedDigits& batch);
    void setPlace(const MaskedDigits& place);
    void setLimitAlarm(const QString& text);

    // The station's only connection and transaction, its statements and its
    // product table. Each throws a clear error when the database is not there.
    data::Database& database();
    data::StationStore& store();
    data::TableDataset& table();
    data::Database* databaseOrNull() { return database_.get(); }

    // The connection to a database server was lost: weighing pauses (see
    // offline()) and the server is tried again by itself, at growing
    // intervals of at most kMaxReconnectDelayMs, until it answers.
    void connectionLost();
    bool offline() const { return offline_; }
    static constexpr int kFirstReconnectDelayMs = 250;
    static constexpr int kMaxReconnectDelayMs = 2000;

    labels::LabelPages& pages() { return *pages_; }
    // The journal of label runs in the station folder, opened when first used.
    data::RunJournal& journal();

    // What label preparation reads.
    labels::LabelSettings labelSettings() const override;
    data::TableDataset* productTable() override;
    QString weightText() const override { return weighing_.weight; }
    QString batchText() const override { return weighing_.batch.text(); }
    QString placeText() const override { return weighing_.place.text(); }
    void setLogWeightText(const QString& text) override { weighing_.logWeightText = text; }

Q_SIGNALS:
    void settingsChanged();
    void startupChanged();
    void boxChanged();
    void boxDisplayChanged();
    void weighingChanged();
    // The database answers again after connectionLost().
    void databaseBack();

private:
    void fillProductNames();
    // ID_TOB of the first listed product of that name; empty when none has it.
    QString listedProductId(const QString& name) const;
    void tryReconnect();

    QString programDir_;
    data::ProgSettings settings_;
    data::StartupSettings startup_;
    QStringList productNames_;
    QStringList productIds_;  // ID_TOB of each of productNames_, as text
    QString productId1_, productId2_;
    BoxState box_;
    BoxDisplay boxDisplay_;
    Weighing weighing_;
    // Destroyed in reverse: the pages and the table go before the connection.
    std::unique_ptr<data::Database> database_;
    data::SchemaProgress* schemaProgress_ = nullptr;
    QStringList connectionWarnings_;
    std::unique_ptr<data::StationStore> store_;
    std::unique_ptr<data::TableDataset> table_;
    std::unique_ptr<labels::LabelPages> pages_;
    std::unique_ptr<data::RunJournal> journal_;
    QTimer reconnect_;
    int reconnectDelay_ = kFirstReconnectDelayMs;
    bool offline_ = false;
};

}  // namespace tarvik::model
