// Frames of the loggers' Modbus RTU dialect as pure functions on bytes, so the
// wire format is checked with fixed vectors and no port.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kelvane {

using Bytes = std::vector<unsigned char>;

constexpr unsigned char kSlave = 0x01;
constexpr unsigned char kReadHolding = 0x03;
constexpr unsigned char kWriteMultiple = 0x10;
constexpr unsigned char kReadHistory = 0x09;
constexpr unsigned char kClearHistory = 0x13;
constexpr unsigned char kStartTime = 0x14;
constexpr unsigned char kReadMac = 0x22;

// CRC-16/MODBUS; sent low byte first.
uint16_t Crc16(const unsigned char* data, std::size_t length);
void AppendCrc(Bytes& frame);

bool IsReadFunction(unsigned char function);

// address, function, start hi/lo, count hi/lo, CRC.
Bytes BuildReadRequest(unsigned char function, int start, int count);
// address, function, start hi/lo, count hi/lo, byte count, data, CRC;
// count = data.size() / 2.
Bytes BuildWriteRequest(unsigned char function, int start, const Bytes& data);

// At least 7 bytes and the last two bytes are the CRC of the others.
bool CheckIntegrity(const Bytes& reply);
// The reply answers this request: same function, and for reads the byte count
// the request asked for, for writes the same low byte of the register count.
// An exception reply (function | 0x80) never confirms.
bool CheckConfirmation(const Bytes& request, const Bytes& reply);
// The reply is exactly as long as it says: byte count + 5 for a read reply,
// 8 for a write reply. A shorter reply (even one whose CRC holds) or one with
// bytes after its CRC is not a reply to trust.
bool CheckLength(const Bytes& request, const Bytes& reply);
// Integrity, then confirmation, then the exact length.
bool ValidReply(const Bytes& request, const Bytes& reply);

// Length of a complete normal reply to the request: 5 + 2 x count for reads,
// 8 for writes.
int ExpectedReplyLength(const unsigned char* request, int length);
// The length the bytes received so far announce for themselves: 5 for an
// exception reply, byte count + 5 for a read reply, 8 for a write reply; what
// the request expects while the reply has not said yet.
int AnnouncedReplyLength(const unsigned char* request, int requestLength,
                         const unsigned char* reply, int replyLength);
// The bytes so far reach the length they announce (a whole normal reply or a
// whole exception reply), so waiting longer would not change the verdict.
bool ReplyComplete(const unsigned char* request, int requestLength,
                   const unsigned char* reply, int replyLength);

// The data bytes of a validated read reply.
Bytes ReplyData(const Bytes& reply);

// "%02x" per byte joined by ",": how a block read is kept for its write-back.
std::string BlockText(const Bytes& data);
// The block text back into bytes; false unless it holds at least count bytes.
bool ParseBlockText(const std::string& text, int count, Bytes& data);

// "发送：" + "%02x " per request byte + "\r\n"
std::string SentText(const Bytes& request);
// "接收：" + "%02X" per reply byte
std::string ReceivedText(const Bytes& reply);

}  // namespace kelvane
