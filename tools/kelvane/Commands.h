// The kelvane tool's commands: each one runs library calls on one logger and
// prints the records as field=value lines. Results are exit codes: 0 done,
// 1 the command failed (the library's report is on stderr), 2 bad usage.
#pragma once

#include <string>
#include <vector>

#include "Kelvane.h"

namespace kelvanetool {

enum Exit { kOk = 0, kFailed = 1, kUsage = 2 };

struct Options {
  std::string device;  // --device PATH
  int port = 0;        // --port N
  int baud = 115200;
  int delay = 300;
  int attempts = 3;
  bool trace = false;
  std::string command;
  std::vector<std::string> args;
};

class CSession {
 public:
  explicit CSession(const Options& options) : options_(options) {}
  // Binds the port on first use; false (after printing why) when it cannot.
  bool Connect();
  CKelvane& Link() { return link_; }
  const Options& Opt() const { return options_; }

 private:
  const Options& options_;
  CKelvane link_;
  bool connected_ = false;
};

// Prints a usage message naming the problem and returns kUsage.
int UsageError(const std::string& why);

int RunInfo(CSession& s);
int RunConfig(CSession& s);
int RunChannels(CSession& s);
int RunName(CSession& s);
int RunMac(CSession& s);
int RunTime(CSession& s);
int RunWarnReset(CSession& s);
int RunClearHistory(CSession& s);
int RunBattery(CSession& s);
int RunDownload(CSession& s);

}  // namespace kelvanetool
