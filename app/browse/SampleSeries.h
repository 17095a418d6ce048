#pragma once
// The samples of a curve as numbers, parsed once: sample times as whole
// seconds, the record interval of each sample when there is one, and one
// column per value position (the 1-based position of the value in its row)
// with the number and the text of every sample. Built once per load and then
// never changed, so every render and every copy of a curve shares it.
#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

namespace qm::browse {

// A sample time as history rows hold it.
struct SampleTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Wall-clock seconds of a sample time (no time zone: the logger's clock).
// A month outside 1-12 or a day past the month's end is clamped into it.
qint64 CurveSeconds(const SampleTime& time);
SampleTime CurveSampleTime(qint64 seconds);
// The same instant as a QDateTime; the UTC zone stands for "no zone", so the
// fields read back exactly as the logger wrote them.
QDateTime CurveDateTime(qint64 seconds);
qint64 CurveSeconds(const QDateTime& time);

// Samples are also summarised in blocks of this many (aligned on multiples of
// it), so that a curve can pass over a block that lies in one pixel column.
constexpr int kSampleBlock = 64;

class SampleColumn {
public:
    qsizetype Count() const { return qsizetype(m_values.size()); }
    // NaN: no value ("-" or empty). At or below −1000: sensor error ("ERR").
    double Value(qsizetype i) const { return m_values[size_t(i)]; }
    bool HasValue(qsizetype i) const { return !std::isnan(m_values[size_t(i)]); }
    // The stored text: empty for no value, "ERR" for an error, else as given.
    QString Text(qsizetype i) const;
    // The same as stored (UTF-8), without a copy.
    QByteArrayView TextUtf8(qsizetype i) const;
    const double* Values() const { return m_values.data(); }

    // Block b (samples b·kSampleBlock …): true when every sample has a value
    // and none is an error; then its smallest and largest value.
    bool BlockPlain(qsizetype b) const { return m_blockPlain[size_t(b)] != 0; }
    double BlockMin(qsizetype b) const { return m_blockMin[size_t(b)]; }
    double BlockMax(qsizetype b) const { return m_blockMax[size_t(b)]; }

private:
    friend class SampleSeriesBuilder;
    std::vector<double> m_values;
    std::vector<double> m_blockMin;
    std::vector<double> m_blockMax;
    std::vector<quint8> m_blockPlain;
    QByteArray m_texts;          // UTF-8, one after the other
    std::vector<quint32> m_ends; // end offset of text i in m_texts
};

class SampleSeries {
public:
    qsizetype Count() const { return qsizetype(m_times.size()); }
    qint64 Time(qsizetype i) const { return m_times[size_t(i)]; }
    const qint64* Times() const { return m_times.data(); }
    bool HasIntervals() const { return !m_intervals.empty(); }
    // Record interval in seconds, or −1 when the sample has none.
    int IntervalSeconds(qsizetype i) const { return m_intervals.empty() ? -1 : m_intervals[size_t(i)]; }
    const int* Intervals() const { return m_intervals.empty() ? nullptr : m_intervals.data(); }
    // The column of value position `position`, or nullptr when no sample has one.
    const SampleColumn* Column(int position) const;
    std::vector<int> Positions() const;

    // Block b: true when its times do not go back and no sample after its
    // first comes later than the interval of the one before it (nothing in it
    // would be drawn dotted for a gap).
    bool BlockSteady(qsizetype b) const { return m_blockSteady[size_t(b)] != 0; }

private:
    friend class SampleSeriesBuilder;
    std::vector<qint64> m_times;
    std::vector<quint8> m_blockSteady;
    std::vector<int> m_intervals;
    std::map<int, SampleColumn> m_columns;
};

// Interval in seconds of a record interval given in whole minutes. A record
// taken every few seconds has 0 minutes: its gaps are judged against a minute
// rather than against nothing (which would dot the whole curve).
int IntervalSecondsOfMinutes(int minutes);

// Reads samples in the stored forms: the position list ("1;2") and the value
// list ("23.5;-") of each row, split at ";" and paired in order.
class SampleSeriesBuilder {
public:
    void Reserve(qsizetype rows);
    // `intervalSeconds` < 0: the sample has no interval.
    void AddSample(const SampleTime& time, QStringView positions, QStringView values, int intervalSeconds = -1);
    // Rows whose values are already read: BeginSample, then one AddValue per
    // position. `value` NaN: no value; at or below −1000: an error ("ERR").
    void BeginSample(qint64 seconds, int intervalSeconds = -1);
    void AddValue(int position, double value, QByteArrayView utf8);
    std::shared_ptr<const SampleSeries> Build();

private:
    SampleColumn& ColumnFor(int position);
    void Append(SampleColumn& column, QStringView text);
    void PadTo(SampleColumn& column, qsizetype rows);

    std::shared_ptr<SampleSeries> m_series = std::make_shared<SampleSeries>();
    qsizetype m_reserve = 0;
    bool m_anyInterval = false;
};

} // namespace qm::browse
