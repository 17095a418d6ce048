#pragma once
// One stored record as the record view, the command line, the export and the
// report read it: its header, its channels with their alarm values, its
// samples in compact arrays (read from the history table in one pass) and
// per-channel statistics and analysis, for the whole record or a time window.
//
// Statistics count only real readings: a sample without a value ("-", empty)
// or with a sensor error ("ERR", at or below −1000) counts in no maximum,
// minimum, average, MKT or excursion; errors are counted apart.
#include "RecordConfig.h"
#include "SampleSeries.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace qm::browse {

// The record's row of `recordtime`.
struct RecordHeader {
    int id = 0;
    QString name;
    QString sn;
    QString devname;
    QString timeStart;
    QString timeEnd;
    QString table;         // hisdata_table
    bool imported = false; // import = 1 (phone or file import)
};

// One channel: a value position of the rows (or, merged, a channel key).
struct RecordChannel {
    int position = 0; // 1-based value position: the data-list column and the curve's channel id
    int type = 0;     // channel type code
    QString key;      // merged records: "%d_%s" (occurrence in the row, type code)
    QString name;     // of the type code, from the channel definitions
    QString unit;
    QString upperAlarm; // alarm value texts ("-" when there is none)
    QString lowerAlarm;
    QString upperLimit; // chan_topLimit, chan_floorLimit as stored
    QString lowerLimit;
    bool IsTemperature() const; // unit °C or ℃
};

// Runs of consecutive counted samples strictly beyond one alarm value.
struct Excursions {
    qint64 count = 0;
    qsizetype first = -1; // sample index where the first one starts, −1: none
    qint64 seconds = 0;   // total time outside
};

struct ChannelStatistics {
    qint64 count = 0;  // counted samples
    qint64 errors = 0; // "ERR" samples
    double max = 0.0;  // valid when count > 0
    double min = 0.0;
    double sum = 0.0;
    qsizetype maxIndex = -1; // first occurrence
    qsizetype minIndex = -1;
    double mkt = 0.0;    // valid when hasMkt
    bool hasMkt = false; // a temperature channel with counted samples
    Excursions above;
    Excursions below;
    double Average() const { return count > 0 ? sum / double(count) : 0.0; }
};

// Analysis settings: ΔH of the MKT in kJ/mol (section "analysis", "mkt_dh").
struct AnalysisOptions {
    double mktDeltaH = 83.144;
};
AnalysisOptions AnalysisSettings();
// Mean kinetic temperature of temperatures in °C; NaN when there are none
// or one lies at or below absolute zero.
double MeanKineticTemperature(const double* celsius, qsizetype count, double deltaHkJ);

// A time window "Y-M-D h:m:s" (both ends inclusive); empty: the whole record.
struct TimeWindow {
    QString start;
    QString end;
    bool IsEmpty() const { return start.isEmpty() || end.isEmpty(); }
};

class CRecordData {
public:
    RecordHeader header;
    store::RecordConfigTexts config;
    bool hasConfig = false;
    QString channelList;  // chan_type of the config row (else of the first row)
    QString intervalText; // "%02d:%02d:%02d" or "-"
    std::vector<RecordChannel> channels;
    std::vector<ChannelStatistics> statistics; // one per channel
    std::shared_ptr<const SampleSeries> series = std::make_shared<SampleSeries>();
    TimeWindow window; // the range asked for (empty: all)

    // Samples in ascending time.
    qsizetype Count() const { return series->Count(); }
    qint64 Seconds(qsizetype i) const { return series->Time(i); }
    QString TimeText(qsizetype i) const;
    // Value text of channel `channel` (index into channels) at sample i:
    // as stored, "ERR" for an error, "-" when the sample has none.
    QString ValueText(qsizetype i, int channel) const;
    double Value(qsizetype i, int channel) const; // NaN: none
    const SampleColumn* Column(int channel) const;
    // Position list ("1;2") of the channels, as the curve control takes it.
    QString PositionList() const;
    bool IsEmpty() const { return Count() == 0; }
};

// "%d-%02d-%02d %02d:%02d:%02d" of a sample time in seconds (SampleSeries).
QString FormatSeconds(qint64 seconds);
// The record interval text: NULL or empty "-", else each part "%02d" joined with ":".
QString IntervalText(const QString& stored);

// The record's row of `recordtime`: 1 read, 0 no such record, −1 error.
int ReadRecordHeader(int recordId, RecordHeader* header);

// Results of loading; ShowLoadMessage tells the user (123, 165, 303).
enum class LoadResult { Loaded, NoData, Failed, UnknownRecord, TooFewSlots };
int LoadMessageNumber(LoadResult result); // 0 for Loaded
void ShowLoadMessage(LoadResult result);

// Opens record `recordId`: its header from the main database, its config row
// (made when missing, EnsureRecordConfig), channels and alarm values, then its
// samples in `window` and their statistics. With `NoData` the header,
// channels and config are filled and the samples empty.
LoadResult LoadRecord(int recordId, const TimeWindow& window, CRecordData* out,
                      const store::ConnectedConfigSource& connected = {},
                      const AnalysisOptions& options = AnalysisSettings());

// Reloads the samples of an opened record for another window (Search).
LoadResult ReloadWindow(CRecordData* data, const TimeWindow& window,
                        const AnalysisOptions& options = AnalysisSettings());

// Statistics and analysis of every channel from the samples.
void ComputeStatistics(CRecordData* data, const AnalysisOptions& options = AnalysisSettings());

// The record without the samples at `indices` (ascending-time indices), with
// statistics made again; the stored record is not touched.
void RemoveSamples(CRecordData* data, std::vector<qsizetype> indices,
                   const AnalysisOptions& options = AnalysisSettings());

// Alarm value texts of the channels from a config row (chan_Top/chan_Floor;
// NULL: the channel ranges "low~high"; imported records: the limits).
void FillAlarmValues(CRecordData* data);

// Search and precise query: the range with "from" after "to" swapped
// (Search) and the check of the precise query (156 when reversed, else 0).
TimeWindow SearchWindow(const QDateTime& from, const QDateTime& to);
int PreciseQueryCheck(const QDateTime& from, const QDateTime& to);

// ---- merge mode

struct MergeSlot {
    QString sn;
    int recordId = 0; // 0: blank
    bool IsComplete() const { return !sn.isEmpty() && recordId > 0; }
};

// Merges the complete slots in priority order (first wins for a channel key
// at one time). Fewer than two: TooFewSlots.
LoadResult LoadMerged(const std::vector<MergeSlot>& mergeSlots, const TimeWindow& window, CRecordData* out,
                      const AnalysisOptions& options = AnalysisSettings());

// The records of a logger for a merge slot's list: (id, name, table), newest first.
struct RecordChoice {
    int id = 0;
    QString name;
    QString table;
};
std::vector<RecordChoice> RecordsOfLogger(const QString& sn);

} // namespace qm::browse
