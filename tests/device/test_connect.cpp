#include "DeviceFixture.h"

#include "CConnectProcedure.h"
#include "CUSBConn.h"
#include "Clock.h"
#include "DeviceText.h"
#include "MessageSeam.h"
#include "PortAccess.h"
#include "Strings.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <unistd.h>

using namespace qm::device;
using qm::Msg;
using qm::MsgF;
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
    EXPECT_EQ(text, MsgF(5407, {Msg(5413)}));   // empty card name: the default name
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
    EXPECT_EQ(text, MsgF(5407, {QStringLiteral("冷库三号")}));
    ASSERT_EQ(DevInfo().size(), 1u);
    EXPECT_EQ(DevInfo()[0].name, QStringLiteral("冷库三号"));
    EXPECT_EQ(DevInfo()[0].chanType, QStringLiteral("1"));
}

TEST_F(ConnectTest, CardNamesReadTheSameInEitherLanguage)
{
    // A Chinese name stays Chinese when the program runs in English, so a
    // language switch never rewrites devInfo with a misread name.
    struct Chinese {
        ~Chinese() { qm::SetCurrentLanguageName(QString::fromLatin1(qm::kChineseModule)); }
    } restore;
    qm::SetCurrentLanguageName(QString::fromLatin1(qm::kEnglishModule));
    auto profile = Logger("A1B200009", 1);
    ASSERT_TRUE(loggersim::Utf8ToGbk("冷库三号", profile.state.cardName));
    auto& sim = Start({profile});
    ASSERT_EQ(procedure.ConnectOnePort(sim.ComOf(0), nullptr), 1);
    ASSERT_EQ(DevInfo().size(), 1u);
    EXPECT_EQ(DevInfo()[0].name, QStringLiteral("冷库三号"));

    // Names given in English: Chinese goes out as GBK, what GBK lacks in the
    // Latin page; both read back as given. Chinese keeps to GBK alone.
    QByteArray bytes;
    ASSERT_TRUE(ToCodePage(QStringLiteral("冷库"), &bytes));
    EXPECT_EQ(bytes, QByteArray("\xC0\xE4\xBF\xE2"));
    ASSERT_TRUE(ToCodePage(QStringLiteral("Köln"), &bytes));
    EXPECT_EQ(bytes, QByteArray("K\xF6ln"));
    EXPECT_EQ(FromCodePage(QByteArray("\xC0\xE4\xBF\xE2")), QStringLiteral("冷库"));
    EXPECT_EQ(FromCodePage(QByteArray("Truck\xFF")), QStringLiteral("Truckÿ"));
    EXPECT_TRUE(IsValidCardName(QStringLiteral("冷库五号机")));
    EXPECT_FALSE(IsValidCardName(QStringLiteral("冷库五号机房")));
    qm::SetCurrentLanguageName(QString::fromLatin1(qm::kChineseModule));
    EXPECT_FALSE(ToCodePage(QStringLiteral("Köln"), &bytes));
    EXPECT_EQ(FromCodePage(QByteArray("Truck\xFF")), QStringLiteral("Truck\uFFFD"));
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
    EXPECT_EQ(text, MsgF(5408, {QString::number(com), QStringLiteral("A1B200010")}));
    EXPECT_FALSE(device);
    EXPECT_TRUE(DevInfo().empty());
    EXPECT_EQ(devices.Count(), 0);
    EXPECT_EQ(devtest::OpenCount(slave), idle);

    EXPECT_EQ(procedure.ConnectOnePort(dead, &text), 0);
    EXPECT_EQ(text, MsgF(5403, {QString::number(dead)}));

    const int missing = com + 7; // no such port at all: said so, not a silent logger
    EXPECT_EQ(procedure.ConnectOnePort(missing, &text), 0);
    EXPECT_EQ(text, MsgF(5422, {QString::number(missing)}));

    // The configuration answers, then the logger falls silent.
    sim.At(0).ClearFaults();
    sim.At(0).AddFault({loggersim::FaultKind::Silence, 0x03, 2, -1, 0});
    EXPECT_EQ(procedure.ConnectOnePort(com, &text), 0);
    EXPECT_EQ(text, MsgF(5404, {QString::number(com)}));
    EXPECT_EQ(devtest::OpenCount(slave), idle);
    EXPECT_TRUE(DevInfo().empty());
}

// A link whose port refuses the user, as a USB adapter owned by "dialout"
// does on a fresh desktop (the tests run as root, which no mode keeps out).
class RefusedLink : public CUSBConn {
public:
    explicit RefusedLink(std::string device) : m_device(std::move(device)) {}
    int Open(int, int) override { return 0; }
    int OpenError() override { return EACCES; }
    std::string OpenedDevice() override { return m_device; }

private:
    std::string m_device;
};

// A port that does not open says why: another program holds it, or the user
// may not open it and which group would let them.
TEST_F(ConnectTest, APortThatDoesNotOpenSaysWhy)
{
    auto& sim = Start({Logger("A1B200030", 2)});
    const int com = sim.ComOf(0);
    const QString device = QFileInfo(QString::fromStdString(sim.At(0).SlavePath())).canonicalFilePath();

    // Another process holds the port the way a second program does.
    QProcess holder;
    holder.start(QStringLiteral("flock"), {QStringLiteral("-x"), QStringLiteral("-o"), device, QStringLiteral("-c"),
                                           QStringLiteral("echo held; sleep 30")});
    ASSERT_TRUE(holder.waitForReadyRead(5000));
    QString text;
    EXPECT_EQ(procedure.ConnectOnePort(com, &text), 0);
    EXPECT_EQ(text, MsgF(5424, {QString::number(com), device}));
    EXPECT_TRUE(sim.At(0).Requests().empty()); // nothing was sent to a port somebody else talks on
    holder.kill();
    holder.waitForFinished();
    EXPECT_EQ(procedure.ConnectOnePort(com, &text), 1) << text.toStdString();
    ASSERT_EQ(procedure.Disconnect(QStringLiteral("A1B200030")), 1);

    const QString owned = Folder() + QStringLiteral("/ttyUSB0");
    QFile file(owned);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_EQ(::chown(QFile::encodeName(owned).constData(), uid_t(-1), gid_t(20)), 0); // dialout
    const QString group = DeviceGroup(owned);
    EXPECT_FALSE(group.isEmpty());
    procedure.SetLinkFactory([owned] { return std::make_unique<RefusedLink>(owned.toStdString()); });
    EXPECT_EQ(procedure.ConnectOnePort(3, &text), 0);
    EXPECT_EQ(text, MsgF(5423, {QStringLiteral("3"), owned, group, group}));
    EXPECT_TRUE(text.contains(group));
}

TEST_F(ConnectTest, DisconnectClosesThePort)
{
    auto& sim = Start({Logger("A1B200011", 2)});
    const std::string slave = sim.At(0).SlavePath();
    const int idle = devtest::OpenCount(slave);
    ASSERT_EQ(procedure.ConnectOnePort(sim.ComOf(0)), 1);
    EXPECT_EQ(devtest::OpenCount(slave), idle + 2); // the port and the lock that keeps other programs off it
    EXPECT_EQ(procedure.Disconnect(QStringLiteral("A1B200011")), 1);
    EXPECT_EQ(devtest::OpenCount(slave), idle);
    EXPECT_EQ(devices.Count(), 0);
    EXPECT_EQ(procedure.Disconnect(QStringLiteral("A1B200011")), 0);
}

} // namespace

namespace {

// The connect dialog's procedure: the logger selected in the main window, or
// the configured port.
class ConnectSelectedTest : public DeviceFixture {
protected:
    CDevManager devices;
    CConnectProcedure procedure{devices};
    qm::MessageScript messages;
};

TEST_F(ConnectSelectedTest, SelectedLoggerIsFoundOnAnotherPortBySerialNumber)
{
    auto& sim = Start({Logger("A1B200041", 2), Logger("A1B200042", 2)}, {1, 2});
    const int idle = devtest::OpenCount(sim.At(0).SlavePath());
    AddDevInfo(QStringLiteral("A1B200042"), 5, 115200);   // it used to be on COM5
    devices.SetCurrentSN(QStringLiteral("A1B200042"));

    ASSERT_EQ(procedure.ConnectSelected(), 1);
    ASSERT_TRUE(procedure.LastConnected());
    EXPECT_EQ(procedure.LastConnected()->port, 2);
    EXPECT_EQ(devices.SerialNumbers(), QStringList{QStringLiteral("A1B200042")});
    EXPECT_EQ(devtest::OpenCount(sim.At(0).SlavePath()), idle);   // the other logger was let go
    const auto rows = DevInfo();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].port, 2);
    EXPECT_EQ(rows[0].name, QStringLiteral("KMW-HxxT"));
    EXPECT_TRUE(messages.Numbers().isEmpty());
}

TEST_F(ConnectSelectedTest, AnotherLoggerOnTheExpectedPortEndsWithNothing)
{
    Start({Logger("A1B200041", 2), Logger("A1B200042", 2)}, {1, 2});
    AddDevInfo(QStringLiteral("A1B200042"), 1, 115200);
    devices.SetCurrentSN(QStringLiteral("A1B200042"));
    EXPECT_EQ(procedure.ConnectSelected(), 0);
    EXPECT_EQ(devices.Count(), 0);
    ASSERT_EQ(DevInfo().size(), 1u);
    EXPECT_EQ(DevInfo()[0].port, 1);
}

// A serial link whose open of one port at one baud rate fails (a port busy for
// a moment, a driver refusing a setting).
class RefusingLink : public CUSBConn {
public:
    RefusingLink(int port, int baud, std::shared_ptr<int> refusals) : m_port(port), m_baud(baud), m_refusals(refusals) {}
    int Open(int port, int baud) override
    {
        if (port == m_port && baud == m_baud) {
            ++*m_refusals;
            return 0;
        }
        return CUSBConn::Open(port, baud);
    }

private:
    int m_port, m_baud;
    std::shared_ptr<int> m_refusals;
};

TEST_F(ConnectSelectedTest, OpenAtAnotherBaudOnTheSamePortEndsTheScan)
{
    // Nothing selected: the stored port and baud. The open at 9600 fails, 115200
    // opens the same port, and that logger is the one connected, not one found
    // on a port further on.
    Start({Logger("A1B200051", 2), Logger("A1B200052", 2)}, {2, 1});
    SetCom(1, QStringLiteral("COM2"), 9600, devtest::kLinkDelay);
    auto refusals = std::make_shared<int>(0);
    procedure.SetLinkFactory([refusals] { return std::make_unique<RefusingLink>(2, 9600, refusals); });
    ASSERT_EQ(procedure.ConnectSelected(), 1);
    EXPECT_EQ(*refusals, 1);
    EXPECT_EQ(procedure.LastConnected()->sn, QStringLiteral("A1B200051"));
    EXPECT_EQ(procedure.LastConnected()->port, 2);
    EXPECT_EQ(procedure.LastConnected()->baud, 115200);
    EXPECT_EQ(devices.CurrentSN(), QStringLiteral("A1B200051"));
    EXPECT_EQ(devices.Count(), 1);
}

TEST_F(ConnectSelectedTest, ScanPassesOverThePortsOfConnectedLoggers)
{
    // Nothing selected and the configured port gone: the scan takes the first
    // logger that answers, and the next scan the next one, not the first again.
    auto& sim = Start({Logger("A1B200071", 2), Logger("A1B200072", 2)}, {1, 2});
    SetCom(1, QStringLiteral("COM7"), 115200, devtest::kLinkDelay);
    ASSERT_EQ(procedure.ConnectSelected(), 1);
    EXPECT_EQ(procedure.LastConnected()->port, 1);
    const int held = devtest::OpenCount(sim.At(0).SlavePath());

    devices.SetCurrentSN(QString());
    ASSERT_EQ(procedure.ConnectSelected(), 1);
    EXPECT_EQ(procedure.LastConnected()->port, 2);
    EXPECT_EQ(procedure.LastConnected()->sn, QStringLiteral("A1B200072"));
    EXPECT_EQ(devices.SerialNumbers(), (QStringList{QStringLiteral("A1B200071"), QStringLiteral("A1B200072")}));
    EXPECT_EQ(devtest::OpenCount(sim.At(0).SlavePath()), held);   // nobody else opened the first line

    // With both connected the scan finds nothing new.
    devices.SetCurrentSN(QString());
    EXPECT_EQ(procedure.ConnectSelected(), 0);
    EXPECT_EQ(devices.Count(), 2);
}

TEST_F(ConnectSelectedTest, NewLoggerIsNamedAndTheNameWrittenInGbk)
{
    auto& sim = Start({Logger("A1B200061", 2)}, {3});
    SetCom(0, QStringLiteral("COM3"), 115200, devtest::kLinkDelay);
    QString offered;
    procedure.SetNameAsker([&](const QString& current, QString* chosen) {
        offered = current;
        *chosen = QStringLiteral("  冷库五号机 ");
        return true;
    });
    ASSERT_EQ(procedure.ConnectSelected(), 1);
    EXPECT_EQ(offered, QStringLiteral("KMW-HxxT"));
    std::string gbk;
    ASSERT_TRUE(loggersim::Utf8ToGbk("冷库五号机", gbk));
    EXPECT_EQ(sim.At(0).Device().State().cardName, gbk);
    EXPECT_EQ(procedure.LastConnected()->name, QStringLiteral("冷库五号机"));
    EXPECT_EQ(DevInfo().at(0).name, QStringLiteral("冷库五号机"));

    // Known now: connecting again asks nothing.
    offered.clear();
    ASSERT_EQ(procedure.ConnectSelected(), 1);
    EXPECT_TRUE(offered.isEmpty());
}

TEST_F(ConnectSelectedTest, RefusedNameOrMissingChannelsConnectNothing)
{
    auto zero = Logger("A1B200072", 2);
    zero.faults.push_back({loggersim::FaultKind::ZeroChannels});
    auto& sim = Start({Logger("A1B200071", 2), zero}, {1, 2});
    const int idle = devtest::OpenCount(sim.At(0).SlavePath());
    SetCom(0, QStringLiteral("COM1"), 115200, devtest::kLinkDelay);
    procedure.SetNameAsker([](const QString&, QString*) { return false; });
    EXPECT_EQ(procedure.ConnectSelected(), 0);
    EXPECT_EQ(devtest::OpenCount(sim.At(0).SlavePath()), idle);
    EXPECT_TRUE(sim.At(0).Device().State().cardName.empty());

    procedure.SetNameAsker({});
    SetCom(0, QStringLiteral("COM2"), 115200, devtest::kLinkDelay);
    EXPECT_EQ(procedure.ConnectSelected(), 0);
    EXPECT_EQ(messages.Numbers(), QList<int>{5409});
    EXPECT_EQ(devices.Count(), 0);
    EXPECT_TRUE(DevInfo().empty());
}

} // namespace
