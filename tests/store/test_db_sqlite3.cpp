// Statements, tables, callbacks, result sets and error reports of the database object.
#include "OpenDatabase.h"
#include "Recordset.h"
#include "SqlQuote.h"
#include "StoreSeams.h"
#include "StoreTestUtil.h"

#include "MessageSeam.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace qm::store;

namespace {

class DBSqlite3Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        db = OpenDatabase(&owner, dir.File(QStringLiteral("t.db3")), 1, 0, 1);
        ASSERT_TRUE(db);
        db->SetReportMode(kReportMessage);
    }

    storetest::ScratchFolder dir;
    int owner = 0;
    std::unique_ptr<CDBSqlite3> db;
};

int CountRows(void* arg, int, char**, char**)
{
    ++*static_cast<int*>(arg);
    return 0;
}

} // namespace

TEST_F(DBSqlite3Test, CreateTableReportsCreatedExistingMissingAndError)
{
    const char* names[] = {"SN", "port", "when", "flag", "raw", "label", "other"};
    const int types[] = {8, 3, 7, 11, 12, 200, 99};
    const char* keys[] = {"SN"};
    EXPECT_EQ(db->CreateTable(QStringLiteral("dev"), 0, 7, names, types, 0, 1, keys), 0);
    EXPECT_EQ(db->CreateTable(QStringLiteral("dev"), 1, 7, names, types, 0, 1, keys), 1);
    EXPECT_EQ(db->CreateTable(QStringLiteral("dev"), 1, 7, names, types, 0, 1, keys), 1);

    QStringList rows;
    storetest::RawExec(db->Path(), storetest::ProgramKey(),
                       QStringLiteral("select sql from sqlite_master where name = 'dev'"), &rows);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows.first(), QStringLiteral("CREATE TABLE [dev] ([SN] char,[port] int,[when] datetime,[flag] int(1),"
                                           "[raw] blob,[label] varchar,[other] char, Primary Key(SN))"));
    EXPECT_EQ(db->GetColumnList(rows.first()), QStringLiteral("[SN],[port],[when],[flag],[raw],[label],[other]"));

    // With an automatic id the key clause is left out.
    const char* one[] = {"a"};
    const int text[] = {8};
    EXPECT_EQ(db->CreateTable(QStringLiteral("auto"), 1, 1, one, text, 1, 1, keys), 1);
    rows.clear();
    storetest::RawExec(db->Path(), storetest::ProgramKey(),
                       QStringLiteral("select sql from sqlite_master where name = 'auto'"), &rows);
    EXPECT_EQ(rows.value(0), QStringLiteral("CREATE TABLE [auto] ([id] integer PRIMARY KEY AUTOINCREMENT,[a] char)"));

    qm::MessageScript script;
    const char* bad[] = {"a", "a"};
    const int two[] = {8, 8};
    EXPECT_EQ(db->CreateTable(QStringLiteral("dup"), 1, 2, bad, two, 0, 0, nullptr), 255);
    EXPECT_EQ(script.Numbers(), QList<int>({106}));
}

TEST_F(DBSqlite3Test, GetTableHandsTheWholeResultOnceWithTheOwner)
{
    ASSERT_NE(db->ExeSql(QStringLiteral("create table t(a, b); insert into t values(1, 'x');"
                                        "insert into t values(2, null);")),
              -1);
    struct Seen {
        int calls = 0;
        void* owner = nullptr;
        QStringList cells;
        int rows = 0, columns = 0;
    };
    static Seen seen;
    seen = Seen();
    auto callback = [](void* o, char** result, int rows, int columns) {
        ++seen.calls;
        seen.owner = o;
        seen.rows = rows;
        seen.columns = columns;
        for (int i = 0; i < (rows + 1) * columns; ++i)
            seen.cells << (result[i] ? QString::fromUtf8(result[i]) : QStringLiteral("<null>"));
    };
    EXPECT_EQ(db->GetTable(QStringLiteral("select a, b from t order by a"), callback), 1);
    EXPECT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.owner, &owner);
    EXPECT_EQ(seen.rows, 2);
    EXPECT_EQ(seen.columns, 2);
    EXPECT_EQ(seen.cells, QStringList({"a", "b", "1", "x", "2", "<null>"}));

    EXPECT_EQ(db->GetTable(QStringLiteral("select a from t where a > 5"), callback), 0);
    EXPECT_EQ(seen.calls, 1);
    db->SetReportMode(kReportSilent);
    EXPECT_EQ(db->GetTable(QStringLiteral("select nope from t"), callback), 255);
}

TEST_F(DBSqlite3Test, QueryRowsCallsPerColumnWithRowIndexAndFirstFlag)
{
    ASSERT_NE(db->ExeSql(QStringLiteral("create table t(a, b); insert into t values(1, '');"
                                        "insert into t values(2, '二');")),
              -1);
    static QStringList calls;
    calls.clear();
    auto callback = [](void* o, const char* column, const char* value, int row, int first) {
        calls << QStringLiteral("%1:%2=%3@%4%5")
                     .arg(o ? 'o' : '-')
                     .arg(QString::fromUtf8(column), value ? QString::fromUtf8(value) : QStringLiteral("<null>"))
                     .arg(row)
                     .arg(first ? QStringLiteral("*") : QString());
    };
    EXPECT_EQ(db->QueryRows(QStringLiteral("select a, b from t order by a"), callback), 1);
    EXPECT_EQ(calls, QStringList({"o:a=1@0*", "o:b=<null>@0", "o:a=2@1*", "o:b=二@1"}));
    EXPECT_EQ(db->QueryRows(QStringLiteral("select a from t where 0"), callback), 0);
    db->SetReportMode(kReportSilent);
    EXPECT_EQ(db->QueryRows(QStringLiteral("select from"), callback), -1);
}

TEST_F(DBSqlite3Test, QueryRecordsetTypesSizesAndNulls)
{
    ASSERT_NE(db->ExeSql(QStringLiteral(
                  "create table t(i integer, n int, d datetime, b blob, f int(1), c char, v varchar, x INT);"
                  "insert into t values(42, 7, '2024-01-02 03:04:05', x'00ff41', 1, 'abc', '(null)', 9);"
                  "insert into t values(null, '', '', null, 0, 'O''Brien', 'v', null);")),
              -1);
    std::unique_ptr<CRecordset> set;
    ASSERT_EQ(db->QueryRecordset(QStringLiteral("select * from t order by rowid"), set), 1);
    ASSERT_TRUE(set);
    ASSERT_EQ(set->FieldCount(), 8);
    const int expected[] = {3, 3, 7, 205, 11, 8, 8, 8};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(set->FieldType(i), expected[i]) << i;
    EXPECT_EQ(set->DefinedSize(0), 2);
    EXPECT_EQ(set->DefinedSize(2), 19);
    EXPECT_EQ(set->RecordCount(), 2);

    set->MoveFirst();
    EXPECT_EQ(set->Integer(QStringView(u"I")), 42);
    EXPECT_DOUBLE_EQ(set->Number(1), 7.0);
    EXPECT_EQ(set->Text(QStringView(u"d")), QStringLiteral("2024-01-02 03:04:05"));
    EXPECT_EQ(set->Bytes(3), QByteArray("\x00\xff\x41\x00", 4));
    EXPECT_TRUE(set->IsNull(6)) << "the text (null) reads as no value";
    set->MoveNext();
    EXPECT_TRUE(set->IsNull(0));
    EXPECT_TRUE(set->IsNull(1)) << "an empty text reads as no value";
    EXPECT_TRUE(set->IsNull(3));
    EXPECT_EQ(set->Text(5), QStringLiteral("O'Brien"));
    EXPECT_FALSE(set->Value(4).isNull());
    set->MoveNext();
    EXPECT_TRUE(set->IsEOF());
    EXPECT_TRUE(set->Text(0).isNull());
    set->MoveLast();
    EXPECT_EQ(set->Position(), 1);
    EXPECT_EQ(set->FieldIndex(u"nothing"), -1);

    // No rows: 0 with the columns still described; an error releases the old set.
    EXPECT_EQ(db->QueryRecordset(QStringLiteral("select c from t where 0"), set), 0);
    ASSERT_TRUE(set);
    EXPECT_EQ(set->FieldCount(), 1);
    EXPECT_TRUE(set->IsEOF());
    db->SetReportMode(kReportSilent);
    EXPECT_EQ(db->QueryRecordset(QStringLiteral("select * from missing"), set), -1);
    EXPECT_FALSE(set);
}

TEST_F(DBSqlite3Test, ListTablesSkipsInternalTablesAndFilters)
{
    ASSERT_NE(db->ExeSql(QStringLiteral("create table a(x integer primary key autoincrement); create table b(y);"
                                        "insert into a(x) values(null);")),
              -1);
    std::unique_ptr<CRecordset> set;
    ASSERT_EQ(db->ListTables(QString(), set), 1);
    QStringList names;
    for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
        names << set->Text(QStringView(u"name"));
    EXPECT_EQ(names, QStringList({"a", "b"}));
    ASSERT_EQ(db->ListTables(QStringLiteral("name = 'b'"), set), 1);
    EXPECT_EQ(set->RecordCount(), 1);
    EXPECT_EQ(db->ListTables(QStringLiteral("name = 'zz'"), set), 0);
    EXPECT_FALSE(set);
}

TEST_F(DBSqlite3Test, ExeSqlResultsAndAutoTransaction)
{
    ASSERT_EQ(db->ExeSql(QStringLiteral("create table t(k primary key, v);")), 0);
    int rows = 0;
    ASSERT_NE(db->ExeSql(QStringLiteral("insert into t values(1,'a'); insert into t values(2,'b');")), -1);
    EXPECT_EQ(db->ExeSql(QStringLiteral("select * from t"), CountRows, &rows), 0);
    EXPECT_EQ(rows, 2);
    // Without an argument the callback gets a flag of ours and the result tells whether it set it.
    EXPECT_EQ(db->ExeSql(QStringLiteral("select * from t"), CountRows), 1);
    EXPECT_EQ(db->ExeSql(QStringLiteral("select * from t where 0"), CountRows), 0);

    // A failing batch under the auto-transaction flag leaves nothing behind.
    qm::MessageScript script;
    db->SetAutoTransaction(1);
    EXPECT_EQ(db->ExeSql(QStringLiteral("insert into t values(3,'c'); insert into t values(1,'dup');")), -1);
    EXPECT_EQ(script.Numbers(), QList<int>({106}));
    EXPECT_EQ(db->AutoTransaction(), 0);
    rows = 0;
    db->ExeSql(QStringLiteral("select * from t"), CountRows, &rows);
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(db->LastResult(), 0);

    db->SetAutoTransaction(1);
    EXPECT_NE(db->ExeSql(QStringLiteral("insert into t values(3,'c'); insert into t values(4,'d');")), -1);
    EXPECT_EQ(db->AutoTransaction(), 0) << "the flag covers one call";
    rows = 0;
    db->ExeSql(QStringLiteral("select * from t"), CountRows, &rows);
    EXPECT_EQ(rows, 4);
}

TEST_F(DBSqlite3Test, ReportModesAndExceptionsInCallbacks)
{
    ASSERT_NE(db->ExeSql(QStringLiteral("create table t(a); insert into t values(1);")), -1);
    qm::MessageScript script;
    storetest::ProgramLogCapture log;
    db->SetReportMode(kReportLog);
    EXPECT_EQ(db->ExeSql(QStringLiteral("select nope from t")), -1);
    ASSERT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(log.lines.first().startsWith(QStringLiteral("CDBOperator|"))) << log.lines.first().toStdString();
    EXPECT_TRUE(log.lines.first().contains(QStringLiteral("nope")));
    db->SetReportMode(-1);
    EXPECT_EQ(db->ExeSql(QStringLiteral("select nope from t")), -1);
    EXPECT_EQ(log.lines.size(), 1);
    EXPECT_TRUE(script.Requests().isEmpty());

    db->SetReportMode(kReportMessage);
    auto throwing = [](void*, int, char**, char**) -> int { throw std::runtime_error("boom"); };
    EXPECT_EQ(db->ExeSql(QStringLiteral("select * from t"), throwing), -1);
    ASSERT_EQ(script.Numbers(), QList<int>({105}));
    EXPECT_TRUE(script.Requests().first().text.startsWith(QStringLiteral("CDBSqlite3::ExeSql:")));
    // The object stays usable.
    EXPECT_EQ(db->ExeSql(QStringLiteral("select * from t"), CountRows), 1);
}

TEST_F(DBSqlite3Test, QuotedValuesRoundTripVerbatim)
{
    ASSERT_NE(db->ExeSql(QStringLiteral("create table devInfo(SN primary key, devName);")), -1);
    const QStringList names = {QStringLiteral("O'Brien"), QStringLiteral("'; drop table devInfo; --"),
                               QStringLiteral("''"), QStringLiteral("温度'计")};
    for (int i = 0; i < names.size(); ++i)
        ASSERT_NE(db->ExeSql(QStringLiteral("replace into devInfo(SN, devName) values(%1, %2);")
                                 .arg(SqlQuoted(QString::number(i)), SqlQuoted(names[i]))),
                  -1);
    std::unique_ptr<CRecordset> set;
    ASSERT_EQ(db->QueryRecordset(QStringLiteral("select devName from devInfo where devName = %1")
                                     .arg(SqlQuoted(names[1])),
                                 set),
              1);
    ASSERT_EQ(db->QueryRecordset(QStringLiteral("select devName from devInfo order by SN"), set), 1);
    QStringList back;
    for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
        back << set->Text(0);
    EXPECT_EQ(back, names);
    EXPECT_EQ(SqlName(u"h1A2B00001_1700000000"), QStringLiteral("h1A2B00001_1700000000"));
    EXPECT_EQ(SqlName(u"a\"b c"), QStringLiteral("\"a\"\"b c\""));
}

TEST_F(DBSqlite3Test, ExecWithBlobsBindsEachNameToItsValue)
{
    ASSERT_NE(db->ExeSql(QStringLiteral("create table t(a blob, b blob);")), -1);
    const QByteArray first("\x01\x00\x02", 3);
    const QByteArray second("xyz");
    const char* names[] = {":missing", ":b", ":a"};
    const int sizes[] = {1, int(second.size()), int(first.size())};
    const void* values[] = {"?", second.constData(), first.constData()};
    EXPECT_EQ(db->ExecWithBlobs(QStringLiteral("insert into t values(:a, :b)"), 3, sizes, names, values), 1);
    QStringList rows;
    storetest::RawExec(db->Path(), storetest::ProgramKey(), QStringLiteral("select hex(a), hex(b) from t"), &rows);
    EXPECT_EQ(rows, QStringList(QStringLiteral("010002|78797A")));
    db->SetReportMode(kReportSilent);
    EXPECT_EQ(db->ExecWithBlobs(QStringLiteral("insert into nowhere values(:a)"), 0, nullptr, nullptr, nullptr), -1);
}
