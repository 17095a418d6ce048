#include "Comparison.h"

#include "MessageSeam.h"
#include "Schema.h"
#include "Strings.h"

#include <QRegularExpression>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <optional>
#include <set>
#include <thread>

namespace qm::browse {

namespace {

// Record interval in seconds from the stored "h;m;s", −1 when there is none.
int IntervalSecondsOf(const QString& stored)
{
    const QStringList parts = stored.split(u';', Qt::SkipEmptyParts);
    if (parts.size() != 3)
        return -1;
    int seconds = 0;
    for (const QString& part : parts) {
        bool ok = false;
        const int v = part.trimmed().toInt(&ok);
        if (!ok || v < 0)
            return -1;
        seconds = seconds * 60 + v;
    }
    return seconds > 0 ? seconds : IntervalSecondsOfMinutes(0);
}

// "%d-%d-%d %d:%d:%d" read leniently; nullopt when it has no date.
std::optional<qint64> ParseLooseTime(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*(\\d+)-(\\d+)-(\\d+)(?:\\s+(\\d+):(\\d+):(\\d+))?"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    SampleTime t;
    t.year = m.captured(1).toInt();
    t.month = m.captured(2).toInt();
    t.day = m.captured(3).toInt();
    t.hour = m.captured(4).toInt();
    t.minute = m.captured(5).toInt();
    t.second = m.captured(6).toInt();
    return CurveSeconds(t);
}

QString Figure(const ChannelStatistics& s, double value, const QString& sn, bool pdfForm)
{
    // A key without a counted reading has no figure: "-" rather than a number.
    const QString number = s.count > 0 ? QString::asprintf("%.1f", value) : QStringLiteral("-");
    return pdfForm ? QStringLiteral("(%1)%2").arg(sn, number) : number;
}

} // namespace

std::vector<int> CComparison::Types() const
{
    std::set<int> types;
    for (const ComparisonKey& k : keys)
        types.insert(k.type);
    return {types.begin(), types.end()};
}

std::vector<int> CComparison::KeysOf(int type) const
{
    std::vector<int> found;
    for (size_t k = 0; k < keys.size(); ++k)
        if (keys[k].type == type)
            found.push_back(int(k));
    return found;
}

ComparisonView CComparison::View(int type, const AnalysisOptions& options) const
{
    ComparisonView view;
    view.type = type;
    view.keys = KeysOf(type);
    CRecordData& data = view.data;
    QStringList names, sns, devnames;
    for (const auto& r : records) {
        names << r->header.name;
        sns << r->header.sn;
        devnames << r->header.devname;
    }
    data.header.name = names.join(u'|');
    data.header.sn = sns.join(u'|');
    data.header.devname = devnames.join(u'|');
    if (!records.empty()) {
        data.header.id = records.front()->header.id;
        data.intervalText = records.front()->intervalText;
    }
    data.window = window;
    data.hasConfig = true;
    QStringList codes;
    for (size_t j = 0; j < view.keys.size(); ++j) {
        RecordChannel ch = keys[size_t(view.keys[j])].channel;
        ch.position = int(j + 1);
        ch.key = keys[size_t(view.keys[j])].key;
        data.channels.push_back(ch);
        codes << QString::number(type);
    }
    data.channelList = codes.join(u';');

    std::vector<const SampleColumn*> columns;
    for (int k : view.keys)
        columns.push_back(merged->Column(k + 1));
    SampleSeriesBuilder builder;
    for (qsizetype i = 0; i < merged->Count(); ++i) {
        bool any = false;
        for (const SampleColumn* c : columns)
            any = any || (c && c->HasValue(i));
        if (!any)
            continue;
        builder.BeginSample(merged->Time(i), merged->IntervalSeconds(i));
        for (size_t j = 0; j < columns.size(); ++j)
            if (columns[j] && columns[j]->HasValue(i))
                builder.AddValue(int(j + 1), columns[j]->Value(i), columns[j]->TextUtf8(i));
    }
    data.series = builder.Build();
    ComputeStatistics(&data, options);
    return view;
}

bool ComparisonPreset(const std::vector<TickedRecord>& ticked, TimeWindow* preset)
{
    if (ticked.size() < 2)
        return false;
    std::optional<qint64> first, last;
    for (const TickedRecord& r : ticked) {
        if (const auto s = ParseLooseTime(r.timeStart); s && (!first || *s < *first))
            first = s;
        if (const auto e = ParseLooseTime(r.timeEnd); e && (!last || *e > *last))
            last = e;
    }
    preset->start = first ? FormatSeconds(*first) : QString();
    preset->end = last ? FormatSeconds(*last) : QString();
    return true;
}

TimeWindow ComparisonWindow(const QString& start, const QString& end)
{
    if (end < start)
        return {end, start};
    return {start, end};
}

LoadResult LoadComparison(const std::vector<int>& recordIds, const TimeWindow& window, CComparison* out,
                          const std::function<void(const std::function<bool()>& done)>& wait)
{
    if (recordIds.size() < 2)
        return LoadResult::TooFewSlots;
    const AnalysisOptions options = AnalysisSettings();
    const size_t n = recordIds.size();
    std::vector<CRecordData> loaded(n);
    std::vector<LoadResult> results(n, LoadResult::Failed);
    std::atomic<size_t> running{n};
    std::vector<std::thread> workers;
    workers.reserve(n);
    for (size_t r = 0; r < n; ++r) {
        workers.emplace_back([&, r] {
            results[r] = LoadRecord(recordIds[r], window, &loaded[r], {}, options);
            running.fetch_sub(1);
        });
    }
    if (wait)
        wait([&] { return running.load() == 0; });
    for (std::thread& w : workers)
        w.join();

    CComparison c;
    c.window = window;
    bool anyRows = false;
    for (size_t r = 0; r < n; ++r) {
        if (results[r] == LoadResult::Failed || results[r] == LoadResult::UnknownRecord)
            return LoadResult::Failed;
        anyRows = anyRows || results[r] == LoadResult::Loaded;
        c.records.push_back(std::make_shared<const CRecordData>(std::move(loaded[r])));
    }

    // Keys record by record, value positions in order.
    std::vector<std::vector<int>> keyOf(n); // record → channel index → key index
    for (size_t r = 0; r < n; ++r) {
        const CRecordData& rec = *c.records[r];
        for (size_t ch = 0; ch < rec.channels.size(); ++ch) {
            const RecordChannel& channel = rec.channels[ch];
            ComparisonKey k;
            k.sn = rec.header.sn;
            k.position = channel.position - 1;
            k.type = channel.type;
            k.record = int(r);
            k.key = QString::asprintf("%s_%d_%s_%d", qPrintable(k.sn), k.position,
                                      qPrintable(QString::number(k.type)), int(r));
            k.recordName = rec.header.name;
            k.devname = rec.header.devname;
            k.title = rec.header.name + QStringLiteral("-") + channel.name;
            k.channel = channel;
            keyOf[r].push_back(int(c.keys.size()));
            c.keys.push_back(std::move(k));
        }
    }

    // Merged rows: every time of every record once, ascending.
    std::vector<qint64> times;
    for (const auto& rec : c.records)
        times.insert(times.end(), rec->series->Times(), rec->series->Times() + rec->Count());
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());

    std::vector<int> interval(n, -1);
    for (size_t r = 0; r < n; ++r)
        interval[r] = IntervalSecondsOf(c.records[r]->config.recordInterval);
    std::vector<qsizetype> next(n, 0);
    SampleSeriesBuilder builder;
    builder.Reserve(qsizetype(times.size()));
    for (qint64 t : times) {
        // A row's interval is the longest of the records that have a sample
        // then: a gap is dotted only when it is one for every one of them.
        int rowInterval = -1;
        std::vector<qsizetype> at(n, -1);
        for (size_t r = 0; r < n; ++r) {
            const SampleSeries& s = *c.records[r]->series;
            while (next[r] < s.Count() && s.Time(next[r]) < t)
                ++next[r];
            if (next[r] < s.Count() && s.Time(next[r]) == t) {
                at[r] = next[r];
                rowInterval = std::max(rowInterval, interval[r]);
                // A second row of one record at the same time adds nothing.
                while (next[r] < s.Count() && s.Time(next[r]) == t)
                    ++next[r];
            }
        }
        builder.BeginSample(t, rowInterval);
        for (size_t r = 0; r < n; ++r) {
            if (at[r] < 0)
                continue;
            const CRecordData& rec = *c.records[r];
            for (size_t ch = 0; ch < rec.channels.size(); ++ch) {
                const SampleColumn* column = rec.Column(int(ch));
                if (column)
                    builder.AddValue(keyOf[r][ch] + 1, column->Value(at[r]), column->TextUtf8(at[r]));
            }
        }
    }
    c.merged = builder.Build();
    *out = std::move(c);
    return anyRows && !times.empty() ? LoadResult::Loaded : LoadResult::NoData;
}

QString ComparisonExportText(const CComparison& comparison, const ComparisonView& view, const QString& separator,
                             bool pdfForm)
{
    const QString end = QStringLiteral("\r\n");
    const CRecordData& data = view.data;
    QString text;
    const auto figures = [&](int label, auto value) {
        text += qm::Msg(label);
        for (size_t j = 0; j < view.keys.size(); ++j) {
            const ChannelStatistics& s = data.statistics[j];
            text += separator + Figure(s, value(s), comparison.keys[size_t(view.keys[j])].sn, pdfForm);
        }
        text += end;
    };
    figures(144, [](const ChannelStatistics& s) { return s.max; });
    figures(145, [](const ChannelStatistics& s) { return s.min; });
    figures(146, [](const ChannelStatistics& s) { return s.Average(); });
    text += end;
    text += qm::Msg(137);
    for (int k : view.keys)
        text += separator + comparison.keys[size_t(k)].sn;
    text += end;
    text += qm::Msg(170);
    for (int k : view.keys)
        text += separator + comparison.keys[size_t(k)].devname;
    text += end;
    text += qm::Msg(179);
    for (int k : view.keys)
        text += separator + comparison.keys[size_t(k)].title;
    text += end;
    for (qsizetype i = 0; i < data.Count(); ++i) {
        text += data.TimeText(i);
        for (size_t j = 0; j < view.keys.size(); ++j)
            text += separator + data.ValueText(i, int(j));
        text += end;
    }
    return text;
}

QString ComparisonExportFor(const QString& path, const CComparison& comparison, const ComparisonView& view)
{
    if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        return ComparisonExportText(comparison, view, QStringLiteral("\t"), true);
    const bool csv = path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
    return ComparisonExportText(comparison, view, csv ? QStringLiteral(",") : QStringLiteral("\t"), false);
}

QString ComparisonLogText(const CComparison& comparison, const ComparisonView& view)
{
    QStringList names;
    for (const auto& r : comparison.records)
        names << r->header.name;
    const CRecordData& data = view.data;
    const QString first = data.IsEmpty() ? QString() : data.TimeText(0);
    const QString last = data.IsEmpty() ? QString() : data.TimeText(data.Count() - 1);
    return QStringLiteral("%1 %2~%3").arg(names.join(u'|'), first, last);
}

} // namespace qm::browse
