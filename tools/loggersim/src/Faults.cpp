#include "loggersim/Faults.h"

#include <cstdlib>
#include <sstream>

namespace loggersim {

void CFaultPlan::Add(const FaultRule& rule) { rules_.push_back(Entry{rule, 0}); }
void CFaultPlan::Clear() { rules_.clear(); }

FaultDecision CFaultPlan::Decide(uint8_t function, bool isPage, int64_t pagesAnswered)
{
    FaultDecision d;
    for (Entry& e : rules_) {
        const FaultRule& r = e.rule;
        if (r.function >= 0 && r.function != function)
            continue;
        if (r.kind == FaultKind::HangUpAfterPages || r.kind == FaultKind::StopAfterPages) {
            // Counted in pages of the download, not in requests.
            if (pagesAnswered < r.value)
                continue;
            if (r.kind == FaultKind::StopAfterPages)
                d.silence = true;
            if (r.kind == FaultKind::HangUpAfterPages && isPage && e.seen++ == 0)
                d.hangUp = true;
            continue;
        }
        // Late pages count page requests alone (a resent page is the next one).
        if (r.kind == FaultKind::LatePage && !isPage)
            continue;
        const int n = ++e.seen;
        if (n < r.first || (r.count >= 0 && n >= r.first + r.count))
            continue;
        switch (r.kind) {
        case FaultKind::SwapCrc: d.swapCrc = true; break;
        case FaultKind::Exception: d.exception = r.value ? r.value : 4; break;
        case FaultKind::Silence: d.silence = true; break;
        case FaultKind::Late: d.lateMs += r.value; break;
        case FaultKind::Truncate: d.truncate = r.value; break;
        case FaultKind::ZeroChannels: d.zeroChannels = true; break;
        case FaultKind::LatePage: d.lateMs += r.value; break;
        case FaultKind::Double: d.doubleGapMs = r.value; break;
        case FaultKind::Extra: d.extraBytes = r.value > 0 ? r.value : 1; break;
        case FaultKind::ShortValid: d.shortBy = r.value > 0 ? r.value : 1; break;
        default: break;
        }
    }
    return d;
}

bool ParseFaultKind(const std::string& name, FaultKind& out)
{
    static const struct {
        const char* name;
        FaultKind kind;
    } kinds[] = {{"swap-crc", FaultKind::SwapCrc},
                 {"exception", FaultKind::Exception},
                 {"silence", FaultKind::Silence},
                 {"late", FaultKind::Late},
                 {"truncate", FaultKind::Truncate},
                 {"hang-up-after-pages", FaultKind::HangUpAfterPages},
                 {"stop-after-pages", FaultKind::StopAfterPages},
                 {"zero-channels", FaultKind::ZeroChannels},
                 {"late-page", FaultKind::LatePage},
                 {"double", FaultKind::Double},
                 {"extra", FaultKind::Extra},
                 {"short-valid", FaultKind::ShortValid}};
    for (const auto& k : kinds)
        if (name == k.name) {
            out = k.kind;
            return true;
        }
    return false;
}

bool ParseFaultRule(const std::string& text, FaultRule& out, std::string* error)
{
    std::istringstream in(text);
    std::string part;
    std::getline(in, part, ':');
    FaultRule rule;
    if (!ParseFaultKind(part, rule.kind)) {
        if (error)
            *error = "unknown fault '" + part + "'";
        return false;
    }
    while (std::getline(in, part, ':')) {
        const size_t eq = part.find('=');
        const std::string key = part.substr(0, eq);
        char* end = nullptr;
        const long v = eq == std::string::npos ? 0 : std::strtol(part.c_str() + eq + 1, &end, 0);
        if (eq == std::string::npos || end == part.c_str() + eq + 1 || *end != '\0') {
            if (error)
                *error = "bad fault setting '" + part + "' (want key=number)";
            return false;
        }
        if (key == "fn")
            rule.function = static_cast<int>(v);
        else if (key == "first")
            rule.first = static_cast<int>(v);
        else if (key == "count")
            rule.count = static_cast<int>(v);
        else if (key == "value")
            rule.value = static_cast<int>(v);
        else {
            if (error)
                *error = "unknown fault setting '" + key + "'";
            return false;
        }
    }
    out = rule;
    return true;
}

} // namespace loggersim
