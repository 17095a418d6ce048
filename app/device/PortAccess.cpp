#include "PortAccess.h"

#include "Strings.h"

#include <QFileInfo>

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>

namespace qm::device {

QString DeviceGroup(const QString& device)
{
    struct stat info {};
    if (device.isEmpty() || ::stat(QFile::encodeName(device).constData(), &info) != 0)
        return QString();
    if (const group* g = ::getgrgid(info.st_gid))
        return QString::fromLocal8Bit(g->gr_name);
    return QString::number(info.st_gid);
}

PortProblem OpenProblem(int port, int error, const QString& device)
{
    const QString number = QString::number(port);
    // The device the user knows: the serial device behind a port-map link.
    const QString canonical = QFileInfo(device).canonicalFilePath();
    const QString shown = canonical.isEmpty() ? device : canonical;
    if (device.isEmpty() || (error == ENOENT && canonical.isEmpty()))
        return {5422, MsgF(5422, {number})};
    switch (error) {
    case EACCES:
    case EPERM: {
        const QString group = DeviceGroup(device);
        if (group.isEmpty())
            return {5425, MsgF(5425, {number, shown})};
        return {5423, MsgF(5423, {number, shown, group, group})};
    }
    case EBUSY: return {5424, MsgF(5424, {number, shown})};
    default: return {};
    }
}

} // namespace qm::device
