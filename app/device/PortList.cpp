#include "PortList.h"

#include "ComSettings.h"
#include "PortMap.h"

#include <QMutex>
#include <QMutexLocker>

namespace qm::device {
namespace {

QMutex g_portLock;
QList<int> g_portNumbers;
QString g_realDeviceFolder;

kelvane::PortMapRoots Roots()
{
    kelvane::PortMapRoots roots = kelvane::SystemRoots();
    QMutexLocker lock(&g_portLock);
    if (!g_realDeviceFolder.isEmpty())
        roots.sysClassTty = g_realDeviceFolder.toStdString();
    return roots;
}

} // namespace

int EnumeratePorts(QList<PortInfo>* ports)
{
    QList<PortInfo> found;
    QList<int> numbers;
    for (const kelvane::PortEntry& entry : kelvane::EnumeratePorts(Roots())) {
        PortInfo info;
        info.name = QString::fromStdString(entry.name);
        info.number = PortNumberOf(info.name);
        info.device = QString::fromStdString(entry.device);
        numbers << info.number;
        found << info;
    }
    {
        QMutexLocker lock(&g_portLock);
        g_portNumbers = numbers;
    }
    if (ports)
        *ports = found;
    return int(found.size());
}

void SetRealDeviceFolder(const QString& sysClassTty)
{
    QMutexLocker lock(&g_portLock);
    g_realDeviceFolder = sysClassTty;
}

QList<int> PortNumbers()
{
    QMutexLocker lock(&g_portLock);
    return g_portNumbers;
}

} // namespace qm::device
