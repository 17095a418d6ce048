#pragma once
// Several records side by side, one channel type at a time: every value
// position of every record becomes a record-channel key, the samples of all
// records are merged by time into one series (a key without a sample at a
// time has no value there), and a channel type is shown as a record of its
// own whose channels are the keys of that type, so its statistics, curve,
// export and print are those of a record.
#include "RecordData.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace qm::browse {

// One value position of one compared record.
struct ComparisonKey {
    QString key;    // "%s_%d_%s_%d": SN, 0-based value position, type code, record index
    QString sn;
    int position = 0; // 0-based value position in the record's rows
    int type = 0;
    int record = 0;   // index into CComparison::records
    QString title;    // the record name, "-" and the channel name of the type
    QString recordName;
    QString devname;
    RecordChannel channel; // the record's channel: name, unit, alarm values
};

// One channel type of a comparison as a record: `data.channels` are the keys
// of the type (positions 1…k of `data.series`), its rows the merged times at
// which one of them has a sample, its statistics made by ComputeStatistics.
struct ComparisonView {
    int type = 0;
    CRecordData data;
    std::vector<int> keys; // index into CComparison::keys, per channel of `data`
};

class CComparison {
public:
    std::vector<std::shared_ptr<const CRecordData>> records; // in tick order
    TimeWindow window;
    std::vector<ComparisonKey> keys; // record by record, positions in order
    std::shared_ptr<const SampleSeries> merged = std::make_shared<SampleSeries>(); // key k at position k + 1

    bool IsEmpty() const { return merged->Count() == 0; }
    // The channel types found, ascending (the channel selector's order).
    std::vector<int> Types() const;
    std::vector<int> KeysOf(int type) const;
    // The view of one type; an empty view when no key of it has a sample.
    ComparisonView View(int type, const AnalysisOptions& options = AnalysisSettings()) const;
};

// Record ids from the list of ticked records, the earliest start and the
// latest end of them (the comparison window preset).
struct TickedRecord {
    int id = 0;
    QString timeStart;
    QString timeEnd;
};
// Fewer than two records: false (message 316). Otherwise the earliest start
// and the latest end, read as "%d-%d-%d %d:%d:%d" and written back in the
// sample time form.
bool ComparisonPreset(const std::vector<TickedRecord>& ticked, TimeWindow* preset);
// The window of the time dialog: a reversed one swapped, without a message.
TimeWindow ComparisonWindow(const QString& start, const QString& end);

// Loads the records for `window` (empty: the whole records), one worker
// thread per record, and merges them. `wait` is called on the calling thread
// until the workers are done (the window passes one that keeps processing
// events); without it the call simply blocks. Fewer than two records:
// TooFewSlots. A record that cannot be read: Failed. No sample in any: NoData.
LoadResult LoadComparison(const std::vector<int>& recordIds, const TimeWindow& window, CComparison* out,
                          const std::function<void(const std::function<bool()>& done)>& wait = {});

// The export text of a view (lines end "\r\n"): maximum, minimum and
// average per key ("(SN)" before each figure in the PDF form), an empty line,
// the SN and name lines, the header and one line per row, oldest first, with
// "-" where a record has no sample.
QString ComparisonExportText(const CComparison& comparison, const ComparisonView& view, const QString& separator,
                             bool pdfForm);
// The export text of `view` for a file at `path`: ".csv" with ",", else
// tabs; the table PDF takes its own form.
QString ComparisonExportFor(const QString& path, const CComparison& comparison, const ComparisonView& view);
// The operation-log text of an export: the record names joined with "|",
// a blank and the first and last sample time joined with "~".
QString ComparisonLogText(const CComparison& comparison, const ComparisonView& view);

} // namespace qm::browse
