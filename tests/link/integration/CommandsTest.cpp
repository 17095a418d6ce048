// Every configuration command against a simulated logger: the request bytes the
// logger receives, what the library decodes from its reply, and for the writes
// that the logger's state really changed (read-after-write).
#include <cstring>

#include "SimFixture.h"

using namespace linktest;
using loggersim::DateTime;

namespace {

using Config = CKelvane::struct_config_info;
using Basic = CKelvane::struct_basic_config;
using Channel = CKelvane::struct_channel_config;

class Commands : public SimFixture {};

SYSTEMTIME At(int y, int mo, int d, int h, int mi, int s = 0, int dow = 0) {
  SYSTEMTIME t{};
  t.wYear = static_cast<uint16_t>(y);
  t.wMonth = static_cast<uint16_t>(mo);
  t.wDay = static_cast<uint16_t>(d);
  t.wHour = static_cast<uint16_t>(h);
  t.wMinute = static_cast<uint16_t>(mi);
  t.wSecond = static_cast<uint16_t>(s);
  t.wDayOfWeek = static_cast<uint16_t>(dow);
  return t;
}

TEST_F(Commands, BasicConfigCarriesIdentityMemoryAndCounters) {
  auto p = BasicProfile(2);
  p.state.sn = "AB1234567";
  p.state.software = {3, 1, 4};
  p.state.hardware = {2, 7, 1};
  p.state.word0A = 0xBEEF;
  p.state.deviceType = 5;
  p.state.memoryBytes = 0x00030000;
  p.state.counter1 = 0x00020001;
  p.state.counter3 = 0x00040003;
  p.history = Frames(77);
  auto& logger = Start(p);
  CKelvane link;
  Bind(link);

  Basic b{};
  ASSERT_EQ(link.GetBasicConfig(b, kDelay, kAttempts), 1);
  EXPECT_EQ(logger.Requests().at(0), Frame({0x01, 0x03, 0x00, 0x00, 0x00, 0x20}));
  EXPECT_EQ(std::string(b.sn, 9), "AB1234567");
  EXPECT_EQ(b.softwareVersion[0], 3);
  EXPECT_EQ(b.softwareVersion[1], 1);
  EXPECT_EQ(b.softwareVersion[2], 4);
  EXPECT_EQ(b.hardwareVersion[0], 2);
  EXPECT_EQ(b.hardwareVersion[1], 7);
  EXPECT_EQ(b.hardwareVersion[2], 1);
  EXPECT_EQ(b.word0A, 0xBEEF);
  EXPECT_EQ(b.deviceType, 5);
  EXPECT_EQ(b.frameBytes, 10);
  EXPECT_EQ(b.memoryFull, 0);
  EXPECT_EQ(b.memoryBytes, 0x30000);
  EXPECT_EQ(b.frameCapacity, 0x30000 / 10);
  EXPECT_EQ(b.counter1, 0x00020001);
  EXPECT_EQ(b.counter3, 0x00040003);
  EXPECT_EQ(b.storedFrames, 77);
  EXPECT_EQ(link.FrameBytes(), 10);
}

TEST_F(Commands, ConfigDecodesModesTimesIntervalsAndChannelCount) {
  auto p = BasicProfile(2);
  p.state.stopMode = loggersim::kStopKey;
  p.state.startMode = loggersim::kStartKey;
  p.state.recordingState = 1;
  p.state.startTime = {2025, 9, 3, 14, 5, 0};
  p.state.stopTime = {2099, 12, 31, 23, 59, 0};
  p.state.word107 = 0x0A0B;
  p.state.recordInterval = {1, 2, 3};
  p.state.secondInterval = {0, 0, 30};
  p.state.word111High = 7;
  auto& logger = Start(p);
  CKelvane link;
  Bind(link);

  Config c{};
  ASSERT_EQ(link.GetConfig(c, kDelay, kAttempts), 1);
  // The one request everybody knows by heart.
  EXPECT_EQ(logger.Requests().at(0), (Bytes{0x01, 0x03, 0x01, 0x00, 0x00, 0x1C, 0x45, 0xFF}));
  EXPECT_EQ(c.stopMode, 2);
  EXPECT_EQ(c.startMode, 2);
  EXPECT_EQ(c.startTime.wYear, 2025);
  EXPECT_EQ(c.startTime.wMonth, 9);
  EXPECT_EQ(c.startTime.wDay, 3);
  EXPECT_EQ(c.startTime.wHour, 14);
  EXPECT_EQ(c.startTime.wMinute, 5);
  EXPECT_EQ(c.stopTime.wYear, 2099);
  EXPECT_EQ(c.stopTime.wMonth, 12);
  EXPECT_EQ(c.stopTime.wMinute, 59);
  EXPECT_EQ(c.word107High, 0x0A);
  EXPECT_EQ(c.word107Low, 0x0B);
  EXPECT_EQ(c.recordInterval.wHour, 1);
  EXPECT_EQ(c.recordInterval.wMinute, 2);
  EXPECT_EQ(c.recordInterval.wSecond, 3);
  EXPECT_EQ(c.secondInterval.wSecond, 30);
  EXPECT_EQ(c.recordingState, 1);
  EXPECT_EQ(c.word111High, 7);
  EXPECT_EQ(c.channelCount, 2);
  EXPECT_EQ(link.ChannelCount(), 2);
}

TEST_F(Commands, SetConfigWritesTheBlockBackWithFieldsPatched) {
  auto p = BasicProfile(1);
  p.state.configRaw[16] = 0x5A;  // bytes nobody decodes must survive a write
  p.state.configRaw[40] = 0x77;
  p.history = Frames(30);
  auto& logger = Start(p);
  CKelvane link;
  Bind(link);

  Config c{};
  ASSERT_EQ(link.GetConfig(c, kDelay, kAttempts), 1);
  c.stopMode = loggersim::kStopTimed;
  c.startMode = loggersim::kStartTimed;
  c.startTime = At(2024, 5, 17, 13, 45);
  c.stopTime = At(2024, 6, 1, 8, 30);
  c.recordInterval = At(0, 0, 0, 0, 5, 0);
  c.secondInterval = At(0, 0, 0, 1, 0, 30);
  logger.ClearRequests();
  ASSERT_EQ(link.SetConfig(c, 0, kDelay, kAttempts), 1);

  const Bytes write = logger.Requests().at(0);
  ASSERT_EQ(write.size(), 9u + 56u);
  EXPECT_EQ(Bytes(write.begin(), write.begin() + 7), (Bytes{0x01, 0x10, 0x01, 0x00, 0x00, 0x1C, 0x38}));
  const uint8_t* d = write.data() + 7;
  EXPECT_EQ(Bytes(d, d + 14), (Bytes{0x01, 0x01, 0x13, 0x45, 0x05, 0x17, 0x20, 0x24, 0x08, 0x30, 0x06, 0x01,
                                     0x20, 0x24}));
  EXPECT_EQ(d[18], 0x05);  // minutes, seconds, hours of the record interval
  EXPECT_EQ(d[19], 0x00);
  EXPECT_EQ(d[21], 0x00);
  EXPECT_EQ(d[27], 0x01);
  EXPECT_EQ(d[25], 0x30);
  EXPECT_EQ(d[16], 0x5A);
  EXPECT_EQ(d[40], 0x77);

  const loggersim::LoggerState s = logger.Device().State();
  EXPECT_EQ(s.stopMode, 1);
  EXPECT_EQ(s.startTime, (DateTime{2024, 5, 17, 13, 45, 0}));
  EXPECT_EQ(s.stopTime, (DateTime{2024, 6, 1, 8, 30, 0}));
  EXPECT_EQ(s.recordInterval, (loggersim::Interval{0, 5, 0}));
  EXPECT_EQ(s.secondInterval, (loggersim::Interval{1, 0, 30}));
  EXPECT_EQ(s.clearCount, 0);
  EXPECT_EQ(logger.Device().StoredFrames(), 30);

  Config again{};
  ASSERT_EQ(link.GetConfig(again, kDelay, kAttempts), 1);
  EXPECT_EQ(again.stopMode, 1);
  EXPECT_EQ(again.startTime.wDay, 17);
  EXPECT_EQ(again.stopTime.wMonth, 6);
  EXPECT_EQ(again.secondInterval.wHour, 1);

  // clearFirst erases the history before the write.
  ASSERT_EQ(link.SetConfig(again, 1, kDelay, kAttempts), 1);
  EXPECT_EQ(logger.Device().State().clearCount, 1);
  EXPECT_EQ(logger.Device().StoredFrames(), 0);
}

TEST_F(Commands, WritesWithoutAPriorReadAreRefusedBeforeSending) {
  auto& logger = Start(BasicProfile(1));
  CKelvane link;
  Bind(link);
  Config c{};
  Channel ch[1]{};
  EXPECT_EQ(link.SetConfig(c, 0, kDelay, kAttempts), 0);
  EXPECT_EQ(link.SetChannelConfig(ch, 1, kDelay, kAttempts), 0);
  EXPECT_TRUE(logger.Requests().empty());
}

TEST_F(Commands, ChannelBlocksDecodeAndWriteBackTheAlarmSettings) {
  auto p = BasicProfile(2);
  p.state.channels[0] = {1, 1, 5, 30.5f, -10.25f, 85, -40, {}};
  p.state.channels[1] = {2, 0, 0, 80.0f, 20.0f, 100, 0, {}};
  p.state.channels[1].raw[30] = 0x42;  // an undecoded register survives the write
  auto& logger = Start(p);
  CKelvane link;
  Bind(link);

  Channel ch[2]{};
  ASSERT_EQ(link.GetChannelConfig(ch, 2, kDelay, kAttempts), 1);
  const auto requests = logger.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0], Frame({0x01, 0x03, 0x10, 0x00, 0x00, 0x10}));
  EXPECT_EQ(requests[1], Frame({0x01, 0x03, 0x10, 0x80, 0x00, 0x10}));
  EXPECT_EQ(ch[0].channelType, 1);
  EXPECT_EQ(ch[0].alarmSwitch, 1);
  EXPECT_EQ(ch[0].word3Low, 5);
  EXPECT_FLOAT_EQ(ch[0].alarmUpper, 30.5f);
  EXPECT_FLOAT_EQ(ch[0].alarmLower, -10.25f);
  EXPECT_EQ(ch[0].upperBound, 85);
  EXPECT_EQ(ch[0].lowerBound, -40);
  EXPECT_EQ(ch[1].channelType, 2);
  EXPECT_EQ(ch[1].upperBound, 100);

  ch[0].alarmSwitch = 0;
  ch[0].alarmUpper = -5.5f;
  ch[1].alarmSwitch = 1;
  ch[1].alarmLower = 12.5f;
  logger.ClearRequests();
  ASSERT_EQ(link.SetChannelConfig(ch, 2, kDelay, kAttempts), 1);
  const auto writes = logger.Requests();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(Bytes(writes[1].begin(), writes[1].begin() + 7), (Bytes{0x01, 0x10, 0x10, 0x80, 0x00, 0x10, 0x20}));
  EXPECT_EQ(writes[1][7 + 30], 0x42);

  const auto s = logger.Device().State();
  EXPECT_EQ(s.channels[0].alarmSwitch, 0);
  EXPECT_FLOAT_EQ(s.channels[0].alarmUpper, -5.5f);
  EXPECT_FLOAT_EQ(s.channels[0].alarmLower, -10.25f);
  EXPECT_EQ(s.channels[1].alarmSwitch, 1);
  EXPECT_FLOAT_EQ(s.channels[1].alarmLower, 12.5f);
  EXPECT_EQ(s.channels[1].type, 2);

  Channel back[2]{};
  ASSERT_EQ(link.GetChannelConfig(back, 2, kDelay, kAttempts), 1);
  EXPECT_FLOAT_EQ(back[0].alarmUpper, -5.5f);
  EXPECT_EQ(back[1].alarmSwitch, 1);
}

TEST_F(Commands, ASecondChannelBlockMissingOnASingleChannelLoggerFailsTheRead) {
  auto p = BasicProfile(1);
  p.state.channels[0].type = 9;
  Start(p);
  CKelvane link;
  Bind(link);
  Channel ch[2]{};
  EXPECT_EQ(link.GetChannelConfig(ch, 2, kDelay, kAttempts), 0);
  EXPECT_EQ(ch[0].channelType, 9);  // the first block was read before the second failed
  EXPECT_NE(LastReport().find("CKelvane::GetChannelConfig"), std::string::npos);
}

TEST_F(Commands, CardNameRoundTripsBytesIncludingGbk) {
  auto p = BasicProfile(1);
  p.state.cardName = "\xC0\xE4\xBF\xE2\xD2\xBB\xBA\xC5";  // GBK bytes of a Chinese name
  auto& logger = Start(p);
  CKelvane link;
  Bind(link);

  char name[11] = {};
  ASSERT_EQ(link.GetCardName(name, kDelay, kAttempts), 1);
  EXPECT_EQ(logger.Requests().at(0), Frame({0x01, 0x03, 0x30, 0x00, 0x00, 0x06}));
  EXPECT_STREQ(name, p.state.cardName.c_str());

  logger.ClearRequests();
  ASSERT_EQ(link.SetCardName("ABC", 4, kDelay, kAttempts), 1);
  EXPECT_EQ(logger.Requests().at(0), Frame({0x01, 0x10, 0x30, 0x00, 0x00, 0x06, 0x0C, 0x03, 0x00, 0x42, 0x41, 0x00,
                                            0x43, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(logger.Device().State().cardName, "ABC");

  ASSERT_EQ(link.SetCardName("0123456789", 11, kDelay, kAttempts), 1);
  char full[11] = {};
  ASSERT_EQ(link.GetCardName(full, kDelay, kAttempts), 1);
  EXPECT_STREQ(full, "0123456789");
}

TEST_F(Commands, MacComesBackInTheOrderTheProgramPrints) {
  auto p = BasicProfile(1);
  p.state.mac = {0x66, 0x55, 0x44, 0x33, 0x22, 0x11};
  auto& logger = Start(p);
  CKelvane link;
  Bind(link);
  int mac[6] = {};
  ASSERT_EQ(link.GetMac(mac, kDelay, kAttempts), 1);
  EXPECT_EQ(logger.Requests().at(0), Frame({0x01, 0x22, 0x00, 0x00, 0x00, 0x03}));
  const int expected[6] = {0x66, 0x55, 0x44, 0x33, 0x22, 0x11};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(mac[i], expected[i]) << i;
}

TEST_F(Commands, ClockReadsSetsAndKeepsRunning) {
  auto p = BasicProfile(1);
  p.clock = {2024, 5, 17, 13, 45, 9};
  auto& logger = Start(p);
  CKelvane link;
  Bind(link);

  SYSTEMTIME t{};
  ASSERT_EQ(link.GetDeviceTime(&t, kDelay, kAttempts), 1);
  EXPECT_EQ(logger.Requests().at(0), Frame({0x01, 0x03, 0x01, 0xE0, 0x00, 0x04}));
  EXPECT_EQ(t.wYear, 2024);
  EXPECT_EQ(t.wMonth, 5);
  EXPECT_EQ(t.wDay, 17);
  EXPECT_EQ(t.wHour, 13);
  EXPECT_EQ(t.wMinute, 45);
  EXPECT_LE(t.wSecond - 9, 1);

  logger.ClearRequests();
  ASSERT_EQ(link.SetTime(At(2025, 1, 2, 3, 4, 5, 4), kDelay, kAttempts), 1);
  EXPECT_EQ(logger.Requests().at(0), Frame({0x01, 0x10, 0x01, 0xE0, 0x00, 0x04, 0x08, 0x04, 0x05, 0x04, 0x03, 0x01,
                                            0x02, 0x20, 0x25}));
  const DateTime now = logger.Device().Clock();
  EXPECT_EQ(now.year, 2025);
  EXPECT_EQ(now.day, 2);
  EXPECT_EQ(now.hour, 3);
  EXPECT_LE(now.second - 5, 1);
  SYSTEMTIME back{};
  ASSERT_EQ(link.GetDeviceTime(&back, kDelay, kAttempts), 1);
  EXPECT_EQ(back.wYear, 2025);
  EXPECT_EQ(back.wMinute, 4);
}

TEST_F(Commands, AlarmResetAndEraseChangeTheLogger) {
  auto p = BasicProfile(2);
  p.state.alarmRegisters = {1, 1, 0, 0, 0, 0, 0, 0, 0, 3};
  p.history = Frames(120);
  auto& logger = Start(p);
  CKelvane link;
  Bind(link);

  ASSERT_EQ(link.WarnSet(kDelay, kAttempts), 1);
  Bytes warn{0x01, 0x10, 0x02, 0x00, 0x00, 0x0A, 0x14};
  warn.resize(7 + 20, 0);
  EXPECT_EQ(logger.Requests().at(0), Frame(warn));
  EXPECT_EQ(logger.Device().State().alarmRegisters, (std::array<uint16_t, 10>{}));
  EXPECT_EQ(logger.Device().State().alarmResets, 1);

  logger.ClearRequests();
  ASSERT_EQ(link.ClearHistory(kDelay, kAttempts), 1);
  EXPECT_EQ(logger.Requests().at(0), Frame({0x01, 0x13, 0x00, 0x00, 0x00, 0x01, 0x02, 0x0A, 0x0A}));
  Basic b{};
  ASSERT_EQ(link.GetBasicConfig(b, kDelay, kAttempts), 1);
  EXPECT_EQ(b.storedFrames, 0);
}

// The program starts a timed-start logger by writing the current time as start
// time and stops it by writing the current time as stop time; the recording
// flag it reads back must follow.
TEST_F(Commands, RecordingFlagFollowsStartAndStopWrites) {
  auto p = BasicProfile(1);
  p.clock = {2024, 5, 17, 12, 0, 0};
  p.state.startMode = loggersim::kStartTimed;
  p.state.stopMode = loggersim::kStopFifo;
  Start(p);
  CKelvane link;
  Bind(link);

  Config c{};
  ASSERT_EQ(link.GetConfig(c, kDelay, kAttempts), 1);
  EXPECT_EQ(c.recordingState, 0);
  c.startTime = At(2024, 5, 17, 12, 0);
  ASSERT_EQ(link.SetConfig(c, 0, kDelay, kAttempts), 1);
  ASSERT_EQ(link.GetConfig(c, kDelay, kAttempts), 1);
  EXPECT_EQ(c.recordingState, 1);
  c.stopTime = At(2024, 5, 17, 12, 0);
  ASSERT_EQ(link.SetConfig(c, 0, kDelay, kAttempts), 1);
  ASSERT_EQ(link.GetConfig(c, kDelay, kAttempts), 1);
  EXPECT_EQ(c.recordingState, 0);
}

TEST_F(Commands, TwoLoggersAnswerOnTheirOwnPorts) {
  auto a = BasicProfile(1);
  a.state.sn = "0A0B00001";
  auto b = BasicProfile(2);
  b.state.sn = "0C0D00002";
  Start({a, b});
  CKelvane first, second;
  Bind(first, 0);
  Bind(second, 1);
  Basic ba{}, bb{};
  ASSERT_EQ(first.GetBasicConfig(ba, kDelay, kAttempts), 1);
  ASSERT_EQ(second.GetBasicConfig(bb, kDelay, kAttempts), 1);
  EXPECT_EQ(std::string(ba.sn, 9), "0A0B00001");
  EXPECT_EQ(std::string(bb.sn, 9), "0C0D00002");
  EXPECT_EQ(bb.frameBytes, 10);
}

}  // namespace
