// The single download end to end: a simulated logger, the download and writer
// threads, both files and the main database read back with the program key.
#include "SingleDownloadFixture.h"

#include "Clock.h"
#include "MessageSeam.h"
#include "SingleDownload.h"
#include "Strings.h"

#include <QDir>

#include <atomic>

using namespace qm::device;
using devtest::At;
using devtest::DownloadFixture;
using devtest::Frame;
using devtest::HistoryLogger;
using devtest::DownloadFixture;

namespace {

using SingleDownloadTest = devtest::SingleDownloadFixture;

TEST_F(SingleDownloadTest, RecordInBothFilesWithTheStoredFormats)
{
    auto p = HistoryLogger("A1B200201", 2);
    p.history = loggersim::CHistory::Explicit({
        Frame(At(2024, 5, 17, 13, 45, 9), 21.5, 48.0),
        Frame(At(2024, 5, 17, 13, 46, 9), 30.0, 80.0),    // on the limits: no alarm
        Frame(At(2024, 5, 17, 13, 46, 9), 99.0, 99.0),    // repeated time stamp: ignored
        Frame(At(2024, 5, 17, 13, 47, 9), 30.1, 50.0),    // above
        Frame(At(2024, 5, 17, 13, 48, 9), -25.0, 19.9),   // below, negative
    });
    p.state.cardName = "Kühl 3";
    p.state.recordInterval = {0, 5, 0};
    Start({p}, {1});
    DevicePtr device = Connect(1);
    ASSERT_TRUE(device);
    qm::ScopedClock clock(QDateTime(QDate(2026, 3, 4), QTime(10, 11, 12)));

    ASSERT_TRUE(Run(QStringLiteral("Kühlhaus O'Brien")));
    ASSERT_GT(end.recordId.load(), 0) << end.message.load();
    EXPECT_TRUE(messages.Numbers().isEmpty());
    const QString table = QStringLiteral("hA1B200201_%1").arg(qm::Now().toSecsSinceEpoch());
    EXPECT_EQ(end.table, table);
    EXPECT_EQ(download.LoggerTotal(), 5);   // statements, not stored rows, meet the expected count
    EXPECT_EQ(download.BackupTotal(), 5);
    // The repeated time stamp is stored once and counted in the text log.
    EXPECT_EQ(LogLinesWith(qm::MsgF(5610, {table, QStringLiteral("1"), QStringLiteral("5")})), 1);

    const std::vector<devtest::Row> want = {
        {"2024-05-17 13:45:09", "21.5;48.0", "1;2", 0},
        {"2024-05-17 13:46:09", "30.0;80.0", "1;2", 0},
        {"2024-05-17 13:47:09", "30.1;50.0", "1;2", 1},
        {"2024-05-17 13:48:09", "-25.0;19.9", "1;2", 1},
    };
    EXPECT_TRUE(QFile::exists(BackupFile(device->sn))) << qPrintable(BackupFile(device->sn));
    EXPECT_TRUE(BackupFile(device->sn) == Folder() + QStringLiteral("/backup/2026-03/A1B200201.db3"));
    for (const QString& file : {LoggerFile(device->sn), BackupFile(device->sn)}) {
        const auto rows = History(file, table);
        ASSERT_EQ(rows.size(), want.size()) << qPrintable(file);
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].time, want[i].time);
            EXPECT_EQ(rows[i].data, want[i].data);
            EXPECT_EQ(rows[i].chan, want[i].chan);
            EXPECT_EQ(rows[i].coll, want[i].coll) << qPrintable(rows[i].time);
        }
    }

    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    auto r = records[0];
    EXPECT_EQ(r[QStringLiteral("id")].toInt(), end.recordId.load());
    EXPECT_EQ(r[QStringLiteral("name")], QStringLiteral("Kühlhaus O'Brien"));   // the entered text alone
    EXPECT_EQ(r[QStringLiteral("SN")], QStringLiteral("A1B200201"));
    EXPECT_EQ(r[QStringLiteral("time_start")], QStringLiteral("2024-05-17 13:45:09"));
    EXPECT_EQ(r[QStringLiteral("time_end")], QStringLiteral("2024-05-17 13:48:09"));
    EXPECT_EQ(r[QStringLiteral("hisdata_table")], table);
    EXPECT_EQ(r[QStringLiteral("devname")], device->name);

    const auto copy = Query(BackupFile(device->sn), QStringLiteral("select * from recordtime;"));
    ASSERT_EQ(copy.size(), 1u);
    for (const char* column : {"id", "name", "SN", "time_start", "time_end", "hisdata_table", "devname"})
        EXPECT_EQ(copy[0].at(QString::fromLatin1(column)), r[QString::fromLatin1(column)]) << column;

    for (const QString& file : {LoggerFile(device->sn), BackupFile(device->sn)}) {
        const auto config = Query(file, QStringLiteral("select * from config;"));
        ASSERT_EQ(config.size(), 1u) << qPrintable(file);
        auto c = config[0];
        EXPECT_EQ(c[QStringLiteral("record_id")].toInt(), end.recordId.load());
        EXPECT_EQ(c[QStringLiteral("his_recordinterval")], QStringLiteral("0;5;0"));
        EXPECT_EQ(c[QStringLiteral("chan_type")], QStringLiteral("1;2"));
        EXPECT_EQ(c[QStringLiteral("chan_alarm")], QStringLiteral("0;0"));
        EXPECT_EQ(c[QStringLiteral("chan_Top")], QStringLiteral("30.0;80.0"));
        EXPECT_EQ(c[QStringLiteral("chan_Floor")], QStringLiteral("-10.0;20.0"));
        EXPECT_EQ(c[QStringLiteral("way_startup")].toInt(), device->config.startMode);
        EXPECT_EQ(c[QStringLiteral("way_stop")].toInt(), device->config.stopMode);
        EXPECT_EQ(c[QStringLiteral("time_startup")].size(), 16);
    }
}

TEST_F(SingleDownloadTest, ALoggerWithoutSamplesStopsWith165AndCreatesNothing)
{
    Start({HistoryLogger("A1B200202", 0)}, {1});
    ASSERT_TRUE(Connect(1));
    EXPECT_FALSE(Begin(QStringLiteral("x")));
    EXPECT_EQ(messages.Numbers(), QList<int>{165});
    EXPECT_TRUE(Records().empty());
    EXPECT_FALSE(QFile::exists(LoggerFile(QStringLiteral("A1B200202"))));
}

TEST_F(SingleDownloadTest, NoCurrentDeviceAndAnUnreadableLoggerAreRefused)
{
    DeviceManager().SetCurrentSN(QStringLiteral("A1B209999"));
    EXPECT_FALSE(Begin(QStringLiteral("x")));
    ASSERT_EQ(messages.Requests().size(), 1);
    EXPECT_EQ(messages.Requests().at(0).number, 195);
    EXPECT_EQ(messages.Requests().at(0).text, qm::MsgF(195, {QStringLiteral("A1B209999")}));

    auto& sim = Start({HistoryLogger("A1B200203", 10)}, {1});
    ASSERT_TRUE(Connect(1));
    sim.At(0).AddFault({loggersim::FaultKind::Silence});
    messages.Clear();
    EXPECT_FALSE(Begin(QStringLiteral("x")));
    // Out of reach: said with its port and the reason, not a bare 186.
    EXPECT_EQ(messages.Numbers(), QList<int>{5426});
    const DevicePtr device = DeviceManager().Find(QStringLiteral("A1B200203"));
    ASSERT_TRUE(device);
    EXPECT_EQ(messages.Requests().last().text, qm::MsgF(5426, {QStringLiteral("1"), device->name, qm::Msg(5604)}));
    EXPECT_NE(device->lostFailure, 0);
}

// Faults during the transfer: the download ends with 200, and neither file
// keeps the history table nor any part of a record. A line that drops once
// and comes back is re-opened by the link and the record is whole.
TEST_F(SingleDownloadTest, TransferFaultsLeaveNoRecordAndNoTable)
{
    using loggersim::FaultKind;
    struct Case {
        const char* what;
        std::vector<loggersim::FaultRule> rules;
        bool recovers;
    } cases[] = {
        {"hang-up for good", {{FaultKind::HangUpAfterPages, -1, 1, -1, 2}, {FaultKind::StopAfterPages, -1, 1, -1, 2}},
         false},
        {"silence", {{FaultKind::StopAfterPages, -1, 1, -1, 1}}, false},
        {"swapped crc", {{FaultKind::SwapCrc, 0x09, 3, -1, 0}}, false},
        {"one hang-up", {{FaultKind::HangUpAfterPages, -1, 1, -1, 2}}, true},
    };
    int com = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString sn = QStringLiteral("A1B20021%1").arg(com);
        auto& sim = Start({HistoryLogger(sn.toStdString(), 200)}, {com});
        ASSERT_TRUE(Connect(com));
        for (const auto& rule : c.rules)
            sim.At(0).AddFault(rule);
        end.done = false;
        end.message = -1;
        end.recordId = 0;
        messages.Clear();
        ASSERT_TRUE(Run(QStringLiteral("fault")));
        if (c.recovers) {
            EXPECT_GT(end.recordId.load(), 0);
            EXPECT_EQ(History(LoggerFile(sn), end.table).size(), 200u);
            EXPECT_EQ(History(BackupFile(sn), end.table).size(), 200u);
        } else {
            EXPECT_EQ(end.message.load(), 200);
            EXPECT_EQ(end.recordId.load(), 0);
            EXPECT_GT(download.Received(), 0);
            EXPECT_LT(download.Received(), 200);
            ExpectNothingLeft(sn);
        }
        DeviceManager().Clear();
        ++com;
    }
}

TEST_F(SingleDownloadTest, CancelStopsTheLoggerAndDiscardsTheTables)
{
    auto p = HistoryLogger("A1B200221", 2000);
    p.pacing = true;   // about a second and a half on the line
    auto& sim = Start({p}, {1});
    ASSERT_TRUE(Connect(1));
    ASSERT_TRUE(Begin(QStringLiteral("cancelled")));
    const QString table = download.Table();
    ASSERT_TRUE(WaitFor([this] { return download.Received() >= 100; }));
    EXPECT_EQ(HistoryTables(LoggerFile(QStringLiteral("A1B200221"))), QStringList{table});

    EXPECT_TRUE(download.Cancel());
    ASSERT_TRUE(download.WaitIdle(10000));
    EXPECT_FALSE(end.done.load());   // a cancel is no failure: no message due
    EXPECT_LT(sim.At(0).Device().PagesServed(), 2000 / 24);
    ExpectNothingLeft(QStringLiteral("A1B200221"));
    EXPECT_TRUE(messages.Numbers().isEmpty());

    // The threads stay and serve the next download.
    sim.At(0).SetPacing(false);
    qm::ScopedClock later(qm::Now().addSecs(5));
    ASSERT_TRUE(Run(QStringLiteral("again")));
    EXPECT_GT(end.recordId.load(), 0);
    EXPECT_EQ(History(LoggerFile(QStringLiteral("A1B200221")), end.table).size(), 2000u);
}

TEST_F(SingleDownloadTest, TheWriterFlushesWhileTheTransferRuns)
{
    auto p = HistoryLogger("A1B200231", 1200);
    p.pacing = true;
    Start({p}, {1});
    ASSERT_TRUE(Connect(1));
    download.SetFlushInterval(20);
    ASSERT_TRUE(Begin(QStringLiteral("flushing")));
    ASSERT_TRUE(WaitFor([this] { return download.LoggerTotal() > 0 || end.done; }));
    EXPECT_LT(download.Received(), 1200);   // written before the transfer ended
    ASSERT_TRUE(WaitFor([this] { return end.done.load(); }));
    EXPECT_GT(end.recordId.load(), 0);
    EXPECT_EQ(download.LoggerTotal(), 1200);
    EXPECT_EQ(download.BackupTotal(), 1200);
}

TEST_F(SingleDownloadTest, ASampleWithAnImpossibleTimeIsDroppedAndTheRecordFinishes)
{
    auto p = HistoryLogger("A1B200241", 0);
    p.history = loggersim::CHistory::Explicit({
        Frame(At(2024, 5, 17, 13, 45, 9), 21.5, 48.0),
        Frame(At(2024, 13, 17, 13, 46, 9), 22.0, 48.0),
        Frame(At(2024, 5, 17, 13, 47, 9), 22.5, 48.0),
    });
    Start({p}, {1});
    ASSERT_TRUE(Connect(1));
    ASSERT_TRUE(Run(QStringLiteral("gap")));
    ASSERT_GT(end.recordId.load(), 0);
    EXPECT_EQ(History(LoggerFile(QStringLiteral("A1B200241")), end.table).size(), 2u);
}

} // namespace

namespace {

class SingleDownloadFolders : public SingleDownloadTest {};

TEST_F(SingleDownloadFolders, FoldersAndFilesThatCannotBeMadeStopBeforeAnyTable)
{
    Start({HistoryLogger("A1B200251", 10)}, {1});
    ASSERT_TRUE(Connect(1));

    // A plain file where the backup folder should be.
    QFile blocker(Folder() + QStringLiteral("/blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ASSERT_EQ(qm::Settings().WriteIniStr(QStringLiteral("backup"), QStringLiteral("path"),
                                         Folder() + QStringLiteral("/blocker/backup")),
              1);
    EXPECT_FALSE(Begin(QStringLiteral("x")));
    ASSERT_EQ(messages.Requests().size(), 1);
    EXPECT_EQ(messages.Requests().at(0).number, 110);
    EXPECT_TRUE(messages.Requests().at(0).text.endsWith(Folder() + QStringLiteral("/blocker/backup")));
    EXPECT_TRUE(HistoryTables(LoggerFile(QStringLiteral("A1B200251"))).isEmpty());

    // A folder where the logger's database should be.
    ASSERT_EQ(qm::Settings().WriteIniStr(QStringLiteral("backup"), QStringLiteral("path"),
                                         Folder() + QStringLiteral("/backup")),
              1);
    QFile::remove(LoggerFile(QStringLiteral("A1B200251")));
    ASSERT_TRUE(QDir().mkpath(LoggerFile(QStringLiteral("A1B200251"))));
    messages.Clear();
    EXPECT_FALSE(Begin(QStringLiteral("x")));
    EXPECT_EQ(messages.LastNumber(), 185);
    EXPECT_TRUE(messages.Requests().last().text.contains(LoggerFile(QStringLiteral("A1B200251"))));
    EXPECT_TRUE(Records().empty());

    // No main database: the progress dialog's connection fails first.
    ASSERT_TRUE(QDir(LoggerFile(QStringLiteral("A1B200251"))).removeRecursively());
    ASSERT_TRUE(QFile::rename(qm::DatabasePath(), qm::DatabasePath() + QStringLiteral(".away")));
    messages.Clear();
    EXPECT_FALSE(Begin(QStringLiteral("x")));
    EXPECT_EQ(messages.LastNumber(), 185);
    EXPECT_TRUE(messages.Requests().last().text.contains(qm::DatabasePath()));
    EXPECT_FALSE(QFile::exists(LoggerFile(QStringLiteral("A1B200251"))));
}

} // namespace

namespace {

// The logger delivers fewer samples than it announced: no record with a gap,
// and no dialog waiting for samples that never come.
TEST_F(SingleDownloadTest, FewerSamplesThanAnnouncedEndWith200)
{
    auto& sim = Start({HistoryLogger("A1B200261", 50)}, {1});
    ASSERT_TRUE(Connect(1));
    BasicConfig basic{};
    DevicePtr device = download.CheckDevice(DeviceManager(), &basic);
    ASSERT_TRUE(device);
    ASSERT_TRUE(download.Prepare(device, basic, QStringLiteral("short")));
    sim.At(0).Device().SetHistory(HistoryLogger("A1B200261", 30).history);
    download.Start(EndEvents());
    ASSERT_TRUE(WaitFor([this] { return end.done.load(); }));
    EXPECT_EQ(end.message.load(), 200);
    EXPECT_EQ(end.why.load(), 5607);   // told: fewer samples than announced
    EXPECT_EQ(download.Received(), 30);
    ExpectNothingLeft(QStringLiteral("A1B200261"));
}

// A registration that fails half-way takes back the rows it wrote.
TEST_F(DownloadFixture, AFailedRegistrationLeavesNoPartOfTheRecord)
{
    const QString sn = QStringLiteral("A1B200271");
    const QString month = qm::device::CurrentBackupMonthFolder();
    ASSERT_TRUE(QDir().mkpath(month));
    RecordFiles files;
    ASSERT_EQ(OpenRecordFiles(sn, month, 1700000000, false, &files), FilesResult::Ok);
    ASSERT_GE(files.logger->ExeSql(QStringLiteral("insert into '%1' values('2024-05-17 08:00:00','1.0','1',0);")
                                       .arg(files.table)),
              0);
    RecordInfo record;
    record.name = QStringLiteral("half");
    record.sn = sn;
    record.channelCount = 1;
    auto datainfo = Open(qm::DatabasePath());
    ASSERT_TRUE(datainfo);

    // The backup copy has lost its config table: step five fails there.
    ASSERT_GE(files.backup->ExeSql(QStringLiteral("drop table config;")), 0);
    EXPECT_EQ(FinishDownload(*datainfo, files, record), 0);
    EXPECT_TRUE(Records().empty());
    EXPECT_TRUE(Query(files.backupPath, QStringLiteral("select * from recordtime;")).empty());
    EXPECT_TRUE(Query(files.loggerPath, QStringLiteral("select * from config;")).empty());

    // An empty history table is no record either.
    ASSERT_EQ(qm::store::CreateConfigTable(*files.backup), 1);
    ASSERT_GE(files.logger->ExeSql(QStringLiteral("delete from '%1';").arg(files.table)), 0);
    EXPECT_EQ(FinishDownload(*datainfo, files, record), 0);
    EXPECT_TRUE(Records().empty());

    // Whole once every table is there.
    ASSERT_GE(files.logger->ExeSql(QStringLiteral("insert into '%1' values('2024-05-17 08:00:00','1.0','1',0);")
                                       .arg(files.table)),
              0);
    const int id = FinishDownload(*datainfo, files, record);
    EXPECT_GT(id, 0);
    EXPECT_EQ(Records().size(), 1u);
    DiscardDownload(files);
    EXPECT_TRUE(HistoryTables(files.loggerPath).isEmpty());
    EXPECT_TRUE(HistoryTables(files.backupPath).isEmpty());
}

} // namespace
