#include "RecordConfig.h"

#include "DBOperator.h"
#include "Recordset.h"
#include "SqlQuote.h"

namespace qm::store {
namespace {

// One blank, five tabs and two blanks: the gaps of the copy statement.
const QString kGap = QStringLiteral(" \t\t\t\t\t  ");

QString CopyNewestConfigSql(int recordId)
{
    return QStringLiteral("insert into config(his_recordinterval, way_startup, time_startup, way_stop") + kGap
           + QStringLiteral(", time_stop, chan_type, chan_alarm, chan_Top, chan_Floor, chan_topLimit, "
                            "chan_floorLimit,record_id)")
           + kGap + QStringLiteral("select his_recordinterval, way_startup, time_startup, way_stop") + kGap
           + QStringLiteral(", time_stop, chan_type, chan_alarm, chan_Top, chan_Floor, chan_topLimit, "
                            "chan_floorLimit, %1 from config order by id desc limit 1")
                 .arg(recordId);
}

QString NullIfEmpty(const QString& text) { return text.isEmpty() ? QString() : text; }

QString Literal(const QString& text) { return text.isNull() ? QStringLiteral("NULL") : SqlQuoted(text); }

} // namespace

int ReadRecordConfig(CDBOperator& logger, int recordId, RecordConfigTexts* out)
{
    std::unique_ptr<CRecordset> set;
    const int rc =
        logger.QueryRecordset(QStringLiteral("select * from config where record_id = %1;").arg(recordId), set);
    if (rc < 0)
        return -1;
    if (rc == 0 || !set || set->RecordCount() == 0)
        return 0;
    set->MoveFirst();
    RecordConfigTexts t;
    t.recordInterval = set->Text(u"his_recordinterval");
    t.startMode = int(set->Integer(u"way_startup"));
    t.startTime = set->Text(u"time_startup");
    t.stopMode = int(set->Integer(u"way_stop"));
    t.stopTime = set->Text(u"time_stop");
    t.channelTypes = set->Text(u"chan_type");
    t.alarmSwitches = set->Text(u"chan_alarm");
    t.alarmUpper = NullIfEmpty(set->Text(u"chan_Top"));
    t.alarmLower = NullIfEmpty(set->Text(u"chan_Floor"));
    t.upperLimits = set->Text(u"chan_topLimit");
    t.lowerLimits = set->Text(u"chan_floorLimit");
    if (out)
        *out = std::move(t);
    return 1;
}

QString RecordConfigInsertSql(const RecordConfigTexts& t, int recordId)
{
    return QStringLiteral("insert into config(his_recordinterval, way_startup, time_startup, way_stop, time_stop, "
                          "chan_type, chan_alarm, chan_Top, chan_Floor, chan_topLimit, chan_floorLimit, record_id) "
                          "values(%1, %2, %3, %4, %5, %6, %7, %8, %9, %10, %11, %12);")
        .arg(Literal(t.recordInterval))
        .arg(t.startMode)
        .arg(Literal(t.startTime))
        .arg(t.stopMode)
        .arg(Literal(t.stopTime))
        .arg(Literal(t.channelTypes))
        .arg(Literal(t.alarmSwitches))
        .arg(Literal(t.alarmUpper))
        .arg(Literal(t.alarmLower))
        .arg(Literal(t.upperLimits))
        .arg(Literal(t.lowerLimits))
        .arg(recordId);
}

int EnsureRecordConfig(CDBOperator& logger, int recordId, RecordConfigTexts* out,
                       const ConnectedConfigSource& connected)
{
    int rc = ReadRecordConfig(logger, recordId, out);
    if (rc != 0)
        return rc;
    // The newest row of the file: the logger's configuration at its latest download.
    if (logger.ExeSql(CopyNewestConfigSql(recordId)) == -1)
        return -1;
    rc = ReadRecordConfig(logger, recordId, out);
    if (rc != 0 || !connected)
        return rc;
    // No row to copy: the configuration of the logger as it is connected now.
    const std::optional<RecordConfigTexts> now = connected();
    if (!now)
        return 0;
    if (logger.ExeSql(RecordConfigInsertSql(*now, recordId)) == -1)
        return -1;
    return ReadRecordConfig(logger, recordId, out);
}

} // namespace qm::store
