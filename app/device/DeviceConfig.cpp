#include "DeviceConfig.h"

#include "AppEnv.h"
#include "CBatchNote.h"
#include "ChannelInfo.h"
#include "Clock.h"
#include "ComSettings.h"
#include "DeviceText.h"
#include "EventLock.h"
#include "MessageSeam.h"
#include "OpenDatabase.h"
#include "OperationLog.h"
#include "Permissions.h"
#include "SqlQuote.h"
#include "StoreSeams.h"
#include "Strings.h"

namespace qm::device {
namespace {

constexpr int kRenameLockSeconds = 10;

// The wait cursor while the submit talks to the logger.
class BusyWithLogger {
public:
    BusyWithLogger() { store::ShowWaitCursor(true); }
    ~BusyWithLogger() { store::ShowWaitCursor(false); }
    BusyWithLogger(const BusyWithLogger&) = delete;
    BusyWithLogger& operator=(const BusyWithLogger&) = delete;
};

QDateTime WholeMinute(const QDateTime& t)
{
    if (!t.isValid())
        return t;
    return QDateTime(t.date(), QTime(t.time().hour(), t.time().minute(), 0));
}

// A whole number in [low, high]; an empty text is `emptyValue` (-1: refused).
bool IntervalPart(const QString& text, int high, int emptyValue, int* value)
{
    const QString t = text.trimmed();
    if (t.isEmpty()) {
        *value = emptyValue;
        return emptyValue >= 0;
    }
    bool ok = false;
    const int v = t.toInt(&ok, 10);
    if (!ok || v < 0 || v > high)
        return false;
    *value = v;
    return true;
}

bool ParseLimit(const QString& text, double* value)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok)
        return false;
    *value = v;
    return true;
}

QString ConfigTimeText(const QDateTime& t)
{
    return QString::asprintf("%d-%02d-%02d %02d:%02d:00", t.date().year(), t.date().month(), t.date().day(),
                             t.time().hour(), t.time().minute());
}

QString Entry(int label, const QString& value) { return Msg(label) + u':' + value + u','; }

int IntervalValue(const QString& text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    return ok ? v : 0;
}

QString LimitText(float value) { return QString::number(double(value)); }

// The new names in recordtime and devInfo. false when the database refused.
bool RenameInDatabase(const QString& sn, const QString& name)
{
    std::unique_ptr<store::CDBSqlite3> db = store::OpenDatabase(nullptr, DatabasePath(), 0, 0, 0);
    if (!db)
        return false;
    db->SetReportMode(store::kReportLog);
    const QString n = store::SqlText(name);
    const QString s = store::SqlText(sn);
    const QString sql = QStringLiteral("update recordtime set devname = '%1' where SN = '%2';"
                                       "update devInfo set devname = '%1' where SN = '%2';")
                            .arg(n, s);
    store::CLockHold hold(store::DatainfoLock(), kRenameLockSeconds, false);
    return db->ExeSql(sql) >= 0;
}

// Reads back the records a configuration write changed; 193 for each failed read.
void ReadBack(CDevice& device)
{
    CLinkParent& link = *device.link;
    if (link.GetConfig(device.config, LinkDelay(), kAttempts) != 1)
        ShowMessage(193);
    if (link.GetBasicConfig(device.basic, LinkDelay(), kAttempts) != 1)
        ShowMessage(193);
    const int channels = qBound(0, device.config.channelCount, int(kMaxChannels));
    if (link.GetChannelConfig(device.channels, channels, LinkDelay(), kAttempts) != 1)
        ShowMessage(193);
}

} // namespace

int StartModeFromPosition(int position) { return position == 1 ? kStartKey : kStartTimed; }
int StartModePosition(int mode) { return mode == kStartKey ? 1 : 0; }

int StopModeFromPosition(int position)
{
    switch (position) {
    case 1: return kStopTimed;
    case 2: return kStopKey;
    case 3: return kStopWhenFull;
    default: return kStopFifo;
    }
}

int StopModePosition(int mode)
{
    switch (mode) {
    case kStopTimed: return 1;
    case kStopKey: return 2;
    case kStopWhenFull: return 3;
    default: return 0;
    }
}

int StartModeMessage(int mode) { return mode == kStartKey ? 254 : 253; }

int StopModeMessage(int mode)
{
    switch (mode) {
    case kStopTimed: return 255;
    case kStopKey: return 256;
    case kStopWhenFull: return 257;
    default: return 258;
    }
}

QDateTime TimedStartDefault(const QDateTime& now) { return WholeMinute(now.addSecs(120)); }
QDateTime TimedStopDefault(const QDateTime& now) { return WholeMinute(now.addSecs(3600)); }

QDateTime PredictedEnd(const QDateTime& start, qint64 frameCapacity, qint64 intervalSeconds)
{
    return start.addSecs(qMax<qint64>(0, frameCapacity) * qMax<qint64>(0, intervalSeconds));
}

qint64 FormIntervalSeconds(const ConfigForm& form)
{
    int h = 0, m = 0, s = 0;
    if (!IntervalPart(form.hours, 23, -1, &h) || !IntervalPart(form.minutes, 59, -1, &m)
        || !IntervalPart(form.seconds, 59, 0, &s))
        return -1;
    return qint64(h) * 3600 + qint64(m) * 60 + s;
}

QDateTime FormPredictedEnd(const ConfigForm& form, qint64 frameCapacity)
{
    const QDateTime start = form.startTime.isValid() ? WholeMinute(form.startTime) : WholeMinute(Now());
    return PredictedEnd(start, frameCapacity, qMax<qint64>(0, FormIntervalSeconds(form)));
}

ConfigForm FormFromDevice(const CDevice& device, const QString& name, const QDateTime& now)
{
    const ConfigInfo& c = device.config;
    ConfigForm form;
    form.name = name;
    form.hours = QString::number(c.recordInterval.wHour);
    form.minutes = QString::number(c.recordInterval.wMinute);
    form.seconds = QString::number(c.recordInterval.wSecond);
    form.startMode = c.startMode == kStartKey ? kStartKey : kStartTimed;
    const QDateTime start = ConfigTime(c.startTime);
    // A timed start that was never given a time shows the one a change to
    // timed start would offer, so that the page can be submitted as it is.
    if (form.startMode == kStartTimed)
        form.startTime = start.isValid() ? WholeMinute(start) : TimedStartDefault(now);
    else
        form.startTime = WholeMinute(now);
    form.stopMode = StopModeFromPosition(StopModePosition(c.stopMode));
    const QDateTime stop = ConfigTime(c.stopTime);
    form.stopTime = stop.isValid() ? WholeMinute(stop) : WholeMinute(now);
    const int channels = qBound(0, c.channelCount, int(kMaxChannels));
    for (int i = 0; i < channels; ++i) {
        const ChannelConfig& ch = device.channels[i];
        ConfigChannelRow row;
        row.type = ch.channelType;
        row.alarm = ch.alarmSwitch != 0;
        row.low = LimitText(ch.alarmLower);
        row.high = LimitText(ch.alarmUpper);
        row.lowerBound = ch.lowerBound;
        row.upperBound = ch.upperBound;
        form.channels << row;
    }
    return form;
}

ConfigForm ReadConfigForm(CDevice& device)
{
    char buffer[kCardNameBytes + 1] = {};
    if (device.link)
        device.link->GetCardName(buffer, LinkDelay(), kAttempts);
    buffer[kCardNameBytes] = '\0';
    QString name = FromCodePage(QByteArray(buffer)).trimmed();
    if (name.isEmpty())
        name = device.name;
    return FormFromDevice(device, name, Now());
}

QString SettingsText(const ConfigForm& form, bool withName)
{
    QString text;
    if (withName)
        text += Entry(136, form.name.trimmed());
    text += Entry(307, QStringLiteral("%1:%2:%3")
                           .arg(IntervalValue(form.hours))
                           .arg(IntervalValue(form.minutes))
                           .arg(IntervalValue(form.seconds)));
    text += Entry(114, Msg(StartModeMessage(form.startMode)));
    if (form.startMode == kStartTimed && form.startTime.isValid())
        text += Entry(115, ConfigTimeText(form.startTime));
    text += Entry(116, Msg(StopModeMessage(form.stopMode)));
    const bool stopSet = form.stopMode == kStopTimed || form.stopMode == kStopWhenFull;
    if (stopSet && form.stopTime.isValid())
        text += Entry(117, ConfigTimeText(form.stopTime));
    for (const ConfigChannelRow& row : form.channels) {
        QString value = Msg(row.alarm ? 148 : 149);
        double low = 0, high = 0;
        if (row.alarm && ParseLimit(row.low, &low) && ParseLimit(row.high, &high))
            value += QString::asprintf(" %.1f~%.1f", low, high);
        text += MsgF(198, {ChannelName(row.type)}) + u':' + value + u',';
    }
    return text;
}

ConfigCheck CheckConfigForm(ConfigForm& form, const QDateTime& now, bool single)
{
    if (single) {
        for (int i = 0; i < form.channels.size(); ++i) {
            ConfigChannelRow& row = form.channels[i];
            double low = 0, high = 0;
            if (!ParseLimit(row.low, &low) || !ParseLimit(row.high, &high))
                return {304, ConfigField::Limits, i};
            if (low > high) {
                std::swap(row.low, row.high);
                std::swap(low, high);
            }
            if (low < row.lowerBound || high > row.upperBound)
                return {304, ConfigField::Limits, i};
        }
        const QString name = form.name.trimmed();
        if (name.isEmpty())
            return {340, ConfigField::Name};
        const int bytes = CodePageLength(name);
        if (bytes > kCardNameBytes)
            return {188, ConfigField::Name};
        if (bytes < 0)
            return {5480, ConfigField::Name};
    }
    if (FormIntervalSeconds(form) <= 0)
        return {212, ConfigField::Interval};
    const bool timedStart = form.startMode == kStartTimed;
    const bool timedStop = form.stopMode == kStopTimed;
    const QDateTime start = WholeMinute(form.startTime);
    const QDateTime stop = WholeMinute(form.stopTime);
    if (timedStart && (!start.isValid() || start <= now))
        return {305, ConfigField::StartTime};
    if (timedStop && (!stop.isValid() || stop <= now))
        return {306, ConfigField::StopTime};
    if (timedStart && timedStop && stop <= start)
        return {213, ConfigField::StopTime};
    if (form.startMode == kStartKey && timedStop)
        return {230, ConfigField::Modes};
    return {};
}

ConfigInfo BuildFormConfig(const ConfigInfo& current, const ConfigForm& form, qint64 frameCapacity)
{
    ConfigInfo next = current;
    const qint64 seconds = qMax<qint64>(0, FormIntervalSeconds(form));
    next.recordInterval.wHour = uint16_t(seconds / 3600);
    next.recordInterval.wMinute = uint16_t(seconds / 60 % 60);
    next.recordInterval.wSecond = uint16_t(seconds % 60);
    next.startMode = form.startMode;
    next.stopMode = form.stopMode;
    next.startTime = form.startMode == kStartTimed ? ToSystemTime(WholeMinute(form.startTime)) : SYSTEMTIME{};
    switch (form.stopMode) {
    case kStopTimed: next.stopTime = ToSystemTime(WholeMinute(form.stopTime)); break;
    case kStopWhenFull: next.stopTime = ToSystemTime(FormPredictedEnd(form, frameCapacity)); break;
    default: next.stopTime = SYSTEMTIME{}; break;
    }
    return next;
}

SubmitResult SubmitConfig(CDevice& device, ConfigForm& form, const QString& before, const SubmitOptions& options)
{
    SubmitResult result;
    if (!Permit(Guarded::WriteConfig)) {
        result.check = {CheckPermission(Guarded::WriteConfig) == Refusal::Role ? 315 : 164, ConfigField::None};
        return result;
    }
    result.check = CheckConfigForm(form, Now());
    if (result.check.message) {
        ShowMessage(result.check.message);
        return result;
    }
    const QString after = SettingsText(form);
    if (options.beforeQuestion)
        options.beforeQuestion(after);
    if (ShowMessage(232, MsgButtons::OkCancel) != AnswerOk) {
        result.outcome = SubmitOutcome::Cancelled;
        return result;
    }

    result.outcome = SubmitOutcome::Failed;
    const QString name = form.name.trimmed();
    QByteArray bytes;
    ToCodePage(name, &bytes);
    {
        BusyWithLogger busy;
        if (!device.link) {
            ShowMessage(5481);
            return result;
        }
        CLinkParent& link = *device.link;
        // Nothing is written yet when the name does not take: the logger keeps
        // its whole configuration, and the user learns that it did.
        if (link.SetCardName(bytes.constData(), int(bytes.size()) + 1, LinkDelay(), kAttempts) != 1) {
            ShowMessage(5481);
            return result;
        }
        const int channels = qBound(0, device.config.channelCount, int(kMaxChannels));
        ChannelConfig written[kMaxChannels] = {};
        for (int i = 0; i < channels; ++i) {
            written[i] = device.channels[i];
            if (i < form.channels.size()) {
                const ConfigChannelRow& row = form.channels.at(i);
                double low = 0, high = 0;
                ParseLimit(row.low, &low);
                ParseLimit(row.high, &high);
                written[i].alarmSwitch = row.alarm ? 1 : 0;
                written[i].alarmLower = float(low);
                written[i].alarmUpper = float(high);
            }
        }
        if (link.SetChannelConfig(written, channels, LinkDelay(), kAttempts) != 1
            || link.WarnSet(LinkDelay(), kAttempts) != 1
            || link.SetConfig(BuildFormConfig(device.config, form, device.basic.frameCapacity), 1, LinkDelay(),
                              kAttempts)
                   != 1) {
            ShowMessage(123);
            return result;
        }
    }
    if (!RenameInDatabase(device.sn, name)) {
        ShowMessage(123);
        return result;
    }
    device.name = name;
    {
        BusyWithLogger busy;
        ReadBack(device);
    }
    ShowMessage(124);
    WriteOperationLog(QStringLiteral("CConfigAttribute::OnBnClickedOk"),
                      Msg(191) + u'(' + before + u')' + Msg(192) + u'(' + after + u')', 12, options.logUser);
    result.outcome = SubmitOutcome::Done;
    return result;
}

bool ConfirmBatchConfig(ConfigForm& form, const std::function<void(const QString& after)>& beforeQuestion)
{
    if (!Permit(Guarded::WriteConfig))
        return false;
    const ConfigCheck check = CheckConfigForm(form, Now(), false);
    if (check.message) {
        ShowMessage(check.message);
        return false;
    }
    if (beforeQuestion)
        beforeQuestion(SettingsText(form, false));
    return ShowMessage(232, MsgButtons::OkCancel) == AnswerOk;
}

BatchConfigResult ConfigureDevices(const std::vector<DevicePtr>& devices, const ConfigForm& form, CBatchNote* note)
{
    BatchConfigResult result;
    if (note)
        note->SetTotal(int(devices.size()));
    int done = 0;
    for (const DevicePtr& device : devices) {
        QString failure;
        const QString sn = device ? device->sn : QString();
        if (!device || !device->link) {
            failure = MsgF(228, {sn});
        } else {
            CLinkParent& link = *device->link;
            const int channels = qBound(0, device->config.channelCount, int(kMaxChannels));
            ChannelConfig unchanged[kMaxChannels] = {};
            std::copy(device->channels, device->channels + channels, unchanged);
            if (link.SetChannelConfig(unchanged, channels, LinkDelay(), kAttempts) != 1)
                failure = MsgF(228, {sn});
            else if (link.WarnSet(LinkDelay(), kAttempts) != 1)
                failure = MsgF(233, {sn});
            else if (link.SetConfig(BuildFormConfig(device->config, form, device->basic.frameCapacity), 1, LinkDelay(),
                                    kAttempts)
                     != 1)
                failure = MsgF(293, {sn});
        }
        if (failure.isEmpty()) {
            // The device's records follow the logger (the run and stop buttons
            // read them); a failed read keeps what was held.
            RefreshRecords(*device);
            ++result.configured;
            const QString line = MsgF(177, {sn});
            result.lines << line;
            if (note)
                note->ReportSuccess(line);
        } else {
            ++result.failed;
            result.lines << failure;
            if (note)
                note->ReportFailure(failure);
        }
        if (note)
            note->SetDone(++done);
    }
    result.lines << Msg(208);
    if (note) {
        note->AddLine(Msg(208));
        note->Finish();
    }
    return result;
}

void WriteBatchConfigLog(const QStringList& lines, const ConfigForm& form, const QString& logUser)
{
    WriteOperationLog(QStringLiteral("CConfigAttribute::OnBnClickedBconfigAll"),
                      lines.join(u';') + SettingsText(form, false), 12, logUser);
}

} // namespace qm::device
