// A record read from its stored files: configuration, samples, statistics,
// analysis and merging, on records written in the stored formats.
#include "RecordData.h"
#include "RecordFixture.h"

#include "AppEnv.h"
#include "Ciniwell.h"
#include "MessageSeam.h"

#include <cmath>

using namespace qm::browse;
using namespace browsetest;

namespace {

const QString kSn = QStringLiteral("A1B200001");
const QString kTable = QStringLiteral("hA1B200001_1709251200");

class RecordDataTest : public RecordFixture {};

} // namespace

TEST_F(RecordDataTest, StatisticsCountOnlyRealReadingsAndKeepTheirTimes)
{
    // "-" and empty are no value, ERR and ≤ −1000 are errors; 65535 is a
    // reading like any other, and no reading yet is a count of zero.
    const int id = AddRecord(kSn, kTable,
                             {{T(0), QStringLiteral("-;-")},
                              {T(1), QStringLiteral("ERR;-")},
                              {T(2), QStringLiteral("21.5;-")},
                              {T(3), QStringLiteral("65535;")},
                              {T(4), QStringLiteral("-1500;-")},
                              {T(5), QStringLiteral("19.5;-")},
                              {T(6), QStringLiteral("65535;-")},
                              {T(7), QStringLiteral("19.5;ERR")}});
    CRecordData data;
    ASSERT_EQ(LoadRecord(id, {}, &data), LoadResult::Loaded);
    ASSERT_EQ(data.Count(), 8);
    ASSERT_EQ(data.channels.size(), 2u);
    const ChannelStatistics& t = data.statistics[0];
    EXPECT_EQ(t.count, 5);
    EXPECT_EQ(t.errors, 2);
    EXPECT_DOUBLE_EQ(t.max, 65535.0);
    EXPECT_EQ(data.TimeText(t.maxIndex), T(3)); // the first of the two
    EXPECT_DOUBLE_EQ(t.min, 19.5);
    EXPECT_EQ(data.TimeText(t.minIndex), T(5));
    EXPECT_DOUBLE_EQ(t.Average(), (21.5 + 65535 + 19.5 + 65535 + 19.5) / 5);
    const ChannelStatistics& h = data.statistics[1];
    EXPECT_EQ(h.count, 0);
    EXPECT_EQ(h.errors, 1);
    EXPECT_EQ(h.maxIndex, -1);
    EXPECT_FALSE(h.hasMkt); // humidity
    EXPECT_EQ(data.ValueText(0, 0), QStringLiteral("-"));
    EXPECT_EQ(data.ValueText(1, 0), QStringLiteral("ERR"));
    EXPECT_EQ(data.ValueText(4, 0), QStringLiteral("ERR"));
    EXPECT_EQ(data.ValueText(2, 0), QStringLiteral("21.5"));
    EXPECT_EQ(data.ValueText(3, 1), QStringLiteral("-"));
}

TEST_F(RecordDataTest, MeanKineticTemperatureOfTemperatureChannels)
{
    // 20, 25 and 30 °C with ΔH 83.144 kJ/mol: by hand 25.8582 °C.
    const int id = AddRecord(kSn, kTable,
                             {{T(0), QStringLiteral("20.0;50.0")},
                              {T(1), QStringLiteral("25.0;ERR")},
                              {T(2), QStringLiteral("ERR;-")},
                              {T(3), QStringLiteral("30.0;60.0")}});
    CRecordData data;
    ASSERT_EQ(LoadRecord(id, {}, &data), LoadResult::Loaded);
    ASSERT_TRUE(data.statistics[0].hasMkt);
    EXPECT_NEAR(data.statistics[0].mkt, 25.858208, 1e-5);
    EXPECT_FALSE(data.statistics[1].hasMkt);
    // A larger ΔH weighs the warm samples more.
    AnalysisOptions steep;
    steep.mktDeltaH = 150.0;
    ComputeStatistics(&data, steep);
    EXPECT_GT(data.statistics[0].mkt, 25.86);
    const double one = 5.0;
    EXPECT_NEAR(MeanKineticTemperature(&one, 1, 83.144), 5.0, 1e-9);
    const double frozen = -300.0;
    EXPECT_TRUE(std::isnan(MeanKineticTemperature(&frozen, 1, 83.144)));
}

TEST_F(RecordDataTest, MktActivationEnergyComesFromTheAnalysisSettings)
{
    EXPECT_DOUBLE_EQ(AnalysisSettings().mktDeltaH, 83.144);
    qm::Settings().WriteIniStr(QStringLiteral("analysis"), QStringLiteral("mkt_dh"), QStringLiteral("100.5"));
    EXPECT_DOUBLE_EQ(AnalysisSettings().mktDeltaH, 100.5);
    qm::Settings().WriteIniStr(QStringLiteral("analysis"), QStringLiteral("mkt_dh"), QStringLiteral("none"));
    EXPECT_DOUBLE_EQ(AnalysisSettings().mktDeltaH, 83.144);
}

TEST_F(RecordDataTest, ExcursionsAtTheEdgesOfTheRecord)
{
    // Upper 30, lower 0 (temperature) and 80/10 (humidity).
    const int id = AddRecord(kSn, kTable,
                             {{T(0), QStringLiteral("31.0;50")},   // above from the first sample
                              {T(1), QStringLiteral("32.0;85")},   // humidity above: one sample
                              {T(2), QStringLiteral("ERR;50")},    // passed over
                              {T(3), QStringLiteral("25.0;50")},   // back inside: 3 minutes above
                              {T(4), QStringLiteral("30.0;50")},   // on the line is inside
                              {T(5), QStringLiteral("-1.0;-")},    // below
                              {T(6), QStringLiteral("-;90")},      // no value: passed over
                              {T(7), QStringLiteral("40.0;95")},   // straight from below to above
                              {T(9), QStringLiteral("41.0;96")}}); // ends outside
    CRecordData data;
    ASSERT_EQ(LoadRecord(id, {}, &data), LoadResult::Loaded);
    const ChannelStatistics& t = data.statistics[0];
    EXPECT_EQ(t.above.count, 2);
    EXPECT_EQ(data.TimeText(t.above.first), T(0));
    EXPECT_EQ(t.above.seconds, 3 * 60 + 2 * 60); // 0→3, then 7→9 (its own last sample)
    EXPECT_EQ(t.below.count, 1);
    EXPECT_EQ(data.TimeText(t.below.first), T(5));
    EXPECT_EQ(t.below.seconds, 2 * 60); // 5→7
    const ChannelStatistics& h = data.statistics[1];
    EXPECT_EQ(h.above.count, 2);
    EXPECT_EQ(data.TimeText(h.above.first), T(1));
    EXPECT_EQ(h.above.seconds, 60 + 3 * 60); // 1→2, then 6→9
    EXPECT_EQ(h.below.count, 0);
    EXPECT_EQ(h.below.first, -1);
}

TEST_F(RecordDataTest, AlarmValuesIntervalTextAndMissingConfiguration)
{
    // NULL chan_Top: alarm values from the channel ranges; NULL interval: "-".
    Config ranges;
    ranges.top.reset();
    ranges.floor = QString(); // an empty text counts as NULL too
    ranges.interval.reset();
    const int a = AddRecord(kSn, kTable, {{T(0), QStringLiteral("20;50")}}, ranges);
    CRecordData data;
    ASSERT_EQ(LoadRecord(a, {}, &data), LoadResult::Loaded);
    EXPECT_EQ(data.channels[0].lowerAlarm, QStringLiteral("-40"));
    EXPECT_EQ(data.channels[0].upperAlarm, QStringLiteral("85"));
    EXPECT_EQ(data.channels[1].upperAlarm, QStringLiteral("100"));
    EXPECT_EQ(data.intervalText, QStringLiteral("-"));
    EXPECT_EQ(IntervalText(QStringLiteral("0;10;0")), QStringLiteral("00:10:00"));
    EXPECT_EQ(IntervalText(QStringLiteral("1;2;3")), QStringLiteral("01:02:03"));

    // A record without a config row gets a copy of the newest row of its file.
    Config newest;
    newest.interval = QStringLiteral("0;10;0");
    newest.top = QStringLiteral("25.0;70.0");
    AddConfig(kSn, 99, newest);
    const int b =
        AddRecord(kSn, QStringLiteral("hA1B200001_1709251300"), {{T(0), QStringLiteral("20;50")}}, std::nullopt);
    ASSERT_EQ(LoadRecord(b, {}, &data), LoadResult::Loaded);
    EXPECT_TRUE(data.hasConfig);
    EXPECT_EQ(data.intervalText, QStringLiteral("00:10:00"));
    EXPECT_EQ(data.channels[0].upperAlarm, QStringLiteral("25.0"));

    // Imported records carry the phone's alarm limits in the limit columns.
    Config phone;
    phone.top = QString();
    phone.floor = QString();
    phone.topLimit = QStringLiteral("8.0;75.0");
    phone.floorLimit = QStringLiteral("2.0;20.0");
    const int c = AddRecord(QStringLiteral("P00000001"), QStringLiteral("hP00000001_1709251200"),
                            {{T(0), QStringLiteral("9.0;50")}, {T(1), QStringLiteral("1.0;50")}}, phone,
                            QStringLiteral("phone"), true);
    ASSERT_EQ(LoadRecord(c, {}, &data), LoadResult::Loaded);
    EXPECT_EQ(data.channels[0].upperAlarm, QStringLiteral("8.0"));
    EXPECT_EQ(data.channels[0].lowerAlarm, QStringLiteral("2.0"));
    EXPECT_EQ(data.statistics[0].above.count, 1);
    EXPECT_EQ(data.statistics[0].below.count, 1);
}

TEST_F(RecordDataTest, WindowsUnknownRecordsAndEmptyTables)
{
    const int id = AddRecord(kSn, kTable,
                             {{T(0), QStringLiteral("20;50")},
                              {T(1), QStringLiteral("21;50")},
                              {T(2), QStringLiteral("22;50")},
                              {T(3), QStringLiteral("23;50")}});
    CRecordData data;
    ASSERT_EQ(LoadRecord(id, {T(1), T(2)}, &data), LoadResult::Loaded); // both ends inclusive
    ASSERT_EQ(data.Count(), 2);
    EXPECT_EQ(data.TimeText(0), T(1));
    EXPECT_DOUBLE_EQ(data.statistics[0].max, 22.0);
    ASSERT_EQ(ReloadWindow(&data, {}), LoadResult::Loaded);
    EXPECT_EQ(data.Count(), 4);
    EXPECT_EQ(ReloadWindow(&data, {T(10), T(20)}), LoadResult::NoData);
    EXPECT_EQ(data.Count(), 0);
    EXPECT_EQ(data.statistics[0].count, 0);

    EXPECT_EQ(LoadRecord(id + 100, {}, &data), LoadResult::UnknownRecord);
    const int empty = AddRecord(kSn, QStringLiteral("hA1B200001_1709259999"), {});
    EXPECT_EQ(LoadRecord(empty, {}, &data), LoadResult::NoData);
    EXPECT_EQ(data.channels.size(), 2u); // the header and channels are there to show

    qm::MessageScript script;
    ShowLoadMessage(LoadResult::NoData);
    ShowLoadMessage(LoadResult::UnknownRecord);
    ShowLoadMessage(LoadResult::TooFewSlots);
    EXPECT_EQ(script.Numbers(), (QList<int>{165, 123, 303}));

    const QDateTime early(QDate(2024, 3, 1), QTime(1, 0, 0));
    const QDateTime late(QDate(2024, 3, 2), QTime(0, 0, 0));
    EXPECT_EQ(SearchWindow(late, early).start, QStringLiteral("2024-03-01 01:00:00"));
    EXPECT_EQ(SearchWindow(late, early).end, QStringLiteral("2024-03-02 00:00:00"));
    EXPECT_EQ(PreciseQueryCheck(late, early), 156);
    EXPECT_EQ(PreciseQueryCheck(early, early), 0);
}

TEST_F(RecordDataTest, RemovedSamplesLeaveTheStoreAndTheirStatistics)
{
    const int id =
        AddRecord(kSn, kTable,
                  {{T(0), QStringLiteral("20;50")}, {T(1), QStringLiteral("40;50")}, {T(2), QStringLiteral("22;50")}});
    CRecordData data;
    ASSERT_EQ(LoadRecord(id, {}, &data), LoadResult::Loaded);
    EXPECT_EQ(data.statistics[0].above.count, 1);
    RemoveSamples(&data, {1});
    ASSERT_EQ(data.Count(), 2);
    EXPECT_EQ(data.TimeText(1), T(2));
    EXPECT_EQ(data.ValueText(1, 0), QStringLiteral("22"));
    EXPECT_DOUBLE_EQ(data.statistics[0].max, 22.0);
    EXPECT_EQ(data.statistics[0].above.count, 0);
    CRecordData again;
    ASSERT_EQ(LoadRecord(id, {}, &again), LoadResult::Loaded);
    EXPECT_EQ(again.Count(), 3);
}

TEST_F(RecordDataTest, MergeTakesEachChannelKeyFromTheHighestPrioritySlot)
{
    const QString other = QStringLiteral("A1B200002");
    const int first = AddRecord(kSn, kTable, {{T(0), QStringLiteral("20;50")}, {T(1), QStringLiteral("21;51")}});
    // Slot 2 has the same time with another value, a second temperature
    // channel (key 2_1) and a time of its own.
    Config three;
    three.types = QStringLiteral("1;2;1");
    three.top = QStringLiteral("30.0;80.0;35.0");
    three.floor = QStringLiteral("0.0;10.0;5.0");
    const int second = AddRecord(other, QStringLiteral("hA1B200002_1709251200"),
                                 {{T(1), QStringLiteral("99;98;97"), QStringLiteral("1;2;1")},
                                  {T(2), QStringLiteral("22;52;23"), QStringLiteral("1;2;1")}},
                                 three);
    CRecordData data;
    EXPECT_EQ(LoadMerged({{kSn, first}, {}, {}, {}}, {}, &data), LoadResult::TooFewSlots);
    ASSERT_EQ(LoadMerged({{kSn, first}, {other, second}}, {}, &data), LoadResult::Loaded);
    ASSERT_EQ(data.Count(), 3);
    ASSERT_EQ(data.channels.size(), 3u);
    EXPECT_EQ(data.channels[0].key, QStringLiteral("1_1"));
    EXPECT_EQ(data.channels[1].key, QStringLiteral("1_2"));
    EXPECT_EQ(data.channels[2].key, QStringLiteral("2_1"));
    EXPECT_EQ(data.channels[2].upperAlarm, QStringLiteral("35.0"));
    EXPECT_EQ(data.ValueText(1, 0), QStringLiteral("21")); // slot 1 wins at T(1)
    EXPECT_EQ(data.ValueText(1, 1), QStringLiteral("51"));
    EXPECT_EQ(data.ValueText(1, 2), QStringLiteral("97")); // only slot 2 has 2_1
    EXPECT_EQ(data.ValueText(0, 2), QStringLiteral("-"));
    EXPECT_EQ(data.ValueText(2, 0), QStringLiteral("22"));
    EXPECT_DOUBLE_EQ(data.statistics[0].max, 22.0);
    EXPECT_EQ(data.statistics[2].count, 2);

    // Swapped priorities: slot 1 is now the other record.
    ASSERT_EQ(LoadMerged({{other, second}, {kSn, first}}, {}, &data), LoadResult::Loaded);
    EXPECT_EQ(data.ValueText(1, 0), QStringLiteral("99"));
    EXPECT_EQ(data.ValueText(0, 0), QStringLiteral("20"));
}
