// Guarded queries and the repair of tables written in an older layout.
#include "EventLock.h"
#include "OpenDatabase.h"
#include "Recordset.h"
#include "StoreSeams.h"
#include "StoreTestUtil.h"
#include "TableRepair.h"

#include "MessageSeam.h"
#include "ProgramContext.h"

#include <gtest/gtest.h>
#include <chrono>
#include <thread>

using namespace qm::store;

namespace {

const QString kTable = QStringLiteral("h1A2B00001_1700000000");

class RepairTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.File(QStringLiteral("database/1A2B00001.db3"));
        db = OpenDatabase(nullptr, path, 1, 0, 1);
        ASSERT_TRUE(db);
        db->SetReportMode(kReportLog);
    }

    void Exec(const QString& sql) { ASSERT_NE(db->ExeSql(sql), -1) << sql.toStdString(); }

    QStringList Rows(const QString& sql)
    {
        QStringList rows;
        storetest::RawExec(path, storetest::ProgramKey(), sql, &rows);
        return rows;
    }

    QString CreateText(const QString& table)
    {
        return Rows(QStringLiteral("select sql from sqlite_master where name = '%1'").arg(table)).value(0);
    }

    // A history table as older versions wrote it: an [id] key and the sample
    // time as plain content, so a time can appear more than once.
    void MakeLegacyHistory()
    {
        Exec(QStringLiteral("create table %1([id] integer PRIMARY KEY AUTOINCREMENT, [his_time] char, "
                            "[his_data] char, [his_chan] char);")
                 .arg(kTable));
        Exec(QStringLiteral("insert into %1(his_time, his_data, his_chan) values"
                            "('2024-01-01 00:00:00','1.0','1'),('2024-01-01 00:01:00','first','1'),"
                            "('2024-01-01 00:02:00','3.0','1'),('2024-01-01 00:01:00','middle','1'),"
                            "('2024-01-01 00:01:00','O''last','1');")
                 .arg(kTable));
    }

    storetest::ScratchFolder dir;
    QString path;
    std::unique_ptr<CDBSqlite3> db;
    storetest::ProgramLogCapture log;
};

} // namespace

TEST_F(RepairTest, DuplicatesOfOneKeyEndAsTheirLastRow)
{
    MakeLegacyHistory();
    EXPECT_EQ(DeleteRepeatData(*db, kTable), 2);
    EXPECT_EQ(Rows(QStringLiteral("select his_time, his_data from %1 order by his_time").arg(kTable)),
              QStringList({"2024-01-01 00:00:00|1.0", "2024-01-01 00:01:00|O'last", "2024-01-01 00:02:00|3.0"}));
    EXPECT_EQ(DeleteRepeatData(*db, kTable), 0);
}

TEST_F(RepairTest, LegacyTableIsRebuiltOnFirstCountKeepingItsContent)
{
    MakeLegacyHistory();
    ASSERT_TRUE(CreateText(kTable).contains(QLatin1String("[id]")));
    EXPECT_EQ(CountDistinct(*db, kTable, QStringLiteral("his_time"), QString()), 3);

    const QString rebuilt = CreateText(kTable);
    EXPECT_FALSE(rebuilt.contains(QLatin1String("[id]"))) << rebuilt.toStdString();
    EXPECT_TRUE(rebuilt.contains(QLatin1String("Primary Key(his_time)"))) << rebuilt.toStdString();
    EXPECT_EQ(Rows(QStringLiteral("select his_time, his_data, his_chan from %1 order by his_time").arg(kTable)),
              QStringList({"2024-01-01 00:00:00|1.0|1", "2024-01-01 00:01:00|O'last|1", "2024-01-01 00:02:00|3.0|1"}));
    EXPECT_TRUE(Rows(QStringLiteral("select name from sqlite_master where name like 'temp_%'")).isEmpty());
    const QString where = QStringLiteral("(%1)").arg(path);
    EXPECT_EQ(log.lines, QStringList({"CDBOperator::FormatTable|delete 2 repeat data from " + kTable + where,
                                "CDBOperator::FormatTable|succeed to format " + kTable + where}));

    // Rebuilt once: the next count changes nothing.
    log.lines.clear();
    EXPECT_EQ(CountDistinct(*db, kTable, QStringLiteral("his_time"), QStringLiteral("his_data <> '1.0'")), 2);
    EXPECT_TRUE(log.lines.isEmpty());
}

TEST_F(RepairTest, CurrentLayoutsAreLeftAloneUnlessForced)
{
    Exec(QStringLiteral("create table %1(his_time char, his_data char, his_chan char);"
                        "insert into %1 values('t1','a','1'),('t1','b','1'),('t2','c','1');")
             .arg(kTable));
    const QString before = CreateText(kTable);
    EXPECT_EQ(CountDistinct(*db, kTable, QStringLiteral("his_data"), QString()), 3);
    EXPECT_EQ(CreateText(kTable), before);
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from %1").arg(kTable)), QStringList("3"));

    int removed = -1;
    EXPECT_EQ(FormatTable(*db, kTable, false, 1, &removed), 0);
    EXPECT_EQ(removed, 1);
    EXPECT_EQ(CreateText(kTable), before) << "forcing de-duplicates but does not rebuild";
    EXPECT_EQ(Rows(QStringLiteral("select his_data from %1 order by his_time").arg(kTable)),
              QStringList({"b", "c"}));

    // Tables whose layout has an automatic id are current, "[id]" or not.
    Exec(QStringLiteral("create table config([id] integer PRIMARY KEY AUTOINCREMENT, [his_recordinterval] char,"
                        "[record_id] int); insert into config(his_recordinterval, record_id) values('0;1;0', 1);"));
    const QString config = CreateText(QStringLiteral("config"));
    EXPECT_EQ(FormatTable(*db, QStringLiteral("config"), false, 0, &removed), 0);
    EXPECT_EQ(CreateText(QStringLiteral("config")), config);
}

TEST_F(RepairTest, FailedRebuildLeavesTheTableAsItWas)
{
    // No his_chan: the copy into the current layout cannot work.
    Exec(QStringLiteral("create table %1([id] integer PRIMARY KEY AUTOINCREMENT, [his_time] char, [his_data] char);"
                        "insert into %1(his_time, his_data) values('t1','a'),('t2','b');")
             .arg(kTable));
    const QString before = CreateText(kTable);
    int removed = 0;
    EXPECT_EQ(FormatTable(*db, kTable, false, 0, &removed), -1);
    EXPECT_EQ(CreateText(kTable), before);
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from %1").arg(kTable)), QStringList("2"));
    EXPECT_TRUE(Rows(QStringLiteral("select name from sqlite_master where name like 'temp_%'")).isEmpty());
    EXPECT_TRUE(log.lines.contains("CDBOperator::FormatTable|failed to format " + kTable + "(" + path + ")"));
}

TEST_F(RepairTest, RunIfTableExistsRunsOnlyOnPresentTables)
{
    MakeLegacyHistory();
    db.reset();
    qm::MessageScript script;

    GuardedOperation count;
    count.kind = GuardedOp::CountDistinct;
    count.column = QStringLiteral("his_time");
    int counter = 10;
    EXPECT_EQ(RunIfTableExists(path, kTable, count, false, &counter), 1);
    EXPECT_EQ(counter, 13);

    counter = 0;
    GuardedOperation execute;
    execute.kind = GuardedOp::Execute;
    execute.sql = QStringLiteral("delete from %1").arg(kTable);
    EXPECT_EQ(RunIfTableExists(path, QStringLiteral("h1A2B00001_1"), execute, false, &counter), 0);
    EXPECT_EQ(counter, 0);
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from %1").arg(kTable)), QStringList("3"));

    GuardedOperation query;
    query.kind = GuardedOp::Query;
    query.sql = QStringLiteral("select * from %1 order by his_time").arg(kTable);
    static int rowsSeen;
    rowsSeen = 0;
    query.tableCallback = [](void*, char**, int rows, int) { rowsSeen = rows; };
    int result = -5;
    EXPECT_EQ(RunIfTableExists(path, kTable, query, false, &result), 1);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(rowsSeen, 3);
    std::unique_ptr<CRecordset> set;
    query.recordset = &set;
    EXPECT_EQ(RunIfTableExists(path, kTable, query, false, &result), 1);
    ASSERT_TRUE(set);
    EXPECT_EQ(set->RecordCount(), 3);

    // Missing files and tables stay quiet.
    EXPECT_EQ(RunIfTableExists(dir.File(QStringLiteral("database/none.db3")), kTable, query, false, &result), 0);
    EXPECT_TRUE(script.Requests().isEmpty());
}

TEST_F(RepairTest, MainDatabaseWorkTakesAndGivesBackTheDatainfoLock)
{
    MakeLegacyHistory();
    db.reset();
    // This file stands for the main database, named as another case would write it.
    const qm::CProgramContext context(dir.Path(), path.toUpper());
    GuardedOperation count;
    count.kind = GuardedOp::CountDistinct;
    count.column = QStringLiteral("his_time");
    int counter = 0;
    ASSERT_TRUE(DatainfoLock().IsSignalled());
    EXPECT_EQ(RunIfTableExists(path, kTable, count, false, &counter), 1);
    EXPECT_EQ(counter, 3);
    EXPECT_TRUE(DatainfoLock().IsSignalled());

    // Held by another writer: the lookup waits until it is given back.
    ASSERT_TRUE(DatainfoLock().TryTake());
    std::thread writer([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        DatainfoLock().Set();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunIfTableExists(path, kTable, count, false, &counter), 1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    writer.join();
    EXPECT_EQ(counter, 6);
    EXPECT_TRUE(DatainfoLock().IsSignalled());
    EXPECT_FALSE(IsDatainfoPath(dir.File(QStringLiteral("database/other.db3"))));
}
