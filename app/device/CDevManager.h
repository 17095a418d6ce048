#pragma once
// The registry of connected devices: serial number -> device, plus the serial
// number of the current device (the one selected in the main window).
//
// Ownership and threads:
// - The registry owns every connected device. Its map and the current serial
//   number are guarded by one mutex, so any thread may add, look up or remove
//   (batch connect adds from its worker threads).
// - A lookup hands out a shared pointer: the holder may use the device (and its
//   link) while it keeps that pointer, even if the device is removed meanwhile;
//   the device, its link and its port go away when the registry and the last
//   holder have let go. Keep a pointer only for the operation at hand.
// - A device's link runs one command at a time: only one thread works with a
//   given device at once. The program arranges that by disabling the main
//   window while a download or a batch runs; a worker that got a device handed
//   over owns it for the duration of its phase.
#include "CDevice.h"

#include <QMutex>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

namespace qm::device {

using DevicePtr = std::shared_ptr<CDevice>;

class CDevManager {
public:
    CDevManager() = default;
    ~CDevManager();
    CDevManager(const CDevManager&) = delete;
    CDevManager& operator=(const CDevManager&) = delete;

    // Stores `sn` into the device, marks it connected and files it under `sn`,
    // replacing (and releasing) a device filed under the same serial number.
    void Add(const QString& sn, DevicePtr device);
    // Removes the device of `sn` and releases it (disconnect). 1 removed, 0 unknown.
    int Remove(const QString& sn);
    // The device of `sn`, or null.
    DevicePtr Find(const QString& sn) const;

    int Count() const;
    // Serial numbers and devices in serial-number order.
    QStringList SerialNumbers() const;
    std::vector<DevicePtr> Devices() const;
    // Releases every device (program exit).
    void Clear();

    QString CurrentSN() const;
    void SetCurrentSN(const QString& sn);
    // The device of the current serial number, or null when it is not connected.
    DevicePtr Current() const;

private:
    mutable QMutex m_lock;
    std::map<QString, DevicePtr> m_devices;
    QString m_currentSN;
};

// The program's registry.
CDevManager& DeviceManager();

} // namespace qm::device
