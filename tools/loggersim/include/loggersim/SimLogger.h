// One simulated logger on its own pseudo-terminal: a thread reads request
// frames from the pty master, lets CLoggerDevice answer them, applies the
// injected faults and writes the reply back at the pace of the line.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "loggersim/Faults.h"
#include "loggersim/LoggerDevice.h"
#include "loggersim/Profile.h"

namespace loggersim {

class CSimLogger {
public:
    explicit CSimLogger(const LoggerProfile& profile);
    ~CSimLogger();
    CSimLogger(const CSimLogger&) = delete;
    CSimLogger& operator=(const CSimLogger&) = delete;

    // Opens the pty and starts answering. With a link path (".../dev/COM3") the
    // logger also keeps a symbolic link there pointing at its pty, re-pointed when
    // the line is re-created after a hang-up and removed by Stop.
    bool Start(const std::string& linkPath = {}, std::string* error = nullptr);
    void Stop();
    bool Running() const { return running_; }

    const std::string& Name() const { return name_; }
    std::string SlavePath() const; // /dev/pts/N of the current line
    const std::string& LinkPath() const { return linkPath_; }

    CLoggerDevice& Device() { return device_; }
    const CLoggerDevice& Device() const { return device_; }

    // Replies go out at 10 bits per byte of the logger's baud rate when pacing is
    // on (the default); tests of logic turn it off.
    void SetPacing(bool on) { pacing_ = on; }
    bool Pacing() const { return pacing_; }

    void AddFault(const FaultRule& rule);
    void ClearFaults();

    // Every request frame that arrived at the logger's baud rate, in order (also
    // those with a bad CRC, which get no answer).
    std::vector<Bytes> Requests() const;
    void ClearRequests();
    int RepliesSent() const { return replies_; }
    int Ignored() const { return ignored_; } // bytes dropped for a baud mismatch
    int HangUps() const { return hangUps_; }
    // Called on the logger's thread with each request before it is answered.
    void SetRequestHook(std::function<void(const Bytes&)> hook);

private:
    bool OpenLine(std::string* error);
    void CloseLine();
    bool PointLink(std::string* error);
    void Run();
    void HandleFrame(const Bytes& frame);
    bool LineBaudMatches() const;
    bool WaitMs(double ms); // false when Stop interrupts the wait
    void SendPaced(const Bytes& reply, size_t requestBytes);

    std::string name_;
    CLoggerDevice device_;
    std::string linkPath_;
    int master_ = -1;
    int slaveKeep_ = -1; // keeps the line up while no client has it open
    int wake_[2] = {-1, -1};
    std::string slavePath_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> pacing_{true};
    std::atomic<int> replies_{0};
    std::atomic<int> ignored_{0};
    std::atomic<int> hangUps_{0};
    int64_t pagesAnswered_ = 0;

    mutable std::mutex mutex_; // faults, requests, hook, slave path
    CFaultPlan faults_;
    std::vector<Bytes> requests_;
    std::function<void(const Bytes&)> hook_;
};

} // namespace loggersim
