#include "loggersim/Simulator.h"

#include <sys/stat.h>

#include <set>

namespace loggersim {

CSimulator::CSimulator(std::string programFolder) : folder_(std::move(programFolder)) {}

CSimulator::~CSimulator() { Stop(); }

CSimLogger& CSimulator::Add(const LoggerProfile& profile, int com)
{
    loggers_.push_back(Entry{com ? com : profile.com, std::make_unique<CSimLogger>(profile)});
    return *loggers_.back().logger;
}

std::string CSimulator::LinkPath(int com) const { return folder_ + "/dev/COM" + std::to_string(com); }

bool CSimulator::Start(std::string* error)
{
    std::set<int> taken;
    for (const Entry& e : loggers_)
        if (e.com > 0) {
            if (!taken.insert(e.com).second) {
                if (error)
                    *error = "COM" + std::to_string(e.com) + " given to two loggers";
                return false;
            }
        }
    for (Entry& e : loggers_) {
        if (e.com > 0)
            continue;
        // The lowest number no link uses yet, so loggers join beside whatever the
        // folder already maps.
        int n = 1;
        struct stat st {};
        while (taken.count(n) || lstat(LinkPath(n).c_str(), &st) == 0)
            ++n;
        e.com = n;
        taken.insert(n);
    }
    for (Entry& e : loggers_) {
        if (!e.logger->Start(LinkPath(e.com), error)) {
            Stop();
            return false;
        }
    }
    return true;
}

void CSimulator::Stop()
{
    for (Entry& e : loggers_)
        e.logger->Stop();
}

} // namespace loggersim
