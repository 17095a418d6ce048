// CKelvane's binding, error text and the request/reply engine every command runs.
#include "Kelvane.h"

#include "Conversions.h"
#include "Diagnostics.h"
#include "FrameCodec.h"
#include "RecordCodec.h"

#include <cerrno>
#include <cstdio>

using namespace kelvane;

namespace {
const char kInitFailed[] = "Serial initialization failed!";
}

CKelvane::CKelvane() = default;
CKelvane::~CKelvane() = default;

int CKelvane::Instance(int port, int baud)
{
    if (!Open(port, baud) || !SetTimeouts(300, 300, 1000, 300, 1000))
        return InstanceFailed("Instance");
    return 1;
}

int CKelvane::InstancePath(const char* path, int baud)
{
    if (!OpenPath(path, baud) || !SetTimeouts(300, 300, 1000, 300, 1000))
        return InstanceFailed("InstancePath");
    return 1;
}

int CKelvane::InstanceFailed(const char* operation)
{
    errno = static_cast<int>(LastError());
    Report("CKelvane", WarningText(operation, LastError()));
    return 0;
}

unsigned long CKelvane::CRC16(unsigned char* data, unsigned char length)
{
    return data ? Crc16(data, length) : 0xFFFF;
}

wchar_t* CKelvane::GetLastMsg()
{
    char text[1024];
    std::snprintf(text, sizeof text, "%s\r\n%s", kInitFailed, WarningText("", LastError()).c_str());
    m_lastMsg = Widen(text);
    return m_lastMsg.data();
}

void CKelvane::SetDiagnosticSink(DiagnosticSink sink)
{
    kelvane::SetDiagnosticSink(std::move(sink));
}

void CKelvane::SetTraceSink(TraceSink sink)
{
    kelvane::SetTraceSink(std::move(sink));
}

bool CKelvane::RunAttempts(const Bytes& request, Bytes& reply, int delay, int attempts, const char* attemptSource,
                           ReplyCheck check, int pageBytes)
{
    m_lastFailure = kLinkOk;
    reply.clear();
    if (attempts <= 0) {
        m_lastFailure = kLinkNoAnswer;
        return false;
    }
    if (m_lineDirty) {
        Drain(delay);
        m_lineDirty = false;
    }
    Bytes last;
    bool slow = false;
    bool damaged = false;
    bool gone = false;
    for (int i = 0; i < attempts; ++i) {
        Bytes got;
        int length = 0;
        const int sent = Exchange(request.data(), static_cast<int>(request.size()), got, length, delay,
                                  kelvane::ReplyComplete);
        if (sent == 1 && length > 0 && check(request, got, pageBytes)) {
            reply = std::move(got);
            // The request went out more than once: the logger may still
            // answer one of the earlier copies.
            if (i > 0)
                m_lineDirty = true;
            return true;
        }
        gone = sent != 1;
        const bool whole = length > 0
            && kelvane::ReplyComplete(request.data(), static_cast<int>(request.size()), got.data(), length);
        if (sent == 1 && length > 0) {
            last = got;
            if (whole)
                damaged = true;
        }
        if (attemptSource)
            Report(attemptSource, std::to_string(i));
        // Modbus RTU carries no transaction number: an answer to this attempt
        // arriving during the next one would pass for its answer. Let it land
        // and throw it away before anything is sent again.
        const int late = Drain(delay);
        if (sent == 1 && !whole) {
            if (late > 0)
                slow = true;
            else if (length > 0)
                damaged = true;   // cut short, and the rest never came
        }
    }
    reply = std::move(last);
    m_lastFailure = gone ? kLinkGone : slow ? kLinkTooSlow : damaged ? kLinkDamaged : kLinkNoAnswer;
    return false;
}

int CKelvane::RunCommand(const char* command, const Bytes& request, const char* noReply,
                         int delay, int attempts, Bytes& reply)
{
    const std::string source = std::string("CKelvane::") + command;
    const auto check = [](const Bytes& req, const Bytes& rep, int) { return ValidReply(req, rep); };
    const bool valid = RunAttempts(request, reply, delay, attempts, nullptr, check);
    std::string text = SentText(request);
    if (reply.empty()) {
        text += noReply;
        Trace(source, text);
        Report(source, text);
        return 0;
    }
    text += ReceivedText(reply);
    Trace(source, text);
    if (!valid) {
        Report(source, text);
        return 0;
    }
    return 1;
}

int CKelvane::ReadBlock(const char* command, int function, int start, int count, const char* noReply,
                        int delay, int attempts, Bytes& data)
{
    Bytes reply;
    if (!RunCommand(command, BuildReadRequest(static_cast<unsigned char>(function), start, count),
                    noReply, delay, attempts, reply))
        return 0;
    data = ReplyData(reply);
    return 1;
}

int CKelvane::WriteBlock(const char* command, int function, int start, const Bytes& data,
                         const char* noReply, int delay, int attempts)
{
    Bytes reply;
    return RunCommand(command, BuildWriteRequest(static_cast<unsigned char>(function), start, data),
                      noReply, delay, attempts, reply);
}

int CKelvane::Refuse(const char* command, const char* why, int failure)
{
    m_lastFailure = failure;
    Report(std::string("CKelvane::") + command, why);
    return 0;
}

// The conversions live in the codec so they are shared with the decoders.
unsigned char CKelvane::IntToByte(int value) { return IntToBcd(value); }
int CKelvane::ByteToInt(unsigned char value) { return BcdToInt(value); }
int CKelvane::GetTime(unsigned char value) { return BcdDigits(value); }
int CKelvane::GetYear(unsigned char century, unsigned char year) { return BcdYear(century, year); }
void CKelvane::GetTimeByte(unsigned char* out, const char* text, int kind) { TimeTextToBcd(out, text, kind); }
std::string CKelvane::GetStr(const char* prefix, const unsigned char* bytes, int count) { return HexLine(prefix, bytes, count); }
int CKelvane::GetChannelLimit(int value) { return SignedRegister(value); }
int CKelvane::GetBattery(int raw, float temperature, int type) { return BatteryLevel(raw, temperature, type); }
