// How the library copes with a logger that misbehaves: wrong baud rate, damaged
// or partial replies, exceptions, silence, late answers and a line that drops.
#include <chrono>

#include "SimFixture.h"

using namespace linktest;
using loggersim::FaultKind;
using loggersim::FaultRule;

namespace {

using Basic = CKelvane::struct_basic_config;
using Config = CKelvane::struct_config_info;

class Faults : public SimFixture {
 protected:
  static long MsSince(std::chrono::steady_clock::time_point t0) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count());
  }
};

void CountSample(void* context, char*, CKelvane::struct_history_data) { ++*static_cast<int*>(context); }

TEST_F(Faults, ALoggerAtNineThousandSixHundredIgnoresRequestsAtAnotherBaud) {
  auto p = BasicProfile(1);
  p.state.baud = 9600;
  auto& logger = Start(p);
  {
    CKelvane link;
    Bind(link, 0, 115200);
    Basic b{};
    EXPECT_EQ(link.GetBasicConfig(b, kDelay, 2), 0);
    EXPECT_TRUE(logger.Requests().empty());
    EXPECT_GT(logger.Ignored(), 0);
    EXPECT_NE(LastReport().find("No data received"), std::string::npos);
  }
  CKelvane link;
  Bind(link, 0, 9600);
  Basic b{};
  EXPECT_EQ(link.GetBasicConfig(b, kDelay, kAttempts), 1);
  EXPECT_EQ(b.frameBytes, 8);
}

TEST_F(Faults, ADamagedReplyFailsTheCommandAndIsReportedWithItsBytes) {
  auto p = BasicProfile(1);
  p.faults.push_back(FaultRule{FaultKind::SwapCrc, 0x03});
  auto& logger = Start(p);
  CKelvane link;
  Bind(link);
  Config c{};
  c.channelCount = 77;
  EXPECT_EQ(link.GetConfig(c, kDelay, kAttempts), 0);
  EXPECT_EQ(c.channelCount, 77);  // nothing decoded from a reply that failed its check
  EXPECT_TRUE(link.ConfigText().empty());
  // A damaged reply is discarded and the request sent again within the attempts.
  EXPECT_EQ(logger.Requests().size(), 3u);
  EXPECT_EQ(link.GetLastFailure(), CKelvane::kLinkDamaged);
  const std::string report = LastReport();
  EXPECT_NE(report.find("CKelvane::GetConfig"), std::string::npos);
  EXPECT_NE(report.find("接收：01033800"), std::string::npos);
  // Other functions are unaffected, and so is the next reply once the fault ends.
  int mac[6];
  EXPECT_EQ(link.GetMac(mac, kDelay, kAttempts), 1);
  logger.ClearFaults();
  EXPECT_EQ(link.GetConfig(c, kDelay, kAttempts), 1);
  EXPECT_EQ(c.channelCount, 1);
}

TEST_F(Faults, AnExceptionReplyEndsTheWaitAndIsRejected) {
  auto p = BasicProfile(1);
  p.faults.push_back(FaultRule{FaultKind::Exception, 0x22, 1, -1, 2});
  auto& logger = Start(p);
  CKelvane link;
  Bind(link);
  int mac[6] = {9, 9, 9, 9, 9, 9};
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(link.GetMac(mac, 150, kAttempts), 0);
  // A complete exception reply ends each wait: three attempts cost their
  // quiet waits (3 x 150 ms), not the two delays each of a missing reply.
  EXPECT_LT(MsSince(t0), 1000);
  EXPECT_EQ(logger.Requests().size(), 3u);
  EXPECT_EQ(mac[0], 9);
  EXPECT_NE(LastReport().find("接收：01A202"), std::string::npos);
}

TEST_F(Faults, SilenceUsesEveryAttemptThenReportsNoData) {
  auto p = BasicProfile(1);
  p.faults.push_back(FaultRule{FaultKind::Silence});
  auto& logger = Start(p);
  CKelvane link;
  Bind(link);
  char name[11] = {};
  EXPECT_EQ(link.GetCardName(name, 30, 3), 0);
  EXPECT_EQ(logger.Requests().size(), 3u);
  EXPECT_NE(LastReport().find("No data received"), std::string::npos);
  logger.ClearRequests();
  EXPECT_EQ(link.GetCardName(name, 30, 0), 0);  // no attempt, nothing sent
  EXPECT_TRUE(logger.Requests().empty());
}

TEST_F(Faults, SilenceOnTheFirstRequestOnlyIsCoveredByTheNextAttempt) {
  auto p = BasicProfile(1);
  p.faults.push_back(FaultRule{FaultKind::Silence, -1, 1, 1});
  auto& logger = Start(p);
  CKelvane link;
  Bind(link);
  Basic b{};
  EXPECT_EQ(link.GetBasicConfig(b, 30, 2), 1);
  EXPECT_EQ(logger.Requests().size(), 2u);
}

TEST_F(Faults, APartialReplyFails) {
  auto p = BasicProfile(1);
  p.faults.push_back(FaultRule{FaultKind::Truncate, 0x03, 1, -1, 10});
  Start(p);
  CKelvane link;
  Bind(link);
  Basic b{};
  EXPECT_EQ(link.GetBasicConfig(b, kDelay, kAttempts), 0);
  const std::string report = LastReport();
  const size_t at = report.find("接收：");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(report.substr(at + std::string("接收：").size(), 20), "0103400001A1B2000000");
}

TEST_F(Faults, ALateReplyWithinTheDelayEndsTheWaitEarlyAndOneAfterItIsMissed) {
  auto p = BasicProfile(1);
  p.faults.push_back(FaultRule{FaultKind::Late, -1, 1, 1, 40});
  p.faults.push_back(FaultRule{FaultKind::Late, -1, 2, 1, 150});
  Start(p);
  CKelvane link;
  Bind(link);
  Basic b{};
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(link.GetBasicConfig(b, 300, 1), 1);
  const long first = MsSince(t0);
  EXPECT_GE(first, 35);
  EXPECT_LT(first, 250);
  EXPECT_EQ(link.GetBasicConfig(b, 60, 1), 0);
  EXPECT_NE(LastReport().find("No data received"), std::string::npos);
}

TEST_F(Faults, AHangUpMidDownloadFailsItAndThePortComesBackOnTheNextExchange) {
  auto p = BasicProfile(2);
  p.history = Frames(60);
  p.faults.push_back(FaultRule{FaultKind::HangUpAfterPages, -1, 1, -1, 1});
  auto& logger = Start(p);
  CKelvane link;
  Bind(link);
  const std::string before = logger.SlavePath();
  int samples = 0;
  EXPECT_EQ(link.DownHistoryData(2, SYSTEMTIME{}, 10, CountSample, nullptr, &samples, kDelay, 1), 0);
  EXPECT_EQ(logger.HangUps(), 1);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(samples, 24);  // the first page stays delivered
  EXPECT_EQ(link.DownPosition(), 24);
  EXPECT_NE(logger.SlavePath(), before);

  Basic b{};
  EXPECT_EQ(link.GetBasicConfig(b, kDelay, kAttempts), 1);
  EXPECT_EQ(b.storedFrames, 60);
  EXPECT_TRUE(link.IsOpen());
}

TEST_F(Faults, AnAttemptLeftAfterAHangUpReopensThePortAndFinishesTheDownload) {
  auto p = BasicProfile(2);
  p.history = Frames(60);
  p.faults.push_back(FaultRule{FaultKind::HangUpAfterPages, -1, 1, -1, 1});
  auto& logger = Start(p);
  CKelvane link;
  Bind(link);
  int samples = 0;
  EXPECT_EQ(link.DownHistoryData(2, SYSTEMTIME{}, 10, CountSample, nullptr, &samples, kDelay, 2), 1);
  EXPECT_EQ(logger.HangUps(), 1);
  EXPECT_EQ(samples, 60);
}

TEST_F(Faults, ALoggerThatFallsSilentAfterTwoPagesFailsTheDownload) {
  auto p = BasicProfile(2);
  p.history = Frames(100);
  p.faults.push_back(FaultRule{FaultKind::StopAfterPages, -1, 1, -1, 2});
  Start(p);
  CKelvane link;
  Bind(link);
  int samples = 0;
  EXPECT_EQ(link.DownHistoryData(2, SYSTEMTIME{}, 10, CountSample, nullptr, &samples, 30, 2), 0);
  EXPECT_EQ(samples, 48);
  EXPECT_NE(LastReport().find("CKelvane::DownNeedData"), std::string::npos);
}

TEST_F(Faults, ZeroChannelsIsWhatTheConfigurationSays) {
  auto p = BasicProfile(2);
  p.faults.push_back(FaultRule{FaultKind::ZeroChannels});
  Start(p);
  CKelvane link;
  Bind(link);
  Config c{};
  ASSERT_EQ(link.GetConfig(c, kDelay, kAttempts), 1);
  EXPECT_EQ(c.channelCount, 0);
}

}  // namespace
