#include "PrintLayout.h"

#include "ChannelInfo.h"
#include "CurveRender.h"
#include "Fonts.h"
#include "Strings.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <set>

namespace qm::browse {

namespace {

constexpr double kTimeUnits = 12.0;
constexpr double kNumberUnits = 4.0;
constexpr double kChannelUnits = 7.2;
constexpr double kComparisonChannelUnits = 14.0;
// The curve is laid out at about a screen's width, then scaled to the page.
constexpr double kCurveLogicalWidth = 1000.0;

QFont SheetFont(double points, QFont::Weight weight)
{
    QFont f(QStringLiteral("宋体"));
    f.setPointSizeF(points);
    f.setWeight(weight);
    return f;
}

QString Figure(const ChannelStatistics& s, double value)
{
    return s.count > 0 ? QString::asprintf("%.1f", value) : QStringLiteral("-");
}

} // namespace

std::vector<CurveAxisRow> CurveAxisRows(const CRecordData& data, bool sharedAxis)
{
    std::vector<CurveAxisRow> rows;
    double top = 0, bottom = 0;
    bool any = false;
    for (size_t c = 0; c < data.channels.size(); ++c) {
        const RecordChannel& ch = data.channels[c];
        const ChannelStatistics s = c < data.statistics.size() ? data.statistics[c] : ChannelStatistics{};
        CurveAxisRow r;
        r.channelId = ch.position;
        r.upperAlarm = ch.upperAlarm;
        r.lowerAlarm = ch.lowerAlarm;
        r.top = (s.count > 0 ? s.max : 0.0) + 2.0;
        r.bottom = (s.count > 0 ? s.min : 0.0) - 2.0;
        r.unit = ch.unit;
        r.type = ch.name;
        if (s.count > 0) {
            top = any ? std::max(top, r.top) : r.top;
            bottom = any ? std::min(bottom, r.bottom) : r.bottom;
            any = true;
        }
        rows.push_back(r);
    }
    if (sharedAxis && any)
        for (CurveAxisRow& r : rows) {
            r.top = top;
            r.bottom = bottom;
        }
    return rows;
}

CurveSnapshot RecordCurveSnapshot(const CRecordData& data, bool sharedAxis, const std::vector<int>& channels)
{
    CurveSnapshot s;
    s.axisLimit = sharedAxis ? 1 : -1;
    const std::vector<CurveAxisRow> rows = CurveAxisRows(data, sharedAxis);
    for (size_t i = 0; i < rows.size(); ++i) {
        s.colours.push_back(GeneratedCurveColour(int(i)));
        COORYINFO axis;
        axis.top = rows[i].top;
        axis.bottom = rows[i].bottom;
        axis.channelId = rows[i].channelId;
        s.axisInfo.push_back(axis);
        s.series.push_back(SERIEINFO{int(i), rows[i].upperAlarm, rows[i].lowerAlarm, QString(), rows[i].unit,
                                     rows[i].type});
    }
    s.samples = data.series;
    if (data.Count() > 0) {
        s.first = 0;
        s.last = int(data.Count() - 1);
        s.rangeValid = true;
        s.start = data.Seconds(0);
        s.end = data.Seconds(data.Count() - 1);
    }
    return channels.empty() ? s : SnapshotOfChannels(std::move(s), channels);
}

CurveSnapshot SnapshotOfChannels(CurveSnapshot snapshot, const std::vector<int>& channels)
{
    const std::set<int> keep(channels.begin(), channels.end());
    std::erase_if(snapshot.series, [&](const SERIEINFO& s) { return !keep.count(s.axis); });
    snapshot.cursorInPlot = false;
    return snapshot;
}

QString PrintDocumentName(bool curve, bool table)
{
    QString name = Msg(240);
    if (curve)
        name += Msg(237);
    if (curve && table)
        name += Msg(238);
    if (table)
        name += Msg(239);
    return name;
}

int PrintOptionsCheck(int channels, bool curve, bool table)
{
    if (channels <= 0)
        return 244;
    if (!curve && !table)
        return 311;
    return 0;
}

QStringList PrintChannelTexts(const QString& channelList)
{
    QStringList texts;
    if (channelList.isEmpty())
        return texts;
    for (const QString& entry : channelList.split(u';'))
        texts << (entry.contains(u'-') ? entry : qm::ChannelName(entry.trimmed().toInt()));
    return texts;
}

QStringList DataSheetHeaderLines(const PrintJob& job)
{
    const CRecordData& d = *job.data;
    const QDateTime& n = job.now;
    const qsizetype count = d.Count();
    return {Msg(169) + job.user,
            Msg(170) + d.header.devname,
            Msg(171) + QString::asprintf("%d/%02d/%02d %02d:%02d:%02d", n.date().year(), n.date().month(),
                                         n.date().day(), n.time().hour(), n.time().minute(), n.time().second()),
            Msg(182) + d.header.sn,
            Msg(173) + QString::number(count),
            Msg(174) + (count ? d.TimeText(0) : QString()),
            Msg(175) + (count ? d.TimeText(count - 1) : QString())};
}

QString DataSheetStatisticsLine(const PrintJob& job, const PrintChannel& channel)
{
    const CRecordData& d = *job.data;
    const RecordChannel& ch = d.channels[size_t(channel.channel)];
    const ChannelStatistics s =
        size_t(channel.channel) < d.statistics.size() ? d.statistics[size_t(channel.channel)] : ChannelStatistics{};
    return QStringLiteral("%1:%2,%3:%4,%5:%6,%7:%8,%9:%10")
        .arg(channel.label, ch.name, Msg(143), ch.unit, Msg(144), Figure(s, s.max), Msg(145), Figure(s, s.min),
             Msg(146))
        .arg(Figure(s, s.Average()));
}

DataSheetGeometry DataSheetLayout(QPagedPaintDevice& device, int channels, bool comparison, double screenDpi)
{
    if (screenDpi <= 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        screenDpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    }
    DataSheetGeometry g;
    g.unit = double(device.width()) / screenDpi;
    const double perChannel = (comparison ? kComparisonChannelUnits : kChannelUnits) * g.unit;
    g.columns = {kNumberUnits * g.unit, kTimeUnits * g.unit};
    for (int c = 0; c < channels; ++c)
        g.columns.push_back(perChannel);
    g.tableWidth = 0;
    for (double w : g.columns)
        g.tableWidth += w;
    const QFontMetricsF metrics(SheetFont(6, QFont::Thin), &device);
    g.rowHeight = std::ceil(metrics.height() * 1.5);
    const double gap = 2 * g.unit;
    g.blocksAcross = std::max(1, int((device.width() + gap) / (g.tableWidth + gap)));
    return g;
}

PrintResult PrintRecordPages(QPagedPaintDevice& device, const PrintJob& job, const PrintProgress& progress, int* pages)
{
    int pageCount = 0;
    if (pages)
        *pages = 0;
    if (!job.data)
        return PrintResult::Failed;
    const CRecordData& d = *job.data;
    QPainter painter;
    if (!painter.begin(&device))
        return PrintResult::NotStarted;
    const double width = device.width();
    const double height = device.height();
    bool pageUsed = false;
    const auto nextPage = [&]() -> bool {
        if (pageUsed && !device.newPage())
            return false;
        pageUsed = true;
        ++pageCount;
        return true;
    };
    const auto stop = [&](PrintResult r) {
        painter.end();
        if (pages)
            *pages = pageCount;
        return r;
    };
    const qsizetype total = d.Count();
    const QFont headerFont = SheetFont(10, QFont::Normal);
    const double line = QFontMetricsF(headerFont, &device).lineSpacing();

    if (job.curve) {
        if (!nextPage())
            return stop(PrintResult::Failed);
        painter.setFont(headerFont);
        DrawTextWithFallback(painter, QRectF(0, 0, width, line), Qt::AlignHCenter | Qt::AlignVCenter, Msg(242));
        std::vector<int> chosen;
        for (const PrintChannel& c : job.channels)
            chosen.push_back(c.channel);
        CurveSnapshot snapshot = SnapshotOfChannels(job.curveSnapshot, chosen);
        const double scale = width / kCurveLogicalWidth;
        // A landscape-shaped picture under the heading, at most the page's height.
        const double logicalHeight = std::min((height - 2 * line) / scale, kCurveLogicalWidth * 0.62);
        painter.save();
        painter.translate(0, 2 * line);
        painter.scale(scale, scale);
        CurveRenderOptions options;
        if (progress)
            options.cancelled = [&] { return !progress(pageCount - 1, 0, total); };
        const bool drawn = DrawCurveGraph(painter, QRect(0, 0, int(kCurveLogicalWidth), int(logicalHeight)), snapshot,
                                          options);
        painter.restore();
        if (!drawn)
            return stop(PrintResult::Cancelled);
        if (progress && !progress(pageCount, 0, total))
            return stop(PrintResult::Cancelled);
    }

    if (job.table) {
        if (!nextPage())
            return stop(PrintResult::Failed);
        painter.setFont(headerFont);
        double y = 0;
        const auto textLine = [&](const QString& text) {
            DrawTextWithFallback(painter, QPointF(0, y), text);
            y += line;
        };
        for (const QString& text : DataSheetHeaderLines(job))
            textLine(text);
        for (const PrintChannel& c : job.channels)
            textLine(DataSheetStatisticsLine(job, c));
        y += line;

        const DataSheetGeometry g = DataSheetLayout(device, int(job.channels.size()), job.comparison);
        const QFont tableFont = SheetFont(6, QFont::Thin);
        painter.setFont(tableFont);
        QPen pen(Qt::black);
        pen.setWidthF(std::max(1.0, g.unit / 20));
        painter.setPen(pen);
        QStringList titles{Msg(132), Msg(5806)};
        for (const PrintChannel& c : job.channels)
            titles << c.text + d.channels[size_t(c.channel)].unit;
        const double gap = 2 * g.unit;
        const double groupWidth = g.blocksAcross * g.tableWidth + (g.blocksAcross - 1) * gap;
        const double left = std::max(0.0, (width - groupWidth) / 2);

        qsizetype row = 0;
        int block = 0; // block on this page
        while (row < total || (total == 0 && block == 0)) {
            const int rowsFit = int((height - y) / g.rowHeight) - 1; // one for the titles
            if (rowsFit < 1) {
                if (y == 0) // not even one row fits an empty page
                    return stop(PrintResult::Failed);
                if (!nextPage())
                    return stop(PrintResult::Failed);
                y = 0;
                block = 0;
                continue;
            }
            double x = left + block * (g.tableWidth + gap);
            const auto cell = [&](double cy, int column, const QString& text) {
                const QRectF r(x, cy, g.columns[size_t(column)], g.rowHeight);
                painter.drawRect(r);
                DrawTextWithFallback(painter, r, Qt::AlignCenter, text);
                x += g.columns[size_t(column)];
            };
            const double blockLeft = x;
            for (int c = 0; c < titles.size(); ++c)
                cell(y, c, titles.at(c));
            const qsizetype end = std::min(total, row + rowsFit);
            for (qsizetype i = row; i < end; ++i) {
                x = blockLeft;
                const double cy = y + double(i - row + 1) * g.rowHeight;
                cell(cy, 0, QString::number(i + 1));
                cell(cy, 1, d.TimeText(i));
                for (size_t c = 0; c < job.channels.size(); ++c)
                    cell(cy, int(c + 2), d.ValueText(i, job.channels[c].channel));
            }
            row = end;
            if (progress && !progress(pageCount, row, total))
                return stop(PrintResult::Cancelled);
            if (row >= total)
                break;
            if (++block >= g.blocksAcross) {
                if (!nextPage())
                    return stop(PrintResult::Failed);
                y = 0;
                block = 0;
            }
        }
    }
    return stop(PrintResult::Printed);
}

int PrintResultMessage(PrintResult result)
{
    switch (result) {
    case PrintResult::Printed: return 243;
    case PrintResult::NotStarted: return 344;
    case PrintResult::Failed: return 241;
    case PrintResult::Cancelled: return 0;
    }
    return 241;
}

} // namespace qm::browse
