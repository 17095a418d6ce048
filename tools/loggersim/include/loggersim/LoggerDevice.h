// The register map of one simulated logger: answers a request frame with the
// reply frame a logger would send, and keeps the state those requests read and
// change. No I/O happens here; CSimLogger puts it on a pseudo-terminal.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

#include "loggersim/History.h"
#include "loggersim/LoggerState.h"
#include "loggersim/ModbusFrame.h"

namespace loggersim {

class CLoggerDevice {
public:
    CLoggerDevice(LoggerState state, CHistory history);

    // Answers one request whose CRC has been checked. No answer (nullopt) for other
    // slave addresses and broadcasts; exception replies for functions and
    // registers a logger does not have.
    std::optional<Bytes> Handle(const Bytes& request);

    // Thread-safe views and changes, for tests and the command's status output.
    LoggerState State() const; // recordingState as the logger reports it now
    void Update(const std::function<void(LoggerState&)>& change);
    CHistory History() const;
    void SetHistory(CHistory history);
    int64_t StoredFrames() const;
    DateTime Clock() const;
    void SetClock(const DateTime& now);
    int64_t ReadCursor() const; // next frame a continuing download asks for
    int64_t PagesServed() const;

    // A page request carries its frame position as a 16-bit register number, so
    // past 65,535 frames the number wraps. Of the positions that share those 16
    // bits, the logger takes the one nearest its own read cursor (where the
    // previous page ended): a download reads pages in order, so the next page is
    // always the nearest, and a 100,000-frame download comes out whole. A position
    // at or past `available` can still be named (it reads as erased memory).
    static int64_t ResolvePagePosition(uint16_t registerNumber, int64_t cursor, int64_t available);

private:
    struct Block {
        uint16_t base;
        uint16_t size;
        bool writable;
    };
    std::optional<Block> FindBlock(uint16_t start, uint16_t count) const;
    Bytes EncodeBlock(uint16_t base) const;
    bool DecodeBlock(uint16_t base, const Bytes& data); // false: a value the logger refuses
    int RecordingNowLocked() const;
    int64_t ClockSecondsLocked() const;
    bool MemoryFullLocked() const;
    Bytes ReadHistoryPage(uint16_t registerNumber, uint16_t count);
    std::optional<Bytes> HandleLocked(const Request& request);

    mutable std::mutex mutex_;
    LoggerState state_;
    CHistory history_;
    int64_t clockBase_ = 0; // civil seconds at clockRef_
    std::chrono::steady_clock::time_point clockRef_;
    int64_t downloadFirst_ = 0; // first frame of the download's start time
    int64_t cursor_ = 0;        // relative to downloadFirst_
    int64_t pagesServed_ = 0;
};

} // namespace loggersim
