// The library's one diagnostic channel: failure reports (syslog unless a sink
// is installed) and the optional exchange trace.
#pragma once

#include "Kelvane.h"

#include <string>

namespace kelvane {

void SetDiagnosticSink(CKelvane::DiagnosticSink sink);
void SetTraceSink(CKelvane::TraceSink sink);

// Reports text under source; the first string is "<source> error: <errno>"
// with errno as it is on entry. Never changes errno.
void Report(const std::string& source, const std::string& text);
void Trace(const std::string& source, const std::string& text);

// "WARNING: %s Failed with the following error (code:%d): \n%s"
std::string WarningText(const char* operation, unsigned long error);

std::wstring Widen(const std::string& utf8);

}  // namespace kelvane
