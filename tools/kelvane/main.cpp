// kelvane: the device-link library from a shell, one command per call.
//   kelvane [--device PATH | --port N] [--baud B] [--delay MS] [--attempts N] [--trace] COMMAND [ARGS]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Commands.h"
#include "QuillmarkVersion.h"

using namespace kelvanetool;

namespace {

const char* const kUsageText =
    "usage: kelvane [--device PATH | --port N] [--baud B] [--delay MS] [--attempts N] [--trace]\n"
    "               COMMAND [ARGS]\n"
    "\n"
    "  --device PATH   the logger's serial device (a tty, a pty or a link to one)\n"
    "  --port N        COM<N> of the program folder's port map\n"
    "  --baud B        115200 (default) or 9600\n"
    "  --delay MS      longest wait for each reply (default 300)\n"
    "  --attempts N    tries per request (default 3)\n"
    "  --trace         print every exchange's bytes to stderr\n"
    "  --version       the program's name and version\n"
    "\n"
    "commands (output: one field=value line per record field):\n"
    "  info                          identity and memory (GetBasicConfig)\n"
    "  config [--set F=V... [--clear-first]]\n"
    "                                recording configuration; settable: stopMode, startMode,\n"
    "                                startTime, stopTime (\"YYYY-MM-DD HH:MM\"), recordInterval,\n"
    "                                secondInterval (\"HH:MM:SS\")\n"
    "  channels [--set K:F=V,...]    channel settings; settable: alarmSwitch, alarmUpper, alarmLower\n"
    "  name [--set TEXT]             card name (UTF-8 here, GBK on the logger, at most 10 bytes)\n"
    "  mac                           MAC address\n"
    "  time [--set now|\"YYYY-MM-DD HH:MM:SS\"]\n"
    "                                the logger's clock\n"
    "  warn-reset                    clear pending alarms\n"
    "  clear-history                 erase the stored history\n"
    "  battery RAW TEMP TYPE         battery level from a raw reading (no logger needed)\n"
    "  download [--start \"YYYY-MM-DD HH:MM\"]\n"
    "                                every sample as TIME,v1[,v2], then samples=N; Ctrl-C stops\n"
    "                                after the running page\n"
    "\n"
    "exit status: 0 done, 1 the command failed (the library's report on stderr), 2 bad usage\n";

bool ParseCount(const char* text, int low, int& out) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (!*text || *end || v < low || v > 1000000) return false;
  out = static_cast<int>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (QmPrintVersion(argc, argv, "kelvane")) return kOk;
  Options o;
  bool havePort = false;
  int i = 1;
  for (; i < argc && argv[i][0] == '-' && argv[i][1] == '-'; ++i) {
    const std::string a = argv[i];
    if (a == "--help") {
      std::fputs(kUsageText, stdout);
      return kOk;
    }
    if (a == "--trace") {
      o.trace = true;
      continue;
    }
    if (i + 1 >= argc) return UsageError(a + " needs a value");
    const char* v = argv[++i];
    bool ok = true;
    if (a == "--device") o.device = v, ok = *v != '\0';
    else if (a == "--port") ok = ParseCount(v, 1, o.port), havePort = true;
    else if (a == "--baud") ok = ParseCount(v, 1, o.baud);
    else if (a == "--delay") ok = ParseCount(v, 0, o.delay);
    else if (a == "--attempts") ok = ParseCount(v, 0, o.attempts);
    else return UsageError("unknown option " + a);
    if (!ok) return UsageError("bad value for " + a + ": '" + v + "'");
  }
  if (i >= argc) return UsageError("no command");
  o.command = argv[i++];
  for (; i < argc; ++i) o.args.emplace_back(argv[i]);
  if (!o.device.empty() && havePort) return UsageError("--device and --port exclude each other");

  CSession session(o);
  if (o.command == "battery") return RunBattery(session);

  static const struct {
    const char* name;
    int (*run)(CSession&);
  } commands[] = {{"info", RunInfo},           {"config", RunConfig},     {"channels", RunChannels},
                  {"name", RunName},           {"mac", RunMac},           {"time", RunTime},
                  {"warn-reset", RunWarnReset}, {"clear-history", RunClearHistory}, {"download", RunDownload}};
  for (const auto& c : commands) {
    if (o.command != c.name) continue;
    if (o.device.empty() && !havePort) return UsageError(o.command + " needs --device PATH or --port N");
    // The library's report of a failed command goes to stderr; with --trace every
    // exchange's bytes do.
    CKelvane::SetDiagnosticSink([](const char*, const char* first, const char* text) {
      std::fprintf(stderr, "%s\n%s", first, text);
      const size_t n = std::strlen(text);
      if (n == 0 || text[n - 1] != '\n') std::fputc('\n', stderr);
    });
    if (o.trace)
      CKelvane::SetTraceSink([](const char* source, const char* text) {
        std::fprintf(stderr, "%s: %s", source, text);
        const size_t n = std::strlen(text);
        if (n == 0 || text[n - 1] != '\n') std::fputc('\n', stderr);
      });
    return c.run(session);
  }
  return UsageError("unknown command '" + o.command + "'");
}
