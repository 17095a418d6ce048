#include "DeviceCommands.h"

#include "ComSettings.h"
#include "ControlIds.h"
#include "DeviceText.h"
#include "SqlQuote.h"

namespace qm::window {

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
    if (device.link->SetConfig(config, clearFirst, device::LinkDelay(), device::kAttempts) != 1)
        return WriteResult::WriteFailed;
    if (device.link->GetConfig(device.config, device::LinkDelay(), device::kAttempts) != 1)
        return WriteResult::ReadBackFailed;
    // The frame counts shown on the information page; not part of the result.
    device.link->GetBasicConfig(device.basic, device::LinkDelay(), device::kAttempts);
    return WriteResult::Done;
}

void RefreshRecords(CDevice& device)
{
    if (!device.link)
        return;
    device.link->GetConfig(device.config, device::LinkDelay(), device::kAttempts);
    device.link->GetBasicConfig(device.basic, device::LinkDelay(), device::kAttempts);
}

ToolbarState ComputeToolbar(const ToolbarInputs& in)
{
    ToolbarState s;
    const bool deviceTab = in.tab == kTabDevice;
    const bool folderTab = in.tab == kTabFolder;
    const bool device = in.hasDevice && deviceTab;

    // One member of each pair at a time.
    s.connect = {!device, deviceTab || in.tab == kTabNone};
    s.disconnect = {device, device};
    const bool recording = device && in.recording;
    s.run = {!recording, device};
    s.stop = {recording, device};
    s.download = {true, device && in.downloadAvailable};
    s.connectAll = {true, deviceTab || in.tab == kTabNone};
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

} // namespace qm::window
