// Byte, BCD and time conversions the commands share. CKelvane's conversion
// members forward here so that the same code is testable without the library.
#pragma once

#include <string>

namespace kelvane {

unsigned char IntToBcd(int value);
int BcdToInt(unsigned char value);
// The byte's two hex digits read as a decimal number (0x23 -> 23); a digit
// above 9 ends the number.
int BcdDigits(unsigned char value);
// Both bytes' hex digits joined and read as a decimal number (0x20,0x24 -> 2024).
int BcdYear(unsigned char century, unsigned char year);
// Two-character fields of a formatted time text read as hex, so decimal digits
// become BCD. kind 0: "%04d-%02d-%02d %02d:%02d" -> 6 bytes; kind 1:
// "%02d:%02d:%02d" -> 3 bytes. Fields beyond the text's end give 0.
void TimeTextToBcd(unsigned char* out, const char* text, int kind);
// prefix + "%02x " per byte + "\r\n"
std::string HexLine(const char* prefix, const unsigned char* bytes, int count);
// A 16-bit register value as signed.
int SignedRegister(int value);
// Leading decimal digits of a field of count characters at text[at].
int DecimalField(const std::string& text, std::size_t at, std::size_t count);

}  // namespace kelvane
