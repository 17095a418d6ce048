#include "ReportWriter.h"

#include "MessageSeam.h"
#include "PdfReport.h"
#include "Strings.h"

#include <QFileInfo>
#include <QPainter>
#include <QStringView>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <functional>
#include <memory>
#include <unordered_map>

namespace qm::report {

namespace {

// The text area of a page (points from the top-left corner) and the footer.
constexpr double kLeft = 50.0;
constexpr double kRight = 550.0;
constexpr double kTop = 842.0 - 800.0;
constexpr double kBottom = 842.0 - 50.0;
constexpr double kAreaWidth = kRight - kLeft;
constexpr double kFooterTop = kBottom + 12.0;

// The kinds of fitted lines: style, line height.
struct LineKind {
    PdfTextStyle style;
    double height;
    double gap;              // space below the line
};
const LineKind kTitle{{22, true, Qt::AlignHCenter}, 22, 10};
const LineKind kHeading{{16, true, Qt::AlignLeft}, 16, 6};
const LineKind kText{{12, false, Qt::AlignLeft}, 12, 5};
const LineKind kHalfCell{{12, false, Qt::AlignLeft}, 12, 5};
const LineKind kTableHeading{{12, true, Qt::AlignLeft}, 12, 4};
const LineKind kSmallCell{{7, false, Qt::AlignLeft}, 7, 0};
const LineKind kRuleText{{8, false, Qt::AlignHCenter}, 8, 0};
const LineKind kImageHeading{{16, true, Qt::AlignLeft}, 16, 6};
constexpr double kHalfCellWidth = 242.0;
constexpr double kSmallCellWidth = 125.0;
constexpr double kImageBoxWidth = 540.0;
constexpr double kImageBoxHeight = 300.0;
constexpr double kImageAdvance = 330.0;

const QColor kAlarmRed(200, 0, 0);
const QColor kWithinGreen(0, 128, 0);

// Places lines and cells from the top of the text area down, beginning pages
// as it fills them. Without a writer it only counts the pages.
class CPageFlow {
public:
    CPageFlow(PdfReport* pdf, int totalPages) : m_pdf(pdf), m_total(totalPages) {}

    PdfReport* Pdf() const { return m_pdf; }
    double Y() const { return m_y; }
    int Page() const { return m_page; }
    void Advance(double height) { m_y += height; }

    // Begins a new page unless `height` still fits on this one.
    bool Need(double height)
    {
        if (m_y + height <= kBottom + 0.001)
            return false;
        NewPage();
        return true;
    }
    void NewPage()
    {
        Footer();
        if (m_pdf)
            m_pdf->NextPage();
        ++m_page;
        m_y = kTop;
        if (m_onNewPage)
            m_onNewPage();
    }
    void OnNewPage(std::function<void()> hook) { m_onNewPage = std::move(hook); }
    // The footer of the last page.
    void Finish() { Footer(); }

    void Line(const QString& text, const LineKind& kind, const QColor& colour = Qt::black)
    {
        Need(kind.height);
        if (m_pdf) {
            m_pdf->SetFillColor(colour);
            m_pdf->FitTextLine(text, kLeft, m_y, kAreaWidth, kind.height, kind.style);
            m_pdf->SetFillColor(Qt::black);
        }
        m_y += kind.height + kind.gap;
    }

    // A line of text that goes on over as many lines as it needs, broken
    // where a line may break (between words, between Chinese characters);
    // only a piece wider than the area on its own is fitted.
    void WrappedLine(const QString& text, const LineKind& kind, const QColor& colour = Qt::black)
    {
        QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
        qsizetype lineStart = 0;
        qsizetype lastBreak = 0;
        for (qsizetype at = breaks.toNextBoundary(); at != -1; at = breaks.toNextBoundary()) {
            if (lastBreak > lineStart && !Fits(text.mid(lineStart, at - lineStart).trimmed(), kAreaWidth, kind.style)) {
                Line(text.mid(lineStart, lastBreak - lineStart).trimmed(), kind, colour);
                lineStart = lastBreak;
            }
            lastBreak = at;
        }
        Line(text.mid(lineStart).trimmed(), kind, colour);
    }

    bool Fits(const QString& text, double width, const PdfTextStyle& style) { return Width(text, style) <= width; }

    // A cell of one line at x, cut with "..." (at half the size) when the text
    // is longer than the cell.
    void Cell(const QString& text, double x, double width, const LineKind& kind, double top)
    {
        if (!m_pdf || text.isEmpty())
            return;
        const double room = width;
        if (Width(text, kind.style) <= room) {
            m_pdf->FitTextLine(text, x, top, room, kind.height, kind.style);
            return;
        }
        PdfTextStyle half = kind.style;
        half.size /= 2;
        const double dots = m_pdf->TextWidth(QStringLiteral("..."), half);
        qsizetype lo = 0;
        qsizetype hi = text.size();
        while (lo < hi) {
            const qsizetype mid = (lo + hi + 1) / 2;
            if (m_pdf->TextWidth(text.left(mid), kind.style) + dots <= room)
                lo = mid;
            else
                hi = mid - 1;
        }
        const QString part = text.left(lo);
        m_pdf->FitTextLine(part, x, top, room, kind.height, kind.style);
        const double end = x + m_pdf->TextWidth(part, kind.style);
        m_pdf->FitTextLine(QStringLiteral("..."), end, top + kind.height / 2, dots + 0.5, kind.height / 2, half);
    }

    void Rule()
    {
        if (m_pdf) {
            m_pdf->SetStrokeColor(Qt::black);
            m_pdf->Line(kLeft, m_y, kRight, m_y, 0.6);
        }
        m_y += 6;
    }

private:
    // Counting pages measures text as the writer will.
    PdfReport& Measurer()
    {
        if (m_pdf)
            return *m_pdf;
        if (!m_measurer)
            m_measurer = std::make_unique<PdfReport>();
        return *m_measurer;
    }

    double Width(const QString& text, const PdfTextStyle& style)
    {
        // Sample values repeat: measuring each once keeps long tables fast.
        if (text.size() > 24)
            return Measurer().TextWidth(text, style);
        auto& cache = style.size < 7.5 ? m_small : m_other;
        auto it = cache.find(text);
        if (it != cache.end())
            return it->second;
        if (cache.size() > 20000)
            cache.clear();
        const double w = Measurer().TextWidth(text, style);
        cache.emplace(text, w);
        return w;
    }

    void Footer()
    {
        if (!m_pdf)
            return;
        m_pdf->SetFillColor(Qt::black);
        m_pdf->FitTextLine(MsgF(6020, {QString::number(m_page), QString::number(m_total)}), kLeft, kFooterTop,
                           kAreaWidth, kRuleText.height, kRuleText.style);
    }

    PdfReport* m_pdf;
    std::unique_ptr<PdfReport> m_measurer;
    int m_total;
    int m_page = 1;
    double m_y = kTop;
    std::function<void()> m_onNewPage;
    std::unordered_map<QString, double> m_small;
    std::unordered_map<QString, double> m_other;
};

QStringList Cells(QStringView line)
{
    QStringList cells;
    for (QStringView part : line.split(u'\t')) {
        if (!part.trimmed().isEmpty())
            cells << part.trimmed().toString();
    }
    return cells;
}

// Cells two to a row, row after row. A pair with a cell longer than half the
// line (a long logger name, the English channel ranges) takes a line for each
// cell instead of losing its end to "...".
void HalfCells(CPageFlow& flow, const QStringList& cells, const QColor& colour = Qt::black)
{
    for (qsizetype i = 0; i < cells.size(); i += 2) {
        const bool pair = i + 1 < cells.size();
        if (!flow.Fits(cells.at(i), kHalfCellWidth, kHalfCell.style)
            || (pair && !flow.Fits(cells.at(i + 1), kHalfCellWidth, kHalfCell.style))) {
            for (qsizetype j = i; j < i + (pair ? 2 : 1); ++j) {
                flow.Need(kHalfCell.height);
                if (flow.Pdf())
                    flow.Pdf()->SetFillColor(colour);
                flow.Cell(cells.at(j), kLeft, kAreaWidth, kHalfCell, flow.Y());
                if (flow.Pdf())
                    flow.Pdf()->SetFillColor(Qt::black);
                flow.Advance(kHalfCell.height + kHalfCell.gap);
            }
            continue;
        }
        flow.Need(kHalfCell.height);
        if (flow.Pdf())
            flow.Pdf()->SetFillColor(colour);
        flow.Cell(cells.at(i), kLeft, kHalfCellWidth, kHalfCell, flow.Y());
        if (i + 1 < cells.size())
            flow.Cell(cells.at(i + 1), kLeft + kAreaWidth / 2, kHalfCellWidth, kHalfCell, flow.Y());
        if (flow.Pdf())
            flow.Pdf()->SetFillColor(Qt::black);
        flow.Advance(kHalfCell.height + kHalfCell.gap);
    }
}

QString SecondsText(qint64 seconds) { return DurationText(seconds); }

QString SideText(int label, const OutputExcursions& side)
{
    if (side.count == 0)
        return MsgF(6018, {Msg(label)});
    return MsgF(6019, {Msg(label), QString::number(side.count), side.firstTime, SecondsText(side.seconds)});
}

void AnalysisSection(CPageFlow& flow, const std::vector<OutputChannel>& channels)
{
    if (channels.empty())
        return;
    flow.Need(kHeading.height + kText.height);
    flow.Line(Msg(6011), kHeading);
    for (const OutputChannel& c : channels) {
        const QString label = QStringLiteral("%1%2(%3)").arg(Msg(140)).arg(c.number).arg(c.type);
        const QColor colour = !c.hasAlarms ? QColor(Qt::black) : AlarmStatusBad(c) ? kAlarmRed : kWithinGreen;
        flow.Line(QStringLiteral("%1  %2:%3").arg(label, Msg(6012), AlarmStatusText(c)), kText, colour);
        QStringList cells;
        cells << QStringLiteral("%1:%2").arg(Msg(6015), c.maximumTime.isEmpty() ? QStringLiteral("-") : c.maximumTime);
        cells << QStringLiteral("%1:%2").arg(Msg(6016), c.minimumTime.isEmpty() ? QStringLiteral("-") : c.minimumTime);
        if (!c.mkt.isEmpty())
            cells << QStringLiteral("%1:%2%3").arg(Msg(6017), c.mkt, c.unit);
        HalfCells(flow, cells);
        if (c.hasAlarms) {
            flow.WrappedLine(SideText(6024, c.above), kText);
            flow.WrappedLine(SideText(6025, c.below), kText);
        }
    }
    flow.Rule();
}

// The table of samples: a header row of column names, repeated on every page.
struct SampleTable {
    QStringList header;
    double columnWidth = kSmallCellWidth;

    void DrawHeader(CPageFlow& flow) const
    {
        flow.Need(kTableHeading.height + kSmallCell.height);
        if (flow.Pdf()) {
            for (qsizetype i = 0; i < header.size(); ++i)
                flow.Cell(header.at(i), kLeft + i * columnWidth, columnWidth - 2, kTableHeading, flow.Y());
            flow.Pdf()->SetStrokeColor(QColor(120, 120, 120));
            flow.Pdf()->Line(kLeft, flow.Y() + kTableHeading.height + 1.5, kLeft + header.size() * columnWidth,
                             flow.Y() + kTableHeading.height + 1.5, 0.4);
        }
        flow.Advance(kTableHeading.height + kTableHeading.gap);
    }
};

void LayOutReport(CPageFlow& flow, const QString& text, const ReportExtras& extras)
{
    const QList<QStringView> lines = QStringView(text).split(QStringLiteral("\r\n"));
    qsizetype at = 0;
    const auto next = [&]() { return at < lines.size() ? lines.at(at++) : QStringView(); };
    // Device number, title, note, creation time.
    const QStringView deviceNumber = next();
    flow.Line(next().split(u'\t').value(0).toString(), kTitle);
    flow.WrappedLine(deviceNumber.toString(), kText);
    flow.WrappedLine(next().toString(), kText);
    flow.WrappedLine(next().toString(), kText);
    flow.Advance(4);

    const QString deviceHeading = Msg(325);
    const QString summaryHeading = Msg(329);
    const QString tableStart = Msg(179) + QStringLiteral("\t");
    bool inSection = false;
    QStringView headerLine;
    SampleTable table;
    while (at < lines.size()) {
        QStringView line = lines.at(at);
        if (line == deviceHeading || line == summaryHeading) {
            if (inSection)
                flow.Rule();
            flow.Need(kHeading.height + kHalfCell.height * 2);
            flow.Line(line.toString(), kHeading);
            inSection = true;
            ++at;
            continue;
        }
        QStringView trimmed = line;
        while (trimmed.startsWith(u'\r'))
            trimmed = trimmed.mid(1);
        if (trimmed.startsWith(tableStart)) {
            headerLine = trimmed;
            ++at;
            break;
        }
        for (QStringView row : line.split(u'\r')) {
            if (row.startsWith(tableStart))
                break;
            HalfCells(flow, Cells(row));
        }
        ++at;
    }
    if (inSection)
        flow.Rule();
    AnalysisSection(flow, extras.analysis);

    if (extras.curve) {
        flow.Need(kImageHeading.height + kImageHeading.gap + kImageAdvance);
        flow.Line(Msg(242), kImageHeading);
        if (PdfReport* pdf = flow.Pdf()) {
            const double k = pdf->Resolution() / 72.0;
            const QRect target(int((kLeft - 20) * k), int(flow.Y() * k), int(kImageBoxWidth * k),
                               int(kImageBoxHeight * k));
            QPainter& painter = pdf->Painter();
            painter.save();
            painter.setClipRect(target);
            // The renderer lays out in screen pixels (96 to the inch) scaled
            // to the device: the picture of a 540 × 300 point box at the
            // report's resolution.
            extras.curve(painter, target, pdf->Resolution() / 96.0);
            painter.restore();
            pdf->SetStrokeColor(QColor(160, 160, 160));
            pdf->Rectangle(QRectF(kLeft - 20, flow.Y(), kImageBoxWidth, kImageBoxHeight), false, true);
        }
        flow.Advance(kImageAdvance);
    }

    // The header: date and time share the first column (the cells hold both),
    // then one column per channel with its unit.
    QStringList names = Cells(headerLine);
    if (names.size() >= 2)
        names = QStringList{names.at(0) + QStringLiteral(" ") + names.at(1)} + names.mid(2);
    if (names.isEmpty())
        return;
    table.header = names;
    table.columnWidth = std::min(kSmallCellWidth, kAreaWidth / std::max<qsizetype>(1, names.size()));
    table.DrawHeader(flow);
    flow.OnNewPage([&]() { table.DrawHeader(flow); });
    for (; at < lines.size(); ++at) {
        const QStringView row = lines.at(at);
        if (row.isEmpty())
            continue;
        flow.Need(kSmallCell.height);
        if (flow.Pdf()) {
            int column = 0;
            for (QStringView cell : row.split(u'\t')) {
                flow.Cell(cell.toString(), kLeft + column * table.columnWidth, table.columnWidth - 2, kSmallCell,
                          flow.Y());
                ++column;
            }
        }
        flow.Advance(kSmallCell.height);
    }
    flow.OnNewPage({});
}

// ---- table mode

constexpr double kTableMargin = 2.0;
const LineKind kTableCell{{7, false, Qt::AlignLeft}, 7 + 2 * kTableMargin, 0};
const LineKind kTableHeaderCell{{7, true, Qt::AlignHCenter}, 7 + 2 * kTableMargin, 0};

struct TableLayout {
    std::vector<double> widths;
    QStringList header;
    qsizetype headerLine = -1;
};

TableLayout MeasureTable(const QList<QStringView>& lines)
{
    TableLayout layout;
    const QString first = Msg(132);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines.at(i).split(u'\t').value(0) == first) {
            layout.headerLine = i;
            layout.header = Cells(lines.at(i));
            break;
        }
    }
    if (layout.headerLine < 0)
        return layout;
    const int columns = int(layout.header.size());
    std::vector<double> widest(columns, 0.0);
    PdfTextStyle style = kTableCell.style;
    PdfTextStyle bold = kTableHeaderCell.style;
    // The widest text of each column among the header and the first rows.
    PdfReport measure;
    for (int c = 0; c < columns; ++c)
        widest[c] = measure.TextWidth(layout.header.at(c), bold);
    const qsizetype last = std::min<qsizetype>(lines.size(), layout.headerLine + 2000);
    for (qsizetype i = layout.headerLine + 1; i < last; ++i) {
        int c = 0;
        for (QStringView cell : lines.at(i).split(u'\t')) {
            if (c >= columns)
                break;
            widest[c] = std::max(widest[c], measure.TextWidth(cell.toString(), style));
            ++c;
        }
    }
    double total = 0;
    for (double& w : widest) {
        w += 2 * kTableMargin + 4;
        total += w;
    }
    for (double& w : widest)
        w = w * kAreaWidth / total;
    layout.widths = widest;
    return layout;
}

void LayOutTable(CPageFlow& flow, const QList<QStringView>& lines, const TableLayout& layout)
{
    const auto row = [&](const QStringList& cells, bool header) {
        const LineKind& kind = header ? kTableHeaderCell : kTableCell;
        flow.Need(kind.height);
        if (PdfReport* pdf = flow.Pdf()) {
            double x = kLeft;
            pdf->SetStrokeColor(QColor(150, 150, 150));
            for (qsizetype c = 0; c < qsizetype(layout.widths.size()); ++c) {
                const double w = layout.widths[c];
                const QRectF box(x, flow.Y(), w, kind.height);
                if (header) {
                    pdf->SetFillColor(QColor::fromRgbF(0.8, 0.8, 0.8));
                    pdf->Rectangle(box, true, true);
                    pdf->SetFillColor(Qt::black);
                } else {
                    pdf->Rectangle(box, false, true);
                }
                flow.Cell(cells.value(c), x + kTableMargin, w - 2 * kTableMargin, kind, flow.Y() + kTableMargin);
                x += w;
            }
        }
        flow.Advance(kind.height);
    };
    const auto spanning = [&](const QString& text) {
        flow.Need(kTableCell.height);
        if (PdfReport* pdf = flow.Pdf()) {
            pdf->SetStrokeColor(QColor(150, 150, 150));
            pdf->Rectangle(QRectF(kLeft, flow.Y(), kAreaWidth, kTableCell.height), false, true);
            flow.Cell(text, kLeft + kTableMargin, kAreaWidth - 2 * kTableMargin, kTableCell, flow.Y() + kTableMargin);
        }
        flow.Advance(kTableCell.height);
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringView line = lines.at(i);
        if (i == layout.headerLine) {
            row(layout.header, true);
            flow.OnNewPage([&]() { row(layout.header, true); });
            continue;
        }
        if (line.isEmpty()) {
            if (i + 1 < lines.size())
                flow.Advance(kTableCell.height / 2);
            continue;
        }
        const QList<QStringView> fields = line.split(u'\t');
        if (fields.size() < 2 || layout.widths.empty()) {
            spanning(line.toString());
            continue;
        }
        QStringList cells;
        for (QStringView f : fields)
            cells << f.toString();
        row(cells, false);
    }
    flow.OnNewPage({});
}

template <typename LayOut>
bool WritePdf(const QString& path, const ReportExtras& extras, QString* error, int* pages, LayOut&& layOut)
{
    CPageFlow count(nullptr, 0);
    layOut(count);
    const int total = count.Page();
    PdfReport pdf;
    if (!pdf.Begin(path)) {
        *error = pdf.ErrorText();
        return false;
    }
    pdf.SetInfo(QStringLiteral("Creator"), QStringLiteral("Quillmark"));
    pdf.SetInfo(QStringLiteral("Author"), QStringLiteral("fenwo"));
    pdf.SetInfo(QStringLiteral("Title"), extras.title.isEmpty() ? QFileInfo(path).fileName() : extras.title);
    pdf.SetInfo(QStringLiteral("Subject"), QStringLiteral("Quillmark records"));
    pdf.SetInfo(QStringLiteral("Keywords"), QStringLiteral("Quillmark"));
    CPageFlow flow(&pdf, total);
    layOut(flow);
    flow.Finish();
    if (!pdf.End()) {
        *error = pdf.ErrorText();
        return false;
    }
    if (pages)
        *pages = flow.Page();
    return true;
}

} // namespace

QString AlarmStatusText(const OutputChannel& channel)
{
    if (!channel.hasAlarms)
        return Msg(6022);
    const qint64 count = channel.above.count + channel.below.count;
    return count == 0 ? Msg(6013) : MsgF(6014, {QString::number(count)});
}

bool AlarmStatusBad(const OutputChannel& channel)
{
    return channel.hasAlarms && channel.above.count + channel.below.count > 0;
}

bool WriteReportPdf(const QString& path, const QString& reportText, const ReportExtras& extras, QString* error,
                    int* pages)
{
    return WritePdf(path, extras, error, pages,
                    [&](CPageFlow& flow) { LayOutReport(flow, reportText, extras); });
}

bool WriteTablePdfFile(const QString& path, const QString& text, QString* error, int* pages)
{
    const QList<QStringView> lines = QStringView(text).split(QStringLiteral("\r\n"));
    const TableLayout layout = MeasureTable(lines);
    return WritePdf(path, ReportExtras{}, error, pages, [&](CPageFlow& flow) { LayOutTable(flow, lines, layout); });
}

bool WriteReport(const QString& path, const QString& reportText, const ReportExtras& extras)
{
    QString error;
    if (WriteReportPdf(path, reportText, extras, &error))
        return true;
    ShowMessageText(123, Msg(123) + QStringLiteral(":") + error);
    return false;
}

bool WriteTablePdf(const QString& path, const QString& text)
{
    QString error;
    if (WriteTablePdfFile(path, text, &error))
        return true;
    ShowMessageText(123, Msg(123) + QStringLiteral(":") + error);
    return false;
}

} // namespace qm::report
