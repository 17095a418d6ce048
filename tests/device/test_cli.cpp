#include "DeviceFixture.h"

#include "Strings.h"

#include <QDir>
#include <QFile>

using devtest::DeviceFixture;
using devtest::CliRun;
using devtest::Logger;

namespace {

class CliTest : public DeviceFixture {
protected:
    CliRun Cli(const QStringList& args) { return devtest::RunCli(Folder(), args); }

    struct Note {
        QString user, info;
        int type;
    };
    std::vector<Note> Notes(int type = 4)
    {
        std::vector<Note> rows;
        auto db = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 0);
        std::unique_ptr<qm::store::CRecordset> set;
        if (db && db->QueryRecordset(QStringLiteral("select * from note where type = %1").arg(type), set) == 1 && set)
            for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
                rows.push_back({set->Text(u"user_name"), set->Text(u"info"), int(set->Integer(u"type"))});
        return rows;
    }
};

TEST_F(CliTest, PortsAndConnectOnePort)
{
    auto zero = Logger("A1B200102", 1);
    zero.faults.push_back({loggersim::FaultKind::ZeroChannels});
    Start({Logger("A1B200101", 2), zero}, {1, 2});
    AddDeadPort(3);

    const CliRun ports = Cli({QStringLiteral("ports")});
    EXPECT_EQ(ports.code, 0);
    ASSERT_GE(ports.out.size(), 3);   // the machine's own serial ports follow the links
    EXPECT_EQ(ports.out.at(0), QStringLiteral("COM1\t") + Folder() + QStringLiteral("/dev/COM1"));
    EXPECT_EQ(ports.out.at(2), QStringLiteral("COM3\t") + Folder() + QStringLiteral("/dev/COM3"));

    const CliRun one = Cli({QStringLiteral("connect"), QStringLiteral("--port"), QStringLiteral("1")});
    EXPECT_EQ(one.code, 0) << one.err.toStdString();
    const QString connected = qm::MsgF(5407, {qm::Msg(5413)});   // a logger without a card name
    EXPECT_EQ(one.out, QStringList{connected});
    ASSERT_EQ(DevInfo().size(), 1u);
    EXPECT_EQ(DevInfo()[0].chanType, QStringLiteral("1;2"));
    const auto notes = Notes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].info, qm::JoinWords(qm::Msg(269), qm::Msg(5413)));
    EXPECT_EQ(notes[0].user, QLatin1String(devtest::kCliUser));

    const CliRun zeroRun = Cli({QStringLiteral("connect"), QStringLiteral("--port"), QStringLiteral("2")});
    EXPECT_EQ(zeroRun.code, 1);
    EXPECT_EQ(zeroRun.out, QStringList{qm::MsgF(5408, {QStringLiteral("2"), QStringLiteral("A1B200102")})});
    const CliRun dead = Cli({QStringLiteral("connect"), QStringLiteral("--port"), QStringLiteral("3")});
    EXPECT_EQ(dead.code, 1);
    EXPECT_EQ(dead.out, QStringList{qm::MsgF(5403, {QStringLiteral("3")})});
    EXPECT_EQ(Notes().size(), 1u);

    for (const QStringList& bad : {QStringList{QStringLiteral("connect")},
                                   QStringList{QStringLiteral("connect"), QStringLiteral("--port"), QStringLiteral("x")},
                                   QStringList{QStringLiteral("nonsense")}, QStringList{}})
        EXPECT_EQ(Cli(bad).code, 2) << bad.join(u' ').toStdString();
}

TEST_F(CliTest, ConnectAllPrintsEveryLineAndTheCounts)
{
    Start({Logger("A1B200111", 2), Logger("A1B200112", 1, 9600)}, {1, 2});
    AddDeadPort(3);
    const int portCount = int(Cli({QStringLiteral("ports")}).out.size());

    const CliRun all = Cli({QStringLiteral("connect"), QStringLiteral("--all")});
    EXPECT_EQ(all.code, 0) << all.err.toStdString();
    ASSERT_EQ(all.out.size(), portCount + 1);
    EXPECT_EQ(all.out.last(), QStringLiteral("tried=%1 connected=2 failed=%2").arg(portCount).arg(portCount - 2));
    EXPECT_TRUE(all.out.contains(qm::MsgF(5407, {qm::Msg(5413)})));
    EXPECT_TRUE(all.out.contains(qm::MsgF(5403, {QStringLiteral("3")})));
    EXPECT_EQ(DevInfo().size(), 2u);
    EXPECT_EQ(Notes().size(), 2u);
}

TEST_F(CliTest, MessagesGoToStderrWithTheirNumber)
{
    Start({Logger("A1B200121", 2)}, {1});
    ASSERT_TRUE(QFile::remove(qm::DatabasePath()));
    const CliRun r = Cli({QStringLiteral("connect"), QStringLiteral("--port"), QStringLiteral("1")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("109: ") + qm::MsgF(109, {qm::DatabasePath()}).remove(u'\r')))
        << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(qm::DatabasePath()));
}

// --help is asked for, so it goes to stdout with exit 0 (a usage error stays on
// stderr with 2); messages follow the program's language setting while the
// machine-read lines stay as documented.
TEST_F(CliTest, HelpOnStdoutAndMessagesInTheProgramsLanguage)
{
    for (const QStringList& help : {QStringList{QStringLiteral("--help")}, QStringList{QStringLiteral("help")},
                                    QStringList{QStringLiteral("records"), QStringLiteral("--help")}}) {
        const CliRun r = devtest::RunCli(Folder(), help, devtest::CliCall{QString(), std::nullopt, std::nullopt});
        EXPECT_EQ(r.code, 0) << help.join(u' ').toStdString();
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
        EXPECT_TRUE(r.out.join(u'\n').contains(QStringLiteral("usage: quillmark-cli")));
        EXPECT_TRUE(r.out.join(u'\n').contains(QStringLiteral("latest end time first")));
        EXPECT_FALSE(r.out.join(u'\n').contains(QStringLiteral("newest first")));
    }
    const CliRun bad = Cli({QStringLiteral("nonsense")});
    EXPECT_EQ(bad.code, 2);
    EXPECT_TRUE(bad.out.isEmpty());
    EXPECT_TRUE(bad.err.contains(QStringLiteral("usage: quillmark-cli")));

    // English: the module beside the program and the setting that chooses it.
    ASSERT_TRUE(QDir().mkpath(Folder() + QStringLiteral("/res")));
    ASSERT_TRUE(QFile::copy(qEnvironmentVariable("QM_TEST_PROGRAM_DIR") + QStringLiteral("/res/QUILLM_EN.lang"),
                            Folder() + QStringLiteral("/res/QUILLM_EN.lang")));
    ASSERT_EQ(
        qm::Settings().WriteIniStr(QStringLiteral("system"), QStringLiteral("language"), QStringLiteral("QUILLM_EN")),
        1);
    const CliRun missing = Cli({QStringLiteral("connect"), QStringLiteral("--port"), QStringLiteral("9")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.out, QStringList{QStringLiteral("COM9: there is no such port")});
    Start({Logger("A1B200131", 2)}, {1});
    const CliRun all = Cli({QStringLiteral("connect"), QStringLiteral("--all")});
    EXPECT_EQ(all.code, 0) << all.err.toStdString();
    EXPECT_TRUE(all.out.contains(QStringLiteral("Device KMW-HxxT connected"))) << all.out.join(u'|').toStdString();
    EXPECT_TRUE(all.out.last().startsWith(QStringLiteral("tried="))); // machine-read: never translated
    const auto notes = Notes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].info, QStringLiteral("Device connected KMW-HxxT")); // operation and object as two words
    ASSERT_TRUE(QFile::remove(qm::DatabasePath()));
    const CliRun gone = Cli({QStringLiteral("records")});
    EXPECT_TRUE(gone.err.contains(QStringLiteral("109: Please check"))) << gone.err.toStdString();
}

// The window's run and stop for the logger on one port: same rules, same
// messages, and the history erased only when the command line asks for it.
TEST_F(CliTest, RunAndStopKeepTheHistoryUnlessClearIsGiven)
{
    auto logger = Logger("A1B200131", 2);
    logger.state.recordInterval = {0, 1, 0};
    logger.state.memoryBytes = logger.state.frameBytes * 100;
    logger.history = loggersim::CHistory::Generated({2025, 1, 2, 3, 0, 0}, 60, 40, {{20.0, 1.0, 10, 0.0}, {50.0}});
    Start({logger}, {1});
    loggersim::CLoggerDevice& device = Sim().At(0).Device();
    const auto port = [](const char* command) {
        return QStringList{QString::fromLatin1(command), QStringLiteral("--port"), QStringLiteral("1")};
    };

    CliRun r = Cli(port("run"));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringList{QStringLiteral("sn=A1B200131 state=recording")});
    EXPECT_TRUE(r.err.contains(QStringLiteral("5420: "))) << r.err.toStdString();   // asked, answered Cancel
    EXPECT_EQ(device.State().recordingState, 1);
    EXPECT_EQ(device.State().clearCount, 0);
    EXPECT_EQ(device.StoredFrames(), 40);

    r = Cli(port("run"));   // already recording: nothing to do, not even the question
    EXPECT_EQ(r.code, 0);
    EXPECT_FALSE(r.err.contains(QStringLiteral("5420: ")));

    r = Cli(port("stop"));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringList{QStringLiteral("sn=A1B200131 state=stopped")});
    EXPECT_EQ(device.State().recordingState, 0);

    r = Cli(port("run") << QStringLiteral("--clear"));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(device.State().clearCount, 1);
    EXPECT_EQ(device.StoredFrames(), 0);

    // The audit trail has the window's entries, carrying the cli's user.
    const auto runs = Notes(6);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].info, qm::Msg(271) + qm::Msg(5413));
    EXPECT_EQ(runs[0].user, QLatin1String(devtest::kCliUser));
    EXPECT_EQ(Notes(7).size(), 1u);

    for (const QStringList& bad : {QStringList{QStringLiteral("run")}, port("run") << QStringLiteral("--force"),
                                   port("stop") << QStringLiteral("--clear"),
                                   QStringList{QStringLiteral("stop"), QStringLiteral("--port"), QStringLiteral("0")}})
        EXPECT_EQ(Cli(bad).code, 2) << bad.join(u' ').toStdString();
}

TEST_F(CliTest, RunAndStopRefuseWhatTheModesForbid)
{
    auto keyStart = Logger("A1B200141", 1);
    keyStart.state.startMode = loggersim::kStartKey;
    auto keyStop = Logger("A1B200142", 1);
    keyStop.state.startMode = loggersim::kStartKey;
    keyStop.state.stopMode = loggersim::kStopKey;
    keyStop.state.recordingState = 1;
    Start({keyStart, keyStop}, {1, 2});

    CliRun r = Cli({QStringLiteral("run"), QStringLiteral("--port"), QStringLiteral("1")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("230: "))) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringList{QStringLiteral("sn=A1B200141 state=stopped")});
    EXPECT_EQ(Sim().At(0).Device().State().recordingState, 0);

    r = Cli({QStringLiteral("stop"), QStringLiteral("--port"), QStringLiteral("2")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("231: "))) << r.err.toStdString();
    EXPECT_EQ(Sim().At(1).Device().State().recordingState, 1);

    r = Cli({QStringLiteral("run"), QStringLiteral("--port"), QStringLiteral("5")});   // nobody there
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(Notes(6).empty());
}

} // namespace
