#include "loggersim/LoggerDevice.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace loggersim {

namespace {

constexpr uint16_t kBasicBase = 0x0000;
constexpr uint16_t kConfigBase = 0x0100;
constexpr uint16_t kClockBase = 0x01E0;
constexpr uint16_t kAlarmBase = 0x0200;
constexpr uint16_t kChannel1Base = 0x1000;
constexpr uint16_t kChannel2Base = 0x1080;
constexpr uint16_t kNameBase = 0x3000;
constexpr int kMaxName = 10;

void Put16(Bytes& d, size_t at, uint32_t v)
{
    d[at] = static_cast<uint8_t>(v >> 8 & 0xFF);
    d[at + 1] = static_cast<uint8_t>(v & 0xFF);
}
uint16_t Get16(const Bytes& d, size_t at) { return static_cast<uint16_t>(d[at] << 8 | d[at + 1]); }

// 32-bit numbers span two registers, low register first.
void Put32LowFirst(Bytes& d, size_t at, uint32_t v)
{
    Put16(d, at, v & 0xFFFF);
    Put16(d, at + 2, v >> 16);
}

void PutFloat(Bytes& d, size_t at, float f) { Put32LowFirst(d, at, std::bit_cast<uint32_t>(f)); }
float GetFloat(const Bytes& d, size_t at)
{
    return std::bit_cast<float>(static_cast<uint32_t>(Get16(d, at + 2)) << 16 | Get16(d, at));
}

// hour, minute, month, day, century, year: the configuration block's time layout
void PutConfigTime(Bytes& d, size_t at, const DateTime& t)
{
    const int v[6] = {t.hour, t.minute, t.month, t.day, t.year / 100, t.year % 100};
    for (int i = 0; i < 6; ++i)
        d[at + static_cast<size_t>(i)] = ToBcd(v[i]);
}

bool GetBcdFields(const Bytes& d, const size_t* at, int n, int* out)
{
    for (int i = 0; i < n; ++i) {
        out[i] = FromBcd(d[at[i]]);
        if (out[i] < 0)
            return false;
    }
    return true;
}

bool GetConfigTime(const Bytes& d, size_t at, DateTime& t)
{
    const size_t idx[6] = {at, at + 1, at + 2, at + 3, at + 4, at + 5};
    int v[6];
    if (!GetBcdFields(d, idx, 6, v))
        return false;
    t = DateTime{v[4] * 100 + v[5], v[2], v[3], v[0], v[1], t.second};
    return true;
}

// minutes, seconds at `at`, hours three bytes further on
void PutInterval(Bytes& d, size_t at, const Interval& i)
{
    d[at] = ToBcd(i.minutes);
    d[at + 1] = ToBcd(i.seconds);
    d[at + 3] = ToBcd(i.hours);
}

bool GetInterval(const Bytes& d, size_t at, Interval& i)
{
    const size_t idx[3] = {at + 3, at, at + 1};
    int v[3];
    if (!GetBcdFields(d, idx, 3, v))
        return false;
    i = Interval{v[0], v[1], v[2]};
    return true;
}

} // namespace

CLoggerDevice::CLoggerDevice(LoggerState state, CHistory history)
    : state_(std::move(state)), history_(std::move(history))
{
    SetClock(LocalNow());
}

LoggerState CLoggerDevice::State() const
{
    std::lock_guard lock(mutex_);
    LoggerState s = state_;
    s.recordingState = RecordingNowLocked();
    s.memoryFull = MemoryFullLocked();
    return s;
}

void CLoggerDevice::Update(const std::function<void(LoggerState&)>& change)
{
    std::lock_guard lock(mutex_);
    change(state_);
}

CHistory CLoggerDevice::History() const
{
    std::lock_guard lock(mutex_);
    return history_;
}

void CLoggerDevice::SetHistory(CHistory history)
{
    std::lock_guard lock(mutex_);
    history_ = std::move(history);
    downloadFirst_ = 0;
    cursor_ = 0;
}

int64_t CLoggerDevice::StoredFrames() const
{
    std::lock_guard lock(mutex_);
    return history_.Count();
}

DateTime CLoggerDevice::Clock() const
{
    std::lock_guard lock(mutex_);
    return FromCivilSeconds(ClockSecondsLocked());
}

void CLoggerDevice::SetClock(const DateTime& now)
{
    std::lock_guard lock(mutex_);
    clockBase_ = ToCivilSeconds(now);
    clockRef_ = std::chrono::steady_clock::now();
}

int64_t CLoggerDevice::ReadCursor() const
{
    std::lock_guard lock(mutex_);
    return cursor_;
}

int64_t CLoggerDevice::PagesServed() const
{
    std::lock_guard lock(mutex_);
    return pagesServed_;
}

int64_t CLoggerDevice::ClockSecondsLocked() const
{
    const auto elapsed = std::chrono::steady_clock::now() - clockRef_;
    return clockBase_ + std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
}

bool CLoggerDevice::MemoryFullLocked() const
{
    if (state_.memoryFull)
        return true;
    return state_.frameBytes > 0 && history_.Count() >= static_cast<int64_t>(state_.memoryBytes / state_.frameBytes);
}

// A timed start records from its start time until a stop time that lies after
// it has passed; the program stops a logger by writing the current time as the
// stop time and starts one by writing the current time as the start time, so
// this rule follows what it does. A key-start logger reports what was stored.
int CLoggerDevice::RecordingNowLocked() const
{
    if (state_.startMode != kStartTimed)
        return state_.recordingState;
    if (state_.startTime.IsZero())
        return 0;
    const int64_t now = ClockSecondsLocked();
    const int64_t start = ToCivilSeconds(state_.startTime);
    if (now < start)
        return 0;
    if (!state_.stopTime.IsZero()) {
        const int64_t stop = ToCivilSeconds(state_.stopTime);
        if (stop >= start && now >= stop)
            return 0;
    }
    if (state_.stopMode == kStopWhenFull && MemoryFullLocked())
        return 0;
    return 1;
}

std::optional<CLoggerDevice::Block> CLoggerDevice::FindBlock(uint16_t start, uint16_t count) const
{
    const int channels = static_cast<int>(state_.channels.size());
    const Block blocks[] = {
        {kBasicBase, 32, false},
        {kConfigBase, 28, true},
        {kClockBase, 4, true},
        {kAlarmBase, 10, true},
        {kChannel1Base, static_cast<uint16_t>(channels >= 1 ? 16 : 0), true},
        {kChannel2Base, static_cast<uint16_t>(channels >= 2 ? 16 : 0), true},
        {kNameBase, 6, true},
    };
    for (const Block& b : blocks)
        if (start >= b.base && start + count <= b.base + b.size)
            return b;
    return std::nullopt;
}

Bytes CLoggerDevice::EncodeBlock(uint16_t base) const
{
    const LoggerState& s = state_;
    Bytes d;
    switch (base) {
    case kBasicBase: {
        d.assign(s.basicRaw.begin(), s.basicRaw.end());
        uint8_t d2 = 0, d3 = 0;
        uint16_t number = 0;
        SerialRegisters(s.sn, d2, d3, number);
        Put16(d, 0, number);
        d[2] = d2;
        d[3] = d3;
        d[8] = static_cast<uint8_t>(s.software.minor);
        d[9] = static_cast<uint8_t>(s.software.patch);
        d[11] = static_cast<uint8_t>(s.software.major);
        d[12] = static_cast<uint8_t>(s.hardware.minor);
        d[13] = static_cast<uint8_t>(s.hardware.patch);
        d[15] = static_cast<uint8_t>(s.hardware.major);
        Put16(d, 20, s.word0A);
        d[23] = static_cast<uint8_t>(s.deviceType);
        d[26] = static_cast<uint8_t>(s.frameBytes);
        d[27] = MemoryFullLocked() ? 1 : 0;
        Put32LowFirst(d, 0x10 * 2, s.memoryBytes);
        Put32LowFirst(d, 0x12 * 2, s.counter1);
        Put16(d, 0x16 * 2, s.counter3 >> 16); // this one counter keeps its high word first
        Put16(d, 0x17 * 2, s.counter3 & 0xFFFF);
        Put32LowFirst(d, 0x1A * 2, static_cast<uint32_t>(history_.Count()));
        break;
    }
    case kConfigBase:
        d.assign(s.configRaw.begin(), s.configRaw.end());
        d[0] = static_cast<uint8_t>(s.stopMode);
        d[1] = static_cast<uint8_t>(s.startMode);
        PutConfigTime(d, 2, s.startTime);
        PutConfigTime(d, 8, s.stopTime);
        Put16(d, 14, s.word107);
        PutInterval(d, 18, s.recordInterval);
        PutInterval(d, 24, s.secondInterval);
        d[34] = static_cast<uint8_t>(s.word111High);
        d[35] = static_cast<uint8_t>(RecordingNowLocked());
        d[45] = static_cast<uint8_t>(s.channels.size());
        break;
    case kClockBase: {
        const DateTime t = FromCivilSeconds(ClockSecondsLocked());
        d = {ToBcd(t.minute), ToBcd(t.second), ToBcd(DayOfWeek(t)), ToBcd(t.hour),
             ToBcd(t.month),  ToBcd(t.day),    ToBcd(t.year / 100), ToBcd(t.year % 100)};
        break;
    }
    case kAlarmBase:
        d.assign(20, 0);
        for (size_t i = 0; i < s.alarmRegisters.size(); ++i)
            Put16(d, 2 * i, s.alarmRegisters[i]);
        break;
    case kChannel1Base:
    case kChannel2Base: {
        const ChannelState& c = s.channels[base == kChannel1Base ? 0 : 1];
        d.assign(c.raw.begin(), c.raw.end());
        d[0] = static_cast<uint8_t>(c.alarmSwitch);
        d[1] = static_cast<uint8_t>(c.type);
        d[7] = static_cast<uint8_t>(c.word3Low);
        PutFloat(d, 12, c.alarmUpper);
        PutFloat(d, 16, c.alarmLower);
        Put16(d, 20, static_cast<uint16_t>(c.upperBound));
        Put16(d, 22, static_cast<uint16_t>(c.lowerBound));
        break;
    }
    case kNameBase: {
        d.assign(12, 0);
        const size_t n = std::min<size_t>(s.cardName.size(), kMaxName);
        d[0] = static_cast<uint8_t>(n);
        // two characters per register, the first one in the low byte
        for (size_t i = 0; i < n; ++i)
            d[2 + (i ^ 1)] = static_cast<uint8_t>(s.cardName[i]);
        break;
    }
    }
    return d;
}

bool CLoggerDevice::DecodeBlock(uint16_t base, const Bytes& d)
{
    LoggerState& s = state_;
    switch (base) {
    case kConfigBase: {
        DateTime start = s.startTime, stop = s.stopTime;
        Interval record, second;
        if (!GetConfigTime(d, 2, start) || !GetConfigTime(d, 8, stop) || !GetInterval(d, 18, record)
            || !GetInterval(d, 24, second))
            return false;
        s.stopMode = d[0];
        s.startMode = d[1];
        s.startTime = start;
        s.stopTime = stop;
        s.word107 = Get16(d, 14);
        s.recordInterval = record;
        s.secondInterval = second;
        s.word111High = d[34];
        // The recording flag and the channel count are the logger's own; a write
        // carries them back unchanged and they stay as they are.
        std::copy(d.begin(), d.end(), s.configRaw.begin());
        return true;
    }
    case kClockBase: {
        const size_t idx[7] = {0, 1, 3, 4, 5, 6, 7};
        int v[7];
        if (!GetBcdFields(d, idx, 7, v))
            return false;
        DateTime t{v[5] * 100 + v[6], v[3], v[4], v[2], v[0], v[1]};
        if (!ParseDateTime(FormatDateTime(t), t))
            return false;
        clockBase_ = ToCivilSeconds(t);
        clockRef_ = std::chrono::steady_clock::now();
        return true;
    }
    case kAlarmBase:
        for (size_t i = 0; i < s.alarmRegisters.size(); ++i)
            s.alarmRegisters[i] = Get16(d, 2 * i);
        ++s.alarmResets;
        return true;
    case kChannel1Base:
    case kChannel2Base: {
        ChannelState& c = s.channels[base == kChannel1Base ? 0 : 1];
        // Type and range belong to the sensor; only the alarm settings change.
        c.alarmSwitch = d[0];
        c.word3Low = d[7];
        c.alarmUpper = GetFloat(d, 12);
        c.alarmLower = GetFloat(d, 16);
        std::copy(d.begin(), d.end(), c.raw.begin());
        return true;
    }
    case kNameBase: {
        const size_t n = std::min<size_t>(d[0], kMaxName);
        std::string name(n, '\0');
        for (size_t i = 0; i < n; ++i)
            name[i] = static_cast<char>(d[2 + (i ^ 1)]);
        s.cardName = name;
        return true;
    }
    }
    return false;
}

int64_t CLoggerDevice::ResolvePagePosition(uint16_t registerNumber, int64_t cursor, int64_t available)
{
    const int64_t span = 0x10000;
    int64_t best = registerNumber;
    const int64_t last = std::max<int64_t>(available, cursor) + span;
    for (int64_t p = registerNumber; p <= last; p += span)
        if (std::llabs(p - cursor) < std::llabs(best - cursor))
            best = p;
    return best;
}

Bytes CLoggerDevice::ReadHistoryPage(uint16_t registerNumber, uint16_t count)
{
    const int64_t available = history_.Count() - downloadFirst_;
    const int64_t position = ResolvePagePosition(registerNumber, cursor_, available);
    const size_t length = 2u * count;
    const int frameBytes = std::max(1, state_.frameBytes);
    const int channels = static_cast<int>(state_.channels.size());
    Bytes data;
    data.reserve(length + static_cast<size_t>(frameBytes));
    Bytes frame(static_cast<size_t>(frameBytes));
    int64_t index = position;
    while (data.size() < length) {
        history_.Encode(downloadFirst_ + index, channels, frameBytes, frame.data());
        if (index >= available)
            std::fill(frame.begin(), frame.end(), 0xFF);
        data.insert(data.end(), frame.begin(), frame.end());
        ++index;
    }
    data.resize(length);
    cursor_ = position + static_cast<int64_t>(length) / frameBytes;
    ++pagesServed_;
    return data;
}

std::optional<Bytes> CLoggerDevice::Handle(const Bytes& frame)
{
    Request request;
    if (frame.size() < 2 || frame[0] != kSlaveAddress)
        return std::nullopt;
    if (!ParseRequest(frame, request))
        return ExceptionReply(frame[1], kIllegalValue);
    std::lock_guard lock(mutex_);
    return HandleLocked(request);
}

std::optional<Bytes> CLoggerDevice::HandleLocked(const Request& r)
{
    const uint8_t fn = r.function;
    if (r.isWrite && r.data.size() != 2u * r.count)
        return ExceptionReply(fn, kIllegalValue);
    switch (fn) {
    case 0x03: {
        if (r.count == 0 || r.count > 125)
            return ExceptionReply(fn, kIllegalValue);
        const auto block = FindBlock(r.start, r.count);
        if (!block)
            return ExceptionReply(fn, kIllegalAddress);
        const Bytes all = EncodeBlock(block->base);
        const size_t from = 2u * (r.start - block->base);
        return ReadReply(
            fn, Bytes(all.begin() + static_cast<long>(from), all.begin() + static_cast<long>(from + 2u * r.count)));
    }
    case 0x10: {
        if (r.count == 0 || r.count > 123)
            return ExceptionReply(fn, kIllegalValue);
        const auto block = FindBlock(r.start, r.count);
        if (!block || !block->writable)
            return ExceptionReply(fn, kIllegalAddress);
        Bytes all = EncodeBlock(block->base);
        std::copy(r.data.begin(), r.data.end(), all.begin() + 2 * (r.start - block->base));
        if (!DecodeBlock(block->base, all))
            return ExceptionReply(fn, kIllegalValue);
        return WriteReply(fn, r.start, r.count);
    }
    case 0x22: {
        if (r.start != 0 || r.count != 3)
            return ExceptionReply(fn, kIllegalAddress);
        Bytes d(6);
        for (size_t i = 0; i < 6; ++i)
            d[i] = state_.mac[5 - i];
        return ReadReply(fn, d);
    }
    case 0x09: {
        if (r.start == 0 && r.count == 2) {
            // The frame count also starts a download: pages follow from frame 0.
            const uint32_t frames = static_cast<uint32_t>(std::max<int64_t>(0, history_.Count() - downloadFirst_));
            cursor_ = 0;
            Bytes d(4);
            Put32LowFirst(d, 0, frames);
            return ReadReply(fn, d);
        }
        if (r.count == 0 || r.count > 125)
            return ExceptionReply(fn, kIllegalValue);
        return ReadReply(fn, ReadHistoryPage(r.start, r.count));
    }
    case 0x13:
        if (r.start != 0 || r.count != 1)
            return ExceptionReply(fn, kIllegalAddress);
        if (r.data[0] != 0x0A || r.data[1] != 0x0A)
            return ExceptionReply(fn, kIllegalValue);
        history_.Clear();
        state_.memoryFull = false;
        downloadFirst_ = 0;
        cursor_ = 0;
        ++state_.clearCount;
        return WriteReply(fn, r.start, r.count);
    case 0x14: {
        if (r.start != 0 || r.count != 4)
            return ExceptionReply(fn, kIllegalAddress);
        DateTime from;
        if (std::any_of(r.data.begin(), r.data.begin() + 5, [](uint8_t b) { return b != 0; })) {
            const size_t idx[5] = {0, 1, 2, 3, 4};
            int v[5];
            if (!GetBcdFields(r.data, idx, 5, v))
                return ExceptionReply(fn, kIllegalValue);
            from = DateTime{2000 + v[0], v[1], v[2], v[3], v[4], 0};
            if (!ParseDateTime(FormatDateTime(from), from))
                return ExceptionReply(fn, kIllegalValue);
        }
        state_.downloadStart = from;
        downloadFirst_ = from.IsZero() ? 0 : history_.FirstAtOrAfter(from);
        cursor_ = 0;
        return WriteReply(fn, r.start, r.count);
    }
    }
    return ExceptionReply(fn, kIllegalFunction);
}

} // namespace loggersim
