// The serial transport over a raw pseudo-terminal pair.
#include "FrameCodec.h"
#include "Kelvane.h"
#include "PtyPeer.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace linktest;
using Clock = std::chrono::steady_clock;

namespace {

const Bytes kRequest = kelvane::BuildReadRequest(0x03, 0x01E0, 4);
constexpr int kLongDelay = 20000;

Bytes TimeReply()
{
    return ReadReply(0x03, Bytes{0x45, 0x09, 0x05, 0x13, 0x05, 0x17, 0x20, 0x24});
}

long MillisSince(Clock::time_point start)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

}  // namespace

TEST(KelvaneTransport, WriteFailureClosesAndNextExchangeReopensSamePort)
{
    ScratchFolder folder;
    auto first = std::make_unique<PtyPair>();
    folder.Link(5, first->SlavePath());
    CKelvane port;
    ASSERT_EQ(port.Instance(5, 115200), 1);
    EXPECT_EQ(port.LastError(), 0u);  // the RTS and exclusivity ioctls a pty lacks are no errors

    first->CloseMaster();  // the far end hangs up
    Bytes reply;
    int length = 0;
    EXPECT_EQ(port.Exchange(kRequest.data(), 8, reply, length, 20), 0);
    EXPECT_FALSE(port.IsOpen());

    PtyPair second;
    folder.Link(5, second.SlavePath());
    length = 0;
    EXPECT_EQ(port.Exchange(kRequest.data(), 8, reply, length, 20), 1);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.PortNumber(), 5);
    EXPECT_EQ(port.BaudRate(), 115200);
    EXPECT_EQ(second.ReadMaster(8, 200), kRequest);
    EXPECT_EQ(length, 0);  // nobody answered: sent, nothing received
}

TEST(KelvaneTransport, HangUpDuringTheWaitIsAFailedRead)
{
    PtyPair pty;
    CKelvane port;
    ASSERT_EQ(port.InstancePath(pty.SlavePath().c_str(), 9600), 1);
    // The far end hangs up once it has the request; the delay leaves it
    // ample time to, however loaded the machine (a hang-up waits the delay out).
    std::thread peer([&] {
        pty.ReadMaster(8, kLongDelay);
        pty.CloseMaster();
    });
    Bytes reply;
    int length = 0;
    EXPECT_EQ(port.Exchange(kRequest.data(), 8, reply, length, 2000), 0);
    peer.join();
    EXPECT_EQ(length, -1);
    EXPECT_FALSE(port.IsOpen());
}

TEST(KelvaneTransport, ReadWithNothingWaitingLeavesTheBuffer)
{
    PtyPair pty;
    CKelvane port;
    ASSERT_EQ(port.InstancePath(pty.SlavePath().c_str(), 115200), 1);
    Bytes buffer(4, 0xEE);
    EXPECT_EQ(port.Read(buffer, 0), 0);
    EXPECT_EQ(buffer, Bytes(4, 0xEE));

    pty.WriteMaster(Bytes{1, 2, 3, 4, 5, 6});
    ASSERT_TRUE(WaitReadable(pty.SlavePath()));
    EXPECT_EQ(port.Read(buffer, 0), 6);  // everything waiting, more than the buffer held
    EXPECT_EQ(buffer, (Bytes{1, 2, 3, 4, 5, 6}));

    port.Close();
    EXPECT_EQ(port.Read(buffer, 0), -1);
    EXPECT_EQ(port.Write(kRequest.data(), 8), 0);
}

TEST(KelvaneTransport, LateReplyGivesNothingAndIsPurgedBeforeTheNextRequest)
{
    ScriptedPeer peer([](const Bytes& request) { return request[3] == 0xE0 ? TimeReply() : Bytes{0xAB}; });
    peer.replyDelayMs = 80;
    CKelvane port;
    ASSERT_EQ(port.InstancePath(peer.SlavePath().c_str(), 115200), 1);
    Bytes reply;
    int length = 0;
    EXPECT_EQ(port.Exchange(kRequest.data(), 8, reply, length, 20, kelvane::ReplyComplete), 1);
    EXPECT_EQ(length, 0);

    // The late reply lands now.
    while (peer.repliesWritten.load() < 1)
        std::this_thread::yield();
    ASSERT_TRUE(WaitReadable(peer.SlavePath()));
    peer.replyDelayMs = 0;
    const Bytes other = kelvane::BuildReadRequest(0x03, 0x0000, 1);
    EXPECT_EQ(port.Exchange(other.data(), 8, reply, length, 100), 1);
    EXPECT_EQ(reply, Bytes{0xAB});
}

TEST(KelvaneTransport, CompleteReplyEndsTheWaitPartialReplyWaitsTheDelay)
{
    ScriptedPeer peer([](const Bytes& request) {
        const Bytes full = TimeReply();
        return request[3] == 0xE0 ? full : Bytes(full.begin(), full.begin() + 6);
    });
    CKelvane port;
    ASSERT_EQ(port.InstancePath(peer.SlavePath().c_str(), 115200), 1);
    Bytes reply;
    int length = 0;
    // A delay no loaded machine reaches: the wait ends with the reply, not the delay.
    auto start = Clock::now();
    EXPECT_EQ(port.Exchange(kRequest.data(), 8, reply, length, kLongDelay, kelvane::ReplyComplete), 1);
    EXPECT_LT(MillisSince(start), kLongDelay);
    EXPECT_EQ(reply, TimeReply());
    EXPECT_EQ(length, 13);

    const Bytes partial = kelvane::BuildReadRequest(0x03, 0x01E1, 4);
    start = Clock::now();
    EXPECT_EQ(port.Exchange(partial.data(), 8, reply, length, 60, kelvane::ReplyComplete), 1);
    EXPECT_GE(MillisSince(start), 60);
    EXPECT_EQ(length, 6);

    // Without a completeness test the whole delay is waited, as a plain exchange does.
    start = Clock::now();
    EXPECT_EQ(port.Exchange(kRequest.data(), 8, reply, length, 60), 1);
    EXPECT_GE(MillisSince(start), 60);
    EXPECT_EQ(length, 13);
}

TEST(KelvaneTransport, ExceptionReplyEndsTheWaitToo)
{
    ScriptedPeer peer([](const Bytes&) { return WithCrc(Bytes{0x01, 0x83, 0x02}); });
    CKelvane port;
    ASSERT_EQ(port.InstancePath(peer.SlavePath().c_str(), 115200), 1);
    Bytes reply;
    int length = 0;
    const auto start = Clock::now();
    EXPECT_EQ(port.Exchange(kRequest.data(), 8, reply, length, kLongDelay, kelvane::ReplyComplete), 1);
    EXPECT_LT(MillisSince(start), kLongDelay);
    EXPECT_EQ(length, 5);
}

// One program per port: while another process holds the device (as a second
// program would), opening it finds the port busy (the advisory lock holds even
// where TIOCEXCL does not, for root and on pseudo-terminals); the program's
// own second opener is let through, and the port opens once the other
// process has let go.
TEST(KelvaneTransport, APortAnotherProcessHoldsIsBusyUntilItLetsGo)
{
    ScratchFolder folder;
    PtyPair pty;
    folder.Link(4, pty.SlavePath());
    {
        CKelvane first, second;
        ASSERT_EQ(first.Instance(4, 115200), 1);
        ASSERT_EQ(second.Instance(4, 115200), 1);
    }

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        CKelvane port;
        const char held = port.Instance(4, 115200) == 1 ? 'y' : 'n';
        (void)!::write(ready[1], &held, 1);
        ::pause();
        ::_exit(0);
    }
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    ASSERT_EQ(held, 'y');
    CKelvane port;
    EXPECT_EQ(port.Instance(4, 115200), 0);
    EXPECT_EQ(port.LastError(), static_cast<unsigned long>(EBUSY));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.InstancePath(pty.SlavePath().c_str(), 9600), 0); // the same device by its own name
    EXPECT_EQ(port.LastError(), static_cast<unsigned long>(EBUSY));

    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(port.Instance(4, 115200), 1);
    EXPECT_TRUE(port.IsOpen());
}
