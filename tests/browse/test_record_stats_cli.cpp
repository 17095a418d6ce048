// quillmark-cli stats on a record downloaded from a simulated logger, and on
// records written in the stored formats.
#include "DownloadFixture.h"
#include "RecordData.h"

#include "Strings.h"

#include <QRegularExpression>

using devtest::CliRun;
using devtest::DownloadFixture;
using devtest::HistoryLogger;

namespace {

class StatsCliTest : public DownloadFixture {
protected:
    void SetUp() override
    {
        DownloadFixture::SetUp();
        // The channel definitions the program folder is shipped with.
        Ciniwell shipped(0);
        ASSERT_EQ(
            shipped.SetPath(qEnvironmentVariable("QM_TEST_PROGRAM_DIR") + QStringLiteral("/config/channelInfo.ini")),
            1);
        for (const QString& section :
             {QStringLiteral("Channel"), QStringLiteral("temperature"), QStringLiteral("humidity")})
            for (const QString& key : shipped.Keys(section))
                ASSERT_EQ(qm::Settings().WriteIniStr(section, key, shipped.GetIniStr(section, key)), 1);
    }
    CliRun Cli(const QStringList& args) { return devtest::RunCli(Folder(), args); }
    CliRun Stats(const QStringList& args) { return Cli(QStringList{QStringLiteral("stats")} + args); }
};

const QString kHeader = QStringLiteral("channel\ttype\tunit\tcount\terrors\tmax\tmax_time\tmin\tmin_time\tavg\tmkt\t"
                                       "above_count\tabove_first\tabove_seconds\tbelow_count\tbelow_first\t"
                                       "below_seconds");

} // namespace

TEST_F(StatsCliTest, StatisticsOfADownloadedRecord)
{
    // 21.5, 21.6, … 28.9 °C each minute from 08:00; above 25.0 from 08:36 to the end.
    loggersim::LoggerProfile logger = HistoryLogger("A1B200501", 75);
    logger.state.channels[0].alarmUpper = 25.0f;
    Start({logger}, {1});
    const CliRun download = Cli({QStringLiteral("download"), QStringLiteral("--port"), QStringLiteral("1"),
                                 QStringLiteral("--name"), QStringLiteral("O'Brien's \"fridge\"")});
    ASSERT_EQ(download.code, 0) << qPrintable(download.err);

    const CliRun all = Stats({QStringLiteral("--record"), QStringLiteral("1")});
    ASSERT_EQ(all.code, 0) << qPrintable(all.err);
    ASSERT_EQ(all.out.size(), 3);
    EXPECT_EQ(all.out.at(0), kHeader);
    EXPECT_EQ(all.out.at(1), QStringLiteral("1\t1\t°C\t75\t0\t28.9\t2024-05-17 09:14:00\t21.5\t2024-05-17 08:00:00\t"
                                            "25.2\t25.4\t1\t2024-05-17 08:36:00\t2280\t0\t-\t0"));
    EXPECT_EQ(all.out.at(2), QStringLiteral("2\t2\t%RH\t75\t0\t48.0\t2024-05-17 08:00:00\t48.0\t2024-05-17 08:00:00\t"
                                            "48.0\t-\t0\t-\t0\t0\t-\t0"));

    // The same figures as the record view computes in this process.
    qm::browse::CRecordData data;
    ASSERT_EQ(qm::browse::LoadRecord(1, {}, &data), qm::browse::LoadResult::Loaded);
    EXPECT_EQ(data.header.name, QStringLiteral("O'Brien's \"fridge\""));
    EXPECT_EQ(data.intervalText, QStringLiteral("00:01:00"));
    EXPECT_EQ(data.Count(), 75);

    // A window, typed without leading zeros, and given the wrong way round.
    const CliRun window =
        Stats({QStringLiteral("--record"), QStringLiteral("1"), QStringLiteral("--from"),
               QStringLiteral("2024-5-17 8:10:00"), QStringLiteral("--to"), QStringLiteral("2024-05-17 08:19:00")});
    ASSERT_EQ(window.code, 0) << qPrintable(window.err);
    EXPECT_TRUE(window.out.at(1).startsWith(QStringLiteral("1\t1\t°C\t10\t0\t23.4\t2024-05-17 08:19:00\t22.5\t")));
    const CliRun reversed =
        Stats({QStringLiteral("--record"), QStringLiteral("1"), QStringLiteral("--from"),
               QStringLiteral("2024-05-17 08:19:00"), QStringLiteral("--to"), QStringLiteral("2024-05-17 08:10:00")});
    EXPECT_EQ(reversed.code, 1);
    EXPECT_TRUE(reversed.err.contains(QStringLiteral("156: ") + qm::Msg(156)));

    // Nothing in the window: every channel with a count of zero.
    const CliRun empty =
        Stats({QStringLiteral("--record"), QStringLiteral("1"), QStringLiteral("--from"),
               QStringLiteral("2025-01-01 00:00:00"), QStringLiteral("--to"), QStringLiteral("2025-01-02 00:00:00")});
    EXPECT_EQ(empty.code, 0);
    EXPECT_TRUE(empty.err.contains(QStringLiteral("165: ")));
    ASSERT_EQ(empty.out.size(), 3);
    EXPECT_EQ(empty.out.at(1), QStringLiteral("1\t1\t°C\t0\t0\t-\t-\t-\t-\t-\t-\t0\t-\t0\t0\t-\t0"));

    const CliRun unknown = Stats({QStringLiteral("--record"), QStringLiteral("42")});
    EXPECT_EQ(unknown.code, 1);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("123: ") + qm::Msg(123))) << qPrintable(unknown.err);
    EXPECT_TRUE(unknown.out.isEmpty());

    EXPECT_EQ(Stats({}).code, 2);
    EXPECT_EQ(Stats({QStringLiteral("--record"), QStringLiteral("x")}).code, 2);
    EXPECT_EQ(
        Stats({QStringLiteral("--record"), QStringLiteral("1"), QStringLiteral("--from"), QStringLiteral("yesterday")})
            .code,
        2);
}
