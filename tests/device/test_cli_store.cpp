// quillmark-cli backup, import and import-phone against a real program
// folder: the copies open, the imports land once, and the audit trail carries
// the user as the window's commands would leave it.
#include "DeviceFixture.h"

#include "Backup.h"
#include "RecordFile.h"
#include "Schema.h"
#include "StoreIoFixture.h"
#include "Strings.h"

#include <QDate>
#include <QFile>

using devtest::CliRun;
using storetest::Station;

namespace {

const QString kSn = QStringLiteral("SN0000001");
const QString kTable = QStringLiteral("hSN0000001_1700000000");

class CliStoreTest : public devtest::DeviceFixture {
protected:
    CliRun Cli(const QStringList& args) { return devtest::RunCli(Folder(), args); }

    struct Note {
        QString user, info;
        int type;
    };
    // The audit rows of `type`.
    std::vector<Note> Notes(int type)
    {
        std::vector<Note> rows;
        auto db = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 0);
        std::unique_ptr<qm::store::CRecordset> set;
        if (db
            && db->QueryRecordset(QStringLiteral("select * from note where type = %1 order by rowid").arg(type), set)
                   == 1
            && set)
            for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
                rows.push_back({set->Text(u"user_name"), set->Text(u"info"), int(set->Integer(u"type"))});
        return rows;
    }
    QStringList Rows(const QString& sql, const QString& sn = QString())
    {
        QStringList rows;
        const QString file = sn.isEmpty() ? qm::DatabasePath() : qm::store::LoggerDatabasePath(Folder(), sn);
        storetest::RawExec(file, storetest::ProgramKey(), sql, &rows);
        return rows;
    }

    // A backup of another station with one record of three samples.
    QStringList OtherStationsBackup()
    {
        m_from.AddRecord(kSn, kTable,
                         {{QStringLiteral("2024-01-01 00:00:00"), QStringLiteral("20.5;40.0")},
                          {QStringLiteral("2024-01-01 00:01:00"), QStringLiteral("21.5;40.0")},
                          {QStringLiteral("2024-01-01 00:02:00"), QStringLiteral("22.5;40.0")}},
                         QStringLiteral("cold room"));
        const QString copy =
            qm::store::CopyDatabaseFolder(qm::store::DatabaseFolderIn(m_from.Path()), m_backups.Path()).folder;
        return {copy + QStringLiteral("/DATAINFO.db3"), copy + u'/' + kSn + QStringLiteral(".db3")};
    }

    // The files of the other station's database folder, copied afresh.
    QStringList OtherStationsBackupFiles()
    {
        const QString copy = qm::store::CopyDatabaseFolder(qm::store::DatabaseFolderIn(m_from.Path()),
                                                           m_backups.File(QStringLiteral("again")))
                                 .folder;
        QStringList files{copy + QStringLiteral("/DATAINFO.db3")};
        for (const QString& name : QDir(copy).entryList({QStringLiteral("SN*.db3")}, QDir::Files, QDir::Name))
            files << copy + u'/' + name;
        return files;
    }

    Station m_from;
    storetest::ScratchFolder m_backups;
    storetest::ScratchFolder m_scratch;
};

} // namespace

TEST_F(CliStoreTest, ABackupImportedTwiceArrivesOnce)
{
    const QStringList files = OtherStationsBackup();
    CliRun r = Cli(QStringList{QStringLiteral("import")} + files);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringList{QStringLiteral("imported=2 failed=")});
    EXPECT_TRUE(r.err.contains(QStringLiteral("217: ") + qm::Msg(217)));
    EXPECT_EQ(Rows(QStringLiteral("select name, hisdata_table from recordtime;")),
              QStringList{QStringLiteral("cold room|") + kTable});
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from %1;").arg(kTable), kSn), QStringList{QStringLiteral("3")});

    r = Cli(QStringList{QStringLiteral("import")} + files);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from recordtime;")), QStringList{QStringLiteral("1")});
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from %1;").arg(kTable), kSn), QStringList{QStringLiteral("3")});

    const auto notes = Notes(20);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].user, QString::fromLatin1(devtest::kCliUser));
    EXPECT_EQ(notes[0].info, qm::Msg(286) + qm::Msg(295));
}

TEST_F(CliStoreTest, FilesThatFailAreNamedAndTheOthersStillArrive)
{
    const QStringList files = OtherStationsBackup();
    const QString notADatabase = m_scratch.File(QStringLiteral("notes.db3"));
    storetest::WriteFile(notADatabase, "just some text, not a database at all");
    const CliRun r =
        Cli({QStringLiteral("import"), notADatabase, files[0], m_scratch.File(QStringLiteral("gone.gdb")), files[1]});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, QStringList{QStringLiteral("imported=2 failed=notes,gone")});
    EXPECT_TRUE(r.err.contains(QStringLiteral("216: ") + qm::Msg(216) + u'\n' + QStringLiteral("notes,gone")))
        << r.err.toStdString();
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from recordtime;")), QStringList{QStringLiteral("1")});
    // The file that is no database is as it was.
    EXPECT_EQ(storetest::ReadFile(notADatabase), QByteArray("just some text, not a database at all"));
    ASSERT_EQ(Notes(20).size(), 1u);
    EXPECT_EQ(Notes(20)[0].info, qm::Msg(286) + qm::Msg(294));

    EXPECT_EQ(Cli({QStringLiteral("import")}).code, 2);
}

TEST_F(CliStoreTest, TheAutomaticAndTheManualBackup)
{
    // The automatic backup: the month folder of the backup folder in force.
    const QString backupFolder = m_backups.File(QStringLiteral("auto"));
    ASSERT_EQ(qm::Settings().WriteIniStr(QStringLiteral("backup"), QStringLiteral("path"), backupFolder), 1);
    CliRun r = Cli({QStringLiteral("backup")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QDate today = QDate::currentDate();
    const QString month = qm::store::BackupMonthFolder(backupFolder, today.year(), today.month());
    EXPECT_EQ(r.out, QStringList{month + QStringLiteral("/database")});
    QStringList users;
    EXPECT_EQ(storetest::RawExec(month + QStringLiteral("/database/DATAINFO.db3"), storetest::ProgramKey(),
                                 QStringLiteral("select user_name from userinfo where user_name = 'tester';"), &users),
              0);
    EXPECT_EQ(users, QStringList{QStringLiteral("tester")});
    ASSERT_EQ(Notes(18).size(), 1u);
    EXPECT_EQ(Notes(18)[0].info, qm::Msg(295));

    // A manual one into a folder of the user's choice ...
    const QString chosen = m_backups.File(QStringLiteral("manual"));
    r = Cli({QStringLiteral("backup"), QStringLiteral("--to"), chosen});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringList{chosen + QStringLiteral("/database")});
    EXPECT_TRUE(r.err.contains(QStringLiteral("124: ")));
    // ... replaces an earlier copy there only when told to.
    r = Cli({QStringLiteral("backup"), QStringLiteral("--to"), chosen});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("167: ")));
    EXPECT_TRUE(r.err.contains(QStringLiteral("247: ")));
    r = Cli({QStringLiteral("backup"), QStringLiteral("--to"), chosen, QStringLiteral("--force")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const auto manual = Notes(19);
    ASSERT_EQ(manual.size(), 2u); // the declined one left no entry
    EXPECT_EQ(manual[1].info, qm::Msg(285) + qm::Msg(295));
    EXPECT_EQ(manual[1].user, QString::fromLatin1(devtest::kCliUser));

    EXPECT_EQ(Cli({QStringLiteral("backup"), QStringLiteral("--to")}).code, 2);
}

TEST_F(CliStoreTest, PhoneLoggersByTheirSerialNumbersWhateverTheCase)
{
    const QString phone = m_scratch.File(QStringLiteral("kvr.db"));
    storetest::WritePhoneDatabase(
        phone, {{1,
                 QStringLiteral("KVR000001"),
                 5,
                 QStringLiteral("van"),
                 QStringLiteral("data_1"),
                 {{1, QStringLiteral("30"), QStringLiteral("-10")}},
                 {QStringLiteral("2024-01-02 03:04:05|5.5"), QStringLiteral("2024-01-02 03:05:05|6.0")}},
                {2,
                 QStringLiteral("KVR000002"),
                 6,
                 QStringLiteral("empty"),
                 QStringLiteral("data_2"),
                 {{1, QStringLiteral("30"), QStringLiteral("0")}},
                 {}}});
    const QByteArray bytes = storetest::ReadFile(phone);

    CliRun r = Cli({QStringLiteral("import-phone"), QStringLiteral("--db"), phone, QStringLiteral("--sn"),
                    QStringLiteral("kvr000001")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    ASSERT_EQ(r.out.size(), 1);
    EXPECT_TRUE(r.out[0].startsWith(QStringLiteral("sn=KVR000001 record=1 table=hKVR000001_")))
        << r.out[0].toStdString();
    EXPECT_TRUE(r.out[0].endsWith(QStringLiteral(" samples=2")));
    EXPECT_TRUE(r.err.contains(QStringLiteral("217: ")));

    // All of them: the first logger a second time gets a record of its own.
    r = Cli({QStringLiteral("import-phone"), QStringLiteral("--db"), phone});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.size(), 2);
    EXPECT_EQ(Rows(QStringLiteral("select SN from recordtime order by id;")),
              (QStringList{QStringLiteral("KVR000001"), QStringLiteral("KVR000001"), QStringLiteral("KVR000002")}));
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from devInfo;")), QStringList{QStringLiteral("2")});
    const auto notes = Notes(13);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_TRUE(notes[0].info.startsWith(qm::Msg(278) + qm::Msg(295) + QStringLiteral("(KVR000001:hKVR000001_")));
    EXPECT_EQ(notes[0].user, QString::fromLatin1(devtest::kCliUser));
    // The phone's file is as the phone app wrote it.
    EXPECT_EQ(storetest::ReadFile(phone), bytes);

    r = Cli({QStringLiteral("import-phone"), QStringLiteral("--db"), phone, QStringLiteral("--sn"),
             QStringLiteral("NOPE")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("6215: ") + qm::MsgF(6215, {QStringLiteral("NOPE")})));
    EXPECT_EQ(Cli({QStringLiteral("import-phone"), QStringLiteral("--sn"), QStringLiteral("X")}).code, 2);
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from recordtime;")), QStringList{QStringLiteral("3")});
}

TEST_F(CliStoreTest, ASingleRecordFileBecomesANewRecordAfterTheOnesThere)
{
    OtherStationsBackup();
    const QString file = m_scratch.File(QStringLiteral("cold room.gdb"));
    {
        auto main = m_from.OpenDatainfo();
        ASSERT_EQ(qm::store::ExportRecordFile(*main, m_from.Path(), 1, file), 1);
    }
    // The station already holds two records (the other station's backup):
    // the file's record comes after them.
    m_from.AddRecord(kSn, QStringLiteral("hSN0000001_1700000500"), {});
    ASSERT_EQ(Cli(QStringList{QStringLiteral("import")} + OtherStationsBackupFiles()).code, 0);

    const CliRun r = Cli({QStringLiteral("import"), file});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringList{QStringLiteral("imported=1 failed=")});
    const QStringList records = Rows(QStringLiteral("select id, name, hisdata_table from recordtime order by id;"));
    ASSERT_EQ(records.size(), 3);
    const QStringList imported = records[2].split(u'|');
    // id = the file's id (1) + the station's recordtime counter (2).
    EXPECT_EQ(imported[0], QStringLiteral("3"));
    EXPECT_EQ(imported[1], QStringLiteral("cold room"));
    EXPECT_NE(imported[2], kTable);
    EXPECT_TRUE(imported[2].startsWith(QStringLiteral("hSN0000001_")));
    EXPECT_EQ(Rows(QStringLiteral("select his_time, his_data from %1 order by his_time;").arg(imported[2]), kSn),
              Rows(QStringLiteral("select his_time, his_data from %1 order by his_time;").arg(kTable), kSn));
    EXPECT_EQ(Rows(QStringLiteral("select count(*) from config where record_id = 3;"), kSn),
              QStringList{QStringLiteral("1")});
}
