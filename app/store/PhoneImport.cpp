#include "PhoneImport.h"

#include "DBSqlite3.h"
#include "EventLock.h"
#include "ImportSupport.h"
#include "OpenDatabase.h"
#include "Recordset.h"
#include "Schema.h"
#include "SqlQuote.h"

#include "Clock.h"
#include "Strings.h"

#include <QHash>
#include <thread>

namespace qm::store {
namespace {

constexpr int kLockSeconds = 30;
// A pending batch is written once it passes this many characters.
constexpr qsizetype kBatchCharacters = 399999;

const char* const kLoggerQuery =
    "select ze._id, ze.sn_num, ze.type, ze.name, ze.mac, ze.chan_num, ze.info_table, ze.data_num, dev.channel, "
    "dev.warn_top, dev.warn_floor from OrvoKVR ze inner join DevChan dev on dev.sn = ze.sn_num order by dev.sn, "
    "dev.chan_no;";
enum LoggerColumn { kId, kSn, kType, kName, kMac, kChanNum, kInfoTable, kDataNum, kChannel, kWarnTop, kWarnFloor };

void Append(QString& joined, const QString& value, bool first)
{
    if (!first)
        joined += u';';
    joined += value;
}

// The rows of one logger's data table on their way into its history table.
struct RowSink {
    CDBOperator* logger = nullptr;
    QString insertHead;            // "insert or ignore into <table>(his_time, his_data, his_chan) values("
    QString channels;              // his_chan, quoted for SQL
    QString pending;
    QString first;                 // earliest and latest sample time
    QString last;
    qint64 rows = 0;
    bool writeFailed = false;
    bool cancelled = false;
    const std::atomic<bool>* cancel = nullptr;

    bool Flush()
    {
        if (pending.isEmpty())
            return true;
        // One transaction per batch.
        logger->SetAutoTransaction(1);
        const bool ok = logger->ExeSql(pending) != -1;
        pending.clear();
        return ok;
    }

    static int OnRow(void* arg, int columns, char** values, char**)
    {
        auto* s = static_cast<RowSink*>(arg);
        QDateTime t;
        if (!values[0] || !ParseSampleTime(QString::fromUtf8(values[0]), &t))
            return 0;
        // Written in the program's own form, so that times sort as text even
        // when the phone left out leading zeros.
        const QString time = FormatSampleTime(t);
        QString data;
        for (int c = 1; c < columns; ++c)
            Append(data, values[c] ? QString::fromUtf8(values[c]) : QStringLiteral("-"), c == 1);
        s->pending += s->insertHead + SqlQuoted(time) + QStringLiteral(", ") + SqlQuoted(data) + QStringLiteral(", ")
            + s->channels + QStringLiteral(");");
        if (s->rows++ == 0 || time < s->first)
            s->first = time;
        if (time > s->last)
            s->last = time;
        if (s->pending.size() > kBatchCharacters) {
            if (!s->Flush()) {
                s->writeFailed = true;
                return 1;
            }
            if (s->cancel && s->cancel->load()) {
                s->cancelled = true;
                return 1;
            }
        }
        return 0;
    }
};

class CPhoneImport {
public:
    CPhoneImport(const QString& phoneDatabase, const QString& programFolder, const PhoneImportCallbacks& callbacks)
        : m_phonePath(phoneDatabase), m_folder(programFolder), m_callbacks(callbacks)
    {
    }

    PhoneImportResult Run(const QList<PhoneLogger>& loggers)
    {
        m_phone = OpenDatabase(nullptr, m_phonePath, 0, 0, 0);
        m_datainfo = OpenDatabase(nullptr, DatainfoPathIn(m_folder), 0, 0, 0);
        if (!m_phone || !m_datainfo) {
            m_result.stopped = true;
            return m_result;
        }
        m_phone->SetReportMode(kReportLog);
        m_datainfo->SetReportMode(kReportLog);
        for (int i = 0; i < loggers.size(); ++i) {
            if (Cancelled()) {
                m_result.cancelled = true;
                break;
            }
            m_base = i * kPhoneImportSteps;
            PhoneImportItem item;
            item.sn = loggers[i].sn;
            const Outcome outcome = ImportOne(loggers[i], &item);
            if (outcome == Outcome::Cancelled) {
                m_result.cancelled = true;
                break;
            }
            Progress(kPhoneImportSteps);
            m_result.items << item;
            if (m_callbacks.loggerDone)
                m_callbacks.loggerDone(item);
            if (outcome == Outcome::Stop) {
                m_result.stopped = true;
                break;
            }
        }
        return m_result;
    }

private:
    enum class Outcome { Done, Failed, Stop, Cancelled };

    bool Cancelled() const { return m_callbacks.cancel && m_callbacks.cancel->load(); }

    void Progress(int step)
    {
        if (m_callbacks.progress)
            m_callbacks.progress(m_base + step);
    }

    Outcome ImportOne(const PhoneLogger& entry, PhoneImportItem* item)
    {
        // 1. The logger's file, with its config table. A serial number that
        // cannot name a file is this logger's failure only.
        const QString loggerPath = LoggerDatabasePath(m_folder, entry.sn);
        if (loggerPath.isEmpty())
            return Outcome::Failed;
        auto logger = OpenDatabase(nullptr, loggerPath, 1, 0, 0);
        if (!logger)
            return Outcome::Stop;
        logger->SetReportMode(kReportLog);
        if (!TablePresent(CreateConfigTable(*logger)))
            return Outcome::Stop;
        Progress(1);

        // 2. The record's name and its new history table.
        const QDateTime now = qm::Now();
        const QString recordName = FormatRecordName(now);
        const QString table = CreateFreeHistoryTable({logger.get()}, entry.sn, now.toSecsSinceEpoch());
        if (table.isEmpty())
            return Outcome::Failed;
        item->table = table;
        auto discard = [&] {
            logger->ExeSql(QStringLiteral("drop table if exists %1;").arg(SqlName(table)));
            item->table.clear();
        };
        Progress(2);

        // 3. The samples, written in batches while they are read.
        QString columns;
        for (int c = 0; c < entry.channels; ++c)
            columns += QStringLiteral(", chan%1").arg(c);
        RowSink sink;
        sink.logger = logger.get();
        sink.insertHead = QStringLiteral("insert or ignore into %1(his_time, his_data, his_chan) values(").arg(SqlName(table));
        sink.channels = SqlQuoted(entry.channelTypes);
        sink.cancel = m_callbacks.cancel;
        Progress(3);
        const bool read =
            m_phone->ExeSql(QStringLiteral("select time %1 from %2 order by time;").arg(columns, SqlName(entry.dataTable)),
                            &RowSink::OnRow, &sink)
            != -1;
        if (sink.cancelled) {
            discard();
            return Outcome::Cancelled;
        }
        if (!read || sink.writeFailed || !sink.Flush()) {
            discard();
            return Outcome::Failed;
        }
        item->samples = sink.rows;
        Progress(4);

        // 4. The record, the logger and the configuration.
        CLockHold hold(DatainfoLock(), kLockSeconds, false);
        CManualTransaction transaction(*m_datainfo);
        bool ok = transaction.IsOpen()
            && m_datainfo->ExeSql(QStringLiteral("insert into recordtime (name, SN, time_start, time_end, "
                                                 "hisdata_table,import ,devname) values (%1,%2,%3, %4,%5, 1 ,%6);")
                                      .arg(SqlQuoted(recordName), SqlQuoted(entry.sn), SqlQuoted(sink.first),
                                           SqlQuoted(sink.last), SqlQuoted(table), SqlQuoted(entry.name)))
                != -1;
        std::unique_ptr<CRecordset> idSet;
        ok = ok
            && m_datainfo->QueryRecordset(QStringLiteral("select * from recordtime where SN = %1 and hisdata_table = %2;")
                                              .arg(SqlQuoted(entry.sn), SqlQuoted(table)),
                                          idSet)
                == 1;
        const int id = ok ? int(idSet->Integer(u"id")) : 0;
        Progress(5);
        ok = ok
            && m_datainfo->ExeSql(QStringLiteral("insert or ignore into devInfo(SN, devtype,devName,chan_type,mac) "
                                                 "values (%1,%2,%3,%4,%5);")
                                      .arg(SqlQuoted(entry.sn), QString::number(entry.deviceType), SqlQuoted(entry.name),
                                           SqlQuoted(entry.channelTypes), SqlQuoted(entry.mac)))
                != -1;
        Progress(6);
        ok = ok
            && logger->ExeSql(QStringLiteral("insert into config(chan_type,chan_Top, chan_Floor,chan_topLimit,"
                                             "chan_floorLimit,record_id) values(%1,%2,%3,%4,%5,%6);")
                                  .arg(SqlQuoted(entry.channelTypes), SqlQuoted(QString()), SqlQuoted(QString()),
                                       SqlQuoted(entry.upperLimits), SqlQuoted(entry.lowerLimits), QString::number(id)))
                != -1;
        if (ok && !transaction.Commit()) {
            logger->ExeSql(QStringLiteral("delete from config where record_id = %1;").arg(id));
            ok = false;
        }
        if (!ok) {
            transaction.Rollback();
            discard();
            return Outcome::Failed;
        }
        item->recordId = id;
        item->ok = true;
        return Outcome::Done;
    }

    QString m_phonePath;
    QString m_folder;
    const PhoneImportCallbacks& m_callbacks;
    std::unique_ptr<CDBSqlite3> m_phone;
    std::unique_ptr<CDBSqlite3> m_datainfo;
    PhoneImportResult m_result;
    int m_base = 0;
};

} // namespace

int PhoneDeviceType(int phoneType)
{
    switch (phoneType) {
    case 4: return 4;
    case 5: return 1;
    case 6: return 2;
    default: return 0;
    }
}

bool ReadPhoneLoggers(CDBOperator& phone, QList<PhoneLogger>* loggers)
{
    loggers->clear();
    std::unique_ptr<CRecordset> set;
    const int rc = phone.QueryRecordset(QString::fromLatin1(kLoggerQuery), set);
    if (rc == -1)
        return false;
    if (rc == 0)
        return true;
    QHash<QString, int> bySn;          // serial number in lower case -> entry
    QList<qint64> owner;               // the phone row (_id) each entry was made from
    for (set->MoveFirst(); !set->IsEOF(); set->MoveNext()) {
        const QString sn = set->Text(kSn);
        const qint64 rowId = set->Integer(kId);
        const QString key = sn.toLower();
        auto it = bySn.constFind(key);
        int index;
        if (it == bySn.constEnd()) {
            PhoneLogger e;
            e.dataTable = set->Text(kInfoTable);
            e.sn = sn;
            e.name = set->Text(kName);
            e.mac = set->Text(kMac);
            e.sampleCount = int(set->Integer(kDataNum));
            e.channelCount = int(set->Integer(kChanNum));
            e.deviceType = PhoneDeviceType(int(set->Integer(kType)));
            index = int(loggers->size());
            loggers->append(e);
            owner.append(rowId);
            bySn.insert(key, index);
        } else {
            index = it.value();
        }
        // A second phone row of the same logger (another case of its serial
        // number) has a data table of its own; its channels would not match
        // the one that is read.
        if (owner[index] != rowId)
            continue;
        PhoneLogger& e = (*loggers)[index];
        const bool first = e.channels == 0;
        Append(e.channelTypes, set->Text(kChannel), first);
        Append(e.upperLimits, set->Text(kWarnTop), first);
        Append(e.lowerLimits, set->Text(kWarnFloor), first);
        ++e.channels;
    }
    return true;
}

QString PhoneImportLogText(const PhoneImportItem& item)
{
    if (!item.ok)
        return Msg(278) + Msg(294);
    return Msg(278) + Msg(295) + QStringLiteral("(%1:%2)").arg(item.sn, item.table);
}

bool PhoneImportResult::AllImported() const
{
    if (cancelled || stopped)
        return false;
    for (const PhoneImportItem& item : items)
        if (!item.ok)
            return false;
    return true;
}

int PhoneImportResult::MessageNumber(int asked) const
{
    bool failed = stopped;
    for (const PhoneImportItem& item : items)
        failed = failed || !item.ok;
    if (failed)
        return 216;
    if (cancelled || items.size() < asked)
        return 0;
    return 217;
}

PhoneImportResult ImportSqlite(const QString& phoneDatabase, const QString& programFolder,
                               const QList<PhoneLogger>& loggers, const PhoneImportCallbacks& callbacks)
{
    CPhoneImport import(phoneDatabase, programFolder, callbacks);
    return import.Run(loggers);
}

PhoneImportResult RunImportSqlite(const QString& phoneDatabase, const QString& programFolder,
                                  const QList<PhoneLogger>& loggers, const PhoneImportCallbacks& callbacks)
{
    PhoneImportResult result;
    CEventLock finished(false);
    std::thread worker([&] {
        result = ImportSqlite(phoneDatabase, programFolder, loggers, callbacks);
        finished.Set();
    });
    WaitWithMessagePump(finished, -1, false);
    worker.join();
    return result;
}

} // namespace qm::store
