// How close a history download comes to the speed of the line: 2,400 frames of
// 10 bytes from a simulated logger at 115200 baud with replies paced at the
// line's byte rate and the usual delay of 300 ms, against what waiting the whole
// delay for every page would cost.
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "Kelvane.h"
#include "loggersim/Simulator.h"

namespace {

constexpr int kBaud = 115200;
constexpr int kDelay = 300;
constexpr int kFrames = 2400;
constexpr int kFrameBytes = 10;

void CountSample(void* context, char*, CKelvane::struct_history_data) { ++*static_cast<long*>(context); }

// Bytes of a reply the logger sends to this request.
size_t ReplyBytes(const loggersim::Bytes& r) {
  if (loggersim::IsReadFunction(r[1])) return 5u + 2u * static_cast<size_t>(r[4] << 8 | r[5]);
  return 8;
}

struct Run {
  double elapsedMs = 0;
  double wireMs = 0;
  long samples = 0;
  int pages = 0;
  int exchanges = 0;
  int historyReads = 0;  // 0x09: the frame count and the pages
  bool ok = false;
};

Run Download(const std::string& folder, int frames, int lateMs, int delay) {
  loggersim::LoggerProfile p;
  p.state.channels.resize(2);
  p.state.frameBytes = kFrameBytes;
  p.state.baud = kBaud;
  p.pacing = true;
  p.history = loggersim::CHistory::Generated({2024, 5, 17, 0, 0, 0}, 60, frames, {{20.0, 5.0, 96, 0}, {55.0}});
  if (lateMs > 0) p.faults.push_back({loggersim::FaultKind::Late, 0x09, 1, -1, lateMs});
  loggersim::CSimulator sim(folder);
  sim.Add(p);
  Run run;
  std::string error;
  if (!sim.Start(&error)) {
    std::fprintf(stderr, "loggersim: %s\n", error.c_str());
    return run;
  }
  CKelvane link;
  if (!link.Instance(sim.ComOf(0), kBaud)) return run;
  const auto t0 = std::chrono::steady_clock::now();
  run.ok = link.DownHistoryData(2, SYSTEMTIME{}, kFrameBytes, CountSample, nullptr, &run.samples, delay, 3) == 1;
  run.elapsedMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  size_t bytes = 0;
  for (const auto& r : sim.At(0).Requests()) {
    bytes += r.size() + ReplyBytes(r);
    ++run.exchanges;
    if (r[1] == 0x09) ++run.historyReads;
    if (r[1] == 0x09 && !(r[4] == 0 && r[5] == 2)) ++run.pages;
  }
  run.wireMs = static_cast<double>(bytes) * 10.0 * 1000.0 / kBaud;
  return run;
}

}  // namespace

int main() {
  char pattern[] = "/tmp/qm-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const std::string folder = pattern;
  setenv("QUILLMARK_FOLDER", folder.c_str(), 1);
  CKelvane::SetDiagnosticSink([](const char*, const char*, const char*) {});

  const Run full = Download(folder, kFrames, 0, kDelay);
  // A logger that answers only once the delay is nearly over shows what one page
  // costs when every exchange waits out its whole delay; a few pages suffice.
  const int fewFrames = 5 * (245 / kFrameBytes);
  const Run slow = Download(folder, fewFrames, kDelay - 10, kDelay + 40);
  std::filesystem::remove_all(folder);
  if (!full.ok || !slow.ok) {
    std::fprintf(stderr, "download failed\n");
    return 1;
  }

  // There every 0x09 exchange (frame count and pages) answers late, the rest at
  // once; charge the whole time to those.
  const double pageMsSlow = slow.elapsedMs / slow.historyReads;
  // Fixed-delay: every exchange lasts its delay, the identity read four times it.
  const double fixedPagesMs = static_cast<double>(full.pages) * kDelay;
  const double fixedAllMs = fixedPagesMs + 4.0 * kDelay + 2.0 * kDelay;
  std::printf("download of %d frames of %d bytes at %d baud, paced, delay %d ms, %d pages, %d exchanges\n\n",
              kFrames, kFrameBytes, kBaud, kDelay, full.pages, full.exchanges);
  std::printf("%-46s %12s\n", "", "value");
  std::printf("%-46s %9.0f ms\n", "elapsed (ends each exchange on a whole reply)", full.elapsedMs);
  std::printf("%-46s %9.0f ms\n", "wire time (request + reply, 10 bits a byte)", full.wireMs);
  std::printf("%-46s %12.2f\n", "wire time / elapsed (goal >= 0.8)", full.wireMs / full.elapsedMs);
  std::printf("%-46s %12.0f\n", "frames per second", full.samples / (full.elapsedMs / 1000.0));
  std::printf("%-46s %9.0f ms\n", "fixed delay, pages x delay (computed)", fixedPagesMs);
  std::printf("%-46s %9.0f ms\n", "fixed delay, whole download (computed)", fixedAllMs);
  std::printf("%-46s %9.0f ms\n", "measured per page, answer after the delay", pageMsSlow);
  std::printf("%-46s %9.0f ms\n", "  -> extrapolated to the whole download", pageMsSlow * full.pages);
  std::printf("%-46s %12.0f\n", "  -> frames per second", full.samples / (pageMsSlow * full.pages / 1000.0));
  return full.samples == kFrames ? 0 : 1;
}
