// quillmark-cli download and records against simulated loggers.
#include "DownloadFixture.h"

#include "Strings.h"

#include <QDir>
#include <QRegularExpression>

using devtest::DownloadFixture;
using devtest::CliRun;
using devtest::HistoryLogger;

namespace {

class DownloadCliTest : public DownloadFixture {
protected:
    CliRun Cli(const QStringList& args) { return devtest::RunCli(Folder(), args); }
};

TEST_F(DownloadCliTest, DownloadOnePortThenListTheRecords)
{
    Start({HistoryLogger("A1B200401", 75), HistoryLogger("A1B200402", 0)}, {1, 2});

    const CliRun one = Cli({QStringLiteral("download"), QStringLiteral("--port"), QStringLiteral("1"),
                            QStringLiteral("--name"), QStringLiteral("erste")});
    EXPECT_EQ(one.code, 0) << qPrintable(one.err);
    ASSERT_EQ(one.out.size(), 1);
    const QRegularExpression line(QStringLiteral("^record=1 table=(hA1B200401_\\d+) samples=75$"));
    const auto m = line.match(one.out.at(0));
    ASSERT_TRUE(m.hasMatch()) << qPrintable(one.out.at(0));
    EXPECT_EQ(History(LoggerFile(QStringLiteral("A1B200401")), m.captured(1)).size(), 75u);

    const CliRun empty = Cli({QStringLiteral("download"), QStringLiteral("--port"), QStringLiteral("2"),
                              QStringLiteral("--name"), QStringLiteral("leer")});
    EXPECT_EQ(empty.code, 1);
    EXPECT_TRUE(empty.err.contains(QStringLiteral("165: ") + qm::Msg(165))) << qPrintable(empty.err);
    EXPECT_TRUE(empty.out.isEmpty());

    const CliRun list = Cli({QStringLiteral("records")});
    EXPECT_EQ(list.code, 0);
    ASSERT_EQ(list.out.size(), 1);
    const QStringList cells = list.out.at(0).split(u'\t');
    ASSERT_EQ(cells.size(), 7);
    EXPECT_EQ(cells.at(0), QStringLiteral("1"));
    EXPECT_EQ(cells.at(1), QStringLiteral("erste"));
    EXPECT_EQ(cells.at(2), QStringLiteral("A1B200401"));
    EXPECT_EQ(cells.at(3), QStringLiteral("2024-05-17 08:00:00"));
    EXPECT_EQ(cells.at(4), QStringLiteral("2024-05-17 09:14:00"));
    EXPECT_EQ(cells.at(5), m.captured(1));

    EXPECT_TRUE(Cli({QStringLiteral("records"), QStringLiteral("--sn"), QStringLiteral("A1B200402")}).out.isEmpty());
    EXPECT_EQ(Cli({QStringLiteral("records"), QStringLiteral("--sn"), QStringLiteral("x' or '1'='1")}).out.size(), 0);
    EXPECT_EQ(Cli({QStringLiteral("download"), QStringLiteral("--port"), QStringLiteral("1")}).code, 2);
}

TEST_F(DownloadCliTest, DownloadAllPrintsTheBatchLinesInOrder)
{
    Start({HistoryLogger("A1B200411", 10), HistoryLogger("A1B200412", 0)}, {1, 2});
    const CliRun all = Cli({QStringLiteral("download"), QStringLiteral("--all"), QStringLiteral("--name"),
                            QStringLiteral("alle")});
    EXPECT_EQ(all.code, 0) << qPrintable(all.err);
    ASSERT_EQ(all.out.size(), 4) << qPrintable(all.out.join(u'|'));
    EXPECT_EQ(all.out.at(0), qm::MsgF(197, {QStringLiteral("A1B200412"), QStringLiteral("0")}));
    EXPECT_EQ(all.out.at(1), qm::MsgF(223, {QStringLiteral("A1B200411")}));
    EXPECT_EQ(all.out.at(2), qm::MsgF(197, {QStringLiteral("A1B200411"), QStringLiteral("10")}));
    EXPECT_EQ(all.out.at(3), qm::Msg(208));
    const CliRun list = Cli({QStringLiteral("records"), QStringLiteral("--sn"), QStringLiteral("A1B200411")});
    ASSERT_EQ(list.out.size(), 1);
    EXPECT_TRUE(list.out.at(0).split(u'\t').at(1).startsWith(QStringLiteral("alle")));
}

// A main database that is there but cannot be opened is a database fault,
// not a failed connection to the logger: the login already says so (the
// pipeline's own 185 is tested in-process).
TEST_F(DownloadCliTest, AMainDatabaseThatCannotBeOpenedIsADatabaseFault)
{
    Start({HistoryLogger("A1B200421", 10)}, {1});
    ASSERT_TRUE(QFile::remove(qm::DatabasePath()));
    ASSERT_TRUE(QDir().mkpath(qm::DatabasePath()));
    const CliRun run = Cli({QStringLiteral("download"), QStringLiteral("--port"), QStringLiteral("1"),
                            QStringLiteral("--name"), QStringLiteral("x")});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("104: "))) << qPrintable(run.err);
    EXPECT_TRUE(run.err.trimmed().endsWith(QStringLiteral("123: ") + qm::Msg(123))) << qPrintable(run.err);
    EXPECT_FALSE(run.err.contains(QStringLiteral("186: "))) << qPrintable(run.err);   // not a failed connection
    EXPECT_TRUE(run.out.isEmpty());
}

// A failed download says why after 200 on the command line as well.
TEST_F(DownloadCliTest, AFailedDownloadPrintsTheReasonAfter200)
{
    SetCom(1, QString(), -1, 100);
    auto& sim = Start({HistoryLogger("A1B200431", 200)}, {1});
    sim.At(0).AddFault({loggersim::FaultKind::LatePage, -1, 3, -1, 250});   // after 2 x 100 ms, before 3
    const CliRun run = Cli({QStringLiteral("download"), QStringLiteral("--port"), QStringLiteral("1"),
                            QStringLiteral("--name"), QStringLiteral("x")});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err.trimmed(), QStringLiteral("200: %1\r\n%2").arg(qm::Msg(200), qm::Msg(5605))) << qPrintable(run.err);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(Records().empty());
    EXPECT_TRUE(HistoryTables(LoggerFile(QStringLiteral("A1B200431"))).isEmpty());
}

} // namespace

namespace {

// The window and the cli on one program folder at the same time: two cli
// downloads run in processes of their own while this process (the window's
// part) writes audit entries into the same main database. Every write of
// every process lands: the store's busy retries carry each one past the
// others' locks.
TEST_F(DownloadCliTest, TwoProcessesWritingOneProgramFolderLoseNothing)
{
    Start({HistoryLogger("A1B200441", 1500), HistoryLogger("A1B200442", 1500)}, {1, 2});
    const auto startCli = [&](QProcess& p, const QString& port, const QString& name) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUILLMARK_PASSWORD"), QString::fromLatin1(devtest::kCliPassword));
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("QM_TEST_PROGRAM_DIR") + QStringLiteral("/quillmark-cli"),
                {QStringLiteral("--folder"), Folder(), QStringLiteral("--user"), QString::fromLatin1(devtest::kCliUser),
                 QStringLiteral("download"), QStringLiteral("--port"), port, QStringLiteral("--name"), name});
    };
    QProcess first, second;
    startCli(first, QStringLiteral("1"), QStringLiteral("eins"));
    startCli(second, QStringLiteral("2"), QStringLiteral("zwei"));
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(second.waitForStarted());
    // Written for as long as the downloads run (and at least a good number).
    int written = 0;
    const auto running = [&] {
        QCoreApplication::processEvents();
        return first.state() != QProcess::NotRunning || second.state() != QProcess::NotRunning;
    };
    while (written < 100 || (running() && written < 5000)) {
        qm::WriteOperationLog(QStringLiteral("CQuillmarkDlg::OnManualBackup"), QStringLiteral("entry %1").arg(written),
                              19, QStringLiteral("window"));
        ++written;
    }
    for (QProcess* p : {&first, &second})
        ASSERT_TRUE(p->state() == QProcess::NotRunning || p->waitForFinished(60000));
    for (QProcess* p : {&first, &second}) {
        const QString err = QString::fromUtf8(p->readAllStandardError());
        EXPECT_EQ(p->exitCode(), 0) << qPrintable(err);
        EXPECT_FALSE(err.contains(QStringLiteral("106: "))) << qPrintable(err); // no write gave up
    }

    auto db = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 0);
    ASSERT_TRUE(db);
    const auto count = [&](const QString& sql) {
        std::unique_ptr<qm::store::CRecordset> set;
        if (db->QueryRecordset(sql, set) != 1 || !set || set->RecordCount() == 0)
            return qint64(-1);
        set->MoveFirst();
        return set->Integer(u"n");
    };
    EXPECT_EQ(count(QStringLiteral("select count(*) as n from note where type = 19 and user_name = 'window'")),
              written);
    EXPECT_EQ(count(QStringLiteral("select count(*) as n from note where type = 8")), 2);
    EXPECT_EQ(count(QStringLiteral("select count(*) as n from recordtime")), 2);
    EXPECT_EQ(count(QStringLiteral("select count(*) as n from devInfo")), 2);
    for (const QString& sn : {QStringLiteral("A1B200441"), QStringLiteral("A1B200442")}) {
        const CliRun list = Cli({QStringLiteral("records"), QStringLiteral("--sn"), sn});
        ASSERT_EQ(list.out.size(), 1) << qPrintable(sn);
        EXPECT_EQ(History(LoggerFile(sn), list.out.at(0).split(u'\t').at(5)).size(), 1500u);
    }
}

} // namespace
