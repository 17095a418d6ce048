// Backups merged back into a station's databases: records, users, loggers,
// log entries and samples arrive once; folders, folder entries and config rows
// arrive under new ids that keep pointing at each other.
#include "Backup.h"
#include "DBSqlite3.h"
#include "MergeDatabase.h"
#include "Schema.h"
#include "StoreIoFixture.h"
#include "StoreSeams.h"

#include "MessageSeam.h"
#include "Strings.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace qm::store;
using storetest::Station;

namespace {

const QString kSn1 = QStringLiteral("SN0000001");
const QString kSn2 = QStringLiteral("SN0000002");
const QString kTable1 = QStringLiteral("hSN0000001_1700000000");
const QString kTable2 = QStringLiteral("hSN0000002_1700000100");

QList<Station::Sample> Samples(int count, int firstMinute = 0)
{
    QList<Station::Sample> out;
    for (int i = 0; i < count; ++i)
        out.append({QStringLiteral("2024-01-01 00:%1:00").arg(firstMinute + i, 2, 10, QLatin1Char('0')),
                    QStringLiteral("%1.5;40.0").arg(20 + i)});
    return out;
}

class MergeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetProgramLogWriter([this](const QString& source, const QString& line) { log << source + u'|' + line; });
        // The station the backup comes from: two records, a folder tree with
        // an entry, and log entries.
        record1 = from.AddRecord(kSn1, kTable1, Samples(3), QStringLiteral("first"));
        record2 = from.AddRecord(kSn2, kTable2, Samples(2), QStringLiteral("second"));
        top = from.AddFolder(QStringLiteral("top"), 0, 0);
        child = from.AddFolder(QStringLiteral("child"), top, 1);
        from.AddFolderEntry(child, record1);
        from.AddNote(QStringLiteral("admin"), 13, QStringLiteral("2024-01-01 10:00:00"), QStringLiteral("imported"));
        backup = CopyDatabaseFolder(DatabaseFolderIn(from.Path()), backupDir.Path()).folder;
        ASSERT_FALSE(backup.isEmpty());
    }
    void TearDown() override { SetProgramLogWriter({}); }

    QStringList BackupFiles() const
    {
        return {backup + QStringLiteral("/DATAINFO.db3"), backup + u'/' + kSn1 + QStringLiteral(".db3"),
                backup + u'/' + kSn2 + QStringLiteral(".db3")};
    }

    BackupImportResult Import(Station& into, const QStringList& files)
    {
        auto main = into.OpenDatainfo();
        return ImportBackupFiles(*main, into.Path(), files);
    }

    Station from;
    storetest::ScratchFolder backupDir;
    QString backup;
    int record1 = 0;
    int record2 = 0;
    int top = 0;
    int child = 0;
    QStringList log;
};

} // namespace

TEST_F(MergeTest, IntoAnEmptyStationIdsAndTopFoldersStayAsTheyWere)
{
    Station into;
    const BackupImportResult result = Import(into, BackupFiles());
    EXPECT_TRUE(result.AllImported()) << log.join(u'\n').toStdString();
    EXPECT_EQ(result.imported, 3);
    EXPECT_EQ(result.MessageNumber(), 217);

    EXPECT_EQ(into.Rows(QStringLiteral("select id, name, SN, hisdata_table from recordtime order by id;")),
              QStringList({QStringLiteral("%1|first|%2|%3").arg(record1).arg(kSn1, kTable1),
                           QStringLiteral("%1|second|%2|%3").arg(record2).arg(kSn2, kTable2)}));
    EXPECT_EQ(into.Rows(QStringLiteral("select id, floor, parentid, filename from fileInfo order by id;")),
              QStringList({QStringLiteral("%1|0|0|top").arg(top), QStringLiteral("%1|1|%2|child").arg(child).arg(top)}));
    EXPECT_EQ(into.Rows(QStringLiteral("select file_id, record_id from filerecord;")),
              QStringList({QStringLiteral("%1|%2").arg(child).arg(record1)}));
    EXPECT_EQ(into.Rows(QStringLiteral("select his_time, his_data, data_coll from %1 order by his_time;").arg(kTable1),
                        kSn1),
              from.Rows(QStringLiteral("select his_time, his_data, data_coll from %1 order by his_time;").arg(kTable1),
                        kSn1));
    EXPECT_EQ(into.Rows(QStringLiteral("select record_id from config;"), kSn2), QStringList({QString::number(record2)}));
}

TEST_F(MergeTest, TheSameBackupTwiceAddsOnlyFoldersEntriesAndConfigRowsAgain)
{
    Station into;
    const int own = into.AddRecord(kSn1, QStringLiteral("hSN0000001_1600000000"), Samples(1, 30));
    into.AddFolder(QStringLiteral("own"), 0, 0);
    auto counts = [&] {
        return QList<int>{into.Count(QStringLiteral("select count(*) from recordtime;")),
                          into.Count(QStringLiteral("select count(*) from userinfo;")),
                          into.Count(QStringLiteral("select count(*) from devInfo;")),
                          into.Count(QStringLiteral("select count(*) from note;")),
                          into.Count(QStringLiteral("select count(*) from %1;").arg(kTable1), kSn1),
                          into.Count(QStringLiteral("select count(*) from fileInfo;")),
                          into.Count(QStringLiteral("select count(*) from filerecord;")),
                          into.Count(QStringLiteral("select count(*) from config;"), kSn1)};
    };

    ASSERT_TRUE(Import(into, BackupFiles()).AllImported()) << log.join(u'\n').toStdString();
    const QList<int> once = counts();
    EXPECT_EQ(once, (QList<int>{3, 1, 2, 1, 3, 3, 1, 2}));

    ASSERT_TRUE(Import(into, BackupFiles()).AllImported()) << log.join(u'\n').toStdString();
    const QList<int> twice = counts();
    // Records, users, loggers, log entries and samples: unchanged.
    EXPECT_EQ(twice.mid(0, 5), once.mid(0, 5));
    // Folders, folder entries and config rows: once more.
    EXPECT_EQ(twice.mid(5), (QList<int>{5, 2, 3}));
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from recordtime where id = %1;").arg(own)), 1);
    // The look-up indexes of the merge are gone with it.
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from sqlite_master where name like 'merge_lookup%';")), 0);
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from sqlite_master where name like 'merge_lookup%';"), kSn1), 0);
}

TEST_F(MergeTest, MainAndLoggerFilesTogetherKeepConfigOnTheirRecords)
{
    Station into;
    into.AddRecord(kSn1, QStringLiteral("hSN0000001_1600000000"), Samples(1, 30));
    into.AddRecord(kSn2, QStringLiteral("hSN0000002_1600000000"), Samples(1, 30));
    into.AddFolder(QStringLiteral("own"), 0, 0);
    auto main = into.OpenDatainfo();
    const MergeOffsets offsets = ReadMergeOffsets(*main);
    EXPECT_EQ(offsets.recordtime, 2);
    EXPECT_EQ(offsets.fileInfo, 1);

    ASSERT_TRUE(ImportBackupFiles(*main, into.Path(), BackupFiles()).AllImported()) << log.join(u'\n').toStdString();
    // Every config row of an imported table names the record of that table.
    for (const QString& sn : {kSn1, kSn2}) {
        const QString table = sn == kSn1 ? kTable1 : kTable2;
        const int id = into.Count(QStringLiteral("select id from recordtime where hisdata_table = '%1';").arg(table));
        EXPECT_EQ(id, offsets.recordtime + (sn == kSn1 ? record1 : record2));
        EXPECT_EQ(into.Count(QStringLiteral("select count(*) from config where record_id = %1;").arg(id), sn), 1);
    }
    EXPECT_EQ(into.Rows(QStringLiteral("select parentid, filename from fileInfo where id > 1 order by id;")),
              QStringList({QStringLiteral("0|top"), QStringLiteral("%1|child").arg(offsets.fileInfo + top)}));
    EXPECT_EQ(into.Rows(QStringLiteral("select file_id, record_id from filerecord;")),
              QStringList({QStringLiteral("%1|%2").arg(offsets.fileInfo + child).arg(offsets.recordtime + record1)}));
}

TEST_F(MergeTest, AFailedMergeLeavesBothDatabasesAsTheyWere)
{
    Station into;
    into.AddRecord(kSn1, QStringLiteral("hSN0000001_1600000000"), Samples(2, 30));
    const QString loggerBefore = into.Rows(QStringLiteral("select group_concat(name) from sqlite_master;"), kSn1).join(u';');
    const int configBefore = into.Count(QStringLiteral("select count(*) from config;"), kSn1);
    const QStringList recordsBefore = into.Rows(QStringLiteral("select * from recordtime;"));

    // A logger file as the download's month copy holds it, but whose
    // recordtime lacks a column: its samples and config would go through,
    // its records not.
    const QString file = backupDir.File(kSn1 + QStringLiteral(".db3"));
    storetest::RawExec(file, storetest::ProgramKey(),
                       QStringLiteral("create table recordtime(id int, name char, SN char, time_start char, "
                                      "time_end char, hisdata_table char);"
                                      "insert into recordtime values(7,'r','%1','','','hSN0000001_1800000000');"
                                      "create table config(id integer primary key autoincrement, his_recordinterval, "
                                      "way_startup, time_startup, way_stop, time_stop, chan_type, chan_alarm, chan_Top, "
                                      "chan_Floor, chan_topLimit, chan_floorLimit, record_id);"
                                      "insert into config(record_id) values(7);")
                               .arg(kSn1)
                           + HistoryCreateSql(QStringLiteral("hSN0000001_1800000000")) + u';'
                           + HistoryInsertSql(QStringLiteral("hSN0000001_1800000000"), QStringLiteral("2024-02-01 00:00:00"),
                                              QStringLiteral("1.0"), QStringLiteral("1"), 0));
    const BackupImportResult result = Import(into, {file});
    EXPECT_EQ(result.failedNames, QStringList({kSn1}));
    EXPECT_EQ(result.MessageNumber(), 216);
    EXPECT_EQ(result.MessageText(), qm::Msg(216) + QStringLiteral("\n") + kSn1);

    EXPECT_EQ(into.Rows(QStringLiteral("select group_concat(name) from sqlite_master;"), kSn1).join(u';'), loggerBefore);
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from config;"), kSn1), configBefore);
    EXPECT_EQ(into.Rows(QStringLiteral("select * from recordtime;")), recordsBefore);
    // Nothing stays attached: the main database takes the next merge.
    EXPECT_TRUE(Import(into, BackupFiles()).AllImported()) << log.join(u'\n').toStdString();

    // A logger new to this station gets no empty file from a failed merge.
    const QString other = backupDir.File(QStringLiteral("SN0000009.db3"));
    QFile::copy(file, other);
    storetest::RawExec(other, storetest::ProgramKey(), QStringLiteral("update recordtime set SN = 'SN0000009';"));
    EXPECT_FALSE(Import(into, {other}).AllImported());
    EXPECT_FALSE(QFile::exists(into.Logger(QStringLiteral("SN0000009"))));
}

TEST_F(MergeTest, APlainBackupIsReadFromACopyAndStaysPlain)
{
    Station into;
    const QString file = backupDir.File(QStringLiteral("SN0000005.db3"));
    const QString table = QStringLiteral("hSN0000005_1700000000");
    storetest::RawExec(file, QByteArray(),
                       HistoryCreateSql(table) + u';'
                           + HistoryInsertSql(table, QStringLiteral("2024-03-01 00:00:00"), QStringLiteral("5.0"),
                                              QStringLiteral("1"), 0));
    const QByteArray before = storetest::FileBytes(file);
    ASSERT_TRUE(storetest::HasPlainHeader(file));

    EXPECT_TRUE(Import(into, {file}).AllImported()) << log.join(u'\n').toStdString();
    EXPECT_EQ(storetest::FileBytes(file), before);
    EXPECT_EQ(into.Rows(QStringLiteral("select his_data from %1;").arg(table), QStringLiteral("SN0000005")),
              QStringList({QStringLiteral("5.0")}));
    EXPECT_FALSE(storetest::HasPlainHeader(into.Logger(QStringLiteral("SN0000005"))));
}

TEST_F(MergeTest, NothingToCopyIsToldWith152)
{
    Station into;
    const QString file = backupDir.File(QStringLiteral("DATAINFO.db3"));
    QDir().mkpath(backupDir.Path());
    storetest::RawExec(file, storetest::ProgramKey(),
                       QStringLiteral("create table Authority(level int, name char); insert into Authority values(9,'x');"));
    qm::MessageScript messages;
    EXPECT_TRUE(Import(into, {file}).AllImported());
    EXPECT_EQ(messages.Numbers(), QList<int>({152}));
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from Authority where level = 9;")), 0);
}

TEST_F(MergeTest, HostileTableNamesImportNothingHarmful)
{
    Station into;
    const int own = into.AddRecord(kSn1, QStringLiteral("hSN0000001_1600000000"), Samples(1, 30));
    const QString hostile = QStringLiteral("x; drop table recordtime");
    // A logger file and a main database, each with a table whose name is a statement.
    const QString loggerFile = backupDir.File(kSn1 + QStringLiteral(".db3"));
    storetest::RawExec(loggerFile, QByteArray(),
                       QStringLiteral("create table \"%1\"(his_time char, his_data char, his_chan char);"
                                      "insert into \"%1\" values('2024-01-01 00:00:00','1','1');")
                               .arg(hostile)
                           + HistoryCreateSql(QStringLiteral("hSN0000001_1900000000")) + u';');
    const QString mainFile = backupDir.File(QStringLiteral("DATAINFO.db3"));
    storetest::RawExec(mainFile, QByteArray(),
                       QStringLiteral("create table \"%1\"(his_time char, his_data char, his_chan char);"
                                      "create table \"devInfo'; drop table recordtime; --\"(SN char);")
                           .arg(hostile));
    qm::MessageScript messages;
    Import(into, {loggerFile, mainFile});
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from recordtime where id = %1;").arg(own)), 1);
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from hSN0000001_1600000000;"), kSn1),
              1);
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from sqlite_master where name like 'x;%';"), kSn1), 0);
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from sqlite_master where name like 'x;%';")), 0);
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from sqlite_master where name = 'hSN0000001_1900000000';"),
                         kSn1),
              1);
}

TEST_F(MergeTest, RecordsThatWouldTakeTheIdsOfOthersAreRefusedNotDropped)
{
    // Two stations' main databases in one import: the second one's records
    // would land on the ids the first one's took.
    Station other;
    other.AddRecord(QStringLiteral("SN0000003"), QStringLiteral("hSN0000003_1700000000"), Samples(1));
    storetest::ScratchFolder otherBackup;
    const QString otherCopy = CopyDatabaseFolder(DatabaseFolderIn(other.Path()), otherBackup.Path()).folder;

    Station into;
    const BackupImportResult result =
        Import(into, {backup + QStringLiteral("/DATAINFO.db3"), otherCopy + QStringLiteral("/DATAINFO.db3")});
    EXPECT_EQ(result.imported, 1);
    EXPECT_EQ(result.failedNames, QStringList({QStringLiteral("DATAINFO")}));
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from recordtime;")), 2);
    EXPECT_EQ(into.Count(QStringLiteral("select count(*) from recordtime where SN = 'SN0000003';")), 0);
}
