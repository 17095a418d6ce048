// A statement that meets a database locked by another connection.
#include "OpenDatabase.h"
#include "SqliteApi.h"
#include "StoreTestUtil.h"

#include "MessageSeam.h"
#include "Recordset.h"

#include <QFile>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace qm::store;

TEST(Busy, LockedDatabaseIsRetriedFiveTimesThenReported)
{
    storetest::ScratchFolder dir;
    const QString path = dir.File(QStringLiteral("busy.db3"));
    auto db = OpenDatabase(nullptr, path, 1, 0, 1);
    ASSERT_TRUE(db);
    ASSERT_NE(db->ExeSql(QStringLiteral("create table t(a);")), -1);
    db->Close();

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
    sqlite3_key(other, kProgramKey, kProgramKeyLength);
    ASSERT_EQ(sqlite3_exec(other, "begin exclusive;", nullptr, nullptr, nullptr), SQLITE_OK);

    qm::MessageScript script;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(db->ExeSql(QStringLiteral("insert into t values(1);")), -1);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(db->LastResult(), kResultBusy);
    EXPECT_EQ(script.Numbers(), QList<int>({106}));
    // Five pauses to the next wall-clock second each.
    EXPECT_GE(seconds, 4.0);
    EXPECT_LE(seconds, 6.5);

    // Once the other connection lets go the same object works again.
    sqlite3_exec(other, "rollback;", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_NE(db->ExeSql(QStringLiteral("insert into t values(1);")), -1);
}

TEST(Busy, CommitWaitsForReadersInsteadOfLosingTheBatch)
{
    storetest::ScratchFolder dir;
    const QString path = dir.File(QStringLiteral("commit.db3"));
    {
        auto db = OpenDatabase(nullptr, path, 1, 0, 1);
        ASSERT_TRUE(db);
        ASSERT_NE(db->ExeSql(QStringLiteral("create table t(a); insert into t values(0);")), -1);
    }
    // A reader in the middle of a read transaction holds a shared lock, which
    // the writer's commit has to wait out.
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &reader), SQLITE_OK);
    sqlite3_key(reader, kProgramKey, kProgramKeyLength);
    ASSERT_EQ(sqlite3_exec(reader, "begin; select * from t;", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread release([reader] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        sqlite3_exec(reader, "commit;", nullptr, nullptr, nullptr);
    });

    qm::MessageScript script;
    {
        auto db = OpenDatabase(nullptr, path, 0, 0, 1);
        ASSERT_TRUE(db);
        db->SetAutoTransaction(1);
        EXPECT_EQ(db->ExeSql(QStringLiteral("insert into t values(1); insert into t values(2);")), 0);
        EXPECT_TRUE(script.Requests().isEmpty());
        EXPECT_EQ(db->AutoTransaction(), 0);
    }
    release.join();
    sqlite3_close(reader);
    QStringList rows;
    storetest::RawExec(path, storetest::ProgramKey(), QStringLiteral("select count(*) from t"), &rows);
    EXPECT_EQ(rows, QStringList(QStringLiteral("3")));
}

TEST(Busy, ABusyStatementIsRetriedAloneSoEarlierOnesRunOnce)
{
    storetest::ScratchFolder dir;
    const QString path = dir.File(QStringLiteral("resume.db3"));
    auto db = OpenDatabase(nullptr, path, 1, 0, 1);
    ASSERT_TRUE(db);
    ASSERT_NE(db->ExeSql(QStringLiteral("create table t(a);")), -1);

    // While the select runs, another connection starts writing; the insert
    // after it meets the busy database and waits.
    static sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
    sqlite3_key(other, kProgramKey, kProgramKeyLength);
    static std::thread release;
    auto grab = [](void*, int, char**, char**) -> int {
        if (!release.joinable() && sqlite3_exec(other, "begin immediate;", nullptr, nullptr, nullptr) == SQLITE_OK)
            release = std::thread([] {
                std::this_thread::sleep_for(std::chrono::milliseconds(1200));
                sqlite3_exec(other, "commit;", nullptr, nullptr, nullptr);
            });
        return 0;
    };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(db->ExeSql(QStringLiteral("insert into t values(1); select * from t; insert into t values(2);"), grab),
              -1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000)) << "it never met the lock";
    ASSERT_TRUE(release.joinable()) << "the other connection never got its lock";
    release.join();
    sqlite3_close(other);
    QStringList rows;
    storetest::RawExec(path, storetest::ProgramKey(), QStringLiteral("select a from t order by rowid"), &rows);
    EXPECT_EQ(rows, QStringList({"1", "2"}));
}

// Another process in the middle of its commit keeps readers out for a while:
// a query waits for it instead of failing, as a login must not fail with
// "operation failed" because the window is writing its audit trail.
TEST(Busy, AQueryWaitsForACommittingWriter)
{
    storetest::ScratchFolder dir;
    const QString path = dir.File(QStringLiteral("read.db3"));
    auto db = OpenDatabase(nullptr, path, 1, 0, 1);
    ASSERT_TRUE(db);
    ASSERT_NE(db->ExeSql(QStringLiteral("create table t(a); insert into t values(7);")), -1);

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &other), SQLITE_OK);
    sqlite3_key(other, kProgramKey, kProgramKeyLength);
    ASSERT_EQ(sqlite3_exec(other, "begin exclusive;", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread release([other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        sqlite3_exec(other, "commit;", nullptr, nullptr, nullptr);
    });

    qm::MessageScript script;
    std::unique_ptr<CRecordset> set;
    EXPECT_EQ(db->QueryRecordset(QStringLiteral("select a from t;"), set), 1);
    release.join();
    sqlite3_close(other);
    ASSERT_TRUE(set);
    EXPECT_EQ(set->Integer(u"a"), 7);
    EXPECT_TRUE(script.Numbers().isEmpty());
}
