#include "SampleSeries.h"

#include "SampleValue.h"

#include <QDate>
#include <limits>

namespace qm::browse {
namespace {

constexpr qint64 kDay = 86400;
constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();
// Values written as degree texts are read as degrees whatever their channel.
constexpr QStringView kDegreeReference = u"°";

qint64 FloorDiv(qint64 a, qint64 b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

} // namespace

qint64 CurveSeconds(const SampleTime& time)
{
    const int month = qBound(1, time.month, 12);
    const int lastDay = QDate(time.year, month, 1).daysInMonth();
    const QDate date(time.year, month, qBound(1, time.day, lastDay > 0 ? lastDay : 31));
    return date.toJulianDay() * kDay + qint64(time.hour) * 3600 + qint64(time.minute) * 60 + time.second;
}

SampleTime CurveSampleTime(qint64 seconds)
{
    const qint64 day = FloorDiv(seconds, kDay);
    const qint64 rest = seconds - day * kDay;
    const QDate date = QDate::fromJulianDay(day);
    return {date.year(), date.month(), date.day(), int(rest / 3600), int(rest / 60 % 60), int(rest % 60)};
}

QDateTime CurveDateTime(qint64 seconds)
{
    const SampleTime t = CurveSampleTime(seconds);
    return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second), Qt::UTC);
}

qint64 CurveSeconds(const QDateTime& time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    return CurveSeconds(SampleTime{d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()});
}

int IntervalSecondsOfMinutes(int minutes)
{
    if (minutes < 0)
        return -1;
    return minutes == 0 ? 60 : minutes * 60;
}

QString SampleColumn::Text(qsizetype i) const
{
    const quint32 begin = i == 0 ? 0 : m_ends[size_t(i - 1)];
    const quint32 end = m_ends[size_t(i)];
    return QString::fromUtf8(m_texts.constData() + begin, qsizetype(end - begin));
}

QByteArrayView SampleColumn::TextUtf8(qsizetype i) const
{
    const quint32 begin = i == 0 ? 0 : m_ends[size_t(i - 1)];
    return QByteArrayView(m_texts.constData() + begin, qsizetype(m_ends[size_t(i)] - begin));
}

const SampleColumn* SampleSeries::Column(int position) const
{
    const auto it = m_columns.find(position);
    return it == m_columns.end() ? nullptr : &it->second;
}

std::vector<int> SampleSeries::Positions() const
{
    std::vector<int> positions;
    for (const auto& [position, column] : m_columns)
        positions.push_back(position);
    return positions;
}

void SampleSeriesBuilder::Reserve(qsizetype rows)
{
    m_reserve = rows;
    m_series->m_times.reserve(size_t(rows));
}

SampleColumn& SampleSeriesBuilder::ColumnFor(int position)
{
    auto [it, added] = m_series->m_columns.try_emplace(position);
    if (added) {
        it->second.m_values.reserve(size_t(m_reserve));
        it->second.m_ends.reserve(size_t(m_reserve));
    }
    return it->second;
}

void SampleSeriesBuilder::PadTo(SampleColumn& column, qsizetype rows)
{
    const quint32 end = column.m_ends.empty() ? 0 : column.m_ends.back();
    while (column.Count() < rows) {
        column.m_values.push_back(kNoValue);
        column.m_ends.push_back(end);
    }
}

void SampleSeriesBuilder::Append(SampleColumn& column, QStringView text)
{
    const SampleNumber number = ParseSampleValue(text.contains(u'°') ? kDegreeReference : QStringView(), text);
    if (!number.valid) {
        column.m_values.push_back(kNoValue);
    } else if (IsErrorValue(number.value)) {
        column.m_values.push_back(number.value);
        column.m_texts.append("ERR", 3);
    } else {
        column.m_values.push_back(number.value);
        bool ascii = true;
        for (QChar c : text)
            ascii = ascii && c.unicode() < 0x80;
        if (ascii) {
            for (QChar c : text)
                column.m_texts.append(char(c.unicode()));
        } else {
            column.m_texts.append(text.toUtf8());
        }
    }
    column.m_ends.push_back(quint32(column.m_texts.size()));
}

void SampleSeriesBuilder::AddSample(const SampleTime& time, QStringView positions, QStringView values,
                                    int intervalSeconds)
{
    SampleSeries& s = *m_series;
    const qsizetype row = s.Count();
    s.m_times.push_back(CurveSeconds(time));
    if (intervalSeconds >= 0 && !m_anyInterval) {
        m_anyInterval = true;
        s.m_intervals.assign(size_t(row), -1);
        s.m_intervals.reserve(size_t(qMax(m_reserve, row + 1)));
    }
    if (m_anyInterval)
        s.m_intervals.push_back(intervalSeconds >= 0 ? intervalSeconds : -1);

    // Walk both lists in step; a position without a value gets the empty text.
    qsizetype p = 0;
    qsizetype v = 0;
    while (p <= positions.size()) {
        qsizetype pe = positions.indexOf(u';', p);
        if (pe < 0)
            pe = positions.size();
        QStringView valueText;
        if (v <= values.size()) {
            qsizetype ve = values.indexOf(u';', v);
            if (ve < 0)
                ve = values.size();
            valueText = values.mid(v, ve - v);
            v = ve + 1;
        }
        const QStringView positionText = positions.mid(p, pe - p).trimmed();
        if (!positionText.isEmpty()) {
            const int position = int(LeadingNumber(positionText));
            SampleColumn& column = ColumnFor(position);
            // The first value of a position in a row is the one that counts.
            if (column.Count() <= row) {
                PadTo(column, row);
                Append(column, valueText);
            }
        }
        p = pe + 1;
    }
}

void SampleSeriesBuilder::BeginSample(qint64 seconds, int intervalSeconds)
{
    SampleSeries& s = *m_series;
    const qsizetype row = s.Count();
    s.m_times.push_back(seconds);
    if (intervalSeconds >= 0 && !m_anyInterval) {
        m_anyInterval = true;
        s.m_intervals.assign(size_t(row), -1);
        s.m_intervals.reserve(size_t(qMax(m_reserve, row + 1)));
    }
    if (m_anyInterval)
        s.m_intervals.push_back(intervalSeconds >= 0 ? intervalSeconds : -1);
}

void SampleSeriesBuilder::AddValue(int position, double value, QByteArrayView utf8)
{
    const qsizetype row = m_series->Count() - 1;
    SampleColumn& column = ColumnFor(position);
    if (row < 0 || column.Count() > row)
        return;
    PadTo(column, row);
    column.m_values.push_back(value);
    if (IsErrorValue(value))
        column.m_texts.append("ERR", 3);
    else if (!std::isnan(value))
        column.m_texts.append(utf8.data(), utf8.size());
    column.m_ends.push_back(quint32(column.m_texts.size()));
}

std::shared_ptr<const SampleSeries> SampleSeriesBuilder::Build()
{
    std::shared_ptr<SampleSeries> done = std::move(m_series);
    m_series = std::make_shared<SampleSeries>();
    m_anyInterval = false;
    const qsizetype n = done->Count();
    const qsizetype blocks = (n + kSampleBlock - 1) / kSampleBlock;
    for (auto& [position, column] : done->m_columns) {
        PadTo(column, n);
        column.m_blockMin.resize(size_t(blocks));
        column.m_blockMax.resize(size_t(blocks));
        column.m_blockPlain.resize(size_t(blocks));
        for (qsizetype b = 0; b < blocks; ++b) {
            const qsizetype end = qMin(n, (b + 1) * kSampleBlock);
            double lo = std::numeric_limits<double>::infinity();
            double hi = -lo;
            bool plain = true;
            for (qsizetype i = b * kSampleBlock; i < end; ++i) {
                const double v = column.m_values[size_t(i)];
                plain = plain && !std::isnan(v) && !IsErrorValue(v);
                lo = qMin(lo, v);
                hi = qMax(hi, v);
            }
            column.m_blockMin[size_t(b)] = lo;
            column.m_blockMax[size_t(b)] = hi;
            column.m_blockPlain[size_t(b)] = plain;
        }
    }
    done->m_blockSteady.resize(size_t(blocks));
    const qint64* t = done->m_times.data();
    const int* interval = done->m_intervals.empty() ? nullptr : done->m_intervals.data();
    for (qsizetype b = 0; b < blocks; ++b) {
        const qsizetype end = qMin(n, (b + 1) * kSampleBlock);
        bool steady = !interval || interval[b * kSampleBlock] >= 0;
        for (qsizetype i = b * kSampleBlock + 1; steady && i < end; ++i)
            steady = t[i] >= t[i - 1] && (!interval || (interval[i] >= 0 && t[i] - t[i - 1] <= interval[i - 1]));
        done->m_blockSteady[size_t(b)] = steady;
    }
    return done;
}

} // namespace qm::browse
