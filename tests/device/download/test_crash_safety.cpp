// A download killed at any moment (kill -9, power loss) leaves no record
// without its configuration, and the next download of that logger or the next
// start of the program clears away its history tables, in the logger file and
// in the month backup copy, while the files of a download still running in
// another process stay untouched, and tables without a record that no
// download left (merged in, or older than a restored main database) stay.
#include "SingleDownloadFixture.h"

#include "DownloadRepair.h"
#include "PendingTables.h"
#include "Schema.h"
#include "Strings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include <signal.h>

using devtest::HistoryLogger;

namespace {

class CrashSafetyTest : public devtest::SingleDownloadFixture {
protected:
    void TearDown() override
    {
        for (auto& p : m_live)
            StopHelper(*p);
        devtest::SingleDownloadFixture::TearDown();
    }

    // Starts download_steps for `sn` and waits until it reports `step`.
    std::unique_ptr<QProcess> StartHelper(const QString& sn, const QString& step)
    {
        auto p = std::make_unique<QProcess>();
        p->start(QCoreApplication::applicationDirPath() + QStringLiteral("/download_steps"),
                 {Folder(), sn, QStringLiteral("40"), step});
        const QByteArray want = "at " + step.toLatin1();
        QByteArray out;
        QElapsedTimer timer;
        timer.start();
        while (!out.contains(want) && timer.elapsed() < 30000 && p->state() != QProcess::NotRunning) {
            p->waitForReadyRead(100);
            out += p->readAllStandardOutput();
        }
        EXPECT_TRUE(out.contains(want)) << out.constData() << p->readAllStandardError().constData();
        return p;
    }
    static void StopHelper(QProcess& p)
    {
        if (p.state() != QProcess::NotRunning) {
            ::kill(pid_t(p.processId()), SIGKILL);
            p.waitForFinished(10000);
        }
    }
    // A download of `sn` killed at `step`, as a crash would end it.
    void KillAt(const QString& sn, const QString& step)
    {
        auto p = StartHelper(sn, step);
        StopHelper(*p);
    }
    // A download of `sn` at `step` that keeps running (and its locks held).
    void LiveAt(const QString& sn, const QString& step) { m_live.push_back(StartHelper(sn, step)); }

    QStringList ConfigIds(const QString& file)
    {
        QStringList ids;
        for (auto& r : Query(file, QStringLiteral("select record_id from config order by record_id;")))
            ids << r.at(QStringLiteral("record_id"));
        return ids;
    }
    QStringList RecordTables()
    {
        QStringList tables;
        for (auto& r : Records())
            tables << r.at(QStringLiteral("hisdata_table"));
        tables.sort();
        return tables;
    }

    std::vector<std::unique_ptr<QProcess>> m_live;
};

TEST_F(CrashSafetyTest, AKilledDownloadLeavesNoHalfRecordAndTheNextDownloadClearsUp)
{
    const QString sn = QStringLiteral("A1B200701");
    Start({HistoryLogger(sn.toStdString(), 30)}, {1});
    ASSERT_TRUE(Connect(1));

    // Killed with its table made, with its samples written, and inside the
    // registration's transaction: no record at all, not even in part, only
    // a history table in both files that the next download clears away.
    for (const QString& step : {QStringLiteral("tables"), QStringLiteral("samples"), QStringLiteral("commit")}) {
        SCOPED_TRACE(qPrintable(step));
        KillAt(sn, step);
        EXPECT_TRUE(Records().empty());
        EXPECT_TRUE(ConfigIds(LoggerFile(sn)).isEmpty());
        EXPECT_TRUE(ConfigIds(BackupFile(sn)).isEmpty());
        EXPECT_TRUE(Query(BackupFile(sn), QStringLiteral("select * from recordtime;")).empty());
        EXPECT_EQ(HistoryTables(LoggerFile(sn)).size(), 1);
        EXPECT_EQ(HistoryTables(BackupFile(sn)).size(), 1);
    }
    // Killed after its registration, before it let go of its files: the
    // record is whole and must survive every repair.
    KillAt(sn, QStringLiteral("registered"));
    ASSERT_EQ(Records().size(), 1u);
    const QString kept = RecordTables().value(0);
    const QString keptId = Records()[0].at(QStringLiteral("id"));
    EXPECT_EQ(ConfigIds(LoggerFile(sn)), QStringList{keptId});
    EXPECT_EQ(ConfigIds(BackupFile(sn)), QStringList{keptId});
    EXPECT_EQ(HistoryTables(LoggerFile(sn)), QStringList{kept});
    EXPECT_EQ(HistoryTables(BackupFile(sn)), QStringList{kept});
    // One more killed download, and config rows naming no record (as a
    // logger file merged in before its main database brings them).
    KillAt(sn, QStringLiteral("samples"));
    EXPECT_EQ(HistoryTables(LoggerFile(sn)).size(), 2);
    for (const QString& file : {LoggerFile(sn), BackupFile(sn)}) {
        auto db = Open(file);
        ASSERT_TRUE(db);
        ASSERT_GE(db->ExeSql(QStringLiteral("insert into config (chan_type, record_id) values('1;2', 999);")), 0);
    }

    ASSERT_TRUE(Run(QStringLiteral("next")));
    ASSERT_GT(end.recordId.load(), 0);
    const QStringList tables = RecordTables();
    ASSERT_EQ(tables.size(), 2);
    EXPECT_TRUE(tables.contains(kept));
    for (const QString& file : {LoggerFile(sn), BackupFile(sn)}) {
        SCOPED_TRACE(qPrintable(file));
        EXPECT_EQ(HistoryTables(file), tables);
        // No download leaves a config row behind, so none is judged.
        EXPECT_EQ(ConfigIds(file), (QStringList{keptId, QString::number(end.recordId.load()), QStringLiteral("999")}));
        EXPECT_EQ(History(file, kept).size(), 40u);
        // Four killed downloads' tables, each a repair; the lists are done with.
        EXPECT_EQ(LogLinesWith(file), 4) << qPrintable(TextLog().join(u'\n'));
        EXPECT_FALSE(QFileInfo::exists(qm::store::PendingTablesPath(file)));
    }
}

TEST_F(CrashSafetyTest, TablesThatNoDownloadLeftAreNeverJudged)
{
    const QString sn = QStringLiteral("A1B200731");
    Start({HistoryLogger(sn.toStdString(), 30)}, {1});
    ASSERT_TRUE(Connect(1));
    ASSERT_TRUE(Run(QStringLiteral("first")));
    // A history table with samples but no record yet, as a logger file
    // imported before its main database holds it.
    const QString merged = QStringLiteral("h%1_1600000000").arg(sn);
    for (const QString& file : {LoggerFile(sn), BackupFile(sn)}) {
        auto db = Open(file);
        ASSERT_TRUE(db);
        ASSERT_GE(db->ExeSql(qm::store::HistoryCreateSql(merged) + u';'), 0);
        ASSERT_GE(db->ExeSql(qm::store::HistoryInsertSql(merged, QStringLiteral("2020-9-13 12:26:40"),
                                                          QStringLiteral("21.5"), QStringLiteral("1"), 0)),
                  0);
    }
    KillAt(sn, QStringLiteral("samples"));

    EXPECT_EQ(qm::device::RepairRecordFilesAtStart(QStringLiteral("test")), 2);
    ASSERT_TRUE(Run(QStringLiteral("second")));
    for (const QString& file : {LoggerFile(sn), BackupFile(sn)}) {
        SCOPED_TRACE(qPrintable(file));
        EXPECT_EQ(HistoryTables(file).size(), 3);
        EXPECT_TRUE(HistoryTables(file).contains(merged));
        EXPECT_EQ(History(file, merged).size(), 1u);
    }
}

TEST_F(CrashSafetyTest, TheStartClearsWhatKilledDownloadsLeftButNotARunningOne)
{
    const QString killed = QStringLiteral("A1B200711");
    const QString running = QStringLiteral("A1B200712");
    KillAt(killed, QStringLiteral("samples"));
    LiveAt(running, QStringLiteral("samples"));
    ASSERT_EQ(HistoryTables(LoggerFile(killed)).size(), 1);
    ASSERT_EQ(HistoryTables(LoggerFile(running)).size(), 1);

    // The window and the cli may run at once: the other process's download
    // keeps its table, the killed one's goes from both files.
    EXPECT_EQ(qm::device::RepairRecordFilesAtStart(QStringLiteral("test")), 2);
    EXPECT_TRUE(HistoryTables(LoggerFile(killed)).isEmpty());
    EXPECT_TRUE(HistoryTables(BackupFile(killed)).isEmpty());
    EXPECT_EQ(HistoryTables(LoggerFile(running)).size(), 1);
    EXPECT_EQ(HistoryTables(BackupFile(running)).size(), 1);

    // Once it has died, its table is an orphan like any other.
    StopHelper(*m_live.back());
    EXPECT_EQ(qm::device::RepairRecordFilesAtStart(QStringLiteral("test")), 2);
    EXPECT_TRUE(HistoryTables(LoggerFile(running)).isEmpty());
    EXPECT_TRUE(HistoryTables(BackupFile(running)).isEmpty());
    EXPECT_EQ(qm::device::RepairRecordFilesAtStart(QStringLiteral("test")), 0);
    EXPECT_TRUE(Records().empty());
}

// A repair needs the main database's records: without them every table would
// look like an orphan, so nothing is touched.
TEST_F(CrashSafetyTest, NoRepairWithoutTheMainDatabase)
{
    const QString sn = QStringLiteral("A1B200721");
    KillAt(sn, QStringLiteral("samples"));
    ASSERT_TRUE(QFile::rename(qm::DatabasePath(), qm::DatabasePath() + QStringLiteral(".away")));
    EXPECT_EQ(qm::device::RepairRecordFilesAtStart(QStringLiteral("test")), 0);
    EXPECT_EQ(HistoryTables(LoggerFile(sn)).size(), 1);
    ASSERT_TRUE(QFile::rename(qm::DatabasePath() + QStringLiteral(".away"), qm::DatabasePath()));
}

} // namespace
