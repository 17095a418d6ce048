#include "RecordOutput.h"

#include "CurveRender.h"
#include "CurveState.h"

#include <QPainter>

#include <cmath>

namespace qm::report {

QString Figure(double value) { return QString::asprintf("%.1f", value); }

namespace {

OutputExcursions Side(const browse::CRecordData& data, const browse::Excursions& e)
{
    OutputExcursions side;
    side.count = e.count;
    side.seconds = e.seconds;
    if (e.first >= 0 && e.first < data.Count())
        side.firstTime = data.TimeText(e.first);
    return side;
}

// The time texts of the rows as FormatSeconds writes them, made without
// printf: the date part once per day, the clock digit by digit. A million
// rows are written in a fraction of the time.
class CTimeTexts {
public:
    QString Text(qint64 seconds)
    {
        constexpr qint64 kDay = 86400;
        qint64 day = seconds / kDay;
        if (seconds % kDay < 0)
            --day;
        if (day != m_day || m_date.isEmpty()) {
            m_day = day;
            m_date = browse::FormatSeconds(day * kDay);
            m_date.truncate(m_date.indexOf(u' ') + 1);
        }
        const int rest = int(seconds - day * kDay);
        QString text = m_date;
        const int parts[] = {rest / 3600, rest / 60 % 60, rest % 60};
        for (int i = 0; i < 3; ++i) {
            if (i > 0)
                text += u':';
            text += QChar(u'0' + parts[i] / 10);
            text += QChar(u'0' + parts[i] % 10);
        }
        return text;
    }

private:
    qint64 m_day = 0;
    QString m_date;
};

bool IsAlarmValue(const QString& text)
{
    bool ok = false;
    text.trimmed().toDouble(&ok);
    return ok;
}

} // namespace

OutputRecord OutputFromRecord(const std::shared_ptr<const browse::CRecordData>& data, const QString& user,
                              const QStringList& mergedNames)
{
    OutputRecord r;
    r.user = user;
    r.names = mergedNames.isEmpty() ? QStringList{data->header.name} : mergedNames;
    r.sn = data->header.sn;
    r.deviceName = data->header.devname;
    r.interval = data->intervalText;
    r.timeStart = data->header.timeStart;
    r.timeEnd = data->header.timeEnd;
    for (size_t i = 0; i < data->channels.size(); ++i) {
        const browse::RecordChannel& ch = data->channels[i];
        const browse::ChannelStatistics* st = i < data->statistics.size() ? &data->statistics[i] : nullptr;
        OutputChannel c;
        c.number = int(i) + 1;
        c.type = ch.name;
        c.unit = ch.unit;
        c.upperAlarm = ch.upperAlarm.isEmpty() ? QStringLiteral("-") : ch.upperAlarm;
        c.lowerAlarm = ch.lowerAlarm.isEmpty() ? QStringLiteral("-") : ch.lowerAlarm;
        if (st && st->count > 0) {
            c.maximum = Figure(st->max);
            c.minimum = Figure(st->min);
            c.average = Figure(st->Average());
            if (st->maxIndex >= 0)
                c.maximumTime = data->TimeText(st->maxIndex);
            if (st->minIndex >= 0)
                c.minimumTime = data->TimeText(st->minIndex);
            if (st->hasMkt && std::isfinite(st->mkt))
                c.mkt = Figure(st->mkt);
        }
        c.hasAlarms = IsAlarmValue(c.upperAlarm) || IsAlarmValue(c.lowerAlarm);
        if (st) {
            c.above = Side(*data, st->above);
            c.below = Side(*data, st->below);
        }
        r.channels.push_back(c);
    }
    r.rowCount = data->Count();
    r.rowTime = [data, times = std::make_shared<CTimeTexts>()](qsizetype i) { return times->Text(data->Seconds(i)); };
    r.rowCell = [data](qsizetype i, int c) { return data->ValueText(i, c); };
    return r;
}

browse::CurveSnapshot ReportCurveSnapshot(const std::shared_ptr<const browse::CRecordData>& data)
{
    browse::CurveSnapshot s;
    s.alarmLines = false;
    s.axes = true;
    s.reticle = false;
    s.samples = data->series;
    for (size_t i = 0; i < data->channels.size(); ++i) {
        const browse::RecordChannel& ch = data->channels[i];
        const browse::ChannelStatistics* st = i < data->statistics.size() ? &data->statistics[i] : nullptr;
        double top = 1.0;
        double bottom = 0.0;
        if (st && st->count > 0) {
            // The values with a tenth of their span as room above and below.
            const double span = std::max(st->max - st->min, std::max(1.0, std::abs(st->max) * 0.05));
            top = st->max + span * 0.1;
            bottom = st->min - span * 0.1;
        }
        browse::COORYINFO axis;
        axis.top = top;
        axis.bottom = bottom;
        axis.channelId = ch.position;
        s.axisInfo.push_back(axis);
        s.colours.push_back(browse::GeneratedCurveColour(int(i)));
        s.series.push_back(browse::SERIEINFO{int(i), ch.upperAlarm, ch.lowerAlarm, QString(), ch.unit, ch.name});
    }
    const qsizetype count = data->Count();
    if (count > 0) {
        s.first = 0;
        s.last = int(count - 1);
        s.rangeValid = true;
        s.start = data->Seconds(0);
        s.end = data->Seconds(count - 1);
    }
    return s;
}

CurveDrawer ReportCurveDrawer(const std::shared_ptr<const browse::CRecordData>& data)
{
    return [data](QPainter& painter, const QRect& target, double scale) {
        const browse::CurveSnapshot snapshot = ReportCurveSnapshot(data);
        browse::CurveRenderOptions options;
        options.metrics.scale = scale;
        return browse::DrawCurveGraph(painter, target, snapshot, options);
    };
}

} // namespace qm::report
