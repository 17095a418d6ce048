#include "ChannelInfo.h"
#include "Ciniwell.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qm;

TEST(ChannelInfo, TwoStepLookupByCodeAndByKeyText)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("channelInfo.ini"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[channel]\n1=Temperature\n2=humidity\n9=undefined\n"
            "[TEMPERATURE]\nid=1\nname_ch=\xE6\xB8\xA9\xE5\xBA\xA6\nname_en=Temperature\nunit=\xC2\xB0" "C\nrange=-40~85\n"
            "[humidity]\nid=2\nname_en=Humidity\nunit=%RH\nrange=0~100\n");
    f.close();
    Ciniwell ini(0);
    ini.SetPath(path);

    EXPECT_EQ(ChannelName(ini, 1, QStringLiteral("QUILLM_CH")), QString::fromUtf8("温度"));
    EXPECT_EQ(ChannelName(ini, 1, QStringLiteral("QUILLM_EN")), QStringLiteral("Temperature"));
    // Any name other than QUILLM_CH reads the English name, also one whose module is missing.
    EXPECT_EQ(ChannelName(ini, 1, QStringLiteral("QUILLM_FR")), QStringLiteral("Temperature"));
    EXPECT_EQ(ChannelUnit(ini, 1), QString::fromUtf8("°C"));
    EXPECT_EQ(ChannelRange(ini, 2), QStringLiteral("0~100"));
    EXPECT_EQ(ChannelId(ini, QStringLiteral("2")), 2);

    // Missing pieces give empty texts and 0, at either step.
    EXPECT_TRUE(ChannelName(ini, 2, QStringLiteral("QUILLM_CH")).isEmpty());
    EXPECT_TRUE(ChannelUnit(ini, 9).isEmpty());
    EXPECT_TRUE(ChannelRange(ini, 42).isEmpty());
    EXPECT_EQ(ChannelId(ini, QStringLiteral("9")), 0);
    EXPECT_EQ(ChannelId(ini, QStringLiteral("42")), 0);
    // The key text is used as given: no number formatting on this path.
    EXPECT_EQ(ChannelId(ini, QStringLiteral("01")), 0);
}
