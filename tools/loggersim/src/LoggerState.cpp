#include "loggersim/LoggerState.h"

#include <cctype>
#include <cstdio>

namespace loggersim {

bool SerialRegisters(const std::string& sn, uint8_t& d2, uint8_t& d3, uint16_t& number)
{
    if (sn.size() != 9)
        return false;
    for (size_t i = 0; i < 4; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(sn[i])))
            return false;
    for (size_t i = 4; i < 9; ++i)
        if (!std::isdigit(static_cast<unsigned char>(sn[i])))
            return false;
    const unsigned long n = std::stoul(sn.substr(4));
    if (n > 0xFFFF)
        return false;
    d2 = static_cast<uint8_t>(std::stoul(sn.substr(0, 2), nullptr, 16));
    d3 = static_cast<uint8_t>(std::stoul(sn.substr(2, 2), nullptr, 16));
    number = static_cast<uint16_t>(n);
    return true;
}

std::string SerialText(uint8_t d2, uint8_t d3, uint16_t number)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02X%02X%05d", d2, d3, number);
    return buf;
}

} // namespace loggersim
