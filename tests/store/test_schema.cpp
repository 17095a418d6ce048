// Tables by kind, the history table and the stored value formats.
#include "OpenDatabase.h"
#include "Recordset.h"
#include "Schema.h"
#include "StoreTestUtil.h"

#include <gtest/gtest.h>

using namespace qm::store;

namespace {

QString CreateText(CDBSqlite3& db, const QString& table)
{
    std::unique_ptr<CRecordset> set;
    if (db.ListTables(QStringLiteral("name = '%1'").arg(table), set) != 1)
        return QString();
    return set->Text(QStringView(u"sql"));
}

} // namespace

TEST(Schema, KindsByNameAndTheirColumns)
{
    EXPECT_EQ(TableKindOf(QStringLiteral("AUTHORITY")), kKindAuthority);
    EXPECT_EQ(TableKindOf(QStringLiteral("DevInfo")), kKindDevInfo);
    EXPECT_EQ(TableKindOf(QStringLiteral("filerecord")), kKindFilerecord);
    EXPECT_EQ(TableKindOf(QStringLiteral("h1A2B00001_1700000000")), kKindHistory);
    EXPECT_EQ(TableKindOf(QStringLiteral("data_1"), QStringLiteral("OrvoKVR")), kKindPhoneData);
    EXPECT_EQ(TableKindOf(QStringLiteral("note"), QStringLiteral("x")), kKindNote);
    EXPECT_EQ(KindColumns(kKindConfig).size(), 13);
    EXPECT_EQ(KindColumns(kKindConfig).at(3), QStringLiteral("time_startup"));
    EXPECT_EQ(KindColumnText(kKindPhoneData), QStringLiteral("time, chan1, chan2"));
}

TEST(Schema, RecreatedTablesKeyOnTheirFirstColumnWithTheKindsTypes)
{
    storetest::ScratchFolder dir;
    auto db = OpenDatabase(nullptr, dir.File(QStringLiteral("k.db3")), 1, 0, 1);
    ASSERT_TRUE(db);
    EXPECT_EQ(CreateTableByKind(*db, QStringLiteral("devInfo"), kKindDevInfo), 1);
    EXPECT_EQ(CreateText(*db, QStringLiteral("devInfo")),
              QStringLiteral("CREATE TABLE [devInfo] ([SN] char,[mac] char,[devtype] int,[devName] int,[port] char,"
                             "[baud] char,[chan_type] char, Primary Key(SN))"));
    EXPECT_EQ(CreateTableByKind(*db, QStringLiteral("recordtime"), kKindRecordtime), 1);
    EXPECT_EQ(CreateText(*db, QStringLiteral("recordtime")),
              QStringLiteral("CREATE TABLE [recordtime] ([id] int,[name] char,[import] int(1),[SN] char,"
                             "[time_start] char,[time_end] char,[hisdata_table] char,[devname] char, Primary Key(id))"));
    EXPECT_EQ(CreateTableByKind(*db, QStringLiteral("recordtime"), kKindRecordtime), 1) << "present: unchanged";
    const QList<int> config = KindColumnTypes(kKindConfig);
    EXPECT_EQ(config.at(0), kTypeInteger);
    EXPECT_EQ(config.at(2), kTypeInteger);
    EXPECT_EQ(config.at(4), kTypeInteger);
    EXPECT_EQ(config.at(12), kTypeInteger);
    EXPECT_EQ(config.at(1), kTypeText);
}

TEST(Schema, HistoryTableKeepsTheFirstSampleOfATime)
{
    storetest::ScratchFolder dir;
    auto db = OpenDatabase(nullptr, dir.File(QStringLiteral("1A2B00001.db3")), 1, 0, 1);
    ASSERT_TRUE(db);
    const QString table = HistoryTableName(QStringLiteral("1A2B00001"), 1700000000);
    EXPECT_EQ(table, QStringLiteral("h1A2B00001_1700000000"));
    QString sn;
    qint64 seconds = 0;
    EXPECT_TRUE(ParseHistoryTableName(table, &sn, &seconds));
    EXPECT_EQ(sn, QStringLiteral("1A2B00001"));
    EXPECT_EQ(seconds, 1700000000);
    EXPECT_FALSE(ParseHistoryTableName(u"h1A2B_x"));
    EXPECT_FALSE(ParseHistoryTableName(u"h1A'B_1; drop table config"));

    ASSERT_NE(CreateHistoryTable(*db, table), -1);
    const QString time = FormatSampleTime(2024, 3, 5, 7, 8, 9);
    EXPECT_EQ(time, QStringLiteral("2024-03-05 07:08:09"));
    const QString data = JoinDecimals({21.5, 48.0});
    EXPECT_EQ(data, QStringLiteral("21.5;48.0"));
    const QString channels = JoinCodes({1, 2});
    db->SetAutoTransaction(1);
    ASSERT_NE(db->ExeSql(HistoryInsertSql(table, time, data, channels, 0)
                         + HistoryInsertSql(table, time, QStringLiteral("99.0;99.0"), channels, 1)),
              -1);
    std::unique_ptr<CRecordset> set;
    ASSERT_EQ(db->QueryRecordset(QStringLiteral("select * from '%1'").arg(table), set), 1);
    EXPECT_EQ(set->RecordCount(), 1);
    EXPECT_EQ(set->Text(QStringView(u"his_data")), data);
    EXPECT_EQ(set->Text(QStringView(u"his_chan")), QStringLiteral("1;2"));
    EXPECT_EQ(set->Integer(QStringView(u"data_coll")), 0);
}

TEST(Schema, ANewHistoryTableTakesTheNextFreeSecondOfEveryFile)
{
    storetest::ScratchFolder dir;
    auto logger = OpenDatabase(nullptr, dir.File(QStringLiteral("1A2B00001.db3")), 1, 0, 1);
    auto backup = OpenDatabase(nullptr, dir.File(QStringLiteral("copy.db3")), 1, 0, 1);
    ASSERT_TRUE(logger && backup);
    const QString sn = QStringLiteral("1A2B00001");
    const QList<CDBOperator*> both{logger.get(), backup.get()};
    EXPECT_EQ(NextFreeHistoryTableName(both, sn, 1700000000), QStringLiteral("h1A2B00001_1700000000"));

    // Two records of one logger in the same second: distinct tables, both files alike.
    EXPECT_EQ(CreateFreeHistoryTable(both, sn, 1700000000), QStringLiteral("h1A2B00001_1700000000"));
    EXPECT_EQ(CreateFreeHistoryTable(both, sn, 1700000000), QStringLiteral("h1A2B00001_1700000001"));
    // A second taken in one file only (or in another case) is passed over too.
    ASSERT_NE(CreateHistoryTable(*backup, QStringLiteral("H1A2B00001_1700000002")), -1);
    ASSERT_NE(CreateHistoryTable(*logger, QStringLiteral("h1A2B00001_1700000003")), -1);
    EXPECT_EQ(CreateFreeHistoryTable(both, sn, 1700000000), QStringLiteral("h1A2B00001_1700000004"));
    // Other loggers' tables take nothing from this one.
    ASSERT_NE(CreateHistoryTable(*logger, QStringLiteral("h1A2B000010_1700000005")), -1);
    EXPECT_EQ(NextFreeHistoryTableName(both, sn, 1700000005), QStringLiteral("h1A2B00001_1700000005"));

    QStringList tables;
    ASSERT_EQ(storetest::RawExec(dir.File(QStringLiteral("copy.db3")), storetest::ProgramKey(),
                                 QStringLiteral("select name from sqlite_master where type = 'table' order by name"), &tables),
              0);
    EXPECT_EQ(tables, (QStringList{QStringLiteral("H1A2B00001_1700000002"), QStringLiteral("h1A2B00001_1700000000"),
                                   QStringLiteral("h1A2B00001_1700000001"), QStringLiteral("h1A2B00001_1700000004")}));
}

TEST(Schema, ValueFormatsAndPaths)
{
    const QDateTime t(QDate(2024, 1, 2), QTime(3, 4, 5));
    EXPECT_EQ(FormatSampleTime(t), QStringLiteral("2024-01-02 03:04:05"));
    EXPECT_EQ(FormatConfigTime(2024, 1, 2, 3, 4), QStringLiteral("2024-01-02 03:04"));
    EXPECT_EQ(FormatRecordName(t), QStringLiteral("20240102030405"));
    EXPECT_EQ(FormatInterval(0, 1, 30), QStringLiteral("0;1;30"));
    EXPECT_EQ(JoinDecimals({-0.04, 21.5, 100}), QStringLiteral("-0.0;21.5;100.0"));
    EXPECT_TRUE(JoinDecimals({}).isEmpty());
    QDateTime back;
    ASSERT_TRUE(ParseSampleTime(u"2024-01-02 03:04:05", &back));
    EXPECT_EQ(back, t);
    EXPECT_EQ(LoggerDatabasePath(QStringLiteral("/p"), QStringLiteral("1A2B00001")),
              QStringLiteral("/p/database/1A2B00001.db3"));
    EXPECT_TRUE(LoggerDatabasePath(QStringLiteral("/p"), QStringLiteral("../x")).isEmpty());
    EXPECT_EQ(BackupLoggerPath(QStringLiteral("/b"), 2024, 3, QStringLiteral("1A2B00001")),
              QStringLiteral("/b/2024-03/1A2B00001.db3"));
    EXPECT_EQ(DatainfoPathIn(QStringLiteral("/p")), QStringLiteral("/p/database/DATAINFO.db3"));
}
