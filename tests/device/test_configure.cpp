// Configuring loggers: the submit's checks, the write sequence as the logger
// receives it, the rename in the database, the audit entry and the batch,
// against simulated loggers.
#include "DeviceFixture.h"

#include "CBatchNote.h"
#include "CConnectProcedure.h"
#include "ChannelInfo.h"
#include "Clock.h"
#include "DeviceConfig.h"
#include "DeviceText.h"
#include "LoginState.h"
#include "MessageSeam.h"
#include "Strings.h"

using namespace qm::device;
using devtest::DeviceFixture;
using devtest::Logger;

namespace {

QDateTime Minute(const QDateTime& t) { return QDateTime(t.date(), QTime(t.time().hour(), t.time().minute())); }

loggersim::DateTime SimTime(const QDateTime& t)
{
    return {t.date().year(), t.date().month(), t.date().day(), t.time().hour(), t.time().minute(), 0};
}

class ConfigureTest : public DeviceFixture {
protected:
    void SetUp() override
    {
        DeviceFixture::SetUp();
        qm::SetLogin(1, QString::fromLatin1(devtest::kCliUser), QString(), qm::kRoleAdministrator, QString());
    }
    void TearDown() override
    {
        qm::ClearLogin();
        DeviceFixture::TearDown();
    }

    // A two-channel logger with ranges -40~85 and 0~100 and 100 frames of memory.
    static loggersim::LoggerProfile Ranged(const std::string& sn)
    {
        auto p = Logger(sn, 2);
        p.state.channels[0].lowerBound = -40;
        p.state.channels[0].upperBound = 85;
        p.state.channels[1].lowerBound = 0;
        p.state.channels[1].upperBound = 100;
        p.state.memoryBytes = uint32_t(p.state.frameBytes) * 100;
        p.state.cardName = "cold";
        return p;
    }

    DevicePtr Connect(int port)
    {
        DevicePtr device;
        EXPECT_EQ(procedure.ConnectOnePort(port, nullptr, &device), 1);
        return device;
    }

    // "fn@start" of every request since the last ClearRequests.
    QStringList Requests(size_t logger)
    {
        QStringList out;
        for (const loggersim::Bytes& f : Sim().At(logger).Requests()) {
            if (f.size() >= 4)
                out << QString::asprintf("%02x@%02x%02x", f[1], f[2], f[3]);
        }
        return out;
    }

    QStringList Writes(size_t logger)
    {
        QStringList out;
        for (const QString& r : Requests(logger))
            if (!r.startsWith(QLatin1String("03")))
                out << r;
        return out;
    }

    QString Column(const QString& sql, const char16_t* column)
    {
        auto db = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 0);
        std::unique_ptr<qm::store::CRecordset> set;
        if (!db || db->QueryRecordset(sql, set) != 1 || !set || set->IsEOF())
            return QStringLiteral("<none>");
        set->MoveFirst();
        return set->Text(QStringView(column));
    }

    QStringList AuditTexts(int type = 12)
    {
        QStringList out;
        auto db = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 0);
        std::unique_ptr<qm::store::CRecordset> set;
        if (db && db->QueryRecordset(QStringLiteral("select * from note where type = %1").arg(type), set) == 1 && set)
            for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
                out << set->Text(u"info");
        return out;
    }

    void AddRecordRow(const QString& sn)
    {
        auto db = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 0);
        ASSERT_TRUE(db);
        ASSERT_GE(db->ExeSql(QStringLiteral("insert into recordtime(name, import, SN, time_start, time_end, "
                                            "hisdata_table, devname) values('r1', 0, '%1', '', '', 't1', 'cold');")
                                 .arg(sn)),
                  0);
    }

    // A form that passes every check for `device`.
    static ConfigForm GoodForm(const CDevice& device)
    {
        ConfigForm f = FormFromDevice(device, QStringLiteral("cold"), qm::Now());
        f.hours = QStringLiteral("0");
        f.minutes = QStringLiteral("1");
        f.seconds = QStringLiteral("0");
        f.startMode = kStartTimed;
        f.startTime = Minute(qm::Now().addSecs(3600));
        f.stopMode = kStopFifo;
        return f;
    }

    CDevManager devices;
    CConnectProcedure procedure{devices};
    qm::MessageScript script;
};

TEST_F(ConfigureTest, EachCheckRefusesWithItsMessageInOrderAndWritesNothing)
{
    Start({Ranged("A1B200201")}, {1});
    const DevicePtr device = Connect(1);
    ASSERT_TRUE(device);
    const QDateTime now = qm::Now();
    const auto refused = [&](ConfigForm form) {
        script.Clear();
        Sim().At(0).ClearRequests();
        const SubmitResult r = SubmitConfig(*device, form, QString());
        EXPECT_EQ(r.outcome, SubmitOutcome::Refused);
        EXPECT_TRUE(Writes(0).isEmpty()) << Writes(0).join(u' ').toStdString();
        EXPECT_EQ(script.Numbers().size(), 1);
        return r.check;
    };

    ConfigForm f = GoodForm(*device);
    f.channels[0].low = QStringLiteral("-41");
    EXPECT_EQ(refused(f).message, 304);
    f = GoodForm(*device);
    f.channels[1].high = QStringLiteral("100.5");
    EXPECT_EQ(refused(f).channel, 1);
    f.channels[1].high = QStringLiteral("abc");
    EXPECT_EQ(refused(f).message, 304);

    // Names: empty, then longer than ten GBK bytes (the page selects the name),
    // then characters the logger cannot store.
    f = GoodForm(*device);
    f.name = QStringLiteral("   ");
    EXPECT_EQ(refused(f).message, 340);
    f.name = QStringLiteral("冷库一号机组"); // six Chinese characters
    const ConfigCheck longName = refused(f);
    EXPECT_EQ(longName.message, 188);
    EXPECT_EQ(longName.field, ConfigField::Name);
    f.name = QStringLiteral("ABCDEFGHIJK");
    EXPECT_EQ(refused(f).message, 188);
    f.name = QStringLiteral("cold\U0001F600");
    EXPECT_EQ(refused(f).message, 5480);

    // Intervals: all zero, 24 hours, an empty hour, 60 minutes, not a number.
    for (const QStringList& hms :
         {QStringList{"0", "0", "0"}, QStringList{"24", "0", "0"}, QStringList{"", "1", "0"},
          QStringList{"0", "60", "0"}, QStringList{"0", "x", "0"}, QStringList{"0", "0", "60"}}) {
        f = GoodForm(*device);
        f.hours = hms[0];
        f.minutes = hms[1];
        f.seconds = hms[2];
        EXPECT_EQ(refused(f).message, 212) << hms.join(u':').toStdString();
    }

    f = GoodForm(*device);
    f.startTime = Minute(now);
    EXPECT_EQ(refused(f).message, 305);
    f = GoodForm(*device);
    f.stopMode = kStopTimed;
    f.stopTime = Minute(now.addSecs(-60));
    EXPECT_EQ(refused(f).message, 306);
    f.stopTime = f.startTime;
    EXPECT_EQ(refused(f).message, 213);
    f.startMode = kStartKey;
    f.stopTime = f.startTime.addSecs(600);
    EXPECT_EQ(refused(f).message, 230);

    // The order: the limits come before the name, the name before the interval.
    f = GoodForm(*device);
    f.channels[0].high = QStringLiteral("86");
    f.name.clear();
    f.hours = QStringLiteral("99");
    EXPECT_EQ(refused(f).message, 304);

    // An ordinary user may look but not write.
    qm::SetLogin(2, QStringLiteral("u"), QString(), qm::kRoleUser, QString());
    EXPECT_EQ(refused(GoodForm(*device)).message, 315);
    EXPECT_EQ(script.LastNumber(), 315);
}

TEST_F(ConfigureTest, CancellingTheQuestionLeavesLoggerAndDatabaseAsTheyWere)
{
    Start({Ranged("A1B200211")}, {1});
    const DevicePtr device = Connect(1);
    ASSERT_TRUE(device);
    AddRecordRow(device->sn);
    const loggersim::LoggerState was = Sim().At(0).Device().State();
    Sim().At(0).ClearRequests();

    ConfigForm f = GoodForm(*device);
    f.name = QStringLiteral("renamed");
    script.Answer(qm::AnswerCancel);
    EXPECT_EQ(SubmitConfig(*device, f, QString()).outcome, SubmitOutcome::Cancelled);
    EXPECT_EQ(script.Numbers(), QList<int>{232});
    EXPECT_TRUE(Writes(0).isEmpty());
    const loggersim::LoggerState now = Sim().At(0).Device().State();
    EXPECT_EQ(now.cardName, was.cardName);
    EXPECT_EQ(now.clearCount, 0);
    EXPECT_EQ(now.recordInterval, was.recordInterval);
    EXPECT_EQ(Column(QStringLiteral("select * from devInfo"), u"devName"), device->name);
    EXPECT_EQ(Column(QStringLiteral("select * from recordtime"), u"devname"), QStringLiteral("cold"));
    EXPECT_TRUE(AuditTexts().isEmpty());
}

TEST_F(ConfigureTest, SubmitWritesInOrderRenamesReadsBackAndLogsBeforeAndAfter)
{
    Start({Ranged("A1B200221")}, {1});
    const DevicePtr device = Connect(1);
    ASSERT_TRUE(device);
    AddRecordRow(device->sn);
    Sim().At(0).ClearRequests();

    const ConfigForm filled = ReadConfigForm(*device);
    EXPECT_EQ(filled.name, QStringLiteral("cold"));
    EXPECT_EQ(filled.channels.size(), 2);
    const QString before = SettingsText(filled);

    ConfigForm f = filled;
    f.name = QStringLiteral("冷库一号机"); // five Chinese characters: ten GBK bytes
    f.hours = QStringLiteral("0");
    f.minutes = QStringLiteral("0");
    f.seconds = QStringLiteral("1");
    f.startMode = kStartTimed;
    f.startTime = Minute(qm::Now().addSecs(7200));
    f.stopMode = kStopWhenFull;
    f.stopTime = FormPredictedEnd(f, device->basic.frameCapacity);
    f.channels[0].alarm = true;
    f.channels[0].low = QStringLiteral("30"); // reversed: swapped before the range check
    f.channels[0].high = QStringLiteral("-10.5");
    EXPECT_EQ(f.stopTime, f.startTime.addSecs(100)); // 100 frames of one second

    Sim().At(0).ClearRequests();
    const SubmitResult r = SubmitConfig(*device, f, before);
    ASSERT_EQ(r.outcome, SubmitOutcome::Done) << script.LastNumber();
    EXPECT_EQ(script.Numbers(), (QList<int>{232, 124}));
    EXPECT_EQ(f.channels[0].low, QStringLiteral("-10.5"));
    EXPECT_EQ(f.channels[0].high, QStringLiteral("30"));

    // Name, both channels, the alarm reset, the erase, the configuration; then
    // the three read-backs.
    EXPECT_EQ(Requests(0), (QStringList{"10@3000", "10@1000", "10@1080", "10@0200", "13@0000", "10@0100", "03@0100",
                                        "03@0000", "03@1000", "03@1080"}));
    const loggersim::LoggerState s = Sim().At(0).Device().State();
    std::string gbk;
    ASSERT_TRUE(loggersim::Utf8ToGbk("冷库一号机", gbk));
    EXPECT_EQ(s.cardName, gbk);
    EXPECT_EQ(s.recordInterval, (loggersim::Interval{0, 0, 1}));
    EXPECT_EQ(s.startMode, loggersim::kStartTimed);
    EXPECT_EQ(s.startTime, SimTime(f.startTime));
    EXPECT_EQ(s.stopMode, loggersim::kStopWhenFull); // position 3 is stored as 4
    EXPECT_EQ(s.stopTime, SimTime(f.startTime.addSecs(100)));
    EXPECT_EQ(s.clearCount, 1);
    EXPECT_EQ(s.alarmResets, 1);
    EXPECT_EQ(s.channels[0].alarmSwitch, 1);
    EXPECT_FLOAT_EQ(s.channels[0].alarmLower, -10.5f);
    EXPECT_FLOAT_EQ(s.channels[0].alarmUpper, 30.0f);
    EXPECT_EQ(s.channels[1].alarmSwitch, 0);

    // The device holds what the logger says now, under its new name.
    EXPECT_EQ(device->name, QStringLiteral("冷库一号机"));
    EXPECT_EQ(device->config.stopMode, kStopWhenFull);
    EXPECT_EQ(device->channels[0].alarmSwitch, 1);
    EXPECT_EQ(Column(QStringLiteral("select * from devInfo"), u"devName"), QStringLiteral("冷库一号机"));
    EXPECT_EQ(Column(QStringLiteral("select * from recordtime"), u"devname"), QStringLiteral("冷库一号机"));

    const QStringList audit = AuditTexts();
    ASSERT_EQ(audit.size(), 1);
    const QString after = SettingsText(f);
    EXPECT_EQ(audit[0], qm::Msg(191) + u'(' + before + u')' + qm::Msg(192) + u'(' + after + u')');
    EXPECT_TRUE(before.startsWith(qm::Msg(136) + QStringLiteral(":cold,") + qm::Msg(307) + QStringLiteral(":0:1:0,")))
        << before.toStdString();
    EXPECT_TRUE(after.contains(qm::Msg(307) + QStringLiteral(":0:0:1,") + qm::Msg(114) + u':' + qm::Msg(253) + u','));
    EXPECT_TRUE(after.contains(qm::Msg(116) + u':' + qm::Msg(257) + u','));
    EXPECT_TRUE(
        after.contains(qm::MsgF(198, {qm::ChannelName(1)}) + u':' + qm::Msg(148) + QStringLiteral(" -10.5~30.0,")))
        << after.toStdString();
    EXPECT_TRUE(after.endsWith(qm::MsgF(198, {qm::ChannelName(2)}) + u':' + qm::Msg(149) + u','));

    // Ten ASCII letters fit too; key start writes no start time.
    f = ReadConfigForm(*device);
    f.name = QStringLiteral("ABCDEFGHIJ");
    f.startMode = kStartKey;
    f.stopMode = kStopKey;
    ASSERT_EQ(SubmitConfig(*device, f, QString()).outcome, SubmitOutcome::Done) << script.LastNumber();
    EXPECT_EQ(Sim().At(0).Device().State().cardName, "ABCDEFGHIJ");
    EXPECT_TRUE(Sim().At(0).Device().State().startTime.IsZero());
    EXPECT_EQ(Sim().At(0).Device().State().stopMode, loggersim::kStopKey);
}

TEST_F(ConfigureTest, AFailedNameWriteIsReportedAndALaterFailureStopsWithoutRename)
{
    auto silentName = Ranged("A1B200231");
    Start({silentName, Ranged("A1B200232")}, {1, 2});
    const DevicePtr first = Connect(1);
    const DevicePtr second = Connect(2);
    ASSERT_TRUE(first && second);

    // Nothing is written when the name does not take.
    Sim().At(0).AddFault({loggersim::FaultKind::Exception, 0x10, 1, -1, 2});
    Sim().At(0).ClearRequests();
    ConfigForm f = GoodForm(*first);
    f.name = QStringLiteral("fresh");
    EXPECT_EQ(SubmitConfig(*first, f, QString()).outcome, SubmitOutcome::Failed);
    EXPECT_EQ(script.Numbers(), (QList<int>{232, 5481}));
    // Three attempts at the name and nothing after them.
    EXPECT_EQ(Writes(0), QStringList(3, QStringLiteral("10@3000")));
    EXPECT_EQ(Sim().At(0).Device().State().clearCount, 0);

    // The channels fail after the name: 123, the name stays written, no erase,
    // no rename in the database, no audit entry.
    Sim().At(1).AddFault({loggersim::FaultKind::Exception, 0x10, 2, -1, 2});
    Sim().At(1).ClearRequests();
    script.Clear();
    f = GoodForm(*second);
    f.name = QStringLiteral("fresh");
    EXPECT_EQ(SubmitConfig(*second, f, QString()).outcome, SubmitOutcome::Failed);
    EXPECT_EQ(script.Numbers(), (QList<int>{232, 123}));
    EXPECT_EQ(Sim().At(1).Device().State().cardName, "fresh");
    EXPECT_EQ(Sim().At(1).Device().State().clearCount, 0);
    EXPECT_FALSE(Writes(1).contains(QStringLiteral("10@0100")));
    EXPECT_EQ(Column(QStringLiteral("select * from devInfo where SN = 'A1B200232'"), u"devName"), second->name);
    EXPECT_TRUE(AuditTexts().isEmpty());
}

TEST_F(ConfigureTest, BatchOfThreeWithOneGoneReportsItAndGoesOn)
{
    Start({Ranged("A1B200241"), Ranged("A1B200242"), Ranged("A1B200243")}, {1, 2, 3});
    for (int port : {1, 2, 3})
        ASSERT_TRUE(Connect(port));
    // The second logger goes away after it was connected.
    Sim().At(1).Stop();

    ConfigForm f;
    f.hours = QStringLiteral("0");
    f.minutes = QStringLiteral("5");
    f.seconds = QString();
    f.startMode = kStartKey;
    f.stopMode = kStopWhenFull;
    EXPECT_TRUE(ConfirmBatchConfig(f));
    EXPECT_EQ(script.Numbers(), QList<int>{232});

    CBatchNote note;
    note.Reset(qm::Msg(214), false);
    const BatchConfigResult r = ConfigureDevices(devices.Devices(), f, &note);
    EXPECT_EQ(r.configured, 2);
    EXPECT_EQ(r.failed, 1);
    EXPECT_EQ(r.lines, (QStringList{qm::MsgF(177, {"A1B200241"}), qm::MsgF(228, {"A1B200242"}),
                                    qm::MsgF(177, {"A1B200243"}), qm::Msg(208)}));
    const CBatchNote::State s = note.Snapshot();
    EXPECT_EQ(s.total, 3);
    EXPECT_EQ(s.done, 3);
    EXPECT_EQ(s.successes, 2);
    EXPECT_EQ(s.failures, 1);
    EXPECT_EQ(s.lines, r.lines);
    EXPECT_TRUE(s.finished);
    for (size_t i : {size_t(0), size_t(2)}) {
        const loggersim::LoggerState st = Sim().At(i).Device().State();
        EXPECT_EQ(st.recordInterval, (loggersim::Interval{0, 5, 0}));
        EXPECT_EQ(st.startMode, loggersim::kStartKey);
        EXPECT_EQ(st.stopMode, loggersim::kStopWhenFull);
        EXPECT_EQ(st.clearCount, 1);
        EXPECT_EQ(st.alarmResets, 1);
        EXPECT_EQ(st.cardName, "cold"); // the batch has no name
    }
    // The devices hold what the loggers say now.
    EXPECT_EQ(devices.Find(QStringLiteral("A1B200241"))->config.stopMode, kStopWhenFull);

    WriteBatchConfigLog(r.lines, f);
    EXPECT_EQ(AuditTexts(), QStringList{r.lines.join(u';') + SettingsText(f, false)});
    EXPECT_FALSE(SettingsText(f, false).contains(qm::Msg(136)));
}

TEST_F(ConfigureTest, BatchReportsWhereEachLoggerFailed)
{
    auto alarm = Ranged("A1B200252");
    alarm.faults.push_back(
        {loggersim::FaultKind::Exception, 0x10, 4, -1, 2}); // the clock, both channels, then the alarm reset
    auto erase = Ranged("A1B200253");
    erase.faults.push_back({loggersim::FaultKind::Exception, 0x13, 1, -1, 2});
    Start({Ranged("A1B200251"), alarm, erase}, {1, 2, 3});
    for (int port : {1, 2, 3})
        ASSERT_TRUE(Connect(port));

    ConfigForm f;
    f.hours = QStringLiteral("1");
    f.minutes = QStringLiteral("0");
    f.startMode = kStartTimed;
    f.startTime = Minute(qm::Now().addSecs(600));
    f.stopMode = kStopFifo;
    const BatchConfigResult r = ConfigureDevices(devices.Devices(), f, nullptr);
    EXPECT_EQ(r.lines, (QStringList{qm::MsgF(177, {"A1B200251"}), qm::MsgF(233, {"A1B200252"}),
                                    qm::MsgF(293, {"A1B200253"}), qm::Msg(208)}));
    EXPECT_EQ(Sim().At(0).Device().State().startTime, SimTime(f.startTime));
    EXPECT_EQ(Sim().At(2).Device().State().recordInterval, (loggersim::Interval{0, 1, 0})); // not written
}

TEST(ConfigForm, ModeChangesAndTheBatchChecks)
{
    const QDateTime now(QDate(2026, 3, 10), QTime(9, 30, 25));
    EXPECT_EQ(TimedStartDefault(now), QDateTime(QDate(2026, 3, 10), QTime(9, 32)));
    EXPECT_EQ(TimedStopDefault(now), QDateTime(QDate(2026, 3, 10), QTime(10, 30)));
    EXPECT_EQ(PredictedEnd(now, 1000, 90), now.addSecs(90000));
    EXPECT_EQ(PredictedEnd(now, 0, 90), now);

    EXPECT_EQ(StopModeFromPosition(3), kStopWhenFull);
    EXPECT_EQ(StopModePosition(kStopWhenFull), 3);
    EXPECT_EQ(StartModeFromPosition(1), kStartKey);

    // The batch has no name and no channels to check; 0:0:1 is the shortest interval.
    ConfigForm f;
    f.hours = QStringLiteral("0");
    f.minutes = QStringLiteral("0");
    f.seconds = QStringLiteral("1");
    f.startMode = kStartKey;
    f.stopMode = kStopFifo;
    EXPECT_EQ(CheckConfigForm(f, now, false).message, 0);
    f.stopMode = kStopTimed;
    f.stopTime = now.addSecs(3600);
    EXPECT_EQ(CheckConfigForm(f, now, false).message, 230);
    EXPECT_EQ(CheckConfigForm(f, now, true).message, 340);
}

} // namespace
