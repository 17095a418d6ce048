// Modbus RTU framing as the simulated logger sees it: the CRC, where a request
// ends on the wire, and the reply shapes. Pure functions on byte vectors so the
// framing is checked without a port.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace loggersim {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kSlaveAddress = 0x01;

// Modbus exception codes a logger answers with.
enum ExceptionCode : uint8_t {
    kIllegalFunction = 0x01,
    kIllegalAddress = 0x02,
    kIllegalValue = 0x03,
};

uint16_t Crc16(const uint8_t* data, size_t length);
// Appends the CRC, low byte first.
void AppendCrc(Bytes& frame);
// True when the last two bytes are the CRC of the rest.
bool CrcMatches(const Bytes& frame);

// Bytes a request of this function occupies once `have` bytes of it are known:
// 0 when more bytes are needed to tell, -1 for a function whose shape is unknown
// (the frame then ends at the first pause on the line).
int RequestLength(const uint8_t* data, size_t have);

struct Request {
    uint8_t address = 0;
    uint8_t function = 0;
    uint16_t start = 0;
    uint16_t count = 0;
    Bytes data; // write functions: the data bytes after the byte count
    bool isWrite = false;
};

// Splits a CRC-checked request; false when its shape does not match its function
// (a write whose byte count disagrees with the frame length, a short frame).
bool ParseRequest(const Bytes& frame, Request& out);

bool IsReadFunction(uint8_t function);  // 0x03 and the private reads 0x09, 0x22
bool IsWriteFunction(uint8_t function); // 0x10 and the private writes 0x13, 0x14

Bytes ReadReply(uint8_t function, const Bytes& data);
Bytes WriteReply(uint8_t function, uint16_t start, uint16_t count);
Bytes ExceptionReply(uint8_t function, uint8_t code);

} // namespace loggersim
