// quillmark-cli compare and print on records written in the stored formats,
// as a logged-in user: files, messages on stderr, exit codes, audit entries.
#include "DeviceFixture.h"
#include "AppEnv.h"
#include "Ciniwell.h"
#include "RecordFixture.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

using namespace browsetest;

namespace {

class CompareCliTest : public RecordFixture {
protected:
    void SetUp() override
    {
        RecordFixture::SetUp();
        // The texts below are the Chinese module's, whatever the machine's locale.
        qm::Settings().WriteIniStr(QStringLiteral("system"), QStringLiteral("language"), QStringLiteral("QUILLM_CH"));
        qmtest::AddUserRow(QString::fromLatin1(devtest::kCliUser), QString::fromLatin1(devtest::kCliPassword), 0);
    }
    devtest::CliRun Cli(const QStringList& args) { return devtest::RunCli(Folder(), args); }

    std::vector<int> TwoRecords()
    {
        Config b;
        b.types = QStringLiteral("1");
        const int a = AddRecord(QStringLiteral("A00000001"), QStringLiteral("hA"),
                                {{T(0), QStringLiteral("20.0;50")}, {T(1), QStringLiteral("21.0;51")}}, Config(),
                                QStringLiteral("甲"));
        const int c = AddRecord(QStringLiteral("B00000002"), QStringLiteral("hB"),
                                {{T(1), QStringLiteral("30.5"), QStringLiteral("1")}}, b, QStringLiteral("乙"));
        return {a, c};
    }

    QStringList NoteInfos(int type)
    {
        QStringList infos;
        auto db = Open();
        std::unique_ptr<qm::store::CRecordset> set;
        if (db->QueryRecordset(QStringLiteral("select * from note where type = %1 order by id").arg(type), set) == 1)
            for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
                infos << set->Text(u"user_name") + QStringLiteral(" ") + set->Text(u"info");
        return infos;
    }
};

QString ReadGbk(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    QStringDecoder gbk("GBK");
    return gbk.decode(f.readAll());
}

} // namespace

namespace {
QString PdfPageText(const QString& pdf, int page);
} // namespace

TEST_F(CompareCliTest, CompareWritesTheViewsExportAndLogsIt)
{
    const std::vector<int> ids = TwoRecords();
    const QString out = Folder() + QStringLiteral("/cmp");
    const auto r = Cli({"compare", "--record", QString::number(ids[0]), "--record", QString::number(ids[1]), "--type",
                        "1", "--format", "csv", "--out", out});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_TRUE(r.err.contains(QStringLiteral("183:")));
    const QString text = ReadGbk(out + QStringLiteral(".csv"));
    EXPECT_EQ(text, QStringLiteral("最大值,21.0,30.5\r\n最小值,20.0,30.5\r\n平均值,20.5,30.5\r\n\r\n"
                                   "SN号,A00000001,B00000002\r\n名称：,dev,dev\r\n日期,甲-温度,乙-温度\r\n"
                                   "%1,20.0,-\r\n%2,21.0,30.5\r\n")
                            .arg(T(0), T(1)));
    EXPECT_EQ(NoteInfos(9), QStringList{QStringLiteral("tester 甲|乙 %1~%2").arg(T(0), T(1))});

    // An existing file is kept unless --force; the window is swapped when reversed.
    const auto again = Cli({"compare", "--record", QString::number(ids[0]), "--record", QString::number(ids[1]),
                            "--type", "1", "--format", "csv", "--out", out});
    EXPECT_EQ(again.code, 1);
    EXPECT_TRUE(again.err.contains(QStringLiteral("167: ")));
    EXPECT_EQ(ReadGbk(out + QStringLiteral(".csv")), text);
    const auto doc = Cli({"compare", "--record", QString::number(ids[0]), "--record", QString::number(ids[1]),
                          "--from", T(1), "--to", T(0), "--type", "1", "--format", "doc", "--out", out, "--force"});
    ASSERT_EQ(doc.code, 0) << qPrintable(doc.err);
    EXPECT_TRUE(ReadGbk(out + QStringLiteral(".doc")).startsWith(QStringLiteral("最大值\t21.0\t30.5\r\n")));

    // The PDF form: the figures carry their logger's SN, as a table.
    const auto pdf = Cli({"compare", "--record", QString::number(ids[0]), "--record", QString::number(ids[1]),
                          "--type", "1", "--format", "pdf", "--out", out});
    ASSERT_EQ(pdf.code, 0) << qPrintable(pdf.err);
    const QString page = PdfPageText(out + QStringLiteral(".pdf"), 1);
    EXPECT_TRUE(page.contains(QStringLiteral("(A00000001)"))) << qPrintable(page);
    EXPECT_TRUE(page.contains(QStringLiteral("B00000002"))) << qPrintable(page);
}

TEST_F(CompareCliTest, CompareRefusals)
{
    const std::vector<int> ids = TwoRecords();
    const QString out = Folder() + QStringLiteral("/x.csv");
    auto r = Cli({"compare", "--record", QString::number(ids[0]), "--type", "1", "--format", "csv", "--out", out});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("316: "))) << qPrintable(r.err);
    r = Cli({"compare", "--record", QString::number(ids[0]), "--record", QString::number(ids[1]), "--type", "2",
             "--format", "csv", "--out", out});
    EXPECT_EQ(r.code, 0); // A has humidity
    r = Cli({"compare", "--record", QString::number(ids[0]), "--record", QString::number(ids[1]), "--type", "5",
             "--format", "csv", "--out", out, "--force"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("165: ")));
    EXPECT_EQ(Cli({"compare", "--record", "1", "--record", "2", "--type", "1", "--format", "xls", "--out", out}).code,
              2);
    EXPECT_EQ(Cli({"compare", "--record", "1", "--record", "2", "--from", T(0), "--type", "1", "--format", "csv",
                   "--out", out})
                  .code,
              2);
}

namespace {

// Text of page `page` (1-based) of a PDF.
QString PdfPageText(const QString& pdf, int page)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {"-layout", "-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString PdfInfo(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The running numbers in a page's text: the first field of each table line.
QList<int> RowNumbers(const QString& text)
{
    QList<int> numbers;
    static const QRegularExpression row(QStringLiteral("(?:^|\\s)(\\d+)\\s+2024-03-0\\d \\d\\d:\\d\\d:\\d\\d"));
    for (auto it = row.globalMatch(text); it.hasNext();)
        numbers << it.next().captured(1).toInt();
    return numbers;
}

} // namespace

TEST_F(CompareCliTest, PrintToPdfWithChosenChannelsAndParts)
{
    QList<Row> rows;
    for (int m = 0; m < 700; ++m)
        rows.push_back({T(m), QStringLiteral("%1;%2").arg(20.0 + (m % 10) / 10.0, 0, 'f', 1).arg(40 + m % 7)});
    const int id = AddRecord(QStringLiteral("A00000001"), QStringLiteral("hP"), rows);
    const QString pdf = Folder() + QStringLiteral("/print.pdf");
    auto r = Cli({"print", "--record", QString::number(id), "--channel", "2", "--data", "--pdf", pdf});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_TRUE(r.err.contains(QStringLiteral("243:")));
    EXPECT_TRUE(PdfInfo(pdf).contains(QStringLiteral("打印数据")));
    const QString first = PdfPageText(pdf, 1);
    EXPECT_TRUE(first.contains(QStringLiteral("用户名:tester")));
    EXPECT_TRUE(first.contains(QStringLiteral("数据条数：700")));
    EXPECT_TRUE(first.contains(QStringLiteral("数据开始时间:") + T(0)));
    EXPECT_TRUE(first.contains(QStringLiteral("数据结束时间:") + T(699)));
    EXPECT_TRUE(first.contains(QStringLiteral("通道2:湿度,单位:%RH,最大值:46.0,最小值:40.0,平均值:")));
    EXPECT_FALSE(first.contains(QStringLiteral("通道1:")));
    // Oldest first, numbered from 1 without a gap across blocks and pages.
    QList<int> all;
    int pages = 0;
    for (QString text; !(text = PdfPageText(pdf, pages + 1)).trimmed().isEmpty() && pages < 50; ++pages)
        all += RowNumbers(text);
    EXPECT_GE(pages, 2);
    std::sort(all.begin(), all.end());
    ASSERT_EQ(all.size(), 700);
    EXPECT_EQ(all.front(), 1);
    EXPECT_EQ(all.back(), 700);
    EXPECT_EQ(QSet<int>(all.begin(), all.end()).size(), 700);
    EXPECT_EQ(r.out.value(0), QStringLiteral("pages=%1").arg(pages));

    // Curve only: one page, the heading, the document name.
    r = Cli({"print", "--record", QString::number(id), "--curve", "--pdf", pdf, "--force"});
    ASSERT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_EQ(r.out.value(0), QStringLiteral("pages=1"));
    EXPECT_TRUE(PdfInfo(pdf).contains(QStringLiteral("打印曲线")));
    EXPECT_TRUE(PdfPageText(pdf, 1).contains(QStringLiteral("曲线图")));
    // Both: curve then data, and the audit entries of the main window's print.
    r = Cli({"print", "--record", QString::number(id), "--pdf", pdf, "--force"});
    ASSERT_EQ(r.code, 0);
    EXPECT_TRUE(PdfInfo(pdf).contains(QStringLiteral("打印曲线和数据")));
    EXPECT_TRUE(PdfPageText(pdf, 2).contains(QStringLiteral("通道1:温度")));
    EXPECT_EQ(NoteInfos(10).size(), 3);
    EXPECT_EQ(NoteInfos(10).value(0), QStringLiteral("tester 记录打印rec"));
}

TEST_F(CompareCliTest, PrintRefusals)
{
    const int id = AddRecord(QStringLiteral("A00000001"), QStringLiteral("hP"), {{T(0), QStringLiteral("1;2")}});
    const int empty = AddRecord(QStringLiteral("A00000001"), QStringLiteral("hE"), {});
    const QString pdf = Folder() + QStringLiteral("/p.pdf");
    auto r = Cli({"print", "--record", QString::number(id), "--printer", "no-such-printer"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("184: "))) << qPrintable(r.err);
    r = Cli({"print", "--record", QString::number(empty), "--pdf", pdf});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("165: "))) << qPrintable(r.err);
    r = Cli({"print", "--record", "999", "--pdf", pdf});
    EXPECT_TRUE(r.err.contains(QStringLiteral("189: "))) << qPrintable(r.err);
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_EQ(Cli({"print", "--record", QString::number(id), "--channel", "3", "--pdf", pdf}).code, 2);
    EXPECT_EQ(Cli({"print", "--record", QString::number(id)}).code, 2);
    EXPECT_EQ(Cli({"print", "--record", QString::number(id), "--pdf", pdf, "--printer", "x"}).code, 2);
    EXPECT_EQ(NoteInfos(10).size(), 0);
}
