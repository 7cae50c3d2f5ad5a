#include "barcode/barcode.h"
#include "barcode/checksum.h"

#include "platform/text/codec.h"
#include "platform/text/error.h"

#include <cmath>
#include <numbers>

namespace tarvik::barcode {

namespace {

const QString kClassName = u"TBarcode"_qs;

struct TBarcodeTypeInfo {
    const char16_t* name;
    bool digitsOnly;
    double ratioMin;  // 0: the ratio is not clamped
    double ratioMax;
};

constexpr std::array<TBarcodeTypeInfo, kBarcodeTypeCount> kTypeInfo = {{
    {u"2_5_interleaved", true, 2.0, 3.0},
    {u"2_5_industrial", true, 2.0, 3.0},
    {u"2_5_matrix", true, 2.25, 3.0},
    {u"Code39", false, 2.0, 3.0},
    {u"Code39 Extended", false, 2.0, 3.0},
    {u"Code128A", false, 0, 0},
    {u"Code128B", false, 0, 0},
    {u"Code128C", true, 0, 0},
    {u"Code93", false, 0, 0},
    {u"Code93 Extended", false, 0, 0},
    {u"MSI", true, 0, 0},
    {u"PostNet", true, 0, 0},
    {u"Codebar", false, 2.0, 3.0},
    {u"EAN8", true, 2.0, 3.0},
    {u"EAN13", true, 2.0, 3.0},
    {u"UPC_A", true, 2.0, 3.0},
    {u"UPC_E0", true, 2.0, 3.0},
    {u"UPC_E1", true, 2.0, 3.0},
    {u"UPC Supp2", true, 2.0, 3.0},
    {u"UPC Supp5", true, 2.0, 3.0},
    {u"EAN128A", false, 0, 0},
    {u"EAN128B", false, 0, 0},
    {u"EAN128C", true, 0, 0},
    {u"GS1-128", false, 0, 0},
}};

bool validType(TBarcodeType t)
{
    return t >= 0 && t < kBarcodeTypeCount;
}

// Rounds to the nearest integer, halves to the even neighbour.
long long roundEven(double x)
{
    return std::llrint(x);
}

// Leading and trailing blanks and control characters removed.
QString trimmed(const QString& s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && s.at(b).unicode() <= u' ')
        ++b;
    while (e > b && s.at(e - 1).unicode() <= u' ')
        --e;
    return s.mid(b, e - b);
}

}  // namespace

QColor toQColor(TColor c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

TBarcode::TBarcode(QObject* owner) : QObject(owner), showTextFont_(TFont::standard()) {}

TBarcode::~TBarcode() = default;

void TBarcode::Assign(const QObject* source)
{
    const auto* other = qobject_cast<const TBarcode*>(source);
    if (!other) {
        const QString from = source ? QString::fromLatin1(source->metaObject()->className())
                                    : u"nil"_qs;
        throw Error(u"Cannot assign a %1 to a %2"_qs.arg(from, kClassName));
    }
    height_ = other->height_;
    text_ = other->text_;
    top_ = other->top_;
    left_ = other->left_;
    modul_ = other->modul_;
    ratio_ = other->ratio_;
    typ_ = other->typ_;
    checksum_ = other->checksum_;
    showText_ = other->showText_;
    showTextPosition_ = other->showTextPosition_;
    angle_ = other->angle_;
    color_ = other->color_;
    colorBar_ = other->colorBar_;
    checkSumMethod_ = other->checkSumMethod_;
    onChange_ = other->onChange_;
}

void TBarcode::DoChange()
{
    if (onChange_)
        onChange_(this);
}

void TBarcode::SetHeight(int value)
{
    if (value != height_) {
        height_ = value;
        DoChange();
    }
}

void TBarcode::SetText(const QString& value)
{
    if (value != text_) {
        text::toCp1251(value);  // refuses what a single-byte text cannot hold
        text_ = value;
        DoChange();
    }
}

void TBarcode::SetTop(int value)
{
    if (value != top_) {
        top_ = value;
        DoChange();
    }
}

void TBarcode::SetLeft(int value)
{
    if (value != left_) {
        left_ = value;
        DoChange();
    }
}

void TBarcode::SetModul(int value)
{
    // Stored and announced even when unchanged; widths outside 1-49 are ignored.
    if (value >= 1 && value < 50) {
        modul_ = value;
        DoChange();
    }
}

void TBarcode::SetRatio(double value)
{
    if (value != ratio_) {
        ratio_ = value;
        DoChange();
    }
}

void TBarcode::SetTyp(TBarcodeType value)
{
    if (value != typ_) {
        typ_ = value;
        DoChange();
    }
}

void TBarcode::SetCheckSum(bool value)
{
    if (value != checksum_) {
        checksum_ = value;
        DoChange();
    }
}

void TBarcode::SetAngle(double value)
{
    if (value != angle_) {
        angle_ = value;
        DoChange();
    }
}

void TBarcode::SetShowText(TBarcodeOption value)
{
    if (value != showText_) {
        showText_ = value;
        DoChange();
    }
}

void TBarcode::SetShowTextFont(const TFont& value)
{
    showTextFont_ = value;
    DoChange();
}

void TBarcode::SetShowTextPosition(TShowTextPosition value)
{
    if (value != showTextPosition_) {
        showTextPosition_ = value;
        DoChange();
    }
}

QString TBarcode::GetTypText() const
{
    if (!validType(typ_))
        return {};
    return QString::fromUtf16(kTypeInfo[typ_].name);
}

void TBarcode::MakeModules()
{
    if (validType(typ_)) {
        const TBarcodeTypeInfo& info = kTypeInfo[typ_];
        if (info.ratioMin > 0) {
            if (ratio_ < info.ratioMin)
                SetRatio(info.ratioMin);
            if (ratio_ > info.ratioMax)
                SetRatio(info.ratioMax);
        }
    }
    // The widths are held in small fields: a wide class past 127 pixels, or
    // a class narrower than a pixel, cannot be drawn.
    const double wide = modul_ * ratio_;
    const long long m1 = (wide >= 0 && wide < 1e6) ? roundEven(wide) : -1;
    if (m1 < 1 || m1 * 2 > 127)
        throw Error(u"%1: module widths out of range (Modul %2, Ratio %3): "
                    "each width must be 1 to 127 pixels"_qs.arg(kClassName).arg(modul_).arg(ratio_));
    const int wide1 = static_cast<int>(m1);
    modules_ = {modul_, wide1, wide1 * 3 / 2, wide1 * 2};
}

TBarcode::BarProps TBarcode::OneBarProps(QChar code) const
{
    switch (code.unicode()) {
    case u'0': return {modules_[0], white};
    case u'1': return {modules_[1], white};
    case u'2': return {modules_[2], white};
    case u'3': return {modules_[3], white};
    case u'5': return {modules_[0], black};
    case u'6': return {modules_[1], black};
    case u'7': return {modules_[2], black};
    case u'8': return {modules_[3], black};
    case u'A': return {modules_[0], black_half};
    case u'B': return {modules_[1], black_half};
    case u'C': return {modules_[2], black_half};
    case u'D': return {modules_[3], black_half};
    default: throw Error(u"%1: internal Error"_qs.arg(kClassName));
    }
}

QString TBarcode::MakeData()
{
    MakeModules();
    if (!validType(typ_))
        throw Error(u"%1: wrong BarcodeType"_qs.arg(kClassName));
    if (kTypeInfo[typ_].digitsOnly) {
        text_ = trimmed(text_);
        for (QChar ch : std::as_const(text_))
            if (ch < u'0' || ch > u'9')
                throw Error(u"Barcode must be numeric"_qs);
    }
    switch (typ_) {
    case bcCode_2_5_interleaved: return Code_2_5_interleaved();
    case bcCode_2_5_industrial: return Code_2_5_industrial();
    case bcCode_2_5_matrix: return Code_2_5_matrix();
    case bcCode39: return Code_39();
    case bcCode39Extended: return Code_39Extended();
    case bcCode128A:
    case bcCode128B:
    case bcCode128C:
    case bcCodeEAN128A:
    case bcCodeEAN128B:
    case bcCodeEAN128C: return Code_128();
    case bcCode93: return Code_93();
    case bcCode93Extended: return Code_93Extended();
    case bcCodeMSI: return Code_MSI();
    case bcCodePostNet: return Code_PostNet();
    case bcCodeCodabar: return Code_Codabar();
    case bcCodeEAN8: return Code_EAN8();
    case bcCodeEAN13: return Code_EAN13();
    case bcCodeUPC_A: return Code_UPC_A();
    case bcCodeUPC_E0: return Code_UPC_E(false);
    case bcCodeUPC_E1: return Code_UPC_E(true);
    case bcCodeUPC_Supp2: return Code_Supp2();
    case bcCodeUPC_Supp5: return Code_Supp5();
    case bcCodeGS1_128: return Code_GS1_128();
    }
    throw Error(u"%1: wrong BarcodeType"_qs.arg(kClassName));
}

int TBarcode::sumWidths(const QString& data) const
{
    int total = 0;
    for (QChar ch : data)
        total += OneBarProps(ch).width;
    return total;
}

int TBarcode::GetWidth()
{
    return sumWidths(MakeData());
}

void TBarcode::SetWidth(int value)
{
    const int total = sumWidths(MakeData());
    if (total > 0) {
        const long long m = static_cast<long long>(modul_) * value / total;
        if (m >= 1 && m < 50)
            SetModul(static_cast<int>(m));
    }
}

QString TBarcode::DoCheckSumming(const QString& data) const
{
    switch (checkSumMethod_) {
    case csmNone: return data;
    case csmModulo10: return CheckSumModulo10(data);
    }
    throw Error(u"%1: wrong CheckSumMethod"_qs.arg(kClassName));
}

QString TBarcode::SetLen(qsizetype n) const
{
    if (text_.size() >= n)
        return text_;
    return QString(n - text_.size(), u'0') + text_;
}

void TBarcode::DoLines(const QString& data, TCanvas& canvas)
{
    drawLines(data, GetWidth(), canvas);
}

void TBarcode::drawLines(const QString& data, int width, TCanvas& canvas)
{
    const double theta = angle_ / 180.0 * std::numbers::pi;
    const double s = std::sin(theta);
    const double c = std::cos(theta);
    const double W = width;
    const double H = height_;

    long long ox = left_;
    long long oy = top_;
    if (s >= 0 && c >= 0) {
        oy += roundEven(W * s);
    } else if (s >= 0 && c < 0) {
        ox += -roundEven(W * c);
        oy += roundEven(W * s - H * c);
    } else if (s < 0 && c >= 0) {
        ox += -roundEven(H * s);
    } else {
        ox += -roundEven(W * c) - roundEven(H * s);
        oy += -roundEven(H * c);
    }

    auto place = [&](int x, int y) {
        return QPoint(static_cast<int>(roundEven(x * c + y * s) + ox),
                      static_cast<int>(roundEven(-x * s + y * c) + oy));
    };

    const QColor barColour = toQColor(colorBar_);
    const QColor spaceColour = toQColor(color_);
    int p = 0;
    for (QChar ch : data) {
        const BarProps props = OneBarProps(ch);
        const QColor& colour = props.lineType == white ? spaceColour : barColour;
        canvas.setPen({colour, 1});
        canvas.setBrush({colour});
        const int h = props.lineType == black_half ? height_ * 2 / 5 : height_;
        const int w = props.width;
        canvas.polygon({place(p, 0), place(p, h), place(p + w - 1, h), place(p + w - 1, 0)});
        p += w;
    }
}

void TBarcode::DrawBarcode(TCanvas& canvas)
{
    const QString data = MakeData();

    // Put the caller's drawing tools back however painting ends.
    struct Restore {
        TCanvas& canvas;
        TFont font;
        TPen pen;
        TBrush brush;
        ~Restore()
        {
            canvas.setFont(font);
            canvas.setPen(pen);
            canvas.setBrush(brush);
        }
    } restore{canvas, canvas.font(), canvas.pen(), canvas.brush()};

    // Encoded once for the bars and the text.
    const int width = sumWidths(data);
    drawLines(data, width, canvas);
    if (showText_ != bcoNone)
        drawText(width, canvas);
}

void TBarcode::DrawText(TCanvas& canvas)
{
    drawText(GetWidth(), canvas);
}

void TBarcode::drawText(int width, TCanvas& canvas)
{
    canvas.setFont(showTextFont_);
    TPen pen = canvas.pen();
    pen.color = showTextFont_.color;
    canvas.setPen(pen);
    canvas.setBrush({QColor(Qt::white)});

    int x = left_;
    switch (showTextPosition_) {
    case stpTopLeft:
    case stpBottomLeft: x = left_; break;
    case stpTopRight:
    case stpBottomRight: x = left_ + width - canvas.textWidth(text_); break;
    case stpTopCenter:
    case stpBottomCenter: x = left_ + (width - canvas.textWidth(text_)) / 2; break;
    }
    int y = top_;
    switch (showTextPosition_) {
    case stpTopLeft:
    case stpTopRight:
    case stpTopCenter: y = top_; break;
    case stpBottomLeft:
    case stpBottomRight:
    case stpBottomCenter: y = top_ + height_ - canvas.textHeight(text_); break;
    }
    if (showText_ == bcoCode || showText_ == bcoBoth)
        canvas.textOut(x, y, text_);
    if (showText_ == bcoTyp || showText_ == bcoBoth)
        canvas.textOut(left_, top_ + static_cast<int>(roundEven(2.5 * showTextFont_.height())),
                       GetTypText());
}

int TBarcode::GetCanvasWidth()
{
    const double theta = angle_ / 180.0 * std::numbers::pi;
    const double W = GetWidth();
    const double H = height_;
    return static_cast<int>(roundEven(W * std::abs(std::cos(theta)) + H * std::abs(std::sin(theta)) + 0.5));
}

int TBarcode::GetCanvasHeight()
{
    const double theta = angle_ / 180.0 * std::numbers::pi;
    const double W = GetWidth();
    const double H = height_;
    return static_cast<int>(roundEven(W * std::abs(std::sin(theta)) + H * std::abs(std::cos(theta)) + 0.5));
}

}  // namespace tarvik::barcode
