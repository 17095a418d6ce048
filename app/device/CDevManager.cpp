#include "CDevManager.h"

#include <QMutexLocker>

namespace qm::device {

CDevManager::~CDevManager() { Clear(); }

void CDevManager::Add(const QString& sn, DevicePtr device)
{
    if (!device)
        return;
    device->sn = sn;
    device->connected = 1;
    DevicePtr replaced;
    {
        QMutexLocker lock(&m_lock);
        DevicePtr& slot = m_devices[sn];
        replaced = std::move(slot);
        slot = std::move(device);
    }
    // `replaced` closes its port here, outside the lock: closing may take a
    // moment and must not hold up other threads' lookups.
}

int CDevManager::Remove(const QString& sn)
{
    DevicePtr removed;
    {
        QMutexLocker lock(&m_lock);
        const auto it = m_devices.find(sn);
        if (it == m_devices.end())
            return 0;
        removed = std::move(it->second);
        m_devices.erase(it);
    }
    return 1;
}

DevicePtr CDevManager::Find(const QString& sn) const
{
    QMutexLocker lock(&m_lock);
    const auto it = m_devices.find(sn);
    return it == m_devices.end() ? DevicePtr() : it->second;
}

int CDevManager::Count() const
{
    QMutexLocker lock(&m_lock);
    return int(m_devices.size());
}

QStringList CDevManager::SerialNumbers() const
{
    QMutexLocker lock(&m_lock);
    QStringList list;
    for (const auto& entry : m_devices)
        list << entry.first;
    return list;
}

std::vector<DevicePtr> CDevManager::Devices() const
{
    QMutexLocker lock(&m_lock);
    std::vector<DevicePtr> list;
    list.reserve(m_devices.size());
    for (const auto& entry : m_devices)
        list.push_back(entry.second);
    return list;
}

void CDevManager::Clear()
{
    std::map<QString, DevicePtr> released;
    {
        QMutexLocker lock(&m_lock);
        released.swap(m_devices);
    }
}

QString CDevManager::CurrentSN() const
{
    QMutexLocker lock(&m_lock);
    return m_currentSN;
}

void CDevManager::SetCurrentSN(const QString& sn)
{
    QMutexLocker lock(&m_lock);
    m_currentSN = sn;
}

DevicePtr CDevManager::Current() const
{
    QMutexLocker lock(&m_lock);
    const auto it = m_devices.find(m_currentSN);
    return it == m_devices.end() ? DevicePtr() : it->second;
}

CDevManager& DeviceManager()
{
    static CDevManager manager;
    return manager;
}

} // namespace qm::device
