#include "Ciniwell.h"

#include <QFile>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

class CiniwellTest : public ::testing::Test {
protected:
    QString Put(const QByteArray& content)
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }
    QByteArray Content() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("channelInfo.ini"));
};

} // namespace

TEST_F(CiniwellTest, ReadsLikeTheProfileCalls)
{
    Put("\xEF\xBB\xBF; comment\r\n[System]\r\n  Language =  QUILLM_EN  \r\nempty=\r\n"
        "[system]\r\nlanguage=second copy\r\n[path]\r\nbackup=D:\\x;y # not a comment\r\n");
    Ciniwell ini(0);
    ASSERT_EQ(ini.SetPath(path), 1);
    EXPECT_EQ(ini.GetIniStr(S("SYSTEM"), S("language"), QString(), 0), S("QUILLM_EN"));   // first section wins
    EXPECT_EQ(ini.GetIniStr(S("path"), S("BACKUP"), QString(), 0), S("D:\\x;y # not a comment"));
    // Absent key: the default, and a null default stays null.
    EXPECT_EQ(ini.GetIniStr(S("system"), S("missing"), S("dflt"), 1), S("dflt"));
    EXPECT_TRUE(ini.GetIniStr(S("nosection"), S("language"), QString(), 0).isNull());
    // A present but empty value is a value for lookups and "use the default" for settings.
    EXPECT_TRUE(ini.GetIniStr(S("system"), S("empty"), S("dflt"), 0).isEmpty());
    EXPECT_EQ(ini.GetIniStr(S("system"), S("empty"), S("dflt"), 1), S("dflt"));
    EXPECT_EQ(ini.Sections(), (QStringList{S("System"), S("path")}));

    Ciniwell none(0);
    EXPECT_EQ(none.SetPath(dir.filePath(S("absent.ini"))), 0);
    EXPECT_EQ(none.GetIniInt(S("system"), S("expire"), 10, 1, -1, -1), 10);
}

TEST_F(CiniwellTest, IntegersAreParsedLeniantlyAndBoundsClamp)
{
    Put("[graph]\ndivision=20\ncoor=-3\ninterval=300 ms\nword=abc\nblank=\nbig=99999999999999999999\nneg=-7\n");
    Ciniwell ini(0);
    ini.SetPath(path);
    EXPECT_EQ(ini.GetIniInt(S("graph"), S("division"), 4, 1, 10, 1), 10);
    EXPECT_EQ(ini.GetIniInt(S("graph"), S("coor"), 1, 1, 1, 0), 0);
    EXPECT_EQ(ini.GetIniInt(S("graph"), S("interval"), 0, 1, -1, -1), 300);
    EXPECT_EQ(ini.GetIniInt(S("graph"), S("word"), 4, 1, -1, -1), 4);
    EXPECT_EQ(ini.GetIniInt(S("graph"), S("blank"), 4, 1, -1, -1), 4);
    EXPECT_EQ(ini.GetIniInt(S("graph"), S("big"), 4, 1, -1, -1), 4);
    EXPECT_EQ(ini.GetIniInt(S("graph"), S("neg"), 4, 1, -1, -1), -7);   // -1/-1: no bounds at all
    EXPECT_EQ(ini.GetIniInt(S("graph"), S("absent"), 4, 1, 10, 1), 4);
}

TEST_F(CiniwellTest, WritesKeepEveryOtherLineAsItWas)
{
    Put("; settings\n\n[system]\nlanguage = QUILLM_CH\n; lifetime\nexpire=10\n\n"
        "[backup]\n; path=<folder>\n\n[graph]\ncoor=1\n");
    Ciniwell ini(0);
    ini.SetPath(path);
    EXPECT_EQ(ini.WriteIniStr(S("SYSTEM"), S("Language"), S("QUILLM_EN")), 1);   // in place, spacing kept
    EXPECT_EQ(ini.WriteIniStr(S("system"), S("extra"), S("x")), 1);              // after the last key
    EXPECT_EQ(ini.WriteIniStr(S("backup"), S("path"), S("/mnt/b")), 1);          // below the section's comments
    EXPECT_EQ(ini.WriteIniInit(S("com_port"), S("CBT"), 9600), 1);              // new section at the end
    EXPECT_EQ(Content(), QByteArray("; settings\n\n[system]\nlanguage = QUILLM_EN\n; lifetime\nexpire=10\nextra=x\n\n"
                                    "[backup]\n; path=<folder>\npath=/mnt/b\n\n[graph]\ncoor=1\n\n[com_port]\nCBT=9600\n"));
    // Reads reflect the writes at once.
    EXPECT_EQ(ini.GetIniStr(S("system"), S("language"), QString(), 0), S("QUILLM_EN"));
    EXPECT_EQ(ini.GetIniInt(S("com_port"), S("cbt"), 0, 1, -1, -1), 9600);
}

TEST_F(CiniwellTest, BomAndLineEndsSurviveAWrite)
{
    Put("\xEF\xBB\xBF[system]\r\nlanguage=\r\n");
    Ciniwell ini(0);
    ini.SetPath(path);
    ASSERT_EQ(ini.WriteIniStr(S("system"), S("language"), S("中文")), 1);
    EXPECT_EQ(Content(), QByteArray("\xEF\xBB\xBF[system]\r\nlanguage=") + S("中文").toUtf8() + "\r\n");
}

TEST_F(CiniwellTest, RefusesWhatWouldBreakTheFile)
{
    Put("[system]\nlanguage=QUILLM_CH\n");
    Ciniwell ini(0);
    ini.SetPath(path);
    EXPECT_EQ(ini.WriteIniStr(S("system"), S("language"), S("QUILLM_EN\n[evil]\nx=1")), 0);
    EXPECT_EQ(ini.WriteIniStr(S("system"), S("a=b"), S("1")), 0);
    EXPECT_EQ(ini.WriteIniStr(S("sys]tem"), S("a"), S("1")), 0);
    EXPECT_EQ(ini.WriteIniStr(S(" "), S("a"), S("1")), 0);
    EXPECT_EQ(ini.WriteIniStr(S("system"), S(";a"), S("1")), 0);
    EXPECT_EQ(Content(), QByteArray("[system]\nlanguage=QUILLM_CH\n"));
}

TEST_F(CiniwellTest, FileIsReplacedAtomicallyAndOtherWritersAreSeen)
{
    Put("[system]\nexpire=10\n");
    Ciniwell a(0), b(0);
    a.SetPath(path);
    b.SetPath(path);
    // A reader that has the old file open keeps reading the old, whole file:
    // the new content arrives as a new file renamed over the old one.
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    ASSERT_EQ(a.WriteIniInit(S("system"), S("expire"), 30), 1);
    EXPECT_EQ(old.readAll(), QByteArray("[system]\nexpire=10\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{S("channelInfo.ini")});
    EXPECT_EQ(b.GetIniInt(S("system"), S("expire"), 0, 1, -1, -1), 30);   // b re-reads the new file
    ASSERT_EQ(b.WriteIniStr(S("system"), S("language"), S("QUILLM_EN")), 1);
    EXPECT_EQ(a.GetIniStr(S("system"), S("language"), QString(), 0), S("QUILLM_EN"));
    EXPECT_EQ(a.GetIniInt(S("system"), S("expire"), 0, 1, -1, -1), 30);   // b did not undo a's write

    // A write that cannot reach the disk changes nothing, not even what the object reads.
    Ciniwell lost(0);
    EXPECT_EQ(lost.SetPath(dir.filePath(S("no/such/folder/x.ini"))), 0);
    EXPECT_EQ(lost.WriteIniStr(S("system"), S("language"), S("QUILLM_EN")), 0);
    EXPECT_TRUE(lost.GetIniStr(S("system"), S("language"), QString(), 0).isNull());
    Ciniwell unbound(0);
    EXPECT_EQ(unbound.WriteIniStr(S("system"), S("language"), S("QUILLM_EN")), 0);
}

TEST_F(CiniwellTest, ConcurrentWritersAndReadersLoseNothing)
{
    Put("[system]\nexpire=10\n");
    Ciniwell ini(0);
    ini.SetPath(path);
    constexpr int kWriters = 4, kKeys = 20;
    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w)
        threads.emplace_back([&, w] {
            for (int k = 0; k < kKeys; ++k)
                EXPECT_EQ(ini.WriteIniInit(QStringLiteral("w%1").arg(w), QStringLiteral("k%1").arg(k), w * 1000 + k), 1);
        });
    for (int r = 0; r < 2; ++r)
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i)
                EXPECT_EQ(ini.GetIniInt(S("system"), S("expire"), 0, 1, -1, -1), 10);
        });
    for (auto& t : threads)
        t.join();
    Ciniwell fresh(0);
    fresh.SetPath(path);
    for (int w = 0; w < kWriters; ++w)
        for (int k = 0; k < kKeys; ++k)
            EXPECT_EQ(fresh.GetIniInt(QStringLiteral("w%1").arg(w), QStringLiteral("k%1").arg(k), -1, 1, -1, -1), w * 1000 + k);
}
