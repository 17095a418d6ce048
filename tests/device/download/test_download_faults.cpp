// A download that meets a misbehaving logger stores every sample the logger
// holds, or stores nothing and says why: late, damaged and doubled replies
// end to end, through the link, the writer and the registration, with the
// stored rows read back from both files.
#include "SingleDownloadFixture.h"

#include "Clock.h"
#include "Strings.h"

#include <QDir>

using devtest::HistoryLogger;
using loggersim::FaultKind;
using loggersim::FaultRule;

namespace {

class DownloadFaultTest : public devtest::SingleDownloadFixture {
protected:
    // A two-channel logger `sn` with `count` samples a minute apart on COM<com>,
    // connected and current, with `faults` added after the connect.
    loggersim::CSimLogger& StartLogger(const QString& sn, int64_t count, const std::vector<FaultRule>& faults,
                                      int com = 1, bool paced = false)
    {
        auto p = HistoryLogger(sn.toStdString(), count);
        p.pacing = paced;
        auto& logger = Start({p}, {com}).At(0);
        EXPECT_TRUE(Connect(com));
        for (const FaultRule& f : faults)
            logger.AddFault(f);
        return logger;
    }

    // The record is whole: `count` samples a minute apart from 08:00 in both
    // files, each time once, and its rows in the main database and the copy.
    void ExpectWholeRecord(const QString& sn, int count)
    {
        ASSERT_GT(end.recordId.load(), 0) << "message " << end.message.load() << " reason " << end.why.load();
        for (const QString& file : {LoggerFile(sn), BackupFile(sn)}) {
            const auto rows = History(file, end.table);
            ASSERT_EQ(rows.size(), size_t(count)) << qPrintable(file);
            for (int i = 0; i < count; i += count / 7 + 1)
                EXPECT_EQ(rows[size_t(i)].time,
                          QDateTime(QDate(2024, 5, 17), QTime(8, 0)).addSecs(60LL * i).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
            EXPECT_EQ(rows.back().time,
                      QDateTime(QDate(2024, 5, 17), QTime(8, 0)).addSecs(60LL * (count - 1)).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        }
        const auto config = Query(LoggerFile(sn), QStringLiteral("select record_id from config;"));
        ASSERT_EQ(config.size(), 1u);
        EXPECT_EQ(config[0].at(QStringLiteral("record_id")).toInt(), end.recordId.load());
    }
};

// The case that once stored 2,976 of 3,000 samples and reported success: one
// page answered 500 ms late with the usual 300 ms interval.
TEST_F(DownloadFaultTest, OnePageLateStoresEverySample)
{
    SetCom(1, QString(), -1, 300);
    StartLogger(QStringLiteral("A1B200601"), 3000, {FaultRule{FaultKind::LatePage, -1, 5, 1, 500}});
    ASSERT_TRUE(Run(QStringLiteral("late")));
    ExpectWholeRecord(QStringLiteral("A1B200601"), 3000);
    EXPECT_TRUE(messages.Numbers().isEmpty());
    // No repeated time stamps either (5610, the line that counts them).
    EXPECT_EQ(LogLinesWith(qm::Msg(5610).section(QStringLiteral("%s"), 2, 2)), 0);
}

// Every page later than the interval (but within two): slower, and whole.
TEST_F(DownloadFaultTest, EveryPageLateIsASlowerCompleteDownload)
{
    SetCom(1, QString(), -1, 100);
    StartLogger(QStringLiteral("A1B200611"), 240, {FaultRule{FaultKind::LatePage, -1, 1, -1, 130}});
    ASSERT_TRUE(Run(QStringLiteral("slow")));
    ExpectWholeRecord(QStringLiteral("A1B200611"), 240);
}

// One noisy page no longer fails the whole download: a reply that fails its
// checks is asked for again within the attempts.
TEST_F(DownloadFaultTest, DamagedAndDoubledRepliesAreAskedForAgainIntoAWholeRecord)
{
    struct Case {
        const char* what;
        FaultRule rule;
        bool paced;
    } cases[] = {
        {"crc", {FaultKind::SwapCrc, 0x09, 4, 1, 0}, false},
        {"truncated", {FaultKind::Truncate, 0x09, 4, 1, 120}, false},
        {"over-long", {FaultKind::Extra, 0x09, 4, 1, 2}, false},
        {"short with a valid crc", {FaultKind::ShortValid, 0x09, 4, 1, 20}, false},
        {"doubled", {FaultKind::Double, 0x09, 4, -1, 20}, true},
    };
    int com = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString sn = QStringLiteral("A1B20062%1").arg(com);
        StartLogger(sn, 200, {c.rule}, com, c.paced);
        ResetEnd();
        ASSERT_TRUE(Run(QStringLiteral("noisy")));
        ExpectWholeRecord(sn, 200);
        DeviceManager().Clear();
        ++com;
    }
}

// A download that cannot get every sample stores none and says why after 200.
TEST_F(DownloadFaultTest, AFailedDownloadStoresNothingAndSaysWhy)
{
    struct Case {
        const char* what;
        std::vector<FaultRule> rules;
        int interval;
        int reason;
    } cases[] = {
        {"silent", {{FaultKind::StopAfterPages, -1, 1, -1, 2}}, 60, 5604},
        {"too slow", {{FaultKind::LatePage, -1, 3, -1, 250}}, 100, 5605},
        {"damaged", {{FaultKind::ShortValid, 0x09, 4, -1, 20}}, 60, 5606},
    };
    int com = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString sn = QStringLiteral("A1B20063%1").arg(com);
        SetCom(1, QString(), -1, c.interval);
        StartLogger(sn, 200, c.rules, com);
        ResetEnd();
        messages.Clear();
        ASSERT_TRUE(Run(QStringLiteral("fails")));
        EXPECT_EQ(end.message.load(), 200);
        EXPECT_EQ(end.why.load(), c.reason);
        ExpectNothingLeft(sn);
        DeviceManager().Clear();
        ++com;
    }
}

// The logger goes away for good during the transfer (its line and its port
// link are gone): no record, and the reason says so.
TEST_F(DownloadFaultTest, ALoggerThatGoesAwayEndsTheDownloadAsGone)
{
    auto p = HistoryLogger("A1B200641", 2000);
    p.pacing = true;
    // Above the numbers the machine's own serial devices take once the link is gone.
    auto& sim = Start({p}, {40});
    ASSERT_TRUE(Connect(40));
    ASSERT_TRUE(Begin(QStringLiteral("gone")));
    ASSERT_TRUE(WaitFor([this] { return download.Received() >= 48; }));
    sim.At(0).Stop();
    ASSERT_TRUE(WaitFor([this] { return end.done.load(); }));
    EXPECT_EQ(end.message.load(), 200);
    EXPECT_EQ(end.why.load(), 5608);
    ExpectNothingLeft(QStringLiteral("A1B200641"));
}

// Samples that cannot be written: no record, and the database is named as why.
TEST_F(DownloadFaultTest, SamplesThatCannotBeWrittenEndAsADatabaseFault)
{
    StartLogger(QStringLiteral("A1B200651"), 100, {});
    BasicConfig basic{};
    DevicePtr device = download.CheckDevice(DeviceManager(), &basic);
    ASSERT_TRUE(device);
    ASSERT_TRUE(download.Prepare(device, basic, QStringLiteral("unwritable")));
    // The copy's table goes before the first sample is written.
    {
        auto copy = Open(BackupFile(QStringLiteral("A1B200651")));
        ASSERT_TRUE(copy);
        ASSERT_GE(copy->ExeSql(QStringLiteral("drop table '%1';").arg(download.Table())), 0);
    }
    download.Start(EndEvents());
    ASSERT_TRUE(WaitFor([this] { return end.done.load(); }));
    EXPECT_EQ(end.message.load(), 200);
    EXPECT_EQ(end.why.load(), 5609);
    ExpectNothingLeft(QStringLiteral("A1B200651"));
}

// Two downloads of one logger within one second: two records, two tables.
TEST_F(DownloadFaultTest, TwoDownloadsInOneSecondGetTheirOwnTables)
{
    StartLogger(QStringLiteral("A1B200671"), 30, {});
    qm::ScopedClock clock(QDateTime(QDate(2026, 3, 4), QTime(10, 11, 12)));
    const qint64 second = qm::Now().toSecsSinceEpoch();
    ASSERT_TRUE(Run(QStringLiteral("first")));
    const QString first = end.table;
    ResetEnd();
    ASSERT_TRUE(Run(QStringLiteral("second")));
    EXPECT_EQ(first, QStringLiteral("hA1B200671_%1").arg(second));
    EXPECT_EQ(end.table, QStringLiteral("hA1B200671_%1").arg(second + 1));
    const auto records = Records();
    ASSERT_EQ(records.size(), 2u);
    for (const auto& r : records)
        for (const QString& file : {LoggerFile(QStringLiteral("A1B200671")), BackupFile(QStringLiteral("A1B200671"))})
            EXPECT_EQ(History(file, r.at(QStringLiteral("hisdata_table"))).size(), 30u);
    EXPECT_EQ(Query(LoggerFile(QStringLiteral("A1B200671")), QStringLiteral("select * from config;")).size(), 2u);
}

} // namespace
