// The program folder of an installed program: the user's data folder, seeded
// from the installation's share folder, which also gives the language modules,
// help and channel definitions. A context with a shared folder of its own
// stands for an installation here; tests/install runs the installed programs.
#include "TestPaths.h"
#include "AppEnv.h"
#include "ChannelInfo.h"
#include "Ciniwell.h"
#include "DataFolder.h"
#include "InitialDatabase.h"
#include "InstanceGuard.h"
#include "ProgramContext.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace qm;

namespace {

void WriteFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class DataFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // What an installation ships, read-only as /usr/share is to a user.
        shared = installation.filePath(QStringLiteral("share"));
        WriteFile(shared + QStringLiteral("/config/channelInfo.ini"),
                  "[system]\nexpire=10\n[Channel]\n1=temperature\n9=ozone\n"
                  "[temperature]\nid=1\nname_ch=温度\nname_en=Temperature\nunit=°C\nrange=-40~85\n"
                  "[ozone]\nid=9\nname_ch=臭氧\nname_en=Ozone\nunit=ppb\nrange=0~500\n");
        ASSERT_EQ(store::CreateInitialDatainfo(shared + QStringLiteral("/database/DATAINFO.db3")),
                  store::kInitialCreated);
        WriteFile(shared + QStringLiteral("/res/help/en/index.html"), "<html></html>");
        for (const QString& file : {QStringLiteral("/config/channelInfo.ini"), QStringLiteral("/database/DATAINFO.db3")})
            QFile::setPermissions(shared + file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        data = home.filePath(QStringLiteral("xdg/quillmark"));
    }

    QTemporaryDir installation;
    QTemporaryDir home;
    QString shared;
    QString data;
};

TEST_F(DataFolderTest, FirstStartSeedsTheDataFolderAndTheSecondLeavesItAlone)
{
    SeedResult first = SeedDataFolder(data, shared);
    ASSERT_EQ(first.outcome, SeedResult::Ready);
    EXPECT_EQ(first.copied.size(), 2);
    const QString ini = data + QStringLiteral("/config/channelInfo.ini");
    const QString db = data + QStringLiteral("/database/DATAINFO.db3");
    EXPECT_EQ(ReadFile(ini), ReadFile(shared + QStringLiteral("/config/channelInfo.ini")));
    EXPECT_EQ(ReadFile(db), ReadFile(shared + QStringLiteral("/database/DATAINFO.db3")));
    // The copies are the user's to change, though the installation's are read-only.
    EXPECT_TRUE(QFileInfo(ini).isWritable());
    EXPECT_TRUE(QFileInfo(db).isWritable());
    // Nothing half-made is left beside them.
    EXPECT_EQ(QDir(data + QStringLiteral("/config")).entryList(QDir::Files), QStringList{QStringLiteral("channelInfo.ini")});

    // The user's own settings and data, then a second start (or an upgrade
    // that brought a different initial database).
    WriteFile(ini, "[system]\nlanguage=QUILLM_EN\n");
    WriteFile(db, "the user's records");
    QFile::setPermissions(shared + QStringLiteral("/database/DATAINFO.db3"), QFile::ReadOwner | QFile::WriteOwner);
    WriteFile(shared + QStringLiteral("/database/DATAINFO.db3"), "a newer initial database");
    SeedResult second = SeedDataFolder(data, shared);
    EXPECT_EQ(second.outcome, SeedResult::Ready);
    EXPECT_TRUE(second.copied.isEmpty());
    EXPECT_EQ(ReadFile(ini), QByteArray("[system]\nlanguage=QUILLM_EN\n"));
    EXPECT_EQ(ReadFile(db), QByteArray("the user's records"));

    // A file the user removed comes back; the other stays as it is.
    QFile::remove(ini);
    SeedResult third = SeedDataFolder(data, shared);
    EXPECT_EQ(third.copied, QStringList{ini});
    EXPECT_EQ(ReadFile(db), QByteArray("the user's records"));
}

TEST_F(DataFolderTest, AnInstallationWithoutAnInitialDatabaseGetsAFreshOne)
{
    QFile::setPermissions(shared + QStringLiteral("/database/DATAINFO.db3"), QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(QFile::remove(shared + QStringLiteral("/database/DATAINFO.db3")));
    ASSERT_EQ(SeedDataFolder(data, shared).outcome, SeedResult::Ready);
    EXPECT_GT(QFileInfo(data + QStringLiteral("/database/DATAINFO.db3")).size(), 0);
    // Made by the program's own code: a second run keeps it.
    EXPECT_EQ(store::CreateInitialDatainfo(data + QStringLiteral("/database/DATAINFO.db3")), store::kInitialKept);
}

TEST_F(DataFolderTest, AFolderThatCannotBeMadeIsNamed)
{
    // A file stands where the data folder's parent should be (no permission
    // trick: the test may run as root).
    WriteFile(home.filePath(QStringLiteral("share")), "not a folder");
    const SeedResult result = SeedDataFolder(home.filePath(QStringLiteral("share/quillmark")), shared);
    EXPECT_EQ(result.outcome, SeedResult::NoFolder);
    EXPECT_EQ(result.path, home.filePath(QStringLiteral("share/quillmark/config")));
    EXPECT_TRUE(result.copied.isEmpty());
}

TEST_F(DataFolderTest, AFileThatCannotBeReadStopsTheSeedingWithItsName)
{
    // A damaged installation: the shipped settings file is missing.
    QFile::setPermissions(shared + QStringLiteral("/config/channelInfo.ini"), QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(QFile::remove(shared + QStringLiteral("/config/channelInfo.ini")));
    const SeedResult result = SeedDataFolder(data, shared);
    EXPECT_EQ(result.outcome, SeedResult::CopyFailed);
    EXPECT_EQ(result.path, data + QStringLiteral("/config/channelInfo.ini"));
    EXPECT_FALSE(QFileInfo::exists(result.path));
    EXPECT_EQ(QDir(data + QStringLiteral("/config")).entryList(QDir::Files | QDir::Hidden), QStringList());
}

TEST_F(DataFolderTest, InstalledTheSharedFilesComeFromTheInstallation)
{
    const CProgramContext context(data, QString(), shared);
    ASSERT_EQ(SeedDataFolder().outcome, SeedResult::Ready);
    EXPECT_TRUE(ProgramFolderIsDataFolder());
    EXPECT_EQ(ResourceFolder(), shared + QStringLiteral("/res/"));
    EXPECT_EQ(HelpFilePath(), shared + QStringLiteral("/res/ch.chm"));
    EXPECT_EQ(SettingsFile(), data + QStringLiteral("/config/channelInfo.ini"));
    // Backups of an installation shared by every user go to the user's data folder.
    EXPECT_EQ(DefaultBackupFolder(), data + QStringLiteral("/data_backup"));

    // The user's settings file is an old copy without the newer channel type;
    // the installation's definitions name it all the same, and the user's own
    // choices stay in the user's file.
    WriteFile(SettingsFile(), "[system]\nlanguage=QUILLM_EN\n[Channel]\n1=temperature\n"
                              "[temperature]\nid=1\nname_ch=旧\nname_en=Old\nunit=F\nrange=0~1\n");
    Settings().SetPath(QString());
    EXPECT_EQ(ChannelName(9), QStringLiteral("臭氧"));
    EXPECT_EQ(ChannelUnit(9), QStringLiteral("ppb"));
    EXPECT_EQ(ChannelName(1), QStringLiteral("温度"));
    EXPECT_EQ(ChannelRange(1), QStringLiteral("-40~85"));
    EXPECT_EQ(ChannelId(QStringLiteral("9")), 9);
    EXPECT_EQ(Settings().GetIniStr(QStringLiteral("system"), QStringLiteral("language")), QStringLiteral("QUILLM_EN"));
}

TEST_F(DataFolderTest, RunFromTheBuildFolderEverythingStaysInTheProgramFolder)
{
    const QString program = home.filePath(QStringLiteral("program"));
    WriteFile(program + QStringLiteral("/config/channelInfo.ini"),
              "[Channel]\n1=t\n[t]\nid=1\nname_ch=甲\nname_en=A\nunit=u\nrange=0~1\n");
    const CProgramContext context(program);
    EXPECT_EQ(SharedFolder(), program);
    EXPECT_FALSE(ProgramFolderIsDataFolder());
    EXPECT_EQ(SeedDataFolder().outcome, SeedResult::Ready);
    EXPECT_FALSE(QFileInfo::exists(program + QStringLiteral("/database")));
    EXPECT_EQ(ResourceFolder(), program + QStringLiteral("/res/"));
    EXPECT_EQ(&ChannelDefinitions(), &Settings());
    EXPECT_EQ(ChannelName(1), QStringLiteral("甲"));
    EXPECT_NE(DefaultBackupFolder(), program + QStringLiteral("/data_backup"));
}

TEST_F(DataFolderTest, TheHtmlGuideIsPreferredWhereItIsThere)
{
    const CProgramContext context(data, QString(), shared);
    SetCurrentLanguageName(QString::fromLatin1(kEnglishModule));
    EXPECT_EQ(HelpFilePath(), shared + QStringLiteral("/res/help/en/index.html"));
    SetCurrentLanguageName(QString::fromLatin1(kChineseModule));
    EXPECT_EQ(HelpFilePath(), shared + QStringLiteral("/res/ch.chm"));
}

} // namespace

namespace {

// One running copy per user: a lock in the shared temporary folder that did
// not carry the user would keep every other user of the machine out.
TEST(InstanceLockTest, TheLockBelongsToTheUser)
{
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    const bool had = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    EXPECT_EQ(CInstanceGuard::DefaultLockPath(), runtime.filePath(QStringLiteral("Quillmark.lock")));
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(CInstanceGuard::DefaultLockPath(),
              QDir::tempPath() + QStringLiteral("/Quillmark-%1.lock").arg(::getuid()));
    if (had)
        qputenv("XDG_RUNTIME_DIR", saved);
}

} // namespace
