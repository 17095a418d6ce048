#include "loggersim/History.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace loggersim {

uint16_t RawFromValue(double value)
{
    const long tenths = std::clamp(std::lround(value * 10.0), -32768L, 32767L);
    return static_cast<uint16_t>(static_cast<int16_t>(tenths));
}

CHistory CHistory::Generated(const DateTime& start, int intervalSeconds, int64_t count,
                             const std::vector<ValuePattern>& channels)
{
    CHistory h;
    h.generated_ = true;
    h.start_ = start;
    h.interval_ = std::max(1, intervalSeconds);
    h.count_ = std::max<int64_t>(0, count);
    h.patterns_ = channels;
    return h;
}

CHistory CHistory::Explicit(std::vector<HistoryFrame> frames)
{
    CHistory h;
    h.frames_ = std::move(frames);
    return h;
}

HistoryFrame CHistory::FrameAt(int64_t index) const
{
    if (index < 0 || index >= Count())
        return HistoryFrame{true, {0xFFFF, 0xFFFF}, {}};
    if (!generated_)
        return frames_[static_cast<size_t>(index)];
    HistoryFrame f;
    f.time = FromCivilSeconds(ToCivilSeconds(start_) + index * interval_);
    for (size_t k = 0; k < patterns_.size() && k < f.raw.size(); ++k) {
        const ValuePattern& p = patterns_[k];
        double v = p.base + p.step * static_cast<double>(index);
        if (p.period > 0)
            v += p.amplitude
                 * std::sin(2.0 * std::numbers::pi * static_cast<double>(index % p.period)
                            / static_cast<double>(p.period));
        f.raw[k] = RawFromValue(v);
    }
    return f;
}

void CHistory::Encode(int64_t index, int channels, int frameBytes, uint8_t* out) const
{
    std::memset(out, 0, static_cast<size_t>(frameBytes));
    const HistoryFrame f = FrameAt(index);
    if (f.empty) {
        std::memset(out, 0xFF, static_cast<size_t>(frameBytes));
        return;
    }
    int o = 0;
    for (int k = 0; k < channels && o + 1 < frameBytes; ++k, o += 2) {
        const uint16_t raw = k < static_cast<int>(f.raw.size()) ? f.raw[static_cast<size_t>(k)] : 0;
        out[o] = static_cast<uint8_t>(raw >> 8);
        out[o + 1] = static_cast<uint8_t>(raw & 0xFF);
    }
    const int stamp[6] = {f.time.year % 100, f.time.month, f.time.day, f.time.hour, f.time.minute, f.time.second};
    for (int i = 0; i < 6 && o < frameBytes; ++i)
        out[o++] = ToBcd(stamp[i]);
}

int64_t CHistory::FirstAtOrAfter(const DateTime& time) const
{
    const int64_t target = ToCivilSeconds(time);
    if (generated_) {
        const int64_t offset = target - ToCivilSeconds(start_);
        if (offset <= 0)
            return 0;
        return std::min(count_, (offset + interval_ - 1) / interval_);
    }
    for (size_t i = 0; i < frames_.size(); ++i)
        if (!frames_[i].empty && ToCivilSeconds(frames_[i].time) >= target)
            return static_cast<int64_t>(i);
    return Count();
}

void CHistory::Clear()
{
    count_ = 0;
    frames_.clear();
}

} // namespace loggersim
