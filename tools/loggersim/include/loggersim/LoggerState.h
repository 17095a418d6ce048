// Everything a simulated logger knows about itself, as plain data. Profiles fill
// it, the register map encodes it into register blocks and decodes writes back
// into it, and tests read it to check what a command changed.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "loggersim/CivilTime.h"

namespace loggersim {

struct Version {
    int major = 1, minor = 0, patch = 0;
    friend bool operator==(const Version&, const Version&) = default;
};

struct Interval {
    int hours = 0, minutes = 0, seconds = 0;
    int TotalSeconds() const { return hours * 3600 + minutes * 60 + seconds; }
    friend bool operator==(const Interval&, const Interval&) = default;
};

struct ChannelState {
    int type = 1;        // channel type code
    int alarmSwitch = 0; // 0 off, 1 on
    int word3Low = 0;
    float alarmUpper = 0.0f;
    float alarmLower = 0.0f;
    int upperBound = 0; // signed 16 bit
    int lowerBound = 0;
    // The block as last written, so registers nobody decodes keep their bytes.
    std::array<uint8_t, 32> raw{};
};

// Start and stop modes as the program's dialogs store them.
enum StartMode { kStartTimed = 1, kStartKey = 2 };
enum StopMode { kStopFifo = 0, kStopTimed = 1, kStopKey = 2, kStopWhenFull = 4 };

struct LoggerState {
    // identity (basic block 0x0000-0x001F)
    std::string sn = "A1B200001"; // four hex digits then five decimal digits, see SerialRegisters
    std::string cardName;         // bytes as stored on the logger (GBK allowed), at most 10
    std::array<uint8_t, 6> mac{}; // in the order the program prints it
    int deviceType = 1;
    Version software{1, 0, 0};
    Version hardware{1, 0, 0};
    uint16_t word0A = 0;
    int frameBytes = 10;
    bool memoryFull = false; // reported as full even when frames do not fill the memory
    uint32_t memoryBytes = 2 * 1024 * 1024;
    uint32_t counter1 = 0;
    uint32_t counter3 = 0;
    std::array<uint8_t, 64> basicRaw{};

    // recording configuration (block 0x0100-0x011B)
    int stopMode = kStopFifo;
    int startMode = kStartTimed;
    DateTime startTime;
    DateTime stopTime;
    uint16_t word107 = 0;
    Interval recordInterval{0, 1, 0};
    Interval secondInterval{0, 0, 0};
    // Key-start loggers report this as stored; timed-start loggers derive it from
    // their clock and the start and stop times (see CLoggerDevice::RecordingNow).
    int recordingState = 0;
    int word111High = 0;
    std::array<uint8_t, 56> configRaw{};

    std::vector<ChannelState> channels{ChannelState{}};
    std::array<uint16_t, 10> alarmRegisters{}; // 0x0200-0x0209: pending alarm flags

    int baud = 115200;

    // What commands did, for tests to check.
    DateTime downloadStart; // last start time received with 0x14 (all zero = everything)
    int clearCount = 0;     // history erases
    int alarmResets = 0;    // writes to 0x0200
};

// The serial number text is d2 "%02X", d3 "%02X", then register 0x0000 "%05d".
// Splits a nine-character text into those values; false when it cannot be
// produced that way (not hex, not decimal, above 65535).
bool SerialRegisters(const std::string& sn, uint8_t& d2, uint8_t& d3, uint16_t& number);
std::string SerialText(uint8_t d2, uint8_t d3, uint16_t number);

} // namespace loggersim
