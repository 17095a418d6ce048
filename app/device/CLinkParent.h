#pragma once
// The link to one logger: every device command of the program goes through
// this interface, never to the library directly. CUSBConn implements it over
// the serial library; tests may put a fake behind it.
//
// Thread rule: a link runs one command at a time. Whoever holds the device
// (see CDevManager.h) is the only caller; only SetDownState may be called from
// another thread while a download runs (that is how a download is cancelled).
//
// The operations keep this order (it is the order of the interface's slots).
#include "Kelvane.h"

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

    /* 0 */ virtual ~CLinkParent() = default;
    // Binds the link to COM<port> at `baud`; sends nothing. 1/0.
    /* 1 */ virtual int Open(int port, int baud) = 0;
    /* 2 */ virtual int WarnSet(int delay, int attempts) = 0;
    /* 3 */ virtual int GetMac(int mac[6], int delay, int attempts) = 0;
    /* 4 */ virtual int GetBattery(int raw, float temperature, int type) = 0;
    /* 5 */ virtual int GetDeviceTime(SYSTEMTIME* time, int delay, int attempts) = 0;
    // Also remembers the configuration's channel count (used by slot 12).
    /* 6 */ virtual int GetConfig(ConfigInfo& config, int delay, int attempts) = 0;
    /* 7 */ virtual int SetConfig(ConfigInfo config, int clearFirst, int delay, int attempts) = 0;
    /* 8 */ virtual int GetBasicConfig(BasicConfig& basic, int delay, int attempts) = 0;
    // Copies at most ten bytes, no terminator: pass a zeroed buffer of 11.
    /* 9 */ virtual int GetCardName(char* name, int delay, int attempts) = 0;
    // `length` counts the terminator: length - 1 bytes are sent (at most ten).
    /* 10 */ virtual int SetCardName(const char* name, int length, int delay, int attempts) = 0;
    /* 11 */ virtual int GetChannelConfig(ChannelConfig* channels, int count, int delay, int attempts) = 0;
    // Writes as many channels as the last GetConfig reported.
    /* 12 */ virtual int SetChannelConfig(ChannelConfig* channels, int count, int delay, int attempts) = 0;
    /* 13 */ virtual int DownHistoryData(int channels, SYSTEMTIME start, int frameBytes, HistoryCallback callback,
                                        char* name, void* context, int delay, int attempts) = 0;
    /* 14 */ virtual int ClearHistory(int delay, int attempts) = 0;
    /* 15 */ virtual int SetTime(SYSTEMTIME time, int delay, int attempts) = 0;
    /* 16 */ virtual int SendStartTime(SYSTEMTIME start, int delay, int attempts) = 0;
    /* 17 */ virtual int getNeedDownDataFPS(int& frames, int delay, int attempts) = 0;
    /* 18 */ virtual void SetDownState(int state) = 0;
    /* 19 */ virtual int GetDownState() = 0;
    // Why the last command failed: CKelvane::LinkFailure (kLinkOk after a success).
    /* 20 */ virtual int GetLastFailure() = 0;
};

} // namespace qm::device
