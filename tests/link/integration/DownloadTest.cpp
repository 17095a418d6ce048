// History downloads against a simulated logger: paging, start times, empty
// slots, value decoding, cancellation and a history beyond 65,535 frames.
#include <chrono>

#include "SimFixture.h"

using namespace linktest;
using loggersim::DateTime;
using loggersim::HistoryFrame;

namespace {

using Sample = CKelvane::struct_history_data;

struct Received {
  std::vector<Sample> samples;
  CKelvane* link = nullptr;
  size_t cancelAt = SIZE_MAX;  // SetDownState(0) when this many samples have arrived
};

void Collect(void* context, char*, Sample sample) {
  auto* r = static_cast<Received*>(context);
  r->samples.push_back(sample);
  if (r->samples.size() == r->cancelAt) r->link->SetDownState(0);
}

DateTime TimeOf(const Sample& s) {
  return DateTime{s.time.wYear, s.time.wMonth, s.time.wDay, s.time.wHour, s.time.wMinute, s.time.wSecond};
}

class Download : public SimFixture {
 protected:
  int Run(CKelvane& link, Received& r, int channels, int frameBytes, SYSTEMTIME start = {}) {
    r.link = &link;
    return link.DownHistoryData(channels, start, frameBytes, Collect, nullptr, &r, kDelay, kAttempts);
  }
  // The page requests (0x09 other than the frame count) the logger received.
  static std::vector<Bytes> Pages(const loggersim::CSimLogger& logger) {
    std::vector<Bytes> pages;
    for (const Bytes& r : logger.Requests())
      if (r[1] == 0x09 && !(r[2] == 0 && r[3] == 0 && r[4] == 0 && r[5] == 2)) pages.push_back(r);
    return pages;
  }
};

TEST_F(Download, FiftyFramesComeInPagesOfTwentyFourTwentyFourAndTwo) {
  auto p = BasicProfile(2);
  p.history = Frames(50);
  auto& logger = Start(p);
  CKelvane link;
  Bind(link);
  Received r;
  ASSERT_EQ(Run(link, r, 2, 10), 1);
  EXPECT_EQ(link.GetDownState(), 1);

  const auto requests = logger.Requests();
  ASSERT_GE(requests.size(), 3u);
  EXPECT_EQ(requests[0], Frame({0x01, 0x03, 0x00, 0x00, 0x00, 0x20}));  // identity refresh first
  EXPECT_EQ(requests[1], Frame({0x01, 0x14, 0x00, 0x00, 0x00, 0x04, 0x08, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(requests[2], Frame({0x01, 0x09, 0x00, 0x00, 0x00, 0x02}));
  const auto pages = Pages(logger);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[0], Frame({0x01, 0x09, 0x00, 0x00, 0x00, 0x78}));
  EXPECT_EQ(pages[1], Frame({0x01, 0x09, 0x00, 0x18, 0x00, 0x78}));
  EXPECT_EQ(pages[2], Frame({0x01, 0x09, 0x00, 0x30, 0x00, 0x0A}));

  ASSERT_EQ(r.samples.size(), 50u);
  const auto history = logger.Device().History();
  for (size_t i = 0; i < 50; ++i) {
    const HistoryFrame f = history.FrameAt(static_cast<int64_t>(i));
    EXPECT_EQ(TimeOf(r.samples[i]), f.time) << i;
    EXPECT_EQ(r.samples[i].channelCount, 2);
    EXPECT_NEAR(r.samples[i].value[0], static_cast<int16_t>(f.raw[0]) / 10.0, 1e-4) << i;
    EXPECT_NEAR(r.samples[i].value[1], static_cast<int16_t>(f.raw[1]) / 10.0, 1e-4) << i;
  }
}

TEST_F(Download, AnEmptyHistoryDeliversNothingAndAsksForNoPage) {
  auto& logger = Start(BasicProfile(2));
  CKelvane link;
  Bind(link);
  Received r;
  ASSERT_EQ(Run(link, r, 2, 10), 1);
  EXPECT_TRUE(r.samples.empty());
  EXPECT_TRUE(Pages(logger).empty());
}

TEST_F(Download, CancelDuringPageTwoLetsThatPageFinish) {
  auto p = BasicProfile(2);
  p.history = Frames(100);
  auto& logger = Start(p);
  CKelvane link;
  Bind(link);
  Received r;
  r.cancelAt = 25;  // the first sample of page 2
  ASSERT_EQ(Run(link, r, 2, 10), 1);
  EXPECT_EQ(link.GetDownState(), 0);
  EXPECT_EQ(r.samples.size(), 48u);
  EXPECT_EQ(Pages(logger).size(), 2u);
}

TEST_F(Download, ValuesDecodeAsSignedTenthsAndTimesAsBcd) {
  auto p = BasicProfile(1);
  std::vector<HistoryFrame> frames = {
      {false, {0x00FA, 0}, {2024, 5, 17, 13, 45, 9}}, {false, {0x1388, 0}, {2024, 5, 17, 13, 46, 9}},
      {false, {0x1389, 0}, {2024, 5, 17, 13, 47, 9}}, {false, {0xFFFF, 0}, {2024, 5, 17, 13, 48, 9}},
      {false, {0xFF9C, 0}, {2024, 12, 31, 23, 59, 59}},
  };
  p.history = loggersim::CHistory::Explicit(frames);
  Start(p);
  CKelvane link;
  Bind(link);
  Received r;
  ASSERT_EQ(Run(link, r, 1, 8), 1);
  ASSERT_EQ(r.samples.size(), 5u);
  EXPECT_FLOAT_EQ(r.samples[0].value[0], 25.0f);
  EXPECT_FLOAT_EQ(r.samples[1].value[0], 500.0f);
  EXPECT_FLOAT_EQ(r.samples[2].value[0], -6053.5f);
  EXPECT_FLOAT_EQ(r.samples[3].value[0], -0.1f);
  EXPECT_FLOAT_EQ(r.samples[4].value[0], -10.0f);
  EXPECT_EQ(TimeOf(r.samples[0]), (DateTime{2024, 5, 17, 13, 45, 9}));
  EXPECT_EQ(TimeOf(r.samples[4]), (DateTime{2024, 12, 31, 23, 59, 59}));
}

TEST_F(Download, EmptySlotsAreDeliveredWithThePreviousTimeOrZeroAtAPageStart) {
  auto p = BasicProfile(2);
  std::vector<HistoryFrame> frames;
  for (int i = 0; i < 30; ++i) frames.push_back({false, {static_cast<uint16_t>(200 + i), 500}, {2024, 5, 17, 8, i, 0}});
  frames[5] = HistoryFrame{true, {0xFFFF, 0xFFFF}, {}};
  frames[24] = HistoryFrame{true, {0xFFFF, 0xFFFF}, {}};  // first frame of page 2
  p.history = loggersim::CHistory::Explicit(frames);
  Start(p);
  CKelvane link;
  Bind(link);
  Received r;
  ASSERT_EQ(Run(link, r, 2, 10), 1);
  ASSERT_EQ(r.samples.size(), 30u);
  EXPECT_EQ(TimeOf(r.samples[5]), TimeOf(r.samples[4]));
  EXPECT_FLOAT_EQ(r.samples[5].value[0], -0.1f);
  EXPECT_EQ(TimeOf(r.samples[24]), DateTime{});
  EXPECT_EQ(TimeOf(r.samples[25]), (DateTime{2024, 5, 17, 8, 25, 0}));
  EXPECT_FLOAT_EQ(r.samples[25].value[0], 22.5f);
}

TEST_F(Download, AStartTimeDeliversTheFramesFromThatTimeOn) {
  auto p = BasicProfile(2);
  p.history = Frames(100);  // 2024-05-17 00:00 on, one a minute
  auto& logger = Start(p);
  CKelvane link;
  Bind(link);
  SYSTEMTIME start{};
  start.wYear = 2024;
  start.wMonth = 5;
  start.wDay = 17;
  start.wHour = 0;
  start.wMinute = 30;
  Received r;
  ASSERT_EQ(Run(link, r, 2, 10, start), 1);
  EXPECT_EQ(logger.Requests().at(1), Frame({0x01, 0x14, 0x00, 0x00, 0x00, 0x04, 0x08, 0x24, 0x05, 0x17, 0x00, 0x30,
                                            0, 0, 0}));
  EXPECT_EQ(logger.Device().State().downloadStart, (DateTime{2024, 5, 17, 0, 30, 0}));
  ASSERT_EQ(r.samples.size(), 70u);
  EXPECT_EQ(TimeOf(r.samples.front()), (DateTime{2024, 5, 17, 0, 30, 0}));
  EXPECT_EQ(TimeOf(r.samples.back()), (DateTime{2024, 5, 17, 1, 39, 0}));
}

// Page positions travel as 16 bits; the logger resolves them near its read
// cursor, so a history past 65,535 frames comes out whole and in order.
TEST_F(Download, AHundredThousandFramesComeOutWholeAndInOrder) {
  auto p = BasicProfile(1);
  p.state.frameBytes = 8;
  p.history = loggersim::CHistory::Generated({2020, 1, 1, 0, 0, 0}, 1, 100000, {{-40.0, 0, 0, 0.001}});
  Start(p);
  CKelvane link;
  Bind(link);
  Received r;
  r.samples.reserve(100000);
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(Run(link, r, 1, 8), 1);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0);
  ASSERT_EQ(r.samples.size(), 100000u);
  const int64_t base = loggersim::ToCivilSeconds({2020, 1, 1, 0, 0, 0});
  size_t misplaced = 0;
  for (size_t i = 0; i < r.samples.size(); ++i)
    if (loggersim::ToCivilSeconds(TimeOf(r.samples[i])) != base + static_cast<int64_t>(i)) ++misplaced;
  EXPECT_EQ(misplaced, 0u);
  EXPECT_NEAR(r.samples[70000].value[0], -40.0 + 70.0, 0.11);
  RecordProperty("elapsed_ms", static_cast<int>(ms.count()));
}

}  // namespace
