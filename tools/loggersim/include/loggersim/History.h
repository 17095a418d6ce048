// The history memory of a simulated logger. A generated history is a formula
// (start time, interval, count, a value pattern per channel), so a logger can
// hold hundreds of thousands of frames without storing them; an explicit
// history is a list of frames, empty slots included, for exact test data.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "loggersim/CivilTime.h"

namespace loggersim {

// Channel values in the logger's unit; raw = value × 10 as a signed 16-bit number.
struct ValuePattern {
    double base = 0.0;      // value of frame 0
    double amplitude = 0.0; // sine swing around the base
    int64_t period = 0;     // frames per sine period; 0 = no swing
    double step = 0.0;      // added per frame (a ramp)
};

struct HistoryFrame {
    bool empty = false;            // an erased slot: every byte 0xFF
    std::array<uint16_t, 2> raw{}; // per channel, as stored (two's complement)
    DateTime time;
    friend bool operator==(const HistoryFrame&, const HistoryFrame&) = default;
};

class CHistory {
public:
    CHistory() = default;
    static CHistory Generated(const DateTime& start, int intervalSeconds, int64_t count,
                              const std::vector<ValuePattern>& channels);
    static CHistory Explicit(std::vector<HistoryFrame> frames);

    int64_t Count() const { return generated_ ? count_ : static_cast<int64_t>(frames_.size()); }
    bool IsGenerated() const { return generated_; }
    HistoryFrame FrameAt(int64_t index) const;
    // Writes frame `index` as the logger stores it: one big-endian word per channel,
    // then year-within-century, month, day, hour, minute, second in BCD, padded with
    // zeros to frameBytes. An index past the end reads as erased memory (0xFF).
    void Encode(int64_t index, int channels, int frameBytes, uint8_t* out) const;
    // Index of the first frame stamped at or after `time` (Count() when none is).
    int64_t FirstAtOrAfter(const DateTime& time) const;
    void Clear();

private:
    bool generated_ = false;
    DateTime start_;
    int interval_ = 1;
    int64_t count_ = 0;
    std::vector<ValuePattern> patterns_;
    std::vector<HistoryFrame> frames_;
};

uint16_t RawFromValue(double value);

} // namespace loggersim
