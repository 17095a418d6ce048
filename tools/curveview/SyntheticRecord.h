#pragma once
// A two-channel record as a cold-room logger writes it: temperature in °C
// (compressor cycles, defrosts, door openings) and relative humidity, one
// sample per interval, with the logger stopped a few times (gaps), short
// sensor failures ("ERR") and a few missing humidity values ("-"). Used by the
// curve demo, its tests and the curve figures; the same shape always gives
// the same samples.
#include "CurveState.h"
#include "SampleSeries.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace qm::curveview {

struct RecordShape {
    qint64 samples = 2880;
    int intervalSeconds = 60;
    int gaps = 2;                    // logger stops, spread evenly
    qint64 gapSeconds = 3 * 3600;
    int errorBursts = 3;             // three "ERR" temperatures each
    int missing = 6;                 // humidity "-"
    quint32 seed = 7;
    browse::SampleTime start{2024, 7, 1, 8, 0, 0};
};

// Every sample as its history row stores it: time, position list, value list.
void GenerateRecord(const RecordShape& shape,
                    const std::function<void(const browse::SampleTime&, QStringView positions, QStringView values)>& row);

struct SyntheticRecord {
    std::vector<browse::SampleTime> times;
    std::vector<QString> positions;
    std::vector<QString> values;
};
SyntheticRecord MakeRecord(const RecordShape& shape);

// The record as a curve series; with intervals, every sample carries the
// record interval (gaps longer than it are drawn dotted).
std::shared_ptr<const browse::SampleSeries> BuildRecordSeries(const RecordShape& shape, bool withIntervals);

// The channel table of the record: temperature and humidity with their alarm
// values and axis ranges, both ticked.
std::vector<browse::CurveAxisRow> RecordAxes(const QString& temperatureName = QStringLiteral("温度"),
                                             const QString& humidityName = QStringLiteral("湿度"));

} // namespace qm::curveview
