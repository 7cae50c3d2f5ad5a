#pragma once
// The two labels' page objects, owned by the settings dialog for the whole
// run: the pages that the "Етикетки" tab previews are the ones that print.
// Label preparation, barcode pictures, printing and the reprint live here.

#include "labels/barcode_content.h"
#include "labels/label_inputs.h"
#include "labels/label_layout.h"
#include "labels/label_values.h"
#include "platform/printing/label_page.h"
#include "platform/printing/printer_list.h"

#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTextDocument>

#include <array>

namespace tarvik::labels {

// A label page: its paper size in page pixels.
struct PageObject {
    int width = 0;
    int height = 0;
};

// The title band at the top of a page; its width follows the page.
struct BandObject {
    int height = 0;
};

// A rich-text block: left-justified, clipped to its box, Arial 13 px until a
// template is loaded. Disabled except while its label prints.
struct TextBlock {
    TextBlock();
    QTextDocument document;
    QRect geometry;
    bool enabled = false;
};

// The barcode picture, stretched and centred in its box.
struct PictureBlock {
    QImage picture;
    QRect geometry;
    bool enabled = false;
};

// The element set naming one label's objects; it owns only its four texts.
struct Tic_Elem {
    TextBlock* head = nullptr;
    TextBlock* body = nullptr;
    TextBlock* bottom = nullptr;
    PictureBlock* barcode = nullptr;
    BandObject* band = nullptr;
    PageObject* page = nullptr;
    QString layoutFile;   // "St_Tick_1.ini" or "St_Tick_2.ini"
    QString editedFile;   // template the field text editor edits
    QString copyFile;     // its second copy
    QString elementName;  // "Head", "Body" or "Button": the block last pressed
};

class LabelPages : public QObject {
    Q_OBJECT
public:
    // `programDir` ends with "/". The views must outlive this object.
    LabelPages(QString programDir, LabelSettingsView& settings, MainFields& main, QObject* parent = nullptr);
    ~LabelPages() override;

    // Label 1 (product label) and label 2 (box label).
    PageObject Rep1, Rep;
    BandObject Band1, Band;
    TextBlock RichHead1, RichHead;
    TextBlock RichBody1, RichBody;
    TextBlock RichButton1, RichButton;
    PictureBlock Barcod1, Barcod;
    // The hidden control the blocks are filled in.
    QTextDocument RichEdit;

    // The current label.
    Tic_Elem Elem;
    // The values of the last label 1 or 2 computed.
    ReplParam Values;
    // The layout value list: eighteen "name=value" lines of the editor label.
    QStringList ValueList;
    bool Label1Active = false;
    bool Label2Active = false;

    printing::PrinterList& printers() { return printers_; }
    const QString& programDir() const { return programDir_; }

    // Points the element set's references and layout file name at a label;
    // the element name and the edited and copy files stay.
    void makeCurrent(int label);
    // 1 or 2: the label the element set names.
    int currentLabel() const;

    // Lays out both labels from their files (label 2, then label 1, which
    // stays current and whose values the list shows).
    void layOutLabels();
    // The current label's layout file into the value list (a missing file is
    // written with the list's lines).
    void LoadLayoutFile();
    // The value list onto the current label. A value that does not convert
    // stops it there; the lines before it stay applied.
    void ApplyLayout();

    // Enter in the value list: the editor label (Label1Active: label 1) becomes
    // current, the list is saved to its layout file and then applied.
    void ValueListEnter();

    // The six templates and the two stand-by pictures into the pages.
    void LoadLabelTemplates();
    // Loads ProgramDir + fileName into a barcode picture.
    void loadPicture(PictureBlock& target, const QString& fileName);
    // The stand-by barcode picture of a label: "Barcod.bmp" or "Barcod_2.bmp".
    static QString standbyPicture(int label);
    // Throws, naming the file, when a template of the label cannot be read or
    // its stand-by picture cannot be loaded: what its printing would fail on.
    void checkLabelFiles(int label) const;

    // The page of a label as the page engine draws and prints it.
    printing::LabelPage page(int label) const;
    printing::LabelPage page(const Tic_Elem& e) const;

    // The values of label 1 or 2 into Values; moves the product table to the
    // label's product and sets the main window's LogWeightText.
    const ReplParam& ComputeLabelValues(int label);
    ReplParam ComputeReprintValues(const QString& batch, const QString& weight);
    // Fills the element set's three blocks from the label's templates.
    void FillLabelBlocks(Tic_Elem& e, const ReplParam& values, int label);

    // Draws content with the barcode settings of the selector's label and
    // saves it as ProgramDir + fileName; another selector draws nothing.
    void MakeBarcodePicture(const QString& content, const QString& fileName, int selector);

    // Prints the element set's page on the printer at `printerPosition`
    // (-1: the default). After a printer error the elements stay enabled.
    printing::PrintJob PrintLabel(Tic_Elem& e, int printerPosition);
    // Computes, fills and prints label 1 or 2 for the weighing cycle; the
    // caller has loaded the label's barcode picture.
    printing::PrintJob PrepareLabel(int label);
    // Label 1 again for a weight (grams, decimal comma) and batch typed by hand.
    printing::PrintJob ReprintLabel(const QString& batch, const QString& weight);

    // "Друкувати" beside Box1 / Box2: the current label's page as it stands.
    printing::PrintJob Button1Click();
    printing::PrintJob Button2Click();
    // "ДРУК" of the reprint tab with Edit11's and Edit12's texts. Any failure
    // shows "Введена не коректна інформація"; returns whether it printed.
    bool Button5Click(const QString& weightText, const QString& batchText);
    // "Друк коду" of label 1 (selector 13) or label 2 (128): asks for a text,
    // draws "Test.bmp" and opens the test page's print preview.
    void BarcodeTestClick(int selector);
    // The test page: A4 portrait, 10 mm margins, the picture not stretched.
    printing::LabelPage testPage() const;

    // The product the label's list position names, with the table moved to it.
    ProductRecord moveToProduct(int label);

Q_SIGNALS:
    // A label's geometry, blocks or picture changed.
    void pageChanged(int label);
    void valueListChanged();

private:
    static printing::LabelPage pageOf(const PageObject& page, const BandObject& band,
                                      std::array<const TextBlock*, 3> blocks, const PictureBlock& barcode);
    LabelInputs inputs(const LabelSettings& s, const ProductRecord& product) const;
    void notifyAll();
    QString path(const QString& name) const { return programDir_ + name; }

    QString programDir_;
    LabelSettingsView& settings_;
    MainFields& main_;
    printing::PrinterList printers_;
    QImage testPicture_;
};

// The record fields of the table's current product.
ProductRecord productRecord(const data::TableDataset& table);

}  // namespace tarvik::labels
