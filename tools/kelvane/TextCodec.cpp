#include "TextCodec.h"

#include <iconv.h>

#include <cstdint>

namespace kelvanetool {

bool Convert(const std::string& in, const char* from, const char* to, std::string& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string src = in;
  std::string dst(in.size() * 4 + 8, '\0');
  char* s = src.data();
  size_t sLeft = src.size();
  char* d = dst.data();
  size_t dLeft = dst.size();
  const size_t rc = iconv(cd, &s, &sLeft, &d, &dLeft);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1) || sLeft != 0) return false;
  dst.resize(dst.size() - dLeft);
  out = dst;
  return true;
}

std::string CardNameForDisplay(const std::string& bytes) {
  std::string utf8;
  return Convert(bytes, "GBK", "UTF-8", utf8) ? utf8 : bytes;
}

std::string WideToUtf8(const wchar_t* text) {
  std::string out;
  for (const wchar_t* p = text; p && *p; ++p) {
    const auto c = static_cast<uint32_t>(*p);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace kelvanetool
