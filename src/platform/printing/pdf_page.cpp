#include "platform/printing/pdf_page.h"

#include "platform/text/error.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QVarLengthArray>

// Glyph indices, positions and the font file of a laid-out text item are not
// public; the PDF needs exactly those Qt laid out.
#include <QtGui/private/qfontengine_p.h>
#include <QtGui/private/qtextengine_p.h>

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <climits>
#include <cstring>
#include <memory>
#include <mutex>

namespace tarvik::printing {
namespace {

// The device works in printer dots like QPrinter's high resolution, so the
// text layout meets the same device it met on QPrinter.
constexpr int kDotsPerInch = 1200;
constexpr double kPointsPerDot = 72.0 / kDotsPerInch;

// Font faces by file and face index, loaded once for the process.
class FontFaces {
public:
    static FontFaces& instance()
    {
        static FontFaces faces;
        return faces;
    }

    // The face, or null when the file cannot be loaded. Owned here.
    cairo_font_face_t* face(const QByteArray& file, int index)
    {
        const std::lock_guard lock(mutex_);
        const QByteArray key = file + '\0' + QByteArray::number(index);
        if (const auto found = faces_.constFind(key); found != faces_.constEnd())
            return found.value();
        cairo_font_face_t* made = nullptr;
        FT_Face ft = nullptr;
        if (library_ && FT_New_Face(library_, file.constData(), index, &ft) == 0) {
            made = cairo_ft_font_face_create_for_ft_face(ft, FT_LOAD_NO_HINTING);
            static cairo_user_data_key_t ftKey;
            if (cairo_font_face_status(made) != CAIRO_STATUS_SUCCESS ||
                cairo_font_face_set_user_data(made, &ftKey, ft, [](void* f) { FT_Done_Face(FT_Face(f)); }) !=
                    CAIRO_STATUS_SUCCESS) {
                cairo_font_face_destroy(made);
                FT_Done_Face(ft);
                made = nullptr;
            }
        }
        faces_.insert(key, made);  // a file that failed is not tried again
        return made;
    }

private:
    FontFaces() { FT_Init_FreeType(&library_); }
    // Kept until the process ends: cairo may still hold the faces then.

    std::mutex mutex_;
    FT_Library library_ = nullptr;
    QHash<QByteArray, cairo_font_face_t*> faces_;
};

void setSourceColour(cairo_t* cr, const QColor& colour)
{
    float r, g, b, a;
    colour.toRgb().getRgbF(&r, &g, &b, &a);
    cairo_set_source_rgba(cr, r, g, b, a);
}

void setCairoMatrix(cairo_t* cr, const QTransform& t)
{
    const cairo_matrix_t m{t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()};
    cairo_set_matrix(cr, &m);
}

void appendPath(cairo_t* cr, const QPainterPath& path)
{
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element& e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement: cairo_move_to(cr, e.x, e.y); break;
        case QPainterPath::LineToElement: cairo_line_to(cr, e.x, e.y); break;
        case QPainterPath::CurveToElement: {
            const QPainterPath::Element& c2 = path.elementAt(i + 1);
            const QPainterPath::Element& end = path.elementAt(i + 2);
            cairo_curve_to(cr, e.x, e.y, c2.x, c2.y, end.x, end.y);
            i += 2;
            break;
        }
        case QPainterPath::CurveToDataElement: break;  // taken with its curve
        }
    }
}

// Qt's painter calls, drawn on a cairo context. The context's own matrix
// turns device dots into PDF points; each drawing sets the painter's
// transformation on top of it.
class CairoEngine final : public QPaintEngine {
public:
    // `base` turns device dots into the context's space.
    CairoEngine(cairo_t* cr, const QTransform& base)
        : QPaintEngine(AllFeatures & ~(PorterDuff | PerspectiveTransform | ObjectBoundingModeGradients |
                                       BlendModes | RasterOpModes)),
          cr_(cr),
          base_(base)
    {
    }

    bool begin(QPaintDevice*) override
    {
        setActive(true);
        return true;
    }
    bool end() override
    {
        setActive(false);
        return cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
    }
    Type type() const override { return User; }

    void updateState(const QPaintEngineState& state) override
    {
        const DirtyFlags flags = state.state();
        if (flags & DirtyTransform)
            transform_ = state.transform();
        if (flags & DirtyPen)
            pen_ = state.pen();
        if (flags & DirtyBrush)
            brush_ = state.brush();
        if (flags & DirtyHints)
            smooth_ = state.renderHints().testFlag(QPainter::SmoothPixmapTransform);
        if (flags & DirtyOpacity)
            opacity_ = state.opacity();
        if (flags & DirtyClipPath)
            updateClip(state.clipPath(), state.clipOperation());
        if (flags & DirtyClipRegion) {
            QPainterPath path;
            path.addRegion(state.clipRegion());
            updateClip(path, state.clipOperation());
        }
        if (flags & DirtyClipEnabled)
            clipEnabled_ = state.isClipEnabled();
    }

    void drawPath(const QPainterPath& path) override
    {
        if (brush_.style() != Qt::NoBrush) {
            Scope s(*this);
            setCairoMatrix(cr_, transform_ * base_);
            appendPath(cr_, path);
            cairo_set_fill_rule(cr_, path.fillRule() == Qt::WindingFill ? CAIRO_FILL_RULE_WINDING
                                                                         : CAIRO_FILL_RULE_EVEN_ODD);
            setSourceColour(cr_, brushColour());
            cairo_fill(cr_);
        }
        if (pen_.style() != Qt::NoPen && pen_.brush().style() != Qt::NoBrush)
            stroke(path);
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        if (count < 2)
            return;
        QPainterPath path(points[0]);
        for (int i = 1; i < count; ++i)
            path.lineTo(points[i]);
        if (mode == PolylineMode) {
            if (pen_.style() != Qt::NoPen)
                stroke(path);
            return;
        }
        path.closeSubpath();
        path.setFillRule(mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
        drawPath(path);
    }

    void drawPixmap(const QRectF& r, const QPixmap& pixmap, const QRectF& source) override
    {
        drawImage(r, pixmap.toImage(), source, Qt::AutoColor);
    }

    void drawImage(const QRectF& r, const QImage& image, const QRectF& source, Qt::ImageConversionFlags) override
    {
        const QRect from = source.toAlignedRect() & image.rect();
        if (from.isEmpty() || r.isEmpty())
            return;
        const bool alpha = image.hasAlphaChannel();
        const QImage pixels = image.copy(from).convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied
                                                                      : QImage::Format_RGB32);
        // cairo may write the picture only when the page ends: it gets its own copy.
        cairo_surface_t* surface = cairo_image_surface_create(alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24,
                                                              pixels.width(), pixels.height());
        cairo_surface_flush(surface);
        unsigned char* to = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        if (!to) {
            cairo_surface_destroy(surface);
            return;
        }
        for (int y = 0; y < pixels.height(); ++y)
            std::memcpy(to + y * stride, pixels.constScanLine(y), std::size_t(pixels.width()) * 4);
        cairo_surface_mark_dirty(surface);

        Scope s(*this);
        setCairoMatrix(cr_, transform_ * base_);
        cairo_translate(cr_, r.x(), r.y());
        cairo_scale(cr_, r.width() / pixels.width(), r.height() / pixels.height());
        cairo_set_source_surface(cr_, surface, 0, 0);
        cairo_pattern_set_filter(cairo_get_source(cr_), smooth_ ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
        cairo_rectangle(cr_, 0, 0, pixels.width(), pixels.height());
        cairo_clip(cr_);
        if (opacity_ < 1)
            cairo_paint_with_alpha(cr_, opacity_);
        else
            cairo_paint(cr_);
        cairo_surface_destroy(surface);
    }

    void drawTextItem(const QPointF& p, const QTextItem& textItem) override
    {
        const auto& ti = static_cast<const QTextItemInt&>(textItem);
        QFontEngine* const fe = ti.fontEngine;
        cairo_font_face_t* face = nullptr;
        if (fe && fe->type() != QFontEngine::Multi) {
            const QFontEngine::FaceId id = fe->faceId();
            if (!id.filename.isEmpty())
                face = FontFaces::instance().face(id.filename, id.index);
        }
        if (!face) {  // no font file to embed: the outlines, as Qt draws them
            QPaintEngine::drawTextItem(p, textItem);
            return;
        }
        QVarLengthArray<glyph_t> glyphs;
        QVarLengthArray<QFixedPoint> positions;
        fe->getGlyphPositions(ti.glyphs, QTransform::fromTranslate(p.x(), p.y()), ti.flags, glyphs, positions);
        if (glyphs.isEmpty())
            return;
        QVarLengthArray<cairo_glyph_t> out(glyphs.size());
        for (qsizetype i = 0; i < glyphs.size(); ++i)
            out[i] = {glyphs[i], positions[i].x.toReal(), positions[i].y.toReal()};

        // What Qt's PDF writer does for a face that lacks the style: slant it,
        // stretch it, and draw bold twice half a line's thickness apart.
        const int synthesized = fe->synthesized();
        const double size = fe->fontDef.pixelSize;
        const double stretch =
            (synthesized & QFontEngine::SynthesizedStretch) ? fe->fontDef.stretch / 100.0 : 1.0;
        const double slant = (synthesized & QFontEngine::SynthesizedItalic) ? -0.3 * size : 0.0;
        const cairo_matrix_t fontMatrix{size * stretch, 0, slant, size, 0, 0};

        Scope s(*this);
        setCairoMatrix(cr_, transform_ * base_);
        cairo_set_font_face(cr_, face);
        cairo_set_font_matrix(cr_, &fontMatrix);
        cairo_set_font_options(cr_, fontOptions());
        setSourceColour(cr_, pen_.color());
        // Where each character has its own glyph, cairo is told the text, so
        // the PDF's text is the text as written and cairo need not look each
        // glyph up in the font's character map.
        const bool oneToOne = glyphs.size() == ti.num_chars && ti.glyphs.numGlyphs == ti.num_chars &&
                              ti.logClusters && !(ti.flags & QTextItem::RightToLeft);
        bool clustersMatch = oneToOne;
        for (int i = 0; clustersMatch && i < ti.num_chars; ++i)
            clustersMatch = ti.logClusters[i] == i && !ti.chars[i].isSurrogate();
        QByteArray utf8;
        QVarLengthArray<cairo_text_cluster_t> clusters;
        if (clustersMatch) {
            for (int i = 0; i < ti.num_chars; ++i) {
                const qsizetype before = utf8.size();
                utf8 += QStringView(ti.chars + i, 1).toUtf8();
                clusters.append({int(utf8.size() - before), 1});
            }
        }
        auto show = [&] {
            if (clustersMatch)
                cairo_show_text_glyphs(cr_, utf8.constData(), int(utf8.size()), out.data(), int(out.size()),
                                       clusters.data(), int(clusters.size()), cairo_text_cluster_flags_t(0));
            else
                cairo_show_glyphs(cr_, out.data(), int(out.size()));
        };
        show();
        if (synthesized & QFontEngine::SynthesizedBold) {
            cairo_translate(cr_, 0.5 * fe->lineThickness().toReal(), 0);
            show();
        }
    }

private:
    // Saves the context and applies the clip for one drawing.
    class Scope {
    public:
        explicit Scope(CairoEngine& e) : cr_(e.cr_)
        {
            cairo_save(cr_);
            if (e.clipEnabled_ && !e.clips_.isEmpty()) {
                setCairoMatrix(cr_, e.base_);
                for (const QPainterPath& clip : std::as_const(e.clips_)) {
                    cairo_new_path(cr_);
                    appendPath(cr_, clip);
                    cairo_set_fill_rule(cr_, clip.fillRule() == Qt::WindingFill ? CAIRO_FILL_RULE_WINDING
                                                                                 : CAIRO_FILL_RULE_EVEN_ODD);
                    cairo_clip(cr_);
                }
            }
            cairo_new_path(cr_);
        }
        ~Scope() { cairo_restore(cr_); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        cairo_t* cr_;
    };

    static const cairo_font_options_t* fontOptions()
    {
        // Glyphs go where Qt placed them: nothing is hinted or rounded.
        static cairo_font_options_t* options = [] {
            cairo_font_options_t* o = cairo_font_options_create();
            cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
            cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
            return o;
        }();
        return options;
    }

    QColor brushColour() const
    {
        QColor c = brush_.color();
        c.setAlphaF(c.alphaF() * float(opacity_));
        return c;
    }

    // Clips are kept in device dots, as they were set, and intersected.
    void updateClip(const QPainterPath& path, Qt::ClipOperation op)
    {
        switch (op) {
        case Qt::NoClip:
            clips_.clear();
            clipEnabled_ = false;
            break;
        case Qt::ReplaceClip:
            clips_ = {transform_.map(path)};
            clipEnabled_ = true;
            break;
        case Qt::IntersectClip:
            clips_.append(transform_.map(path));
            clipEnabled_ = true;
            break;
        }
    }

    void stroke(const QPainterPath& path)
    {
        Scope s(*this);
        const bool cosmetic = pen_.isCosmetic() || pen_.widthF() == 0;
        const double width = pen_.widthF() == 0 ? 1.0 : pen_.widthF();
        if (cosmetic) {
            // A cosmetic pen's width is in device dots whatever the transformation.
            setCairoMatrix(cr_, base_);
            appendPath(cr_, transform_.map(path));
        } else {
            setCairoMatrix(cr_, transform_ * base_);
            appendPath(cr_, path);
        }
        cairo_set_line_width(cr_, width);
        switch (pen_.capStyle()) {
        case Qt::FlatCap: cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT); break;
        case Qt::RoundCap: cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND); break;
        default: cairo_set_line_cap(cr_, CAIRO_LINE_CAP_SQUARE); break;
        }
        switch (pen_.joinStyle()) {
        case Qt::RoundJoin: cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND); break;
        case Qt::BevelJoin: cairo_set_line_join(cr_, CAIRO_LINE_JOIN_BEVEL); break;
        default:
            cairo_set_line_join(cr_, CAIRO_LINE_JOIN_MITER);
            cairo_set_miter_limit(cr_, pen_.miterLimit());
            break;
        }
        if (pen_.style() != Qt::SolidLine) {
            const QList<qreal> pattern = pen_.dashPattern();
            QVarLengthArray<double> dashes;
            for (qreal d : pattern)
                dashes.append(d * width);
            cairo_set_dash(cr_, dashes.data(), int(dashes.size()), pen_.dashOffset() * width);
        }
        QColor c = pen_.color();
        c.setAlphaF(c.alphaF() * float(opacity_));
        setSourceColour(cr_, c);
        cairo_stroke(cr_);
    }

    cairo_t* cr_;
    QTransform base_;       // device dots to the context's space
    QTransform transform_;  // the painter's, to device dots
    QPen pen_;
    QBrush brush_;
    qreal opacity_ = 1;
    bool smooth_ = false;
    bool clipEnabled_ = false;
    QList<QPainterPath> clips_;  // device dots
};

// The page as QPainter sees it: dots at 1200 per inch, the paper's size.
class PdfDevice final : public QPaintDevice {
public:
    PdfDevice(cairo_t* cr, QSizeF points)
        : engine_(cr, QTransform::fromScale(kPointsPerDot, kPointsPerDot)), points_(points)
    {
    }
    ~PdfDevice() override = default;

    QPaintEngine* paintEngine() const override { return &engine_; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return qRound(points_.width() / kPointsPerDot);
        case PdmHeight: return qRound(points_.height() / kPointsPerDot);
        case PdmWidthMM: return qRound(points_.width() * 25.4 / 72);
        case PdmHeightMM: return qRound(points_.height() * 25.4 / 72);
        case PdmNumColors: return INT_MAX;
        case PdmDepth: return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return kDotsPerInch;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    mutable CairoEngine engine_;
    QSizeF points_;
};

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};

// cairo does not report a failure of the file's last write as the surface's
// status: the writer remembers it.
struct Output {
    QIODevice& device;
    bool failed = false;
};

cairo_status_t writeTo(void* closure, const unsigned char* data, unsigned int length)
{
    auto* out = static_cast<Output*>(closure);
    // A short write is retried, so that a full disk says why.
    for (qint64 left = length; !out->failed && left > 0;) {
        const qint64 written = out->device.write(reinterpret_cast<const char*>(data) + (length - left), left);
        if (written <= 0)
            out->failed = true;
        else
            left -= written;
    }
    return out->failed ? CAIRO_STATUS_WRITE_ERROR : CAIRO_STATUS_SUCCESS;
}

}  // namespace

void writePagePdf(const LabelPage& page, QIODevice& out, const QString& title)
{
    const QSizeF points = pageSizeOf(page).size(QPageSize::Point);
    Output output{out};
    std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface(
        cairo_pdf_surface_create_for_stream(writeTo, &output, points.width(), points.height()));
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE, title.toUtf8().constData());
    cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATOR, "Tarvik");
    {
        std::unique_ptr<cairo_t, ContextDeleter> cr(cairo_create(surface.get()));
        PdfDevice device(cr.get(), points);
        QPainter painter;
        if (!painter.begin(&device))
            throw Error(QStringLiteral("The PDF of \"%1\" cannot be started").arg(title));
        painter.scale(kDotsPerInch / kPagePixelsPerInch, kDotsPerInch / kPagePixelsPerInch);
        renderPage(painter, page, RenderTarget::Printer);
        if (!painter.end())
            throw Error(QStringLiteral("The PDF of \"%1\" could not be drawn: %2")
                            .arg(title, QString::fromUtf8(cairo_status_to_string(cairo_status(cr.get())))));
    }
    // Finishing writes the one page.
    cairo_surface_finish(surface.get());
    if (output.failed)
        throw Error(QStringLiteral("The PDF of \"%1\" could not be written: %2").arg(title, out.errorString()));
    if (const cairo_status_t status = cairo_surface_status(surface.get()); status != CAIRO_STATUS_SUCCESS)
        throw Error(QStringLiteral("The PDF of \"%1\" could not be written: %2")
                        .arg(title, QString::fromUtf8(cairo_status_to_string(status))));
}

void writePagePdf(const LabelPage& page, const QString& file, const QString& title)
{
    // Made in memory (cairo writes in many small pieces), then written at once.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    writePagePdf(page, pdf, title);
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw Error(QStringLiteral("The PDF \"%1\" cannot be written: %2").arg(file, out.errorString()));
    const QByteArray& bytes = pdf.data();
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = out.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            throw Error(QStringLiteral("The PDF \"%1\" cannot be written: %2").arg(file, out.errorString()));
        done += written;
    }
}

}  // namespace tarvik::printing
