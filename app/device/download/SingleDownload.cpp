#include "SingleDownload.h"

#include "AppEnv.h"
#include "Clock.h"
#include "ComSettings.h"
#include "EventLock.h"
#include "LostDevice.h"
#include "MessageSeam.h"
#include "OpenDatabase.h"
#include "OperationLog.h"
#include "Schema.h"
#include "Strings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <chrono>

namespace qm::device {

using qm::store::CEventLock;
using qm::store::CLockHold;

// One download from Prepare to its end.
struct SingleDownload::Session {
    DevicePtr device;
    QString sn;
    QString table;   // set by Prepare, read by any thread afterwards
    RecordFiles files;
    std::unique_ptr<qm::store::CDBSqlite3> datainfo;
    RecordInfo record;
    int frameBytes = 0;
    int channelCount = 0;
    ChannelConfig channels[kMaxChannels]{};
    Events events;
    CEventLock* flushEvent = nullptr;   // the writer's wake-up

    // Filled by the download thread, emptied by the writer (statement lock).
    CEventLock statementLock{true};
    QString pendingLogger;
    QString pendingBackup;
    qint64 pendingLoggerCount = 0;
    qint64 pendingBackupCount = 0;

    std::atomic<qint64> expected{0};
    std::atomic<qint64> received{0};   // samples the logger delivered
    std::atomic<qint64> dropped{0};    // of those, samples without a valid time
    std::atomic<qint64> loggerTotal{0};
    std::atomic<qint64> backupTotal{0};
    std::atomic<bool> cancelled{false};
    std::atomic<bool> transferDone{false};   // the transfer ended well
    // Under the write lock: the session has ended (registered or discarded).
    std::atomic<bool> ended{false};
    std::atomic<bool> started{false};
    int recordId = 0;           // set under the write lock when registered
    bool writeFailed = false;   // writer thread only
};

namespace {

// Sleeps `ms`, keeping the UI alive on the UI thread.
void PauseWithEvents(int ms)
{
    if (qm::store::OnUiThread())
        QCoreApplication::processEvents(QEventLoop::AllEvents, ms);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

QString SerialText(const BasicConfig& basic)
{
    return QString::fromLatin1(basic.sn, int(qstrnlen(basic.sn, 9))).trimmed();
}

} // namespace

SingleDownload::SingleDownload()
    : m_startEvent(std::make_unique<CEventLock>(false)),
      m_flushEvent(std::make_unique<CEventLock>(false)),
      m_writeLock(std::make_unique<CEventLock>(true))
{
}

SingleDownload::~SingleDownload()
{
    Shutdown();
}

SingleDownload& SingleDownload::Instance()
{
    static SingleDownload download;
    return download;
}

std::shared_ptr<SingleDownload::Session> SingleDownload::Current() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_session;
}

DevicePtr SingleDownload::CheckDevice(CDevManager& devices, BasicConfig* basic)
{
    DevicePtr device = devices.Current();
    if (!device || !device->link) {
        ShowMessageText(195, MsgF(195, {devices.CurrentSN()}));
        return nullptr;
    }
    BasicConfig read{};
    if (device->link->GetBasicConfig(read, LinkDelay(), kAttempts) != 1) {
        // A logger out of reach is named with its port and the reason.
        if (NoteLinkFailure(*device))
            ShowLost(*device);
        else
            ShowMessage(186);
        return nullptr;
    }
    NoteLinkSuccess(*device);
    if (read.storedFrames <= 0) {
        ShowMessage(165);
        return nullptr;
    }
    *basic = read;
    return device;
}

bool SingleDownload::Prepare(const DevicePtr& device, const BasicConfig& basic, const QString& name)
{
    if (!device || !device->link)
        return false;
    if (!WaitIdle(30000)) {
        ShowMessage(200);
        return false;
    }
    auto s = std::make_shared<Session>();
    s->device = device;
    s->sn = device->sn.isEmpty() ? SerialText(basic) : device->sn;

    // The progress dialog's own connection to the main database; a file that
    // is there but cannot be opened is as much a database fault as a missing one.
    s->datainfo = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 1);
    if (s->datainfo)
        s->datainfo->SetReportMode(qm::store::kReportLog);
    if (s->datainfo && s->datainfo->Open() != 1)
        s->datainfo.reset();
    if (!s->datainfo) {
        ShowMessageText(185, MsgF(185, {qm::DatabasePath()}));
        return false;
    }

    // The backup folder and its month folder, each created when missing.
    const QString backup = qm::BackupFolder();
    if (!QDir(backup).exists() && !QDir().mkpath(backup)) {
        ShowMessageText(110, MsgF(110, {QDir::toNativeSeparators(backup)}));
        return false;
    }
    const QString month = CurrentBackupMonthFolder();
    if (!QDir(month).exists() && !QDir().mkpath(month)) {
        ShowMessageText(110, MsgF(110, {QDir::toNativeSeparators(month)}));
        return false;
    }

    const qint64 startSeconds = qm::Now().toSecsSinceEpoch();
    switch (OpenRecordFiles(s->sn, month, startSeconds, true, &s->files, QStringLiteral("CProgressDlg::OnInitDialog"))) {
    case FilesResult::Ok:
        break;
    case FilesResult::LoggerOpenFailed:
        ShowMessageText(185, MsgF(185, {s->files.loggerPath}));
        return false;
    case FilesResult::BackupOpenFailed:
        ShowMessageText(185, MsgF(185, {s->files.backupPath}));
        return false;
    case FilesResult::TablesFailed:
        ShowMessage(260);
        return false;
    case FilesResult::HistoryFailed:
        ShowMessageText(200, FailureText(Msg(200), DatabaseReason()));
        return false;
    }

    s->table = s->files.table;
    s->frameBytes = basic.frameBytes;
    s->channelCount = qBound(0, device->config.channelCount, kMaxChannels);
    s->expected = basic.storedFrames;
    s->record.name = name;
    s->record.sn = s->sn;
    s->record.devname = device->name;
    s->record.config = device->config;
    s->record.batchText = false;
    s->record.source = QStringLiteral("CProgressDlg::FinishDownload");

    std::lock_guard<std::mutex> hold(m_lock);
    m_session = std::move(s);
    return true;
}

void SingleDownload::EnsureThreads()
{
    if (m_downloadThread.joinable())
        return;
    m_quit = false;
    m_downloadThread = std::thread([this] { DownloadThread(); });
    m_writerThread = std::thread([this] { WriterThread(); });
}

void SingleDownload::Start(Events events)
{
    auto s = Current();
    if (!s || s->ended)
        return;
    s->events = std::move(events);
    s->received = 0;
    s->dropped = 0;
    s->loggerTotal = 0;
    s->backupTotal = 0;
    s->started = true;
    s->flushEvent = m_flushEvent.get();
    EnsureThreads();
    m_transferring = true;
    m_startEvent->Set();
}

bool SingleDownload::Cancel()
{
    auto s = Current();
    if (!s)
        return false;
    s->cancelled = true;
    if (m_transferring && s->device && s->device->link)
        s->device->link->SetDownState(0);
    CLockHold hold(*m_writeLock, -1, false);
    if (s->ended)
        return s->recordId <= 0;   // registered meanwhile: the record stands
    s->ended = true;
    DiscardDownload(s->files);
    s->files.Close();
    return true;
}

qint64 SingleDownload::Received() const
{
    auto s = Current();
    return s ? s->received.load() : 0;
}

qint64 SingleDownload::Expected() const
{
    auto s = Current();
    return s ? s->expected.load() : 0;
}

QString SingleDownload::Table() const
{
    auto s = Current();
    return s ? s->table : QString();
}

qint64 SingleDownload::LoggerTotal() const
{
    auto s = Current();
    return s ? s->loggerTotal.load() : 0;
}

qint64 SingleDownload::BackupTotal() const
{
    auto s = Current();
    return s ? s->backupTotal.load() : 0;
}

bool SingleDownload::Active() const
{
    auto s = Current();
    return m_transferring || (s && !s->ended);
}

bool SingleDownload::WaitIdle(int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    // A cancelled transfer still finishes its page. A session that was
    // prepared but never started is given up here.
    while (m_transferring) {
        if (timer.elapsed() >= timeoutMs)
            return false;
        PauseWithEvents(10);
    }
    auto s = Current();
    if (s && !s->started && !s->ended) {
        CLockHold hold(*m_writeLock, -1, false);
        s->ended = true;
        DiscardDownload(s->files);
        s->files.Close();
    }
    while (s && !s->ended) {
        if (timer.elapsed() >= timeoutMs)
            return false;
        PauseWithEvents(10);
    }
    return true;
}

void SingleDownload::Shutdown()
{
    if (!m_downloadThread.joinable())
        return;
    if (auto s = Current()) {
        s->cancelled = true;
        if (m_transferring && s->device && s->device->link)
            s->device->link->SetDownState(0);
    }
    m_quit = true;
    m_startEvent->Set();
    m_flushEvent->Set();
    m_downloadThread.join();
    m_writerThread.join();
    m_downloadThread = std::thread();
    m_writerThread = std::thread();
    std::lock_guard<std::mutex> hold(m_lock);
    m_session.reset();
}

// ---- the download thread

void SingleDownload::fnCallback(void* context, char*, HistoryData sample)
{
    auto* s = static_cast<Session*>(context);
    s->received.fetch_add(1, std::memory_order_relaxed);
    if (s->cancelled.load(std::memory_order_relaxed)) {
        s->device->link->SetDownState(0);
        return;
    }
    SampleText text;
    if (!FormatSample(sample, s->channels, s->channelCount, &text)) {
        s->dropped.fetch_add(1);
        WriteOperationLog(QStringLiteral("CProgressDlg::fnCallback"), MsgF(5602, {RawSampleTime(sample)}),
                          qm::kTextLineOnly);
        return;
    }
    const QString sql = SampleInsertSql(s->table, text);
    s->statementLock.Wait(-1);
    s->pendingLogger += sql;
    s->pendingBackup += sql;
    ++s->pendingLoggerCount;
    ++s->pendingBackupCount;
    const bool full = s->pendingLogger.size() > kFlushCharacters;
    s->statementLock.Set();
    // A long transfer is written while it runs, not all at its end: the
    // writer keeps up and the pending text stays bounded.
    if (full)
        s->flushEvent->Set();
}

void SingleDownload::DownloadThread()
{
    for (;;) {
        m_startEvent->Wait(-1);
        if (m_quit)
            return;
        if (auto s = Current())
            RunTransfer(s);
        m_transferring = false;
    }
}

void SingleDownload::RunTransfer(const std::shared_ptr<Session>& s)
{
    if (s->ended || s->cancelled)
        return;
    CLinkParent& link = *s->device->link;
    const int delay = LinkDelay();
    int ok = link.GetChannelConfig(s->channels, s->channelCount, delay, kAttempts) == 1 ? 1 : 0;
    FailReason why;
    if (!ok) {
        why = LinkFailReason(link.GetLastFailure());
        NoteLinkFailure(*s->device);
    }
    if (ok) {
        for (int i = 0; i < kSampleChannels && i < s->channelCount; ++i)
            s->record.channels[i] = s->channels[i];
        s->record.channelCount = qMin(s->channelCount, kSampleChannels);
        SYSTEMTIME start{};
        ok = link.DownHistoryData(s->channelCount, start, s->frameBytes, &SingleDownload::fnCallback, nullptr,
                                  s.get(), delay, kAttempts);
        if (ok != 1) {
            why = LinkFailReason(link.GetLastFailure(), s->received, s->expected);
            NoteLinkFailure(*s->device);
        }
        ok = ok == 1 && link.GetDownState() != 0;
    }
    if (s->cancelled)
        return;   // the cancel has discarded the record already
    if (ok) {
        s->transferDone = true;
        m_flushEvent->Set();
        return;
    }
    EndWithoutRecord(s, 200, why);
}

void SingleDownload::EndWithoutRecord(const std::shared_ptr<Session>& s, int message, const FailReason& why)
{
    {
        CLockHold hold(*m_writeLock, -1, false);
        if (s->ended)
            return;
        s->ended = true;
        DiscardDownload(s->files);
        s->files.Close();
    }
    if (s->events.failed)
        s->events.failed(s->sn, message, why);
}

// ---- the writer thread

void SingleDownload::WriterThread()
{
    for (;;) {
        m_flushEvent->Wait(m_flushIntervalMs);
        if (m_quit)
            return;
        auto s = Current();
        if (s && s->started && !s->ended)
            Flush(s);
    }
}

void SingleDownload::Flush(const std::shared_ptr<Session>& s)
{
    // Read before the texts are taken: once the transfer has ended, nothing
    // is appended any more, so these texts are the last.
    const bool last = s->transferDone.load();
    QString loggerText, backupText;
    qint64 loggerCount = 0, backupCount = 0;
    s->statementLock.Wait(-1);
    loggerText.swap(s->pendingLogger);
    backupText.swap(s->pendingBackup);
    std::swap(loggerCount, s->pendingLoggerCount);
    std::swap(backupCount, s->pendingBackupCount);
    s->statementLock.Set();

    int recordId = 0;
    bool failed = false;
    FailReason why;
    {
        CLockHold hold(*m_writeLock, -1, false);
        if (s->ended || s->cancelled)
            return;
        if (!loggerText.isEmpty()) {
            s->files.logger->SetAutoTransaction(1);
            if (s->files.logger->ExeSql(loggerText) >= 0)
                s->loggerTotal += loggerCount;
            else
                s->writeFailed = true;
        }
        if (!backupText.isEmpty()) {
            s->files.backup->SetAutoTransaction(1);
            if (s->files.backup->ExeSql(backupText) >= 0)
                s->backupTotal += backupCount;
            else
                s->writeFailed = true;
        }
        if (!last)
            return;
        // Every statement is written once both totals (with the samples
        // dropped for a bad time) have reached the expected count. Fewer
        // means samples are missing: no record rather than a gap or a wait
        // without end.
        const qint64 expected = s->expected;
        const qint64 dropped = s->dropped;
        if (s->received < expected) {
            why = MissingSamplesReason(s->received, expected);
        } else if (s->writeFailed || s->loggerTotal + dropped < expected || s->backupTotal + dropped < expected) {
            why = DatabaseReason();
        } else {
            CLockHold datainfo(qm::store::DatainfoLock(), -1, false);
            s->record.samples = s->loggerTotal;
            recordId = FinishDownload(*s->datainfo, s->files, s->record);
            if (recordId <= 0)
                why = DatabaseReason();
        }
        s->ended = true;
        s->recordId = recordId;
        if (recordId <= 0) {
            failed = true;
            DiscardDownload(s->files);
        }
        s->files.Close();
        s->datainfo->Close();
    }
    if (failed) {
        if (s->events.failed)
            s->events.failed(s->sn, 200, why);
    } else if (s->events.finished) {
        s->events.finished(s->sn, recordId, s->table);
    }
}

} // namespace qm::device
