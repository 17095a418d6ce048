// Profiles: the starting state of simulated loggers, built in code by tests or
// read from an INI-style file by the loggersim command (format in ProfileHelp()).
#pragma once

#include <string>
#include <vector>

#include "loggersim/Faults.h"
#include "loggersim/History.h"
#include "loggersim/LoggerState.h"

namespace loggersim {

struct LoggerProfile {
    std::string name = "logger"; // for messages only
    int com = 0;                 // COM number in the program folder; 0 = the lowest free one
    bool pacing = true;
    LoggerState state;
    CHistory history;
    DateTime clock; // all zero: the host's local time at start
    std::vector<FaultRule> faults;
};

// Parses profile text; on failure returns false and names the line in `error`.
bool ParseProfiles(const std::string& text, std::vector<LoggerProfile>& out, std::string* error);
bool LoadProfiles(const std::string& path, std::vector<LoggerProfile>& out, std::string* error);

// Built-in demo loggers: "th" (two channels, temperature and humidity) and "t"
// (one temperature channel), with a few hundred frames of history of which some
// lie outside the alarm limits.
std::vector<std::string> DemoProfileNames();
bool DemoProfile(const std::string& name, LoggerProfile& out);

// The profile file format, for `loggersim --help`.
const char* ProfileHelp();

// A UTF-8 text as GBK bytes (the code page loggers named in Chinese carry);
// false when it has no GBK form.
bool Utf8ToGbk(const std::string& utf8, std::string& gbk);

} // namespace loggersim
