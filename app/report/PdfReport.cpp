#include "PdfReport.h"

#include "Fonts.h"
#include "PdfInfo.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextLayout>

#include <map>

namespace qm::report {

namespace {

// Fine enough that text widths measured on the device are the widths drawn
// (no rounding to whole pixels at 5-point text), coarse enough to keep the
// numbers small.
constexpr int kResolution = 720;
constexpr double kScale = kResolution / 72.0;   // device pixels per point

} // namespace

QFont ReportFont(const PdfTextStyle& style)
{
    RegisterFontSubstitutions();
    QFont font(QStringLiteral("宋体"));
    font.setPointSizeF(style.size);
    font.setBold(style.bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

struct PdfReport::Impl {
    std::unique_ptr<QSaveFile> file;
    std::unique_ptr<CTailDevice> tail;
    std::unique_ptr<QPdfWriter> writer;
    QPainter painter;
    QColor stroke = Qt::black;
    QColor fill = Qt::black;
    int page = 0;
    QString error;
    std::map<QString, QString> info;
    bool open = false;

    // Fonts and metrics per style, made once: a table of 100,000 rows asks
    // for them a few hundred thousand times.
    struct StyleKey {
        int size100;
        bool bold;
        bool operator<(const StyleKey& o) const { return size100 != o.size100 ? size100 < o.size100 : bold < o.bold; }
    };
    struct Cached {
        QFont font;
        std::unique_ptr<QFontMetricsF> metrics;
    };
    mutable std::map<StyleKey, Cached> fonts;

    const Cached& FontOf(const PdfTextStyle& style) const
    {
        const StyleKey key{int(style.size * 100 + 0.5), style.bold};
        auto it = fonts.find(key);
        if (it == fonts.end()) {
            Cached c;
            c.font = ReportFont(style);
            c.metrics = std::make_unique<QFontMetricsF>(c.font, MeasureDevice());
            it = fonts.emplace(key, std::move(c)).first;
        }
        return it->second;
    }
    // Text is measured on the document's writer, or before there is one on a
    // writer of the same resolution that never writes.
    QPdfWriter* MeasureDevice() const
    {
        if (writer)
            return writer.get();
        if (!measure) {
            measure = std::make_unique<QPdfWriter>(&sink);
            measure->setResolution(kResolution);
        }
        return measure.get();
    }
    mutable QBuffer sink;
    mutable std::unique_ptr<QPdfWriter> measure;
    static double D(double points) { return points * kScale; }
};

PdfReport::PdfReport() : d(std::make_unique<Impl>()) {}

PdfReport::~PdfReport() { Abort(); }

bool PdfReport::Begin(const QString& path)
{
    d->file = std::make_unique<QSaveFile>(path);
    d->file->setDirectWriteFallback(false);
    if (!d->file->open(QIODevice::WriteOnly)) {
        d->error = d->file->errorString();
        d->file.reset();
        return false;
    }
    d->tail = std::make_unique<CTailDevice>(d->file.get());
    d->tail->open(QIODevice::WriteOnly);
    d->writer = std::make_unique<QPdfWriter>(d->tail.get());
    d->writer->setPdfVersion(QPagedPaintDevice::PdfVersion_1_4);
    d->writer->setResolution(kResolution);
    d->writer->setPageLayout(QPageLayout(QPageSize(QSizeF(kPageWidth, kPageHeight), QPageSize::Point),
                                         QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Point));
    d->writer->setCreator(QStringLiteral("Quillmark"));
    d->writer->setTitle(QFileInfo(path).fileName());
    if (!d->painter.begin(d->writer.get())) {
        d->error = QStringLiteral("cannot begin the document");
        Abort();
        return false;
    }
    d->painter.setRenderHint(QPainter::Antialiasing, true);
    d->page = 1;
    d->open = true;
    return true;
}

void PdfReport::SetInfo(const QString& key, const QString& value) { d->info[key] = value; }

void PdfReport::NextPage()
{
    if (!d->open)
        return;
    if (!d->writer->newPage())
        d->error = QStringLiteral("cannot begin a new page");
    ++d->page;
}

int PdfReport::PageNumber() const { return d->page; }

double PdfReport::TextWidth(const QString& text, const PdfTextStyle& style) const
{
    return d->FontOf(style).metrics->horizontalAdvance(text) / kScale;
}

void PdfReport::FitTextLine(const QString& text, double x, double top, double width, double height,
                            const PdfTextStyle& style)
{
    if (!d->open || text.isEmpty())
        return;
    const auto& f = d->FontOf(style);
    const double textWidth = f.metrics->horizontalAdvance(text);
    double factor = 1.0;
    if (textWidth > Impl::D(width))
        factor = Impl::D(width) / textWidth;
    QFont font = f.font;
    if (factor < 1.0)
        font.setPointSizeF(style.size * factor);
    const double drawn = textWidth * factor;
    double left = Impl::D(x);
    if (style.align & Qt::AlignHCenter)
        left += (Impl::D(width) - drawn) / 2;
    else if (style.align & Qt::AlignRight)
        left += Impl::D(width) - drawn;
    // The baseline sits so that the text's ascent fills the box from its top.
    const double ascent = f.metrics->ascent() * factor;
    const double descent = f.metrics->descent() * factor;
    const double baseline = Impl::D(top) + (Impl::D(height) - (ascent + descent)) / 2 + ascent;
    d->painter.setFont(font);
    d->painter.setPen(d->fill);
    d->painter.drawText(QPointF(left, baseline), text);
}

FlowEnd PdfReport::FitTextFlow(const QString& text, const QRectF& box, const PdfTextStyle& style)
{
    FlowEnd end;
    end.lastFontSize = style.size;
    if (!d->open) {
        end.result = FlowResult::Error;
        return end;
    }
    const auto& f = d->FontOf(style);
    const double width = Impl::D(box.width());
    const double bottom = Impl::D(box.bottom());
    double y = Impl::D(box.top());
    end.end = QPointF(box.left(), box.top());
    d->painter.setFont(f.font);
    d->painter.setPen(d->fill);
    // The common case, one line that fits, without a text layout.
    if (f.metrics->horizontalAdvance(text) <= width && !text.contains(u'\n')) {
        const double baseline = y + f.metrics->ascent();
        d->painter.drawText(QPointF(Impl::D(box.left()), baseline), text);
        end.end = QPointF(box.left() + f.metrics->horizontalAdvance(text) / kScale, baseline / kScale);
        end.placed = text;
        return end;
    }
    QTextLayout layout(text, f.font, d->writer.get());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    int placedLength = 0;
    bool first = true;
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        // The first line is always placed (clipped to the box when it is
        // higher): a cell never comes out empty for want of leading.
        if (!first && y + line.height() > bottom + 0.01) {
            end.result = FlowResult::BoxFull;
            break;
        }
        line.setPosition(QPointF(0, y - Impl::D(box.top())));
        // A word longer than the box is broken anywhere; the last line of a
        // one-line box keeps what fits.
        placedLength = line.textStart() + line.textLength();
        end.end = QPointF(box.left() + line.naturalTextWidth() / kScale, (y + line.ascent()) / kScale);
        y += line.height();
        first = false;
    }
    layout.endLayout();
    if (placedLength < text.size())
        end.result = FlowResult::BoxFull;
    d->painter.save();
    d->painter.setClipRect(QRectF(Impl::D(box.left()), Impl::D(box.top()), width, Impl::D(box.height()) + 1));
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        if (line.textStart() >= placedLength)
            break;
        line.draw(&d->painter, QPointF(Impl::D(box.left()), Impl::D(box.top())));
    }
    d->painter.restore();
    end.placed = text.left(placedLength);
    return end;
}

void PdfReport::FitImage(const QImage& image, const QRectF& box)
{
    if (!d->open || image.isNull())
        return;
    QSizeF size = QSizeF(image.size()).scaled(box.size(), Qt::KeepAspectRatio);
    const QRectF target(box.left() + (box.width() - size.width()) / 2, box.top() + (box.height() - size.height()) / 2,
                        size.width(), size.height());
    d->painter.drawImage(QRectF(Impl::D(target.left()), Impl::D(target.top()), Impl::D(target.width()),
                                Impl::D(target.height())),
                         image);
}

void PdfReport::SetStrokeColor(const QColor& colour) { d->stroke = colour; }
void PdfReport::SetFillColor(const QColor& colour) { d->fill = colour; }

void PdfReport::Line(double x0, double y0, double x1, double y1, double width)
{
    if (!d->open)
        return;
    d->painter.setPen(QPen(d->stroke, Impl::D(width)));
    d->painter.drawLine(QPointF(Impl::D(x0), Impl::D(y0)), QPointF(Impl::D(x1), Impl::D(y1)));
}

void PdfReport::Rectangle(const QRectF& box, bool fill, bool stroke)
{
    if (!d->open)
        return;
    d->painter.setPen(stroke ? QPen(d->stroke, Impl::D(0.5)) : QPen(Qt::NoPen));
    d->painter.setBrush(fill ? QBrush(d->fill) : QBrush(Qt::NoBrush));
    d->painter.drawRect(QRectF(Impl::D(box.left()), Impl::D(box.top()), Impl::D(box.width()), Impl::D(box.height())));
    d->painter.setBrush(Qt::NoBrush);
}

QPainter& PdfReport::Painter() { return d->painter; }

int PdfReport::Resolution() const { return kResolution; }

bool PdfReport::End()
{
    if (!d->open) {
        if (d->error.isEmpty())
            d->error = QStringLiteral("the document is not open");
        return false;
    }
    d->open = false;
    d->painter.end();
    d->fonts.clear();
    d->writer.reset();
    bool ok = d->error.isEmpty() && d->tail->Ok();
    if (ok)
        ok = AppendDocumentInfo(*d->tail, d->info, &d->error);
    if (ok && !d->file->commit()) {
        d->error = d->file->errorString();
        ok = false;
    }
    if (!ok) {
        if (d->error.isEmpty())
            d->error = d->file->errorString();
        if (d->file)
            d->file->cancelWriting();
    }
    d->tail.reset();
    d->file.reset();
    return ok;
}

void PdfReport::Abort()
{
    if (d->open) {
        d->open = false;
        d->painter.end();
    }
    d->fonts.clear();
    d->writer.reset();
    d->tail.reset();
    if (d->file) {
        d->file->cancelWriting();
        d->file.reset();
    }
}

QString PdfReport::ErrorText() const { return d->error; }

} // namespace qm::report
