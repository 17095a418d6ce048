// The main database a new program folder starts with.
#include "InitialDatabase.h"
#include "OpenDatabase.h"
#include "PasswordHash.h"
#include "Recordset.h"
#include "Schema.h"
#include "StoreTestUtil.h"

#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

using namespace qm::store;

TEST(InitialDatabase, HoldsEveryTableTheAdministratorAndTheKey)
{
    storetest::ScratchFolder dir;
    ASSERT_EQ(CreateInitialProgramFolder(dir.Path()), kInitialCreated);
    const QString path = DatainfoPathIn(dir.Path());
    EXPECT_FALSE(storetest::HasPlainHeader(path));
    EXPECT_EQ(storetest::RawExec(path, {}, QStringLiteral("select * from sqlite_master")), 26);

    auto db = OpenDatabase(nullptr, path, 0, 0, 1);
    ASSERT_TRUE(db);
    std::unique_ptr<CRecordset> set;
    ASSERT_EQ(db->ListTables(QString(), set), 1);
    QStringList tables;
    for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
        tables << set->Text(QStringView(u"name"));
    tables.sort();
    EXPECT_EQ(tables, QStringList({"Authority", "devInfo", "fileInfo", "filerecord", "note", "recordtime",
                                   "userinfo"}));

    ASSERT_EQ(db->QueryRecordset(QStringLiteral("select * from userinfo"), set), 1);
    ASSERT_EQ(set->RecordCount(), 1);
    EXPECT_EQ(set->Text(QStringView(u"user_name")), QStringLiteral("admin"));
    // The first password is shipped as its hash.
    EXPECT_TRUE(IsPasswordHash(set->Text(QStringView(u"user_password"))));
    EXPECT_EQ(CheckPassword(set->Text(QStringView(u"user_password")), QString::fromLatin1(kAdminFirstPassword)),
              PasswordMatch::kMatch);
    EXPECT_EQ(set->Integer(QStringView(u"user_type")), 0);
    EXPECT_TRUE(set->IsNull(QStringView(u"latest_time"))) << "the first login must change the password";
    EXPECT_EQ(set->Integer(QStringView(u"id")), 1);
    ASSERT_EQ(db->QueryRecordset(QStringLiteral("select level from Authority order by level"), set), 1);
    EXPECT_EQ(set->RecordCount(), 4);

    // Automatic ids where records and folders are counted, SN as the device key.
    ASSERT_NE(db->ExeSql(QStringLiteral(
                  "insert into recordtime(name, SN, hisdata_table) values('r', '1A2B00001', 'h1A2B00001_1');"
                  "insert into fileInfo(floor, parentid, filename) values(0, 0, 'f');"
                  "insert into filerecord(file_id, chan_type, record_id) values(1, '1', 1);"
                  "replace into devInfo(SN, devName) values('1A2B00001', 'a');"
                  "replace into devInfo(SN, devName) values('1A2B00001', 'b');")),
              -1);
    ASSERT_EQ(db->QueryRecordset(QStringLiteral("select name, seq from sqlite_sequence order by name"), set), 1);
    QStringList sequences;
    for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
        sequences << set->Text(0) + u'=' + set->Text(1);
    EXPECT_EQ(sequences, QStringList({"fileInfo=1", "filerecord=1", "recordtime=1", "userinfo=1"}));
    ASSERT_EQ(db->QueryRecordset(QStringLiteral("select devName from devInfo"), set), 1);
    EXPECT_EQ(set->RecordCount(), 1);
    EXPECT_EQ(set->Text(0), QStringLiteral("b"));
}

TEST(InitialDatabase, AnExistingDatabaseIsKept)
{
    storetest::ScratchFolder dir;
    ASSERT_EQ(CreateInitialProgramFolder(dir.Path()), kInitialCreated);
    const QString path = DatainfoPathIn(dir.Path());
    {
        auto db = OpenDatabase(nullptr, path, 0, 0, 1);
        ASSERT_TRUE(db);
        ASSERT_NE(db->ExeSql(QStringLiteral("update userinfo set user_password = 'changed1';")), -1);
    }
    const QByteArray before = storetest::ReadFile(path);
    EXPECT_EQ(CreateInitialProgramFolder(dir.Path()), kInitialKept);

    // The build's tool behaves the same way.
    const QString tool = storetest::BuildProgramFolder() + QStringLiteral("/quillmark-initdb");
    ASSERT_TRUE(QFileInfo::exists(tool)) << tool.toStdString();
    EXPECT_EQ(QProcess::execute(tool, {dir.Path()}), 0);
    EXPECT_EQ(storetest::ReadFile(path), before);

    storetest::ScratchFolder fresh;
    EXPECT_EQ(QProcess::execute(tool, {QStringLiteral("--database"), fresh.File(QStringLiteral("x/DATAINFO.db3"))}), 0);
    EXPECT_TRUE(OpenDatabase(nullptr, fresh.File(QStringLiteral("x/DATAINFO.db3")), 0, 0, 1));

    // An option is never taken for a folder: --help answers, unknown ones are refused.
    QProcess help;
    help.setWorkingDirectory(fresh.Path());
    help.start(tool, {QStringLiteral("--help")});
    ASSERT_TRUE(help.waitForFinished(10000));
    EXPECT_EQ(help.exitCode(), 0);
    EXPECT_TRUE(help.readAllStandardOutput().startsWith("usage:"));
    QProcess unknown;
    unknown.setWorkingDirectory(fresh.Path());
    unknown.start(tool, {QStringLiteral("--bogus")});
    ASSERT_TRUE(unknown.waitForFinished(10000));
    EXPECT_EQ(unknown.exitCode(), 1);
    EXPECT_FALSE(QFileInfo::exists(fresh.File(QStringLiteral("--help"))));
    EXPECT_FALSE(QFileInfo::exists(fresh.File(QStringLiteral("--bogus"))));
}
