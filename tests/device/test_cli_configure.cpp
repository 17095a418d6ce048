// quillmark-cli configure: one logger and the batch, with the page's checks,
// messages, writes and audit entries.
#include "DeviceFixture.h"

#include "Clock.h"
#include "Strings.h"

using devtest::CliRun;
using devtest::DeviceFixture;
using devtest::Logger;

namespace {

class CliConfigureTest : public DeviceFixture {
protected:
    CliRun Cli(const QStringList& args, const devtest::CliCall& call = {})
    {
        return devtest::RunCli(Folder(), QStringList{QStringLiteral("configure")} + args, call);
    }

    static loggersim::LoggerProfile Ranged(const std::string& sn)
    {
        auto p = Logger(sn, 2);
        p.state.channels[0].lowerBound = -40;
        p.state.channels[0].upperBound = 85;
        p.state.channels[1].lowerBound = 0;
        p.state.channels[1].upperBound = 100;
        p.state.memoryBytes = uint32_t(p.state.frameBytes) * 100;
        p.state.cardName = "cold";
        p.state.recordInterval = {0, 1, 0};
        p.state.startMode = loggersim::kStartKey;
        return p;
    }

    static QString Later(int seconds)
    {
        return QDateTime::currentDateTime().addSecs(seconds).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    }

    QStringList Audit(int type)
    {
        QStringList out;
        auto db = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 0);
        std::unique_ptr<qm::store::CRecordset> set;
        if (db && db->QueryRecordset(QStringLiteral("select * from note where type = %1").arg(type), set) == 1 && set)
            for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
                out << set->Text(u"user_name") + u'|' + set->Text(u"info");
        return out;
    }
};

TEST_F(CliConfigureTest, OneLoggerWithEverySettingAndWithoutConsent)
{
    Start({Ranged("A1B200301")}, {1});
    loggersim::CLoggerDevice& logger = Sim().At(0).Device();
    const QString start = Later(7200);
    const QStringList args{"--port", "1",      "--name", "冷库二号", "--interval", "0:0:30",  "--start",
                           start,    "--stop", "full",   "--alarm",  "1=30~-10",   "--alarm", "2=off"};

    // Without --yes: the new settings and the question, nothing written.
    CliRun r = Cli(args);
    EXPECT_EQ(r.code, 1);
    ASSERT_EQ(r.out.size(), 1);
    EXPECT_TRUE(r.out[0].startsWith(qm::Msg(136) + QStringLiteral(":冷库二号,"))) << r.out[0].toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("232: ") + qm::Msg(232))) << r.err.toStdString();
    EXPECT_EQ(logger.State().cardName, "cold");
    EXPECT_EQ(logger.State().clearCount, 0);
    EXPECT_TRUE(Audit(12).isEmpty());

    r = Cli(args + QStringList{"--yes"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.last(), QStringLiteral("sn=A1B200301 configured"));
    EXPECT_TRUE(r.err.contains(QStringLiteral("124: "))) << r.err.toStdString();
    const loggersim::LoggerState s = logger.State();
    std::string gbk;
    ASSERT_TRUE(loggersim::Utf8ToGbk("冷库二号", gbk));
    EXPECT_EQ(s.cardName, gbk);
    EXPECT_EQ(s.recordInterval, (loggersim::Interval{0, 0, 30}));
    EXPECT_EQ(s.startMode, loggersim::kStartTimed);
    EXPECT_EQ(s.stopMode, loggersim::kStopWhenFull);
    const QDateTime end = QDateTime::fromString(start, QStringLiteral("yyyy-MM-dd HH:mm")).addSecs(100 * 30);
    EXPECT_EQ(s.stopTime, (loggersim::DateTime{end.date().year(), end.date().month(), end.date().day(),
                                               end.time().hour(), end.time().minute(), 0}));
    EXPECT_EQ(s.channels[0].alarmSwitch, 1);
    EXPECT_FLOAT_EQ(s.channels[0].alarmLower, -10.0f);
    EXPECT_FLOAT_EQ(s.channels[0].alarmUpper, 30.0f);
    EXPECT_EQ(s.clearCount, 1);
    const QStringList audit = Audit(12);
    ASSERT_EQ(audit.size(), 1);
    EXPECT_TRUE(audit[0].startsWith(QLatin1String(devtest::kCliUser) + u'|' + qm::Msg(191) + u'(' + qm::Msg(136)
                                    + QStringLiteral(":cold,")))
        << audit[0].toStdString();
    EXPECT_TRUE(audit[0].contains(qm::Msg(192) + u'(' + qm::Msg(136) + QStringLiteral(":冷库二号,")));

    // Settings not named keep the logger's values.
    r = Cli({"--port", "1", "--interval", "0:2:0", "--yes"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(logger.State().cardName, gbk);
    EXPECT_EQ(logger.State().stopMode, loggersim::kStopWhenFull);
    EXPECT_EQ(logger.State().channels[0].alarmSwitch, 1);
    EXPECT_EQ(logger.State().recordInterval, (loggersim::Interval{0, 2, 0}));
}

TEST_F(CliConfigureTest, RefusalsCarryThePagesMessagesAndUsageErrorsExitTwo)
{
    Start({Ranged("A1B200311")}, {1});
    const auto refused = [&](const QStringList& extra, int message) {
        const CliRun r = Cli(QStringList{"--port", "1"} + extra + QStringList{"--yes"});
        EXPECT_EQ(r.code, 1) << extra.join(u' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(QString::number(message) + QStringLiteral(": ")))
            << extra.join(u' ').toStdString() << " -> " << r.err.toStdString();
    };
    refused({"--interval", "24:00:00"}, 212);
    refused({"--interval", "0:0:0"}, 212);
    refused({"--start", "key", "--stop", Later(3600)}, 230);
    refused({"--name", "冷库一号机组"}, 188);
    refused({"--name", "ABCDEFGHIJK"}, 188);
    refused({"--alarm", "2=-5~50"}, 304);
    refused({"--start", Later(-120)}, 305);
    EXPECT_EQ(Sim().At(0).Device().State().clearCount, 0);
    EXPECT_EQ(Sim().At(0).Device().State().cardName, "cold");

    for (const QStringList& bad :
         {QStringList{"--name", "x", "--yes"}, QStringList{"--port", "1", "--interval", "1:2"},
          QStringList{"--port", "1", "--alarm", "1=5"}, QStringList{"--port", "1", "--stop", "soon"},
          QStringList{"--port", "1", "--start", "2026-13-01 10:00"}, QStringList{"--all", "--interval", "0:1:0"},
          QStringList{"--all", "--interval", "0:1:0", "--start", "key", "--stop", "fifo", "--name", "x"},
          QStringList{"--port", "1", "--alarm", "3=1~2", "--yes"}})
        EXPECT_EQ(Cli(bad).code, 2) << bad.join(u' ').toStdString();

    // An ordinary user is refused before any logger is touched.
    devtest::AddUserRow(QStringLiteral("viewer"), QStringLiteral("viewer-pass1"), qm::kRoleUser);
    devtest::CliCall viewer;
    viewer.user = QStringLiteral("viewer");
    viewer.password = QStringLiteral("viewer-pass1");
    const CliRun r = Cli({"--port", "1", "--interval", "0:5:0", "--yes"}, viewer);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("315: "))) << r.err.toStdString();
}

TEST_F(CliConfigureTest, AllConfiguresEveryLoggerPrintsItsLinesAndLogsThem)
{
    auto failing = Ranged("A1B200322");
    failing.faults.push_back({loggersim::FaultKind::Exception, 0x13, 1, -1, 2});
    Start({Ranged("A1B200321"), failing, Ranged("A1B200323")}, {1, 2, 3});
    const QStringList args{"--all", "--interval", "0:10:0", "--start", "key", "--stop", "fifo"};

    CliRun r = Cli(args);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("232: ")));
    EXPECT_EQ(Sim().At(0).Device().State().recordInterval, (loggersim::Interval{0, 1, 0}));

    r = Cli(args + QStringList{"--yes"});
    EXPECT_EQ(r.code, 1); // one logger failed
    const QStringList lines{qm::MsgF(177, {"A1B200321"}), qm::MsgF(293, {"A1B200322"}), qm::MsgF(177, {"A1B200323"}),
                            qm::Msg(208)};
    EXPECT_EQ(r.out.mid(1), lines + QStringList{QStringLiteral("configured=2 failed=1")})
        << r.out.join(u'\n').toStdString();
    EXPECT_EQ(Sim().At(0).Device().State().recordInterval, (loggersim::Interval{0, 10, 0}));
    EXPECT_EQ(Sim().At(2).Device().State().clearCount, 1);
    const QStringList audit = Audit(12);
    ASSERT_EQ(audit.size(), 1);
    EXPECT_TRUE(audit[0].startsWith(QLatin1String(devtest::kCliUser) + u'|' + lines.join(u';') + qm::Msg(307)))
        << audit[0].toStdString();
}

} // namespace
