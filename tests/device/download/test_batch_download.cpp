// The batch download end to end: several simulated loggers, the three
// phases, the batch note's lines and counts, cancel.
#include "DownloadFixture.h"

#include "CBatchNote.h"
#include "CDownload.h"
#include "Clock.h"
#include "MessageSeam.h"
#include "Strings.h"

#include <QRegularExpression>

using namespace qm::device;
using devtest::DownloadFixture;
using devtest::HistoryLogger;

namespace {

// The batch window's lines of one logger.
QString Starting(const char* sn) { return qm::MsgF(223, {QString::fromLatin1(sn)}); }
QString Stored(const char* sn, int samples) { return qm::MsgF(197, {QString::fromLatin1(sn), QString::number(samples)}); }
QString Failed(const char* sn, const QString& why) { return qm::MsgF(5613, {qm::MsgF(220, {QString::fromLatin1(sn)}), why}); }
// A "stored N samples" line of `sn`, whatever N.
bool AnyStored(const QStringList& lines, const char* sn)
{
    const QString pattern = QRegularExpression::escape(qm::MsgF(197, {QString::fromLatin1(sn), QStringLiteral("NNN")}));
    const QRegularExpression stored(QRegularExpression::anchoredPattern(
        QString(pattern).replace(QStringLiteral("NNN"), QStringLiteral("\\d+"))));
    return !lines.filter(stored).isEmpty();
}

class BatchDownloadTest : public DownloadFixture {
protected:
    void ConnectAll(int count)
    {
        for (int com = 1; com <= count; ++com)
            ASSERT_TRUE(Connect(com));
    }

    qm::MessageScript messages;
    CBatchNote note;
};

TEST_F(BatchDownloadTest, ThreeLoggersOneFailingInPhaseOneGiveTwoRecords)
{
    auto& sim = Start({HistoryLogger("A1B200301", 60), HistoryLogger("A1B200302", 1), HistoryLogger("A1B200303", 30, 1)},
                      {1, 2, 3});
    ConnectAll(3);
    sim.At(1).AddFault({loggersim::FaultKind::Silence});   // gone before the batch starts
    qm::ScopedClock clock(QDateTime(QDate(2026, 3, 4), QTime(10, 11, 12)));

    note.Reset(QStringLiteral("x"), true);
    CDownload batch(QStringLiteral("Lager"));
    ASSERT_EQ(batch.RunBatchDownload(&note), 1);
    EXPECT_TRUE(messages.Numbers().isEmpty());

    const CBatchNote::State s = note.Snapshot();
    EXPECT_EQ(s.title, qm::Msg(219));
    EXPECT_EQ(s.successes, 2);
    EXPECT_EQ(s.failures, 1);
    EXPECT_EQ(s.total, 90);
    EXPECT_EQ(s.done, 90);
    EXPECT_TRUE(s.finished);
    // Phase 1 lines come in any order, phase 2 in any order, 208 last.
    ASSERT_EQ(s.lines.size(), 6);
    EXPECT_EQ(s.lines.first(), Failed("A1B200302", qm::Msg(5604)));
    EXPECT_EQ(s.lines.last(), qm::Msg(208));
    EXPECT_TRUE(s.lines.contains(Starting("A1B200301")));
    EXPECT_TRUE(s.lines.contains(Starting("A1B200303")));
    EXPECT_TRUE(s.lines.contains(Stored("A1B200301", 60)));
    EXPECT_TRUE(s.lines.contains(Stored("A1B200303", 30)));
    EXPECT_FALSE(s.lines.contains(Starting("A1B200302")));   // no further part
    EXPECT_TRUE(s.text.startsWith(qm::Msg(208) + QStringLiteral("\r\n")));

    const auto records = Records();
    ASSERT_EQ(records.size(), 2u);
    for (auto r : records) {
        // Entered text + the finishing time.
        EXPECT_EQ(r[QStringLiteral("name")], QStringLiteral("Lager20260304101112"));
        const QString sn = r[QStringLiteral("SN")];
        const QString table = r[QStringLiteral("hisdata_table")];
        EXPECT_EQ(table, QStringLiteral("h%1_%2").arg(sn).arg(qm::Now().toSecsSinceEpoch()));
        const size_t want = sn == QStringLiteral("A1B200301") ? 60u : 30u;
        EXPECT_EQ(History(LoggerFile(sn), table).size(), want);
        EXPECT_EQ(History(BackupFile(sn), table).size(), want);
        const auto copy = Query(BackupFile(sn), QStringLiteral("select * from recordtime;"));
        ASSERT_EQ(copy.size(), 1u);
        EXPECT_EQ(copy[0].at(QStringLiteral("id")), r[QStringLiteral("id")]);
        const auto config = Query(LoggerFile(sn), QStringLiteral("select * from config;"));
        ASSERT_EQ(config.size(), 1u);
        EXPECT_EQ(config[0].at(QStringLiteral("record_id")), r[QStringLiteral("id")]);
        EXPECT_EQ(config[0].at(QStringLiteral("chan_type")), want == 60u ? QStringLiteral("1;2") : QStringLiteral("1"));
    }
    const auto& r303 = records[0].at(QStringLiteral("SN")) == QStringLiteral("A1B200303") ? records[0] : records[1];
    const auto one = History(LoggerFile(QStringLiteral("A1B200303")), r303.at(QStringLiteral("hisdata_table")));
    ASSERT_FALSE(one.empty());
    EXPECT_EQ(one[0].data, QStringLiteral("21.5"));
    EXPECT_EQ(one[0].chan, QStringLiteral("1"));
    EXPECT_FALSE(QFile::exists(LoggerFile(QStringLiteral("A1B200302"))));
}

TEST_F(BatchDownloadTest, ALoggerWithoutSamplesIsASuccessWithNoTable)
{
    Start({HistoryLogger("A1B200311", 0), HistoryLogger("A1B200312", 5)}, {1, 2});
    ConnectAll(2);
    CDownload batch(QStringLiteral("n"));
    ASSERT_EQ(batch.RunBatchDownload(&note), 1);
    const CBatchNote::State s = note.Snapshot();
    EXPECT_EQ(s.successes, 2);
    EXPECT_EQ(s.failures, 0);
    EXPECT_TRUE(s.lines.contains(Stored("A1B200311", 0)));
    EXPECT_FALSE(s.lines.contains(Starting("A1B200311")));
    EXPECT_EQ(Records().size(), 1u);
    EXPECT_FALSE(QFile::exists(LoggerFile(QStringLiteral("A1B200311"))));
    EXPECT_FALSE(QFile::exists(BackupFile(QStringLiteral("A1B200311"))));
}

TEST_F(BatchDownloadTest, AFaultInTheTransferCostsOnlyThatLogger)
{
    auto& sim = Start({HistoryLogger("A1B200321", 100), HistoryLogger("A1B200322", 100)}, {1, 2});
    ConnectAll(2);
    sim.At(0).AddFault({loggersim::FaultKind::SwapCrc, 0x09, 3, -1, 0});
    CDownload batch(QStringLiteral("n"));
    ASSERT_EQ(batch.RunBatchDownload(&note), 1);
    const CBatchNote::State s = note.Snapshot();
    EXPECT_EQ(s.successes, 1);
    EXPECT_EQ(s.failures, 1);
    EXPECT_EQ(s.done, 200);   // the failed logger's missing samples are made up
    EXPECT_TRUE(s.lines.contains(Failed("A1B200321", qm::Msg(5606))));
    EXPECT_TRUE(s.lines.contains(Stored("A1B200322", 100)));
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].at(QStringLiteral("SN")), QStringLiteral("A1B200322"));
    EXPECT_TRUE(HistoryTables(LoggerFile(QStringLiteral("A1B200321"))).isEmpty());
    EXPECT_TRUE(HistoryTables(BackupFile(QStringLiteral("A1B200321"))).isEmpty());
}

// A logger that delivers fewer samples than it announced in phase 1 gets no
// record: a gap is never registered as a finished download.
TEST_F(BatchDownloadTest, FewerSamplesThanAnnouncedCostThatLoggerItsRecord)
{
    auto& sim = Start({HistoryLogger("A1B200331", 50), HistoryLogger("A1B200332", 20)}, {1, 2});
    ConnectAll(2);
    loggersim::CSimLogger& shrinking = sim.At(0);
    // Between the count read in phase 1 and the transfer, 20 samples go.
    shrinking.SetRequestHook([&shrinking](const loggersim::Bytes& request) {
        if (request.size() > 1 && request[1] == 0x14)
            shrinking.Device().SetHistory(HistoryLogger("A1B200331", 30).history);
    });
    CDownload batch(QStringLiteral("n"));
    ASSERT_EQ(batch.RunBatchDownload(&note), 1);
    const CBatchNote::State s = note.Snapshot();
    EXPECT_EQ(s.successes, 1);
    EXPECT_EQ(s.failures, 1);
    EXPECT_TRUE(s.lines.contains(Failed("A1B200331", qm::MsgF(5607, {QStringLiteral("30"), QStringLiteral("50")}))))
        << qPrintable(s.lines.join(u'|'));
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].at(QStringLiteral("SN")), QStringLiteral("A1B200332"));
    EXPECT_TRUE(HistoryTables(LoggerFile(QStringLiteral("A1B200331"))).isEmpty());
    EXPECT_TRUE(HistoryTables(BackupFile(QStringLiteral("A1B200331"))).isEmpty());
    EXPECT_TRUE(Query(LoggerFile(QStringLiteral("A1B200331")), QStringLiteral("select * from config;")).empty());
}

TEST_F(BatchDownloadTest, CancelStopsEveryLoggerAndClearsEveryTableOfTheBatch)
{
    auto a = HistoryLogger("A1B200331", 3000);
    auto b = HistoryLogger("A1B200332", 3000);
    a.pacing = b.pacing = true;
    auto& sim = Start({a, b}, {1, 2});
    ConnectAll(2);
    // The user confirms Cancel once both transfers are under way.
    std::thread user([this] {
        WaitFor([this] { return note.Snapshot().done >= 200; }, 20000);
        note.RequestCancel();
    });
    CDownload batch(QStringLiteral("n"));
    ASSERT_EQ(batch.RunBatchDownload(&note), 1);
    user.join();
    EXPECT_TRUE(batch.Cancelled());
    EXPECT_LT(sim.At(0).Device().PagesServed() + sim.At(1).Device().PagesServed(), 2 * 3000 / 24);
    EXPECT_TRUE(Records().empty());
    for (const QString& sn : {QStringLiteral("A1B200331"), QStringLiteral("A1B200332")}) {
        EXPECT_TRUE(HistoryTables(LoggerFile(sn)).isEmpty()) << qPrintable(sn);
        EXPECT_TRUE(HistoryTables(BackupFile(sn)).isEmpty()) << qPrintable(sn);
    }
    const CBatchNote::State s = note.Snapshot();
    EXPECT_EQ(s.successes, 0);
    EXPECT_EQ(s.failures, 2);   // each counted once
    for (const char* sn : {"A1B200331", "A1B200332"})
        EXPECT_FALSE(AnyStored(s.lines, sn)) << sn;
}

TEST_F(BatchDownloadTest, LargeTransfersAreWrittenInSeveralBatches)
{
    // About 90 characters per statement: 25,000 samples pass the limit twice.
    Start({HistoryLogger("A1B200341", 25000)}, {1});
    ConnectAll(1);
    CDownload batch(QStringLiteral("n"));
    ASSERT_EQ(batch.RunBatchDownload(&note), 1);
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    const QString table = records[0].at(QStringLiteral("hisdata_table"));
    EXPECT_EQ(History(LoggerFile(QStringLiteral("A1B200341")), table).size(), 25000u);
    EXPECT_EQ(History(BackupFile(QStringLiteral("A1B200341")), table).size(), 25000u);
    EXPECT_EQ(records[0].at(QStringLiteral("time_start")), QStringLiteral("2024-05-17 08:00:00"));
}

TEST_F(BatchDownloadTest, AMissingMainDatabaseStopsTheBatchWith185)
{
    Start({HistoryLogger("A1B200351", 5)}, {1});
    ConnectAll(1);
    ASSERT_TRUE(QFile::rename(qm::DatabasePath(), qm::DatabasePath() + QStringLiteral(".away")));
    CDownload batch(QStringLiteral("n"));
    EXPECT_EQ(batch.RunBatchDownload(&note), 0);
    EXPECT_EQ(messages.LastNumber(), 185);
    EXPECT_FALSE(QFile::exists(LoggerFile(QStringLiteral("A1B200351"))));
}

TEST_F(BatchDownloadTest, ABackupFolderThatCannotBeMadeStopsTheBatchWith260)
{
    Start({HistoryLogger("A1B200361", 5)}, {1});
    ConnectAll(1);
    QFile blocker(Folder() + QStringLiteral("/blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ASSERT_EQ(qm::Settings().WriteIniStr(QStringLiteral("backup"), QStringLiteral("path"),
                                         Folder() + QStringLiteral("/blocker")),
              1);
    CDownload batch(QStringLiteral("n"));
    EXPECT_EQ(batch.RunBatchDownload(&note), 0);
    ASSERT_EQ(messages.Requests().size(), 1);
    EXPECT_EQ(messages.Requests().at(0).number, 260);
    EXPECT_TRUE(messages.Requests().at(0).text.startsWith(qm::Msg(260)));
    EXPECT_TRUE(messages.Requests().at(0).text.contains(Folder() + QStringLiteral("/blocker/")));
    EXPECT_FALSE(QFile::exists(LoggerFile(QStringLiteral("A1B200361"))));
}

} // namespace
