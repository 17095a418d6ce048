#pragma once
// The link to one logger: every device command of the program goes through
// this interface, never to the library directly. CUSBConn implements it over
// the serial library; tests may put a fake behind it.
//
// Thread rule: a link runs one command at a time. Whoever holds the device
// (see CDevManager.h) is the only caller; only SetDownState may be called from
// another thread while a download runs (that is how a download is cancelled).
#include "Kelvane.h"

#include <string>

namespace qm::device {

using ConfigInfo = CKelvane::struct_config_info;
using BasicConfig = CKelvane::struct_basic_config;
using ChannelConfig = CKelvane::struct_channel_config;
using HistoryData = CKelvane::struct_history_data;
using HistoryCallback = CKelvane::HistoryCallback;

class CLinkParent {
public:
    CLinkParent() = default;
    CLinkParent(const CLinkParent&) = delete;
    CLinkParent& operator=(const CLinkParent&) = delete;

    virtual ~CLinkParent() = default;
    // Binds the link to COM<port> at `baud`; sends nothing. 1/0.
    virtual int Open(int port, int baud) = 0;
    // Resets the alarms after a channel change (the configuration pages).
    virtual int WarnSet(int delay, int attempts) = 0;
    virtual int GetMac(int mac[6], int delay, int attempts) = 0;
    // Also remembers the configuration's channel count (used by SetChannelConfig).
    virtual int GetConfig(ConfigInfo& config, int delay, int attempts) = 0;
    virtual int SetConfig(ConfigInfo config, int clearFirst, int delay, int attempts) = 0;
    virtual int GetBasicConfig(BasicConfig& basic, int delay, int attempts) = 0;
    // Copies at most ten bytes, no terminator: pass a zeroed buffer of 11.
    virtual int GetCardName(char* name, int delay, int attempts) = 0;
    // `length` counts the terminator: length - 1 bytes are sent (at most ten).
    virtual int SetCardName(const char* name, int length, int delay, int attempts) = 0;
    virtual int GetChannelConfig(ChannelConfig* channels, int count, int delay, int attempts) = 0;
    // Writes as many channels as the last GetConfig reported.
    virtual int SetChannelConfig(ChannelConfig* channels, int count, int delay, int attempts) = 0;
    virtual int DownHistoryData(int channels, SYSTEMTIME start, int frameBytes, HistoryCallback callback, char* name,
                                void* context, int delay, int attempts) = 0;
    virtual int SetTime(SYSTEMTIME time, int delay, int attempts) = 0;
    // SetDownState(0) stops a running download (from any thread); GetDownState
    // is 0 once a download was stopped.
    virtual void SetDownState(int state) = 0;
    virtual int GetDownState() = 0;
    // Why the last command failed: CKelvane::LinkFailure (kLinkOk after a success).
    virtual int GetLastFailure() = 0;
    // Why the last Open failed: its errno (0 after an Open that succeeded),
    // and the device it tried ("" when the port number names none).
    virtual int OpenError() { return 0; }
    virtual std::string OpenedDevice() { return {}; }
};

} // namespace qm::device
