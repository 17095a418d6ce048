#include "Strings.h"

#include <QTemporaryDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace qm;

TEST(Strings, BuiltinTableIsChineseAndUnescaped)
{
    EXPECT_EQ(Msg(168), QString::fromUtf8("提示"));
    EXPECT_EQ(Msg(106), QString::fromUtf8("数据库操作失败！\r\n错误信息:%s"));
    EXPECT_TRUE(Msg(999999).isEmpty());
}

TEST(Strings, PlaceholdersAreFilledInOrder)
{
    EXPECT_EQ(MsgF(109, {QStringLiteral("/x/DATAINFO.db3")}),
              QString::fromUtf8("请检查数据库文件是否存在：\n/x/DATAINFO.db3"));
    // More placeholders than arguments leaves the rest empty rather than printing garbage.
    EXPECT_EQ(MsgF(108, {QStringLiteral("0000001a")}).left(14), QString::fromUtf8("错误代码: 0000001a"));
}

TEST(Strings, ModuleReplacesTableAndFallsBackPerEntry)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QUILLM_EN.lang"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("# comment\n168\tNotice\n900\tTab\\there\\\\\r\nbad line\n");
    f.close();

    ASSERT_TRUE(LoadLanguageModule(path));
    EXPECT_TRUE(LanguageModuleLoaded());
    EXPECT_EQ(Msg(168), QStringLiteral("Notice"));
    EXPECT_EQ(Msg(900), QStringLiteral("Tab\there\\"));
    EXPECT_EQ(Msg(106), QString::fromUtf8("数据库操作失败！\r\n错误信息:%s")); // not in the module
    UseBuiltinStrings();
    EXPECT_EQ(Msg(168), QString::fromUtf8("提示"));

    EXPECT_FALSE(LoadLanguageModule(dir.filePath(QStringLiteral("missing.lang"))));
    EXPECT_FALSE(LanguageModuleLoaded());
}

TEST(Strings, TableSavedWithAByteOrderMarkKeepsItsFirstEntry)
{
    const auto table = ParseStringTable(QByteArray("\xEF\xBB\xBF" "168\tNotice\r\n169\tUser name:\r\n"));
    EXPECT_EQ(table.value(168), QStringLiteral("Notice"));
    EXPECT_EQ(table.size(), 2);
}

// An operation and its object: run together in Chinese, a space between them
// in English unless one side brings it; a menu text used as a title keeps no
// accelerator mark, shortcut or ellipsis.
TEST(Strings, WordsJoinAsTheLanguageWritesThemAndMenuTextsBecomeTitles)
{
    EXPECT_EQ(JoinWords(QString::fromUtf8("设备连接"), QStringLiteral("Truck 7")),
              QString::fromUtf8("设备连接Truck 7"));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QUILLM_EN.lang"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("5073\t%s %s\n");
    f.close();
    ASSERT_TRUE(LoadLanguageModule(path));
    EXPECT_EQ(JoinWords(QStringLiteral("Device connected"), QStringLiteral("Truck 7")),
              QStringLiteral("Device connected Truck 7"));
    EXPECT_EQ(JoinWords(QStringLiteral("5A3100102"), QStringLiteral("Download succeeded!")),
              QStringLiteral("5A3100102 Download succeeded!"));
    EXPECT_EQ(JoinWords(QStringLiteral("Login"), QStringLiteral(" failed")), QStringLiteral("Login failed"));
    EXPECT_EQ(JoinWords(QStringLiteral("Before: "), QStringLiteral("COM1")), QStringLiteral("Before: COM1"));
    EXPECT_EQ(JoinWords(QString(), QStringLiteral("x")), QStringLiteral("x"));
    EXPECT_EQ(JoinWords(QStringLiteral("100%"), QStringLiteral("%s")), QStringLiteral("100% %s")); // no second fill
    UseBuiltinStrings();

    EXPECT_EQ(TitleText(QStringLiteral("&About Quillmark...")), QStringLiteral("About Quillmark"));
    EXPECT_EQ(TitleText(QString::fromUtf8("关于 Quillmark(&A)...")), QString::fromUtf8("关于 Quillmark"));
    EXPECT_EQ(TitleText(QString::fromUtf8("连接(&I)\tCtrl+I")), QString::fromUtf8("连接"));
    EXPECT_EQ(TitleText(QStringLiteral("Save && &print…")), QStringLiteral("Save & print"));
}
