// The printed record through QPrinter writing a PDF file (no printer here):
// column widths in units, the shared axis of a comparison, the curve with
// only the chosen channels, cancelling.
#include "Comparison.h"
#include "PrintLayout.h"
#include "RecordFixture.h"

#include <QDir>
#include <QPrinter>
#include <QProcess>

using namespace qm::browse;
using namespace browsetest;

namespace {

class PrintLayoutTest : public RecordFixture {
protected:
    std::vector<int> Records()
    {
        QList<Row> a, b;
        for (int m = 0; m < 300; ++m) {
            a.push_back({T(m), QStringLiteral("%1;%2").arg(20 + m % 5).arg(50 + m % 3)});
            if (m >= 100)
                b.push_back({T(m), QStringLiteral("%1;%2").arg(30 + m % 4).arg(60), QStringLiteral("1;2")});
        }
        return {AddRecord(QStringLiteral("A00000001"), QStringLiteral("hA"), a, Config(), QStringLiteral("a")),
                AddRecord(QStringLiteral("B00000002"), QStringLiteral("hB"), b, Config(), QStringLiteral("b"))};
    }
};

QString ArtefactPath(const QString& name)
{
    QDir().mkpath(QStringLiteral(QM_ARTEFACT_DIR));
    return QStringLiteral(QM_ARTEFACT_DIR "/") + name;
}

} // namespace

TEST_F(PrintLayoutTest, ColumnWidthsAreUnitsOfThePrinterWidth)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(ArtefactPath(QStringLiteral("units.pdf")));
    const DataSheetGeometry g = DataSheetLayout(printer, 2, false, 96);
    EXPECT_DOUBLE_EQ(g.unit, printer.width() / 96.0);
    ASSERT_EQ(g.columns.size(), 4u);
    EXPECT_DOUBLE_EQ(g.columns[0], 4 * g.unit);
    EXPECT_DOUBLE_EQ(g.columns[1], 12 * g.unit);
    EXPECT_DOUBLE_EQ(g.columns[2], 7.2 * g.unit);
    EXPECT_NEAR(g.tableWidth, g.unit * (7.2 * 2 + 16), 1e-6);
    const DataSheetGeometry c = DataSheetLayout(printer, 3, true, 96);
    EXPECT_DOUBLE_EQ(c.columns[4], 14 * c.unit);
    EXPECT_LE(c.blocksAcross * c.tableWidth, printer.width());
}

TEST_F(PrintLayoutTest, ComparisonCurvesShareOneAxisAndPrintOnlyChosenKeys)
{
    CComparison c;
    ASSERT_EQ(LoadComparison(Records(), {}, &c), LoadResult::Loaded);
    const ComparisonView view = c.View(1);
    const CurveSnapshot s = RecordCurveSnapshot(view.data, true);
    EXPECT_EQ(s.axisLimit, 1);
    ASSERT_EQ(s.axisInfo.size(), 2u);
    // a: 20–24, b: 30–33: one range for both, 2 beyond the extremes.
    EXPECT_DOUBLE_EQ(s.axisInfo[0].top, 35.0);
    EXPECT_DOUBLE_EQ(s.axisInfo[0].bottom, 18.0);
    EXPECT_DOUBLE_EQ(s.axisInfo[1].top, 35.0);
    EXPECT_DOUBLE_EQ(s.axisInfo[1].bottom, 18.0);
    EXPECT_EQ(SnapshotOfChannels(s, {1}).series.size(), 1u);
    EXPECT_EQ(SnapshotOfChannels(s, {1}).series[0].axis, 1);

    PrintJob job;
    job.data = &view.data;
    job.comparison = true;
    job.user = QStringLiteral("tester");
    job.now = QDateTime(QDate(2024, 3, 2), QTime(8, 0));
    job.curveSnapshot = s;
    for (size_t k = 0; k < view.keys.size(); ++k)
        job.channels.push_back({int(k), c.keys[size_t(view.keys[k])].title, c.keys[size_t(view.keys[k])].title});
    const QString path = ArtefactPath(QStringLiteral("comparison-print.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setDocName(PrintDocumentName(true, true));
    int pages = 0;
    ASSERT_EQ(PrintRecordPages(printer, job, {}, &pages), PrintResult::Printed);
    EXPECT_GE(pages, 2);
    EXPECT_EQ(DataSheetStatisticsLine(job, job.channels[1]),
              QStringLiteral("b-温度:温度,单位:°C,最大值:33.0,最小值:30.0,平均值:31.5"));
    // Rendered for a look at the pages.
    QProcess::execute(QStringLiteral("pdftoppm"), {"-r", "60", "-png", "-f", "1", "-l", "2", path,
                                                   ArtefactPath(QStringLiteral("comparison-print"))});
}

TEST_F(PrintLayoutTest, OptionsDocumentNameAndCancel)
{
    EXPECT_EQ(PrintOptionsCheck(0, true, true), 244);
    EXPECT_EQ(PrintOptionsCheck(1, false, false), 311);
    EXPECT_EQ(PrintOptionsCheck(1, false, true), 0);
    EXPECT_EQ(PrintDocumentName(true, true), QStringLiteral("打印曲线和数据"));
    EXPECT_EQ(PrintDocumentName(false, true), QStringLiteral("打印数据"));
    EXPECT_EQ(PrintChannelTexts(QStringLiteral("1;a-温度")), QStringList({"温度", "a-温度"}));

    CRecordData data;
    ASSERT_EQ(LoadRecord(Records()[0], {}, &data), LoadResult::Loaded);
    PrintJob job;
    job.data = &data;
    job.curve = false;
    job.channels = {{0, QStringLiteral("温度"), QStringLiteral("通道1")}};
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(ArtefactPath(QStringLiteral("cancelled.pdf")));
    int calls = 0;
    qsizetype lastRows = 0;
    const PrintResult r = PrintRecordPages(
        printer, job,
        [&](int, qsizetype rows, qsizetype total) {
            EXPECT_EQ(total, 300);
            lastRows = rows;
            return ++calls < 2;
        });
    EXPECT_EQ(r, PrintResult::Cancelled);
    EXPECT_EQ(calls, 2);
    EXPECT_LT(lastRows, 300);
    EXPECT_EQ(PrintResultMessage(PrintResult::Cancelled), 0);
    EXPECT_EQ(PrintResultMessage(PrintResult::NotStarted), 344);
    EXPECT_EQ(PrintResultMessage(PrintResult::Failed), 241);
    EXPECT_EQ(PrintResultMessage(PrintResult::Printed), 243);
}
