#include "RecordSettings.h"

#include "AppEnv.h"
#include "OpenDatabase.h"
#include "RecordConfig.h"
#include "Recordset.h"
#include "Schema.h"

namespace qm::device {
namespace {

QDateTime StoredTime(const QString& text)
{
    return QDateTime::fromString(text.trimmed(), QStringLiteral("yyyy-MM-dd HH:mm"));
}

int PartInt(const QStringList& parts, int i) { return i < parts.size() ? parts.at(i).trimmed().toInt() : 0; }

QString Part(const QStringList& parts, int i) { return i < parts.size() ? parts.at(i).trimmed() : QString(); }

} // namespace

// The configuration of the connected logger `sn` as a config row would hold
// it: what a record of that logger without any row was most likely recorded with.
std::optional<store::RecordConfigTexts> ConnectedConfigTexts(const QString& sn)
{
    const DevicePtr device = DeviceManager().Find(sn);
    if (!device)
        return std::nullopt;
    const ConfigInfo& c = device->config;
    QList<int> types, alarms, tops, floors;
    QList<double> upper, lower;
    const int count = qBound(0, c.channelCount, int(kMaxChannels));
    for (int i = 0; i < count; ++i) {
        const ChannelConfig& ch = device->channels[i];
        types << ch.channelType;
        alarms << ch.alarmSwitch;
        upper << ch.alarmUpper;
        lower << ch.alarmLower;
        tops << ch.upperBound;
        floors << ch.lowerBound;
    }
    store::RecordConfigTexts t;
    t.recordInterval =
        store::FormatInterval(c.recordInterval.wHour, c.recordInterval.wMinute, c.recordInterval.wSecond);
    t.startMode = c.startMode;
    t.startTime = store::FormatConfigTime(c.startTime.wYear, c.startTime.wMonth, c.startTime.wDay, c.startTime.wHour,
                                          c.startTime.wMinute);
    t.stopMode = c.stopMode;
    t.stopTime = store::FormatConfigTime(c.stopTime.wYear, c.stopTime.wMonth, c.stopTime.wDay, c.stopTime.wHour,
                                         c.stopTime.wMinute);
    t.channelTypes = store::JoinCodes(types);
    t.alarmSwitches = store::JoinCodes(alarms);
    t.alarmUpper = store::JoinDecimals(upper);
    t.alarmLower = store::JoinDecimals(lower);
    t.upperLimits = store::JoinCodes(tops);
    t.lowerLimits = store::JoinCodes(floors);
    return t;
}

ConfigForm FormFromConfigRow(const QString& interval, int startMode, const QString& startTime, int stopMode,
                             const QString& stopTime, const QString& types, const QString& alarms,
                             const QString& floors, const QString& tops, const QString& lowerBounds,
                             const QString& upperBounds)
{
    ConfigForm form;
    const QStringList hms = interval.split(u';');
    form.hours = QString::number(PartInt(hms, 0));
    form.minutes = QString::number(PartInt(hms, 1));
    form.seconds = QString::number(PartInt(hms, 2));
    form.startMode = startMode;
    form.startTime = StoredTime(startTime);
    form.stopMode = stopMode;
    form.stopTime = StoredTime(stopTime);
    const QStringList t = store::SplitChannels(types);
    const QStringList a = store::SplitChannels(alarms);
    const QStringList f = store::SplitChannels(floors);
    const QStringList c = store::SplitChannels(tops);
    const QStringList lb = store::SplitChannels(lowerBounds);
    const QStringList ub = store::SplitChannels(upperBounds);
    for (int i = 0; i < t.size() && i < kMaxChannels; ++i) {
        ConfigChannelRow row;
        row.type = PartInt(t, i);
        row.alarm = PartInt(a, i) != 0;
        row.low = Part(f, i);
        row.high = Part(c, i);
        row.lowerBound = PartInt(lb, i);
        row.upperBound = PartInt(ub, i);
        form.channels << row;
    }
    return form;
}

bool ReadRecordSettings(int recordId, RecordSettings* settings)
{
    if (recordId <= 0)
        return false;
    std::unique_ptr<store::CDBSqlite3> main = store::OpenDatabase(nullptr, DatabasePath(), 0, 0, 0);
    if (!main)
        return false;
    main->SetReportMode(store::kReportLog);
    std::unique_ptr<store::CRecordset> record;
    if (main->QueryRecordset(QStringLiteral("select * from recordtime where id = %1;").arg(recordId), record) != 1
        || !record || record->IsEOF())
        return false;
    record->MoveFirst();
    settings->sn = record->Text(u"SN");
    const QString name = record->Text(u"devname");

    std::unique_ptr<store::CDBSqlite3> logger =
        store::OpenDatabase(nullptr, store::LoggerDatabasePath(ProgramFolder(), settings->sn), 0, 0, 0);
    if (!logger)
        return false;
    logger->SetReportMode(store::kReportLog);
    // A record without its row gets one, by the same rule as the record view.
    store::RecordConfigTexts t;
    const QString sn = settings->sn;
    if (store::EnsureRecordConfig(*logger, recordId, &t, [sn] { return ConnectedConfigTexts(sn); }) != 1)
        return false;
    settings->form =
        FormFromConfigRow(t.recordInterval, t.startMode, t.startTime, t.stopMode, t.stopTime, t.channelTypes,
                          t.alarmSwitches, t.alarmLower, t.alarmUpper, t.lowerLimits, t.upperLimits);
    settings->form.name = name;
    return true;
}

} // namespace qm::device
