#include "StoreIoFixture.h"

#include "InitialDatabase.h"
#include "OpenDatabase.h"
#include "Schema.h"
#include "SqlQuote.h"

#include <QFile>

using namespace qm::store;

namespace storetest {

Station::Station() { CreateInitialProgramFolder(m_dir.Path()); }

QString Station::Datainfo() const { return DatainfoPathIn(Path()); }

QString Station::Logger(const QString& sn) const { return LoggerDatabasePath(Path(), sn); }

std::unique_ptr<CDBSqlite3> Station::OpenDatainfo() const
{
    auto db = OpenDatabase(nullptr, Datainfo(), 0, 0, 0);
    if (db)
        db->SetReportMode(kReportLog);
    return db;
}

QStringList Station::Rows(const QString& sql, const QString& sn) const
{
    QStringList rows;
    RawExec(sn.isEmpty() ? Datainfo() : Logger(sn), ProgramKey(), sql, &rows);
    return rows;
}

int Station::Count(const QString& sql, const QString& sn) const
{
    return Rows(sql, sn).value(0, QStringLiteral("-1")).toInt();
}

int Station::AddRecord(const QString& sn, const QString& table, const QList<Sample>& samples,
                             const QString& name)
{
    auto logger = OpenDatabase(nullptr, Logger(sn), 1, 0, 0);
    if (!logger)
        return 0;
    logger->SetReportMode(kReportLog);
    CreateConfigTable(*logger);
    CreateHistoryTable(*logger, table);
    QString sql;
    for (const Sample& s : samples)
        sql += HistoryInsertSql(table, s.time, s.data, QStringLiteral("1;2"), 0);
    logger->SetAutoTransaction(1);
    logger->ExeSql(sql);

    auto main = OpenDatainfo();
    main->ExeSql(QStringLiteral("insert into recordtime(name, SN, time_start, time_end, hisdata_table, devname) "
                                "values(%1,%2,%3,%4,%5,'dev');")
                     .arg(SqlQuoted(name), SqlQuoted(sn), SqlQuoted(samples.value(0).time),
                          SqlQuoted(samples.isEmpty() ? QString() : samples.last().time), SqlQuoted(table)));
    main->ExeSql(QStringLiteral("insert or ignore into devInfo(SN, mac, devtype, devName, chan_type) "
                                "values(%1,'00:11',1,'dev','1;2');")
                     .arg(SqlQuoted(sn)));
    const int id = Rows(QStringLiteral("select id from recordtime where hisdata_table = %1;").arg(SqlQuoted(table)))
                       .value(0)
                       .toInt();
    logger->ExeSql(QStringLiteral("insert into config(his_recordinterval, way_startup, time_startup, way_stop, "
                                  "time_stop, chan_type, chan_alarm, chan_Top, chan_Floor, chan_topLimit, "
                                  "chan_floorLimit, record_id) values('0;1;0',0,'2024-01-01 00:00',0,"
                                  "'2024-01-02 00:00','1;2','1;1','30.0;80.0','0.0;10.0','60;100','-40;0',%1);")
                       .arg(id));
    return id;
}

int Station::AddFolder(const QString& name, int parent, int floor)
{
    auto main = OpenDatainfo();
    main->ExeSql(QStringLiteral("insert into fileInfo(floor, parentid, filename) values(%1,%2,%3);")
                     .arg(floor)
                     .arg(parent)
                     .arg(SqlQuoted(name)));
    return Rows(QStringLiteral("select max(id) from fileInfo;")).value(0).toInt();
}

void Station::AddFolderEntry(int folder, int record)
{
    auto main = OpenDatainfo();
    main->ExeSql(QStringLiteral("insert into filerecord(file_id, chan_type, record_id) values(%1,'1;2',%2);")
                     .arg(folder)
                     .arg(record));
}

void Station::AddNote(const QString& user, int type, const QString& time, const QString& info)
{
    auto main = OpenDatainfo();
    main->ExeSql(QStringLiteral("insert into note(user_name, type, handle_time, info) values(%1,%2,%3,%4);")
                     .arg(SqlQuoted(user), QString::number(type), SqlQuoted(time), SqlQuoted(info)));
}

void WritePhoneDatabase(const QString& path, const QList<PhoneLoggerData>& loggers)
{
    QFile::remove(path);
    QString sql = QStringLiteral(
        "create table OrvoKVR(_id integer primary key, sn_num text, type integer, name text, mac text, "
        "chan_num integer, info_table text, data_num integer);"
        "create table DevChan(sn text, chan_no integer, channel integer, warn_top real, warn_floor real);");
    for (const PhoneLoggerData& l : loggers) {
        sql += QStringLiteral("insert into OrvoKVR values(%1,%2,%3,%4,'AA:BB',%5,%6,%7);")
                   .arg(QString::number(l.id), SqlQuoted(l.sn), QString::number(l.type), SqlQuoted(l.name),
                        QString::number(l.channels.size()), SqlQuoted(l.table), QString::number(l.rows.size()));
        QStringList columns{QStringLiteral("time text")};
        for (int c = 0; c < l.channels.size(); ++c) {
            sql += QStringLiteral("insert into DevChan values(%1,%2,%3,%4,%5);")
                       .arg(SqlQuoted(l.sn), QString::number(c), QString::number(l.channels[c].type), l.channels[c].top,
                            l.channels[c].floor);
            columns << QStringLiteral("chan%1 real").arg(c);
        }
        sql += QStringLiteral("create table if not exists %1(%2);").arg(SqlName(l.table), columns.join(u','));
        for (const QString& row : l.rows) {
            QStringList values;
            const QStringList parts = row.split(u'|');
            for (int i = 0; i < parts.size(); ++i)
                values << (i == 0 ? SqlQuoted(parts[i]) : (parts[i].isEmpty() ? QStringLiteral("null") : parts[i]));
            sql += QStringLiteral("insert into %1 values(%2);").arg(SqlName(l.table), values.join(u','));
        }
    }
    RawExec(path, QByteArray(), QStringLiteral("begin;") + sql + QStringLiteral("commit;"));
}

QByteArray FileBytes(const QString& path) { return ReadFile(path); }

} // namespace storetest
