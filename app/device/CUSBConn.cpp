#include "CUSBConn.h"

#include <algorithm>
#include <new>

namespace qm::device {

int CUSBConn::Open(int port, int baud)
{
    const int result = m_link.Instance(port, baud);
    m_openError = result == 1 ? 0 : int(m_link.LastError());
    return result;
}

int CUSBConn::WarnSet(int delay, int attempts) { return m_link.WarnSet(delay, attempts); }

int CUSBConn::GetMac(int mac[6], int delay, int attempts) { return m_link.GetMac(mac, delay, attempts); }

int CUSBConn::GetConfig(ConfigInfo& config, int delay, int attempts)
{
    const int result = m_link.GetConfig(config, delay, attempts);
    // Only a record the logger really sent says how many channels it has; a
    // failed read leaves the caller's record as it was, whatever it holds.
    if (result == 1)
        m_channelCount = config.channelCount;
    return result;
}

int CUSBConn::SetConfig(ConfigInfo config, int clearFirst, int delay, int attempts)
{
    return m_link.SetConfig(config, clearFirst, delay, attempts);
}

int CUSBConn::GetBasicConfig(BasicConfig& basic, int delay, int attempts)
{
    return m_link.GetBasicConfig(basic, delay, attempts);
}

int CUSBConn::GetCardName(char* name, int delay, int attempts) { return m_link.GetCardName(name, delay, attempts); }

int CUSBConn::SetCardName(const char* name, int length, int delay, int attempts)
{
    return m_link.SetCardName(name, length, delay, attempts);
}

int CUSBConn::GetChannelConfig(ChannelConfig* channels, int count, int delay, int attempts)
{
    return m_link.GetChannelConfig(channels, count, delay, attempts);
}

int CUSBConn::SetChannelConfig(ChannelConfig* channels, int count, int delay, int attempts)
{
    // The logger's own count decides how many blocks are written, so a caller
    // cannot write blocks the logger does not have; but never more elements
    // than the caller's array holds.
    const int channelsToWrite = std::min(m_channelCount, count);
    return m_link.SetChannelConfig(channels, channelsToWrite, delay, attempts);
}

int CUSBConn::DownHistoryData(int channels, SYSTEMTIME start, int frameBytes, HistoryCallback callback, char* name,
                              void* context, int delay, int attempts)
{
    return m_link.DownHistoryData(channels, start, frameBytes, callback, name, context, delay, attempts);
}

int CUSBConn::SetTime(SYSTEMTIME time, int delay, int attempts) { return m_link.SetTime(time, delay, attempts); }

void CUSBConn::SetDownState(int state) { m_link.SetDownState(state); }

int CUSBConn::GetDownState() { return m_link.GetDownState(); }

int CUSBConn::GetLastFailure() { return m_link.GetLastFailure(); }

std::unique_ptr<CLinkParent> CreateLink()
{
    return std::unique_ptr<CLinkParent>(new (std::nothrow) CUSBConn());
}

} // namespace qm::device
