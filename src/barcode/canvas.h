#pragma once
// The drawing surface the barcode component paints through: pen, brush,
// font, filled four-point polygons that include their boundary pixels, and
// opaque text with measurement.

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QVarLengthArray>
#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace tarvik::barcode {

struct TPen {
    QColor color = Qt::black;
    int width = 1;
};

struct TBrush {
    QColor color = Qt::white;
};

// A font with its colour. Its height follows the desktop convention: a
// negative value is the character height in pixels without internal leading
// (a font given in points), a positive one the full cell height.
struct TFont {
    QFont font;
    QColor color = Qt::black;

    int height() const;
    // The font a new component starts with: 8 points at 96 dpi, sans serif, black.
    static TFont standard();
};

class TCanvas {
public:
    virtual ~TCanvas() = default;

    virtual TPen pen() const = 0;
    virtual void setPen(const TPen& pen) = 0;
    virtual TBrush brush() const = 0;
    virtual void setBrush(const TBrush& brush) = 0;
    virtual TFont font() const = 0;
    virtual void setFont(const TFont& font) = 0;

    // Fills the polygon with the brush and outlines it with the pen; the
    // boundary pixels belong to the polygon.
    virtual void polygon(const std::array<QPoint, 4>& points) = 0;
    // Writes text with its top-left corner at (x, y), on the brush colour.
    virtual void textOut(int x, int y, const QString& text) = 0;
    virtual int textWidth(const QString& text) const = 0;
    virtual int textHeight(const QString& text) const = 0;
};

// A canvas over a QImage without antialiasing. Upright bars are written
// straight into the image's rows; QPainter is started only for what needs it
// (a turned polygon, an outlined one, text it cannot compose), and paints the
// same pixels. Text is drawn antialiased whatever the hint says; over its
// opaque background the blend does not depend on what lay there, so each
// character's drawing at each fraction of a pixel is kept per thread for the
// font and colours, and a text of characters laid out pair by pair as
// QPainter lays it out is put together from them. A glyph that reaches out
// of the background box or shares a pixel with one before it is drawn alone
// through QPainter, after the others, where drawText would draw it.
// The image must outlive the canvas.
class TImageCanvas final : public TCanvas {
public:
    explicit TImageCanvas(QImage& image);
    ~TImageCanvas() override;
    TImageCanvas(const TImageCanvas&) = delete;
    TImageCanvas& operator=(const TImageCanvas&) = delete;

    TPen pen() const override { return pen_; }
    void setPen(const TPen& pen) override;
    TBrush brush() const override { return brush_; }
    void setBrush(const TBrush& brush) override;
    TFont font() const override { return font_; }
    void setFont(const TFont& font) override;

    void polygon(const std::array<QPoint, 4>& points) override;
    void textOut(int x, int y, const QString& text) override;
    int textWidth(const QString& text) const override;
    int textHeight(const QString& text) const override;

    struct GlyphFont;  // a font's characters: advances, pairs, drawn glyphs

private:
    // A text placed as QPainter places it: width and, when it can be put
    // together from kept glyphs, each character's offset in 1/64 pixel.
    struct Layout {
        QString text;
        int width = 0;
        bool composable = false;
        QVarLengthArray<int, 32> offsets;
    };

    QPainter& painter();
    void applyTools();
    const QFontMetrics& metrics() const;
    // Fills the rectangle as QPainter::fillRect would: an opaque colour on an
    // image of 24 or 32 bits is kept for flush(), any other painted at once.
    void fill(const QRect& rect, const QColor& colour);
    // Writes the kept rectangles, in their order, into the image: each band of
    // rows that the same rectangles cross is drawn on its first row and that
    // row copied down, as bars of one height make the picture.
    void flush();
    // Whether an opaque colour may be written into the image's bytes.
    bool direct() const;
    const Layout& layOut(const QString& text) const;
    // Writes the text from kept glyphs; false when it cannot be shown so to
    // be the same as QPainter's drawing.
    bool compose(int x, int y, const Layout& layout);

    struct Fill {
        QRect rect;  // inside the image
        quint32 pixel;
    };
    QImage& image_;
    std::vector<Fill> fills_;
    std::optional<QPainter> painter_;  // begun at its first use
    bool toolsChanged_ = true;
    mutable std::optional<QFontMetrics> metrics_;  // made when a text is first measured
    int ascent_ = 0;
    int height_ = 0;
    TPen pen_;
    TBrush brush_;
    TFont font_;
    std::shared_ptr<GlyphFont> glyphs_;  // the thread's record of this font
    // The last text laid out: the text is measured to place it and again to
    // draw it.
    mutable Layout layout_;
};

}  // namespace tarvik::barcode
