// The port map: links in the program folder first, real serial devices in the gaps.
#include "Kelvane.h"
#include "PortMap.h"
#include "PtyPeer.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace linktest;

namespace {

class KelvanePortMap : public ::testing::Test {
protected:
    void SetUp() override
    {
        roots.programFolder = folder.Path().string();
        roots.sysClassTty = (folder.Path() / "sys").string();
        roots.devDir = (folder.Path() / "fakedev").string();
        fs::create_directories(roots.devDir);
        Uart("ttyS0", 4, true);
        Uart("ttyS1", 0, true);   // registered, no UART behind it
        Uart("ttyS2", 4, false);  // no device
        Uart("ttyS3", 4, true);   // the kernel console
        std::ofstream(fs::path(roots.sysClassTty) / "ttyS3" / "console") << "Y\n";
        Uart("ttyS4", 4, true);   // a UART that is not the console
        std::ofstream(fs::path(roots.sysClassTty) / "ttyS4" / "console") << "N\n";
        for (const char* name : {"ttyUSB10", "ttyUSB0", "ttyUSB2", "ttyACM0", "rfcomm0", "tty5", "console", "ttyUSBx"})
            fs::create_directories(fs::path(roots.sysClassTty) / name);
        folder.Link(3, "/dev/null");
        folder.Link(12, "/dev/null");
    }
    void Uart(const std::string& name, int type, bool device)
    {
        const fs::path dir = fs::path(roots.sysClassTty) / name;
        fs::create_directories(dir);
        std::ofstream(dir / "type") << type << "\n";
        if (device)
            fs::create_directory(dir / "device");
    }
    std::string Dev(const char* name) { return (fs::path(roots.devDir) / name).string(); }
    std::string Link(int n) { return (folder.Path() / "dev" / ("COM" + std::to_string(n))).string(); }

    ScratchFolder folder;
    kelvane::PortMapRoots roots;
};

}  // namespace

TEST_F(KelvanePortMap, RealDevicesFillTheGapsInAStableOrder)
{
    EXPECT_EQ(kelvane::PortDevicePath(1, roots), Dev("ttyS0"));
    EXPECT_EQ(kelvane::PortDevicePath(2, roots), Dev("ttyS4"));
    EXPECT_EQ(kelvane::PortDevicePath(3, roots), Link(3));
    EXPECT_EQ(kelvane::PortDevicePath(4, roots), Dev("ttyUSB0"));
    EXPECT_EQ(kelvane::PortDevicePath(5, roots), Dev("ttyUSB2"));
    EXPECT_EQ(kelvane::PortDevicePath(6, roots), Dev("ttyUSB10"));
    EXPECT_EQ(kelvane::PortDevicePath(7, roots), Dev("ttyACM0"));
    EXPECT_EQ(kelvane::PortDevicePath(8, roots), Dev("rfcomm0"));
    EXPECT_EQ(kelvane::PortDevicePath(9, roots), "");
    EXPECT_EQ(kelvane::PortDevicePath(12, roots), Link(12));
    EXPECT_EQ(kelvane::PortDevicePath(0, roots), "");

    const auto ports = kelvane::EnumeratePorts(roots);
    std::vector<std::string> names;
    for (const auto& p : ports) {
        names.push_back(p.name);
        EXPECT_EQ(kelvane::PortDevicePath(p.number, roots), p.device);
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM12"}));
}

TEST_F(KelvanePortMap, ADanglingLinkKeepsItsNumberButIsNotListed)
{
    folder.Link(4, (folder.Path() / "gone").string());
    EXPECT_EQ(kelvane::PortDevicePath(4, roots), Link(4));
    EXPECT_EQ(kelvane::PortDevicePath(5, roots), Dev("ttyUSB0"));
    for (const auto& p : kelvane::EnumeratePorts(roots))
        EXPECT_NE(p.number, 4);
}

TEST_F(KelvanePortMap, ProgramFolderFollowsTheEnvironment)
{
    EXPECT_EQ(kelvane::ProgramFolder(), folder.Path().string());
    ::unsetenv("QUILLMARK_FOLDER");
    EXPECT_EQ(kelvane::ProgramFolder(), fs::read_symlink("/proc/self/exe").parent_path().string());
    ::setenv("QUILLMARK_FOLDER", folder.Path().c_str(), 1);
}

TEST(KelvanePortNumbers, BelowAndAboveTenOpenThroughTheMap)
{
    ScratchFolder folder;
    PtyPair nine, twelve;
    folder.Link(9, nine.SlavePath());
    folder.Link(12, twelve.SlavePath());
    CKelvane a, b;
    ASSERT_EQ(a.Instance(9, 9600), 1);
    ASSERT_EQ(b.Instance(12, 115200), 1);
    EXPECT_EQ(a.DevicePath(), (folder.Path() / "dev" / "COM9").string());
    EXPECT_EQ(b.DevicePath(), (folder.Path() / "dev" / "COM12").string());
    const Bytes request{0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A};
    Bytes reply;
    int length = 0;
    EXPECT_EQ(b.Exchange(request.data(), 8, reply, length, 5), 1);
    EXPECT_EQ(twelve.ReadMaster(8, 200), request);
    EXPECT_TRUE(nine.ReadMaster(1, 20).empty());
}

// Installed or run from the build: decided by where the executable lies
// against the install prefix of the build, never by what may be written.
TEST(KelvaneInstallation, TheInstallPrefixBinFolderIsAnInstallation)
{
    EXPECT_TRUE(kelvane::IsInstalledLocation("/usr/bin", "/usr/bin"));
    EXPECT_TRUE(kelvane::IsInstalledLocation("/usr/bin/", "/usr/bin"));
    EXPECT_FALSE(kelvane::IsInstalledLocation("/usr/local/bin", "/usr/bin"));
    EXPECT_FALSE(kelvane::IsInstalledLocation("/opt/x/bin", "/usr/bin"));
    EXPECT_FALSE(kelvane::IsInstalledLocation("", "/usr/bin"));
    // The build's own program folder never is, and neither is this test's.
    EXPECT_FALSE(kelvane::IsInstalledLocation(QM_PROGRAM_DIR_FOR_TEST, QM_PROGRAM_DIR_FOR_TEST));
    EXPECT_FALSE(kelvane::RunsInstalled());
    EXPECT_EQ(kelvane::InstalledShareFolder(), "");
}

TEST(KelvaneInstallation, AStagedInstallationCountsWhenItsShareFolderIsThere)
{
    // <root><prefix>/bin, as a package build or a DESTDIR installation stages it.
    ScratchFolder root;
    const fs::path bin = root.Path().string() + kelvane::InstallBinFolder();
    fs::create_directories(bin);
    // A bare ".../usr/bin" of something else is no installation.
    EXPECT_FALSE(kelvane::IsInstalledLocation(bin.string()));
    EXPECT_EQ(kelvane::InstalledShareFolder(bin.string()), "");
    const fs::path share = (bin / ".." / "share" / "quillmark").lexically_normal();
    fs::create_directories(share);
    EXPECT_TRUE(kelvane::IsInstalledLocation(bin.string()));
    EXPECT_EQ(kelvane::InstalledShareFolder(bin.string()), share.string());
    // Only the prefix's own bin folder: a sibling with a share folder is not one.
    fs::create_directories(root.Path() / "opt" / "bin");
    fs::create_directories(root.Path() / "opt" / "share" / "quillmark");
    EXPECT_FALSE(kelvane::IsInstalledLocation((root.Path() / "opt" / "bin").string()));
}

TEST(KelvaneInstallation, TheUserDataFolderFollowsXdgDataHome)
{
    const char* savedXdg = std::getenv("XDG_DATA_HOME");
    const std::string xdg = savedXdg ? savedXdg : "";
    const char* savedHome = std::getenv("HOME");
    const std::string home = savedHome ? savedHome : "";

    ::setenv("XDG_DATA_HOME", "/srv/data/", 1);
    EXPECT_EQ(kelvane::UserDataFolder(), "/srv/data/quillmark");
    // Not absolute: ignored, as the XDG rules say.
    ::setenv("HOME", "/home/anna", 1);
    ::setenv("XDG_DATA_HOME", "relative/data", 1);
    EXPECT_EQ(kelvane::UserDataFolder(), "/home/anna/.local/share/quillmark");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(kelvane::UserDataFolder(), "/home/anna/.local/share/quillmark");

    if (savedXdg)
        ::setenv("XDG_DATA_HOME", xdg.c_str(), 1);
    if (savedHome)
        ::setenv("HOME", home.c_str(), 1);
    else
        ::unsetenv("HOME");
}
