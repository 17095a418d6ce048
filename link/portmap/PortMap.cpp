#include "PortMap.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace kelvane {
namespace {

// The number of a name made of prefix and decimal digits only, -1 otherwise.
int NumberAfter(const std::string& name, const std::string& prefix)
{
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return -1;
    const std::string digits = name.substr(prefix.size());
    if (digits.size() > 6 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    return std::stoi(digits);
}

std::string LinkPath(const PortMapRoots& roots, int port)
{
    return (fs::path(roots.programFolder) / "dev" / ("COM" + std::to_string(port))).string();
}

// Every COM<n> entry in dev/, dangling links included: a number a link holds is
// never handed to a real device, so restarting the simulator moves nothing.
std::set<int> LinkedNumbers(const PortMapRoots& roots)
{
    std::set<int> numbers;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(fs::path(roots.programFolder) / "dev", ec)) {
        const int n = NumberAfter(entry.path().filename().string(), "COM");
        if (n > 0)
            numbers.insert(n);
    }
    return numbers;
}

// The serial core registers a fixed set of ttyS ports whether or not a UART is
// behind them; those report type 0 (unknown) or have no device at all.
bool IsRealUart(const fs::path& entry)
{
    std::error_code ec;
    if (!fs::exists(entry / "device", ec))
        return false;
    std::ifstream type(entry / "type");
    int value = 0;
    return type >> value && value != 0;
}

// The kernel console (console=ttyS0) is no logger's port: probing it would
// write Modbus frames onto the console.
bool IsConsole(const fs::path& entry)
{
    std::ifstream console(entry / "console");
    char flag = 0;
    return console >> flag && (flag == 'Y' || flag == 'y');
}

struct Candidate {
    int kind;
    int number;
    std::string name;
    bool operator<(const Candidate& o) const { return kind != o.kind ? kind < o.kind : number < o.number; }
};

std::vector<Candidate> RealDevices(const PortMapRoots& roots)
{
    static const char* const kPrefixes[] = {"ttyS", "ttyUSB", "ttyACM", "rfcomm"};
    std::vector<Candidate> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(roots.sysClassTty, ec)) {
        const std::string name = entry.path().filename().string();
        for (int kind = 0; kind < 4; ++kind) {
            const int n = NumberAfter(name, kPrefixes[kind]);
            if (n < 0)
                continue;
            if ((kind == 0 && !IsRealUart(entry.path())) || IsConsole(entry.path()))
                break;
            found.push_back({kind, n, name});
            break;
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

// Real devices numbered into the gaps the links leave, lowest first.
std::vector<PortEntry> NumberRealDevices(const PortMapRoots& roots, const std::set<int>& taken)
{
    std::vector<PortEntry> ports;
    int next = 1;
    for (const Candidate& c : RealDevices(roots)) {
        while (taken.count(next))
            ++next;
        ports.push_back({next, "COM" + std::to_string(next), (fs::path(roots.devDir) / c.name).string()});
        ++next;
    }
    return ports;
}

}  // namespace

std::string ProgramFolder()
{
    if (const char* folder = std::getenv("QUILLMARK_FOLDER"); folder && *folder)
        return folder;
    return RunsInstalled() ? UserDataFolder() : ExecutableFolder();
}

PortMapRoots SystemRoots()
{
    PortMapRoots roots;
    roots.programFolder = ProgramFolder();
    return roots;
}

std::string PortDevicePath(int port, const PortMapRoots& roots)
{
    if (port <= 0)
        return {};
    const std::string link = LinkPath(roots, port);
    std::error_code ec;
    if (fs::symlink_status(link, ec).type() != fs::file_type::not_found && !ec)
        return link;
    for (const PortEntry& p : NumberRealDevices(roots, LinkedNumbers(roots)))
        if (p.number == port)
            return p.device;
    return {};
}

std::string PortDevicePath(int port)
{
    return PortDevicePath(port, SystemRoots());
}

std::vector<PortEntry> EnumeratePorts(const PortMapRoots& roots)
{
    const std::set<int> linked = LinkedNumbers(roots);
    std::vector<PortEntry> ports = NumberRealDevices(roots, linked);
    for (int n : linked) {
        const std::string link = LinkPath(roots, n);
        std::error_code ec;
        if (fs::exists(link, ec))  // a dangling link is no usable port
            ports.push_back({n, "COM" + std::to_string(n), link});
    }
    std::sort(ports.begin(), ports.end(), [](const PortEntry& a, const PortEntry& b) { return a.number < b.number; });
    return ports;
}

std::vector<PortEntry> EnumeratePorts()
{
    return EnumeratePorts(SystemRoots());
}

}  // namespace kelvane
