// A statement that meets a database locked by another connection.
#include "OpenDatabase.h"
#include "SqliteApi.h"
#include "StoreTestUtil.h"

#include "MessageSeam.h"

#include <QFile>
#include <chrono>
#include <gtest/gtest.h>

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
