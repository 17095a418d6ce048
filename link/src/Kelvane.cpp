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

bool CKelvane::RunAttempts(const Bytes& request, Bytes& reply, int delay, int attempts, const char* attemptSource)
{
    for (int i = 0; i < attempts; ++i) {
        int length = 0;
        if (Exchange(request.data(), static_cast<int>(request.size()), reply, length, delay, kelvane::ReplyComplete) == 1
            && length >= 1)
            return true;
        reply.clear();
        if (attemptSource)
            Report(attemptSource, std::to_string(i));
    }
    reply.clear();
    return false;
}

int CKelvane::RunCommand(const char* command, const Bytes& request, const char* noReply,
                         int delay, int attempts, Bytes& reply)
{
    const std::string source = std::string("CKelvane::") + command;
    const bool answered = RunAttempts(request, reply, delay, attempts, nullptr);
    std::string text = SentText(request);
    if (!answered) {
        text += noReply;
        Trace(source, text);
        Report(source, text);
        return 0;
    }
    text += ReceivedText(reply);
    Trace(source, text);
    if (!ValidReply(request, reply)) {
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

int CKelvane::Refuse(const char* command, const char* why)
{
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
