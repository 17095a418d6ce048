// Where an installed program keeps its files (PortMap.h, "the program folder").
#include "PortMap.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace kelvane {
namespace {

// Facts of the build, set by CMake: the install prefix's bin folder, the
// installation's share folder relative to it, and the build's own program
// folder (which is never an installation, wherever the build lies).
#ifndef QM_INSTALL_BINDIR
#define QM_INSTALL_BINDIR "/usr/bin"
#endif
#ifndef QM_SHARE_FROM_BINDIR
#define QM_SHARE_FROM_BINDIR "../share/quillmark"
#endif
#ifndef QM_BUILD_PROGRAM_DIR
#define QM_BUILD_PROGRAM_DIR ""
#endif

std::string Normal(const std::string& path)
{
    std::string out = fs::path(path).lexically_normal().string();
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

std::string ShareBeside(const std::string& executableFolder)
{
    return Normal((fs::path(executableFolder) / QM_SHARE_FROM_BINDIR).string());
}

std::string HomeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home == '/')
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return fs::temp_directory_path().string();
}

} // namespace

std::string ExecutableFolder()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

std::string InstallBinFolder() { return Normal(QM_INSTALL_BINDIR); }

bool IsInstalledLocation(const std::string& executableFolder)
{
    return IsInstalledLocation(executableFolder, InstallBinFolder());
}

bool IsInstalledLocation(const std::string& executableFolder, const std::string& binFolder)
{
    const std::string folder = Normal(executableFolder);
    const std::string bin = Normal(binFolder);
    const std::string build = QM_BUILD_PROGRAM_DIR;
    if (folder.empty() || bin.empty() || bin[0] != '/' || (!build.empty() && folder == Normal(build)))
        return false;
    if (folder == bin)
        return true;
    // Staged below a root: <root><prefix>/bin, with the installation's share
    // folder beside it (a bare ".../usr/bin" of something else is no installation).
    if (folder.size() <= bin.size() || folder.compare(folder.size() - bin.size(), bin.size(), bin) != 0)
        return false;
    std::error_code ec;
    return fs::is_directory(ShareBeside(folder), ec);
}

bool RunsInstalled()
{
    static const bool installed = IsInstalledLocation(ExecutableFolder());
    return installed;
}

std::string InstalledShareFolder(const std::string& executableFolder)
{
    return IsInstalledLocation(executableFolder) ? ShareBeside(executableFolder) : std::string();
}

std::string InstalledShareFolder() { return RunsInstalled() ? ShareBeside(ExecutableFolder()) : std::string(); }

std::string UserDataFolder()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const fs::path base = xdg && *xdg == '/' ? fs::path(xdg) : fs::path(HomeFolder()) / ".local" / "share";
    return Normal((base / "quillmark").string());
}

} // namespace kelvane
