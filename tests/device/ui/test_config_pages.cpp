// The configuration pages and the batch dialog, offscreen, on simulated loggers.
#include "DeviceFixture.h"
#include "Screens.h"

#include "CConfigAttribute.h"
#include "CConnectProcedure.h"
#include "CDlgAllConfig.h"
#include "CRecordConfig.h"
#include "Clock.h"
#include "LoginState.h"
#include "MessageSeam.h"
#include "Schema.h"
#include "Strings.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimeEdit>
#include <QToolButton>

using namespace qm::device;
using devtest::DeviceFixture;

namespace {

class ConfigPageTest : public DeviceFixture {
protected:
    void SetUp() override
    {
        DeviceFixture::SetUp();
        qm::SetLogin(1, QStringLiteral("amy"), QString(), qm::kRoleOperator, QString());
    }
    void TearDown() override
    {
        qm::ClearLogin();
        DeviceFixture::TearDown();
    }

    DevicePtr StartOne(int channels = 1)
    {
        auto p = devtest::Logger("A1B200401", channels);
        p.state.cardName = "cold";
        p.state.channels[0].lowerBound = -40;
        p.state.channels[0].upperBound = 85;
        p.state.channels[0].alarmSwitch = 1;
        p.state.channels[0].alarmLower = -20.0f;
        p.state.channels[0].alarmUpper = 8.5f;
        p.state.memoryBytes = uint32_t(p.state.frameBytes) * 1000;
        p.state.recordInterval = {0, 2, 30};
        p.state.startMode = loggersim::kStartKey;
        p.state.stopMode = loggersim::kStopFifo;
        Start({p}, {1});
        DevicePtr device;
        EXPECT_EQ(procedure.ConnectOnePort(1, nullptr, &device), 1);
        return device;
    }

    CDevManager devices;
    CConnectProcedure procedure{devices};
    qm::MessageScript script;
};

TEST_F(ConfigPageTest, FillShowsTheLoggerAndTheModeChangesMoveThePickers)
{
    const DevicePtr device = StartOne();
    ASSERT_TRUE(device);
    CConfigAttribute page;
    page.resize(253, 720);
    page.Fill(device);
    EXPECT_EQ(page.NameEdit()->text(), QStringLiteral("cold"));
    EXPECT_EQ(page.IntervalEdit(0)->text(), QStringLiteral("0"));
    EXPECT_EQ(page.IntervalEdit(1)->text(), QStringLiteral("2"));
    EXPECT_EQ(page.IntervalEdit(2)->text(), QStringLiteral("30"));
    EXPECT_EQ(page.StartModeBox()->currentIndex(), 1); // key start
    EXPECT_FALSE(page.StartDate()->isEnabled());
    EXPECT_FALSE(page.StopDate()->isEnabled());
    EXPECT_TRUE(page.ChannelShown(0));
    EXPECT_FALSE(page.ChannelShown(1)); // a one-channel logger
    EXPECT_TRUE(page.AlarmSwitch(0)->isChecked());
    EXPECT_TRUE(page.LowEdit(0)->isEnabled());
    EXPECT_EQ(page.LowEdit(0)->text(), QStringLiteral("-20"));
    EXPECT_EQ(page.HighEdit(0)->text(), QStringLiteral("8.5"));
    EXPECT_EQ(page.RangeText(0)->text(), qm::MsgF(235, {"-40", "85"}));
    EXPECT_TRUE(page.OkButton()->isEnabled());
    EXPECT_TRUE(page.Before().startsWith(qm::Msg(136) + QStringLiteral(":cold,")));
    devtest::SaveScreen(page, QStringLiteral("config_page"));

    page.AlarmSwitch(0)->click();
    EXPECT_FALSE(page.LowEdit(0)->isEnabled());
    EXPECT_FALSE(page.Form().channels[0].alarm);

    qm::ScopedClock clock(QDateTime(QDate(2026, 6, 1), QTime(10, 0, 40)));
    page.OnStartModeChanged(0);
    EXPECT_TRUE(page.StartDate()->isEnabled());
    EXPECT_EQ(page.Form().startTime, QDateTime(QDate(2026, 6, 1), QTime(10, 2)));
    page.OnStopModeChanged(1);
    EXPECT_TRUE(page.StopTime()->isEnabled());
    EXPECT_EQ(page.Form().stopTime, QDateTime(QDate(2026, 6, 1), QTime(11, 0)));
    // Stop when full: read only, the end the memory reaches from the start.
    page.OnStopModeChanged(3);
    EXPECT_FALSE(page.StopDate()->isEnabled());
    EXPECT_EQ(page.Form().stopMode, kStopWhenFull);
    EXPECT_EQ(page.Form().stopTime, QDateTime(QDate(2026, 6, 1), QTime(10, 2)).addSecs(1000 * 150));
    // ... and follows the interval.
    page.IntervalEdit(1)->setText(QStringLiteral("1"));
    page.IntervalEdit(2)->setText(QStringLiteral("0"));
    emit page.IntervalEdit(2)->textEdited(QStringLiteral("0"));
    EXPECT_EQ(page.Form().stopTime, QDateTime(QDate(2026, 6, 1), QTime(10, 2)).addSecs(1000 * 60));
    page.OnStopModeChanged(0);
    EXPECT_FALSE(page.StopDate()->isEnabled());
}

TEST_F(ConfigPageTest, SubmitSelectsATooLongNameSwapsLimitsAndRefillsAfterWriting)
{
    const DevicePtr device = StartOne();
    ASSERT_TRUE(device);
    CConfigAttribute page;
    page.Fill(device);
    QSignalSpy configured(&page, &CConfigAttribute::configured);

    page.LowEdit(0)->setText(QStringLiteral("30"));
    page.HighEdit(0)->setText(QStringLiteral("-30"));
    page.NameEdit()->setText(QStringLiteral("ABCDEFGHIJK"));
    page.show();
    page.OkButton()->click();
    EXPECT_EQ(script.Numbers(), QList<int>{188});
    EXPECT_EQ(page.NameEdit()->selectedText(), QStringLiteral("ABCDEFGHIJK"));
    EXPECT_EQ(page.LowEdit(0)->text(), QStringLiteral("-30"));
    EXPECT_EQ(page.HighEdit(0)->text(), QStringLiteral("30"));
    EXPECT_EQ(configured.count(), 0);

    page.NameEdit()->setText(QStringLiteral("fridge"));
    script.Clear();
    page.OkButton()->click();
    EXPECT_EQ(script.Numbers(), (QList<int>{232, 124}));
    ASSERT_EQ(configured.count(), 1);
    EXPECT_EQ(configured.at(0).at(0).toString(), device->sn);
    EXPECT_EQ(Sim().At(0).Device().State().cardName, "fridge");
    EXPECT_TRUE(page.Before().startsWith(qm::Msg(136) + QStringLiteral(":fridge,")));

    // An ordinary user sees the page but cannot submit.
    qm::SetLogin(2, QStringLiteral("u"), QString(), qm::kRoleUser, QString());
    page.Refill();
    EXPECT_FALSE(page.OkButton()->isEnabled());
}

TEST_F(ConfigPageTest, ADisconnectedLoggerIsNotKeptAliveByThePage)
{
    DevicePtr device = StartOne();
    ASSERT_TRUE(device);
    CConfigAttribute page;
    page.Fill(device);
    const std::weak_ptr<CDevice> held = device;
    const QString sn = device->sn;
    device.reset();
    EXPECT_EQ(procedure.Disconnect(sn), 1);
    EXPECT_TRUE(held.expired()); // its link and port are gone
    page.OkButton()->click();
    EXPECT_EQ(script.Numbers(), QList<int>{194});
}

TEST_F(ConfigPageTest, BatchDialogChecksBeforeItCloses)
{
    CDlgAllConfig dialog;
    EXPECT_EQ(dialog.windowTitle(), qm::Msg(214));
    devtest::SaveScreen(dialog, QStringLiteral("batch_config"));
    dialog.IntervalEdit(1)->setText(QStringLiteral("0"));
    dialog.OnBnClickedOk();
    EXPECT_EQ(script.Numbers(), QList<int>{212});
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    dialog.IntervalEdit(2)->setText(QStringLiteral("1"));
    dialog.OnStartModeChanged(1);
    dialog.OnStopModeChanged(1);
    script.Clear();
    dialog.OnBnClickedOk();
    EXPECT_EQ(script.Numbers(), QList<int>{230});

    dialog.OnStopModeChanged(3);
    script.Clear();
    dialog.OnBnClickedOk();
    EXPECT_EQ(script.Numbers(), QList<int>{232});
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const ConfigForm f = dialog.Form();
    EXPECT_EQ(f.startMode, kStartKey);
    EXPECT_EQ(f.stopMode, kStopWhenFull);
    EXPECT_EQ(FormIntervalSeconds(f), 1);
}

TEST_F(ConfigPageTest, RecordPageShowsTheStoredConfigurationOrSaysThereIsNone)
{
    const QString sn = QStringLiteral("A1B200411");
    auto main = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 0);
    ASSERT_TRUE(main);
    for (int imported : {0, 1})
        ASSERT_GE(main->ExeSql(QStringLiteral("insert into recordtime(name, import, SN, time_start, time_end, "
                                              "hisdata_table, devname) values('r', %1, '%2', '', '', 't', 'cold');")
                                   .arg(imported)
                                   .arg(sn)),
                  0);
    auto logger = qm::store::OpenDatabase(nullptr, qm::store::LoggerDatabasePath(Folder(), sn), 1, 0, 0);
    ASSERT_TRUE(logger);
    ASSERT_GE(qm::store::CreateConfigTable(*logger), 0);
    ASSERT_GE(logger->ExeSql(QStringLiteral(
                  "insert into config (his_recordinterval ,way_startup ,time_startup,way_stop ,time_stop,chan_alarm "
                  ",chan_Top ,chan_Floor , chan_topLimit, chan_floorLimit, record_id, chan_type) values('0;5;0', 1, "
                  "'2026-05-01 08:30', 4, '2026-05-08 08:30', '1;0', '8.0;90.0', '2.0;10.0', '85;100', '-40;0', 1, "
                  "'1;2');")),
              0);

    CRecordConfig page;
    page.resize(253, 600);
    ASSERT_TRUE(page.Fill(1));
    EXPECT_EQ(page.Value(CRecordConfig::kName), QStringLiteral("cold"));
    EXPECT_EQ(page.Value(CRecordConfig::kInterval), QStringLiteral("0:5:0"));
    EXPECT_EQ(page.Value(CRecordConfig::kStartMode), qm::Msg(253));
    EXPECT_EQ(page.Value(CRecordConfig::kStartTime), QStringLiteral("2026-05-01 08:30"));
    EXPECT_EQ(page.Value(CRecordConfig::kStopMode), qm::Msg(257));
    EXPECT_EQ(page.Value(CRecordConfig::kStopTime), QStringLiteral("2026-05-08 08:30"));
    EXPECT_TRUE(page.ChannelSwitch(0).endsWith(qm::Msg(148)));
    EXPECT_TRUE(page.ChannelSwitch(1).endsWith(qm::Msg(149)));
    EXPECT_EQ(page.ChannelLimits(0), QStringLiteral("2.0 ~ 8.0"));
    EXPECT_EQ(page.ChannelRange(1), qm::MsgF(235, {"0", "100"}));
    EXPECT_FALSE(page.ChannelShown(2));
    EXPECT_TRUE(page.Notice().isEmpty());
    devtest::SaveScreen(page, QStringLiteral("record_config"));

    QSignalSpy set(&page, &CRecordConfig::setDeviceAttributes);
    page.SetButton()->click();
    EXPECT_EQ(set.count(), 1);

    // A record without its row gets one through the store's rule (a copy of
    // the newest row of its logger file), and keeps it.
    ASSERT_TRUE(page.Fill(2));
    EXPECT_EQ(page.Value(CRecordConfig::kInterval), QStringLiteral("0:5:0"));
    std::unique_ptr<qm::store::CRecordset> rows;
    ASSERT_EQ(logger->QueryRecordset(QStringLiteral("select * from config where record_id = 2;"), rows), 1);
    EXPECT_FALSE(rows->IsEOF());

    // A record whose logger file has nothing to give shows that it has no configuration.
    ASSERT_GE(main->ExeSql(QStringLiteral("insert into recordtime(name, import, SN, time_start, time_end, "
                                          "hisdata_table, devname) values('r', 0, 'A1B200499', '', '', 't', 'x');")),
              0);
    EXPECT_FALSE(page.Fill(3));
    EXPECT_EQ(page.Notice(), qm::Msg(5485));
    EXPECT_FALSE(page.ChannelShown(0));
    EXPECT_TRUE(page.Value(CRecordConfig::kInterval).isEmpty());
}

} // namespace
