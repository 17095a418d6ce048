// The serial port map: what "COM<n>" means on this platform.
//
// A port number names either a link <program folder>/dev/COM<n> (the simulator
// and anyone wiring up a device by hand create these), or a real serial device
// found under /sys/class/tty. Real devices take the lowest numbers no link uses,
// in a stable order: on-board UARTs, then USB serial, USB ACM, Bluetooth rfcomm,
// each by its own number. Numbers below and above 10 resolve the same way.
#pragma once

#include <string>
#include <vector>

namespace kelvane {

struct PortEntry {
    int number = 0;      // n of "COM<n>"
    std::string name;    // "COM<n>"
    std::string device;  // path to open
};

// Where the map looks; tests point these at scratch folders.
struct PortMapRoots {
    std::string programFolder;               // holds dev/COM<n>
    std::string sysClassTty = "/sys/class/tty";
    std::string devDir = "/dev";
};

// The folder of the running executable, or QUILLMARK_FOLDER when that is set.
std::string ProgramFolder();
// Roots of this machine: ProgramFolder(), /sys/class/tty and /dev.
PortMapRoots SystemRoots();

// Device path of COM<port>, "" when the map has no such port.
std::string PortDevicePath(int port, const PortMapRoots& roots);
std::string PortDevicePath(int port);

// Every usable port in number order.
std::vector<PortEntry> EnumeratePorts(const PortMapRoots& roots);
std::vector<PortEntry> EnumeratePorts();

}  // namespace kelvane
