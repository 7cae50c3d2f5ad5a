#include "labels/label_pages.h"

#include "data/datasets.h"
#include "data/settings_files.h"
#include "labels/field_text.h"
#include "labels/input_checks.h"
#include "platform/richtext/rich_text.h"
#include "platform/richtext/template_cache.h"
#include "platform/text/error.h"
#include "platform/text/currency.h"

#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QImageReader>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>

namespace tarvik::labels {

namespace {

constexpr const char* kBlockNames[] = {"Head", "Body", "Button"};

// Edits a laid-out document as one change, without undo steps: its layout is
// redone once, when the edit ends, instead of at every replacement.
class OneEdit {
public:
    explicit OneEdit(QTextDocument& doc) : cursor_(&doc), undo_(doc.isUndoRedoEnabled())
    {
        doc.setUndoRedoEnabled(false);
        cursor_.beginEditBlock();
    }
    ~OneEdit()
    {
        cursor_.endEditBlock();
        cursor_.document()->setUndoRedoEnabled(undo_);
    }
    OneEdit(const OneEdit&) = delete;
    OneEdit& operator=(const OneEdit&) = delete;

private:
    QTextCursor cursor_;
    bool undo_;
};

QString templateName(int block, int label)
{
    return QString::fromLatin1(kBlockNames[block]) + (label == 1 ? u"_1.rtf" : u"_2.rtf");
}

void checkLabel(int label)
{
    if (label != 1 && label != 2)
        throw Error(QStringLiteral("Немає етикетки з номером %1").arg(label));
}

}  // namespace

TextBlock::TextBlock()
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    document.setDefaultFont(font);
    document.setDocumentMargin(0);
    QTextOption option = document.defaultTextOption();
    option.setAlignment(Qt::AlignLeft);
    document.setDefaultTextOption(option);
}

ProductRecord productRecord(const data::TableDataset& table)
{
    ProductRecord p;
    p.name = table.text(QStringLiteral("NAME"));
    p.message = table.text(QStringLiteral("SKLAD"));
    p.price = table.text(QStringLiteral("PRICE"));
    p.sellDate = table.text(QStringLiteral("SELL_DATE"));
    p.barcode = table.text(QStringLiteral("BARCOD"));
    for (int i = 0; i < 8; ++i)
        p.text[std::size_t(i)] = table.text(QStringLiteral("TEXT%1").arg(i + 1));
    return p;
}

LabelPages::LabelPages(QString programDir, LabelSettingsView& settings, MainFields& main, QObject* parent)
    : QObject(parent), programDir_(std::move(programDir)), settings_(settings), main_(main), printers_(programDir_),
      templates_(richtext::TemplateCache::Form::WrittenBack)
{
    makeCurrent(1);
}

LabelPages::~LabelPages() = default;

Label& LabelPages::label(int number)
{
    checkLabel(number);
    return labels_[std::size_t(number - 1)];
}

const Label& LabelPages::label(int number) const
{
    checkLabel(number);
    return labels_[std::size_t(number - 1)];
}

void LabelPages::makeCurrent(int number)
{
    Elem.label = &label(number);
    Elem.number = number;
    Elem.layoutFile = QString::fromLatin1(number == 1 ? data::kLayoutFileName1 : data::kLayoutFileName2);
}

void LabelPages::LoadLayoutFile()
{
    data::LoadLayoutFile(path(Elem.layoutFile), ValueList);
    Q_EMIT valueListChanged();
}

void LabelPages::ApplyLayout()
{
    Label& l = *Elem.label;
    LabelGeometry g{l.page.width, l.page.height, l.band.height, l.head.geometry,
                    l.body.geometry, l.bottom.geometry, l.barcode.geometry};
    // What was applied before a bad line stays applied.
    auto store = [&] {
        l.page.width = g.pageWidth;
        l.page.height = g.pageHeight;
        l.band.height = g.bandHeight;
        l.head.geometry = g.head;
        l.body.geometry = g.body;
        l.bottom.geometry = g.bottom;
        l.barcode.geometry = g.barcode;
        Q_EMIT pageChanged(Elem.number);
    };
    try {
        applyLayoutLines(ValueList, g);
    } catch (...) {
        store();
        throw;
    }
    store();
}

void LabelPages::loadLayoutOf(int label)
{
    makeCurrent(label);
    ValueList = data::freshLayoutLines(label);
    LoadLayoutFile();
}

void LabelPages::layOutLabels()
{
    for (int label : {2, 1}) {
        loadLayoutOf(label);
        try {
            ApplyLayout();
        } catch (const Error& e) {
            throw Error(QStringLiteral("Файл розмітки \"%1\": %2").arg(path(Elem.layoutFile), e.text()));
        }
    }
    Label1Active = true;
    Label2Active = false;
}

void LabelPages::ValueListEnter()
{
    makeCurrent(editorLabel());
    // Checked first: a bad value saved would stop the layout at every start.
    checkLayoutLines(ValueList);
    data::SaveLayoutFile(path(Elem.layoutFile), ValueList);
    ApplyLayout();
}

void LabelPages::selectEditorLabel(int label)
{
    checkLabel(label);
    bool& active = label == 1 ? Label1Active : Label2Active;
    (label == 1 ? Label2Active : Label1Active) = false;
    if (!active) {
        // Set first: a file that cannot be read is reported once, not at
        // every move of the pointer; the list then holds the fresh lines.
        active = true;
        // The preview already shows that file's values: it is not re-applied,
        // and what was typed for the other label is dropped.
        loadLayoutOf(label);
    }
}

QRect& LabelPages::geometryOf(Label& l, LayoutElement e)
{
    switch (e) {
    case LayoutElement::Head: return l.head.geometry;
    case LayoutElement::Body: return l.body.geometry;
    case LayoutElement::Button: return l.bottom.geometry;
    case LayoutElement::Barcode: return l.barcode.geometry;
    case LayoutElement::None: break;
    }
    throw Error(QStringLiteral("Не вибрано елемент етикетки"));
}

void LabelPages::MouseMove(int label, QPoint p)
{
    selectEditorLabel(label);
    if (Drag.mode == 0)
        return;
    geometryOf(this->label(Drag.label), Drag.element).moveTo(Drag.startPos + p - Drag.start);
    Q_EMIT pageChanged(Drag.label);
}

bool LabelPages::GrabBlock(QPoint p)
{
    makeCurrent(editorLabel());
    Label& l = *Elem.label;
    struct Block {
        LayoutElement element;
        const char* name;
    };
    // Tried in this order, so the later block wins where blocks overlap.
    static constexpr Block kBlocks[] = {
        {LayoutElement::Head, "Head"}, {LayoutElement::Body, "Body"}, {LayoutElement::Button, "Button"}};
    LayoutElement grabbed = LayoutElement::None;
    for (const Block& b : kBlocks) {
        if (hits(geometryOf(l, b.element), p)) {
            Elem.elementName = QString::fromLatin1(b.name);
            grabbed = b.element;
        }
    }
    // The barcode picture lies over the blocks; a block under it still
    // becomes the last pressed one.
    if (hits(l.barcode.geometry, p))
        grabbed = LayoutElement::Barcode;
    if (grabbed == LayoutElement::None)
        return false;
    Drag.start = p;
    Drag.mode = grabbed == LayoutElement::Barcode ? 2 : 1;
    Drag.label = Elem.number;
    Drag.element = grabbed;
    Drag.startPos = geometryOf(l, grabbed).topLeft();
    return true;
}

bool LabelPages::MouseUp()
{
    if (Drag.mode == 0)
        return false;
    Drag.mode = 0;
    Drag.element = LayoutElement::None;
    makeCurrent(editorLabel());
    ReadBackPositions();
    // A value typed but not entered is saved with the positions: checked
    // first, so that a bad one never reaches the file.
    checkLayoutLines(ValueList);
    data::SaveLayoutFile(path(Elem.layoutFile), ValueList);
    return true;
}

void LabelPages::ReadBackPositions()
{
    Label& l = *Elem.label;
    static constexpr LayoutElement kElements[] = {LayoutElement::Head, LayoutElement::Body, LayoutElement::Button,
                                                  LayoutElement::Barcode};
    const QStringList fresh = data::freshLayoutLines(Elem.number);
    while (ValueList.size() < kLayoutLines)
        ValueList.append(fresh[ValueList.size()]);
    for (int e = 0; e < 4; ++e) {
        const QRect& r = geometryOf(l, kElements[e]);
        const int left = 4 + 4 * e;
        ValueList[left] = data::layoutLineName(left) + u'=' + QString::number(pixelsToMillimetres(r.left()));
        ValueList[left + 1] = data::layoutLineName(left + 1) + u'=' + QString::number(pixelsToMillimetres(r.top()));
    }
    Q_EMIT valueListChanged();
}

bool LabelPages::prepareFieldEdit()
{
    makeCurrent(editorLabel());
    if (Elem.elementName.isEmpty())
        return false;
    const QString part = Elem.number == 1 ? QStringLiteral("_1") : QStringLiteral("_2");
    Elem.editedFile = path(Elem.elementName + part + QStringLiteral(".rtf"));
    Elem.copyFile = path(Elem.elementName + part + QStringLiteral("_1.rtf"));
    return true;
}

void LabelPages::reloadEditedBlock()
{
    Label& l = *Elem.label;
    TextBlock* block = nullptr;
    if (Elem.elementName == u"Head")
        block = &l.head;
    else if (Elem.elementName == u"Body")
        block = &l.body;
    else if (Elem.elementName == u"Button")
        block = &l.bottom;
    if (!block)
        return;
    richtext::loadRichTextFile(block->document, Elem.editedFile);
    Q_EMIT pageChanged(Elem.number);
}

void LabelPages::saveEditedBlock(const QTextDocument& text)
{
    // Refused before anything is written: a template is Windows-1251 text.
    checkTemplateText(text);
    try {
        richtext::saveRichTextFile(text, Elem.editedFile);
    } catch (const Error& e) {
        throw Error(QStringLiteral("Шаблон не сохранён, прежний файл не изменён. %1").arg(e.text()));
    }
    try {
        richtext::saveRichTextFile(text, Elem.copyFile);
    } catch (const Error& e) {
        reloadEditedBlock();
        throw Error(QStringLiteral("Шаблон сохранён в \"%1\", но его копия не сохранена, прежняя копия не изменена. %2")
                        .arg(Elem.editedFile, e.text()));
    }
    reloadEditedBlock();
}

void LabelPages::loadPicture(int number, const QString& fileName)
{
    PictureBlock& target = label(number).barcode;
    target.picture = picture(path(fileName));
    Q_EMIT pageChanged(number);
}

QImage LabelPages::picture(const QString& file) const
{
    // The stand-by pictures are checked before every load and put back after
    // its label: read once while their files stay as they are.
    return pictures_.get(file, [&] { return readPicture(file); });
}

void LabelPages::LoadLabelTemplates()
{
    for (int number : {1, 2}) {
        Label& l = label(number);
        TextBlock* const blocks[] = {&l.head, &l.body, &l.bottom};
        for (int b = 0; b < 3; ++b) {
            checkTemplateFile(path(templateName(b, number)));
            richtext::loadRichTextFile(blocks[b]->document, path(templateName(b, number)));
        }
        loadPicture(number, standbyPicture(number));
    }
    notifyAll();
}

QString LabelPages::standbyPicture(int label)
{
    checkLabel(label);
    return label == 1 ? QStringLiteral("Barcod.bmp") : QStringLiteral("Barcod_2.bmp");
}

void LabelPages::checkLabelFiles(int label) const
{
    checkLabel(label);
    for (int b = 0; b < 3; ++b) {
        const QString file = path(templateName(b, label));
        checkFile(file, [&] { checkTemplateFile(file); });
    }
    // Read whole: a header that claims an absurd size, or pixels cut short,
    // must stop the run here, not after its label is out.
    picture(path(standbyPicture(label)));
    // A layout file refused at the start left its label half laid out.
    const QString layout = path(QString::fromLatin1(label == 1 ? data::kLayoutFileName1 : data::kLayoutFileName2));
    checkFile(layout, [&] {
        try {
            QStringList lines = data::freshLayoutLines(label);
            data::LoadLayoutFile(layout, lines);
            checkLayoutLines(lines);
        } catch (const Error& e) {
            throw Error(QStringLiteral("Файл розмітки \"%1\": %2").arg(layout, e.text()));
        }
    });
}

void LabelPages::checkFile(const QString& file, const std::function<void()>& check) const
{
    // Every load checks the files, and they seldom change: a file that
    // passed is not read again until it changes.
    checkedFiles_.get(file, [&] {
        check();
        return true;
    });
}

printing::LabelPage LabelPages::page(int number) const
{
    const Label& l = label(number);
    printing::LabelPage p;
    p.size = QSizeF(l.page.width, l.page.height);
    p.bandHeight = l.band.height;
    p.bandColour = Qt::white;
    for (const TextBlock* b : {&l.head, &l.body, &l.bottom})
        p.texts.push_back({QRectF(b->geometry), &b->document, b->enabled, QColor(Qt::white)});
    p.pictures.push_back({QRectF(l.barcode.geometry), l.barcode.picture, l.barcode.enabled, true, true});
    return p;
}

ProductRecord LabelPages::moveToProduct(int label)
{
    checkLabel(label);
    data::TableDataset* table = settings_.productTable();
    if (!table || !table->isOpen())
        throw Error(QStringLiteral("Каталог товарів недоступний: немає з'єднання з базою даних"));
    const LabelSettings s = settings_.labelSettings();
    const int position = label == 1 ? s.product1 : s.product2;
    if (table->recordCount() == 0)
        throw Error(QStringLiteral("Каталог товарів порожній: немає товару для етикетки %1").arg(label));
    if (position < 0)
        throw Error(QStringLiteral("Не вибрано товар для етикетки %1").arg(label));
    if (position >= table->recordCount())
        throw Error(QStringLiteral("Товар для етикетки %1 (позиція %2 у списку) відсутній у каталозі з %3 товарів")
                        .arg(label).arg(position + 1).arg(table->recordCount()));
    table->setRecNo(position + 1);
    return productRecord(*table);
}

LabelInputs LabelPages::inputs(const LabelSettings& s, const ProductRecord& product) const
{
    LabelInputs in;
    in.product = product;
    in.numBox = s.numBox;
    in.heads = s.heads;
    in.tara1 = s.tara1;
    in.tara2 = s.tara2;
    in.perBox = s.perBox;
    in.boxMass = s.boxMass;
    in.weight = main_.weightText();
    in.batch = main_.batchText();
    in.place = main_.placeText();
    in.formats1 = labelFormats(s.weigth, 1);
    in.formats2 = labelFormats(s.weigth, 2);
    in.today = QDate::currentDate();
    return in;
}

const ReplParam& LabelPages::ComputeLabelValues(int label)
{
    checkLabel(label);
    const ProductRecord product = moveToProduct(label);
    const LabelInputs in = inputs(settings_.labelSettings(), product);
    labels::ComputeLabelValues(label, in, Values, [this](const QString& t) { main_.setLogWeightText(t); });
    return Values;
}

ReplParam LabelPages::ComputeReprintValues(const QString& batch, const QString& weight)
{
    const ProductRecord product = moveToProduct(1);
    return labels::ComputeReprintValues(batch, weight, inputs(settings_.labelSettings(), product));
}

void LabelPages::FillLabelBlocks(Tic_Elem& e, const ReplParam& values, int label)
{
    checkLabel(label);
    TextBlock* const blocks[] = {&e.label->head, &e.label->body, &e.label->bottom};
    for (int b = 0; b < 3; ++b) {
        TextBlock& block = *blocks[b];
        QTextDocument& doc = block.document;
        const QString templ = path(templateName(b, label));
        const std::uint64_t parse = templates_.parseNumber(templ);
        const bool same = block.filled.parse == parse && block.filled.revision == doc.revision() &&
                          std::all_of(block.filled.values.begin(), block.filled.values.end(), [&](const auto& used) {
                              return placeholderValue(values, used.first) == used.second;
                          });
        std::vector<std::pair<int, QString>> used;
        if (!same) {
            block.filled = {};
            {
                const OneEdit edit(doc);
                templates_.copyInto(templ, doc);
                // The document is searched only for a placeholder its text holds:
                // a placeholder has no separators, so it lies within one block.
                QString text = doc.toRawText();
                for (int i = 0; i < int(kPlaceholders.size()); ++i) {
                    const QLatin1StringView placeholder(kPlaceholders[std::size_t(i)]);
                    if (!text.contains(placeholder))
                        continue;
                    // Each search runs over the text as it now stands, values already
                    // inserted included; only the first occurrence is replaced.
                    QTextCursor found =
                        richtext::findText(doc, placeholder, 0, {.matchCase = true, .wholeWords = false});
                    if (!found.isNull()) {
                        used.emplace_back(i, placeholderValue(values, i));
                        richtext::replaceSelection(found, used.back().second);
                        text = doc.toRawText();
                    }
                }
                // Shaped once: the glyphs of the layout are kept for drawing.
                for (QTextBlock paragraph = doc.begin(); paragraph.isValid(); paragraph = paragraph.next())
                    paragraph.layout()->setCacheEnabled(true);
            }
        }
        // Laid out once, at the width its box prints it.
        printing::prepareTextLayout(doc, block.geometry.width());
        if (!same) {
            // Each search ran over the same text up to the first value that
            // differs, so these values and this parse give this block again.
            block.filled = {parse, doc.revision(), std::move(used)};
        }
        Q_EMIT pageChanged(e.number);
    }
}

std::optional<QImage> LabelPages::drawBarcodePicture(const QString& content, const QString& fileName, int selector)
{
    const LabelSettings s = settings_.labelSettings();
    const auto chosen = barcodeSettingsFor(selector, s.barcode1, s.barcode2);
    if (!chosen)
        return std::nullopt;
    const QImage picture = barcode::MakeBarcodePicture(content, *chosen);
    barcode::saveBarcodePicture(picture, path(fileName));
    // The pixels and format that reading the file back gives.
    return picture.convertToFormat(QImage::Format_RGB32);
}

void LabelPages::MakeBarcodePicture(const QString& content, const QString& fileName, int selector)
{
    drawBarcodePicture(content, fileName, selector);
}

void LabelPages::putBarcodePicture(int number, const QString& content, const QString& fileName, int selector)
{
    checkLabel(number);
    std::optional<QImage> picture = drawBarcodePicture(content, fileName, selector);
    if (!picture) {
        // Nothing drawn: the page shows what the file holds, as before.
        loadPicture(number, fileName);
        return;
    }
    label(number).barcode.picture = std::move(*picture);
    Q_EMIT pageChanged(number);
}

printing::PrintJob LabelPages::PrintLabel(Tic_Elem& e, int printerPosition, const printing::BeforeRelease& beforeRelease)
{
    Label& l = *e.label;
    auto enable = [&l](bool on) {
        for (TextBlock* b : {&l.head, &l.body, &l.bottom})
            b->enabled = on;
        l.barcode.enabled = on;
    };
    enable(true);
    const QString document = e.number == 1 ? QStringLiteral("label1") : QStringLiteral("label2");
    Q_EMIT printStarted(document);
    printing::PrintJob job;
    try {
        // A printer error leaves the elements enabled until the next print.
        job = printers_.print(page(e.number), printerPosition, document, beforeRelease);
    } catch (...) {
        Q_EMIT printFinished();
        throw;
    }
    Q_EMIT printFinished();
    enable(false);
    return job;
}

printing::PrintJob LabelPages::PrepareLabel(int label, const printing::BeforeRelease& beforeRelease)
{
    checkLabel(label);
    ComputeLabelValues(label);
    makeCurrent(label);
    FillLabelBlocks(Elem, Values, label);
    const LabelSettings s = settings_.labelSettings();
    return PrintLabel(Elem, label == 1 ? s.printer1 : s.printer2, beforeRelease);
}

printing::PrintJob LabelPages::ReprintLabel(const QString& batch, const QString& weight)
{
    LabelSettings s = settings_.labelSettings();
    // The tare is read before the weight.
    const Currency tare = Currency::fromText(s.tara1.trimmed());
    const QString net = (Currency::fromText(weight) - tare).toText();
    const ProductRecord product = moveToProduct(1);
    const QString content = labelBarcodeContent(
        1, s.barTemplate1, net, product.name, product.barcode,
        {QDate::currentDate(), product.sellDate, batch, Currency::fromText(weight) - tare, product.price});
    Currency::fromText(QString(product.price).replace(u'.', u','));
    putBarcodePicture(1, content, QStringLiteral("Barcod1.bmp"), kLabel1Barcode);
    makeCurrent(1);
    const ReplParam values = ComputeReprintValues(batch, weight);
    FillLabelBlocks(Elem, values, 1);
    s = settings_.labelSettings();
    const printing::PrintJob job = PrintLabel(Elem, s.printer1);
    loadPicture(1, QStringLiteral("Barcod.bmp"));
    return job;
}

printing::PrintJob LabelPages::printCurrent(int printerOf)
{
    const LabelSettings s = settings_.labelSettings();
    checkLabel(printerOf);
    return PrintLabel(Elem, printerOf == 1 ? s.printer1 : s.printer2);
}

printing::LabelPage LabelPages::testPage() const
{
    const double mm = printing::kPagePixelsPerInch / 25.4;
    printing::LabelPage p;
    p.size = QSizeF(210 * mm, 297 * mm);
    p.margins = QMarginsF(10 * mm, 10 * mm, 10 * mm, 10 * mm);
    p.bandHeight = 161;
    p.pictures.push_back({QRectF(0, 0, 689, 161), testPicture_, true, false, false});
    return p;
}

void LabelPages::makeTestPicture(const QString& text, int selector)
{
    const QString name = QStringLiteral("Test.bmp");
    if (std::optional<QImage> picture = drawBarcodePicture(text, name, selector)) {
        testPicture_ = std::move(*picture);
        return;
    }
    testPicture_ = readPicture(path(name));
}

void LabelPages::notifyAll()
{
    Q_EMIT pageChanged(1);
    Q_EMIT pageChanged(2);
}

}  // namespace tarvik::labels
