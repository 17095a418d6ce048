#pragma once
// The PDF writer of reports, table exports and the audit trail export, on
// QPdfWriter and QPainter. Callers place everything in PDF points on an A4
// page, measured from the page's top-left corner; the writer draws at its own
// resolution, so text and curves stay vectors all the way to paper.
//
// The file is written under a temporary name beside the target and renamed
// over it by End() only when the document is complete.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <memory>

class QPainter;

namespace qm::report {

inline constexpr double kPageWidth = 595.0;    // A4 portrait, points
inline constexpr double kPageHeight = 842.0;

// One text style of the writer: size in points, weight, alignment in its box.
struct PdfTextStyle {
    double size = 9.0;
    bool bold = false;
    Qt::Alignment align = Qt::AlignLeft;
};

// How a text flow ended: all of it placed, or the box was full first.
enum class FlowResult { Stop, BoxFull, Error };

struct FlowEnd {
    FlowResult result = FlowResult::Stop;
    QPointF end;            // where the last placed character ends (baseline)
    double lastFontSize = 0;
    QString placed;         // the part of the text that fitted
};

class PdfReport {
public:
    PdfReport();
    ~PdfReport();
    PdfReport(const PdfReport&) = delete;
    PdfReport& operator=(const PdfReport&) = delete;

    // Opens the document and its first page. false with ErrorText() set.
    bool Begin(const QString& path);
    // Document information: "Creator", "Author", "Title", "Subject", "Keywords".
    void SetInfo(const QString& key, const QString& value);
    // Ends the current page and begins the next one.
    void NextPage();
    int PageNumber() const;  // 1-based, of the current page

    // One line of text fitted into a box of `width` × `height` at (x, top):
    // shrunk to the width when it is longer, never wrapped.
    void FitTextLine(const QString& text, double x, double top, double width, double height, const PdfTextStyle& style);
    // Text broken into lines inside `box`; what does not fit is left out and
    // reported as BoxFull.
    FlowEnd FitTextFlow(const QString& text, const QRectF& box, const PdfTextStyle& style);
    // An image scaled to fit `box` entirely, keeping its proportions, centred.
    void FitImage(const QImage& image, const QRectF& box);

    void SetStrokeColor(const QColor& colour);
    void SetFillColor(const QColor& colour);
    void Line(double x0, double y0, double x1, double y1, double width = 0.5);
    void Rectangle(const QRectF& box, bool fill, bool stroke);

    // The painter for drawings of their own (the curve), mapped so that one
    // unit is one point; restore its state when done.
    QPainter& Painter();
    // Resolution of the painter's device, dots per inch.
    int Resolution() const;

    // Width of `text` in `style`, points.
    double TextWidth(const QString& text, const PdfTextStyle& style) const;

    // Finishes the document, writes its information and puts the file in
    // place. false with ErrorText() set; the target is then unchanged.
    bool End();
    // Abandons the document; the target stays as it was.
    void Abort();
    QString ErrorText() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The font of the reports ("宋体", through the program's font substitution) at `style`.
QFont ReportFont(const PdfTextStyle& style);

} // namespace qm::report
