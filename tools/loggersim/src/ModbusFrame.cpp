#include "loggersim/ModbusFrame.h"

#include <algorithm>

namespace loggersim {

uint16_t Crc16(const uint8_t* data, size_t length)
{
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    }
    return crc;
}

void AppendCrc(Bytes& frame)
{
    const uint16_t crc = Crc16(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
}

bool CrcMatches(const Bytes& frame)
{
    if (frame.size() < 3)
        return false;
    const uint16_t crc = Crc16(frame.data(), frame.size() - 2);
    return frame[frame.size() - 2] == (crc & 0xFF) && frame[frame.size() - 1] == (crc >> 8);
}

bool IsReadFunction(uint8_t function) { return function == 0x03 || function == 0x09 || function == 0x22; }
bool IsWriteFunction(uint8_t function) { return function == 0x10 || function == 0x13 || function == 0x14; }

int RequestLength(const uint8_t* data, size_t have)
{
    if (have < 2)
        return 0;
    const uint8_t function = data[1];
    if (IsReadFunction(function))
        return 8;
    if (IsWriteFunction(function))
        return have < 7 ? 0 : 9 + data[6];
    return -1;
}

bool ParseRequest(const Bytes& frame, Request& out)
{
    if (frame.size() < 8)
        return false;
    out.address = frame[0];
    out.function = frame[1];
    out.start = static_cast<uint16_t>(frame[2] << 8 | frame[3]);
    out.count = static_cast<uint16_t>(frame[4] << 8 | frame[5]);
    out.isWrite = IsWriteFunction(out.function);
    out.data.clear();
    if (IsReadFunction(out.function))
        return frame.size() == 8;
    if (out.isWrite) {
        if (frame.size() < 9 || frame.size() != 9u + frame[6])
            return false;
        out.data.assign(frame.begin() + 7, frame.end() - 2);
        return true;
    }
    return true; // unknown function: answered with an exception by the caller
}

Bytes ReadReply(uint8_t function, const Bytes& data)
{
    Bytes reply(3 + data.size());
    reply[0] = kSlaveAddress;
    reply[1] = function;
    reply[2] = static_cast<uint8_t>(data.size());
    std::copy(data.begin(), data.end(), reply.begin() + 3);
    AppendCrc(reply);
    return reply;
}

Bytes WriteReply(uint8_t function, uint16_t start, uint16_t count)
{
    Bytes reply{kSlaveAddress,
                function,
                static_cast<uint8_t>(start >> 8),
                static_cast<uint8_t>(start & 0xFF),
                static_cast<uint8_t>(count >> 8),
                static_cast<uint8_t>(count & 0xFF)};
    AppendCrc(reply);
    return reply;
}

Bytes ExceptionReply(uint8_t function, uint8_t code)
{
    Bytes reply{kSlaveAddress, static_cast<uint8_t>(function | 0x80), code};
    AppendCrc(reply);
    return reply;
}

} // namespace loggersim
