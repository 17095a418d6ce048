// The configuration row of a record, made when it is missing.
#include "OpenDatabase.h"
#include "RecordConfig.h"
#include "Recordset.h"
#include "Schema.h"
#include "StoreTestUtil.h"

#include <gtest/gtest.h>

using namespace qm::store;

namespace {

std::unique_ptr<CDBSqlite3> Logger(storetest::ScratchFolder& dir)
{
    auto db = OpenDatabase(nullptr, dir.File(QStringLiteral("A1B200001.db3")), 1, 0, 0);
    db->SetReportMode(kReportLog);
    CreateConfigTable(*db);
    return db;
}

} // namespace

TEST(RecordConfig, AMissingRowIsCopiedFromTheNewestRowOfTheFile)
{
    storetest::ScratchFolder dir;
    auto db = Logger(dir);
    ASSERT_GE(
        db->ExeSql(QStringLiteral(
            "insert into config(his_recordinterval, way_startup, time_startup, way_stop, time_stop, chan_type, "
            "chan_alarm, chan_Top, chan_Floor, chan_topLimit, chan_floorLimit, record_id) values "
            "('0;1;0',1,'2024-01-01 00:00',2,'2024-01-02 00:00','1;2','1;1','30.0;80.0','0.0;10.0','85;100','-40;0',1),"
            "('0;5;0',3,'2024-02-01 00:00',4,'2024-02-02 00:00','1','0','25.5',NULL,'85','-40',2);")),
        0);
    RecordConfigTexts t;
    ASSERT_EQ(EnsureRecordConfig(*db, 7, &t), 1);
    EXPECT_EQ(t.recordInterval, QStringLiteral("0;5;0"));
    EXPECT_EQ(t.startMode, 3);
    EXPECT_EQ(t.channelTypes, QStringLiteral("1"));
    EXPECT_EQ(t.alarmUpper, QStringLiteral("25.5"));
    EXPECT_TRUE(t.alarmLower.isNull());
    // Made once: a second call reads the same row.
    ASSERT_EQ(EnsureRecordConfig(*db, 7, &t), 1);
    std::unique_ptr<CRecordset> set;
    ASSERT_EQ(db->QueryRecordset(QStringLiteral("select count(*) as n from config where record_id = 7;"), set), 1);
    EXPECT_EQ(set->Integer(u"n"), 1);
}

TEST(RecordConfig, AFileWithoutRowsTakesTheConnectedLoggersConfiguration)
{
    storetest::ScratchFolder dir;
    auto db = Logger(dir);
    RecordConfigTexts t;
    EXPECT_EQ(EnsureRecordConfig(*db, 3, &t), 0);
    EXPECT_EQ(EnsureRecordConfig(*db, 3, &t, [] { return std::optional<RecordConfigTexts>(); }), 0);
    RecordConfigTexts now;
    now.recordInterval = QStringLiteral("0;0;30");
    now.channelTypes = QStringLiteral("1;2");
    now.alarmUpper = QStringLiteral("O'Brien's \"fridge\"");
    now.alarmLower = QString(); // stays NULL
    int asked = 0;
    ASSERT_EQ(EnsureRecordConfig(*db, 3, &t,
                                 [&] {
                                     ++asked;
                                     return std::optional<RecordConfigTexts>(now);
                                 }),
              1);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(t.recordInterval, QStringLiteral("0;0;30"));
    EXPECT_EQ(t.alarmUpper, QStringLiteral("O'Brien's \"fridge\""));
    EXPECT_TRUE(t.alarmLower.isNull());
    // The row is there now: the next record copies it without asking.
    ASSERT_EQ(EnsureRecordConfig(*db, 4, &t,
                                 [&] {
                                     ++asked;
                                     return std::optional<RecordConfigTexts>();
                                 }),
              1);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(t.channelTypes, QStringLiteral("1;2"));
}

TEST(RecordConfig, AQueryErrorIsNoRow)
{
    storetest::ScratchFolder dir;
    auto db = OpenDatabase(nullptr, dir.File(QStringLiteral("A1B200001.db3")), 1, 0, 0);
    db->SetReportMode(kReportSilent);
    RecordConfigTexts t;
    EXPECT_EQ(EnsureRecordConfig(*db, 1, &t), -1); // no config table at all
}
