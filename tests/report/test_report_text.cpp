// The export, report and audit texts, line for line.
#include "ReportTestUtil.h"

#include "ReportText.h"
#include "Strings.h"

#include <gtest/gtest.h>

using namespace qm::report;
using reporttest::MakeRecord;
using reporttest::Rows;

namespace {

std::shared_ptr<Rows> ThreeRows()
{
    auto rows = std::make_shared<Rows>();
    rows->times = {QStringLiteral("2024-05-06 08:00:00"), QStringLiteral("2024-05-06 08:05:00"),
                   QStringLiteral("2024-05-06 08:10:00")};
    rows->cells = {{QStringLiteral("5.1"), QStringLiteral("55.0")},
                   {QStringLiteral("-"), QStringLiteral("56.2")},
                   {QStringLiteral("ERR"), QString()}};
    return rows;
}

const QDateTime kBeijingNow(QDate(2024, 5, 7), QTime(11, 0, 0), Qt::OffsetFromUTC, 8 * 3600);

OutputRecord TwoChannels()
{
    OutputRecord r = MakeRecord(ThreeRows(), 2);
    r.channels[0].maximum = r.channels[0].minimum = r.channels[0].average = QStringLiteral("5.1");
    r.channels[1].maximum = QStringLiteral("56.2");
    r.channels[1].minimum = QStringLiteral("55.0");
    r.channels[1].average = QStringLiteral("55.6");
    return r;
}

const QString kExportHead = QStringLiteral(
    "用户名:admin\r\n"
    "记录名称:冷库一号\r\n"
    "导出时间：2024/05/07 11:00:00\r\n"
    "标识:A12345678\r\n"
    "通道数：2\r\n"
    "数据条数：3\r\n"
    "数据开始时间:2024-05-06 08:00:00\r\n"
    "数据结束时间:2024-05-06 08:10:00\r\n"
    "通道1,最大值:5.1,最小值:5.1,平均值:5.1,类型:温度,单位:℃\r\n"
    "通道2,最大值:56.2,最小值:55.0,平均值:55.6,类型:湿度,单位:%RH\r\n"
    "\r\n");

} // namespace

TEST(ExportText, CsvOfTwoChannelsHasAHeaderEndingInACommaAndDashesForEmptyCells)
{
    EXPECT_EQ(BuildExportText(TwoChannels(), QStringLiteral(","), QStringLiteral(","), kBeijingNow),
              kExportHead
                  + QStringLiteral("序号,日期,通道1,通道2,\r\n"
                                   "1,2024-05-06 08:00:00,5.1,55.0\r\n"
                                   "2,2024-05-06 08:05:00,-,56.2\r\n"
                                   "3,2024-05-06 08:10:00,ERR,-\r\n"));
}

TEST(ExportText, DocHasTwoTabsAfterNumberAndDateAndMergedRecordsNoSn)
{
    EXPECT_EQ(BuildExportText(TwoChannels(), QStringLiteral("\t"), QString(), kBeijingNow),
              kExportHead
                  + QStringLiteral("序号\t\t日期\t\t通道1\t通道2\t\r\n"
                                   "1\t2024-05-06 08:00:00\t5.1\t55.0\r\n"
                                   "2\t2024-05-06 08:05:00\t-\t56.2\r\n"
                                   "3\t2024-05-06 08:10:00\tERR\t-\r\n"));
    OutputRecord merged = TwoChannels();
    merged.names = {QStringLiteral("a"), QStringLiteral("b")};
    const QString text = BuildExportText(merged, QStringLiteral(","), QStringLiteral(","), kBeijingNow);
    EXPECT_TRUE(text.contains(QStringLiteral("记录名称:a|b\r\n")));
    EXPECT_FALSE(text.contains(QStringLiteral("标识:")));
}

TEST(ExportText, ComesInPiecesThatMakeTheWhole)
{
    auto rows = std::make_shared<Rows>();
    for (int i = 0; i < 5000; ++i) {
        rows->times.push_back(QStringLiteral("2024-05-06 08:00:%1").arg(i % 60, 2, 10, QLatin1Char('0')));
        rows->cells.push_back({QString::number(i)});
    }
    const OutputRecord r = MakeRecord(rows, 1);
    QString pieces;
    int count = 0;
    BuildExportText(r, QStringLiteral(","), QStringLiteral(","), kBeijingNow, [&](const QString& part) {
        pieces += part;
        ++count;
        return true;
    }, 4096);
    EXPECT_GT(count, 10);
    EXPECT_EQ(pieces, BuildExportText(r, QStringLiteral(","), QStringLiteral(","), kBeijingNow));
    EXPECT_TRUE(pieces.endsWith(QStringLiteral("5000,2024-05-06 08:00:19,4999\r\n")));
}

TEST(ReportText, OneChannelEndsItsStatisticsWithTabCrLfCrAndFillsTheDuration)
{
    OutputRecord r = MakeRecord(ThreeRows(), 1);
    r.channels[0].maximum = r.channels[0].minimum = r.channels[0].average = QStringLiteral("5.1");
    const QString expected = QStringLiteral(
        "设备编号:A12345678\r\n"
        "数据报告\t1\r\n"
        "备注：本报告所有时间均为北京时间24小时制【年-月-日 时:分:秒】\r\n"
        "报告创建时间：2024-05-07 11:00:00\r\n"
        "设备信息\r\n"
        "设备名称:库房\t设备编号:A12345678\t采样间隔:00:05:00\r"
        "通道1(温度)量程:2.0℃~8.0℃\t\r\n"
        "记录概要\r\n"
        "开始时间:2024-05-06 08:00:00\t结束时间:2024-05-07 10:05:00\r"
        "记录条数:3\t记录总时长:1天2时5分\t\r\n"
        "通道1(温度)\t最高温度:5.1℃\t最低温度:5.1℃\t平均温度:5.1℃\t\r\n\r"
        "日期\t时间\t\t ℃\r\n"
        "2024-05-06 08:10:00\tERR\r\n"
        "2024-05-06 08:05:00\t-\r\n"
        "2024-05-06 08:00:00\t5.1\r\n");
    EXPECT_EQ(BuildReportText(r, kBeijingNow), expected);
}

TEST(ReportText, TwoChannelsAndAChannelWithoutCountedSamples)
{
    OutputRecord r = MakeRecord(ThreeRows(), 2);
    r.channels[0].maximum = r.channels[0].minimum = r.channels[0].average = QStringLiteral("5.1");
    r.interval = QString();
    const QString text = BuildReportText(r, kBeijingNow);
    EXPECT_TRUE(text.contains(QStringLiteral("采样间隔:-\r通道1(温度)量程:2.0℃~8.0℃\t通道2(湿度)量程:20.0%RH~80.0%RH\t\r\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("平均温度:5.1℃\r通道2(湿度)\t最高湿度:-\t最低湿度:-\t平均湿度:-\t\r\n\r"
                                             "日期\t时间\t\t ℃\t\t%RH\r\n"
                                             "2024-05-06 08:10:00\tERR\t-\r\n")));
}

TEST(ReportText, TheNoteNamesThePcsOffsetAwayFromBeijing)
{
    EXPECT_EQ(ReportNoteLine(kBeijingNow), qm::Msg(323));
    const QDateTime newYork(QDate(2024, 1, 5), QTime(9, 0), Qt::OffsetFromUTC, -5 * 3600);
    EXPECT_EQ(ReportNoteLine(newYork), qm::MsgF(6010, {QStringLiteral("-05:00")}));
    EXPECT_TRUE(ReportNoteLine(newYork).contains(QStringLiteral("UTC-05:00")));
    const QDateTime india(QDate(2024, 1, 5), QTime(9, 0), Qt::OffsetFromUTC, 5 * 3600 + 1800);
    EXPECT_TRUE(ReportNoteLine(india).contains(QStringLiteral("UTC+05:30")));
    EXPECT_EQ(DurationText(86400 + 2 * 3600 + 5 * 60 + 59), QStringLiteral("1天2时5分"));
    EXPECT_EQ(DurationText(-10), QStringLiteral("0天0时0分"));
}

TEST(AuditText, UserLineFiveColumnsAndOneLinePerRow)
{
    const QString text = BuildAuditExportText(
        QStringLiteral("anna"), {{QStringLiteral("admin"), QStringLiteral("登录"), QStringLiteral("2024-05-06 08:00:00"),
                                  QStringLiteral("登录 admin")},
                                 {QStringLiteral("anna"), QStringLiteral("记录保存"), QStringLiteral("2024-05-06 09:00:00"),
                                  QStringLiteral("a\tb\r\nc")}});
    EXPECT_EQ(text, QStringLiteral("用户名:anna\r\n"
                                   "序号\t时间\t用户名\t类型\t操作内容\r\n"
                                   "1\t2024-05-06 08:00:00\tadmin\t登录\t登录 admin\r\n"
                                   "2\t2024-05-06 09:00:00\tanna\t记录保存\ta b  c\r\n"));
}
