// stats --record ID [--from "Y-M-D h:m:s" --to "Y-M-D h:m:s"]: the statistics
// and analysis of a record's channels, as the record view computes them.
#include "CliCommands.h"
#include "RecordData.h"
#include "Schema.h"

#include <QDateTime>

namespace qm::cli {
namespace {

using browse::ChannelStatistics;
using browse::CRecordData;
using browse::LoadResult;

QString Figure(double value) { return QString::asprintf("%.1f", value); }

// A time as typed ("2024-3-1 8:00:00" or the stored form) in the stored form.
bool ParseTime(const QString& text, QString* stored)
{
    QDateTime t;
    if (!store::ParseSampleTime(text.trimmed(), &t) || !t.isValid()) {
        t = QDateTime::fromString(text.trimmed(), QStringLiteral("yyyy-M-d H:m:s"));
        if (!t.isValid())
            return false;
    }
    *stored = store::FormatSampleTime(t);
    return true;
}

QString StatsLine(const CRecordData& data, int c)
{
    const browse::RecordChannel& ch = data.channels[size_t(c)];
    const ChannelStatistics& s = data.statistics[size_t(c)];
    const QString none = QStringLiteral("-");
    const bool counted = s.count > 0;
    QStringList cells{QString::number(c + 1),
                      QString::number(ch.type),
                      ch.unit,
                      QString::number(s.count),
                      QString::number(s.errors),
                      counted ? Figure(s.max) : none,
                      counted ? data.TimeText(s.maxIndex) : none,
                      counted ? Figure(s.min) : none,
                      counted ? data.TimeText(s.minIndex) : none,
                      counted ? Figure(s.Average()) : none,
                      s.hasMkt ? Figure(s.mkt) : none};
    for (const browse::Excursions* e : {&s.above, &s.below}) {
        cells << QString::number(e->count) << (e->first >= 0 ? data.TimeText(e->first) : none)
              << QString::number(e->seconds);
    }
    return cells.join(u'\t');
}

int RunStats(const QStringList& args)
{
    const QString usage =
        QStringLiteral("usage: quillmark-cli stats --record ID [--from \"Y-M-D h:m:s\" --to \"Y-M-D h:m:s\"]");
    int id = 0;
    const QString from = OptionValue(args, QStringLiteral("--from"));
    const QString to = OptionValue(args, QStringLiteral("--to"));
    const bool windowed = !from.isNull() || !to.isNull();
    if (!ParseNumber(OptionValue(args, QStringLiteral("--record")), &id) || id <= 0
        || args.size() != (windowed ? 6 : 2)) {
        PrintError(usage);
        return kExitUsage;
    }
    browse::TimeWindow window;
    if (windowed) {
        if (!ParseTime(from, &window.start) || !ParseTime(to, &window.end)) {
            PrintError(usage);
            return kExitUsage;
        }
        if (window.end < window.start) {
            ShowMessage(156);
            return kExitFailed;
        }
    }
    CRecordData data;
    const LoadResult result = browse::LoadRecord(id, window, &data);
    if (result != LoadResult::Loaded && result != LoadResult::NoData) {
        browse::ShowLoadMessage(result == LoadResult::UnknownRecord ? LoadResult::Failed : result);
        return kExitFailed;
    }
    if (result == LoadResult::NoData)
        browse::ShowLoadMessage(result);
    PrintLine(QStringLiteral("channel\ttype\tunit\tcount\terrors\tmax\tmax_time\tmin\tmin_time\tavg\tmkt\t"
                             "above_count\tabove_first\tabove_seconds\tbelow_count\tbelow_first\tbelow_seconds"));
    for (int c = 0; c < int(data.channels.size()); ++c)
        PrintLine(StatsLine(data, c));
    return kExitOk;
}

const CliRegistrar g_stats{
    {"stats", RunStats,
     "stats --record ID [--from \"Y-M-D h:m:s\" --to \"Y-M-D h:m:s\"]\n"
     "                                statistics of each channel of a record (or of a time window):\n"
     "                                a header line, then one tab-separated line per channel: channel\n"
     "                                type unit count errors max max_time min min_time avg mkt\n"
     "                                above_count above_first above_seconds below_count below_first\n"
     "                                below_seconds (\"-\" where there is nothing)"}};

} // namespace
} // namespace qm::cli
