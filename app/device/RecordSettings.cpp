#include "RecordSettings.h"

#include "AppEnv.h"
#include "OpenDatabase.h"
#include "Recordset.h"
#include "Schema.h"

namespace qm::device {
namespace {

QDateTime StoredTime(const QString& text)
{
    return QDateTime::fromString(text.trimmed(), QStringLiteral("yyyy-MM-dd HH:mm"));
}

int PartInt(const QStringList& parts, int i)
{
    return i < parts.size() ? parts.at(i).trimmed().toInt() : 0;
}

QString Part(const QStringList& parts, int i)
{
    return i < parts.size() ? parts.at(i).trimmed() : QString();
}

} // namespace

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
    std::unique_ptr<store::CRecordset> row;
    if (logger->QueryRecordset(QStringLiteral("select * from config where record_id = %1;").arg(recordId), row) != 1
        || !row || row->IsEOF())
        return false;
    row->MoveFirst();
    settings->form = FormFromConfigRow(row->Text(u"his_recordinterval"), int(row->Integer(u"way_startup")),
                                       row->Text(u"time_startup"), int(row->Integer(u"way_stop")),
                                       row->Text(u"time_stop"), row->Text(u"chan_type"), row->Text(u"chan_alarm"),
                                       row->Text(u"chan_Floor"), row->Text(u"chan_Top"),
                                       row->Text(u"chan_floorLimit"), row->Text(u"chan_topLimit"));
    settings->form.name = name;
    return true;
}

} // namespace qm::device
