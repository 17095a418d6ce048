#include "SyntheticRecord.h"

#include <cmath>

namespace qm::curveview {
namespace {

// A small generator of our own: the same numbers with every standard library.
class Random {
public:
    explicit Random(quint32 seed) : m_state(seed * 2654435761u + 1) {}
    double Next()   // [0, 1)
    {
        m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
        return double(m_state >> 11) / double(1ull << 53);
    }

private:
    quint64 m_state;
};

// "%.1f" without the cost of a formatter per value.
void AppendTenths(QString& out, double value)
{
    long tenths = std::lround(value * 10.0);
    if (tenths < 0) {
        out += u'-';
        tenths = -tenths;
    }
    out += QString::number(tenths / 10);
    out += u'.';
    out += QChar(u'0' + int(tenths % 10));
}

bool Marked(qint64 i, qint64 samples, int count, qint64 offset)
{
    if (count <= 0)
        return false;
    const qint64 every = samples / (count + 1);
    return every > 0 && i > 0 && (i - offset) % every == 0 && (i - offset) / every >= 1 && (i - offset) / every <= count;
}

} // namespace

void GenerateRecord(const RecordShape& shape,
                    const std::function<void(const browse::SampleTime&, QStringView, QStringView)>& row)
{
    Random random(shape.seed);
    const qint64 base = browse::CurveSeconds(shape.start);
    qint64 offset = 0;
    double door = 0.0;         // extra degrees of an open door, decaying
    int errorLeft = 0;
    const QString positions = QStringLiteral("1;2");
    QString values;
    for (qint64 i = 0; i < shape.samples; ++i) {
        if (Marked(i, shape.samples, shape.gaps, 0))
            offset += shape.gapSeconds;
        const qint64 t = base + offset + i * shape.intervalSeconds;
        const double hours = double(t - base) / 3600.0;
        // Compressor cycle of 40 minutes, a defrost every 8 hours, the day's warmth.
        const double cycle = std::fmod(hours * 60.0, 40.0) / 40.0;
        double temperature = 4.2 + 0.6 * (cycle < 0.7 ? cycle / 0.7 : (1.0 - cycle) / 0.3) +
                             0.3 * std::sin(hours * 2.0 * M_PI / 24.0);
        const double defrost = std::fmod(hours, 8.0);
        if (defrost < 0.33)
            temperature += 3.0 * std::sin(defrost / 0.33 * M_PI);
        if (random.Next() < 0.0025 * shape.intervalSeconds / 60.0)
            door = 2.0 + 3.5 * random.Next();
        temperature += door + (random.Next() - 0.5) * 0.15;
        door *= std::exp(-double(shape.intervalSeconds) / 420.0);
        const double humidity = 58.0 - 2.2 * (temperature - 4.5) + 6.0 * std::sin(hours * 2.0 * M_PI / 24.0 + 1.0) +
                                (random.Next() - 0.5) * 1.2;

        if (Marked(i, shape.samples, shape.errorBursts, 7))
            errorLeft = 3;
        values.clear();
        if (errorLeft > 0) {
            values += QStringLiteral("ERR");
            --errorLeft;
        } else {
            AppendTenths(values, temperature);
        }
        values += u';';
        if (Marked(i, shape.samples, shape.missing, 3))
            values += u'-';
        else
            AppendTenths(values, humidity);
        row(browse::CurveSampleTime(t), positions, values);
    }
}

SyntheticRecord MakeRecord(const RecordShape& shape)
{
    SyntheticRecord record;
    record.times.reserve(size_t(shape.samples));
    record.positions.reserve(size_t(shape.samples));
    record.values.reserve(size_t(shape.samples));
    GenerateRecord(shape, [&](const browse::SampleTime& t, QStringView positions, QStringView values) {
        record.times.push_back(t);
        record.positions.push_back(positions.toString());
        record.values.push_back(values.toString());
    });
    return record;
}

std::shared_ptr<const browse::SampleSeries> BuildRecordSeries(const RecordShape& shape, bool withIntervals)
{
    browse::SampleSeriesBuilder builder;
    builder.Reserve(shape.samples);
    GenerateRecord(shape, [&](const browse::SampleTime& t, QStringView positions, QStringView values) {
        builder.AddSample(t, positions, values, withIntervals ? shape.intervalSeconds : -1);
    });
    return builder.Build();
}

std::vector<browse::CurveAxisRow> RecordAxes(const QString& temperatureName, const QString& humidityName)
{
    return {
        {1, true, QStringLiteral("8.0"), QStringLiteral("2.0"), 12.0, 0.0, QStringLiteral("℃"), temperatureName},
        {2, true, QStringLiteral("75.0"), QStringLiteral("35.0"), 90.0, 30.0, QStringLiteral("%RH"), humidityName},
    };
}

} // namespace qm::curveview
