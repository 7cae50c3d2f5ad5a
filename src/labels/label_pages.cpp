#include "labels/label_pages.h"

#include "data/datasets.h"
#include "data/settings_files.h"
#include "platform/printing/page_preview.h"
#include "platform/richtext/rich_text.h"
#include "platform/text/error.h"
#include "platform/ui/prompts.h"
#include "station/currency.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QImageReader>
#include <QProgressDialog>
#include <QTextOption>

#include <memory>

namespace tarvik::labels {

namespace {

constexpr const char* kBlockNames[] = {"Head", "Body", "Button"};

QString templateName(int block, int label)
{
    return QString::fromLatin1(kBlockNames[block]) + (label == 1 ? u"_1.rtf" : u"_2.rtf");
}

void checkLabel(int label)
{
    if (label != 1 && label != 2)
        throw Error(QStringLiteral("Немає етикетки з номером %1").arg(label));
}

// The printing-progress window, shown for as long as one page prints.
class PrintingProgress {
public:
    explicit PrintingProgress(const QString& what)
    {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            return;
        window_ = std::make_unique<QProgressDialog>(QStringLiteral("Друк: %1").arg(what), QString(), 0, 0);
        window_->setObjectName(QStringLiteral("PrintProgress"));
        window_->setWindowTitle(QStringLiteral("Друк"));
        window_->setMinimumDuration(0);
        window_->show();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }

private:
    std::unique_ptr<QProgressDialog> window_;
};

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
    : QObject(parent), programDir_(std::move(programDir)), settings_(settings), main_(main), printers_(programDir_)
{
    makeCurrent(1);
}

LabelPages::~LabelPages() = default;

void LabelPages::makeCurrent(int label)
{
    checkLabel(label);
    const bool one = label == 1;
    Elem.head = one ? &RichHead1 : &RichHead;
    Elem.body = one ? &RichBody1 : &RichBody;
    Elem.bottom = one ? &RichButton1 : &RichButton;
    Elem.barcode = one ? &Barcod1 : &Barcod;
    Elem.band = one ? &Band1 : &Band;
    Elem.page = one ? &Rep1 : &Rep;
    Elem.layoutFile = QString::fromLatin1(one ? data::kLayoutFileName1 : data::kLayoutFileName2);
}

int LabelPages::currentLabel() const
{
    return Elem.page == &Rep ? 2 : 1;
}

void LabelPages::LoadLayoutFile()
{
    data::LoadLayoutFile(path(Elem.layoutFile), ValueList);
    Q_EMIT valueListChanged();
}

void LabelPages::ApplyLayout()
{
    const int label = currentLabel();
    LabelGeometry g{Elem.page->width, Elem.page->height, Elem.band->height, Elem.head->geometry,
                    Elem.body->geometry, Elem.bottom->geometry, Elem.barcode->geometry};
    // What was applied before a bad line stays applied.
    auto store = [&] {
        Elem.page->width = g.pageWidth;
        Elem.page->height = g.pageHeight;
        Elem.band->height = g.bandHeight;
        Elem.head->geometry = g.head;
        Elem.body->geometry = g.body;
        Elem.bottom->geometry = g.bottom;
        Elem.barcode->geometry = g.barcode;
        Q_EMIT pageChanged(label);
    };
    try {
        applyLayoutLines(ValueList, g);
    } catch (...) {
        store();
        throw;
    }
    store();
}

void LabelPages::layOutLabels()
{
    for (int label : {2, 1}) {
        makeCurrent(label);
        // A label whose file is missing gets the fresh values, not the other label's.
        ValueList = data::freshLayoutLines(label);
        LoadLayoutFile();
        ApplyLayout();
    }
    Label1Active = true;
    Label2Active = false;
}

void LabelPages::ValueListEnter()
{
    makeCurrent(Label1Active ? 1 : 2);
    // Saved before it is applied: a bad value is kept in the file too.
    data::SaveLayoutFile(path(Elem.layoutFile), ValueList);
    ApplyLayout();
}

void LabelPages::loadPicture(PictureBlock& target, const QString& fileName)
{
    QImage picture;
    if (!picture.load(path(fileName)))
        throw Error(QStringLiteral("Не вдалося прочитати малюнок \"%1\"").arg(path(fileName)));
    target.picture = picture;
    Q_EMIT pageChanged(&target == &Barcod ? 2 : 1);
}

void LabelPages::LoadLabelTemplates()
{
    TextBlock* const blocks1[] = {&RichHead1, &RichBody1, &RichButton1};
    TextBlock* const blocks2[] = {&RichHead, &RichBody, &RichButton};
    for (int b = 0; b < 3; ++b)
        richtext::loadRichTextFile(blocks1[b]->document, path(templateName(b, 1)));
    loadPicture(Barcod1, standbyPicture(1));
    for (int b = 0; b < 3; ++b)
        richtext::loadRichTextFile(blocks2[b]->document, path(templateName(b, 2)));
    loadPicture(Barcod, standbyPicture(2));
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
        QFile file(path(templateName(b, label)));
        if (!file.open(QIODevice::ReadOnly))
            throw Error(QStringLiteral("Cannot open file \"%1\". %2").arg(file.fileName(), file.errorString()));
    }
    QImageReader picture(path(standbyPicture(label)));
    if (!picture.canRead())
        throw Error(QStringLiteral("Не вдалося прочитати малюнок \"%1\"").arg(picture.fileName()));
}

printing::LabelPage LabelPages::page(int label) const
{
    checkLabel(label);
    const bool one = label == 1;
    return pageOf(one ? Rep1 : Rep, one ? Band1 : Band, {one ? &RichHead1 : &RichHead, one ? &RichBody1 : &RichBody,
                  one ? &RichButton1 : &RichButton}, one ? Barcod1 : Barcod);
}

printing::LabelPage LabelPages::page(const Tic_Elem& e) const
{
    return pageOf(*e.page, *e.band, {e.head, e.body, e.bottom}, *e.barcode);
}

printing::LabelPage LabelPages::pageOf(const PageObject& page, const BandObject& band,
                                       std::array<const TextBlock*, 3> blocks, const PictureBlock& barcode)
{
    printing::LabelPage p;
    p.size = QSizeF(page.width, page.height);
    p.bandHeight = band.height;
    p.bandColour = Qt::white;
    for (const TextBlock* b : blocks)
        p.texts.push_back({QRectF(b->geometry), &b->document, b->enabled, QColor(Qt::white)});
    p.pictures.push_back({QRectF(barcode.geometry), barcode.picture, barcode.enabled, true, true});
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
    TextBlock* const blocks[] = {e.head, e.body, e.bottom};
    const QString temp = path(QStringLiteral("temp"));
    for (int b = 0; b < 3; ++b) {
        richtext::loadRichTextFile(RichEdit, path(templateName(b, label)));
        for (int i = 0; i < int(kPlaceholders.size()); ++i) {
            // Each search runs over the text as it now stands, values already
            // inserted included; only the first occurrence is replaced.
            QTextCursor found = richtext::findText(RichEdit, QString::fromLatin1(kPlaceholders[std::size_t(i)]), 0,
                                                   {.matchCase = true, .wholeWords = false});
            if (!found.isNull())
                richtext::replaceSelection(found, placeholderValue(values, i));
        }
        richtext::saveRichTextFile(RichEdit, temp, richtext::SaveMode::Scratch);
        richtext::loadRichTextFile(blocks[b]->document, temp);
        Q_EMIT pageChanged(e.page == &Rep ? 2 : 1);
    }
}

void LabelPages::MakeBarcodePicture(const QString& content, const QString& fileName, int selector)
{
    const LabelSettings s = settings_.labelSettings();
    const auto chosen = barcodeSettingsFor(selector, s.barcode1, s.barcode2);
    if (!chosen)
        return;
    const QImage picture = barcode::MakeBarcodePicture(content, *chosen);
    barcode::saveBarcodePicture(picture, path(fileName));
}

printing::PrintJob LabelPages::PrintLabel(Tic_Elem& e, int printerPosition)
{
    const int label = e.page == &Rep ? 2 : 1;
    for (TextBlock* b : {e.head, e.body, e.bottom})
        b->enabled = true;
    e.barcode->enabled = true;
    printing::PrintJob job;
    {
        const QString document = label == 1 ? QStringLiteral("label1") : QStringLiteral("label2");
        PrintingProgress progress(document);
        // A printer error leaves the elements enabled until the next print.
        job = printers_.print(page(e), printerPosition, document);
    }
    // Repaints only: a click taken now could open a window in the middle of a
    // label run, and closing it would start polling while the run goes on.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    for (TextBlock* b : {e.head, e.body, e.bottom})
        b->enabled = false;
    e.barcode->enabled = false;
    return job;
}

printing::PrintJob LabelPages::PrepareLabel(int label)
{
    checkLabel(label);
    ComputeLabelValues(label);
    makeCurrent(label);
    FillLabelBlocks(Elem, Values, label);
    const LabelSettings s = settings_.labelSettings();
    return PrintLabel(Elem, label == 1 ? s.printer1 : s.printer2);
}

printing::PrintJob LabelPages::ReprintLabel(const QString& batch, const QString& weight)
{
    LabelSettings s = settings_.labelSettings();
    // The tare is read before the weight.
    const Currency tare = Currency::fromText(s.tara1.trimmed());
    const QString net = (Currency::fromText(weight) - tare).toText();
    const ProductRecord product = moveToProduct(1);
    const QString content = BuildBarcodeContent(s.barTemplate1, net, product.barcode);
    Currency::fromText(QString(product.price).replace(u'.', u','));
    MakeBarcodePicture(content, QStringLiteral("Barcod1.bmp"), kLabel1Barcode);
    loadPicture(Barcod1, QStringLiteral("Barcod1.bmp"));
    makeCurrent(1);
    const ReplParam values = ComputeReprintValues(batch, weight);
    FillLabelBlocks(Elem, values, 1);
    s = settings_.labelSettings();
    const printing::PrintJob job = PrintLabel(Elem, s.printer1);
    loadPicture(Barcod1, QStringLiteral("Barcod.bmp"));
    return job;
}

printing::PrintJob LabelPages::Button1Click()
{
    return PrintLabel(Elem, settings_.labelSettings().printer1);
}

printing::PrintJob LabelPages::Button2Click()
{
    return PrintLabel(Elem, settings_.labelSettings().printer2);
}

bool LabelPages::Button5Click(const QString& weightText, const QString& batchText)
{
    try {
        ReprintLabel(batchText.trimmed(), weightText.trimmed());
        return true;
    } catch (...) {
        ui::Message m;
        m.caption = QStringLiteral("Помилка");
        m.text = QStringLiteral("Введена не коректна інформація");
        m.icon = ui::Icon::Critical;
        ui::prompts().message(m);
        return false;
    }
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

void LabelPages::BarcodeTestClick(int selector)
{
    ui::InputQuery q;
    q.caption = QStringLiteral("Друк тестового штирх коду  ");
    q.prompt = QStringLiteral("Введіть штрих код!");
    std::optional<QString> text;
    do {
        text = ui::prompts().input(q);
        if (!text)
            return;
    } while (text->isEmpty());
    MakeBarcodePicture(*text, QStringLiteral("Test.bmp"), selector);
    QImage picture;
    if (!picture.load(path(QStringLiteral("Test.bmp"))))
        throw Error(QStringLiteral("Не вдалося прочитати малюнок \"%1\"").arg(path(QStringLiteral("Test.bmp"))));
    testPicture_ = picture;
    printing::previewPage(testPage(), QStringLiteral("Друк тестового штирх коду"));
}

void LabelPages::notifyAll()
{
    Q_EMIT pageChanged(1);
    Q_EMIT pageChanged(2);
}

}  // namespace tarvik::labels
