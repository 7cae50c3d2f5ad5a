#pragma once
// The label model: the two labels' page objects, owned by the station model
// for the whole run, so the pages that the "Етикетки" tab previews are the
// ones that print. Label preparation, barcode pictures, printing and the
// reprint live here; what they show the operator lives with the windows.

#include "labels/barcode_content.h"
#include "labels/label_inputs.h"
#include "labels/label_layout.h"
#include "labels/label_values.h"
#include "platform/printing/label_page.h"
#include "platform/printing/printer_list.h"
#include "platform/richtext/template_cache.h"
#include "platform/text/file_stamp.h"

#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTextDocument>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

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
    // What the last fill made of `document`. A fill from the same parse of
    // the template, with the same values for the placeholders it replaced,
    // gives the same block: it is kept, laid out, unless it changed since.
    struct Filled {
        std::uint64_t parse = 0;  // 0: not filled
        int revision = -1;        // the document's revision after the fill
        std::vector<std::pair<int, QString>> values;  // placeholder index, value
    } filled;
};

// The barcode picture, stretched and centred in its box.
struct PictureBlock {
    QImage picture;
    QRect geometry;
    bool enabled = false;
};

// One label's page objects. Label 1 (the product label) is the designer's
// Rep1, Band1, RichHead1, RichBody1, RichButton1 and Barcod1; label 2 (the box
// label) is Rep, Band, RichHead, RichBody, RichButton and Barcod.
struct Label {
    PageObject page;
    BandObject band;
    TextBlock head, body, bottom;
    PictureBlock barcode;
};

// The element set naming one label's objects.
struct Tic_Elem {
    Label* label = nullptr;
    int number = 1;       // 1 or 2
    QString layoutFile;   // "St_Tick_1.ini" or "St_Tick_2.ini"
    QString editedFile;   // template the field text editor edits
    QString copyFile;     // its second copy
    QString elementName;  // "Head", "Body" or "Button": the block last pressed
};

// The layout editor's drag, one for both previews.
struct DragState {
    QPoint start;     // the pointer at the press
    int mode = 0;     // 0: nothing grabbed, 1: a text block, 2: the barcode picture
    QPoint startPos;  // the grabbed element's left and top at the press
    int label = 1;    // the grabbed element's label
    LayoutElement element = LayoutElement::None;
};

// The two labels' pages: their layout, templates and barcode pictures, the
// filling of the placeholders, the page rendering and the print job. Reads the
// settings and the weighing through the views it is given; shows nothing.
class LabelPages : public QObject {
    Q_OBJECT
public:
    // `programDir` ends with "/". The views must outlive this object.
    LabelPages(QString programDir, LabelSettingsView& settings, MainFields& main, QObject* parent = nullptr);
    ~LabelPages() override;

    // Label 1 (product label) and label 2 (box label).
    Label& label(int number);
    const Label& label(int number) const;
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

    // Points the element set at a label and its layout file; the element name
    // and the edited and copy files stay.
    void makeCurrent(int label);
    // 1 or 2: the label the element set names.
    int currentLabel() const { return Elem.number; }

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
    // current, the list is checked, saved to its layout file and applied. A
    // list that does not pass checkLayoutLines throws before anything is
    // saved or applied.
    void ValueListEnter();

    // The layout editor on the previews; the windows pass the pointer in
    // page pixels of the label's preview.
    //
    // The label whose file the value list was last loaded from.
    int editorLabel() const { return Label1Active ? 1 : 2; }
    // The pointer is over the preview of `label`: makes it the editor label
    // (reloading the value list from its file when it changes).
    void selectEditorLabel(int label);
    // Image1MouseMove / Image2MouseMove: selectEditorLabel, then a grabbed
    // element follows the pointer, pixel by pixel, without limits.
    void MouseMove(int label, QPoint p);
    // A press: the editor label becomes current and the element under p is
    // grabbed (the barcode picture over the text blocks, the later block over
    // the earlier). Returns whether something was grabbed.
    bool GrabBlock(QPoint p);
    // A release: ends a grab, reads the positions back into the value list
    // and saves it to the editor label's file. Returns whether a grab ended.
    // A list that does not pass checkLayoutLines (a typed value) throws and
    // is not saved; the grab has ended all the same.
    bool MouseUp();
    // The current label's element positions into lines 4, 5, 8, 9, 12, 13,
    // 16 and 17 (pixels / 4, truncated toward zero).
    void ReadBackPositions();
    DragState Drag;

    // "Редагувати": the editor label becomes current and the element set's
    // edited and copy files name the last pressed block's template of that
    // label. Returns false, changing nothing, when no block was pressed yet.
    bool prepareFieldEdit();
    // The current label's block that the element name names, reloaded from
    // the edited file (after the field text editor wrote it).
    void reloadEditedBlock();
    // The field text editor's close: the text written to the edited file, then
    // to the copy file, then the block reloaded. A character Windows-1251
    // cannot hold is refused before anything is written. Each file is replaced
    // whole or not at all; a failure throws, naming the file.
    void saveEditedBlock(const QTextDocument& text);

    // The six templates and the two stand-by pictures into the pages.
    void LoadLabelTemplates();
    // Loads ProgramDir + fileName as the barcode picture of label 1 or 2.
    void loadPicture(int label, const QString& fileName);
    // The stand-by barcode picture of a label: "Barcod.bmp" or "Barcod_2.bmp".
    static QString standbyPicture(int label);
    // Throws, naming the file, when a template of the label cannot be read or
    // is beyond its limits, its stand-by picture cannot be read whole, or its
    // layout file holds a value out of bounds: what its printing would fail on.
    void checkLabelFiles(int label) const;

    // The page of a label as the page engine draws and prints it.
    printing::LabelPage page(int label) const;

    // The values of label 1 or 2 into Values; moves the product table to the
    // label's product and sets the main window's LogWeightText.
    const ReplParam& ComputeLabelValues(int label);
    ReplParam ComputeReprintValues(const QString& batch, const QString& weight);
    // Fills the element set's three blocks from the label's templates.
    void FillLabelBlocks(Tic_Elem& e, const ReplParam& values, int label);

    // Draws content with the barcode settings of the selector's label and
    // saves it as ProgramDir + fileName; another selector draws nothing.
    void MakeBarcodePicture(const QString& content, const QString& fileName, int selector);
    // MakeBarcodePicture, and the picture drawn put on the page of label 1 or
    // 2 as loading the file would put it, without reading the file back.
    void putBarcodePicture(int label, const QString& content, const QString& fileName, int selector);

    // Prints the element set's page on the printer at `printerPosition`
    // (-1: the default). After a printer error the elements stay enabled.
    printing::PrintJob PrintLabel(Tic_Elem& e, int printerPosition, const printing::BeforeRelease& beforeRelease = {});
    // Computes, fills and prints label 1 or 2 for the weighing cycle; the
    // caller has loaded the label's barcode picture. `beforeRelease` runs
    // when the label is whole and about to go out.
    printing::PrintJob PrepareLabel(int label, const printing::BeforeRelease& beforeRelease = {});
    // Label 1 again for a weight (grams, decimal comma) and batch typed by hand.
    printing::PrintJob ReprintLabel(const QString& batch, const QString& weight);
    // The current label's page as it stands, on the printer chosen for label
    // 1 or 2 (the buttons "Друкувати" beside Box1 and Box2).
    printing::PrintJob printCurrent(int printerOf);

    // A test barcode: `text` drawn with the selector's settings into
    // "Test.bmp" (another selector draws nothing) and the file loaded for the
    // test page.
    void makeTestPicture(const QString& text, int selector);
    // The test page: A4 portrait, 10 mm margins, the picture not stretched.
    printing::LabelPage testPage() const;

    // The product the label's list position names, with the table moved to it.
    ProductRecord moveToProduct(int label);

Q_SIGNALS:
    // A label's geometry, blocks or picture changed.
    void pageChanged(int label);
    void valueListChanged();
    // A label goes to the printer (document "label1" or "label2"), and it
    // has gone or failed. A window may show progress in between.
    void printStarted(const QString& document);
    void printFinished();

private:
    // The picture drawn and saved, as the file reads back; nothing for
    // another selector.
    std::optional<QImage> drawBarcodePicture(const QString& content, const QString& fileName, int selector);
    LabelInputs inputs(const LabelSettings& s, const ProductRecord& product) const;
    // The current label's file into the value list, over the fresh lines so
    // that a missing file gets this label's defaults, not the other's.
    void loadLayoutOf(int label);
    QRect& geometryOf(Label& l, LayoutElement e);
    void notifyAll();
    QString path(const QString& name) const { return programDir_ + name; }
    // The picture file as readPicture reads it, kept while the file is unchanged.
    QImage picture(const QString& file) const;
    // Runs `check` on the file unless it passed before and is unchanged since.
    void checkFile(const QString& file, const std::function<void()>& check) const;

    QString programDir_;
    LabelSettingsView& settings_;
    MainFields& main_;
    std::array<Label, 2> labels_;
    printing::PrinterList printers_;
    // The six templates, parsed once and again when an editor rewrites them.
    richtext::TemplateCache templates_;
    // The files checkLabelFiles found sound, as they were then.
    mutable StampedFiles<bool> checkedFiles_;
    mutable StampedFiles<QImage> pictures_;
    QImage testPicture_;
};

// The record fields of the table's current product.
ProductRecord productRecord(const data::TableDataset& table);

}  // namespace tarvik::labels
