#pragma once
// The single download: the history of one connected logger into a new record.
//
//   SingleDownload& d = SingleDownload::Instance();
//   BasicConfig basic;
//   DevicePtr dev = d.CheckDevice(DeviceManager(), &basic);   // 195 / 186 / 165
//   ... ask the record name ...
//   if (dev && d.Prepare(dev, basic, name))                   // 185 / 110 / 260
//       d.Start(events);   // returns at once; the end arrives through `events`
//
// Two worker threads, created on the first Start and then kept, do the work:
// the download thread (woken by the start event) runs the transfer and turns
// every sample into an insert statement for both files, kept as pending text
// under the statement lock; the writer thread (woken by the flush event, or
// every 30 seconds, or once a million characters are pending) takes the pending texts and executes each as one
// transaction under the write lock. Once the transfer has ended and every
// statement is written, the writer registers the record.
//
// The record is either registered whole or not at all: a transfer that fails
// (hang-up, silence, bad replies), statements that cannot be written, a
// registration that fails and a cancel all drop the history table in both
// files again. Progress is a pair of counters the dialog polls.
#include "CDevManager.h"
#include "DownloadRecord.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace qm::store {
class CEventLock;
}

namespace qm::device {

class SingleDownload {
public:
    // Called on a worker thread when a started download has ended.
    struct Events {
        // The record is registered: its id and history table.
        std::function<void(const QString& sn, int recordId, const QString& table)> finished;
        // No record: the download failed (message 200 is due, followed by
        // `why`) or, with `message` 0, it was cancelled.
        std::function<void(const QString& sn, int message, const FailReason& why)> failed;
    };

    // Pending SQL above this many characters wakes the writer before its
    // 30 seconds are up.
    static constexpr qsizetype kFlushCharacters = 999999;

    SingleDownload();
    ~SingleDownload();
    SingleDownload(const SingleDownload&) = delete;
    SingleDownload& operator=(const SingleDownload&) = delete;

    // The program's single download.
    static SingleDownload& Instance();

    // The current device of `devices` with its basic information read now.
    // Shows 195 (no such device), 186 (basic information unreadable) or 165
    // (no stored samples) and returns null when it cannot be downloaded.
    DevicePtr CheckDevice(CDevManager& devices, BasicConfig* basic);

    // Opens the main database (185), the logger database (185), the month
    // backup folder (110) and the backup copy (185, 260) and creates the
    // history table in both files. Shows its messages; false when it failed
    // (nothing is left behind). Waits for a previous download to wind down.
    bool Prepare(const DevicePtr& device, const BasicConfig& basic, const QString& name);

    // Starts the prepared download: resets the counters and wakes the threads.
    void Start(Events events);

    // The user's cancel: sends the stop request to the logger and discards the
    // history tables. False when the record had already been registered (the
    // finished event comes, or came, as usual).
    bool Cancel();

    // Counters of the current (or last) download.
    qint64 Received() const;
    qint64 Expected() const;
    QString Table() const;
    // True while a download is prepared or running.
    bool Active() const;

    // Waits (keeping the UI alive) until no download is running; false on time-out.
    bool WaitIdle(int timeoutMs);

    // Ends both threads (program exit). A running transfer is asked to stop.
    void Shutdown();

    // Figures: statements the writer executed in each file so far.
    qint64 LoggerTotal() const;
    qint64 BackupTotal() const;

    // The writer's wait between flushes (30 s); tests shorten it.
    void SetFlushInterval(int ms) { m_flushIntervalMs = ms; }

private:
    struct Session;

    static void fnCallback(void* context, char* name, HistoryData sample);
    void EnsureThreads();
    void DownloadThread();
    void WriterThread();
    void RunTransfer(const std::shared_ptr<Session>& s);
    void Flush(const std::shared_ptr<Session>& s);
    // Ends `s` without a record (under the write lock): drops its tables.
    void EndWithoutRecord(const std::shared_ptr<Session>& s, int message, const FailReason& why);
    std::shared_ptr<Session> Current() const;

    mutable std::mutex m_lock;   // guards m_session
    std::shared_ptr<Session> m_session;
    std::unique_ptr<qm::store::CEventLock> m_startEvent;
    std::unique_ptr<qm::store::CEventLock> m_flushEvent;
    std::unique_ptr<qm::store::CEventLock> m_writeLock;
    std::thread m_downloadThread;
    std::thread m_writerThread;
    std::atomic<bool> m_quit{false};
    std::atomic<bool> m_transferring{false};
    std::atomic<int> m_flushIntervalMs{30000};
};

} // namespace qm::device
