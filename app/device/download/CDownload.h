#pragma once
// The batch download: every connected logger at once, one thread per logger
// in each of two phases, then the records registered on the calling thread.
//
//   CDownload batch(name);                 // the text entered in the name dialog
//   batch.RunBatchDownload(&note, hooks);  // blocks; the UI stays alive
//   if (!batch.Cancelled()) ... log entry ...
//
// Phase 1 (PrepareLogger) reads each logger's basic information and creates
// its history table in its database and the month backup copy; phase 2
// (DownloadLogger) runs the transfers, writing the samples in batches of
// about a million characters of SQL; phase 3 registers each downloaded
// record (FinishDownload, under the datainfo lock) or drops its tables
// (DiscardDownload). The batch note gets the lines 197, 220, 223 and 208 and
// the counts; its Cancel (asked with 221 by the window) stops every transfer
// and discards every record of the batch.
#include "CDevManager.h"
#include "DownloadRecord.h"

#include <QList>
#include <QMutex>
#include <QString>

#include <atomic>
#include <functional>
#include <map>
#include <memory>

namespace qm::store {
class CDBSqlite3;
class CEventLock;
}

namespace qm::device {

class CBatchNote;

class CDownload {
public:
    // Pending SQL of one logger above this many characters is written at once.
    static constexpr qsizetype kFlushCharacters = 999999;

    // Calls on the calling thread at the steps of the batch (the window's part).
    struct Hooks {
        std::function<void(bool)> busy;     // wait cursor and mouse capture on / off
        std::function<void()> showWindow;   // the batch log window, after phase 1
    };

    // One logger's result.
    struct LoggerResult {
        QString sn;
        bool ok = false;
        qint64 expected = 0;
        qint64 received = 0;
        QString table;      // empty when no table was made (no samples)
        int recordId = 0;   // 0: no record
    };

    explicit CDownload(const QString& name, CDevManager& devices = DeviceManager());
    ~CDownload();
    CDownload(const CDownload&) = delete;
    CDownload& operator=(const CDownload&) = delete;

    // Runs phases 1-3. 1 when the batch ran (whatever each logger's result),
    // 0 when it could not start (185: main database; 260: backup folder).
    // Without a note the batch keeps one of its own (see Note()).
    int RunBatchDownload(CBatchNote* note = nullptr, const Hooks& hooks = Hooks());

    bool Cancelled() const;
    CBatchNote& Note() { return *m_note; }
    // Results in serial-number order (loggers that got past phase 1, and
    // those without samples).
    QList<LoggerResult> Results() const;

    int Successes() const { return m_successes; }
    int Failures() const { return m_failures; }
    qint64 Position() const { return m_position; }
    qint64 Total() const { return m_total; }

private:
    struct Context;

    void PrepareLogger();
    void DownloadLogger();
    bool FlushBatch(Context& c);
    static void fnCallback(void* context, char* name, HistoryData sample);
    // Counts a logger as failed once: line 220, progress caught up.
    void FailLogger(Context& c);
    void Progress(qint64 steps);

    QString m_name;
    CDevManager& m_devices;
    std::unique_ptr<CBatchNote> m_ownNote;
    CBatchNote* m_note = nullptr;

    // Counters and the batch log (under the progress mutex).
    QMutex m_progressLock;
    int m_successes = 0;
    int m_failures = 0;
    std::atomic<qint64> m_position{0};
    qint64 m_total = 0;

    // Hand-over to the next worker thread.
    std::unique_ptr<qm::store::CEventLock> m_handOver;
    DevicePtr m_currentDevice;
    QString m_currentSN;
    QString m_monthFolder;

    mutable QMutex m_contextLock;   // guards the map (not the contexts)
    std::map<QString, std::unique_ptr<Context>> m_contexts;
    QList<LoggerResult> m_empty;    // loggers without samples
    std::unique_ptr<qm::store::CDBSqlite3> m_datainfo;
};

} // namespace qm::device
