#include "DeviceFixture.h"
#include "Strings.h"

#include "CBatchConnect.h"
#include "CBatchNote.h"

#include <set>

using namespace qm::device;
using devtest::DeviceFixture;
using devtest::Logger;

namespace {

class BatchConnectTest : public DeviceFixture {
protected:
    CDevManager devices;
    CConnectProcedure procedure{devices};
    BatchConnectOptions options = [] {
        BatchConnectOptions o;
        o.startPauseMs = 0;
        return o;
    }();
};

TEST_F(BatchConnectTest, EveryPortGetsItsOwnThreadAndTheCountsAddUp)
{
    auto zero = Logger("A1B200023", 1);
    zero.faults.push_back({loggersim::FaultKind::ZeroChannels});
    auto& sim = Start({Logger("A1B200021", 2), Logger("A1B200022", 1, 9600), zero}, {1, 2, 3});
    AddDeadPort(4);

    CBatchNote note;
    const BatchConnectResult r = BatchConnect(procedure, &note, options);
    EXPECT_EQ(r.tried, 4);
    EXPECT_EQ(r.connected, 2);
    EXPECT_EQ(r.failed, 2);
    EXPECT_EQ(r.lines.size(), 4);
    EXPECT_TRUE(r.lines.contains(qm::MsgF(5408, {QStringLiteral("3"), QStringLiteral("A1B200023")})));
    EXPECT_TRUE(r.lines.contains(qm::MsgF(5403, {QStringLiteral("4")})));

    // One thread per port, each with a port of its own.
    EXPECT_EQ(std::set<int>(r.workerPorts.begin(), r.workerPorts.end()), (std::set<int>{1, 2, 3, 4}));
    EXPECT_EQ(std::set<quint64>(r.workerThreads.begin(), r.workerThreads.end()).size(), 4u);

    EXPECT_EQ(devices.SerialNumbers(), (QStringList{QStringLiteral("A1B200021"), QStringLiteral("A1B200022")}));
    EXPECT_NE(devices.Find(QStringLiteral("A1B200021"))->link.get(), devices.Find(QStringLiteral("A1B200022"))->link.get());
    EXPECT_EQ(devices.Find(QStringLiteral("A1B200022"))->baud, 9600);
    EXPECT_EQ(DevInfo().size(), 2u);

    const CBatchNote::State s = note.Snapshot();
    EXPECT_EQ(s.title, qm::Msg(5038));
    EXPECT_EQ(s.total, 4);
    EXPECT_EQ(s.done, 4);
    EXPECT_EQ(s.successes, 2);
    EXPECT_EQ(s.failures, 2);
    EXPECT_EQ(s.lines.size(), 4);
    EXPECT_TRUE(s.finished);
    (void)sim;
}

TEST_F(BatchConnectTest, ManualModeTriesOnlyTheConfiguredPort)
{
    Start({Logger("A1B200031", 2), Logger("A1B200032", 2)}, {1, 2});
    SetCom(0, QStringLiteral("COM2"), 115200, devtest::kLinkDelay);
    const BatchConnectResult r = BatchConnect(procedure, nullptr, options);
    EXPECT_EQ(r.tried, 1);
    EXPECT_EQ(r.connected, 1);
    EXPECT_EQ(r.workerPorts, QList<int>{2});
    EXPECT_EQ(devices.SerialNumbers(), QStringList{QStringLiteral("A1B200032")});
}

TEST_F(BatchConnectTest, NoPortsStartsNoThread)
{
    CBatchNote note;
    const BatchConnectResult r = BatchConnect(procedure, &note, options);
    EXPECT_EQ(r.tried, 0);
    EXPECT_TRUE(r.workerPorts.isEmpty());
    EXPECT_EQ(devices.Count(), 0);
    EXPECT_TRUE(note.Snapshot().finished);
}

} // namespace
