#include "FrameCodec.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace kelvane {

uint16_t Crc16(const unsigned char* data, std::size_t length)
{
    uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
    }
    return crc;
}

void AppendCrc(Bytes& frame)
{
    const uint16_t crc = Crc16(frame.data(), frame.size());
    frame.push_back(static_cast<unsigned char>(crc & 0xFF));
    frame.push_back(static_cast<unsigned char>(crc >> 8));
}

bool IsReadFunction(unsigned char function)
{
    return function == kReadHolding || function == kReadHistory || function == kReadMac;
}

static void PutWord(Bytes& frame, int value)
{
    frame.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
    frame.push_back(static_cast<unsigned char>(value & 0xFF));
}

Bytes BuildReadRequest(unsigned char function, int start, int count)
{
    Bytes frame{kSlave, function};
    PutWord(frame, start);
    PutWord(frame, count);
    AppendCrc(frame);
    return frame;
}

Bytes BuildWriteRequest(unsigned char function, int start, const Bytes& data)
{
    Bytes frame{kSlave, function};
    PutWord(frame, start);
    PutWord(frame, static_cast<int>(data.size() / 2));
    frame.push_back(static_cast<unsigned char>(data.size()));
    frame.insert(frame.end(), data.begin(), data.end());
    AppendCrc(frame);
    return frame;
}

bool CheckIntegrity(const Bytes& reply)
{
    if (reply.size() < 7)
        return false;
    const uint16_t crc = Crc16(reply.data(), reply.size() - 2);
    return reply[reply.size() - 2] == (crc & 0xFF) && reply[reply.size() - 1] == (crc >> 8);
}

bool CheckConfirmation(const Bytes& request, const Bytes& reply)
{
    if (request.size() < 6 || reply.size() < 6 || reply[1] != request[1])
        return false;
    if (IsReadFunction(request[1]))
        return reply[2] == 2 * ((request[4] << 8) | request[5]);
    return reply[5] == request[5];
}

bool CheckLength(const Bytes& request, const Bytes& reply)
{
    if (request.size() < 2 || reply.size() < 3)
        return false;
    if (IsReadFunction(request[1]))
        return reply.size() == static_cast<std::size_t>(reply[2]) + 5;
    return reply.size() == 8;
}

bool ValidReply(const Bytes& request, const Bytes& reply)
{
    return CheckIntegrity(reply) && CheckConfirmation(request, reply) && CheckLength(request, reply);
}

int ExpectedReplyLength(const unsigned char* request, int length)
{
    if (length < 6)
        return 0;
    if (IsReadFunction(request[1]))
        return 5 + 2 * ((request[4] << 8) | request[5]);
    return 8;
}

int AnnouncedReplyLength(const unsigned char* request, int requestLength,
                         const unsigned char* reply, int replyLength)
{
    if (replyLength >= 2) {
        const unsigned char function = reply[1];
        if (function & 0x80)
            return 5;
        if (function == kWriteMultiple || function == kClearHistory || function == kStartTime)
            return 8;
        if (IsReadFunction(function) && replyLength >= 3)
            return reply[2] + 5;
    }
    return ExpectedReplyLength(request, requestLength);
}

bool ReplyComplete(const unsigned char* request, int requestLength,
                   const unsigned char* reply, int replyLength)
{
    const int announced = AnnouncedReplyLength(request, requestLength, reply, replyLength);
    return announced > 0 && replyLength >= announced;
}

Bytes ReplyData(const Bytes& reply)
{
    if (reply.size() < 5)
        return {};
    const std::size_t count = std::min<std::size_t>(reply[2], reply.size() - 5);
    return Bytes(reply.begin() + 3, reply.begin() + 3 + static_cast<std::ptrdiff_t>(count));
}

static std::string HexBytes(const Bytes& bytes, const char* format)
{
    std::string text;
    char piece[8];
    for (unsigned char b : bytes) {
        std::snprintf(piece, sizeof piece, format, b);
        text += piece;
    }
    return text;
}

std::string BlockText(const Bytes& data)
{
    std::string text;
    char piece[4];
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::snprintf(piece, sizeof piece, "%02x", data[i]);
        if (i)
            text += ',';
        text += piece;
    }
    return text;
}

bool ParseBlockText(const std::string& text, int count, Bytes& data)
{
    data.clear();
    if (count <= 0 || text.empty())
        return false;
    std::size_t pos = 0;
    while (static_cast<int>(data.size()) < count && pos <= text.size()) {
        std::size_t comma = text.find(',', pos);
        if (comma == std::string::npos)
            comma = text.size();
        const std::string piece = text.substr(pos, comma - pos);
        data.push_back(static_cast<unsigned char>(std::strtoul(piece.c_str(), nullptr, 16)));
        pos = comma + 1;
    }
    return static_cast<int>(data.size()) == count;
}

std::string SentText(const Bytes& request)
{
    return "发送：" + HexBytes(request, "%02x ") + "\r\n";
}

std::string ReceivedText(const Bytes& reply)
{
    return "接收：" + HexBytes(reply, "%02X");
}

}  // namespace kelvane
