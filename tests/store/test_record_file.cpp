// Single-record files: written from a stored record, read back as a new
// record of the same logger with the same samples.
#include "DBSqlite3.h"
#include "MergeDatabase.h"
#include "RecordFile.h"
#include "Schema.h"
#include "StoreIoFixture.h"
#include "StoreSeams.h"

#include "Clock.h"
#include "MessageSeam.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace qm::store;
using storetest::Station;

namespace {

const QString kSn = QStringLiteral("SN0000001");
const QString kTable = QStringLiteral("hSN0000001_1700000000");
const QDateTime kNow(QDate(2024, 5, 6), QTime(7, 8, 9));

class RecordFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetProgramLogWriter([this](const QString& source, const QString& line) { log << source + u'|' + line; });
        record = from.AddRecord(kSn, kTable,
                                {{QStringLiteral("2024-01-01 00:00:00"), QStringLiteral("20.5;40.0")},
                                 {QStringLiteral("2024-01-01 00:01:00"), QStringLiteral("21.0;41.5")}},
                                QStringLiteral("O'Brien"));
        file = scratch.File(QStringLiteral("record.gdb"));
        auto main = from.OpenDatainfo();
        ASSERT_EQ(ExportRecordFile(*main, from.Path(), record, file), 1) << log.join(u'\n').toStdString();
    }
    void TearDown() override { SetProgramLogWriter({}); }

    QStringList FileRows(const QString& sql) const
    {
        QStringList rows;
        storetest::RawExec(file, storetest::ProgramKey(), sql, &rows);
        return rows;
    }

    // A single-record file as we write them, built by hand so a test can bend it.
    void WriteRecordFile(const QString& path, const QString& table, const QString& recordSn, const QString& extra)
    {
        storetest::RawExec(path, storetest::ProgramKey(),
                           QStringLiteral("create table devInfo(SN char primary key, mac, devtype, devName, port, baud, "
                                          "chan_type);"
                                          "create table recordtime(id int primary key, name, import, SN, time_start, "
                                          "time_end, hisdata_table, devname);"
                                          "insert into recordtime values(1,'n',null,'%1','','','%2','d');")
                                   .arg(recordSn, table)
                               + HistoryCreateSql(table) + u';'
                               + HistoryInsertSql(table, QStringLiteral("2024-01-01 00:00:00"), QStringLiteral("1.0"),
                                                  QStringLiteral("1"), 0)
                               + extra);
    }

    Station from;
    storetest::ScratchFolder scratch;
    QString file;
    int record = 0;
    QStringList log;
    qm::ScopedClock clock{kNow};
};

} // namespace

TEST_F(RecordFileTest, TheFileHoldsOneRecordUnderIdOne)
{
    EXPECT_FALSE(storetest::HasPlainHeader(file));
    EXPECT_EQ(FileRows(QStringLiteral("select id, name, SN, hisdata_table from recordtime;")),
              QStringList({QStringLiteral("1|O'Brien|%1|%2").arg(kSn, kTable)}));
    EXPECT_EQ(FileRows(QStringLiteral("select record_id, chan_Top from config;")),
              QStringList({QStringLiteral("1|30.0;80.0")}));
    EXPECT_EQ(FileRows(QStringLiteral("select SN from devInfo;")), QStringList({kSn}));
    EXPECT_EQ(FileRows(QStringLiteral("select his_time, his_data from %1 order by his_time;").arg(kTable)),
              from.Rows(QStringLiteral("select his_time, his_data from %1 order by his_time;").arg(kTable), kSn));
    EXPECT_FALSE(QFile::exists(file + QStringLiteral(".part")));
}

TEST_F(RecordFileTest, ReadBackItIsANewRecordWithTheSameSamples)
{
    // The record goes back into the station it came from.
    auto main = from.OpenDatainfo();
    const int offset = ReadMergeOffsets(*main).recordtime;
    const QByteArray before = storetest::FileBytes(file);
    ASSERT_EQ(ImportRecordFile(*main, from.Path(), file, offset), 1) << log.join(u'\n').toStdString();
    EXPECT_EQ(storetest::FileBytes(file), before);

    const QString newTable = HistoryTableName(kSn, kNow.toSecsSinceEpoch());
    EXPECT_EQ(from.Rows(QStringLiteral("select id, name, hisdata_table from recordtime where id > %1;").arg(record)),
              QStringList({QStringLiteral("%1|O'Brien|%2").arg(offset + 1).arg(newTable)}));
    EXPECT_EQ(from.Rows(QStringLiteral("select his_time, his_data from %1 order by his_time;").arg(newTable), kSn),
              from.Rows(QStringLiteral("select his_time, his_data from %1 order by his_time;").arg(kTable), kSn));
    EXPECT_EQ(from.Count(QStringLiteral("select count(*) from config where record_id = %1;").arg(offset + 1), kSn), 1);
    EXPECT_EQ(from.Count(QStringLiteral("select count(*) from devInfo;")), 1);
}

TEST_F(RecordFileTest, OneFileTwiceInTheSameSecondGivesTwoRecordsAndTwoTables)
{
    Station into;
    auto main = into.OpenDatainfo();
    const BackupImportResult result = ImportBackupFiles(*main, into.Path(), {file, file});
    ASSERT_TRUE(result.AllImported()) << log.join(u'\n').toStdString();
    const qint64 now = kNow.toSecsSinceEpoch();
    EXPECT_EQ(into.Rows(QStringLiteral("select id, hisdata_table from recordtime order by id;")),
              QStringList({QStringLiteral("1|%1").arg(HistoryTableName(kSn, now)),
                           QStringLiteral("2|%1").arg(HistoryTableName(kSn, now + 1))}));
    EXPECT_EQ(into.Rows(QStringLiteral("select record_id from config order by id;"), kSn),
              QStringList({QStringLiteral("1"), QStringLiteral("2")}));
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from %1;").arg(HistoryTableName(kSn, now + 1)), kSn), 2);
}

TEST_F(RecordFileTest, AFileThatIsNotOneRecordOfOneLoggerIsRefused)
{
    Station into;
    const QString wrongLogger = scratch.File(QStringLiteral("wrong.gdb"));
    WriteRecordFile(wrongLogger, QStringLiteral("hSN0000002_1700000000"), kSn, QString());
    const QString twoTables = scratch.File(QStringLiteral("two.gdb"));
    WriteRecordFile(twoTables, kTable, kSn, HistoryCreateSql(QStringLiteral("hSN0000001_1700000001")));
    const QString traversal = scratch.File(QStringLiteral("traversal.gdb"));
    WriteRecordFile(traversal, QStringLiteral("h.._1700000000"), QStringLiteral(".."), QString());

    auto main = into.OpenDatainfo();
    const BackupImportResult result = ImportBackupFiles(*main, into.Path(), {wrongLogger, twoTables, traversal});
    EXPECT_EQ(result.failedNames, QStringList({QStringLiteral("wrong"), QStringLiteral("two"), QStringLiteral("traversal")}));
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from recordtime;")), 0);
    EXPECT_FALSE(QFile::exists(into.Logger(kSn)));
    EXPECT_FALSE(QFile::exists(into.Logger(QStringLiteral("SN0000002"))));
}

TEST_F(RecordFileTest, TablesOtherThanTheRecordsAreLeftBehind)
{
    Station into;
    const QString hostile = scratch.File(QStringLiteral("hostile.gdb"));
    WriteRecordFile(hostile, kTable, kSn,
                    QStringLiteral("create table \"x; drop table recordtime\"(a);"
                                   "create table userinfo(user_name, user_password, user_type, create_time, update_time);"
                                   "insert into userinfo values('intruder','x',0,'','');"));
    auto main = into.OpenDatainfo();
    EXPECT_EQ(ImportRecordFile(*main, into.Path(), hostile, 0), 1) << log.join(u'\n').toStdString();
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from recordtime;")), 1);
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from userinfo where user_name = 'intruder';")), 0);
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from sqlite_master where name like 'x;%';"), kSn), 0);
}

TEST_F(RecordFileTest, AnExportThatFailsLeavesTheOldFile)
{
    const QByteArray before = storetest::FileBytes(file);
    auto main = from.OpenDatainfo();
    EXPECT_EQ(ExportRecordFile(*main, from.Path(), record + 100, file), 0);
    EXPECT_EQ(storetest::FileBytes(file), before);
    // A record whose logger file is gone.
    QFile::remove(from.Logger(kSn));
    qm::MessageScript messages;
    EXPECT_EQ(ExportRecordFile(*main, from.Path(), record, file), 0);
    EXPECT_EQ(messages.Numbers(), QList<int>({109}));
    EXPECT_EQ(storetest::FileBytes(file), before);
}
