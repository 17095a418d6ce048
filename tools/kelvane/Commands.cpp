#include "Commands.h"

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

#include "TextCodec.h"

namespace kelvanetool {

namespace {

using Config = CKelvane::struct_config_info;
using Basic = CKelvane::struct_basic_config;
using Channel = CKelvane::struct_channel_config;

bool ParseInt(const std::string& v, int& out) {
  if (v.empty()) return false;
  char* end = nullptr;
  const long n = std::strtol(v.c_str(), &end, 10);
  if (*end != '\0' || n < INT32_MIN || n > INT32_MAX) return false;
  out = static_cast<int>(n);
  return true;
}

bool ParseFloat(const std::string& v, float& out) {
  if (v.empty()) return false;
  char* end = nullptr;
  const float f = std::strtof(v.c_str(), &end);
  if (*end != '\0' || !std::isfinite(f)) return false;
  out = f;
  return true;
}

bool ValidDate(int y, int mo, int d) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 2000 || y > 2099 || mo < 1 || mo > 12 || d < 1) return false;
  const bool leap = y % 4 == 0;  // 2000..2099: every fourth year
  return d <= days[mo - 1] + (mo == 2 && leap ? 1 : 0);
}

// "YYYY-MM-DD HH:MM" (withSeconds: "YYYY-MM-DD HH:MM:SS"). An all-zero text is
// the unset time a logger shows for a cleared stop time.
bool ParseTime(const std::string& v, bool withSeconds, SYSTEMTIME& out) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, used = 0;
  const int want = withSeconds ? 6 : 5;
  const int n = withSeconds ? std::sscanf(v.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &used)
                            : std::sscanf(v.c_str(), "%4d-%2d-%2d %2d:%2d%n", &y, &mo, &d, &h, &mi, &used);
  if (n != want || static_cast<size_t>(used) != v.size()) return false;
  const bool zero = y == 0 && mo == 0 && d == 0 && h == 0 && mi == 0 && s == 0;
  if (!zero && (!ValidDate(y, mo, d) || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59)) return false;
  out = SYSTEMTIME{};
  out.wYear = static_cast<uint16_t>(y);
  out.wMonth = static_cast<uint16_t>(mo);
  out.wDay = static_cast<uint16_t>(d);
  out.wHour = static_cast<uint16_t>(h);
  out.wMinute = static_cast<uint16_t>(mi);
  out.wSecond = static_cast<uint16_t>(s);
  return true;
}

bool ParseInterval(const std::string& v, SYSTEMTIME& out) {
  int h = 0, m = 0, s = 0, used = 0;
  if (std::sscanf(v.c_str(), "%2d:%2d:%2d%n", &h, &m, &s, &used) != 3 || static_cast<size_t>(used) != v.size() ||
      h < 0 || h > 99 || m < 0 || m > 59 || s < 0 || s > 59)
    return false;
  out = SYSTEMTIME{};
  out.wHour = static_cast<uint16_t>(h);
  out.wMinute = static_cast<uint16_t>(m);
  out.wSecond = static_cast<uint16_t>(s);
  return true;
}

void PrintField(const char* name, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void PrintField(const char* name, const char* fmt, ...) {
  std::printf("%s=", name);
  va_list ap;
  va_start(ap, fmt);
  std::vprintf(fmt, ap);
  va_end(ap);
  std::printf("\n");
}

void PrintMinutes(const char* name, const SYSTEMTIME& t) {
  PrintField(name, "%04d-%02d-%02d %02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
}
void PrintInterval(const char* name, const SYSTEMTIME& t) {
  PrintField(name, "%02d:%02d:%02d", t.wHour, t.wMinute, t.wSecond);
}

void PrintConfig(const Config& c) {
  PrintField("stopMode", "%d", c.stopMode);
  PrintField("startMode", "%d", c.startMode);
  PrintMinutes("startTime", c.startTime);
  PrintMinutes("stopTime", c.stopTime);
  PrintField("word107High", "%d", c.word107High);
  PrintField("word107Low", "%d", c.word107Low);
  PrintInterval("recordInterval", c.recordInterval);
  PrintInterval("secondInterval", c.secondInterval);
  PrintField("recordingState", "%d", c.recordingState);
  PrintField("word111High", "%d", c.word111High);
  PrintField("channelCount", "%d", c.channelCount);
}

void PrintChannels(const Channel* ch, int count) {
  for (int k = 0; k < count; ++k) {
    const Channel& c = ch[k];
    const std::string p = "channel" + std::to_string(k + 1) + ".";
    PrintField((p + "channelType").c_str(), "%d", c.channelType);
    PrintField((p + "word3Low").c_str(), "%d", c.word3Low);
    PrintField((p + "alarmSwitch").c_str(), "%d", c.alarmSwitch);
    PrintField((p + "alarmUpper").c_str(), "%.1f", c.alarmUpper);
    PrintField((p + "alarmLower").c_str(), "%.1f", c.alarmLower);
    PrintField((p + "upperBound").c_str(), "%d", c.upperBound);
    PrintField((p + "lowerBound").c_str(), "%d", c.lowerBound);
  }
}

// Fails the command: the library has already put its report on stderr.
int Failed(const char* what) {
  std::fprintf(stderr, "kelvane: %s failed\n", what);
  return kFailed;
}

int DayOfWeek(int y, int m, int d) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = m - 1;
  tm.tm_mday = d;
  tm.tm_hour = 12;
  timegm(&tm);
  return tm.tm_wday;
}

}  // namespace

int UsageError(const std::string& why) {
  std::fprintf(stderr, "kelvane: %s (see kelvane --help)\n", why.c_str());
  return kUsage;
}

bool CSession::Connect() {
  if (connected_) return true;
  const int ok = options_.device.empty() ? link_.Instance(options_.port, options_.baud)
                                         : link_.InstancePath(options_.device.c_str(), options_.baud);
  if (!ok) {
    std::fprintf(stderr, "%s\n", WideToUtf8(link_.GetLastMsg()).c_str());
    return false;
  }
  connected_ = true;
  return true;
}

int RunInfo(CSession& s) {
  if (!s.Opt().args.empty()) return UsageError("info takes no arguments");
  if (!s.Connect()) return kFailed;
  Basic b{};
  if (!s.Link().GetBasicConfig(b, s.Opt().delay, s.Opt().attempts)) return Failed("GetBasicConfig");
  PrintField("sn", "%.*s", static_cast<int>(strnlen(b.sn, sizeof b.sn)), b.sn);
  PrintField("softwareVersion", "%d.%d.%d", b.softwareVersion[0], b.softwareVersion[1], b.softwareVersion[2]);
  PrintField("hardwareVersion", "%d.%d.%d", b.hardwareVersion[0], b.hardwareVersion[1], b.hardwareVersion[2]);
  PrintField("word0A", "%d", b.word0A);
  PrintField("frameBytes", "%d", b.frameBytes);
  PrintField("memoryFull", "%d", b.memoryFull);
  PrintField("memoryBytes", "%d", b.memoryBytes);
  PrintField("frameCapacity", "%d", b.frameCapacity);
  PrintField("counter1", "%d", b.counter1);
  PrintField("storedFrames", "%d", b.storedFrames);
  PrintField("counter3", "%d", b.counter3);
  PrintField("deviceType", "%d", b.deviceType);
  return kOk;
}

int RunConfig(CSession& s) {
  const auto& args = s.Opt().args;
  bool set = false, clearFirst = false;
  std::vector<std::pair<std::string, std::string>> patches;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--set") set = true;
    else if (args[i] == "--clear-first") clearFirst = true;
    else if (set && args[i].find('=') != std::string::npos)
      patches.emplace_back(args[i].substr(0, args[i].find('=')), args[i].substr(args[i].find('=') + 1));
    else
      return UsageError("config: unexpected '" + args[i] + "'");
  }
  if ((set || clearFirst) && patches.empty()) return UsageError("config --set needs FIELD=VALUE");
  // Check every patch before talking to the logger.
  Config probe{};
  for (const auto& [field, value] : patches) {
    bool ok = true;
    if (field == "stopMode") ok = ParseInt(value, probe.stopMode);
    else if (field == "startMode") ok = ParseInt(value, probe.startMode);
    else if (field == "startTime") ok = ParseTime(value, false, probe.startTime);
    else if (field == "stopTime") ok = ParseTime(value, false, probe.stopTime);
    else if (field == "recordInterval") ok = ParseInterval(value, probe.recordInterval);
    else if (field == "secondInterval") ok = ParseInterval(value, probe.secondInterval);
    else return UsageError("config: '" + field + "' cannot be set (stopMode, startMode, startTime, stopTime, "
                           "recordInterval, secondInterval can)");
    if (!ok) return UsageError("config: bad value for " + field + ": '" + value + "'");
  }
  if (!s.Connect()) return kFailed;
  Config c{};
  if (!s.Link().GetConfig(c, s.Opt().delay, s.Opt().attempts)) return Failed("GetConfig");
  if (!patches.empty()) {
    for (const auto& [field, value] : patches) {
      if (field == "stopMode") c.stopMode = probe.stopMode;
      else if (field == "startMode") c.startMode = probe.startMode;
      else if (field == "startTime") c.startTime = probe.startTime;
      else if (field == "stopTime") c.stopTime = probe.stopTime;
      else if (field == "recordInterval") c.recordInterval = probe.recordInterval;
      else if (field == "secondInterval") c.secondInterval = probe.secondInterval;
    }
    if (!s.Link().SetConfig(c, clearFirst ? 1 : 0, s.Opt().delay, s.Opt().attempts)) return Failed("SetConfig");
  }
  PrintConfig(c);
  return kOk;
}

int RunChannels(CSession& s) {
  const auto& args = s.Opt().args;
  struct Patch {
    int channel;
    std::string field;
    float value;
  };
  std::vector<Patch> patches;
  bool set = false;
  for (const std::string& a : args) {
    if (a == "--set") {
      set = true;
      continue;
    }
    const size_t colon = a.find(':');
    int k = 0;
    if (!set || colon == std::string::npos || !ParseInt(a.substr(0, colon), k) || k < 1 || k > 2)
      return UsageError("channels: want --set K:FIELD=VALUE,... with K 1 or 2, got '" + a + "'");
    std::string rest = a.substr(colon + 1);
    size_t from = 0;
    while (from <= rest.size()) {
      const size_t comma = std::min(rest.find(',', from), rest.size());
      const std::string item = rest.substr(from, comma - from);
      const size_t eq = item.find('=');
      Patch p{k, item.substr(0, eq), 0.0f};
      if (eq == std::string::npos || !ParseFloat(item.substr(eq + 1), p.value))
        return UsageError("channels: bad setting '" + item + "'");
      if (p.field != "alarmSwitch" && p.field != "alarmUpper" && p.field != "alarmLower")
        return UsageError("channels: '" + p.field + "' cannot be set (alarmSwitch, alarmUpper, alarmLower can)");
      if (p.field == "alarmSwitch" && (p.value != std::floor(p.value) || std::fabs(p.value) > 255))
        return UsageError("channels: alarmSwitch is a whole number");
      patches.push_back(p);
      from = comma + 1;
    }
  }
  if (set && patches.empty()) return UsageError("channels --set needs K:FIELD=VALUE");
  if (!s.Connect()) return kFailed;
  Config c{};
  if (!s.Link().GetConfig(c, s.Opt().delay, s.Opt().attempts)) return Failed("GetConfig");
  // The record array of the library holds two channels; a logger claiming more
  // is read for the two it can describe.
  const int count = std::clamp(c.channelCount, 0, 2);
  Channel ch[2]{};
  if (count > 0 && !s.Link().GetChannelConfig(ch, count, s.Opt().delay, s.Opt().attempts))
    return Failed("GetChannelConfig");
  if (!patches.empty()) {
    for (const Patch& p : patches) {
      if (p.channel > count)
        return UsageError("channels: the logger has " + std::to_string(count) + " channel(s)");
      Channel& x = ch[p.channel - 1];
      if (p.field == "alarmSwitch") x.alarmSwitch = static_cast<int>(p.value);
      else if (p.field == "alarmUpper") x.alarmUpper = p.value;
      else x.alarmLower = p.value;
    }
    if (!s.Link().SetChannelConfig(ch, count, s.Opt().delay, s.Opt().attempts)) return Failed("SetChannelConfig");
  }
  PrintChannels(ch, count);
  return kOk;
}

int RunName(CSession& s) {
  const auto& args = s.Opt().args;
  if (args.empty()) {
    if (!s.Connect()) return kFailed;
    char name[11] = {};
    if (!s.Link().GetCardName(name, s.Opt().delay, s.Opt().attempts)) return Failed("GetCardName");
    PrintField("name", "%s", CardNameForDisplay(name).c_str());
    return kOk;
  }
  if (args.size() != 2 || args[0] != "--set") return UsageError("name takes nothing or --set TEXT");
  std::string gbk;
  if (!Convert(args[1], "UTF-8", "GBK", gbk)) return UsageError("name: the text has no GBK form");
  if (gbk.size() > 10) return UsageError("name: a card name holds at most 10 bytes (GBK)");
  if (!s.Connect()) return kFailed;
  if (!s.Link().SetCardName(gbk.c_str(), static_cast<int>(gbk.size()) + 1, s.Opt().delay, s.Opt().attempts))
    return Failed("SetCardName");
  PrintField("name", "%s", args[1].c_str());
  return kOk;
}

int RunMac(CSession& s) {
  if (!s.Opt().args.empty()) return UsageError("mac takes no arguments");
  if (!s.Connect()) return kFailed;
  int mac[6] = {};
  if (!s.Link().GetMac(mac, s.Opt().delay, s.Opt().attempts)) return Failed("GetMac");
  PrintField("mac", "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
  return kOk;
}

int RunTime(CSession& s) {
  const auto& args = s.Opt().args;
  SYSTEMTIME t{};
  if (args.empty()) {
    if (!s.Connect()) return kFailed;
    if (!s.Link().GetDeviceTime(&t, s.Opt().delay, s.Opt().attempts)) return Failed("GetDeviceTime");
  } else {
    if (args.size() != 2 || args[0] != "--set") return UsageError("time takes nothing or --set now|TIME");
    if (args[1] == "now") {
      const std::time_t now = std::time(nullptr);
      std::tm tm{};
      localtime_r(&now, &tm);
      t.wYear = static_cast<uint16_t>(tm.tm_year + 1900);
      t.wMonth = static_cast<uint16_t>(tm.tm_mon + 1);
      t.wDay = static_cast<uint16_t>(tm.tm_mday);
      t.wHour = static_cast<uint16_t>(tm.tm_hour);
      t.wMinute = static_cast<uint16_t>(tm.tm_min);
      t.wSecond = static_cast<uint16_t>(tm.tm_sec);
    } else if (!ParseTime(args[1], true, t) || t.wYear == 0) {
      return UsageError("time: want now or \"YYYY-MM-DD HH:MM:SS\" (2000-2099)");
    }
    t.wDayOfWeek = static_cast<uint16_t>(DayOfWeek(t.wYear, t.wMonth, t.wDay));
    if (!s.Connect()) return kFailed;
    if (!s.Link().SetTime(t, s.Opt().delay, s.Opt().attempts)) return Failed("SetTime");
  }
  PrintField("time", "%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
  return kOk;
}

int RunWarnReset(CSession& s) {
  if (!s.Opt().args.empty()) return UsageError("warn-reset takes no arguments");
  if (!s.Connect()) return kFailed;
  return s.Link().WarnSet(s.Opt().delay, s.Opt().attempts) ? kOk : Failed("WarnSet");
}

int RunClearHistory(CSession& s) {
  if (!s.Opt().args.empty()) return UsageError("clear-history takes no arguments");
  if (!s.Connect()) return kFailed;
  return s.Link().ClearHistory(s.Opt().delay, s.Opt().attempts) ? kOk : Failed("ClearHistory");
}

int RunBattery(CSession& s) {
  const auto& args = s.Opt().args;
  int raw = 0, type = 0;
  float temperature = 0;
  if (args.size() != 3 || !ParseInt(args[0], raw) || !ParseFloat(args[1], temperature) || !ParseInt(args[2], type))
    return UsageError("battery wants RAW TEMP TYPE");
  PrintField("level", "%d", CKelvane::GetBattery(raw, temperature, type));
  return kOk;
}

namespace {

struct DownloadContext {
  CKelvane* link = nullptr;
  std::atomic<bool>* cancel = nullptr;
  long samples = 0;
};

void OnSample(void* context, char*, CKelvane::struct_history_data sample) {
  auto* c = static_cast<DownloadContext*>(context);
  const SYSTEMTIME& t = sample.time;
  std::printf("%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
  for (int k = 0; k < sample.channelCount && k < 2; ++k) std::printf(",%.1f", sample.value[k]);
  std::printf("\n");
  ++c->samples;
  // A Ctrl-C that came before the download set its state to running is
  // repeated here, on the downloading thread.
  if (c->cancel->load()) c->link->SetDownState(0);
}

}  // namespace

int RunDownload(CSession& s) {
  const auto& args = s.Opt().args;
  SYSTEMTIME start{};
  if (!args.empty()) {
    if (args.size() != 2 || args[0] != "--start" || !ParseTime(args[1], false, start))
      return UsageError("download takes nothing or --start \"YYYY-MM-DD HH:MM\"");
  }
  // Ctrl-C is taken by a watcher thread, which asks the library to stop after
  // the running page; the tool then still prints what arrived.
  sigset_t interrupt;
  sigemptyset(&interrupt);
  sigaddset(&interrupt, SIGINT);
  sigaddset(&interrupt, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &interrupt, nullptr);
  std::atomic<bool> cancel{false}, done{false};
  std::thread watcher([&] {
    const timespec tick{0, 100 * 1000 * 1000};
    while (!done) {
      if (sigtimedwait(&interrupt, nullptr, &tick) > 0) {
        cancel = true;
        s.Link().SetDownState(0);
      }
    }
  });
  auto finish = [&](int code) {
    done = true;
    watcher.join();
    return code;
  };

  if (!s.Connect()) return finish(kFailed);
  Config c{};
  if (!s.Link().GetConfig(c, s.Opt().delay, s.Opt().attempts)) return finish(Failed("GetConfig"));
  Basic b{};
  if (!s.Link().GetBasicConfig(b, s.Opt().delay, s.Opt().attempts)) return finish(Failed("GetBasicConfig"));
  DownloadContext context{&s.Link(), &cancel, 0};
  // Samples appear as they arrive, so a watcher of the output sees progress.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  int ok = 0;
  if (!cancel)
    ok = s.Link().DownHistoryData(c.channelCount, start, b.frameBytes, OnSample, nullptr, &context, s.Opt().delay,
                                  s.Opt().attempts);
  std::printf("samples=%ld\n", context.samples);
  if (cancel) {
    std::fprintf(stderr, "kelvane: download cancelled\n");
    return finish(kFailed);
  }
  return finish(ok ? kOk : Failed("DownHistoryData"));
}

}  // namespace kelvanetool
