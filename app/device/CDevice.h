#pragma once
// One logger known to the running program: where it was connected, who it is,
// its link, and the records last read from it.
//
// A device exists from the start of a connect until the connect fails or the
// device is removed from the registry; its link (and with it the library object
// and the open port) lives exactly as long. Destroying the device closes the port.
#include "CLinkParent.h"

#include <QString>

#include <atomic>
#include <memory>

namespace qm::device {

// Channel records a device keeps.
inline constexpr int kMaxChannels = 4;

class CDevice {
public:
    CDevice();   // cleared records, no link
    ~CDevice();
    CDevice(const CDevice&) = delete;
    CDevice& operator=(const CDevice&) = delete;

    // Zeroes the configuration, basic and channel records.
    void ClearRecords();

    int port = 0;          // COM number it was connected on
    int baud = 0;          // baud rate it was connected with
    int connected = 0;     // 1 once registered in the device manager
    QString sn;            // serial number, the key in the device manager
    QString name;          // card name, or "KMW-HxxT" when the card name is empty
    QString mac;           // "%02X:%02X:%02X:%02X:%02X:%02X" as read at connect
    std::unique_ptr<CLinkParent> link;
    ConfigInfo config;
    BasicConfig basic;
    ChannelConfig channels[kMaxChannels];
    QString databasePath;  // the logger's own database file
    // CKelvane::LinkFailure that left the logger out of reach, 0 while it
    // answers (see LostDevice.h). Set by whichever thread runs its commands.
    std::atomic<int> lostFailure{0};
};

} // namespace qm::device
