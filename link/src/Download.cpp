// History download: start time, frame count, then pages of frames (function 0x09).
#include "Kelvane.h"

#include "Diagnostics.h"
#include "FrameCodec.h"
#include "RecordCodec.h"

using namespace kelvane;

int CKelvane::SendStartTime(SYSTEMTIME start, int delay, int attempts)
{
    return WriteBlock("SendStartTime", kStartTime, 0x0000, EncodeStartTime(start), "No data received", delay, attempts);
}

int CKelvane::getNeedDownDataFPS(int& frames, int delay, int attempts)
{
    Bytes d;
    if (!ReadBlock("getNeedDownDataFPS", kReadHistory, 0x0000, 2, "No data received", delay, attempts, d))
        return 0;
    frames = static_cast<int>((static_cast<uint32_t>((d[2] << 8) | d[3]) << 16) | static_cast<uint32_t>((d[0] << 8) | d[1]));
    return 1;
}

int CKelvane::GetDateLength(int totalFrames, int frameBytes)
{
    m_pageFrames = kelvane::PageFrames(totalFrames, m_downPosition, frameBytes);
    return m_pageFrames * frameBytes;
}

int CKelvane::DownNeedData(int channels, int totalFrames, int frameBytes, int& more,
                           HistoryCallback callback, char* name, void* context, int delay, int attempts)
{
    static const char kSource[] = "CKelvane::DownNeedData";
    more = 0;
    if (m_downPosition == totalFrames)
        return 1;
    const int length = GetDateLength(totalFrames, frameBytes);
    if (length <= 0) {
        // A frame size of 0 or above one reply's capacity (or a negative frame
        // count) cannot be paged: the position would never advance.
        Report(kSource, "Frame size " + std::to_string(frameBytes) + " cannot be paged");
        return 0;
    }
    // The position goes out as a 16-bit register number.
    Bytes request{kSlave, kReadHistory, static_cast<unsigned char>((m_downPosition >> 8) & 0xFF),
                  static_cast<unsigned char>(m_downPosition & 0xFF), 0x00, static_cast<unsigned char>(length / 2)};
    AppendCrc(request);

    Bytes reply;
    const bool answered = RunAttempts(request, reply, delay, attempts, kSource);
    std::string text = GetStr("send:", request.data(), static_cast<int>(request.size()));
    if (!answered) {
        text += "No data recevied";
        Trace(kSource, text);
        Report(kSource, text);
        return 0;
    }
    text += GetStr("recv：", reply.data(), static_cast<int>(reply.size()));
    Trace(kSource, text);
    if (!CheckIntegrity(reply) || reply[1] != kReadHistory || reply[2] != length) {
        Report(kSource, text);
        return 0;
    }

    const Bytes data = ReplyData(reply);
    const int frames = length / frameBytes;
    const int byteCount = reply[2];
    struct_history_data sample{};
    for (int i = 0; i < frames; ++i) {
        const int o = i * frameBytes;
        if (o + 3 >= byteCount)
            break;
        if (DecodeHistoryFrame(data, static_cast<std::size_t>(o), channels, sample))
            more = 0;
        sample.channelCount = channels;
        if (callback)
            callback(context, name, sample);
        if (i == frames - 1)
            more = 1;
    }
    m_downPosition += m_pageFrames;
    return 1;
}

int CKelvane::DownHistoryData(int channels, SYSTEMTIME start, int frameBytes,
                              HistoryCallback callback, char* name, void* context, int delay, int attempts)
{
    m_downPosition = 0;
    m_downState = 1;
    struct_basic_config basic{};
    if (!GetBasicConfig(basic, delay * 4, attempts))
        return 0;
    if (!SendStartTime(start, delay, attempts))
        return 0;
    int total = 0;
    if (!getNeedDownDataFPS(total, delay, attempts))
        return 0;
    int more = 1;
    while (m_downState != 0) {
        if (!DownNeedData(channels, total, frameBytes, more, callback, name, context, delay, attempts))
            return 0;
        if (more == 0)
            break;
    }
    return 1;
}

void CKelvane::SetDownState(int state)
{
    m_downState = state;
}

int CKelvane::GetDownState()
{
    return m_downState;
}
