// Records of different loggers compared channel type by channel type: keys,
// merged rows, the selector's order, statistics per key and the export text.
#include "Comparison.h"
#include "RecordFixture.h"

#include <QCoreApplication>

using namespace qm::browse;
using namespace browsetest;

namespace {

const QString kA = QStringLiteral("A00000001");
const QString kB = QStringLiteral("B00000002");
const QString kC = QStringLiteral("C00000003");

class ComparisonTest : public RecordFixture {
protected:
    // A: temperature and humidity every minute 0–3; B: humidity and
    // temperature (in that order) 2–5, overlapping A, with a sensor error;
    // C: temperature only at 10 and 11, apart from both.
    std::vector<int> ThreeRecords()
    {
        Config a;
        Config b;
        b.types = QStringLiteral("2;1");
        b.top = QStringLiteral("80.0;32.0");
        b.floor = QStringLiteral("10.0;0.0");
        Config c;
        c.types = QStringLiteral("1");
        c.top = QStringLiteral("30.0");
        c.floor = QStringLiteral("0.0");
        c.interval = QStringLiteral("0;5;0");
        const int ra = AddRecord(kA, QStringLiteral("hA_1"),
                                 {{T(0), QStringLiteral("20.0;50")},
                                  {T(1), QStringLiteral("21.0;51")},
                                  {T(2), QStringLiteral("22.0;52")},
                                  {T(3), QStringLiteral("23.0;53")}},
                                 a, QStringLiteral("a"));
        const int rb = AddRecord(kB, QStringLiteral("hB_1"),
                                 {{T(2), QStringLiteral("60;30.0"), QStringLiteral("2;1")},
                                  {T(3), QStringLiteral("61;31.0"), QStringLiteral("2;1")},
                                  {T(4), QStringLiteral("62;ERR"), QStringLiteral("2;1")},
                                  {T(5), QStringLiteral("63;33.0"), QStringLiteral("2;1")}},
                                 b, QStringLiteral("b"));
        const int rc = AddRecord(kC, QStringLiteral("hC_1"),
                                 {{T(10), QStringLiteral("10.0"), QStringLiteral("1")},
                                  {T(11), QStringLiteral("12.0"), QStringLiteral("1")}},
                                 c, QStringLiteral("c"));
        return {ra, rb, rc};
    }
};

QStringList KeyNames(const CComparison& c, const std::vector<int>& keys)
{
    QStringList names;
    for (int k : keys)
        names << c.keys[size_t(k)].key;
    return names;
}

} // namespace

TEST_F(ComparisonTest, KeysRowsAndStatisticsOfThreeLoggers)
{
    CComparison c;
    ASSERT_EQ(LoadComparison(ThreeRecords(), {}, &c), LoadResult::Loaded);
    QStringList all;
    for (const ComparisonKey& k : c.keys)
        all << k.key;
    EXPECT_EQ(all, QStringList({"A00000001_0_1_0", "A00000001_1_2_0", "B00000002_0_2_1", "B00000002_1_1_1",
                                "C00000003_0_1_2"}));
    // Ascending codes, whatever order the records list them in.
    EXPECT_EQ(c.Types(), std::vector<int>({1, 2}));
    EXPECT_EQ(c.merged->Count(), 8); // minutes 0–5, 10, 11

    const ComparisonView t = c.View(1);
    EXPECT_EQ(KeyNames(c, t.keys), QStringList({"A00000001_0_1_0", "B00000002_1_1_1", "C00000003_0_1_2"}));
    EXPECT_EQ(c.keys[size_t(t.keys[1])].title, QStringLiteral("b-温度"));
    ASSERT_EQ(t.data.Count(), 8);
    EXPECT_EQ(t.data.TimeText(0), T(0));
    EXPECT_EQ(t.data.ValueText(0, 0), QStringLiteral("20.0"));
    EXPECT_EQ(t.data.ValueText(0, 1), QStringLiteral("-")); // B has no sample yet
    EXPECT_EQ(t.data.ValueText(2, 1), QStringLiteral("30.0"));
    EXPECT_EQ(t.data.ValueText(4, 1), QStringLiteral("ERR"));
    EXPECT_EQ(t.data.ValueText(4, 0), QStringLiteral("-"));
    EXPECT_EQ(t.data.TimeText(6), T(10));
    EXPECT_EQ(t.data.ValueText(6, 2), QStringLiteral("10.0"));

    // Statistics per key with the record's own rules: the error is no reading.
    ASSERT_EQ(t.data.statistics.size(), 3u);
    EXPECT_DOUBLE_EQ(t.data.statistics[0].Average(), 21.5);
    EXPECT_EQ(t.data.statistics[1].count, 3);
    EXPECT_EQ(t.data.statistics[1].errors, 1);
    EXPECT_DOUBLE_EQ(t.data.statistics[1].max, 33.0);
    EXPECT_DOUBLE_EQ(t.data.statistics[1].min, 30.0);
    // B's temperature alarm 32 is its own (the second of its list), so 33 is above it.
    EXPECT_EQ(t.data.channels[1].upperAlarm, QStringLiteral("32.0"));
    EXPECT_EQ(t.data.statistics[1].above.count, 1);
    EXPECT_DOUBLE_EQ(t.data.statistics[2].Average(), 11.0);

    // Humidity rows are only those where a humidity key has a sample.
    const ComparisonView h = c.View(2);
    EXPECT_EQ(KeyNames(c, h.keys), QStringList({"A00000001_1_2_0", "B00000002_0_2_1"}));
    EXPECT_EQ(h.data.Count(), 6);
    EXPECT_TRUE(c.View(7).data.IsEmpty());
}

TEST_F(ComparisonTest, GapsAreJudgedAgainstTheLongestIntervalOfTheRow)
{
    CComparison c;
    ASSERT_EQ(LoadComparison(ThreeRecords(), {}, &c), LoadResult::Loaded);
    const ComparisonView t = c.View(1);
    ASSERT_TRUE(t.data.series->HasIntervals());
    EXPECT_EQ(t.data.series->IntervalSeconds(0), 60);   // A alone
    EXPECT_EQ(t.data.series->IntervalSeconds(6), 300);  // C alone, every 5 minutes
}

TEST_F(ComparisonTest, ExportTextInBothForms)
{
    CComparison c;
    ASSERT_EQ(LoadComparison(ThreeRecords(), {}, &c), LoadResult::Loaded);
    const ComparisonView t = c.View(1);
    const QString csv = ComparisonExportText(c, t, QStringLiteral(","), false);
    const QStringList lines = csv.split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 16);
    EXPECT_EQ(lines[0], QStringLiteral("最大值,23.0,33.0,12.0"));
    EXPECT_EQ(lines[1], QStringLiteral("最小值,20.0,30.0,10.0"));
    EXPECT_EQ(lines[2], QStringLiteral("平均值,21.5,31.3,11.0"));
    EXPECT_EQ(lines[3], QString());
    EXPECT_EQ(lines[4], QStringLiteral("SN号,A00000001,B00000002,C00000003"));
    EXPECT_EQ(lines[5], QStringLiteral("名称：,dev,dev,dev"));
    EXPECT_EQ(lines[6], QStringLiteral("日期,a-温度,b-温度,c-温度"));
    EXPECT_EQ(lines[7], T(0) + QStringLiteral(",20.0,-,-"));
    EXPECT_EQ(lines[11], T(4) + QStringLiteral(",-,ERR,-"));
    EXPECT_EQ(lines[14], T(11) + QStringLiteral(",-,-,12.0"));
    EXPECT_EQ(lines[15], QString());
    EXPECT_TRUE(csv.endsWith(QStringLiteral("\r\n")));

    const QString pdf = ComparisonExportText(c, t, QStringLiteral("\t"), true);
    EXPECT_TRUE(pdf.startsWith(QStringLiteral("最大值\t(A00000001)23.0\t(B00000002)33.0\t(C00000003)12.0\r\n")));
    EXPECT_EQ(ComparisonLogText(c, t), QStringLiteral("a|b|c %1~%2").arg(T(0), T(11)));
}

TEST_F(ComparisonTest, WindowPresetReversedWindowAndTooFewRecords)
{
    const std::vector<int> ids = ThreeRecords();
    TimeWindow preset;
    EXPECT_FALSE(ComparisonPreset({{ids[0], T(0), T(3)}}, &preset));
    ASSERT_TRUE(ComparisonPreset({{ids[0], QStringLiteral("2024-3-1 0:2:0"), T(3)}, {ids[2], T(10), T(11)},
                                  {ids[1], T(2), T(5)}},
                                 &preset));
    EXPECT_EQ(preset.start, T(2));
    EXPECT_EQ(preset.end, T(11));

    // The time dialog swaps a reversed window without a word.
    const TimeWindow window = ComparisonWindow(T(5), T(2));
    EXPECT_EQ(window.start, T(2));
    EXPECT_EQ(window.end, T(5));
    CComparison c;
    ASSERT_EQ(LoadComparison(ids, window, &c), LoadResult::Loaded);
    EXPECT_EQ(c.View(1).data.Count(), 4);
    EXPECT_TRUE(c.View(1).data.statistics[2].count == 0);
    EXPECT_TRUE(ComparisonExportText(c, c.View(1), QStringLiteral(","), false)
                    .startsWith(QStringLiteral("最大值,23.0,33.0,-\r\n")));

    EXPECT_EQ(LoadComparison({ids[0]}, {}, &c), LoadResult::TooFewSlots);
    EXPECT_EQ(LoadComparison({ids[0], 999}, {}, &c), LoadResult::Failed);
    EXPECT_EQ(LoadComparison(ids, {T(100), T(200)}, &c), LoadResult::NoData);
}
