#include "CDownload.h"

#include "AppEnv.h"
#include "BatchWorkers.h"
#include "CBatchNote.h"
#include "Clock.h"
#include "ComSettings.h"
#include "EventLock.h"
#include "LostDevice.h"
#include "MessageSeam.h"
#include "OpenDatabase.h"
#include "OperationLog.h"
#include "Strings.h"

#include <QCoreApplication>
#include <QDir>

#include <chrono>
#include <thread>
#include <vector>

namespace qm::device {

using qm::store::CEventLock;

// One logger of the batch from phase 1 to phase 3.
struct CDownload::Context {
    CDownload* owner = nullptr;
    QString sn;
    QByteArray snText;   // the serial number as 8-bit text for the library
    DevicePtr device;
    RecordFiles files;
    qint64 expected = 0;
    std::atomic<qint64> received{0};
    int frameBytes = 0;
    int channelCount = 0;
    ChannelConfig channels[kMaxChannels]{};
    RecordInfo record;

    QMutex lock;              // the pending texts
    QString pendingLogger;
    QString pendingBackup;
    qint64 pendingCount = 0;  // sample statements in pendingLogger
    std::atomic<qint64> written{0};   // sample statements written to the logger file

    bool ok = true;           // cleared when the logger failed
    bool counted = false;     // success or failure already counted
    bool flushFailed = false; // a batch of samples could not be written
    int recordId = 0;
    FailReason why;           // told after line 220
};

CDownload::CDownload(const QString& name, CDevManager& devices)
    : m_name(name), m_devices(devices), m_handOver(std::make_unique<CEventLock>(true))
{
}

CDownload::~CDownload() = default;

bool CDownload::Cancelled() const
{
    return m_note && m_note->CancelRequested();
}

QList<CDownload::LoggerResult> CDownload::Results() const
{
    QMutexLocker hold(&m_contextLock);
    std::map<QString, LoggerResult> sorted;
    for (const LoggerResult& r : m_empty)
        sorted[r.sn] = r;
    for (const auto& [sn, c] : m_contexts) {
        LoggerResult r;
        r.sn = sn;
        r.ok = c->ok && c->recordId > 0;
        r.expected = c->expected;
        r.received = c->received;
        r.table = c->files.table;
        r.recordId = c->recordId;
        sorted[sn] = r;
    }
    QList<LoggerResult> list;
    for (auto& [sn, r] : sorted)
        list << r;
    return list;
}

void CDownload::Progress(qint64 steps)
{
    if (steps <= 0)
        return;
    m_position += steps;
    m_note->Advance(int(steps));
}

int CDownload::RunBatchDownload(CBatchNote* note, const Hooks& hooks)
{
    if (!note) {
        m_ownNote = std::make_unique<CBatchNote>();
        m_ownNote->Reset(Msg(219), false);
        note = m_ownNote.get();
    }
    m_note = note;
    auto busy = [&](bool on) {
        if (hooks.busy)
            hooks.busy(on);
    };

    // 1. The main database.
    m_datainfo = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 1);
    if (m_datainfo)
        m_datainfo->SetReportMode(qm::store::kReportLog);
    if (m_datainfo && m_datainfo->Open() != 1)
        m_datainfo.reset();
    if (!m_datainfo) {
        ShowMessageText(185, MsgF(185, {qm::DatabasePath()}));
        return 0;
    }

    // 2. The month folder of the backup copies.
    m_monthFolder = CurrentBackupMonthFolder();
    if (!QDir(m_monthFolder).exists() && !QDir().mkpath(m_monthFolder)) {
        ShowMessageText(260, Msg(260) + QDir::toNativeSeparators(m_monthFolder));
        return 0;
    }

    // 3. A fresh batch.
    m_successes = m_failures = 0;
    m_position = 0;
    m_total = 0;
    {
        QMutexLocker hold(&m_contextLock);
        m_contexts.clear();
        m_empty.clear();
    }
    busy(true);
    m_note->SetTitle(Msg(219));
    // The progress counts samples, the results count loggers.
    m_note->SetLabels({Msg(5074), Msg(5075), Msg(5076), Msg(5077)});
    m_note->SetProgressVisible(false);
    ReadInterval();

    // 4. Phase 1: one thread per connected logger, in the registry's order.
    const std::vector<DevicePtr> devices = m_devices.Devices();
    BatchWorkers workers;
    for (const DevicePtr& device : devices) {
        qm::store::WaitWithMessagePump(*m_handOver, -1, false);
        m_currentDevice = device;
        workers.Start([this] { PrepareLogger(); });
    }
    workers.JoinAll();
    qm::store::WaitWithMessagePump(*m_handOver, -1, false);
    m_handOver->Set();

    // 5. Progress over every sample to come.
    busy(false);
    m_note->SetTotal(int(qMin<qint64>(m_total, INT_MAX)));
    m_note->SetDone(0);
    m_note->SetProgressVisible(true);
    if (hooks.showWindow)
        hooks.showWindow();

    // 6. Phase 2: one thread per prepared logger.
    QStringList prepared;
    {
        QMutexLocker hold(&m_contextLock);
        for (const auto& [sn, c] : m_contexts)
            prepared << sn;
    }
    for (const QString& sn : prepared) {
        qm::store::WaitWithMessagePump(*m_handOver, -1, false);
        m_currentSN = sn;
        m_currentDevice = m_devices.Find(sn);
        workers.Start([this] { DownloadLogger(); });
    }
    workers.JoinAll();
    qm::store::WaitWithMessagePump(*m_handOver, -1, false);
    m_handOver->Set();
    m_currentDevice.reset();

    // 7. The transfers are over; the bar stays, showing how far they came.
    m_note->SetDone(int(qMin<qint64>(m_position, INT_MAX)));
    busy(true);

    // 8. Phase 3: register or discard, in serial-number order.
    const bool cancelled = Cancelled();
    for (const QString& sn : prepared) {
        Context* c = nullptr;
        {
            QMutexLocker hold(&m_contextLock);
            c = m_contexts.at(sn).get();
        }
        qm::store::CLockHold lock(qm::store::DatainfoLock(), -1, false);
        if (cancelled || !c->ok) {
            DiscardDownload(c->files);
        } else {
            c->record.name = m_name + qm::Now().toString(QStringLiteral("yyyyMMddHHmmss"));
            c->record.samples = c->written;
            c->recordId = FinishDownload(*m_datainfo, c->files, c->record);
            if (c->recordId <= 0) {
                // Not registered: no half record, no orphan table.
                c->ok = false;
                DiscardDownload(c->files);
                QMutexLocker progress(&m_progressLock);
                m_note->AddLine(FailureLine(MsgF(220, {c->sn}), DatabaseReason()));
            }
        }
        c->files.Close();
    }
    m_datainfo->Close();

    // 9. Done.
    m_note->AddLine(Msg(208));
    m_note->Finish();
    busy(false);
    return 1;
}

// ---- phase 1

void CDownload::PrepareLogger()
{
    DevicePtr device = m_currentDevice;
    m_handOver->Set();
    if (!device || !device->link)
        return;
    const QString sn = device->sn;

    auto fail = [&](const FailReason& why) {
        QMutexLocker hold(&m_progressLock);
        ++m_failures;
        m_note->ReportFailure(FailureLine(MsgF(220, {sn}), why));
    };

    BasicConfig basic{};
    if (device->link->GetBasicConfig(basic, LinkDelay(), kAttempts) != 1) {
        NoteLinkFailure(*device);
        fail(LinkFailReason(device->link->GetLastFailure()));
        return;
    }
    NoteLinkSuccess(*device);
    if (basic.storedFrames <= 0) {
        QMutexLocker hold(&m_progressLock);
        ++m_successes;
        m_note->ReportSuccess(MsgF(197, {sn, QStringLiteral("0")}));
        LoggerResult r;
        r.sn = sn;
        r.ok = true;
        QMutexLocker map(&m_contextLock);
        m_empty << r;
        return;
    }

    auto c = std::make_unique<Context>();
    c->owner = this;
    c->sn = sn;
    c->snText = sn.toLatin1();
    c->device = device;
    // The logger's own database and the backup copy; a box the store shows
    // from here is put on the UI thread by the message seam.
    if (OpenRecordFiles(sn, m_monthFolder, qm::Now().toSecsSinceEpoch(), true, &c->files,
                        QStringLiteral("CDownload::PrepareLogger"))
        != FilesResult::Ok) {
        c->files.Close();
        fail(DatabaseReason());
        return;
    }
    c->expected = basic.storedFrames;
    c->frameBytes = basic.frameBytes;
    c->channelCount = qBound(0, device->config.channelCount, kMaxChannels);
    c->record.sn = sn;
    c->record.devname = device->name;
    c->record.config = device->config;
    c->record.batchText = true;
    c->record.source = QStringLiteral("CDownload::FinishDownload");

    QMutexLocker hold(&m_contextLock);
    m_total += c->expected;
    m_contexts[sn] = std::move(c);
}

// ---- phase 2

void CDownload::fnCallback(void* context, char*, HistoryData sample)
{
    auto* c = static_cast<Context*>(context);
    CDownload* self = c->owner;
    c->received.fetch_add(1, std::memory_order_relaxed);
    self->Progress(1);
    if (self->Cancelled()) {
        c->device->link->SetDownState(0);
        return;
    }
    SampleText text;
    if (!FormatSample(sample, c->channels, c->channelCount, &text)) {
        WriteOperationLog(QStringLiteral("CDownload::fnCallback"), MsgF(5602, {RawSampleTime(sample)}),
                          qm::kTextLineOnly);
        return;
    }
    const QString sql = SampleInsertSql(c->files.table, text);
    qsizetype pending = 0;
    {
        QMutexLocker hold(&c->lock);
        c->pendingLogger += sql;
        c->pendingBackup += sql;
        ++c->pendingCount;
        pending = c->pendingLogger.size();
    }
    if (pending > kFlushCharacters && !self->FlushBatch(*c))
        c->flushFailed = true;
}

void CDownload::FailLogger(Context& c)
{
    QMutexLocker hold(&m_progressLock);
    c.ok = false;
    if (c.counted)
        return;
    c.counted = true;
    ++m_failures;
    m_note->ReportFailure(FailureLine(MsgF(220, {c.sn}), c.why));
    Progress(c.expected - c.received);
}

bool CDownload::FlushBatch(Context& c)
{
    QString loggerText, backupText;
    qint64 count = 0;
    {
        QMutexLocker hold(&c.lock);
        loggerText.swap(c.pendingLogger);
        backupText.swap(c.pendingBackup);
        std::swap(count, c.pendingCount);
    }
    if (loggerText.isEmpty())
        return true;
    if (Cancelled()) {
        FailLogger(c);
        return false;
    }
    c.files.logger->SetAutoTransaction(1);
    const bool loggerOk = c.files.logger->ExeSql(loggerText) >= 0;
    c.files.backup->SetAutoTransaction(1);
    const bool backupOk = backupText.isEmpty() || c.files.backup->ExeSql(backupText) >= 0;
    if (loggerOk)
        c.written += count;
    return loggerOk && backupOk;
}

void CDownload::DownloadLogger()
{
    const QString sn = m_currentSN;
    DevicePtr device = m_currentDevice;
    Context* c = nullptr;
    {
        QMutexLocker hold(&m_contextLock);
        auto it = m_contexts.find(sn);
        if (it != m_contexts.end())
            c = it->second.get();
    }
    m_handOver->Set();
    if (!c)
        return;
    {
        QMutexLocker hold(&m_progressLock);
        m_note->AddLine(MsgF(223, {sn}));
    }
    if (!device || !device->link || Cancelled()) {
        FailLogger(*c);
        return;
    }
    c->device = device;
    CLinkParent& link = *device->link;
    const int delay = LinkDelay();
    int ok = link.GetChannelConfig(c->channels, c->channelCount, delay, kAttempts) == 1 ? 1 : 0;
    if (!ok) {
        c->why = LinkFailReason(link.GetLastFailure());
        NoteLinkFailure(*device);
    }
    if (ok) {
        for (int i = 0; i < kSampleChannels && i < c->channelCount; ++i)
            c->record.channels[i] = c->channels[i];
        c->record.channelCount = qMin(c->channelCount, kSampleChannels);
        SYSTEMTIME start{};
        ok = link.DownHistoryData(c->channelCount, start, c->frameBytes, &CDownload::fnCallback,
                                  c->snText.data(), c, delay, kAttempts);
        if (ok != 1) {
            c->why = LinkFailReason(link.GetLastFailure(), c->received, c->expected);
            NoteLinkFailure(*device);
        }
    }
    const bool done = ok == 1 && link.GetDownState() != 0;
    const bool written = done && FlushBatch(*c) && !c->flushFailed;
    if (done && !written)
        c->why = DatabaseReason();
    // Every sample the logger announced, or no record: a shortfall is never
    // registered as a finished download.
    const bool whole = written && c->received >= c->expected;
    if (written && !whole)
        c->why = MissingSamplesReason(c->received, c->expected);
    if (whole && !Cancelled()) {
        QMutexLocker hold(&m_progressLock);
        c->counted = true;
        ++m_successes;
        m_note->ReportSuccess(MsgF(197, {sn, QString::number(c->received.load())}));
        return;
    }
    FailLogger(*c);
}

} // namespace qm::device
