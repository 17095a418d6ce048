#pragma once
// The PC's serial ports as the connect procedures see them: the port map's
// enumeration (links in <program folder>/dev and real serial devices), and the
// one global list of port numbers that the batch connect and the connect
// dialog's scan walk, in enumeration order.
#include <QList>
#include <QString>

namespace qm::device {

struct PortInfo {
    int number = 0;      // n of "COM<n>"
    QString name;        // "COM<n>", the text stored as the "port" setting
    QString device;      // the device path behind it
};

// Enumerates the ports, replaces the global list with their numbers (the old
// list is discarded first, also when none is found) and returns the count.
// `ports` receives the entries when given.
int EnumeratePorts(QList<PortInfo>* ports = nullptr);

// The global list as the last enumeration left it.
QList<int> PortNumbers();

// Where the enumeration looks for real serial devices; empty (the default):
// the system's. Tests name an empty folder so that only the program folder's
// links count.
void SetRealDeviceFolder(const QString& sysClassTty);

} // namespace qm::device
