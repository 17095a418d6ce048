// Copies of the database folder: complete, keyed, consistent while written,
// and never a truncated file in place of a good one.
#include "Backup.h"
#include "DBSqlite3.h"
#include "OpenDatabase.h"
#include "Schema.h"
#include "StoreIoFixture.h"
#include "StoreSeams.h"

#include "Strings.h"

#include <QDir>
#include <QFile>
#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

using namespace qm::store;
using storetest::Station;

namespace {

const QString kSn = QStringLiteral("SN0000001");
const QString kTable = QStringLiteral("hSN0000001_1700000000");

class BackupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetProgramLogWriter([](const QString&, const QString&) {});
        program.AddRecord(kSn, kTable, {{QStringLiteral("2024-01-01 00:00:00"), QStringLiteral("20.5;40.0")}});
        database = DatabaseFolderIn(program.Path());
    }
    void TearDown() override { SetProgramLogWriter({}); }

    QStringList CopyRows(const QString& file, const QString& sql) const
    {
        QStringList rows;
        storetest::RawExec(file, storetest::ProgramKey(), sql, &rows);
        return rows;
    }

    Station program;
    storetest::ScratchFolder target;
    QString database;
};

} // namespace

TEST_F(BackupTest, TheCloseBackupGoesToTheMonthFolderAndOpens)
{
    // A journal and a stray file beside the databases.
    storetest::WriteFile(database + QStringLiteral("/DATAINFO.db3-journal"), QByteArray());
    storetest::WriteFile(database + QStringLiteral("/readme.txt"), "notes");
    const QString backupFolder = target.File(QStringLiteral("data_backup"));

    const BackupResult result = AutomaticBackup(database, backupFolder, QDate(2024, 3, 9));
    EXPECT_EQ(result.outcome, BackupOutcome::Copied);
    EXPECT_EQ(result.folder, backupFolder + QStringLiteral("/2024-03/database"));
    EXPECT_EQ(result.copied, 3);
    EXPECT_EQ(AutomaticBackupLogText(result), qm::Msg(295));

    const QString copy = result.folder;
    EXPECT_EQ(QDir(copy).entryList(QDir::Files, QDir::Name),
              QStringList({QStringLiteral("DATAINFO.db3"), kSn + QStringLiteral(".db3"), QStringLiteral("readme.txt")}));
    // The copies open under the key like the originals.
    EXPECT_EQ(CopyRows(copy + QStringLiteral("/DATAINFO.db3"), QStringLiteral("select user_name from userinfo;")),
              QStringList({QStringLiteral("admin")}));
    EXPECT_EQ(CopyRows(copy + u'/' + kSn + QStringLiteral(".db3"), QStringLiteral("select his_data from %1;").arg(kTable)),
              QStringList({QStringLiteral("20.5;40.0")}));
    EXPECT_FALSE(storetest::HasPlainHeader(copy + QStringLiteral("/DATAINFO.db3")));
    auto opened = OpenDatabase(nullptr, copy + QStringLiteral("/DATAINFO.db3"), 0, 0, 0);
    ASSERT_TRUE(opened);
    EXPECT_NE(opened->ExeSql(QStringLiteral("select * from recordtime;")), -1);

    // The next close of the month replaces the copies.
    program.AddRecord(kSn, QStringLiteral("hSN0000001_1700000100"), {{QStringLiteral("2024-01-02 00:00:00"), QStringLiteral("1.0")}});
    EXPECT_EQ(AutomaticBackup(database, backupFolder, QDate(2024, 3, 30)).outcome, BackupOutcome::Copied);
    EXPECT_EQ(CopyRows(copy + QStringLiteral("/DATAINFO.db3"), QStringLiteral("select count(*) from recordtime;")),
              QStringList({QStringLiteral("2")}));
    EXPECT_TRUE(QDir(copy).entryList({QStringLiteral("*.part*")}, QDir::Files).isEmpty());
}

TEST_F(BackupTest, AFolderThatCannotBeMadeIsToldWithTheFolder)
{
    // A file where the backup folder should be.
    const QString blocked = target.File(QStringLiteral("data_backup"));
    storetest::WriteFile(blocked, "in the way");
    const BackupResult result = AutomaticBackup(database, blocked, QDate(2024, 3, 9));
    EXPECT_EQ(result.outcome, BackupOutcome::NoFolder);
    EXPECT_EQ(AutomaticBackupLogText(result), qm::MsgF(110, {blocked}));
}

TEST_F(BackupTest, TheManualBackupAsksBeforeReplacing)
{
    ASSERT_EQ(CopyDatabaseFolder(database, target.Path()).outcome, BackupOutcome::Copied);
    const QString copy = target.File(QStringLiteral("database"));
    const QString copiedLogger = copy + u'/' + kSn + QStringLiteral(".db3");
    storetest::WriteFile(copiedLogger, "an older copy");

    EXPECT_EQ(FilesABackupReplaces(database, target.Path()),
              QStringList({copy + QStringLiteral("/DATAINFO.db3"), copiedLogger}));

    // No for the first file keeps it; the second is replaced.
    QStringList asked;
    QList<OverwriteAnswer> answers{OverwriteAnswer::No, OverwriteAnswer::Yes};
    BackupCallbacks callbacks;
    callbacks.askOverwrite = [&](const QString& file) {
        asked << QFileInfo(file).fileName();
        return answers.takeFirst();
    };
    BackupResult result = CopyDatabaseFolder(database, target.Path(), callbacks);
    EXPECT_EQ(result.outcome, BackupOutcome::Copied);
    EXPECT_EQ(asked, QStringList({QStringLiteral("DATAINFO.db3"), kSn + QStringLiteral(".db3")}));
    EXPECT_EQ(CopyRows(copiedLogger, QStringLiteral("select count(*) from %1;").arg(kTable)), QStringList({"1"}));
    EXPECT_EQ(ManualBackupMessage(result), 124);
    EXPECT_EQ(ManualBackupLogText(result), qm::Msg(285) + qm::Msg(295));

    // Yes to all asks once; Cancel aborts.
    asked.clear();
    answers = {OverwriteAnswer::YesToAll};
    EXPECT_EQ(CopyDatabaseFolder(database, target.Path(), callbacks).outcome, BackupOutcome::Copied);
    EXPECT_EQ(asked.size(), 1);
    answers = {OverwriteAnswer::Cancel};
    result = CopyDatabaseFolder(database, target.Path(), callbacks);
    EXPECT_EQ(result.outcome, BackupOutcome::Aborted);
    EXPECT_EQ(ManualBackupMessage(result), 247);
}

TEST_F(BackupTest, AFileThatCannotBeWrittenKeepsItsGoodCopy)
{
    ASSERT_EQ(CopyDatabaseFolder(database, target.Path()).outcome, BackupOutcome::Copied);
    const QString copiedLogger = target.File(QStringLiteral("database/") + kSn + QStringLiteral(".db3"));
    const QByteArray good = storetest::FileBytes(copiedLogger);
    program.AddRecord(kSn, QStringLiteral("hSN0000001_1700000100"), {{QStringLiteral("2024-01-02 00:00:00"), QStringLiteral("1.0")}});
    // The temporary name is taken by a folder: this file's copy cannot be written.
    QDir().mkpath(copiedLogger + QStringLiteral(".part"));

    const BackupResult result = CopyDatabaseFolder(database, target.Path());
    EXPECT_EQ(result.outcome, BackupOutcome::Failed);
    EXPECT_EQ(result.failed, QStringList({database + u'/' + kSn + QStringLiteral(".db3")}));
    EXPECT_EQ(result.copied, 1);
    EXPECT_EQ(storetest::FileBytes(copiedLogger), good);
    EXPECT_EQ(ManualBackupMessage(result), 123);
    EXPECT_EQ(AutomaticBackupLogText(result), qm::Msg(294));
}

TEST_F(BackupTest, ACancelStopsBetweenFiles)
{
    int polls = 0;
    BackupCallbacks callbacks;
    callbacks.cancelled = [&] { return ++polls > 1; };
    const BackupResult result = CopyDatabaseFolder(database, target.Path(), callbacks);
    EXPECT_EQ(result.outcome, BackupOutcome::Aborted);
    EXPECT_EQ(result.copied, 1);
    EXPECT_EQ(AutomaticBackupLogText(result), qm::Msg(247));
}

TEST_F(BackupTest, NeverIntoTheDatabaseFolderItself)
{
    const QByteArray before = storetest::FileBytes(program.Datainfo());
    // The copy is refused, so nobody is asked about replacing the files themselves.
    EXPECT_TRUE(FilesABackupReplaces(database, program.Path()).isEmpty());
    EXPECT_EQ(CopyDatabaseFolder(database, program.Path()).outcome, BackupOutcome::Failed);
    EXPECT_EQ(CopyDatabaseFolder(database, database).outcome, BackupOutcome::Failed);
    EXPECT_EQ(storetest::FileBytes(program.Datainfo()), before);
    EXPECT_FALSE(QDir(database + QStringLiteral("/database")).exists());
}

TEST_F(BackupTest, ACopyTakenWhileAnotherConnectionWritesIsConsistent)
{
    // The writer keeps two tables in step, one transaction per pair of rows;
    // a copy that caught half a transaction would hold unequal counts.
    auto writer = OpenDatabase(nullptr, program.Datainfo(), 0, 0, 0);
    ASSERT_TRUE(writer);
    writer->SetReportMode(kReportLog);
    ASSERT_NE(writer->ExeSql(QStringLiteral("create table a(v); create table b(v);")), -1);
    std::mutex mutex;
    std::condition_variable wake;
    int committed = 0;
    std::atomic<bool> stop{false};
    std::thread thread([&] {
        for (int i = 0; !stop; ++i) {
            writer->SetAutoTransaction(1);
            QString batch;
            for (int k = 0; k < 50; ++k)
                batch += QStringLiteral("insert into a values(%1); insert into b values(%1);").arg(i * 50 + k);
            writer->ExeSql(batch);
            std::lock_guard<std::mutex> lock(mutex);
            ++committed;
            wake.notify_all();
        }
    });
    {
        std::unique_lock<std::mutex> lock(mutex);
        wake.wait(lock, [&] { return committed >= 3; });
    }
    const QString copy = target.File(QStringLiteral("DATAINFO.db3"));
    const bool ok = BackupDatabaseFile(program.Datainfo(), copy);
    {
        std::unique_lock<std::mutex> lock(mutex);
        const int seen = committed;
        wake.wait(lock, [&] { return committed >= seen + 3; });
    }
    stop = true;
    thread.join();
    ASSERT_TRUE(ok);
    const QStringList counts = CopyRows(copy, QStringLiteral("select (select count(*) from a), (select count(*) from b);"));
    ASSERT_EQ(counts.size(), 1);
    const QStringList pair = counts[0].split(u'|');
    EXPECT_EQ(pair[0], pair[1]);
    EXPECT_GE(pair[0].toInt(), 150);
    EXPECT_EQ(CopyRows(copy, QStringLiteral("pragma integrity_check;")), QStringList({QStringLiteral("ok")}));
}
