// The simulated logger's own parts: framing, the register map's answers to bad
// requests, the lazy history, the 16-bit page position and the profile format.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "loggersim/LoggerDevice.h"
#include "loggersim/Profile.h"
#include "loggersim/SimLogger.h"

using namespace loggersim;

namespace {

Bytes WithCrc(Bytes b) {
  AppendCrc(b);
  return b;
}

TEST(SimFrame, CrcAndRequestLengths) {
  const Bytes request = WithCrc({0x01, 0x03, 0x01, 0x00, 0x00, 0x1C});
  EXPECT_EQ(request[6], 0x45);
  EXPECT_EQ(request[7], 0xFF);
  EXPECT_TRUE(CrcMatches(request));
  Bytes swapped = request;
  std::swap(swapped[6], swapped[7]);
  EXPECT_FALSE(CrcMatches(swapped));
  EXPECT_EQ(Crc16(nullptr, 0), 0xFFFF);

  const uint8_t write[] = {0x01, 0x10, 0x30, 0x00, 0x00, 0x06, 0x0C};
  EXPECT_EQ(RequestLength(write, 6), 0);  // byte count not seen yet
  EXPECT_EQ(RequestLength(write, 7), 21);
  EXPECT_EQ(RequestLength(request.data(), 2), 8);
  const uint8_t unknown[] = {0x01, 0x44};
  EXPECT_EQ(RequestLength(unknown, 2), -1);

  Request r;
  Bytes shortWrite = WithCrc({0x01, 0x10, 0x01, 0xE0, 0x00, 0x04, 0x08, 1, 2, 3});
  EXPECT_FALSE(ParseRequest(shortWrite, r));
}

class SimDevice : public ::testing::Test {
 protected:
  SimDevice() : device_(State(), CHistory::Generated({2024, 5, 17, 0, 0, 0}, 60, 10, {{1.0}, {2.0}})) {}
  static LoggerState State() {
    LoggerState s;
    s.channels.resize(2);
    return s;
  }
  std::optional<Bytes> Ask(Bytes request) { return device_.Handle(WithCrc(std::move(request))); }
  CLoggerDevice device_;
};

TEST_F(SimDevice, BadRequestsGetStandardExceptions) {
  EXPECT_EQ(Ask({0x01, 0x44, 0x00, 0x00, 0x00, 0x01}), ExceptionReply(0x44, kIllegalFunction));
  EXPECT_EQ(Ask({0x01, 0x03, 0x50, 0x00, 0x00, 0x01}), ExceptionReply(0x03, kIllegalAddress));
  // a read running past the end of a block, a write to the read-only identity
  EXPECT_EQ(Ask({0x01, 0x03, 0x01, 0x10, 0x00, 0x1C}), ExceptionReply(0x03, kIllegalAddress));
  EXPECT_EQ(Ask({0x01, 0x10, 0x00, 0x00, 0x00, 0x01, 0x02, 0x12, 0x34}), ExceptionReply(0x10, kIllegalAddress));
  EXPECT_EQ(Ask({0x01, 0x03, 0x00, 0x00, 0x00, 0x00}), ExceptionReply(0x03, kIllegalValue));
  // an erase without its confirmation bytes, a clock write that is no date
  EXPECT_EQ(Ask({0x01, 0x13, 0x00, 0x00, 0x00, 0x01, 0x02, 0x0A, 0x0B}), ExceptionReply(0x13, kIllegalValue));
  EXPECT_EQ(device_.StoredFrames(), 10);
  EXPECT_EQ(Ask({0x01, 0x10, 0x01, 0xE0, 0x00, 0x04, 0x08, 0x00, 0x00, 0x00, 0x00, 0x13, 0x45, 0x20, 0x24}),
            ExceptionReply(0x10, kIllegalValue));
  // other slaves and broadcasts get no answer
  EXPECT_FALSE(device_.Handle(WithCrc({0x02, 0x03, 0x01, 0x00, 0x00, 0x1C})).has_value());
  EXPECT_FALSE(device_.Handle(WithCrc({0x00, 0x03, 0x01, 0x00, 0x00, 0x1C})).has_value());
}

TEST_F(SimDevice, PartialBlockReadsAndWritesUseTheSameRegisters) {
  // register 0x0116 low byte is the channel count
  const auto reply = Ask({0x01, 0x03, 0x01, 0x16, 0x00, 0x01});
  ASSERT_TRUE(reply);
  EXPECT_EQ(*reply, ReadReply(0x03, {0x00, 0x02}));
  // one register of the name block: the length byte
  device_.Update([](LoggerState& s) { s.cardName = "ABCD"; });
  ASSERT_TRUE(Ask({0x01, 0x10, 0x30, 0x00, 0x00, 0x01, 0x02, 0x02, 0x00}));
  EXPECT_EQ(device_.State().cardName, "AB");
}

TEST(SimHistory, GeneratedFramesAreComputedNotStored) {
  const CHistory h = CHistory::Generated({2024, 2, 28, 23, 0, 0}, 3600, 5'000'000, {{-5.0, 0, 0, 0}, {60.0, 10.0, 4, 0}});
  EXPECT_EQ(h.Count(), 5'000'000);
  const HistoryFrame f = h.FrameAt(1);
  EXPECT_EQ(f.time, (DateTime{2024, 2, 29, 0, 0, 0}));  // a leap day
  EXPECT_EQ(f.raw[0], 0xFFCE);                          // -5.0 in two's complement tenths
  EXPECT_EQ(f.raw[1], 700);                             // 60 + 10 * sin(pi/2)
  EXPECT_EQ(h.FrameAt(4'999'999).time, FromCivilSeconds(ToCivilSeconds({2024, 2, 28, 23, 0, 0}) + 4'999'999LL * 3600));
  EXPECT_EQ(h.FirstAtOrAfter({2024, 2, 29, 0, 30, 0}), 2);
  EXPECT_EQ(h.FirstAtOrAfter({2000, 1, 1, 0, 0, 0}), 0);

  uint8_t frame[12];
  h.Encode(1, 2, 12, frame);
  const uint8_t expected[12] = {0xFF, 0xCE, 0x02, 0xBC, 0x24, 0x02, 0x29, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(0, std::memcmp(frame, expected, 12));
  h.Encode(5'000'000, 2, 12, frame);  // past the end: erased memory
  for (uint8_t b : frame) EXPECT_EQ(b, 0xFF);
}

TEST(SimHistory, PagePositionsResolveNearTheReadCursor) {
  EXPECT_EQ(CLoggerDevice::ResolvePagePosition(0x0000, 0, 100), 0);
  EXPECT_EQ(CLoggerDevice::ResolvePagePosition(0x0018, 0, 100), 24);
  EXPECT_EQ(CLoggerDevice::ResolvePagePosition(0x1170, 70000, 100000), 70000);
  EXPECT_EQ(CLoggerDevice::ResolvePagePosition(0x0005, 65530, 100000), 65541);
  EXPECT_EQ(CLoggerDevice::ResolvePagePosition(0xFFF0, 65536 + 10, 100000), 65520);  // a page asked again
  EXPECT_EQ(CLoggerDevice::ResolvePagePosition(0x0010, 140000, 200000), 131088);
}

TEST(SimHistory, APageAfterTheWrapReadsTheFramesPastIt) {
  LoggerState s;
  s.frameBytes = 8;
  CLoggerDevice device(s, CHistory::Generated({2024, 1, 1, 0, 0, 0}, 1, 70000, {{0.0, 0, 0, 0.1}}));
  ASSERT_TRUE(device.Handle(WithCrc({0x01, 0x09, 0x00, 0x00, 0x00, 0x02})));
  // read pages of 30 frames up to the wrap, then the one that crosses it
  for (int64_t pos = 0; pos < 65520; pos += 30) {
    const uint16_t reg = static_cast<uint16_t>(pos & 0xFFFF);
    ASSERT_TRUE(device.Handle(
        WithCrc({0x01, 0x09, static_cast<uint8_t>(reg >> 8), static_cast<uint8_t>(reg & 0xFF), 0x00, 120})));
  }
  EXPECT_EQ(device.ReadCursor(), 65520);
  const auto reply = device.Handle(WithCrc({0x01, 0x09, 0xFF, 0xF0, 0x00, 120}));
  ASSERT_TRUE(reply);
  ASSERT_EQ(device.ReadCursor(), 65550);
  const auto next = device.Handle(WithCrc({0x01, 0x09, 0x00, 0x0E, 0x00, 120}));  // 65550 & 0xFFFF
  ASSERT_TRUE(next);
  // frame 65550 holds 6555.0 (raw 65550 clamps to int16: check the time instead)
  const DateTime t = FromCivilSeconds(ToCivilSeconds({2024, 1, 1, 0, 0, 0}) + 65550);
  const uint8_t* first = next->data() + 3 + 2;
  EXPECT_EQ(first[0], ToBcd(t.year % 100));
  EXPECT_EQ(first[3], ToBcd(t.hour));
  EXPECT_EQ(first[4], ToBcd(t.minute));
  EXPECT_EQ(first[5], ToBcd(t.second));
}

TEST(SimProfile, DemosParseAndSettingsAreChecked) {
  LoggerProfile th, t;
  ASSERT_TRUE(DemoProfile("th", th));
  ASSERT_TRUE(DemoProfile("t", t));
  EXPECT_EQ(th.state.channels.size(), 2u);
  EXPECT_EQ(th.state.frameBytes, 10);
  EXPECT_EQ(th.state.cardName, "\xC0\xE4\xBF\xE2\xD2\xBB\xBA\xC5");
  EXPECT_EQ(t.state.channels.size(), 1u);
  // some demo values lie outside the alarm limits, some are negative
  bool above = false, negative = false;
  for (int64_t i = 0; i < t.history.Count(); ++i) {
    const double v = static_cast<int16_t>(t.history.FrameAt(i).raw[0]) / 10.0;
    above = above || v > t.state.channels[0].alarmUpper;
    negative = negative || v < 0;
  }
  EXPECT_TRUE(above);
  EXPECT_TRUE(negative);

  std::vector<LoggerProfile> list;
  std::string error;
  ASSERT_TRUE(ParseProfiles("[logger a]\ndemo = t\nsn = 0A0B00042\nbaud = 9600\nfault = late:fn=3:value=20\n"
                            "[b]\nchannels = 2\nframe = 2024-05-17 13:45:09,25.0,-3.5\nframe = empty\n",
                            list, &error))
      << error;
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].name, "a");
  EXPECT_EQ(list[0].state.sn, "0A0B00042");
  EXPECT_EQ(list[0].state.baud, 9600);
  ASSERT_EQ(list[0].faults.size(), 1u);
  EXPECT_EQ(list[0].faults[0].kind, FaultKind::Late);
  EXPECT_EQ(list[0].faults[0].function, 3);
  EXPECT_EQ(list[1].history.Count(), 2);
  EXPECT_EQ(list[1].history.FrameAt(0).raw[1], 0xFFDD);
  EXPECT_TRUE(list[1].history.FrameAt(1).empty);

  list.clear();
  EXPECT_FALSE(ParseProfiles("[a]\nsn = GG0000001\n", list, &error));
  EXPECT_NE(error.find("line 2"), std::string::npos);
  EXPECT_FALSE(ParseProfiles("[a]\nsn = AB0070000\n", list, &error));  // above 65535
  EXPECT_FALSE(ParseProfiles("[a]\nname = 01234567890\n", list, &error));
  EXPECT_FALSE(ParseProfiles("[a]\nchannels = 2\nframe_bytes = 9\n", list, &error));
  EXPECT_FALSE(ParseProfiles("sn = AB0000001\n", list, &error));
  EXPECT_FALSE(ParseProfiles("[a]\nfault = sometimes\n", list, &error));
}

// Raw bytes on the pty: a damaged frame gets no answer, a good one does, and
// nothing is answered while the line runs at another baud rate.
TEST(SimLine, DamagedFramesAndForeignBaudRatesGetNoAnswer) {
  LoggerProfile p;
  p.pacing = false;
  CSimLogger logger(p);
  ASSERT_TRUE(logger.Start());
  const int fd = open(logger.SlavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  cfsetspeed(&t, B115200);
  tcsetattr(fd, TCSANOW, &t);
  auto exchange = [&](const Bytes& request) {
    tcflush(fd, TCIOFLUSH);
    EXPECT_EQ(write(fd, request.data(), request.size()), static_cast<ssize_t>(request.size()));
    pollfd pfd{fd, POLLIN, 0};
    Bytes got;
    while (poll(&pfd, 1, 60) > 0) {
      uint8_t buf[256];
      const ssize_t n = read(fd, buf, sizeof buf);
      if (n <= 0) break;
      got.insert(got.end(), buf, buf + n);
    }
    return got;
  };
  Bytes bad = WithCrc({0x01, 0x22, 0x00, 0x00, 0x00, 0x03});
  bad.back() ^= 0x01;
  EXPECT_TRUE(exchange(bad).empty());
  EXPECT_EQ(exchange(WithCrc({0x01, 0x22, 0x00, 0x00, 0x00, 0x03})).size(), 11u);
  cfsetspeed(&t, B9600);
  tcsetattr(fd, TCSANOW, &t);
  EXPECT_TRUE(exchange(WithCrc({0x01, 0x22, 0x00, 0x00, 0x00, 0x03})).empty());
  EXPECT_EQ(logger.Requests().size(), 2u);
  close(fd);
  logger.Stop();
}

// With pacing on, a 245-byte page at 9600 baud takes its wire time.
TEST(SimLine, PacedRepliesTakeTheirWireTime) {
  LoggerProfile p;
  p.state.baud = 9600;
  p.history = CHistory::Generated({2024, 1, 1, 0, 0, 0}, 60, 100, {{1.0}});
  p.state.frameBytes = 8;
  CSimLogger logger(p);
  ASSERT_TRUE(logger.Start());
  const int fd = open(logger.SlavePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  cfsetspeed(&t, B9600);
  tcsetattr(fd, TCSANOW, &t);
  const Bytes page = WithCrc({0x01, 0x09, 0x00, 0x00, 0x00, 120});  // 240 data bytes, reply 245
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(write(fd, page.data(), page.size()), 8);
  size_t got = 0;
  pollfd pfd{fd, POLLIN, 0};
  while (got < 245 && poll(&pfd, 1, 1000) > 0) {
    uint8_t buf[256];
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_EQ(got, 245u);
  const double wire = (8 + 245) * 10.0 * 1000.0 / 9600;  // about 263 ms
  EXPECT_GE(ms, wire * 0.95);
  EXPECT_LT(ms, wire * 2.0);  // generous: the machine may be busy
  close(fd);
}

}  // namespace
