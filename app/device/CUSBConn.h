#pragma once
// The link over the serial library: one CKelvane, created with the adapter and
// destroyed with it (which closes the port).
#include "CLinkParent.h"

#include <memory>

namespace qm::device {

class CUSBConn : public CLinkParent {
public:
    CUSBConn() = default;
    ~CUSBConn() override = default;

    int Open(int port, int baud) override;
    int WarnSet(int delay, int attempts) override;
    int GetMac(int mac[6], int delay, int attempts) override;
    int GetConfig(ConfigInfo& config, int delay, int attempts) override;
    int SetConfig(ConfigInfo config, int clearFirst, int delay, int attempts) override;
    int GetBasicConfig(BasicConfig& basic, int delay, int attempts) override;
    int GetCardName(char* name, int delay, int attempts) override;
    int SetCardName(const char* name, int length, int delay, int attempts) override;
    int GetChannelConfig(ChannelConfig* channels, int count, int delay, int attempts) override;
    int SetChannelConfig(ChannelConfig* channels, int count, int delay, int attempts) override;
    int DownHistoryData(int channels, SYSTEMTIME start, int frameBytes, HistoryCallback callback, char* name,
                        void* context, int delay, int attempts) override;
    int SetTime(SYSTEMTIME time, int delay, int attempts) override;
    void SetDownState(int state) override;
    int GetDownState() override;
    int GetLastFailure() override;
    int OpenError() override { return m_openError; }
    std::string OpenedDevice() override { return m_link.DevicePath(); }

    // The channel count of the last successful GetConfig (0 before one).
    int RememberedChannels() const { return m_channelCount; }
    // The library object, for diagnostics and tests (its port and path).
    const CKelvane& Library() const { return m_link; }

private:
    CKelvane m_link;
    int m_channelCount = 0;
    int m_openError = 0;
};

// Makes a link to a logger; null when none can be made.
std::unique_ptr<CLinkParent> CreateLink();

} // namespace qm::device
