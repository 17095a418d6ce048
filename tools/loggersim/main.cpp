// loggersim: simulated loggers on pseudo-terminals, linked as dev/COM<n> in a
// program folder, so the program and the kelvane tool talk to them like to real
// loggers. Runs until SIGINT or SIGTERM, then removes its links.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "PortMap.h"
#include "QuillmarkVersion.h"
#include "loggersim/Profile.h"
#include "loggersim/Simulator.h"

namespace {

void Usage(FILE* to)
{
    std::fprintf(to,
                 "usage: loggersim [--folder DIR] [--profile FILE]... [--demo NAME]... [--pacing on|off]\n"
                 "                 [--fault LOGGER=RULE]...\n"
                 "\n"
                 "Starts one simulated logger per profile section (and per --demo), each on its own\n"
                 "pseudo-terminal linked as DIR/dev/COM<n>, prints \"LOGGER COM<n> PTY\" per logger and\n"
                 "then \"ready\", and runs until interrupted. Without --profile and --demo it starts\n"
                 "the demo loggers th and t.\n"
                 "\n"
                 "  --folder DIR      program folder (default: $QUILLMARK_FOLDER, else the folder\n"
                 "                    of this executable; installed: the user's data folder\n"
                 "                    $XDG_DATA_HOME/quillmark, else ~/.local/share/quillmark)\n"
                 "  --profile FILE    logger profiles (format below)\n"
                 "  --demo NAME       a built-in logger: th (temperature + humidity) or t (temperature)\n"
                 "  --pacing on|off   reply at the line's byte rate (default: as the profiles say, on)\n"
                 "  --fault L=RULE    add a fault to logger L, RULE as the profile key 'fault'\n"
                 "  --version         the program's name and version\n"
                 "\n%s",
                 loggersim::ProfileHelp());
}

} // namespace

int main(int argc, char** argv)
{
    if (QmPrintVersion(argc, argv, "loggersim"))
        return 0;
    std::string folder;
    std::vector<loggersim::LoggerProfile> profiles;
    std::vector<std::pair<std::string, std::string>> faults;
    int pacing = -1;
    std::string error;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--help" || a == "-h") {
            Usage(stdout);
            return 0;
        } else if (a == "--folder" && hasValue) {
            folder = argv[++i];
        } else if (a == "--profile" && hasValue) {
            if (!loggersim::LoadProfiles(argv[++i], profiles, &error)) {
                std::fprintf(stderr, "loggersim: %s\n", error.c_str());
                return 2;
            }
        } else if (a == "--demo" && hasValue) {
            loggersim::LoggerProfile p;
            if (!loggersim::DemoProfile(argv[++i], p)) {
                std::fprintf(stderr, "loggersim: no demo logger '%s' (th, t)\n", argv[i]);
                return 2;
            }
            profiles.push_back(p);
        } else if (a == "--pacing" && hasValue) {
            const std::string v = argv[++i];
            if (v != "on" && v != "off") {
                Usage(stderr);
                return 2;
            }
            pacing = v == "on";
        } else if (a == "--fault" && hasValue) {
            const std::string v = argv[++i];
            const size_t eq = v.find('=');
            if (eq == std::string::npos) {
                std::fprintf(stderr, "loggersim: --fault wants LOGGER=RULE\n");
                return 2;
            }
            faults.emplace_back(v.substr(0, eq), v.substr(eq + 1));
        } else {
            std::fprintf(stderr, "loggersim: unknown or incomplete option '%s'\n\n", a.c_str());
            Usage(stderr);
            return 2;
        }
    }
    if (profiles.empty()) {
        for (const std::string& name : loggersim::DemoProfileNames()) {
            loggersim::LoggerProfile p;
            loggersim::DemoProfile(name, p);
            profiles.push_back(p);
        }
    }
    for (const auto& [name, text] : faults) {
        loggersim::FaultRule rule;
        if (!loggersim::ParseFaultRule(text, rule, &error)) {
            std::fprintf(stderr, "loggersim: --fault %s: %s\n", name.c_str(), error.c_str());
            return 2;
        }
        bool found = false;
        for (auto& p : profiles)
            if (p.name == name)
                p.faults.push_back(rule), found = true;
        if (!found) {
            std::fprintf(stderr, "loggersim: --fault: no logger named '%s'\n", name.c_str());
            return 2;
        }
    }
    if (folder.empty())
        folder = kelvane::ProgramFolder();

    // Wait for the signals with sigwait, so the logger threads never see them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    loggersim::CSimulator sim(folder);
    for (auto& p : profiles) {
        loggersim::CSimLogger& logger = sim.Add(p);
        if (pacing >= 0)
            logger.SetPacing(pacing == 1);
    }
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "loggersim: %s\n", error.c_str());
        return 1;
    }
    for (auto& e : sim.Loggers()) {
        const loggersim::LoggerState s = e.Logger().Device().State();
        std::printf("%s COM%d %s sn=%s baud=%d channels=%zu frames=%lld\n", e.Logger().Name().c_str(), e.com,
                    e.Logger().SlavePath().c_str(), s.sn.c_str(), s.baud, s.channels.size(),
                    static_cast<long long>(e.Logger().Device().StoredFrames()));
    }
    std::printf("ready\n");
    std::fflush(stdout);

    int sig = 0;
    sigwait(&stopSignals, &sig);
    sim.Stop();
    return 0;
}
