// Output of records stored in their files: the export and report commands
// of the window and of quillmark-cli, the ".gdb" file, the audit entries.
#include "RecordFixture.h"
#include "TestUsers.h"

#include "AppEnv.h"
#include "Clock.h"
#include "LoginState.h"
#include "MessageSeam.h"
#include "OperationLog.h"
#include "OutputCommands.h"
#include "PathSeam.h"
#include "RecordOutput.h"
#include "Strings.h"

#include <QProcess>
#include <QStringDecoder>

using namespace browsetest;
using namespace qm;
using namespace qm::report;

namespace {

QByteArray Bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString Gbk(const QByteArray& bytes)
{
    QStringDecoder d("GBK");
    return d.decode(bytes);
}

struct CliResult {
    int code = -1;
    QString out;
    QString err;
};

class RecordOutputTest : public RecordFixture {
protected:
    void SetUp() override
    {
        RecordFixture::SetUp();
        SetLogin(1, QStringLiteral("admin"), QString(), 0, QString());
        QList<Row> rows;
        for (int m = 0; m < 6; ++m)
            rows << Row{T(m), m == 2 ? QStringLiteral("-;51.0") : QStringLiteral("%1;%2").arg(QString::number(3.0 + m, 'f', 1)).arg(50 + m)};
        m_record = AddRecord(QStringLiteral("A00000001"), QStringLiteral("hA00000001_1"), rows, Config(),
                             QStringLiteral("冷库一号"));
        m_empty = AddRecord(QStringLiteral("A00000001"), QStringLiteral("hA00000001_2"), {}, Config(),
                            QStringLiteral("空"));
    }
    void TearDown() override
    {
        ClearLogin();
        ReleaseOperationLog();
        RecordFixture::TearDown();
    }

    int Notes(int type, const QString& info)
    {
        auto db = Open();
        std::unique_ptr<store::CRecordset> set;
        db->QueryRecordset(QStringLiteral("select count(*) as n from note where type = %1 and info = %2;")
                               .arg(type)
                               .arg(store::SqlQuoted(info)),
                           set);
        return set ? int(set->Integer(u"n")) : -1;
    }

    CliResult Cli(const QStringList& args)
    {
        static bool added = false;
        if (!added) {
            qmtest::AddUserRow(QStringLiteral("tester"), QStringLiteral("tester-pass1"), 0);
            added = true;
        }
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUILLMARK_PASSWORD"), QStringLiteral("tester-pass1"));
        env.remove(QStringLiteral("QUILLMARK_NEW_PASSWORD"));
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("QM_TEST_PROGRAM_DIR") + QStringLiteral("/quillmark-cli"),
                QStringList{QStringLiteral("--folder"), Folder(), QStringLiteral("--user"), QStringLiteral("tester")}
                    + args);
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

    int m_record = 0;
    int m_empty = 0;
    MessageScript m_messages;
};

} // namespace

TEST_F(RecordOutputTest, TheWindowsSaveWritesCsvInGbkWithTheRecordsStatisticsAndLogsIt)
{
    ScopedClock clock(QDateTime(QDate(2024, 3, 2), QTime(9, 30, 5)));
    PathScript paths;
    const QString path = Folder() + QStringLiteral("/out");
    paths.Answer({path}, 0);
    SaveSelectedRecord(m_record);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{183});
    EXPECT_EQ(paths.Requests().value(0).filter, Msg(357));
    const QString text = Gbk(Bytes(path + QStringLiteral(".csv")));
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    ASSERT_GE(lines.size(), 19) << text.toStdString();
    EXPECT_EQ(lines.mid(0, 8),
              (QStringList{QStringLiteral("用户名:admin"), QStringLiteral("记录名称:冷库一号"),
                           QStringLiteral("导出时间：2024/03/02 09:30:05"), QStringLiteral("标识:A00000001"),
                           QStringLiteral("通道数：2"), QStringLiteral("数据条数：6"),
                           QStringLiteral("数据开始时间:2024-03-01 00:00:00"),
                           QStringLiteral("数据结束时间:2024-03-01 00:05:00")}));
    // The empty cell counts in no statistics: 3, 4, 6, 7, 8 -> average 5.6.
    EXPECT_TRUE(lines.at(8).startsWith(QStringLiteral("通道1,最大值:8.0,最小值:3.0,平均值:5.6,类型:")));
    EXPECT_EQ(lines.at(11), QStringLiteral("序号,日期,通道1,通道2,"));
    EXPECT_EQ(lines.at(14), QStringLiteral("3,2024-03-01 00:02:00,-,51.0"));
    EXPECT_EQ(Notes(9, Msg(274) + QStringLiteral("冷库一号")), 1);

    // Nothing selected: 236; an empty record: 165 and no file.
    m_messages.Clear();
    SaveSelectedRecord(0);
    paths.Answer({Folder() + QStringLiteral("/empty.csv")}, 0);
    SaveSelectedRecord(m_empty);
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{236, 165}));
    EXPECT_FALSE(QFile::exists(Folder() + QStringLiteral("/empty.csv")));
}

TEST_F(RecordOutputTest, RowsRemovedFromTheViewAreNotExportedAndTheRestRenumbered)
{
    auto data = LoadRecordForOutput(m_record);
    ASSERT_TRUE(data);
    browse::RemoveSamples(data.get(), {1, 3});
    // The rows' time texts are the record's own.
    const OutputRecord output = OutputFromRecord(data, QStringLiteral("admin"));
    ASSERT_EQ(output.rowCount, 4);
    for (qsizetype i = 0; i < output.rowCount; ++i)
        EXPECT_EQ(output.rowTime(i), data->TimeText(i));
    const QString path = Folder() + QStringLiteral("/view.doc");
    ASSERT_TRUE(WriteRecordExport(data, OutputKind::Doc, path, QStringLiteral("admin"), Now()));
    const QStringList lines = Gbk(Bytes(path)).split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.at(5), QStringLiteral("数据条数：4"));
    EXPECT_EQ(lines.at(11), QStringLiteral("序号\t\t日期\t\t通道1\t通道2\t"));
    EXPECT_EQ(lines.mid(12, 4),
              (QStringList{QStringLiteral("1\t2024-03-01 00:00:00\t3.0\t50"), QStringLiteral("2\t2024-03-01 00:02:00\t-\t51.0"),
                           QStringLiteral("3\t2024-03-01 00:04:00\t7.0\t54"), QStringLiteral("4\t2024-03-01 00:05:00\t8.0\t55")}));
}

TEST_F(RecordOutputTest, GdbHoldsExactlyTheOneRecordAndReplacesAFileOnlyWhenAllowed)
{
    const QString path = Folder() + QStringLiteral("/one.gdb");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    m_messages.Answer(AnswerNo);
    EXPECT_FALSE(SaveRecordTo(m_record, OutputKind::Gdb, path));
    EXPECT_EQ(Bytes(path), QByteArray("old"));
    m_messages.Answer(AnswerYes);
    QString written;
    ASSERT_TRUE(SaveRecordTo(m_record, OutputKind::Gdb, path, {}, &written));
    EXPECT_EQ(written, path);
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{167, 167, 183}));
    auto db = store::OpenDatabase(nullptr, path, 0, 0, 0);
    ASSERT_TRUE(db);
    std::unique_ptr<store::CRecordset> set;
    ASSERT_EQ(db->QueryRecordset(QStringLiteral("select count(*) as n, min(id) as id from recordtime;"), set), 1);
    EXPECT_EQ(set->Integer(u"n"), 1);
    EXPECT_EQ(set->Integer(u"id"), 1);
    ASSERT_EQ(db->QueryRecordset(QStringLiteral("select count(*) as n from hA00000001_1;"), set), 1);
    EXPECT_EQ(set->Integer(u"n"), 6);
    ASSERT_EQ(db->QueryRecordset(QStringLiteral("select count(*) as n from config;"), set), 1);
    EXPECT_EQ(set->Integer(u"n"), 1);
}

TEST_F(RecordOutputTest, TheReportOfAStoredRecordHasItsCurveAnalysisAndTable)
{
    PathScript paths;
    const QString path = Folder() + QStringLiteral("/报告");
    paths.Answer({path});
    ReportSelectedRecord(m_record);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{183});
    EXPECT_EQ(paths.Requests().value(0).filter, Msg(336));
    const QString pdf = path + QStringLiteral(".pdf");
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    for (const QString& part : {QStringLiteral("设备编号:A00000001"), QStringLiteral("记录条数:6"),
                                QStringLiteral("记录总时长:0天0时5分"), QStringLiteral("数据分析"), Msg(242),
                                QStringLiteral("2024-03-01 00:05:00 8.0 55"), QStringLiteral("2024-03-01 00:02:00 - 51.0")})
        EXPECT_TRUE(text.contains(part)) << part.toStdString() << "\n" << text.toStdString();
    EXPECT_LT(text.indexOf(QStringLiteral("00:05:00 8.0")), text.indexOf(QStringLiteral("00:00:00 3.0")));
    EXPECT_EQ(Notes(28, Msg(339) + QStringLiteral("冷库一号")), 1);
    QDir().mkpath(QStringLiteral(QM_ARTEFACT_DIR));
    QFile::remove(QStringLiteral(QM_ARTEFACT_DIR "/stored-report.pdf"));
    QFile::copy(pdf, QStringLiteral(QM_ARTEFACT_DIR "/stored-report.pdf"));
}

TEST_F(RecordOutputTest, CliExportReportAndAuditAsALoggedInUser)
{
    const QString csv = Folder() + QStringLiteral("/cli.csv");
    CliResult r = Cli({QStringLiteral("export"), QStringLiteral("--record"), QString::number(m_record),
                       QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--out"), csv,
                       QStringLiteral("--encoding"), QStringLiteral("utf-8")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), csv);
    EXPECT_TRUE(Bytes(csv).startsWith("\xEF\xBB\xBF" + QStringLiteral("用户名:tester\r\n").toUtf8()));
    // Again without --force: 167, the file stays.
    const QByteArray before = Bytes(csv);
    r = Cli({QStringLiteral("export"), QStringLiteral("--record"), QString::number(m_record), QStringLiteral("--format"),
             QStringLiteral("csv"), QStringLiteral("--out"), csv});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("167: "))) << r.err.toStdString();
    EXPECT_EQ(Bytes(csv), before);
    // Empty and unknown records.
    r = Cli({QStringLiteral("report"), QStringLiteral("--record"), QString::number(m_empty), QStringLiteral("--out"),
             Folder() + QStringLiteral("/e.pdf")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("165: ")));
    EXPECT_FALSE(QFile::exists(Folder() + QStringLiteral("/e.pdf")));
    r = Cli({QStringLiteral("export"), QStringLiteral("--record"), QStringLiteral("999"), QStringLiteral("--format"),
             QStringLiteral("doc"), QStringLiteral("--out"), Folder() + QStringLiteral("/x.doc")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("123: ")));
    r = Cli({QStringLiteral("export"), QStringLiteral("--record"), QString::number(m_record), QStringLiteral("--format"),
             QStringLiteral("xls"), QStringLiteral("--out"), csv});
    EXPECT_EQ(r.code, 2);
    // The report, then the audit trail that lists both saves.
    r = Cli({QStringLiteral("report"), QStringLiteral("--record"), QString::number(m_record), QStringLiteral("--out"),
             Folder() + QStringLiteral("/r")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), Folder() + QStringLiteral("/r.pdf"));
    EXPECT_EQ(Notes(9, Msg(274) + QStringLiteral("冷库一号")), 1);
    r = Cli({QStringLiteral("audit"), QStringLiteral("--user"), QStringLiteral("tester"), QStringLiteral("--type"),
             QStringLiteral("28")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << r.out.toStdString();
    EXPECT_EQ(lines.at(0), QStringLiteral("number\tuser\ttype\ttime\ttext"));
    const QStringList fields = lines.at(1).split(u'\t');
    ASSERT_EQ(fields.size(), 5);
    EXPECT_EQ(fields.at(0), QStringLiteral("1"));
    EXPECT_EQ(fields.at(1), QStringLiteral("tester"));
    EXPECT_EQ(fields.at(2), OperationTypeText(28));
    EXPECT_EQ(fields.at(4), Msg(339) + QStringLiteral("冷库一号"));
    const QString auditPdf = Folder() + QStringLiteral("/audit.pdf");
    r = Cli({QStringLiteral("audit"), QStringLiteral("--from"), QStringLiteral("2000-1-1 0:00"), QStringLiteral("--to"),
             QStringLiteral("2999-12-31 23:59"), QStringLiteral("--pdf"), auditPdf});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(auditPdf));
    r = Cli({QStringLiteral("audit"), QStringLiteral("--from"), QStringLiteral("yesterday")});
    EXPECT_EQ(r.code, 2);
}

TEST_F(RecordOutputTest, CurveImageIsPngOrJpegAndAFailureIsReported)
{
    QImage bitmap(300, 200, QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    PathScript paths;
    paths.Answer({Folder() + QStringLiteral("/curve")}, 0);
    paths.Answer({Folder() + QStringLiteral("/curve")}, 1);
    EXPECT_TRUE(SaveCurveImage([&] { return bitmap; }));
    EXPECT_TRUE(SaveCurveImage([&] { return bitmap; }));
    EXPECT_EQ(paths.Requests().value(0).filter, Msg(338));
    EXPECT_TRUE(Bytes(Folder() + QStringLiteral("/curve.png")).startsWith("\x89PNG"));
    EXPECT_TRUE(Bytes(Folder() + QStringLiteral("/curve.jpg")).startsWith("\xFF\xD8"));
    // No picture yet, or a folder that is not there: 181, nothing saved.
    paths.Answer({Folder() + QStringLiteral("/none")}, 0);
    EXPECT_FALSE(SaveCurveImage([] { return QImage(); }));
    paths.Answer({Folder() + QStringLiteral("/missing/c.png")}, 0);
    EXPECT_FALSE(SaveCurveImage([&] { return bitmap; }));
    EXPECT_EQ(m_messages.Numbers(), (QList<int>{183, 183, 181, 181}));
    EXPECT_FALSE(QFile::exists(Folder() + QStringLiteral("/none.png")));
}

TEST_F(RecordOutputTest, TheRecordViewsExportWritesWhatItShows)
{
    auto shown = LoadRecordForOutput(m_record);
    ASSERT_TRUE(shown);
    browse::RemoveSamples(shown.get(), {0});
    PathScript paths;
    paths.Answer({Folder() + QStringLiteral("/view.pdf")}, 0);   // the name says pdf
    ExportShownRecord(shown, {QStringLiteral("甲"), QStringLiteral("乙")});
    EXPECT_EQ(m_messages.Numbers(), QList<int>{183});
    EXPECT_EQ(paths.Requests().value(0).filter, Msg(166));
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), Folder() + QStringLiteral("/view.pdf"), QStringLiteral("-")});
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(text.contains(QStringLiteral("记录名称:甲|乙"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("数据条数：5")));
    EXPECT_FALSE(text.contains(QStringLiteral("标识:")));
    EXPECT_EQ(Notes(9, QStringLiteral("甲|乙 2024-03-01 00:01:00~2024-03-01 00:05:00")), 1);
    // Nothing shown: 165.
    m_messages.Clear();
    ExportShownRecord(std::make_shared<browse::CRecordData>());
    EXPECT_EQ(m_messages.Numbers(), QList<int>{165});
}

TEST_F(RecordOutputTest, RowTimesAcrossMidnightAndTheLeapDay)
{
    const int id = AddRecord(QStringLiteral("A00000002"), QStringLiteral("hA00000002_1"),
                             {Row{QStringLiteral("2024-02-28 23:59:59"), QStringLiteral("1;2")},
                              Row{QStringLiteral("2024-02-29 00:00:00"), QStringLiteral("1;2")},
                              Row{QStringLiteral("2024-02-29 23:59:01"), QStringLiteral("1;2")},
                              Row{QStringLiteral("2024-03-01 09:08:07"), QStringLiteral("1;2")}});
    const auto data = LoadRecordForOutput(id);
    ASSERT_TRUE(data);
    const OutputRecord output = OutputFromRecord(data, QStringLiteral("admin"));
    ASSERT_EQ(output.rowCount, 4);
    EXPECT_EQ(output.rowTime(0), QStringLiteral("2024-02-28 23:59:59"));
    EXPECT_EQ(output.rowTime(3), QStringLiteral("2024-03-01 09:08:07"));
    for (qsizetype i = 0; i < output.rowCount; ++i)
        EXPECT_EQ(output.rowTime(i), data->TimeText(i));
}
