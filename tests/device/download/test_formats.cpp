// The stored form of a sample and of a record's configuration.
#include "DownloadRecord.h"

#include <gtest/gtest.h>

using namespace qm::device;

namespace {

HistoryData Sample(float a, float b, int channels = 2)
{
    HistoryData s{};
    s.value[0] = a;
    s.value[1] = b;
    s.time = {2024, 5, 0, 17, 13, 45, 9, 0};
    s.channelCount = channels;
    return s;
}

ChannelConfig Channel(int type, float lower, float upper)
{
    ChannelConfig c{};
    c.channelType = type;
    c.alarmLower = lower;
    c.alarmUpper = upper;
    return c;
}

TEST(SampleText, ValuesTimeAndChannelsInChannelOrder)
{
    const ChannelConfig ch[2] = {Channel(1, -10.0f, 30.0f), Channel(7, 20.0f, 80.0f)};
    SampleText t;
    ASSERT_TRUE(FormatSample(Sample(21.5f, 48.0f), ch, 2, &t));
    EXPECT_EQ(t.time, QStringLiteral("2024-05-17 13:45:09"));
    EXPECT_EQ(t.data, QStringLiteral("21.5;48.0"));
    EXPECT_EQ(t.channels, QStringLiteral("1;7"));
    EXPECT_EQ(t.alarm, 0);
    EXPECT_EQ(SampleInsertSql(QStringLiteral("hA1B200001_100"), t),
              QStringLiteral("insert or ignore into 'hA1B200001_100' values('2024-05-17 13:45:09','21.5;48.0','1;7',0);"));

    ASSERT_TRUE(FormatSample(Sample(-6053.5f, 0.0f, 1), ch, 1, &t));
    EXPECT_EQ(t.data, QStringLiteral("-6053.5"));
    EXPECT_EQ(t.channels, QStringLiteral("1"));
}

TEST(SampleText, OnlyValuesStrictlyOutsideTheLimitsRaiseTheAlarm)
{
    const ChannelConfig ch[2] = {Channel(1, -10.0f, 30.0f), Channel(2, 20.0f, 80.0f)};
    struct Case {
        float a, b;
        int alarm;
    } cases[] = {
        {30.0f, 80.0f, 0},  {-10.0f, 20.0f, 0}, {30.1f, 50.0f, 1}, {-10.1f, 50.0f, 1},
        {25.0f, 80.1f, 1},  {25.0f, 19.9f, 1},  {31.0f, 10.0f, 1},
    };
    for (const Case& c : cases) {
        SampleText t;
        ASSERT_TRUE(FormatSample(Sample(c.a, c.b), ch, 2, &t));
        EXPECT_EQ(t.alarm, c.alarm) << c.a << " " << c.b;
    }
}

TEST(SampleText, AnImpossibleTimeIsRefusedAndMoreThanTwoChannelsStayInTheRecord)
{
    const ChannelConfig ch[4] = {Channel(1, 0, 50), Channel(2, 0, 50), Channel(3, 0, 50), Channel(4, 0, 50)};
    SampleText t;
    HistoryData bad = Sample(1, 2);
    bad.time.wMonth = 13;
    EXPECT_FALSE(FormatSample(bad, ch, 2, &t));
    EXPECT_EQ(RawSampleTime(bad), QStringLiteral("2024-13-17 13:45:09"));
    bad = Sample(1, 2);
    bad.time.wDay = 31;
    bad.time.wMonth = 2;
    EXPECT_FALSE(FormatSample(bad, ch, 2, &t));
    bad = Sample(1, 2);
    bad.time.wMinute = 60;
    EXPECT_FALSE(FormatSample(bad, ch, 2, &t));

    ASSERT_TRUE(FormatSample(Sample(1, 2, 4), ch, 4, &t));
    EXPECT_EQ(t.data, QStringLiteral("1.0;2.0"));
    EXPECT_EQ(t.channels, QStringLiteral("1;2"));
}

TEST(ConfigRow, EveryColumnInItsFormatAndTheTwoStatementTexts)
{
    ConfigInfo config{};
    config.startMode = 2;
    config.stopMode = 4;
    config.startTime = {2024, 5, 0, 7, 8, 9, 0, 0};
    config.stopTime = {2025, 12, 0, 31, 23, 59, 0, 0};
    config.recordInterval = {0, 0, 0, 0, 1, 30, 15, 0};
    ChannelConfig ch[2] = {Channel(1, -10.0f, 30.0f), Channel(2, 20.5f, 80.0f)};
    ch[0].alarmSwitch = 1;
    ch[0].upperBound = 85;
    ch[0].lowerBound = -40;
    ch[1].upperBound = 100;
    ch[1].lowerBound = 0;

    const QString values =
        QStringLiteral("values('1;30;15', 2,'2024-05-07 08:09',4 ,'2025-12-31 23:59' ,'1;0' ,'30.0;80.0' ,'-10.0;20.5' "
                       ", '85;100', '-40;0', 42,'1;2');");
    const QString head = QStringLiteral(
        "insert into config (his_recordinterval ,way_startup ,time_startup,way_stop ,time_stop,chan_alarm ,chan_Top "
        ",chan_Floor , chan_topLimit, chan_floorLimit, record_id, chan_type)\t\t\t\t");
    EXPECT_EQ(ConfigInsertSql(config, ch, 2, 42, false), head + values);
    EXPECT_EQ(ConfigInsertSql(config, ch, 2, 42, true), head + u' ' + values);
}

} // namespace
