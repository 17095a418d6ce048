// The "pinyin" collation: Chinese by reading, homophones equal, the rest by code point.
#include "OpenDatabase.h"
#include "PinyinCollation.h"
#include "PinyinTable.h"
#include "Recordset.h"
#include "StoreTestUtil.h"

#include <gtest/gtest.h>

using namespace qm::store;

namespace {

int Compare(const QString& a, const QString& b)
{
    const QByteArray x = a.toUtf8();
    const QByteArray y = b.toUtf8();
    return PinyinCompare(reinterpret_cast<const unsigned char*>(x.constData()), int(x.size()),
                         reinterpret_cast<const unsigned char*>(y.constData()), int(y.size()));
}

} // namespace

TEST(Pinyin, TableHoldsOneReadingPerGb2312Character)
{
    EXPECT_STREQ(PinyinReading(0x4E00), "yi1");
    EXPECT_STREQ(PinyinReading(0x4E01), "zheng1");
    EXPECT_STREQ(PinyinReading(0x4E03), "qi1");
    EXPECT_STREQ(PinyinReading(0x4E07), "wan4");
    EXPECT_STREQ(PinyinReading(0x4E2D), "zhong4");
    EXPECT_STREQ(PinyinReading(0x6587), "wen2");
    EXPECT_STREQ(PinyinReading(0x7EFF), "lv4");     // 绿: the u-umlaut is written v
    EXPECT_EQ(PinyinReading(0x4E02), nullptr);      // not in GB 2312
    EXPECT_EQ(PinyinReading(0x9F50), nullptr);      // beyond the table
    EXPECT_EQ(kPinyinEntryCount, 6727);
}

TEST(Pinyin, ComparesByReadingThenCodePoint)
{
    EXPECT_LT(Compare(QStringLiteral("张"), QStringLiteral("赵")), 0);    // zhang1 < zhao4
    EXPECT_GT(Compare(QStringLiteral("赵"), QStringLiteral("张")), 0);
    EXPECT_EQ(Compare(QStringLiteral("张"), QStringLiteral("彰")), 0);    // both zhang1
    EXPECT_LT(Compare(QStringLiteral("张a"), QStringLiteral("彰b")), 0);  // homophones: the walk goes on
    EXPECT_EQ(Compare(QStringLiteral("abc"), QStringLiteral("abc")), 0);
    EXPECT_LT(Compare(QStringLiteral("abc"), QStringLiteral("abcd")), 0);
    EXPECT_LT(Compare(QStringLiteral("张"), QStringLiteral("张三")), 0);
    // Above U+9F00 by code point: 齐 U+9F50 < 龙 U+9F99, and after every character of the table.
    EXPECT_LT(Compare(QStringLiteral("齐"), QStringLiteral("龙")), 0);
    EXPECT_GT(Compare(QStringLiteral("齐"), QStringLiteral("周")), 0);
    // A character in range without a reading sorts after every character with one.
    EXPECT_GT(Compare(QString(QChar(0x4E02)), QStringLiteral("周")), 0);
    EXPECT_EQ(Compare(QString(QChar(0x4E02)), QString(QChar(0x4E04))), 0);
    // Four-byte characters order by code point, after the table's characters.
    EXPECT_GT(Compare(QString::fromUcs4(U"\U0001F600"), QStringLiteral("周")), 0);
    // A cut-off sequence falls back to its bytes instead of reading past the key.
    const unsigned char cut[] = {0xE5, 0xBC};
    const unsigned char whole[] = {0xE5, 0xBC, 0xA0};
    EXPECT_LT(PinyinCompare(cut, 2, whole, 3), 0);
}

TEST(Pinyin, OrderByCollatePinyinOnAConnection)
{
    storetest::ScratchFolder dir;
    auto db = OpenDatabase(nullptr, dir.File(QStringLiteral("p.db3")), 1, 0, 1);
    ASSERT_TRUE(db);
    ASSERT_NE(db->ExeSql(QStringLiteral("create table n(name);")), -1);
    const QStringList names = {"周", "齐", "abc", "孙", "陈", "Zed", "黄", "杨", "abcd"};
    for (const QString& n : names)
        ASSERT_NE(db->ExeSql(QStringLiteral("insert into n values('%1');").arg(n)), -1);
    std::unique_ptr<CRecordset> set;
    ASSERT_EQ(db->QueryRecordset(QStringLiteral("select name from n order by name collate pinyin"), set), 1);
    QStringList sorted;
    for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
        sorted << set->Text(0);
    EXPECT_EQ(sorted, QStringList({"Zed", "abc", "abcd", "陈", "黄", "孙", "杨", "周", "齐"}));
}
