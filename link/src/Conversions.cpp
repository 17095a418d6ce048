#include "Conversions.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kelvane {

unsigned char IntToBcd(int value)
{
    return static_cast<unsigned char>(((value / 10) << 4) | (value % 10));
}

int BcdToInt(unsigned char value)
{
    return (value >> 4) * 10 + (value & 0x0F);
}

int DecimalField(const std::string& text, std::size_t at, std::size_t count)
{
    int value = 0;
    for (std::size_t i = at; i < at + count && i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            break;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

int BcdDigits(unsigned char value)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02x", value);
    return DecimalField(text, 0, 2);
}

int BcdYear(unsigned char century, unsigned char year)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02x%02x", century, year);
    return DecimalField(text, 0, 4);
}

void TimeTextToBcd(unsigned char* out, const char* text, int kind)
{
    static const int kDateFields[] = {0, 2, 5, 8, 11, 14};
    static const int kClockFields[] = {0, 3, 6};
    const int* fields = kind == 0 ? kDateFields : kClockFields;
    const int count = kind == 0 ? 6 : 3;
    const std::size_t length = text ? std::strlen(text) : 0;
    for (int i = 0; i < count; ++i) {
        char piece[3] = {0, 0, 0};
        for (int c = 0; c < 2; ++c)
            if (static_cast<std::size_t>(fields[i] + c) < length)
                piece[c] = text[fields[i] + c];
        out[i] = static_cast<unsigned char>(std::strtoul(piece, nullptr, 16));
    }
}

std::string HexLine(const char* prefix, const unsigned char* bytes, int count)
{
    std::string text = prefix ? prefix : "";
    char piece[8];
    for (int i = 0; i < count; ++i) {
        std::snprintf(piece, sizeof piece, "%02x ", bytes[i]);
        text += piece;
    }
    return text + "\r\n";
}

int SignedRegister(int value)
{
    return (value & ~0x7FFF) ? value - 65536 : value;
}

}  // namespace kelvane
