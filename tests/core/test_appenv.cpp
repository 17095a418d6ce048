#include "TestPaths.h"
#include "AppEnv.h"
#include "ChannelInfo.h"
#include "Ciniwell.h"
#include "Strings.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

using namespace qm;

namespace {

void WriteFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
}

// Each test leaves the process environment as it found it.
class AppEnvTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        m_context.reset();
        UseBuiltinStrings();
    }

    // The program folder `folder` from now on (the one before ends first).
    void UseFolder(const QString& folder)
    {
        m_context.reset();
        m_context = std::make_unique<CProgramContext>(folder);
    }

    // A program folder with a settings file whose [system] language is `language`.
    QString ProgramWithLanguage(const QByteArray& language)
    {
        WriteFile(program.filePath(QStringLiteral("config/channelInfo.ini")),
                  "[system]\nlanguage=" + language + "\n[Channel]\n1=temperature\n"
                  "[temperature]\nid=1\nname_ch=" + QByteArray("温度") + "\nname_en=Temperature\nunit=°C\nrange=-40~85\n");
        UseFolder(program.path());
        return program.path();
    }

    QTemporaryDir program;
    std::unique_ptr<CProgramContext> m_context;
};

QString DfMountPoint(const QString& path)
{
    QProcess df;
    df.start(QStringLiteral("df"), {QStringLiteral("--output=target"), path});
    df.waitForFinished();
    const QStringList lines = QString::fromUtf8(df.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    return lines.size() == 2 ? lines[1].trimmed() : QString();
}

} // namespace

TEST_F(AppEnvTest, FilesOfTheProgramFolder)
{
    qputenv("QUILLMARK_FOLDER", "/opt/quillmark/");
    UseFolder(QString());
    EXPECT_EQ(ProgramFolder(), QStringLiteral("/opt/quillmark"));
    EXPECT_EQ(DatabaseFolder(), QStringLiteral("/opt/quillmark/database"));
    EXPECT_EQ(SettingsFile(), QStringLiteral("/opt/quillmark/config/channelInfo.ini"));
    EXPECT_EQ(ResourceFolder(), QStringLiteral("/opt/quillmark/res/"));
    EXPECT_EQ(LogFolder(), QStringLiteral("/opt/quillmark/log"));

    UseFolder(program.path());
    EXPECT_EQ(Settings().Path(), program.filePath(QStringLiteral("config/channelInfo.ini")));
}

TEST_F(AppEnvTest, BackupFolderSitsAtTheRootOfTheProgramsFileSystem)
{
    // Real mounts of this machine, checked against df.
    const QString deep = program.filePath(QStringLiteral("a/b"));
    QDir().mkpath(deep);
    EXPECT_EQ(MountPointOf(deep), DfMountPoint(deep));
    EXPECT_EQ(MountPointOf(QStringLiteral("/proc/self")), QStringLiteral("/proc"));
    EXPECT_EQ(MountPointOf(QStringLiteral("/dev/shm/not/there")), QStringLiteral("/dev/shm"));

    // The depth of the program folder does not matter.
    UseFolder(deep);
    const QString fromDeep = DefaultBackupFolder();
    UseFolder(program.path());
    EXPECT_EQ(DefaultBackupFolder(), fromDeep);
    EXPECT_TRUE(fromDeep.endsWith(QStringLiteral("/data_backup")));
    EXPECT_FALSE(fromDeep.contains(QStringLiteral("//")));

    // The "backup"/"path" setting wins over the default.
    EXPECT_EQ(BackupFolder(), fromDeep);
    ASSERT_TRUE(QDir().mkpath(ConfigFolder()));
    ASSERT_EQ(Settings().WriteIniStr(QStringLiteral("backup"), QStringLiteral("path"), QStringLiteral("/srv/b")), 1);
    EXPECT_EQ(BackupFolder(), QStringLiteral("/srv/b"));
}

TEST_F(AppEnvTest, BackupFolderFallsBackToHomeWhereTheRootIsNoUse)
{
    QTemporaryDir mount, home;
    EXPECT_EQ(ChooseBackupFolder(mount.path(), home.path()), mount.filePath(QStringLiteral("data_backup")));
    EXPECT_FALSE(QFile::exists(mount.filePath(QStringLiteral("data_backup"))));   // decided, not created

    QDir(mount.path()).mkdir(QStringLiteral("data_backup"));
    EXPECT_EQ(ChooseBackupFolder(mount.path() + u'/', home.path()), mount.filePath(QStringLiteral("data_backup")));

    QTemporaryDir blocked;
    WriteFile(blocked.filePath(QStringLiteral("data_backup")), "a file, not a folder");
    EXPECT_EQ(ChooseBackupFolder(blocked.path(), home.path()), home.filePath(QStringLiteral("data_backup")));
    EXPECT_EQ(ChooseBackupFolder(mount.filePath(QStringLiteral("gone")), home.path()),
              home.filePath(QStringLiteral("data_backup")));
}

TEST_F(AppEnvTest, BlankLanguageFollowsTheSystemLocale)
{
    EXPECT_EQ(ChooseLanguageName(QString(), QLocale(QStringLiteral("zh_CN"))), QStringLiteral("QUILLM_CH"));
    EXPECT_EQ(ChooseLanguageName(QStringLiteral("  "), QLocale(QStringLiteral("zh_CN"))), QStringLiteral("QUILLM_CH"));
    EXPECT_EQ(ChooseLanguageName(QString(), QLocale(QStringLiteral("zh_TW"))), QStringLiteral("QUILLM_EN"));
    EXPECT_EQ(ChooseLanguageName(QString(), QLocale(QStringLiteral("en_US"))), QStringLiteral("QUILLM_EN"));
    EXPECT_EQ(ChooseLanguageName(QStringLiteral(" QUILLM_CH "), QLocale(QStringLiteral("en_US"))), QStringLiteral("QUILLM_CH"));

    ProgramWithLanguage("  ");
    EXPECT_EQ(SelectLanguage(QLocale(QStringLiteral("zh_CN"))), LanguageResult::BuiltinUsed);   // no module in this folder
    EXPECT_EQ(CurrentLanguageName(), QStringLiteral("QUILLM_CH"));
    // The choice is not written back.
    EXPECT_TRUE(Settings().GetIniStr(QStringLiteral("system"), QStringLiteral("language"), QString(), 0).isEmpty());
}

TEST_F(AppEnvTest, ModuleLoadsFromTheResourceFolder)
{
    ProgramWithLanguage("QUILLM_EN");
    ASSERT_TRUE(QDir().mkpath(program.filePath(QStringLiteral("res"))));
    ASSERT_TRUE(QFile::copy(TestProgramDir() + QStringLiteral("/res/QUILLM_EN.lang"),
                            program.filePath(QStringLiteral("res/QUILLM_EN.lang"))));
    EXPECT_EQ(SelectLanguage(QLocale(QStringLiteral("zh_CN"))), LanguageResult::ModuleLoaded);
    EXPECT_EQ(Msg(168), QStringLiteral("Notice"));
    EXPECT_EQ(ChannelName(1), QStringLiteral("Temperature"));
    EXPECT_EQ(HelpFilePath(), program.filePath(QStringLiteral("res/en.chm")));
}

TEST_F(AppEnvTest, MissingModuleKeepsChineseTextsButTheChosenChannelNames)
{
    ProgramWithLanguage("QUILLM_EN");   // res/ does not exist yet: it is created, but has no module
    EXPECT_EQ(SelectLanguage(), LanguageResult::BuiltinUsed);
    EXPECT_TRUE(QFileInfo(program.filePath(QStringLiteral("res"))).isDir());
    EXPECT_EQ(Msg(168), QString::fromUtf8("提示"));
    EXPECT_EQ(CurrentLanguageName(), QStringLiteral("QUILLM_EN"));
    EXPECT_EQ(ChannelName(1), QStringLiteral("Temperature"));

    ProgramWithLanguage("QUILLM_CH");
    EXPECT_EQ(SelectLanguage(), LanguageResult::BuiltinUsed);
    EXPECT_EQ(ChannelName(1), QString::fromUtf8("温度"));
    EXPECT_EQ(HelpFilePath(), program.filePath(QStringLiteral("res/ch.chm")));

    // A setting that points outside res/ is no module at all.
    ProgramWithLanguage("../config/channelInfo");
    EXPECT_TRUE(LanguageModulePath(QStringLiteral("../config/channelInfo")).isEmpty());
    EXPECT_EQ(SelectLanguage(), LanguageResult::BuiltinUsed);
}

TEST_F(AppEnvTest, NoResourceFolderIsReported)
{
    ProgramWithLanguage("QUILLM_CH");
    WriteFile(program.filePath(QStringLiteral("res")), "a file where the folder should be");
    EXPECT_EQ(SelectLanguage(), LanguageResult::NoResourceFolder);
}

TEST_F(AppEnvTest, LanguageSwitchStoresOnlyARealChange)
{
    ProgramWithLanguage("QUILLM_CH");
    SelectLanguage();
    const QByteArray before = [&] {
        QFile f(SettingsFile());
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    EXPECT_EQ(RequestLanguageSwitch(QStringLiteral("QUILLM_CH")), 0);
    QFile same(SettingsFile());
    ASSERT_TRUE(same.open(QIODevice::ReadOnly));
    EXPECT_EQ(same.readAll(), before);

    EXPECT_EQ(RequestLanguageSwitch(QStringLiteral("QUILLM_EN")), 1);
    EXPECT_EQ(Settings().GetIniStr(QStringLiteral("system"), QStringLiteral("language"), QString(), 0), QStringLiteral("QUILLM_EN"));
    EXPECT_EQ(CurrentLanguageName(), QStringLiteral("QUILLM_CH"));   // until the restart
}
