#include "DownloadRecord.h"

#include "AppEnv.h"
#include "Clock.h"
#include "DownloadRepair.h"
#include "OpenDatabase.h"
#include "OperationLog.h"
#include "PendingTables.h"
#include "RecordFileLock.h"
#include "Recordset.h"
#include "Schema.h"
#include "SqlQuote.h"
#include "Strings.h"

#include <QDate>
#include <QTime>

namespace qm::device {

using qm::store::CDBOperator;
using qm::store::CDBSqlite3;
using qm::store::SqlText;

namespace {

QString Decimal(double v)
{
    return QString::asprintf("%.1f", v);
}

} // namespace

bool FormatSample(const HistoryData& sample, const ChannelConfig* channels, int channelCount, SampleText* out)
{
    const SYSTEMTIME& t = sample.time;
    const QDate date(t.wYear, t.wMonth, t.wDay);
    const QTime time(t.wHour, t.wMinute, t.wSecond);
    if (!date.isValid() || !time.isValid())
        return false;

    const int count = qBound(0, qMin(channelCount, sample.channelCount > 0 ? sample.channelCount : channelCount),
                             kSampleChannels);
    SampleText s;
    s.time = qm::store::FormatSampleTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    for (int i = 0; i < count; ++i) {
        const float v = sample.value[i];
        if (v < channels[i].alarmLower || v > channels[i].alarmUpper)
            s.alarm = 1;
        if (i) {
            s.data += u';';
            s.channels += u';';
        }
        s.data += Decimal(v);
        s.channels += QString::number(channels[i].channelType);
    }
    *out = std::move(s);
    return true;
}

QString SampleInsertSql(const QString& table, const SampleText& sample)
{
    return qm::store::HistoryInsertSql(table, sample.time, sample.data, sample.channels, sample.alarm);
}

QString RawSampleTime(const HistoryData& sample)
{
    const SYSTEMTIME& t = sample.time;
    return QString::asprintf("%d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                             t.wSecond);
}

QString ConfigInsertSql(const ConfigInfo& config, const ChannelConfig* channels, int channelCount, int recordId,
                        bool batchText, const QString& table)
{
    const int count = qBound(0, channelCount, kSampleChannels);
    QList<int> types, alarms, tops, floors;
    QList<double> upper, lower;
    for (int i = 0; i < count; ++i) {
        types << channels[i].channelType;
        alarms << channels[i].alarmSwitch;
        upper << channels[i].alarmUpper;
        lower << channels[i].alarmLower;
        tops << channels[i].upperBound;
        floors << channels[i].lowerBound;
    }
    const SYSTEMTIME& ri = config.recordInterval;
    const SYSTEMTIME& st = config.startTime;
    const SYSTEMTIME& sp = config.stopTime;
    const QString head = QStringLiteral("insert into ") + table
        + QStringLiteral(" (his_recordinterval ,way_startup ,time_startup,way_stop ,time_stop,chan_alarm ,chan_Top "
                         ",chan_Floor , chan_topLimit, chan_floorLimit, record_id, chan_type)\t\t\t\t");
    return head + (batchText ? QStringLiteral(" values(") : QStringLiteral("values("))
           + QStringLiteral("'%1', %2,'%3',%4 ,'%5' ,'%6' ,'%7' ,'%8' , '%9', '%10', %11,'%12');")
                 .arg(SqlText(qm::store::FormatInterval(ri.wHour, ri.wMinute, ri.wSecond)))
                 .arg(config.startMode)
                 .arg(SqlText(qm::store::FormatConfigTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute)))
                 .arg(config.stopMode)
                 .arg(SqlText(qm::store::FormatConfigTime(sp.wYear, sp.wMonth, sp.wDay, sp.wHour, sp.wMinute)))
                 .arg(SqlText(qm::store::JoinCodes(alarms)))
                 .arg(SqlText(qm::store::JoinDecimals(upper)))
                 .arg(SqlText(qm::store::JoinDecimals(lower)))
                 .arg(SqlText(qm::store::JoinCodes(tops)))
                 .arg(SqlText(qm::store::JoinCodes(floors)))
                 .arg(recordId)
                 .arg(SqlText(qm::store::JoinCodes(types)));
}

FailReason LinkFailReason(int linkFailure, qint64 received, qint64 expected)
{
    switch (linkFailure) {
    case CKelvane::kLinkNoAnswer:
        return {5604, {}};
    case CKelvane::kLinkTooSlow:
        return {5605, {}};
    case CKelvane::kLinkDamaged:
    case CKelvane::kLinkRefused:
        return {5606, {}};
    case CKelvane::kLinkGone:
        return {5608, {}};
    case CKelvane::kLinkMissingFrames:
        return MissingSamplesReason(received, expected);
    default:
        return {};
    }
}

FailReason MissingSamplesReason(qint64 received, qint64 expected)
{
    return {5607, {QString::number(received), QString::number(expected)}};
}

FailReason DatabaseReason()
{
    return {5609, {}};
}

QString FailureText(const QString& text, const FailReason& why)
{
    return why.number ? text + QStringLiteral("\r\n") + MsgF(why.number, why.args) : text;
}

QString FailureLine(const QString& line, const FailReason& why)
{
    return why.number ? MsgF(5613, {line, MsgF(why.number, why.args)}) : line;
}

QString CurrentBackupMonthFolder()
{
    const QDate today = qm::Now().date();
    return qm::store::BackupMonthFolder(qm::BackupFolder(), today.year(), today.month());
}

// ---- the files of a record

RecordFiles::RecordFiles() = default;
RecordFiles::~RecordFiles() = default;
RecordFiles::RecordFiles(RecordFiles&&) noexcept = default;
RecordFiles& RecordFiles::operator=(RecordFiles&&) noexcept = default;

void RecordFiles::Close()
{
    if (logger)
        logger->Close();
    if (backup)
        backup->Close();
    loggerLock.reset();
    backupLock.reset();
}

FilesResult OpenRecordFiles(const QString& sn, const QString& monthFolder, qint64 startSeconds, bool showMessages,
                            RecordFiles* files, const QString& source)
{
    RecordFiles f;
    f.sn = sn;
    f.loggerPath = qm::store::LoggerDatabasePath(qm::ProgramFolder(), sn);
    f.backupPath = qm::store::IsValidSerialNumber(sn) ? monthFolder + u'/' + sn + QStringLiteral(".db3") : QString();
    const int show = showMessages ? 1 : 0;

    // The factory checks the file; opening it here tells a file that cannot
    // be opened (a folder in its place, no access) from a table that fails.
    auto opened = [](std::unique_ptr<CDBSqlite3>& db) {
        if (db && db->Open() != 1)
            db.reset();
        return db != nullptr;
    };
    if (!f.loggerPath.isEmpty())
        f.logger = qm::store::OpenDatabase(nullptr, f.loggerPath, 1, 0, show);
    if (!opened(f.logger)) {
        *files = std::move(f);
        return FilesResult::LoggerOpenFailed;
    }
    f.logger->SetReportMode(qm::store::kReportLog);
    if (!f.backupPath.isEmpty())
        f.backup = qm::store::OpenDatabase(nullptr, f.backupPath, 1, 0, show);
    if (!opened(f.backup)) {
        f.Close();
        *files = std::move(f);
        return FilesResult::BackupOpenFailed;
    }
    f.backup->SetReportMode(qm::store::kReportLog);

    // CreateTable: 1 created, the row count when present, 255 / -1 on error.
    auto present = [](int rc) { return rc >= 1 && rc != 255; };
    if (!present(qm::store::CreateConfigTable(*f.logger)) || !present(qm::store::CreateConfigTable(*f.backup))
        || !present(qm::store::CreateRecordtimeTable(*f.backup))) {
        f.Close();
        *files = std::move(f);
        return FilesResult::TablesFailed;
    }

    // Tables and rows an interrupted download left are cleared first; then
    // the files are this download's until they are closed.
    RepairLoggerFiles(sn, f.logger.get(), f.backup.get(), source);
    f.loggerLock = std::make_unique<qm::store::CRecordFileLock>(f.loggerPath, qm::store::CRecordFileLock::kWrite);
    f.backupLock = std::make_unique<qm::store::CRecordFileLock>(f.backupPath, qm::store::CRecordFileLock::kWrite);

    // A second download of the logger within the same second takes the next
    // free second rather than failing on the name of the first. The name goes
    // on both files' pending lists before either file has the table, so a
    // download killed from here on leaves nothing the repair cannot find.
    QStringList announced;
    const auto announce = [&f, &announced](const QString& name) {
        announced << name;
        return qm::store::AddPendingTable(f.loggerPath, name) && qm::store::AddPendingTable(f.backupPath, name);
    };
    f.table = qm::store::CreateFreeHistoryTable({f.logger.get(), f.backup.get()}, sn, startSeconds, announce);
    for (const QString& name : announced) {
        if (name != f.table) {
            qm::store::RemovePendingTable(f.loggerPath, name);
            qm::store::RemovePendingTable(f.backupPath, name);
        }
    }
    if (f.table.isEmpty()) {
        f.Close();
        *files = std::move(f);
        return FilesResult::HistoryFailed;
    }
    f.tableCreated = true;
    // Batches of ten thousand rows touch more pages than the default cache
    // holds; a larger one spares re-reading (and decrypting) them.
    f.logger->ExeSql(QStringLiteral("PRAGMA cache_size = -16384;"));
    f.backup->ExeSql(QStringLiteral("PRAGMA cache_size = -16384;"));
    *files = std::move(f);
    return FilesResult::Ok;
}

// ---- registering and discarding

namespace {

std::function<void()>& BeforeCommitHook()
{
    static std::function<void()> hook;
    return hook;
}

bool TableExists(CDBOperator& db, const QString& table)
{
    const int rc = db.CreateTable(table, 0, 0, nullptr, nullptr, 0, 0, nullptr);
    return rc >= 1 && rc != 255;
}

// The download's table is registered or gone: off both pending lists.
void ForgetPendingTable(const RecordFiles& files)
{
    qm::store::RemovePendingTable(files.loggerPath, files.table);
    qm::store::RemovePendingTable(files.backupPath, files.table);
}

} // namespace

void SetBeforeCommitHook(std::function<void()> hook)
{
    BeforeCommitHook() = std::move(hook);
}

int FinishDownload(CDBOperator& datainfo, RecordFiles& files, const RecordInfo& record)
{
    if (!files.logger || !files.backup)
        return 0;
    const QString table = SqlText(files.table);

    // 1. The bounds of the record from the stored samples.
    // Only the first and the last row matter: the rows are stepped through
    // without being kept, so a large record costs no memory here.
    struct Bounds {
        int column = -1;
        qint64 rows = 0;
        QByteArray first, last;
    } bounds;
    const auto keep = [](void* arg, int columns, char** values, char** names) -> int {
        auto* b = static_cast<Bounds*>(arg);
        if (b->column < 0)
            for (int i = 0; i < columns; ++i)
                if (names[i] && qstrcmp(names[i], "his_time") == 0)
                    b->column = i;
        if (b->column < 0)
            return 1;
        b->last = QByteArray(values[b->column] ? values[b->column] : "");
        if (b->rows++ == 0)
            b->first = b->last;
        return 0;
    };
    if (files.logger->ExeSql(QStringLiteral("select * from '%1' order by his_time desc;").arg(table), keep, &bounds)
            < 0
        || bounds.rows == 0)
        return 0;
    const QString timeEnd = QString::fromUtf8(bounds.first);
    const QString timeStart = QString::fromUtf8(bounds.last);

    // Samples whose time stamp repeats one already received are stored once;
    // how many there were is worth a line, so a repeat is never silent.
    if (record.samples > bounds.rows) {
        WriteOperationLog(record.source.isEmpty() ? QStringLiteral("FinishDownload") : record.source,
                          MsgF(5610, {files.table, QString::number(record.samples - bounds.rows),
                                      QString::number(record.samples)}),
                          qm::kTextLineOnly);
    }

    // 2-5 in one transaction over the three files: SQLite commits attached
    // databases together, so no crash can leave a recordtime row without its
    // config rows, or the reverse.
    const QString key = qm::store::SqlQuoted(QString::fromLatin1(qm::store::kProgramKey, qm::store::kProgramKeyLength));
    if (datainfo.ExeSql(QStringLiteral("ATTACH DATABASE %1 AS qm_logger KEY %2;")
                            .arg(qm::store::SqlQuoted(files.loggerPath), key))
        < 0)
        return 0;
    if (datainfo.ExeSql(QStringLiteral("ATTACH DATABASE %1 AS qm_backup KEY %2;")
                            .arg(qm::store::SqlQuoted(files.backupPath), key))
        < 0) {
        datainfo.ExeSql(QStringLiteral("DETACH DATABASE qm_logger;"));
        return 0;
    }
    datainfo.SetAutoTransaction(0);
    int id = 0;
    const bool began = datainfo.ExeSql(QStringLiteral("begin;")) >= 0;
    bool ok = began;

    // 2. The record in the main database.
    const QString insert =
        QStringLiteral("insert or ignore into recordtime (name, SN, time_start, time_end, hisdata_table,devname) "
                       "values('%1','%2','%3','%4','%5','%6');")
            .arg(SqlText(record.name), SqlText(record.sn), SqlText(timeStart), SqlText(timeEnd), table,
                 SqlText(record.devname));
    ok = ok && datainfo.ExeSql(insert) >= 0;

    // 3. Its id: the row this insert made, never an older row naming the same table.
    if (ok) {
        std::unique_ptr<qm::store::CRecordset> idSet;
        if (datainfo.QueryRecordset(QStringLiteral("select * from main.recordtime where rowid = last_insert_rowid() "
                                                   "and hisdata_table = '%1';")
                                        .arg(table),
                                    idSet)
                == 1
            && idSet && idSet->RecordCount() > 0)
            id = int(idSet->Integer(u"id"));
        ok = id > 0;
    }

    // 4. The same row in the backup copy.
    ok = ok
        && datainfo.ExeSql(
               QStringLiteral("insert or ignore into qm_backup.recordtime (id,name, SN, time_start, time_end, "
                              "hisdata_table,devname) values(%1,'%2','%3','%4','%5','%6','%7');")
                   .arg(id)
                   .arg(SqlText(record.name), SqlText(record.sn), SqlText(timeStart), SqlText(timeEnd), table,
                        SqlText(record.devname)))
            >= 0;

    // 5. The configuration of the record, in both files.
    ok = ok
        && datainfo.ExeSql(ConfigInsertSql(record.config, record.channels, record.channelCount, id, record.batchText,
                                           QStringLiteral("qm_logger.config")))
            >= 0
        && datainfo.ExeSql(ConfigInsertSql(record.config, record.channels, record.channelCount, id, record.batchText,
                                           QStringLiteral("qm_backup.config")))
            >= 0;

    if (ok && BeforeCommitHook())
        BeforeCommitHook()();
    ok = ok && datainfo.ExeSql(QStringLiteral("commit;")) >= 0;
    if (!ok && began)
        datainfo.ExeSql(QStringLiteral("rollback;"));
    datainfo.ExeSql(QStringLiteral("DETACH DATABASE qm_backup;"));
    datainfo.ExeSql(QStringLiteral("DETACH DATABASE qm_logger;"));
    if (ok)
        ForgetPendingTable(files);
    return ok ? id : 0;
}

void DiscardDownload(RecordFiles& files)
{
    if (files.table.isEmpty())
        return;
    const QString drop = QStringLiteral("drop table '%1';").arg(SqlText(files.table));
    bool dropped = true;
    for (CDBSqlite3* db : {files.logger.get(), files.backup.get()}) {
        if (db && TableExists(*db, files.table))
            dropped = db->ExeSql(drop) >= 0 && dropped;
    }
    // A table that would not go stays on the list for the next repair.
    if (dropped)
        ForgetPendingTable(files);
    files.tableCreated = false;
}

} // namespace qm::device
