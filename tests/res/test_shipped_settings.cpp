// The settings file the program folder is shipped with.
#include "TestPaths.h"
#include "ChannelInfo.h"
#include "Ciniwell.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qm;

namespace {

QString ShippedFile() { return TestSourceDir() + QStringLiteral("/app/res/config/channelInfo.ini"); }

} // namespace

TEST(ShippedSettings, EveryChannelIsCompletelyDefined)
{
    Ciniwell ini(0);
    ASSERT_EQ(ini.SetPath(ShippedFile()), 1);
    const QStringList codes = ini.Keys(QStringLiteral("Channel"));
    ASSERT_GE(codes.size(), 5);
    const QRegularExpression range(QStringLiteral("^(-?\\d+)~(-?\\d+)$"));
    QStringList sections;
    for (const QString& code : codes) {
        SCOPED_TRACE(code.toStdString());
        bool numeric = false;
        const int n = code.toInt(&numeric);
        ASSERT_TRUE(numeric);
        const QString section = ini.GetIniStr(QStringLiteral("Channel"), code, QString(), 0);
        EXPECT_FALSE(sections.contains(section, Qt::CaseInsensitive)) << "two codes share " << section.toStdString();
        sections << section;
        EXPECT_EQ(ChannelId(ini, code), n);
        EXPECT_FALSE(ChannelName(ini, n, QStringLiteral("QUILLM_CH")).isEmpty());
        EXPECT_FALSE(ChannelName(ini, n, QStringLiteral("QUILLM_EN")).isEmpty());
        const QString unit = ChannelUnit(ini, n);
        EXPECT_FALSE(unit.isEmpty());
        EXPECT_FALSE(unit.contains(QChar(0x2103))) << "degree sign and C, not the one-character sign";
        const auto m = range.match(ChannelRange(ini, n));
        ASSERT_TRUE(m.hasMatch()) << ChannelRange(ini, n).toStdString();
        EXPECT_LT(m.captured(1).toInt(), m.captured(2).toInt());
    }
    EXPECT_EQ(ChannelName(ini, 1, QStringLiteral("QUILLM_CH")), QString::fromUtf8("温度"));
    EXPECT_EQ(ChannelUnit(ini, 1), QString::fromUtf8("°C"));
    EXPECT_EQ(ChannelRange(ini, 1), QStringLiteral("-40~85"));
    EXPECT_EQ(ChannelName(ini, 2, QStringLiteral("QUILLM_EN")), QStringLiteral("Humidity"));
    EXPECT_EQ(ChannelUnit(ini, 2), QStringLiteral("%RH"));
    EXPECT_EQ(ChannelRange(ini, 2), QStringLiteral("0~100"));
}

TEST(ShippedSettings, DefaultsAreWhatTheReadersExpect)
{
    Ciniwell ini(0);
    ASSERT_EQ(ini.SetPath(ShippedFile()), 1);
    EXPECT_TRUE(ini.GetIniStr(QStringLiteral("system"), QStringLiteral("language"), QString(), 0).isEmpty());
    EXPECT_EQ(ini.GetIniInt(QStringLiteral("system"), QStringLiteral("expire"), 0, 1, -1, -1), 10);
    EXPECT_EQ(ini.GetIniInt(QStringLiteral("system"), QStringLiteral("idle_logout"), 0, 1, -1, -1), 15);
    // No backup path: the readers' default (the drive-root folder) applies.
    EXPECT_EQ(ini.GetIniStr(QStringLiteral("backup"), QStringLiteral("path"), QStringLiteral("D"), 1), QStringLiteral("D"));
    EXPECT_EQ(ini.GetIniInt(QStringLiteral("com_port"), QStringLiteral("auto"), -1, 1, -1, -1), 1);
    EXPECT_EQ(ini.GetIniInt(QStringLiteral("com_port"), QStringLiteral("CBT"), 0, 1, -1, -1), 115200);
    EXPECT_EQ(ini.GetIniInt(QStringLiteral("com_port"), QStringLiteral("interval"), 0, 1, -1, -1), 300);
    for (const char* key : {"coor", "reticle", "coll"}) {
        const long v = ini.GetIniInt(QStringLiteral("graph"), QLatin1String(key), -1, 1, -1, -1);
        EXPECT_TRUE(v == 0 || v == 1) << key;
    }
    EXPECT_EQ(ini.GetIniInt(QStringLiteral("graph"), QStringLiteral("division"), -1, 1, -1, -1), 4);
}

TEST(ShippedSettings, ProgramFolderGetsTheFileButARebuildKeepsTheUsersOne)
{
    EXPECT_TRUE(QFile::exists(TestProgramDir() + QStringLiteral("/config/channelInfo.ini")));

    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("config/channelInfo.ini"));
    const QString script = TestSourceDir() + QStringLiteral("/app/res/CopyIfMissing.cmake");
    auto copy = [&] {
        return QProcess::execute(QStringLiteral(QM_CMAKE_COMMAND),
                                 {QStringLiteral("-DSRC=") + ShippedFile(), QStringLiteral("-DDST=") + target,
                                  QStringLiteral("-P"), script});
    };
    ASSERT_EQ(copy(), 0);
    Ciniwell ini(0);
    ASSERT_EQ(ini.SetPath(target), 1);
    ASSERT_EQ(ini.WriteIniStr(QStringLiteral("system"), QStringLiteral("language"), QStringLiteral("QUILLM_EN")), 1);
    ASSERT_EQ(copy(), 0);
    EXPECT_EQ(ini.GetIniStr(QStringLiteral("system"), QStringLiteral("language"), QString(), 0), QStringLiteral("QUILLM_EN"));
}
