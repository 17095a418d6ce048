#include "RecordData.h"

#include "AppEnv.h"
#include "ChannelInfo.h"
#include "Ciniwell.h"
#include "MessageSeam.h"
#include "OpenDatabase.h"
#include "ProgramContext.h"
#include "Recordset.h"
#include "SampleValue.h"
#include "Schema.h"
#include "SqlQuote.h"

#include <QDateTime>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <unordered_map>

namespace qm::browse {

using store::CDBSqlite3;
using store::CRecordset;
using store::SqlText;

namespace {

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();
constexpr double kGasConstant = 8.3144; // J/(mol·K)
constexpr double kKelvin = 273.15;

// ---- reading the stored texts without making a QString of every cell

// "%d-%02d-%02d %02d:%02d:%02d" read as far as it goes (sscanf's way: a field
// that is not there stays 0).
qint64 ParseTimeSeconds(const char* s, size_t n)
{
    int fields[6] = {0, 0, 0, 0, 0, 0};
    size_t i = 0;
    for (int f = 0; f < 6; ++f) {
        while (i < n && s[i] == ' ')
            ++i;
        bool negative = false;
        if (f == 0 && i < n && s[i] == '-') {
            negative = true;
            ++i;
        }
        const size_t begin = i;
        int v = 0;
        while (i < n && s[i] >= '0' && s[i] <= '9' && i - begin < 9)
            v = v * 10 + (s[i++] - '0');
        if (i == begin)
            break;
        fields[f] = negative ? -v : v;
        if (f < 5) {
            const char separator = f < 2 ? '-' : (f == 2 ? ' ' : ':');
            if (i >= n || s[i] != separator)
                break;
            ++i;
        }
    }
    return CurveSeconds(SampleTime{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]});
}

// The number of one value text, as ParseSampleValue reads it; NaN for no value.
double ParseValue(const char* s, size_t n)
{
    if (n == 0 || (n == 1 && s[0] == '-'))
        return kNoValue;
    if (n == 3 && s[0] == 'E' && s[1] == 'R' && s[2] == 'R')
        return kErrorValue;
    bool ascii = true;
    for (size_t i = 0; i < n && ascii; ++i)
        ascii = (unsigned char)s[i] < 0x80;
    const char lead = s[0];
    if (ascii && ((lead >= '0' && lead <= '9') || lead == '-' || lead == '+' || lead == '.')) {
        size_t i = 0;
        bool negative = false;
        if (s[i] == '-' || s[i] == '+')
            negative = s[i++] == '-';
        if (i < n && s[i] != '-' && s[i] != '+') {
            double value = 0.0;
            const std::from_chars_result r = std::from_chars(s + i, s + n, value);
            if (r.ec == std::errc() && std::isfinite(value))
                return negative ? -value : value;
        }
        return 0.0;
    }
    const QString text = QString::fromUtf8(s, qsizetype(n));
    const SampleNumber number = ParseSampleValue(text.contains(u'°') ? QStringView(u"°") : QStringView(), text);
    return number.valid ? number.value : kNoValue;
}

// Splits "a;b;c" and calls f(index, begin, size) for each part.
template <typename F>
void ForEachPart(const std::string& text, F&& f)
{
    size_t begin = 0;
    int index = 0;
    for (;;) {
        size_t end = text.find(';', begin);
        if (end == std::string::npos)
            end = text.size();
        f(index++, text.data() + begin, end - begin);
        if (end >= text.size())
            break;
        begin = end + 1;
    }
}

enum ColumnRole : unsigned char { kOther, kTime, kData, kChan };

// One pass over a history query: QueryRows calls back per column; a row is
// complete when the next one starts or the query ends.
struct HistoryPass {
    SampleSeriesBuilder builder;
    std::vector<unsigned char> roles;
    int column = 0;
    qsizetype rows = 0;
    bool inRow = false;
    std::string time, data, chan;
    QString firstChannels; // his_chan of the first row
    // Merging: the row's values go to `onRow` instead of the builder.
    std::function<void(qint64, const std::string&, const std::string&)> onRow;

    void EndRow()
    {
        if (!inRow)
            return;
        inRow = false;
        if (rows == 0)
            firstChannels = QString::fromUtf8(chan.data(), qsizetype(chan.size()));
        ++rows;
        const qint64 seconds = ParseTimeSeconds(time.data(), time.size());
        if (onRow) {
            onRow(seconds, data, chan);
            return;
        }
        builder.BeginSample(seconds);
        ForEachPart(data, [this](int index, const char* s, size_t n) {
            builder.AddValue(index + 1, ParseValue(s, n), QByteArrayView(s, qsizetype(n)));
        });
    }
};

void HistoryRow(void* owner, const char* name, const char* value, int row, int firstColumn)
{
    auto* pass = static_cast<HistoryPass*>(owner);
    if (firstColumn) {
        pass->EndRow();
        pass->inRow = true;
        pass->column = 0;
        pass->time.clear();
        pass->data.clear();
        pass->chan.clear();
    }
    const int c = pass->column++;
    if (row == 0) {
        const QByteArrayView n(name);
        pass->roles.push_back(n == "his_time" ? kTime : n == "his_data" ? kData : n == "his_chan" ? kChan : kOther);
    }
    if (!value || size_t(c) >= pass->roles.size())
        return;
    switch (pass->roles[size_t(c)]) {
    case kTime: pass->time.assign(value); break;
    case kData: pass->data.assign(value); break;
    case kChan: pass->chan.assign(value); break;
    default: break;
    }
}

QString HistoryQuery(const QString& table, const TimeWindow& window, bool ordered)
{
    if (!window.IsEmpty())
        return QStringLiteral("select * from '%1'where his_time <= '%2' and his_time >= '%3' order by his_time;")
            .arg(SqlText(table), SqlText(window.end), SqlText(window.start));
    return ordered ? QStringLiteral("select * from '%1' order by his_time;").arg(SqlText(table))
                   : QStringLiteral("select * from '%1';").arg(SqlText(table));
}

// 1 when the table is there, 0 when not, −1 on an error.
int TableExists(CDBSqlite3& db, const QString& table)
{
    std::unique_ptr<CRecordset> set;
    const int rc = db.ListTables(QStringLiteral("name = %1 collate nocase").arg(store::SqlQuoted(table)), set);
    return rc < 0 ? -1 : (rc == 1 && set && set->RecordCount() > 0 ? 1 : 0);
}

// Runs the history query of `table` into `pass`.
LoadResult RunHistory(CDBSqlite3& db, const QString& table, const TimeWindow& window, bool ordered)
{
    const int exists = TableExists(db, table);
    if (exists < 0)
        return LoadResult::Failed;
    if (exists == 0)
        return LoadResult::NoData;
    const int rc = db.QueryRows(HistoryQuery(table, window, ordered), HistoryRow);
    static_cast<HistoryPass*>(db.Owner())->EndRow();
    return rc < 0 ? LoadResult::Failed : (rc == 0 ? LoadResult::NoData : LoadResult::Loaded);
}

} // namespace

int ReadRecordHeader(int recordId, RecordHeader* header)
{
    auto main = store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 1);
    if (!main)
        return -1;
    main->SetReportMode(store::kReportLog);
    std::unique_ptr<CRecordset> set;
    const int rc = main->QueryRecordset(QStringLiteral("select * from recordtime where id = %1;").arg(recordId), set);
    if (rc < 0)
        return -1;
    if (rc == 0 || !set || set->RecordCount() == 0)
        return 0;
    set->MoveFirst();
    header->id = recordId;
    header->name = set->Text(u"name");
    header->sn = set->Text(u"SN");
    header->devname = set->Text(u"devname");
    header->timeStart = set->Text(u"time_start");
    header->timeEnd = set->Text(u"time_end");
    header->table = set->Text(u"hisdata_table");
    header->imported = set->Integer(u"import") == 1;
    return 1;
}

namespace {

int ReadHeader(int recordId, RecordHeader* header) { return ReadRecordHeader(recordId, header); }

std::unique_ptr<CDBSqlite3> OpenLogger(void* owner, const QString& sn)
{
    const QString path = store::LoggerDatabasePath(qm::ProgramFolder(), sn);
    if (path.isEmpty())
        return nullptr;
    auto db = store::OpenDatabase(owner, path, 0, 0, 1);
    if (db)
        db->SetReportMode(store::kReportLog);
    return db;
}

QStringList Split(const QString& joined) { return joined.isEmpty() ? QStringList() : joined.split(u';'); }

RecordChannel ChannelOf(int position, int type)
{
    RecordChannel c;
    c.position = position;
    c.type = type;
    c.name = qm::ChannelName(type);
    c.unit = qm::ChannelUnit(type);
    return c;
}

// The channels: one per code of the channel list, and one more for each
// value position of the rows beyond it.
void MakeChannels(CRecordData* data, const QString& firstRowChannels)
{
    if (data->channelList.isEmpty())
        data->channelList = firstRowChannels;
    const QStringList codes = Split(data->channelList);
    const QStringList rowCodes = Split(firstRowChannels);
    data->channels.clear();
    for (qsizetype i = 0; i < qMax(codes.size(), rowCodes.size()); ++i) {
        const QString code = i < codes.size() ? codes.at(i) : rowCodes.at(i);
        data->channels.push_back(ChannelOf(int(i + 1), code.trimmed().toInt()));
    }
    FillAlarmValues(data);
}

LoadResult LoadSamples(CDBSqlite3& db, HistoryPass& pass, CRecordData* data, const TimeWindow& window,
                       const AnalysisOptions& options)
{
    const LoadResult result = RunHistory(db, data->header.table, window, true);
    data->window = window;
    data->series = pass.builder.Build();
    if (result != LoadResult::Loaded)
        data->series = std::make_shared<SampleSeries>();
    if (data->channels.empty()
        || (result == LoadResult::Loaded && !pass.firstChannels.isEmpty()
            && qsizetype(data->channels.size()) < Split(pass.firstChannels).size()))
        MakeChannels(data, pass.firstChannels);
    ComputeStatistics(data, options);
    return result;
}

// Runs of samples beyond one alarm value.
struct ExcursionRun {
    bool active = false;
    qint64 start = 0;
    qint64 last = 0;
    void Step(Excursions& e, bool outside, qint64 t, qsizetype i)
    {
        if (outside) {
            if (!active) {
                active = true;
                start = t;
                ++e.count;
                if (e.first < 0)
                    e.first = i;
            }
            last = t;
        } else if (active) {
            e.seconds += t - start;
            active = false;
        }
    }
    void Finish(Excursions& e)
    {
        if (active)
            e.seconds += last - start;
        active = false;
    }
};

} // namespace

bool RecordChannel::IsTemperature() const
{
    const QString u = unit.trimmed();
    return u == QStringLiteral("°C") || u == QStringLiteral("℃");
}

AnalysisOptions AnalysisSettings()
{
    AnalysisOptions options;
    bool ok = false;
    const double dh =
        qm::Settings().GetIniStr(QStringLiteral("analysis"), QStringLiteral("mkt_dh")).trimmed().toDouble(&ok);
    if (ok && std::isfinite(dh) && dh > 0)
        options.mktDeltaH = dh;
    return options;
}

double MeanKineticTemperature(const double* celsius, qsizetype count, double deltaHkJ)
{
    // ln of the mean of exp(−ΔH/(R·T)), kept in range by factoring out the largest exponent.
    const double k = deltaHkJ * 1000.0 / kGasConstant;
    double top = -std::numeric_limits<double>::infinity();
    double sum = 0.0;
    for (qsizetype i = 0; i < count; ++i) {
        const double t = celsius[i] + kKelvin;
        if (!(t > 0))
            return kNoValue;
        const double x = -k / t;
        if (x > top) {
            sum = sum * std::exp(top - x) + 1.0;
            top = x;
        } else {
            sum += std::exp(x - top);
        }
    }
    if (count == 0)
        return kNoValue;
    const double lnMean = top + std::log(sum / double(count));
    return k / -lnMean - kKelvin;
}

QString FormatSeconds(qint64 seconds)
{
    const SampleTime t = CurveSampleTime(seconds);
    return QString::asprintf("%d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

QString IntervalText(const QString& stored)
{
    if (stored.trimmed().isEmpty())
        return QStringLiteral("-");
    QStringList parts;
    for (const QString& part : stored.split(u';'))
        parts << QString::asprintf("%02d", int(LeadingNumber(part)));
    return parts.join(u':');
}

QString CRecordData::TimeText(qsizetype i) const { return FormatSeconds(series->Time(i)); }

const SampleColumn* CRecordData::Column(int channel) const
{
    if (channel < 0 || channel >= int(channels.size()))
        return nullptr;
    const SampleColumn* column = series->Column(channels[size_t(channel)].position);
    return column && column->Count() == Count() ? column : nullptr;
}

QString CRecordData::ValueText(qsizetype i, int channel) const
{
    const SampleColumn* column = Column(channel);
    if (!column || !column->HasValue(i))
        return QStringLiteral("-");
    return column->Text(i);
}

double CRecordData::Value(qsizetype i, int channel) const
{
    const SampleColumn* column = Column(channel);
    return column ? column->Value(i) : kNoValue;
}

QString CRecordData::PositionList() const
{
    QStringList list;
    for (const RecordChannel& c : channels)
        list << QString::number(c.position);
    return list.join(u';');
}

int LoadMessageNumber(LoadResult result)
{
    switch (result) {
    case LoadResult::Loaded: return 0;
    case LoadResult::NoData: return 165;
    case LoadResult::TooFewSlots: return 303;
    case LoadResult::Failed:
    case LoadResult::UnknownRecord: return 123;
    }
    return 123;
}

void ShowLoadMessage(LoadResult result)
{
    if (const int number = LoadMessageNumber(result))
        qm::ShowMessage(number);
}

void FillAlarmValues(CRecordData* data)
{
    const store::RecordConfigTexts& c = data->config;
    // Imported records keep the phone's alarm limits in the limit columns.
    const bool fromLimits = data->header.imported && !c.upperLimits.trimmed().isEmpty();
    const QStringList upper = Split(fromLimits ? c.upperLimits : c.alarmUpper);
    const QStringList lower = Split(fromLimits ? c.lowerLimits : c.alarmLower);
    const bool fromRanges = !fromLimits && c.alarmUpper.isNull();
    const QStringList topLimits = Split(c.upperLimits);
    const QStringList floorLimits = Split(c.lowerLimits);
    for (size_t i = 0; i < data->channels.size(); ++i) {
        RecordChannel& ch = data->channels[i];
        const qsizetype at = qsizetype(i);
        if (fromRanges) {
            const QString range = qm::ChannelRange(ch.type);
            const qsizetype tilde = range.indexOf(u'~');
            ch.lowerAlarm = tilde >= 0 ? range.left(tilde).trimmed() : QString();
            ch.upperAlarm = tilde >= 0 ? range.mid(tilde + 1).trimmed() : QString();
        } else {
            ch.upperAlarm = at < upper.size() ? upper.at(at).trimmed() : QString();
            ch.lowerAlarm = at < lower.size() ? lower.at(at).trimmed() : QString();
        }
        if (ch.upperAlarm.isEmpty())
            ch.upperAlarm = QStringLiteral("-");
        if (ch.lowerAlarm.isEmpty())
            ch.lowerAlarm = QStringLiteral("-");
        ch.upperLimit = at < topLimits.size() ? topLimits.at(at).trimmed() : QString();
        ch.lowerLimit = at < floorLimits.size() ? floorLimits.at(at).trimmed() : QString();
    }
}

void ComputeStatistics(CRecordData* data, const AnalysisOptions& options)
{
    data->statistics.assign(data->channels.size(), ChannelStatistics{});
    const qint64* times = data->series->Times();
    std::vector<double> temperatures;
    for (size_t c = 0; c < data->channels.size(); ++c) {
        const RecordChannel& ch = data->channels[c];
        ChannelStatistics& s = data->statistics[c];
        const SampleColumn* column = data->Column(int(c));
        if (!column)
            continue;
        const SampleNumber upper = ParseSampleValue(ch.upperAlarm, ch.upperAlarm);
        const SampleNumber lower = ParseSampleValue(ch.upperAlarm, ch.lowerAlarm);
        const bool temperature = ch.IsTemperature();
        temperatures.clear();
        ExcursionRun above, below;
        const double* v = column->Values();
        const qsizetype n = column->Count();
        for (qsizetype i = 0; i < n; ++i) {
            const double x = v[i];
            if (std::isnan(x))
                continue;
            if (IsErrorValue(x)) {
                ++s.errors;
                continue;
            }
            if (s.count == 0 || x > s.max) {
                s.max = x;
                s.maxIndex = i;
            }
            if (s.count == 0 || x < s.min) {
                s.min = x;
                s.minIndex = i;
            }
            ++s.count;
            s.sum += x;
            if (temperature)
                temperatures.push_back(x);
            if (upper.valid)
                above.Step(s.above, x > upper.value, times[i], i);
            if (lower.valid)
                below.Step(s.below, x < lower.value, times[i], i);
        }
        above.Finish(s.above);
        below.Finish(s.below);
        if (temperature && s.count > 0) {
            s.mkt = MeanKineticTemperature(temperatures.data(), qsizetype(temperatures.size()), options.mktDeltaH);
            s.hasMkt = std::isfinite(s.mkt);
        }
    }
}

LoadResult LoadRecord(int recordId, const TimeWindow& window, CRecordData* out,
                      const store::ConnectedConfigSource& connected, const AnalysisOptions& options)
{
    CRecordData data;
    const int header = ReadHeader(recordId, &data.header);
    if (header <= 0)
        return header == 0 ? LoadResult::UnknownRecord : LoadResult::Failed;
    HistoryPass pass;
    auto logger = OpenLogger(&pass, data.header.sn);
    if (!logger)
        return LoadResult::Failed;
    const int config = store::EnsureRecordConfig(*logger, recordId, &data.config, connected);
    if (config < 0)
        return LoadResult::Failed;
    data.hasConfig = config == 1;
    data.channelList = data.config.channelTypes;
    data.intervalText = IntervalText(data.config.recordInterval);
    if (!data.channelList.isEmpty())
        MakeChannels(&data, QString());
    const LoadResult result = LoadSamples(*logger, pass, &data, window, options);
    if (result == LoadResult::Failed)
        return result;
    *out = std::move(data);
    return result;
}

LoadResult ReloadWindow(CRecordData* data, const TimeWindow& window, const AnalysisOptions& options)
{
    HistoryPass pass;
    auto logger = OpenLogger(&pass, data->header.sn);
    if (!logger)
        return LoadResult::Failed;
    return LoadSamples(*logger, pass, data, window, options);
}

void RemoveSamples(CRecordData* data, std::vector<qsizetype> indices, const AnalysisOptions& options)
{
    std::sort(indices.begin(), indices.end());
    const SampleSeries& old = *data->series;
    const std::vector<int> positions = old.Positions();
    std::vector<const SampleColumn*> columns;
    for (int p : positions)
        columns.push_back(old.Column(p));
    SampleSeriesBuilder builder;
    builder.Reserve(old.Count() - qsizetype(indices.size()));
    size_t next = 0;
    for (qsizetype i = 0; i < old.Count(); ++i) {
        while (next < indices.size() && indices[next] < i)
            ++next;
        if (next < indices.size() && indices[next] == i)
            continue;
        builder.BeginSample(old.Time(i), old.IntervalSeconds(i));
        for (size_t c = 0; c < positions.size(); ++c) {
            if (columns[c]->Count() > i)
                builder.AddValue(positions[c], columns[c]->Value(i), columns[c]->TextUtf8(i));
        }
    }
    data->series = builder.Build();
    ComputeStatistics(data, options);
}

TimeWindow SearchWindow(const QDateTime& from, const QDateTime& to)
{
    const QDateTime a = from <= to ? from : to;
    const QDateTime b = from <= to ? to : from;
    return {store::FormatSampleTime(a), store::FormatSampleTime(b)};
}

int PreciseQueryCheck(const QDateTime& from, const QDateTime& to)
{
    const QString start = from.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QString end = to.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return end < start ? 156 : 0;
}

std::vector<RecordChoice> RecordsOfLogger(const QString& sn)
{
    std::vector<RecordChoice> list;
    auto main = store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 1);
    if (!main)
        return list;
    main->SetReportMode(store::kReportLog);
    std::unique_ptr<CRecordset> set;
    if (main->QueryRecordset(QStringLiteral("select * from recordtime where SN = '%1' order by %2;")
                                 .arg(SqlText(sn), store::RecordListOrder()),
                             set)
            == 1
        && set) {
        for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
            list.push_back({int(set->Integer(u"id")), set->Text(u"name"), set->Text(u"hisdata_table")});
    }
    return list;
}

LoadResult LoadMerged(const std::vector<MergeSlot>& mergeSlots, const TimeWindow& window, CRecordData* out,
                      const AnalysisOptions& options)
{
    std::vector<MergeSlot> taken;
    for (const MergeSlot& s : mergeSlots) {
        if (s.IsComplete())
            taken.push_back(s);
    }
    if (taken.size() < 2)
        return LoadResult::TooFewSlots;

    struct Cell {
        int key;
        double value;
        QByteArray text;
    };
    std::unordered_map<qint64, std::vector<Cell>> byTime;
    std::vector<QString> keys; // "%d_%s" in order of first appearance
    std::vector<int> keyTypes;
    std::vector<std::pair<size_t, int>> keySource; // slot, channel index in that slot's config
    std::unordered_map<std::string, int> keyIndex;
    std::vector<CRecordData> sources;
    bool anyRows = false;

    for (size_t slot = 0; slot < taken.size(); ++slot) {
        CRecordData source;
        const int header = ReadHeader(taken[slot].recordId, &source.header);
        if (header <= 0)
            return LoadResult::Failed;
        HistoryPass pass;
        auto logger = OpenLogger(&pass, source.header.sn);
        if (!logger)
            return LoadResult::Failed;
        if (store::ReadRecordConfig(*logger, source.header.id, &source.config) < 0)
            return LoadResult::Failed;
        source.channelList = source.config.channelTypes;
        pass.onRow = [&](qint64 seconds, const std::string& data, const std::string& chan) {
            std::vector<std::pair<const char*, size_t>> values;
            ForEachPart(data, [&](int, const char* s, size_t n) { values.emplace_back(s, n); });
            std::unordered_map<std::string, int> occurrence;
            std::vector<Cell>& cells = byTime[seconds];
            ForEachPart(chan, [&](int index, const char* s, size_t n) {
                if (size_t(index) >= values.size())
                    return;
                std::string code(s, n);
                const int nth = ++occurrence[code];
                const std::string key = std::to_string(nth) + '_' + code;
                auto [it, added] = keyIndex.try_emplace(key, int(keys.size()));
                if (added) {
                    keys.push_back(QString::fromStdString(key));
                    keyTypes.push_back(QByteArrayView(s, qsizetype(n)).toInt());
                    // The channel's alarm values: its nth code in this slot's channel list.
                    int seen = 0, at = -1;
                    const QStringList codes = Split(source.channelList);
                    for (qsizetype k = 0; k < codes.size() && at < 0; ++k)
                        if (codes.at(k).trimmed() == QString::fromStdString(code) && ++seen == nth)
                            at = int(k);
                    keySource.emplace_back(slot, at);
                }
                for (const Cell& c : cells)
                    if (c.key == it->second)
                        return; // a higher-priority slot gave this channel at this time
                const auto [vs, vn] = values[size_t(index)];
                cells.push_back({it->second, ParseValue(vs, vn), QByteArray(vs, qsizetype(vn))});
            });
        };
        const LoadResult r = RunHistory(*logger, source.header.table, window, false);
        if (r == LoadResult::Failed)
            return r;
        anyRows = anyRows || r == LoadResult::Loaded;
        source.channels.clear();
        for (const QString& code : Split(source.channelList))
            source.channels.push_back(ChannelOf(int(source.channels.size() + 1), code.trimmed().toInt()));
        FillAlarmValues(&source);
        sources.push_back(std::move(source));
    }

    CRecordData data;
    data.header = sources.front().header;
    data.config = sources.front().config;
    data.hasConfig = true;
    data.intervalText = IntervalText(data.config.recordInterval);
    data.window = window;
    QStringList types;
    for (size_t k = 0; k < keys.size(); ++k) {
        RecordChannel ch = ChannelOf(int(k + 1), keyTypes[k]);
        ch.key = keys[k];
        const auto [slot, at] = keySource[k];
        const CRecordData& source = sources[slot];
        if (at >= 0 && at < int(source.channels.size())) {
            ch.upperAlarm = source.channels[size_t(at)].upperAlarm;
            ch.lowerAlarm = source.channels[size_t(at)].lowerAlarm;
            ch.upperLimit = source.channels[size_t(at)].upperLimit;
            ch.lowerLimit = source.channels[size_t(at)].lowerLimit;
        } else {
            ch.upperAlarm = ch.lowerAlarm = QStringLiteral("-");
        }
        data.channels.push_back(ch);
        types << QString::number(keyTypes[k]);
    }
    data.channelList = types.join(u';');

    std::vector<qint64> times;
    times.reserve(byTime.size());
    for (const auto& [t, cells] : byTime)
        times.push_back(t);
    std::sort(times.begin(), times.end());
    SampleSeriesBuilder builder;
    builder.Reserve(qsizetype(times.size()));
    for (qint64 t : times) {
        builder.BeginSample(t);
        std::vector<Cell>& cells = byTime[t];
        std::sort(cells.begin(), cells.end(), [](const Cell& a, const Cell& b) { return a.key < b.key; });
        for (const Cell& c : cells)
            builder.AddValue(c.key + 1, c.value, c.text);
    }
    data.series = builder.Build();
    ComputeStatistics(&data, options);
    *out = std::move(data);
    return anyRows && !times.empty() ? LoadResult::Loaded : LoadResult::NoData;
}

} // namespace qm::browse
