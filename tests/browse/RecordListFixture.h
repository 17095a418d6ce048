// Records written directly in the stored formats on a scratch program folder:
// a devInfo row, the logger's own file with its config row and history table,
// and the recordtime row; folders in fileInfo and their entries in filerecord.
#pragma once

#include "DeviceFixture.h"

#include "LoginState.h"
#include "MessageSeam.h"
#include "OperationLog.h"
#include "Schema.h"
#include "SqlQuote.h"

#include <QFile>
#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE

namespace rectest {

using qm::store::SqlQuoted;

class RecordListFixture : public devtest::DeviceFixture {
protected:
    void SetUp() override
    {
        devtest::DeviceFixture::SetUp();
        qm::SetLogin(1, QString::fromLatin1(devtest::kCliUser), QString::fromLatin1(devtest::kCliPassword),
                     qm::kRoleAdministrator, QString());
    }
    void TearDown() override
    {
        qm::ClearLogin();
        qm::ReleaseOperationLog();
        devtest::DeviceFixture::TearDown();
    }

    std::unique_ptr<qm::store::CDBSqlite3> Main()
    {
        auto db = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 0);
        EXPECT_TRUE(db);
        return db;
    }
    QString LoggerPath(const QString& sn) { return qm::store::LoggerDatabasePath(Folder(), sn); }

    // Runs `sql` on `path` (the main database when empty); -1 on error.
    int Exec(const QString& sql, const QString& path = QString())
    {
        auto db = qm::store::OpenDatabase(nullptr, path.isEmpty() ? qm::DatabasePath() : path, 1, 0, 0);
        if (!db)
            return -1;
        db->SetReportMode(qm::store::kReportLog);
        return db->ExeSql(sql);
    }
    // The first column of every row of `sql`, as texts.
    QStringList Column(const QString& sql, const QString& path = QString())
    {
        QStringList values;
        auto db = qm::store::OpenDatabase(nullptr, path.isEmpty() ? qm::DatabasePath() : path, 0, 0, 0);
        std::unique_ptr<qm::store::CRecordset> set;
        if (db && db->QueryRecordset(sql, set) == 1 && set)
            for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
                values << set->Text(0);
        return values;
    }
    bool HasTable(const QString& path, const QString& table)
    {
        return !Column(QStringLiteral("select name from sqlite_master where type = 'table' and name = %1;")
                           .arg(SqlQuoted(table)),
                       path)
                    .isEmpty();
    }

    // A record of logger `sn` with samples every minute from `start` to `end`
    // (two channels); returns its id.
    int AddRecord(const QString& sn, const QString& name, const QString& start, const QString& end,
                  const QString& devname = QStringLiteral("cold room"))
    {
        const QString path = LoggerPath(sn);
        auto logger = qm::store::OpenDatabase(nullptr, path, 1, 0, 0);
        EXPECT_TRUE(logger);
        if (!logger)
            return 0;
        logger->SetReportMode(qm::store::kReportLog);
        qm::store::CreateConfigTable(*logger);
        const QString table = qm::store::HistoryTableName(sn, 1700000000 + ++m_tables);
        EXPECT_GE(qm::store::CreateHistoryTable(*logger, table), 0);
        QDateTime t, last;
        EXPECT_TRUE(qm::store::ParseSampleTime(start, &t));
        EXPECT_TRUE(qm::store::ParseSampleTime(end, &last));
        QString rows;
        for (int i = 0; t <= last && i < 500; t = t.addSecs(60), ++i)
            rows += qm::store::HistoryInsertSql(table, qm::store::FormatSampleTime(t), QStringLiteral("21.5;48.0"),
                                                QStringLiteral("1;2"), 0);
        rows += qm::store::HistoryInsertSql(table, end, QStringLiteral("21.5;48.0"), QStringLiteral("1;2"), 0);
        EXPECT_GE(logger->ExeSql(rows), 0);
        Exec(QStringLiteral("insert or ignore into devInfo(SN, mac, devtype, devName, port, baud, chan_type) "
                            "values(%1, '', 3, %2, 1, 115200, '1;2');")
                 .arg(SqlQuoted(sn), SqlQuoted(devname)));
        EXPECT_GE(Exec(QStringLiteral("insert into recordtime(name, SN, time_start, time_end, hisdata_table, devname) "
                                      "values(%1, %2, %3, %4, %5, %6);")
                           .arg(SqlQuoted(name), SqlQuoted(sn), SqlQuoted(start), SqlQuoted(end), SqlQuoted(table),
                                SqlQuoted(devname))),
                  0);
        const int id = Column(QStringLiteral("select max(id) from recordtime;")).value(0).toInt();
        EXPECT_GE(logger->ExeSql(QStringLiteral("insert into config(his_recordinterval, chan_type, record_id) "
                                                "values('0;1;0', '1;2', %1);")
                                     .arg(id)),
                  0);
        return id;
    }
    QString TableOf(int id)
    {
        return Column(QStringLiteral("select hisdata_table from recordtime where id = %1;").arg(id)).value(0);
    }
    int AddFolder(const QString& name, int floor, int parent)
    {
        Exec(QStringLiteral("insert into fileInfo(filename, floor, parentid) values(%1, %2, %3);")
                 .arg(SqlQuoted(name))
                 .arg(floor)
                 .arg(parent));
        return Column(QStringLiteral("select max(id) from fileInfo;")).value(0).toInt();
    }
    void FileRecord(int folder, int record)
    {
        Exec(QStringLiteral("insert into filerecord(file_id, chan_type, record_id) values(%1, '1;2', %2);")
                 .arg(folder)
                 .arg(record));
    }
    struct Note {
        int type;
        QString info;
        QString user;
    };
    std::vector<Note> Notes()
    {
        std::vector<Note> notes;
        auto db = Main();
        std::unique_ptr<qm::store::CRecordset> set;
        if (db && db->QueryRecordset(QStringLiteral("select * from note order by rowid;"), set) == 1 && set)
            for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
                notes.push_back({int(set->Integer(u"type")), set->Text(u"info"), set->Text(u"user_name")});
        return notes;
    }

    qm::MessageScript m_messages;
    int m_tables = 0;
};

} // namespace rectest
