#pragma once
// Loggers read by the companion phone app become ordinary records: a history
// table in the logger's own file, a recordtime row and a devInfo row in the
// main database, and a config row with the channel types and alarm limits.
#include <QList>
#include <QString>
#include <atomic>
#include <functional>

namespace qm::store {

class CDBOperator;

// One logger of the phone's database (one per serial number, whatever its case).
struct PhoneLogger {
    QString dataTable;       // the phone's table of this logger's samples
    QString sn;
    QString name;
    QString channelTypes;    // the three joined with ";" in channel order
    QString upperLimits;
    QString lowerLimits;
    QString spare1;          // two texts the phone leaves empty
    QString spare2;
    QString mac;
    int sampleCount = 0;
    int channelCount = 0;    // as the phone states it
    int deviceType = 0;      // already mapped (PhoneDeviceType)
    int channels = 0;        // channel rows read: the chanN columns imported

    QString TreeText() const { return name + u'_' + sn; }
};

// The phone's device type code as the program's: 4 -> 4, 5 -> 1, 6 -> 2, else 0.
int PhoneDeviceType(int phoneType);

// The loggers of the phone's database, in the order of the join (by serial
// number and channel). Serial numbers that differ only in case are one logger;
// its channels are those of its first phone row, the ones its data table has.
// False when the query fails (the caller shows 123).
bool ReadPhoneLoggers(CDBOperator& phone, QList<PhoneLogger>* loggers);

inline constexpr int kPhoneImportSteps = 7;      // progress steps per logger

struct PhoneImportItem {
    QString sn;
    QString table;           // the new history table (empty when none was made)
    int recordId = 0;
    qint64 samples = 0;
    bool ok = false;
};
// The operation-log text of one logger (type 13, source
// "CQuillmarkDlg::ImportSqlite"): 278 + 295 + "(SN:table)", or 278 + 294.
QString PhoneImportLogText(const PhoneImportItem& item);

struct PhoneImportResult {
    QList<PhoneImportItem> items;    // the loggers tried, in order
    bool cancelled = false;          // stopped by the cancel flag
    bool stopped = false;            // a database could not be opened: the import ended there
    bool AllImported() const;
    // 217 when every logger asked for was imported, 216 when any failed, 0
    // after a cancel that failed nothing (the loggers done stay imported).
    int MessageNumber(int asked) const;
};

struct PhoneImportCallbacks {
    // Progress from 0 to kPhoneImportSteps per logger.
    std::function<void(int value)> progress;
    // After each logger, for the operation log.
    std::function<void(const PhoneImportItem& item)> loggerDone;
    // Checked before each logger and between batches of a logger; a logger
    // cut short leaves nothing behind.
    const std::atomic<bool>* cancel = nullptr;
};

// Imports `loggers` from the phone database at `phoneDatabase` (a keyed copy,
// see CImportCopy) into the program folder's databases. Callbacks run on the
// calling thread.
PhoneImportResult ImportSqlite(const QString& phoneDatabase, const QString& programFolder,
                               const QList<PhoneLogger>& loggers, const PhoneImportCallbacks& callbacks);

// ImportSqlite on a worker thread of its own; the caller waits, and on the UI
// thread keeps processing events meanwhile. Callbacks run on the worker.
PhoneImportResult RunImportSqlite(const QString& phoneDatabase, const QString& programFolder,
                                  const QList<PhoneLogger>& loggers, const PhoneImportCallbacks& callbacks);

} // namespace qm::store
