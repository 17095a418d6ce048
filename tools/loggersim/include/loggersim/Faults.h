// Faults a simulated logger can be told to commit, so tests see how the link
// copes with a logger that misbehaves the way real ones (and radio links) do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace loggersim {

enum class FaultKind {
    SwapCrc,          // the two CRC bytes of the reply change places
    Exception,        // an exception reply with code `value` instead of the answer
    Silence,          // no answer at all
    Late,             // the answer comes `value` ms later than it would
    Truncate,         // only the first `value` bytes of the answer are sent
    HangUpAfterPages, // after `value` history pages the line drops (the pty closes)
    StopAfterPages,   // after `value` history pages the logger answers nothing more
    ZeroChannels,     // the configuration reports 0 channels
    LatePage,         // history pages only: the answer to page request `first`.. comes `value` ms late
    Double,           // the answer goes out twice, `value` ms apart
    Extra,            // `value` bytes (0x00) follow the answer's CRC: an over-long reply
    ShortValid,       // `value` data bytes are missing but the CRC is made over what is sent
};

// A rule hits requests of one function (or all) and, counting only those, the
// `first`-th and the `count` - 1 after it (count -1: every one from `first` on).
struct FaultRule {
    FaultKind kind = FaultKind::Silence;
    int function = -1;
    int first = 1;
    int count = -1;
    int value = 0;
};

// What the rules decided for one request.
struct FaultDecision {
    bool silence = false;
    bool swapCrc = false;
    bool zeroChannels = false;
    bool hangUp = false;
    int exception = 0; // 0: none
    int truncate = -1; // -1: whole reply
    int lateMs = 0;
    int doubleGapMs = -1; // -1: sent once
    int extraBytes = 0;
    int shortBy = 0;
};

class CFaultPlan {
public:
    void Add(const FaultRule& rule);
    void Clear();
    bool Empty() const { return rules_.empty(); }
    // Counts the request against every rule of its function and collects the
    // faults due. `pagesAnswered` is the number of history pages answered before
    // this request; `isPage` tells whether it asks for one.
    FaultDecision Decide(uint8_t function, bool isPage, int64_t pagesAnswered);

private:
    struct Entry {
        FaultRule rule;
        int seen = 0;
    };
    std::vector<Entry> rules_;
};

// "swap-crc", "exception", ... as profiles and the command line name them.
bool ParseFaultKind(const std::string& name, FaultKind& out);
// "KIND[:fn=F][:first=N][:count=N][:value=V]", for example "swap-crc:fn=0x03:first=2".
bool ParseFaultRule(const std::string& text, FaultRule& out, std::string* error);

} // namespace loggersim
