// quillmark-cli compare and print on records written in the stored formats,
// as a logged-in user: files, messages on stderr, exit codes, audit entries.
#include "DeviceFixture.h"
#include "RecordFixture.h"

#include <QStringDecoder>

using namespace browsetest;

namespace {

class CompareCliTest : public RecordFixture {
protected:
    void SetUp() override
    {
        RecordFixture::SetUp();
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
    EXPECT_TRUE(again.err.startsWith(QStringLiteral("167:")));
    EXPECT_EQ(ReadGbk(out + QStringLiteral(".csv")), text);
    const auto doc = Cli({"compare", "--record", QString::number(ids[0]), "--record", QString::number(ids[1]),
                          "--from", T(1), "--to", T(0), "--type", "1", "--format", "doc", "--out", out, "--force"});
    ASSERT_EQ(doc.code, 0) << qPrintable(doc.err);
    EXPECT_TRUE(ReadGbk(out + QStringLiteral(".doc")).startsWith(QStringLiteral("最大值\t21.0\t30.5\r\n")));
}

TEST_F(CompareCliTest, CompareRefusals)
{
    const std::vector<int> ids = TwoRecords();
    const QString out = Folder() + QStringLiteral("/x.csv");
    auto r = Cli({"compare", "--record", QString::number(ids[0]), "--type", "1", "--format", "csv", "--out", out});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("316:"))) << qPrintable(r.err);
    r = Cli({"compare", "--record", QString::number(ids[0]), "--record", QString::number(ids[1]), "--type", "2",
             "--format", "csv", "--out", out});
    EXPECT_EQ(r.code, 0); // A has humidity
    r = Cli({"compare", "--record", QString::number(ids[0]), "--record", QString::number(ids[1]), "--type", "5",
             "--format", "csv", "--out", out, "--force"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("165:")));
    EXPECT_EQ(Cli({"compare", "--record", "1", "--record", "2", "--type", "1", "--format", "xls", "--out", out}).code,
              2);
    EXPECT_EQ(Cli({"compare", "--record", "1", "--record", "2", "--from", T(0), "--type", "1", "--format", "csv",
                   "--out", out})
                  .code,
              2);
}
