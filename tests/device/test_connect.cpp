#include "DeviceFixture.h"

#include "CConnectProcedure.h"
#include "CUSBConn.h"
#include "Clock.h"
#include "MessageSeam.h"
#include "Strings.h"

using namespace qm::device;
using devtest::DeviceFixture;
using devtest::Logger;

namespace {

class ConnectTest : public DeviceFixture {
protected:
    CDevManager devices;
    CConnectProcedure procedure{devices};
};

TEST_F(ConnectTest, RegistersLoggerWithItsIdentityAndSetsItsClock)
{
    auto& sim = Start({Logger("A1B200007", 2)});
    const int com = sim.ComOf(0);
    qm::ScopedClock clock(QDateTime(QDate(2025, 3, 4), QTime(5, 6, 7)));

    QString text;
    DevicePtr device;
    ASSERT_EQ(procedure.ConnectOnePort(com, &text, &device), 1) << text.toStdString();
    EXPECT_EQ(text, QStringLiteral("设备KMW-HxxT连接成功"));   // empty card name
    ASSERT_TRUE(device);
    EXPECT_EQ(devices.Find(QStringLiteral("A1B200007")), device);
    EXPECT_EQ(device->connected, 1);
    EXPECT_EQ(device->baud, 115200);
    EXPECT_TRUE(device->databasePath.endsWith(QStringLiteral("A1B200007.db3"))) << device->databasePath.toStdString();

    const auto rows = DevInfo();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].sn, QStringLiteral("A1B200007"));
    EXPECT_EQ(rows[0].mac, QStringLiteral("0A:1B:2C:3D:4E:5F"));
    EXPECT_EQ(rows[0].devtype, 3);
    EXPECT_EQ(rows[0].name, QStringLiteral("KMW-HxxT"));
    EXPECT_EQ(rows[0].port, com);
    EXPECT_EQ(rows[0].baud, 115200);
    EXPECT_EQ(rows[0].chanType, QStringLiteral("1;2"));

    const loggersim::DateTime set = sim.At(0).Device().Clock();
    EXPECT_EQ(set.year, 2025);
    EXPECT_EQ(set.month, 3);
    EXPECT_EQ(set.day, 4);
    EXPECT_EQ(set.hour, 5);
    EXPECT_EQ(set.minute, 6);
    EXPECT_NEAR(set.second, 7, 3);

    // A second connect of the same logger replaces its row and its registry entry.
    DevicePtr again;
    ASSERT_EQ(procedure.ConnectOnePort(com, &text, &again), 1);
    EXPECT_EQ(DevInfo().size(), 1u);
    EXPECT_EQ(devices.Count(), 1);
    EXPECT_EQ(devices.Find(QStringLiteral("A1B200007")), again);
}

TEST_F(ConnectTest, CardNameInGbkBecomesTheDeviceName)
{
    auto profile = Logger("A1B200008", 1);
    ASSERT_TRUE(loggersim::Utf8ToGbk("冷库三号", profile.state.cardName));
    auto& sim = Start({profile});
    QString text;
    ASSERT_EQ(procedure.ConnectOnePort(sim.ComOf(0), &text), 1);
    EXPECT_EQ(text, QStringLiteral("设备冷库三号连接成功"));
    ASSERT_EQ(DevInfo().size(), 1u);
    EXPECT_EQ(DevInfo()[0].name, QStringLiteral("冷库三号"));
    EXPECT_EQ(DevInfo()[0].chanType, QStringLiteral("1"));
}

TEST_F(ConnectTest, LoggerAnsweringOnlyAt9600IsFoundAfter115200Fails)
{
    auto& sim = Start({Logger("A1B200009", 2, 9600)});
    QString text;
    DevicePtr device;
    ASSERT_EQ(procedure.ConnectOnePort(sim.ComOf(0), &text, &device), 1) << text.toStdString();
    EXPECT_EQ(device->baud, 9600);
    ASSERT_EQ(DevInfo().size(), 1u);
    EXPECT_EQ(DevInfo()[0].baud, 9600);
    EXPECT_GT(sim.At(0).Ignored(), 0);   // the 115200 attempt reached it as noise
}

TEST_F(ConnectTest, FailedStepsGiveTheirTextAndReleaseThePort)
{
    auto zero = Logger("A1B200010", 2);
    zero.faults.push_back({loggersim::FaultKind::ZeroChannels});
    auto& sim = Start({zero});
    const int com = sim.ComOf(0);
    const std::string slave = sim.At(0).SlavePath();
    const int idle = devtest::OpenCount(slave);
    const int dead = AddDeadPort(com + 1);

    QString text;
    DevicePtr device;
    EXPECT_EQ(procedure.ConnectOnePort(com, &text, &device), 0);
    EXPECT_EQ(text, QStringLiteral("COM%1连接失败SN:A1B200010").arg(com));
    EXPECT_FALSE(device);
    EXPECT_TRUE(DevInfo().empty());
    EXPECT_EQ(devices.Count(), 0);
    EXPECT_EQ(devtest::OpenCount(slave), idle);

    EXPECT_EQ(procedure.ConnectOnePort(dead, &text), 0);
    EXPECT_EQ(text, QStringLiteral("COM%1获取配置信息失败").arg(dead));

    const int missing = com + 7;   // no such port at all
    EXPECT_EQ(procedure.ConnectOnePort(missing, &text), 0);
    EXPECT_EQ(text, QStringLiteral("COM%1获取配置信息失败").arg(missing));

    // The configuration answers, then the logger falls silent.
    sim.At(0).ClearFaults();
    sim.At(0).AddFault({loggersim::FaultKind::Silence, 0x03, 2, -1, 0});
    EXPECT_EQ(procedure.ConnectOnePort(com, &text), 0);
    EXPECT_EQ(text, QStringLiteral("COM%1获取基本信息失败").arg(com));
    EXPECT_EQ(devtest::OpenCount(slave), idle);
    EXPECT_TRUE(DevInfo().empty());
}

TEST_F(ConnectTest, DisconnectClosesThePort)
{
    auto& sim = Start({Logger("A1B200011", 2)});
    const std::string slave = sim.At(0).SlavePath();
    const int idle = devtest::OpenCount(slave);
    ASSERT_EQ(procedure.ConnectOnePort(sim.ComOf(0)), 1);
    EXPECT_EQ(devtest::OpenCount(slave), idle + 1);
    EXPECT_EQ(procedure.Disconnect(QStringLiteral("A1B200011")), 1);
    EXPECT_EQ(devtest::OpenCount(slave), idle);
    EXPECT_EQ(devices.Count(), 0);
    EXPECT_EQ(procedure.Disconnect(QStringLiteral("A1B200011")), 0);
}

} // namespace
