// The PDF writer, the report and the table PDF, read back with poppler.
#include "ReportTestUtil.h"

#include "PdfReport.h"
#include "MessageSeam.h"
#include "ReportWriter.h"
#include "Strings.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qm::report;
using reporttest::MakeRecord;
using reporttest::Rows;

namespace {

const QDateTime kNow(QDate(2024, 5, 7), QTime(11, 0, 0), Qt::OffsetFromUTC, 8 * 3600);

std::shared_ptr<Rows> ManyRows(int count)
{
    auto rows = std::make_shared<Rows>();
    QDateTime t(QDate(2024, 5, 6), QTime(8, 0), Qt::UTC);
    for (int i = 0; i < count; ++i) {
        rows->times.push_back(t.addSecs(300 * i).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        rows->cells.push_back({i % 50 == 7 ? QStringLiteral("-") : QString::number(4.0 + (i % 40) / 10.0, 'f', 1),
                               QString::number(50.0 + (i % 30) / 10.0, 'f', 1)});
    }
    return rows;
}

// Where each of `parts` is in `text`, in order; -1 for the first one missing.
qsizetype InOrder(const QString& text, const QStringList& parts, QString* missing)
{
    qsizetype at = 0;
    for (const QString& part : parts) {
        const qsizetype found = text.indexOf(part, at);
        if (found < 0) {
            *missing = part;
            return -1;
        }
        at = found + part.size();
    }
    return at;
}

QByteArray Bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(PdfReport, ReportReadsBackInOrderWithPagesAndDocumentInformation)
{
    QTemporaryDir dir;
    OutputRecord r = MakeRecord(ManyRows(300), 2);
    r.channels[0].maximum = QStringLiteral("7.9");
    r.channels[0].minimum = QStringLiteral("4.0");
    r.channels[0].average = QStringLiteral("5.9");
    ReportExtras extras;
    extras.analysis = r.channels;
    extras.analysis[0].hasAlarms = true;
    extras.analysis[0].maximumTime = QStringLiteral("2024-05-06 11:15:00");
    extras.analysis[0].mkt = QStringLiteral("6.1");
    extras.analysis[0].above = {2, QStringLiteral("2024-05-06 09:00:00"), 3900};
    extras.analysis[1].hasAlarms = true;
    bool curveDrawn = false;
    extras.curve = [&](QPainter& painter, const QRect& target, double scale) {
        curveDrawn = scale > 5;
        painter.setPen(QPen(Qt::blue, 2 * scale));
        painter.drawLine(target.topLeft(), target.bottomRight());
        return true;
    };
    const QString path = dir.filePath(QStringLiteral("冷库报告.pdf"));
    QString error;
    int pages = 0;
    ASSERT_TRUE(WriteReportPdf(path, BuildReportText(r, kNow), extras, &error, &pages)) << error.toStdString();
    EXPECT_TRUE(curveDrawn);
    // 300 rows of 7 points: three pages after the first one's sections.
    EXPECT_GE(pages, 3);
    EXPECT_EQ(reporttest::PdfPages(path), pages);

    const QString text = reporttest::PdfText(path);
    QString missing;
    EXPECT_GE(InOrder(text,
                      {QStringLiteral("数据报告"), QStringLiteral("设备编号:A12345678"), qm::Msg(323),
                       QStringLiteral("报告创建时间：2024-05-07 11:00:00"), QStringLiteral("设备信息"),
                       QStringLiteral("设备名称:库房"), QStringLiteral("采样间隔:00:05:00"),
                       QStringLiteral("通道1(温度)量程:2.0℃~8.0℃"), QStringLiteral("记录概要"),
                       QStringLiteral("记录总时长:1天2时5分"), QStringLiteral("最高温度:7.9℃"), QStringLiteral("最高湿度:-"),
                       QStringLiteral("数据分析"), QStringLiteral("报警状态:超限2次"), QStringLiteral("2024-05-06 11:15:00"),
                       QStringLiteral("6.1℃"), QStringLiteral("超上限:2次,首次2024-05-06 09:00:00,累计0天1时5分"),
                       QStringLiteral("报警状态:未超限"), QStringLiteral("曲线图"), QStringLiteral("日期 时间"),
                       QStringLiteral("2024-05-07 08:55:00"), QStringLiteral("2024-05-06 08:00:00")},
                      &missing),
              0)
        << missing.toStdString() << "\n"
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("第 1 / %1 页").arg(pages)));
    EXPECT_TRUE(text.contains(QStringLiteral("第 %1 / %1 页").arg(pages)));
    // The table's header again on each following page.
    const qsizetype headers = text.count(QStringLiteral("日期 时间"));
    EXPECT_GE(headers, pages - 1);
    EXPECT_LE(headers, pages);
    EXPECT_EQ(reporttest::PdfInfoField(path, QStringLiteral("Title")), QStringLiteral("冷库报告.pdf"));
    EXPECT_EQ(reporttest::PdfInfoField(path, QStringLiteral("Author")), QStringLiteral("fenwo"));
    EXPECT_EQ(reporttest::PdfInfoField(path, QStringLiteral("Creator")), QStringLiteral("Quillmark"));
    EXPECT_EQ(reporttest::PdfInfoField(path, QStringLiteral("Subject")), QStringLiteral("Quillmark records"));
    EXPECT_EQ(reporttest::PdfInfoField(path, QStringLiteral("Keywords")), QStringLiteral("Quillmark"));
    EXPECT_EQ(reporttest::PdfInfoField(path, QStringLiteral("PDF version")), QStringLiteral("1.4"));
    QDir().mkpath(QStringLiteral(QM_ARTEFACT_DIR));
    QFile::remove(QStringLiteral(QM_ARTEFACT_DIR "/report.pdf"));
    QFile::copy(path, QStringLiteral(QM_ARTEFACT_DIR "/report.pdf"));
}

TEST(PdfReport, TablePdfRepeatsItsHeaderAndSpansTheInformationLines)
{
    QTemporaryDir dir;
    OutputRecord r = MakeRecord(ManyRows(200), 2);
    const QString path = dir.filePath(QStringLiteral("t.pdf"));
    QString error;
    int pages = 0;
    ASSERT_TRUE(WriteTablePdfFile(path, BuildExportText(r, QStringLiteral("\t"), QString(), kNow), &error, &pages))
        << error.toStdString();
    EXPECT_EQ(reporttest::PdfPages(path), pages);
    EXPECT_GE(pages, 3);
    const QString text = reporttest::PdfText(path);
    QString missing;
    EXPECT_GE(InOrder(text,
                      {QStringLiteral("用户名:admin"), QStringLiteral("记录名称:冷库一号"), QStringLiteral("数据条数：200"),
                       QStringLiteral("通道1,最大值:-"), QStringLiteral("序号"), QStringLiteral("日期"),
                       QStringLiteral("通道1"), QStringLiteral("通道2"), QStringLiteral("2024-05-06 08:00:00"),
                       QStringLiteral("200")},
                      &missing),
              0)
        << missing.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("序号")), pages);
    EXPECT_EQ(reporttest::PdfInfoField(path, QStringLiteral("Title")), QStringLiteral("t.pdf"));
    QDir().mkpath(QStringLiteral(QM_ARTEFACT_DIR));
    QFile::remove(QStringLiteral(QM_ARTEFACT_DIR "/table.pdf"));
    QFile::copy(path, QStringLiteral(QM_ARTEFACT_DIR "/table.pdf"));
}

TEST(PdfReport, ImagesAreFittedAndLongCellsEndInDots)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("img.pdf"));
    PdfReport pdf;
    ASSERT_TRUE(pdf.Begin(path));
    QImage image(400, 100, QImage::Format_RGB32);
    image.fill(Qt::red);
    pdf.FitImage(image, QRectF(50, 50, 200, 200));
    const FlowEnd end = pdf.FitTextFlow(QStringLiteral("一二三四五六七八九十一二三四五六七八九十"), QRectF(50, 300, 40, 7),
                                        PdfTextStyle{7});
    EXPECT_EQ(end.result, FlowResult::BoxFull);
    EXPECT_LT(end.placed.size(), 20);
    EXPECT_GT(end.placed.size(), 0);
    const FlowEnd all = pdf.FitTextFlow(QStringLiteral("short"), QRectF(50, 320, 200, 7), PdfTextStyle{7});
    EXPECT_EQ(all.result, FlowResult::Stop);
    EXPECT_GT(all.end.x(), 50.0);
    ASSERT_TRUE(pdf.End()) << pdf.ErrorText().toStdString();
    const QString list = reporttest::Run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path});
    EXPECT_EQ(list.split(u'\n', Qt::SkipEmptyParts).size(), 3) << list.toStdString();   // two header lines and the image

    // The table cell of the report: a text longer than its column is cut with "...".
    OutputRecord r = MakeRecord(ManyRows(3), 1);
    auto rows = std::make_shared<Rows>();
    rows->times = {QStringLiteral("2024-05-06 08:00:00")};
    rows->cells = {{QStringLiteral("0123456789012345678901234567890123456789012345678901234567890123456789")}};
    r = MakeRecord(rows, 1);
    const QString report = dir.filePath(QStringLiteral("dots.pdf"));
    QString error;
    ASSERT_TRUE(WriteReportPdf(report, BuildReportText(r, kNow), {}, &error)) << error.toStdString();
    const QString text = reporttest::PdfText(report);
    EXPECT_TRUE(text.contains(QStringLiteral("...")));
    EXPECT_FALSE(text.contains(QStringLiteral("0123456789012345678901234567890123456789012345678901234567890123456789")));
}

TEST(PdfReport, AnAbandonedOrFailedDocumentLeavesTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.pdf"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old report");
    }
    {
        PdfReport pdf;
        ASSERT_TRUE(pdf.Begin(path));
        pdf.FitTextLine(QStringLiteral("half"), 50, 50, 500, 12, PdfTextStyle{12});
        pdf.Abort();
    }
    EXPECT_EQ(Bytes(path), QByteArray("old report"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("old.pdf")}));
    // A folder that does not exist: the writer's text, message 123.
    qm::MessageScript messages;
    EXPECT_FALSE(WriteTablePdf(dir.filePath(QStringLiteral("none/x.pdf")), QStringLiteral("序号\t日期\r\n")));
    EXPECT_EQ(messages.Numbers(), QList<int>({123}));
    EXPECT_TRUE(messages.Requests().value(0).text.startsWith(qm::Msg(123) + QStringLiteral(":")));
}

TEST(PdfReport, AuditExportIsATableOfItsFiveColumns)
{
    QTemporaryDir dir;
    std::vector<AuditLine> rows;
    for (int i = 0; i < 40; ++i)
        rows.push_back({QStringLiteral("admin"), QStringLiteral("记录保存"), QStringLiteral("2024-05-06 08:%1:00").arg(i, 2, 10, QLatin1Char('0')),
                        QStringLiteral("记录保存冷库一号 2024-05-06 08:00:00~2024-05-07 10:05:00 第%1次").arg(i)});
    const QString path = dir.filePath(QStringLiteral("audit.pdf"));
    QString error;
    ASSERT_TRUE(WriteTablePdfFile(path, BuildAuditExportText(QStringLiteral("anna"), rows), &error)) << error.toStdString();
    const QString text = reporttest::PdfText(path);
    EXPECT_TRUE(text.startsWith(QStringLiteral("用户名:anna\n序号 时间 用户名 类型 操作内容\n1 2024-05-06 08:00:00 admin 记录保存 "
                                               "记录保存冷库一号 2024-05-06 08:00:00~2024-05-07 10:05:00 第0次\n")))
        << text.toStdString();
    QDir().mkpath(QStringLiteral(QM_ARTEFACT_DIR));
    QFile::remove(QStringLiteral(QM_ARTEFACT_DIR "/audit.pdf"));
    QFile::copy(path, QStringLiteral(QM_ARTEFACT_DIR "/audit.pdf"));
}

// Nothing of a record's details is cut: a cell too long for half the line
// takes the whole line, and a line too long for the page goes on below.
TEST(PdfReport, LongDetailsAreWholeInTheReport)
{
    QTemporaryDir dir;
    OutputRecord r = MakeRecord(ManyRows(3), 1);
    r.deviceName = QStringLiteral("疫苗冷库东区第三排第二层左侧货架专用记录仪");
    ReportExtras extras;
    extras.analysis = r.channels;
    extras.analysis[0].hasAlarms = true;
    extras.analysis[0].above = {2, QStringLiteral("2024-05-06 09:00:00"), 3900};
    const QString path = dir.filePath(QStringLiteral("long.pdf"));
    QString error;
    const QString report = BuildReportText(r, kNow).replace(qm::Msg(323), qm::Msg(323).repeated(3));
    ASSERT_TRUE(WriteReportPdf(path, report, extras, &error)) << error.toStdString();
    const QString text = reporttest::PdfText(path).remove(u'\n');
    EXPECT_TRUE(text.contains(r.deviceName)) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("...")));
    EXPECT_TRUE(text.contains(QStringLiteral("设备编号:A12345678"))) << text.toStdString();
}
