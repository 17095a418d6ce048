// A set of simulated loggers attached to a program folder: each one gets a
// "<folder>/dev/COM<n>" link to its pseudo-terminal, so the program and the
// tools find them through the port map exactly like real serial ports.
//
//   loggersim::CSimulator sim(scratchFolder);
//   auto& a = sim.Add(profileA);          // COM number from the profile, or the lowest free
//   auto& b = sim.Add(profileB, 7);       // or a chosen one
//   if (!sim.Start(&error)) ...;
//   a.ComNumber() / a.Logger().SlavePath() / a.Logger().Device().State() ...
//   sim.Stop();                           // also done by the destructor
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "loggersim/SimLogger.h"

namespace loggersim {

class CSimulator {
public:
    struct Entry {
        int com = 0;
        std::unique_ptr<CSimLogger> logger;
        int ComNumber() const { return com; }
        CSimLogger& Logger() { return *logger; }
    };

    explicit CSimulator(std::string programFolder);
    ~CSimulator();
    CSimulator(const CSimulator&) = delete;
    CSimulator& operator=(const CSimulator&) = delete;

    // com 0 takes profile.com, and when that is 0 too, the lowest number whose
    // link does not exist yet (chosen at Start).
    CSimLogger& Add(const LoggerProfile& profile, int com = 0);
    bool Start(std::string* error = nullptr);
    void Stop();

    std::vector<Entry>& Loggers() { return loggers_; }
    CSimLogger& At(size_t i) { return *loggers_.at(i).logger; }
    int ComOf(size_t i) const { return loggers_.at(i).com; }
    std::string LinkPath(int com) const;
    const std::string& ProgramFolder() const { return folder_; }

private:
    std::string folder_;
    std::vector<Entry> loggers_;
};

} // namespace loggersim
