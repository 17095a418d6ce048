#include "Diagnostics.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <syslog.h>

namespace kelvane {
namespace {

std::mutex& SinkLock()
{
    static std::mutex lock;
    return lock;
}

CKelvane::DiagnosticSink& Sink()
{
    static CKelvane::DiagnosticSink sink;
    return sink;
}

CKelvane::TraceSink& TraceHook()
{
    static CKelvane::TraceSink sink;
    return sink;
}

void ToSyslog(const char* source, const char* first, const char* text)
{
    // openlog keeps the ident pointer, so the whole entry is written under the lock.
    std::lock_guard<std::mutex> guard(SinkLock());
    openlog(source, LOG_PID, LOG_USER);
    syslog(LOG_ERR, "%s %s", first, text);
    closelog();
}

}  // namespace

void SetDiagnosticSink(CKelvane::DiagnosticSink sink)
{
    std::lock_guard<std::mutex> guard(SinkLock());
    Sink() = std::move(sink);
}

void SetTraceSink(CKelvane::TraceSink sink)
{
    std::lock_guard<std::mutex> guard(SinkLock());
    TraceHook() = std::move(sink);
}

void Report(const std::string& source, const std::string& text)
{
    const int error = errno;
    char first[256];
    std::snprintf(first, sizeof first, "%s error: %d", source.c_str(), error);
    CKelvane::DiagnosticSink sink;
    {
        std::lock_guard<std::mutex> guard(SinkLock());
        sink = Sink();
    }
    if (sink)
        sink(source.c_str(), first, text.c_str());
    else
        ToSyslog(source.c_str(), first, text.c_str());
    errno = error;
}

void Trace(const std::string& source, const std::string& text)
{
    CKelvane::TraceSink sink;
    {
        std::lock_guard<std::mutex> guard(SinkLock());
        sink = TraceHook();
    }
    if (sink)
        sink(source.c_str(), text.c_str());
}

std::string WarningText(const char* operation, unsigned long error)
{
    const std::string message = std::strerror(static_cast<int>(error));
    char text[512];
    std::snprintf(text, sizeof text, "WARNING: %s Failed with the following error (code:%d): \n%s",
                  operation, static_cast<int>(error), message.c_str());
    return text;
}

std::wstring Widen(const std::string& utf8)
{
    // Decoded by hand so the result does not depend on the process locale.
    std::wstring wide;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        char32_t code = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0F : extra == 1 ? c & 0x1F : c;
        if (c >= 0x80 && extra == 0) {  // a stray continuation byte
            wide += static_cast<wchar_t>(0xFFFD);
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        for (; extra > 0 && j < utf8.size() && (static_cast<unsigned char>(utf8[j]) & 0xC0) == 0x80; --extra, ++j)
            code = (code << 6) | (static_cast<unsigned char>(utf8[j]) & 0x3F);
        wide += extra ? static_cast<wchar_t>(0xFFFD) : static_cast<wchar_t>(code);
        i = j;
    }
    return wide;
}

}  // namespace kelvane
