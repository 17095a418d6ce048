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

// ---- the program folder --------------------------------------------------
// Run from its build folder, the program keeps everything beside its
// executable. Installed (the executable lies in the bin folder of the install
// prefix the build was configured with), it cannot write there: its program
// folder is the user's data folder, and the files it ships (language modules,
// help, channel definitions, the initial database) are read from the share
// folder of the installation.

// The folder of the running executable, symbolic links resolved.
std::string ExecutableFolder();
// True when `executableFolder` is `binFolder` (default: the install prefix's
// bin folder of this build), or that folder below a staging root (the DESTDIR
// of a package build or a test installation) that holds the installation's
// share folder beside it. The build's own program folder never is.
bool IsInstalledLocation(const std::string& executableFolder);
bool IsInstalledLocation(const std::string& executableFolder, const std::string& binFolder);
// The install prefix's bin folder of this build, such as "/usr/bin".
std::string InstallBinFolder();
// The running executable is installed.
bool RunsInstalled();
// The installation's share folder of `executableFolder` (<prefix>/share/quillmark,
// found from the executable, so a staged installation reads its own), or ""
// when that executable is not installed.
std::string InstalledShareFolder(const std::string& executableFolder);
std::string InstalledShareFolder();
// $XDG_DATA_HOME/quillmark, else ~/.local/share/quillmark (an XDG_DATA_HOME
// that is not an absolute path is ignored, as the XDG rules say).
std::string UserDataFolder();

// QUILLMARK_FOLDER when that is set; else the user's data folder when the
// executable is installed, else the folder of the executable.
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
