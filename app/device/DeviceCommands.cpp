#include "DeviceCommands.h"

#include "Clock.h"
#include "ComSettings.h"
#include "DeviceText.h"
#include "LostDevice.h"
#include "MessageSeam.h"
#include "OperationLog.h"
#include "SqlQuote.h"
#include "StoreSeams.h"
#include "Strings.h"

namespace qm::device {
namespace {

// The wait cursor while a command talks to a logger.
class BusyWithLogger {
public:
    BusyWithLogger() { store::ShowWaitCursor(true); }
    ~BusyWithLogger() { store::ShowWaitCursor(false); }
    BusyWithLogger(const BusyWithLogger&) = delete;
    BusyWithLogger& operator=(const BusyWithLogger&) = delete;
};

// Writes `next`, reads it back and reports: 123, 193, or the audit entry
// `logNumber` + the device name as `logType`.
CommandOutcome ApplyRecordingChange(CDevice& device, const ConfigInfo& next, int erase, const char* source,
                                    int logNumber, int logType, const QString& logUser)
{
    WriteResult result;
    {
        BusyWithLogger busy;
        result = WriteConfig(device, next, erase);
    }
    if (result != WriteResult::Done && device.lostFailure) {
        ShowLost(device);
        return CommandOutcome::Failed;
    }
    switch (result) {
    case WriteResult::WriteFailed:
        ShowMessage(123);
        return CommandOutcome::Failed;
    case WriteResult::ReadBackFailed:
        ShowMessage(193);
        return CommandOutcome::Failed;
    case WriteResult::Done:
        break;
    }
    WriteOperationLog(QString::fromLatin1(source), JoinWords(Msg(logNumber), device.name), logType, logUser);
    return CommandOutcome::Done;
}

} // namespace

QDateTime ConfigTime(const SYSTEMTIME& t)
{
    if (t.wYear == 0)
        return {};
    return QDateTime(QDate(t.wYear, t.wMonth, t.wDay), QTime(t.wHour, t.wMinute, t.wSecond));
}

qint64 IntervalSeconds(const SYSTEMTIME& interval)
{
    return qint64(interval.wHour) * 3600 + qint64(interval.wMinute) * 60 + interval.wSecond;
}

StartCheck CheckStart(const ConfigInfo& config, const BasicConfig& basic, const QDateTime& now)
{
    if (config.recordingState == 1)
        return StartCheck::AlreadyRecording;
    if (config.startMode == kStartKey)
        return StartCheck::KeyStart;
    if (config.startMode == kStartTimed && (config.stopMode == kStopTimed || config.stopMode == kStopKey)) {
        // A logger that was never given a start time has not started yet.
        const QDateTime start = ConfigTime(config.startTime);
        if (start.isValid() && start <= now)
            return config.stopMode == kStopTimed ? StartCheck::TimedStopDone : StartCheck::KeyStopDone;
    }
    if (config.stopMode == kStopWhenFull && basic.memoryFull == 1)
        return StartCheck::MemoryFull;
    return StartCheck::Allowed;
}

int StartRefusalMessage(StartCheck check, int* modeName)
{
    int name = 0;
    int number = 0;
    switch (check) {
    case StartCheck::Allowed:
    case StartCheck::AlreadyRecording:
        break;
    case StartCheck::KeyStart:
        number = 230;
        break;
    case StartCheck::TimedStopDone:
        number = 222;
        name = 255;
        break;
    case StartCheck::KeyStopDone:
        number = 222;
        name = 256;
        break;
    case StartCheck::MemoryFull:
        number = 222;
        name = 257;
        break;
    }
    if (modeName)
        *modeName = name;
    return number;
}

ConfigInfo BuildStartConfig(const ConfigInfo& current, const BasicConfig& basic, const QDateTime& now,
                            bool clearFirst)
{
    ConfigInfo next = current;
    next.startTime = device::ToSystemTime(now);
    switch (current.stopMode) {
    case kStopTimed:
        break;
    case kStopWhenFull: {
        // Erasing first frees the whole memory; otherwise only what is left.
        const qint64 stored = clearFirst ? 0 : basic.storedFrames;
        const qint64 free = qMax<qint64>(0, qint64(basic.frameCapacity) - stored);
        next.stopTime = device::ToSystemTime(now.addSecs(IntervalSeconds(current.recordInterval) * free));
        break;
    }
    default:   // first in first out, key stop
        next.stopTime = SYSTEMTIME{};
        break;
    }
    return next;
}

StopCheck CheckStop(const ConfigInfo& config)
{
    if (config.recordingState != 1)
        return StopCheck::NotRecording;
    if (config.stopMode == kStopKey)
        return StopCheck::KeyStop;
    return StopCheck::Allowed;
}

ConfigInfo BuildStopConfig(const ConfigInfo& current, const QDateTime& now)
{
    ConfigInfo next = current;
    next.stopTime = device::ToSystemTime(now);
    return next;
}

WriteResult WriteConfig(CDevice& device, const ConfigInfo& config, int clearFirst)
{
    if (!device.link)
        return WriteResult::WriteFailed;
    if (device.link->SetConfig(config, clearFirst, device::LinkDelay(), device::kAttempts) != 1) {
        NoteLinkFailure(device);
        return WriteResult::WriteFailed;
    }
    if (device.link->GetConfig(device.config, device::LinkDelay(), device::kAttempts) != 1) {
        NoteLinkFailure(device);
        return WriteResult::ReadBackFailed;
    }
    NoteLinkSuccess(device);
    // The frame counts shown on the information page; not part of the result.
    device.link->GetBasicConfig(device.basic, device::LinkDelay(), device::kAttempts);
    return WriteResult::Done;
}

bool RefreshRecords(CDevice& device)
{
    if (!device.link)
        return false;
    if (device.link->GetConfig(device.config, device::LinkDelay(), device::kAttempts) != 1
        || device.link->GetBasicConfig(device.basic, device::LinkDelay(), device::kAttempts) != 1) {
        NoteLinkFailure(device);
        return false;
    }
    NoteLinkSuccess(device);
    return true;
}

CommandOutcome StartRecording(CDevice& device, const QString& logUser)
{
    bool refreshed = false;
    {
        BusyWithLogger busy;
        refreshed = RefreshRecords(device);
    }
    // What the held records say of a logger that no longer answers is no
    // ground for a decision.
    if (!refreshed && device.lostFailure) {
        ShowLost(device);
        return CommandOutcome::Failed;
    }
    const QDateTime now = Now();
    const StartCheck check = CheckStart(device.config, device.basic, now);
    if (check == StartCheck::AlreadyRecording)
        return CommandOutcome::Unchanged;
    int modeName = 0;
    if (const int refusal = StartRefusalMessage(check, &modeName)) {
        if (modeName)
            ShowMessageText(refusal, MsgF(refusal, {Msg(modeName)}));
        else
            ShowMessage(refusal);
        return CommandOutcome::Unchanged;
    }
    const bool clearFirst = ShowMessage(5420, MsgButtons::OkCancel) == AnswerOk;
    return ApplyRecordingChange(device, BuildStartConfig(device.config, device.basic, now, clearFirst),
                                clearFirst ? 1 : 0, "CQuillmarkDlg::OnBnClickedBrun", 271, 6, logUser);
}

CommandOutcome StopRecording(CDevice& device, const QString& logUser)
{
    bool refreshed = false;
    {
        BusyWithLogger busy;
        refreshed = RefreshRecords(device);
    }
    if (!refreshed && device.lostFailure) {
        ShowLost(device);
        return CommandOutcome::Failed;
    }
    switch (CheckStop(device.config)) {
    case StopCheck::NotRecording:
        return CommandOutcome::Unchanged;
    case StopCheck::KeyStop:
        ShowMessage(231);
        return CommandOutcome::Unchanged;
    case StopCheck::Allowed:
        break;
    }
    return ApplyRecordingChange(device, BuildStopConfig(device.config, Now()), 0, "CQuillmarkDlg::OnBnClickedBpause",
                                272, 7, logUser);
}

ToolbarState ComputeToolbar(const ToolbarInputs& in)
{
    ToolbarState s;
    const bool deviceTab = in.tab == ToolbarTab::Devices;
    const bool folderTab = in.tab == ToolbarTab::Folders;
    const bool device = in.hasDevice && deviceTab;
    // A lost logger takes no command but its disconnect.
    const bool reachable = device && !in.lost;

    // One member of each pair at a time.
    s.connect = {!device, deviceTab || in.tab == ToolbarTab::None};
    s.disconnect = {device, device};
    const bool recording = reachable && in.recording;
    s.run = {!recording, reachable};
    s.stop = {recording, reachable};
    s.download = {true, reachable && in.downloadAvailable};
    s.connectAll = {true, deviceTab || in.tab == ToolbarTab::None};
    s.configAll = {true, in.configAllAvailable && in.connectedCount > 0};
    s.downloadAll = {true, in.downloadAvailable && in.connectedCount > 0};
    if (folderTab) {
        for (ButtonState* b : {&s.connect, &s.disconnect, &s.run, &s.stop, &s.download, &s.connectAll, &s.configAll,
                               &s.downloadAll})
            b->visible = false;
    }

    const bool records = in.recordCommandsAvailable && in.recordSelected;
    s.save = {true, records};
    s.print = {true, records};
    s.merge = {true, in.mergeAvailable};
    s.compare = {true, in.mergeAvailable};

    s.menuDownload = in.listMode && device && in.downloadAvailable;
    s.menuRunPause = in.listMode && device;
    s.menuConnect = in.listMode && deviceTab;
    s.menuImport = in.listMode && in.importAvailable;
    s.menuRecord = records;
    return s;
}

QString DeviceSearchCondition(const QString& searchText)
{
    const QString text = searchText.trimmed();
    if (text.isEmpty())
        return {};
    // The typed text is a value, never SQL: quotes are doubled.
    const QString value = store::SqlText(text);
    return QStringLiteral("(devname like '%%1%' or SN like '%%1%')").arg(value);
}

} // namespace qm::device
