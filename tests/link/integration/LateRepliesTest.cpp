// A reply answers the request it follows, or none: downloads against loggers
// that answer late, twice, too long, too short or damaged must deliver every
// frame exactly once and in order, or fail and say why; never a page twice
// in place of another.
#include <chrono>

#include "SimFixture.h"

using namespace linktest;
using loggersim::FaultKind;
using loggersim::FaultRule;

namespace {

using Sample = CKelvane::struct_history_data;

void Collect(void* context, char*, Sample sample) { static_cast<std::vector<Sample>*>(context)->push_back(sample); }

// Frames(n) stamps frame i at 2024-05-17 00:00 + i minutes with channel 1 =
// 20.0 + 0.1 i: the samples must be exactly these, each once, in order.
::testing::AssertionResult EveryFrameOnceInOrder(const std::vector<Sample>& samples, int count) {
  if (static_cast<int>(samples.size()) != count)
    return ::testing::AssertionFailure() << samples.size() << " samples of " << count;
  for (int i = 0; i < count; ++i) {
    const Sample& s = samples[static_cast<size_t>(i)];
    const int minutes = s.time.wHour * 60 + s.time.wMinute;
    if (s.time.wDay != 17 || minutes != i || s.time.wSecond != 0)
      return ::testing::AssertionFailure() << "sample " << i << " is stamped " << s.time.wDay << " "
                                           << s.time.wHour << ":" << s.time.wMinute;
    if (std::abs(s.value[0] - (20.0f + 0.1f * static_cast<float>(i))) > 0.05f)
      return ::testing::AssertionFailure() << "sample " << i << " holds " << s.value[0];
  }
  return ::testing::AssertionSuccess();
}

class LateReplies : public SimFixture {
 protected:
  // A two-channel logger with `frames` frames (24 to a page) and the faults given.
  loggersim::CSimLogger& StartLogger(int frames, const std::vector<FaultRule>& faults, bool paced = false) {
    auto p = BasicProfile(2);
    p.history = Frames(frames);
    p.faults = faults;
    p.pacing = paced;
    return Start(p);
  }
  int Download(CKelvane& link, std::vector<Sample>& samples, int delay, int attempts = kAttempts) {
    return link.DownHistoryData(2, SYSTEMTIME{}, 10, Collect, nullptr, &samples, delay, attempts);
  }
  static long MsSince(std::chrono::steady_clock::time_point t0) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count());
  }
};

// The case that once stored 2,976 of 3,000 samples: one page answered after
// the delay. Read on for a second delay, the answer is taken on its own
// attempt, and nothing is sent twice.
TEST_F(LateReplies, OnePageLateWithinASecondDelayIsTakenOnItsOwnAttempt) {
  auto& logger = StartLogger(120, {FaultRule{FaultKind::LatePage, -1, 3, 1, 200}});
  CKelvane link;
  Bind(link);
  std::vector<Sample> samples;
  ASSERT_EQ(Download(link, samples, 150), 1);
  EXPECT_TRUE(EveryFrameOnceInOrder(samples, 120));
  EXPECT_EQ(logger.Requests().size(), 3u + 5u);  // identity, start time, count, five pages: none twice
}

// Later than the wait allows: the answer lands in the quiet wait after the
// attempt and is thrown away; the page is asked for again and the next page
// gets its own answer, not this one.
TEST_F(LateReplies, OnePageLaterThanTheWaitIsDrainedAndAskedForAgain) {
  auto& logger = StartLogger(120, {FaultRule{FaultKind::LatePage, -1, 2, 1, 230}});
  CKelvane link;
  Bind(link);
  std::vector<Sample> samples;
  ASSERT_EQ(Download(link, samples, 100), 1);
  EXPECT_TRUE(EveryFrameOnceInOrder(samples, 120));
  EXPECT_EQ(logger.Requests().size(), 3u + 6u);  // page two twice
}

TEST_F(LateReplies, EveryPageSomewhatLateIsACompleteSlowerDownload) {
  StartLogger(72, {FaultRule{FaultKind::LatePage, -1, 1, -1, 130}});
  CKelvane link;
  Bind(link);
  std::vector<Sample> samples;
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(Download(link, samples, 100), 1);
  EXPECT_TRUE(EveryFrameOnceInOrder(samples, 72));
  EXPECT_GE(MsSince(t0), 3 * 130);
}

// A logger that answers every page only after the wait (each answer lands in
// the quiet wait that follows its attempt) fails the download and says it
// answers too slowly, with nothing delivered out of place.
TEST_F(LateReplies, ALoggerSlowerThanTheWindowFailsAsTooSlow) {
  StartLogger(72, {FaultRule{FaultKind::LatePage, -1, 1, -1, 250}});
  CKelvane link;
  Bind(link);
  std::vector<Sample> samples;
  EXPECT_EQ(Download(link, samples, 100), 0);
  EXPECT_EQ(link.GetLastFailure(), CKelvane::kLinkTooSlow);
  EXPECT_TRUE(samples.empty());
}

TEST_F(LateReplies, DamagedPagesAreAskedForAgainIntoACompleteDownload) {
  struct Case {
    const char* what;
    FaultRule rule;
  } cases[] = {
      {"crc", FaultRule{FaultKind::SwapCrc, 0x09, 3, 1, 0}},
      {"truncated", FaultRule{FaultKind::Truncate, 0x09, 3, 1, 100}},
      {"over-long", FaultRule{FaultKind::Extra, 0x09, 3, 1, 3}},
      {"short with a valid crc", FaultRule{FaultKind::ShortValid, 0x09, 3, 1, 10}},
      {"exception", FaultRule{FaultKind::Exception, 0x09, 3, 1, 6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto& logger = StartLogger(96, {c.rule});
    CKelvane link;
    Bind(link);
    std::vector<Sample> samples;
    ASSERT_EQ(Download(link, samples, 60), 1);
    EXPECT_TRUE(EveryFrameOnceInOrder(samples, 96));
    EXPECT_EQ(logger.Requests().size(), 3u + 5u);  // the damaged page twice
  }
}

// A page damaged on every attempt ends the download with the reason.
TEST_F(LateReplies, APageDamagedOnEveryAttemptFailsAsDamaged) {
  StartLogger(96, {FaultRule{FaultKind::ShortValid, 0x09, 3, -1, 10}});
  CKelvane link;
  Bind(link);
  std::vector<Sample> samples;
  EXPECT_EQ(Download(link, samples, 40), 0);
  EXPECT_EQ(link.GetLastFailure(), CKelvane::kLinkDamaged);
  EXPECT_EQ(samples.size(), 24u);
}

// A copy of a page's answer that arrives after the next request passes every
// check of that request's reply; it is told by being the page before byte
// for byte, and the page is asked for again on a quiet line. A copy close
// behind its answer makes the reply too long and the page is asked again.
TEST_F(LateReplies, DoubledAnswersNeverStandInForTheNextPage) {
  struct Case {
    int gap, count;
  } cases[] = {{0, 1}, {30, 1}, {30, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gap);
    SCOPED_TRACE(c.count);
    // At the pace of the line, so the copy arrives as a reply of its own.
    StartLogger(120, {FaultRule{FaultKind::Double, 0x09, 3, c.count, c.gap}}, true);
    CKelvane link;
    Bind(link);
    std::vector<Sample> samples;
    ASSERT_EQ(Download(link, samples, 80), 1);
    EXPECT_TRUE(EveryFrameOnceInOrder(samples, 120));
  }
}

// The wait that follows a bad exchange also runs before the next command, so
// an answer still on its way never meets that command.
TEST_F(LateReplies, ACommandAfterAFailedOneNeverSeesItsLateAnswer) {
  auto p = BasicProfile(1);
  p.faults.push_back(FaultRule{FaultKind::Late, 0x03, 1, 1, 250});
  Start(p);
  CKelvane link;
  Bind(link);
  SYSTEMTIME time{};
  EXPECT_EQ(link.GetDeviceTime(&time, 100, 1), 0);  // answered after 250 ms: too late for 2 x 100
  EXPECT_EQ(link.GetLastFailure(), CKelvane::kLinkTooSlow);
  int mac[6] = {};
  EXPECT_EQ(link.GetMac(mac, 100, 1), 1);
  EXPECT_EQ(link.GetDeviceTime(&time, 100, 1), 1);
  EXPECT_EQ(link.GetLastFailure(), CKelvane::kLinkOk);
}

}  // namespace
