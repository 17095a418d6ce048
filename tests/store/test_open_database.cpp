// Opening files: plain databases are keyed on first open, foreign or broken
// files are refused without being touched, names and missing files are checked.
#include "OpenDatabase.h"
#include "StoreTestUtil.h"

#include "MessageSeam.h"
#include "Strings.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace qm::store;
using storetest::RawExec;

namespace {

constexpr int kNotADatabase = 26;

QString InvalidText(const QString& path) { return path + QStringLiteral("Invalid Database!\r\n"); }

} // namespace

TEST(OpenDatabase, PlainFileIsKeyedInPlaceKeepingItsRows)
{
    storetest::ScratchFolder dir;
    const QString path = dir.File(QStringLiteral("plain.db3"));
    ASSERT_EQ(RawExec(path, {}, QStringLiteral("create table t(a, b); insert into t values(1, 'O''Brien');"
                                               "insert into t values(2, '张三'); pragma user_version = 7;")),
              0);
    ASSERT_TRUE(storetest::HasPlainHeader(path));

    qm::MessageScript script;
    auto db = OpenDatabase(nullptr, path, 0, 0, 1);
    ASSERT_TRUE(db);
    EXPECT_EQ(db->KeyFlag(), 1);
    EXPECT_TRUE(script.Requests().isEmpty());
    db.reset();

    EXPECT_FALSE(storetest::HasPlainHeader(path));
    EXPECT_EQ(RawExec(path, {}, QStringLiteral("select * from sqlite_master")), kNotADatabase);
    QStringList rows;
    ASSERT_EQ(RawExec(path, storetest::ProgramKey(), QStringLiteral("select a, b from t order by a"), &rows), 0);
    EXPECT_EQ(rows, QStringList({QStringLiteral("1|O'Brien"), QStringLiteral("2|张三")}));
    rows.clear();
    RawExec(path, storetest::ProgramKey(), QStringLiteral("pragma user_version"), &rows);
    EXPECT_EQ(rows, QStringList(QStringLiteral("7")));
    EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral("-keyed")));

    // The second open finds the key and leaves the file alone.
    const QByteArray keyed = storetest::ReadFile(path);
    EXPECT_TRUE(OpenDatabase(nullptr, path, 0, 0, 1));
    EXPECT_EQ(storetest::ReadFile(path), keyed);
}

TEST(OpenDatabase, ForeignKeyTruncatedAndGarbageFilesAreRefusedUntouched)
{
    storetest::ScratchFolder dir;
    const QString otherKey = dir.File(QStringLiteral("other.db3"));
    ASSERT_EQ(RawExec(otherKey, "another key", QStringLiteral("create table t(a); insert into t values(1);")), 0);

    const QString good = dir.File(QStringLiteral("good.db3"));
    ASSERT_EQ(RawExec(good, storetest::ProgramKey(),
                      QStringLiteral("create table t(a); insert into t values(randomblob(3000));")),
              0);
    const QString truncated = dir.File(QStringLiteral("truncated.gdb"));
    storetest::WriteFile(truncated, storetest::ReadFile(good).left(700));

    const QString garbage = dir.File(QStringLiteral("garbage.db"));
    QByteArray noise;
    for (int i = 0; i < 5000; ++i)
        noise.append(char((i * 7919 + 13) % 251));
    storetest::WriteFile(garbage, noise);

    for (const QString& path : {otherKey, truncated, garbage}) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray before = storetest::ReadFile(path);
        qm::MessageScript script;
        EXPECT_FALSE(OpenDatabase(nullptr, path, 0, 0, 0));
        ASSERT_EQ(script.Requests().size(), 1);
        EXPECT_EQ(script.Requests().first().number, kMsgInvalidDatabase);
        EXPECT_EQ(script.Requests().first().text, InvalidText(path));
        EXPECT_EQ(storetest::ReadFile(path), before);
        EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral("-keyed")));
    }
}

TEST(OpenDatabase, OnlyLowerCaseDatabaseExtensionsAreOpened)
{
    storetest::ScratchFolder dir;
    qm::MessageScript script;
    for (const char* name : {"a.DB3", "a.Db", "a.txt", "a.db3.bak", "a.sqlite"}) {
        const QString path = dir.File(QString::fromLatin1(name));
        storetest::WriteFile(path, QByteArray());
        EXPECT_FALSE(OpenDatabase(nullptr, path, 0, 0, 1)) << name;
    }
    EXPECT_TRUE(script.Requests().isEmpty());
    for (const char* name : {"a.db", "a.db3", "a.gdb"})
        EXPECT_TRUE(OpenDatabase(nullptr, dir.File(QString::fromLatin1(name)), 1, 0, 1)) << name;
}

TEST(OpenDatabase, MissingFileIsReportedOrCreatedKeyed)
{
    storetest::ScratchFolder dir;
    const QString path = dir.File(QStringLiteral("database/1A2B00001.db3"));
    {
        qm::MessageScript script;
        EXPECT_FALSE(OpenDatabase(nullptr, path, 0, 0, 1));
        EXPECT_EQ(script.Numbers(), QList<int>({109}));
        EXPECT_EQ(script.Requests().first().text, qm::MsgF(109, {path}));
        EXPECT_FALSE(QFileInfo::exists(path));
    }
    {
        qm::MessageScript script;
        EXPECT_FALSE(OpenDatabase(nullptr, path, 0, 0, 0));
        EXPECT_TRUE(script.Requests().isEmpty());
    }
    auto db = OpenDatabase(nullptr, path, 1, 0, 1);
    ASSERT_TRUE(db);
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_GT(QFileInfo(path).size(), 0);
    EXPECT_FALSE(storetest::HasPlainHeader(path));
    EXPECT_NE(db->ExeSql(QStringLiteral("create table t(a); insert into t values(5);")), -1);
    db.reset();
    EXPECT_EQ(RawExec(path, {}, QStringLiteral("select * from t")), kNotADatabase);
    QStringList rows;
    EXPECT_EQ(RawExec(path, storetest::ProgramKey(), QStringLiteral("select a from t"), &rows), 0);
    EXPECT_EQ(rows, QStringList(QStringLiteral("5")));
}
