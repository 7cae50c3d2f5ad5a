#pragma once
// TBarcode: encodes a text in one of 24 linear symbologies into a module
// string and paints it, optionally rotated, with its text, on a TCanvas.
//
// The module string holds one character per bar or space: '0'-'3' spaces of
// the four width classes, '5'-'8' full bars, 'A'-'D' bars of two fifths of
// the height. Every encoding starts afresh from the properties; the text
// normalisations some encoders write back into Text are stable, so encoding
// an unchanged component always gives the same module string.

#include "barcode/barcode_types.h"
#include "barcode/canvas.h"

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

namespace tarvik::barcode {

// A colour as 0x00BBGGRR.
using TColor = std::uint32_t;
QColor toQColor(TColor c);

class TBarcode : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TBarcode* sender)>;

    explicit TBarcode(QObject* owner = nullptr);
    ~TBarcode() override;

    // Copies every property but the font, without notification. A source of
    // another class cannot be assigned.
    virtual void Assign(const QObject* source);

    int Height() const { return height_; }
    void SetHeight(int value);
    const QString& Text() const { return text_; }
    // Raises tarvik::Error for a character that a single-byte Windows-1251
    // text cannot hold.
    void SetText(const QString& value);
    int Top() const { return top_; }
    void SetTop(int value);
    int Left() const { return left_; }
    void SetLeft(int value);
    int Modul() const { return modul_; }
    void SetModul(int value);
    double Ratio() const { return ratio_; }
    void SetRatio(double value);
    TBarcodeType Typ() const { return typ_; }
    void SetTyp(TBarcodeType value);
    bool Checksum() const { return checksum_; }
    void SetCheckSum(bool value);
    TCheckSumMethod CheckSumMethod() const { return checkSumMethod_; }
    void SetCheckSumMethod(TCheckSumMethod value) { checkSumMethod_ = value; }
    double Angle() const { return angle_; }
    void SetAngle(double value);
    TBarcodeOption ShowText() const { return showText_; }
    void SetShowText(TBarcodeOption value);
    const TFont& ShowTextFont() const { return showTextFont_; }
    void SetShowTextFont(const TFont& value);
    TShowTextPosition ShowTextPosition() const { return showTextPosition_; }
    void SetShowTextPosition(TShowTextPosition value);
    int GetWidth();
    void SetWidth(int value);
    TColor Color() const { return color_; }
    void SetColor(TColor value) { color_ = value; }
    TColor ColorBar() const { return colorBar_; }
    void SetColorBar(TColor value) { colorBar_ = value; }
    const TNotifyEvent& OnChange() const { return onChange_; }
    void SetOnChange(TNotifyEvent handler) { onChange_ = std::move(handler); }

    // The module string of Text for the current type.
    QString MakeData();
    void DrawBarcode(TCanvas& canvas);
    void DrawText(TCanvas& canvas);
    void DoLines(const QString& data, TCanvas& canvas);
    int GetCanvasWidth();
    int GetCanvasHeight();
    QString GetTypText() const;

    struct BarProps {
        int width;
        TBarLineType lineType;
    };
    BarProps OneBarProps(QChar code) const;
    // The four width classes in pixels, as the last encoding computed them.
    const std::array<int, 4>& Modules() const { return modules_; }
    void MakeModules();

protected:
    virtual void DoChange();

private:
    QString DoCheckSumming(const QString& data) const;
    QString SetLen(qsizetype n) const;
    int sumWidths(const QString& data) const;
    // DoLines and DrawText with the width of the code already known.
    void drawLines(const QString& data, int width, TCanvas& canvas);
    void drawText(int width, TCanvas& canvas);

    QString Code_2_5_interleaved();
    QString Code_2_5_industrial();
    QString Code_2_5_matrix();
    QString Code_39();
    QString Code_39Extended();
    QString Code_128();
    QString Code_93();
    QString Code_93Extended();
    QString Code_MSI();
    QString Code_PostNet();
    QString Code_Codabar();
    QString Code_EAN8();
    QString Code_EAN13();
    QString Code_UPC_A();
    QString Code_UPC_E(bool numberSystem1);
    QString Code_Supp5();
    QString Code_Supp2();
    QString Code_GS1_128();

    int height_ = 0;
    QString text_;
    int top_ = 0;
    int left_ = 0;
    int modul_ = 1;
    double ratio_ = 2.0;
    TBarcodeType typ_ = bcCodeEAN13;
    bool checksum_ = false;
    TCheckSumMethod checkSumMethod_ = csmModulo10;
    double angle_ = 0.0;
    TBarcodeOption showText_ = bcoNone;
    TFont showTextFont_;
    TShowTextPosition showTextPosition_ = stpTopLeft;
    TColor color_ = 0xFFFFFF;
    TColor colorBar_ = 0x000000;
    TNotifyEvent onChange_;
    std::array<int, 4> modules_{};
};

// The add-on check routine: drops the last character, then weights 3, 9, 3 ...
// from the right; the check digit is the sum modulo 10.
QString CheckSumSupplement(const QString& text);

// The standard UPC-E check digit: that of the UPC-A number the six data digits
// expand to, in number system 0 or 1.
int UpcECheckDigit(const QString& sixDigits, int numberSystem);

}  // namespace tarvik::barcode
