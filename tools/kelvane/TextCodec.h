// Text conversions of the kelvane tool: card names are bytes on the logger
// (GBK when a logger was named in Chinese), the terminal speaks UTF-8.
#pragma once

#include <string>

namespace kelvanetool {

// Converts between encodings with iconv; false when the input is not valid in
// `from` or has no form in `to`.
bool Convert(const std::string& in, const char* from, const char* to, std::string& out);
// A card name as the terminal should show it: its UTF-8 form when the bytes are
// valid GBK, the bytes unchanged otherwise.
std::string CardNameForDisplay(const std::string& bytes);
std::string WideToUtf8(const wchar_t* text);

}  // namespace kelvanetool
