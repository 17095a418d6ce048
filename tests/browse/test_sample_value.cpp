// Sample value texts, the numeric series built from stored rows, curve colours
// and the render generation.
#include "CurveTestUtil.h"
#include "SampleValue.h"
#include "Strings.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::browse;
using namespace curvetest;

TEST(SampleValue, ParsesNoValueErrorWordsAndNumbers)
{
    EXPECT_FALSE(ParseSampleValue(u"8.0", u"").valid);
    EXPECT_FALSE(ParseSampleValue(u"8.0", u"-").valid);
    const SampleNumber err = ParseSampleValue(u"8.0", u"ERR");
    EXPECT_TRUE(err.valid);
    EXPECT_EQ(err.value, -1000.0);
    // The switch and state words of the program's table.
    EXPECT_EQ(ParseSampleValue(u"", Msg(148)).value, 1.0);
    EXPECT_EQ(ParseSampleValue(u"", Msg(150)).value, 1.0);
    EXPECT_EQ(ParseSampleValue(u"", Msg(149)).value, 0.0);
    EXPECT_EQ(ParseSampleValue(u"", Msg(151)).value, 0.0);
    EXPECT_TRUE(ParseSampleValue(u"", Msg(151)).valid);
    EXPECT_DOUBLE_EQ(ParseSampleValue(u"8.0", u"-12.5").value, -12.5);
    EXPECT_DOUBLE_EQ(ParseSampleValue(u"8.0", u" 23.45").value, 23.45);
    // Text that does not start with a number reads as 0, as stored texts always have.
    const SampleNumber junk = ParseSampleValue(u"8.0", u"abc");
    EXPECT_TRUE(junk.valid);
    EXPECT_EQ(junk.value, 0.0);
    EXPECT_DOUBLE_EQ(ParseSampleValue(u"8.0", u"7.5abc").value, 7.5);
    EXPECT_DOUBLE_EQ(LeadingNumber(u".5"), 0.5);
    EXPECT_DOUBLE_EQ(LeadingNumber(u"-.5"), -0.5);
    EXPECT_DOUBLE_EQ(LeadingNumber(u"+5."), 5.0);
    EXPECT_DOUBLE_EQ(LeadingNumber(u"1.5e3"), 1500.0);
    EXPECT_DOUBLE_EQ(LeadingNumber(u"2e"), 2.0);
    EXPECT_DOUBLE_EQ(LeadingNumber(u"3,5"), 3.0);
    EXPECT_EQ(LeadingNumber(u"-"), 0.0);
    EXPECT_EQ(LeadingNumber(u"1e999"), 0.0);
}

TEST(SampleValue, StoredWordsReadTheSameAfterALanguageSwitch)
{
    const QString module = qEnvironmentVariable("QM_TEST_PROGRAM_DIR") + QStringLiteral("/res/QUILLM_EN.lang");
    ASSERT_TRUE(LoadLanguageModule(module)) << module.toStdString();
    EXPECT_EQ(ParseSampleValue(u"", u"开").value, 1.0);
    EXPECT_EQ(ParseSampleValue(u"", u"异常").value, 0.0);
    EXPECT_EQ(ParseSampleValue(u"", Msg(148)).value, 1.0);   // "On"
    EXPECT_EQ(FormatSampleValue(u"开", 1.0, true, true), Msg(148));
    UseBuiltinStrings();
}

TEST(SampleValue, DegreeTextsAreDegreesMinutesSeconds)
{
    const SampleNumber d = ParseSampleValue(u"120°00′00.00″", u"120°30′36.00″");
    EXPECT_TRUE(d.valid);
    EXPECT_NEAR(d.value, 120.51, 1e-9);
    EXPECT_NEAR(ParseSampleValue(u"1°00′00.00″", u"-33°15′00.50″").value, -(33.25 + 0.5 / 3600), 1e-9);
    // Without a degree reference the same text is a decimal number.
    EXPECT_EQ(ParseSampleValue(u"8.0", u"120°30′36.00″").value, 120.0);
}

TEST(SampleValue, FormatsWithTheDecimalsOfTheReference)
{
    EXPECT_EQ(DecimalsOf(u"85.0"), 1);
    EXPECT_EQ(DecimalsOf(u"85.25"), 2);
    EXPECT_EQ(DecimalsOf(u"85"), 0);
    EXPECT_EQ(DecimalsOf(u"12°00′00.00″"), 7);
    EXPECT_EQ(DecimalsOf(u"°"), 0);   // a degree sign must follow the first character
    EXPECT_EQ(FormatSampleValue(u"85.0", 23.456, false, true), QStringLiteral("23.5"));
    EXPECT_EQ(FormatSampleValue(u"85.25", 23.4, false, true), QStringLiteral("23.40"));
    EXPECT_EQ(FormatSampleValue(u"85", 23.6, false, true), QStringLiteral("24"));
    EXPECT_EQ(FormatSampleValue(u"12°00′00.00″", 1.5, false, true), QStringLiteral("1.5000000"));
    // Errors: "ERR", or 0 with the channel's decimals when errors are not shown.
    EXPECT_EQ(FormatSampleValue(u"85.0", -1000.0, false, true), QStringLiteral("ERR"));
    EXPECT_EQ(FormatSampleValue(u"85.0", -2000.0, false, false), QStringLiteral("0.0"));
    EXPECT_EQ(FormatSampleValue(u"12°00′00.00″", -1000.0, false, false), QStringLiteral("ERR"));
    // Switch channels show their words when allowed.
    EXPECT_EQ(FormatSampleValue(Msg(148), 1.0, true, true), Msg(148));
    EXPECT_EQ(FormatSampleValue(Msg(149), 0.0, true, true), Msg(149));
    EXPECT_EQ(FormatSampleValue(Msg(148), 0.75, false, true), QStringLiteral("1"));
}

TEST(SampleSeries, RowsArePairedByPositionAndNormalised)
{
    SampleSeriesBuilder builder;
    builder.AddSample(At(0), u"1;2;3", u"4.5;-;-1500");
    builder.AddSample(At(60), u"1;2", u"ERR;55.5");
    builder.AddSample(At(120), u"2;1", u"60.0;5.0");   // positions in another order
    builder.AddSample(At(180), u"1", u"6.0;70.0");      // a value without a position is dropped
    const auto s = builder.Build();
    ASSERT_EQ(s->Count(), 4);
    EXPECT_EQ(s->Positions(), (std::vector<int>{1, 2, 3}));
    const SampleColumn* one = s->Column(1);
    const SampleColumn* two = s->Column(2);
    const SampleColumn* three = s->Column(3);
    ASSERT_TRUE(one && two && three);
    EXPECT_EQ(one->Text(0), QStringLiteral("4.5"));
    EXPECT_EQ(one->Text(1), QStringLiteral("ERR"));
    EXPECT_EQ(one->Value(1), -1000.0);
    EXPECT_EQ(one->Text(2), QStringLiteral("5.0"));
    EXPECT_EQ(two->Text(0), QString());   // "-": no value
    EXPECT_FALSE(two->HasValue(0));
    EXPECT_EQ(two->Text(2), QStringLiteral("60.0"));
    EXPECT_FALSE(two->HasValue(3));
    EXPECT_EQ(three->Text(0), QStringLiteral("ERR"));   // ≤ −1000 is stored as "ERR"
    EXPECT_FALSE(three->HasValue(1));
    EXPECT_EQ(s->Column(4), nullptr);
    EXPECT_FALSE(s->HasIntervals());
    EXPECT_EQ(s->Time(1) - s->Time(0), 60);
}

TEST(SampleSeries, TimesAndIntervals)
{
    EXPECT_EQ(CurveSampleTime(CurveSeconds(SampleTime{2024, 2, 29, 23, 59, 59}) + 1).day, 1);
    const QDateTime t = CurveDateTime(CurveSeconds(SampleTime{2024, 3, 31, 2, 30, 0}));
    // A wall-clock time a time-zone change skips stays as the logger wrote it.
    EXPECT_EQ(t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), QStringLiteral("2024-03-31 02:30:00"));
    EXPECT_EQ(CurveSeconds(t), CurveSeconds(SampleTime{2024, 3, 31, 2, 30, 0}));
    // Out-of-range fields are clamped, not invalid.
    EXPECT_EQ(CurveSeconds(SampleTime{2024, 13, 40, 0, 0, 0}), CurveSeconds(SampleTime{2024, 12, 31, 0, 0, 0}));

    EXPECT_EQ(IntervalSecondsOfMinutes(-1), -1);
    EXPECT_EQ(IntervalSecondsOfMinutes(0), 60);
    EXPECT_EQ(IntervalSecondsOfMinutes(10), 600);
    SampleSeriesBuilder builder;
    builder.AddSample(At(0), u"1", u"1");
    builder.AddSample(At(60), u"1", u"2", 60);
    const auto s = builder.Build();
    EXPECT_EQ(s->IntervalSeconds(0), -1);
    EXPECT_EQ(s->IntervalSeconds(1), 60);
}

TEST(CurveColours, SevenChannels)
{
    const std::vector<QColor> expected{QColor(0, 0, 255),  QColor(255, 0, 0),  QColor(0, 255, 0),  QColor(75, 0, 255),
                                       QColor(255, 75, 0), QColor(0, 255, 75), QColor(150, 0, 255)};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(GeneratedCurveColour(i), expected[size_t(i)]) << i;
    // Byte arithmetic wraps: blue of index 5 + 3·75·k passes 255.
    EXPECT_EQ(GeneratedCurveColour(14), QColor(0, 255, (75 * 4) & 0xFF));
    EXPECT_EQ(GeneratedCurveColour(12), QColor((75 * 4) & 0xFF, 0, 255));
}

TEST(RenderGeneration, WrapsAfterAThousand)
{
    SetRenderGeneration(998);
    EXPECT_EQ(NextRenderGeneration(), 999);
    EXPECT_EQ(NextRenderGeneration(), 1000);
    EXPECT_EQ(NextRenderGeneration(), 0);
    EXPECT_EQ(CurrentRenderGeneration(), 0);
    EXPECT_EQ(NextRenderGeneration(), 1);
}
