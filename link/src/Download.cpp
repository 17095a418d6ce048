// History download: start time, frame count, then pages of frames (function 0x09).
#include "Kelvane.h"

#include "Diagnostics.h"
#include "FrameCodec.h"
#include "RecordCodec.h"

#include <algorithm>

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

namespace {

// A page reply carries exactly the bytes asked for: function 0x09, byte count
// the page length, and nothing before or after its CRC.
bool PageReplyValid(const Bytes&, const Bytes& reply, int pageBytes)
{
    return CheckIntegrity(reply) && reply[1] == kReadHistory && reply[2] == pageBytes
        && reply.size() == static_cast<std::size_t>(pageBytes) + 5;
}

}  // namespace

int CKelvane::DownNeedData(int channels, int totalFrames, int frameBytes, int& more,
                           HistoryCallback callback, char* name, void* context, int delay, int attempts)
{
    static const char kSource[] = "CKelvane::DownNeedData";
    more = 0;
    m_lastFailure = kLinkOk;
    if (m_downPosition == totalFrames)
        return 1;
    const int length = GetDateLength(totalFrames, frameBytes);
    if (length <= 0) {
        // A frame size of 0 or above one reply's capacity (or a negative frame
        // count) cannot be paged: the position would never advance.
        return Refuse("DownNeedData", ("Frame size " + std::to_string(frameBytes) + " cannot be paged").c_str());
    }
    // The position goes out as a 16-bit register number.
    Bytes request{kSlave, kReadHistory, static_cast<unsigned char>((m_downPosition >> 8) & 0xFF),
                  static_cast<unsigned char>(m_downPosition & 0xFF), 0x00, static_cast<unsigned char>(length / 2)};
    AppendCrc(request);

    Bytes reply;
    bool valid = RunAttempts(request, reply, delay, attempts, kSource, PageReplyValid, length);
    if (valid && !m_lastPage.empty() && std::equal(reply.begin() + 3, reply.end() - 2, m_lastPage.begin(), m_lastPage.end())) {
        // Byte for byte the page before: a copy of its answer that came late
        // (or twice) rather than this page, unless the logger really holds the
        // same frames again. Asked once more on a quiet line, the logger
        // settles it.
        Report(kSource, GetStr("repeat:", request.data(), static_cast<int>(request.size())));
        Drain(delay);
        valid = RunAttempts(request, reply, delay, attempts, kSource, PageReplyValid, length);
    }
    std::string text = GetStr("send:", request.data(), static_cast<int>(request.size()));
    if (reply.empty()) {
        text += "No data recevied";
        Trace(kSource, text);
        Report(kSource, text);
        return 0;
    }
    text += GetStr("recv：", reply.data(), static_cast<int>(reply.size()));
    Trace(kSource, text);
    if (!valid) {
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
        ++m_downDelivered;
        if (callback)
            callback(context, name, sample);
        if (i == frames - 1)
            more = 1;
    }
    m_lastPage = data;
    m_downPosition += m_pageFrames;
    return 1;
}

int CKelvane::DownHistoryData(int channels, SYSTEMTIME start, int frameBytes,
                              HistoryCallback callback, char* name, void* context, int delay, int attempts)
{
    m_downPosition = 0;
    m_downDelivered = 0;
    m_lastPage.clear();
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
    // Every frame the logger announced, or the download failed: a gap is
    // never passed off as a finished download.
    if (m_downState != 0 && m_downDelivered != total) {
        return Refuse("DownHistoryData",
                      ("Frames delivered " + std::to_string(m_downDelivered) + " of " + std::to_string(total)).c_str(),
                      kLinkMissingFrames);
    }
    m_lastFailure = kLinkOk;
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
