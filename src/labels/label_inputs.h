#pragma once
// What label preparation reads from the windows above this layer. The
// settings dialog and the main window implement these; nothing here includes
// them.

#include "barcode/barcode_picture.h"
#include "data/settings_files.h"

#include <QString>

namespace tarvik::data {
class TableDataset;
}

namespace tarvik::labels {

// The settings dialog's fields as they stand, texts exactly as shown.
struct LabelSettings {
    QString tara1;    // Edit1, tare of one load (grams), blanks included
    QString tara2;    // Edit2, tare of the box (grams)
    QString perBox;   // Edit3, loads per box
    QString heads;    // Edit4, number of heads
    QString numBox;   // NumBox, box number
    QString boxMass;  // Edit8, summed gross mass of the box (grams)
    QString barTemplate1;  // Edit5
    QString barTemplate2;  // Edit6
    barcode::BarcodePictureSettings barcode1;  // CheckBox1, SumBox1, TypeBox1 positions
    barcode::BarcodePictureSettings barcode2;  // CheckBox2, SumBox2, TypeBox2
    int product1 = -1;  // DBBox1 position: record number product1 + 1 of the product table
    int product2 = -1;  // DBBox2 position
    int printer1 = -1;  // Box1 position; -1: the system's default printer
    int printer2 = -1;  // Box2 position
    data::StartupSettings weigth;  // the sixteen "Weigth" texts
};

class LabelSettingsView {
public:
    virtual ~LabelSettingsView() = default;
    // Read afresh for every label: the fields may have changed since.
    virtual LabelSettings labelSettings() const = 0;
    // The product table TOBAP, ordered by ID_TOB; null without a database.
    virtual data::TableDataset* productTable() = 0;
};

// The main window's weighing fields.
class MainFields {
public:
    virtual ~MainFields() = default;
    virtual QString weightText() const = 0;  // WEdit, grams
    virtual QString batchText() const = 0;   // MaskEdit1 as shown, blanks included
    virtual QString placeText() const = 0;   // MaskEdit2 as shown
    // LogWeightText: the net weight text of the label just computed.
    virtual void setLogWeightText(const QString& text) = 0;
};

}  // namespace tarvik::labels
