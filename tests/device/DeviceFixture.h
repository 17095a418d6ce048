// A scratch program folder with an initial main database, the core bound to
// it and simulated loggers reached through its port map.
#pragma once

#include "AppEnv.h"
#include "Ciniwell.h"
#include "ComSettings.h"
#include "DiagnosticsCapture.h"
#include "InitialDatabase.h"
#include "LoginState.h"
#include "OpenDatabase.h"
#include "PortList.h"
#include "Recordset.h"
#include "TestUsers.h"
#include "Startup.h"
#include "loggersim/Simulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace devtest {

// The command delay of the tests' links (the "interval" setting). A reply ends
// the wait as soon as it is complete, so the delay costs only the attempts at
// silent ports; it is long enough that a simulated logger answering late on a
// loaded machine is no failed command.
inline constexpr int kLinkDelay = 500;

inline loggersim::LoggerProfile Logger(const std::string& sn, int channels = 2, int baud = 115200)
{
    loggersim::LoggerProfile p;
    p.name = sn;
    p.pacing = false;
    p.state.sn = sn;
    p.state.baud = baud;
    p.state.mac = {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F};
    p.state.deviceType = 3;
    p.state.channels.resize(size_t(channels));
    for (int i = 0; i < channels; ++i)
        p.state.channels[size_t(i)].type = i + 1;
    p.state.frameBytes = 2 * channels + 6;
    return p;
}

struct DevInfoRow {
    QString sn, mac, name, chanType;
    int devtype = 0, port = 0, baud = 0;
};

// Waits (processing events) until `done` or `ms` have passed.
inline bool WaitUntil(const std::function<bool()>& done, int ms = 20000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// The user the tests' quillmark-cli calls log in as: an administrator whose
// password need not change (every DeviceFixture folder has it).
inline constexpr char kCliUser[] = "tester";
inline constexpr char kCliPassword[] = "tester-pass1";

// One run of the built quillmark-cli against the program folder `folder`.
struct CliRun {
    int code = -1;
    QStringList out;   // stdout lines, empty ones left out
    QString err;
};

// Who a cli call logs in as and how: --user (none when empty), the passwords
// in QUILLMARK_PASSWORD and QUILLMARK_NEW_PASSWORD (unset when absent).
struct CliCall {
    QString user = QString::fromLatin1(kCliUser);
    std::optional<QString> password = QString::fromLatin1(kCliPassword);
    std::optional<QString> newPassword;
};

inline CliRun RunCli(const QString& folder, const QStringList& args, const CliCall& call = {},
                     int timeoutMs = 60000)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QUILLMARK_PASSWORD"));
    env.remove(QStringLiteral("QUILLMARK_NEW_PASSWORD"));
    if (call.password)
        env.insert(QStringLiteral("QUILLMARK_PASSWORD"), *call.password);
    if (call.newPassword)
        env.insert(QStringLiteral("QUILLMARK_NEW_PASSWORD"), *call.newPassword);
    p.setProcessEnvironment(env);
    QStringList options{QStringLiteral("--folder"), folder};
    if (!call.user.isEmpty())
        options << QStringLiteral("--user") << call.user;
    p.start(qEnvironmentVariable("QM_TEST_PROGRAM_DIR") + QStringLiteral("/quillmark-cli"), options + args);
    EXPECT_TRUE(p.waitForFinished(timeoutMs));
    CliRun r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

using qmtest::AddUserRow;

// Descriptors this process holds open on `path` (a pty slave; the in-process
// simulator keeps one of its own).
inline int OpenCount(const std::string& path)
{
    int found = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (dirent* e = readdir(dir)) {
            char target[512] = {};
            const std::string link = std::string("/proc/self/fd/") + e->d_name;
            const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
            if (n > 0 && path == std::string(target, size_t(n)))
                ++found;
        }
        closedir(dir);
    }
    return found;
}

class DeviceFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        ASSERT_EQ(qm::store::CreateInitialProgramFolder(m_folder.path()), qm::store::kInitialCreated);
        ASSERT_TRUE(QDir().mkpath(m_folder.path() + QStringLiteral("/config")));
        m_context = std::make_unique<qm::CCoreContext>(m_folder.path());
        AddUserRow(QString::fromLatin1(kCliUser), QString::fromLatin1(kCliPassword), qm::kRoleAdministrator);
        // Only the folder's links are ports: the machine's own serial devices stay out.
        qm::device::SetRealDeviceFolder(m_folder.path() + QStringLiteral("/no-tty"));
        SetCom(1, QString(), -1, kLinkDelay);
    }

    void TearDown() override
    {
        m_sim.reset();
        qm::device::SetRealDeviceFolder(QString());
        m_context.reset();
    }

    void SetCom(int mode, const QString& port, int baud, int interval)
    {
        Ciniwell& ini = qm::Settings();
        ASSERT_EQ(ini.WriteIniInit(QStringLiteral("com_port"), QStringLiteral("auto"), mode), 1);
        ASSERT_EQ(ini.WriteIniStr(QStringLiteral("com_port"), QStringLiteral("port"), port), 1);
        if (baud >= 0) {
            ASSERT_EQ(ini.WriteIniInit(QStringLiteral("com_port"), QStringLiteral("CBT"), baud), 1);
        }
        ASSERT_EQ(ini.WriteIniInit(QStringLiteral("com_port"), QStringLiteral("interval"), interval), 1);
        qm::device::ReadInterval();
    }

    loggersim::CSimulator& Start(const std::vector<loggersim::LoggerProfile>& profiles, std::vector<int> coms = {})
    {
        m_sim = std::make_unique<loggersim::CSimulator>(m_folder.path().toStdString());
        for (size_t i = 0; i < profiles.size(); ++i)
            m_sim->Add(profiles[i], i < coms.size() ? coms[i] : 0);
        std::string error;
        EXPECT_TRUE(m_sim->Start(&error)) << error;
        return *m_sim;
    }

    // A port that the map lists but where nobody answers: a pty whose master
    // is held open and never read.
    int AddDeadPort(int com)
    {
        m_deadMaster = posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(m_deadMaster, 0);
        grantpt(m_deadMaster);
        unlockpt(m_deadMaster);
        QDir().mkpath(m_folder.path() + QStringLiteral("/dev"));
        const QString link = m_folder.path() + QStringLiteral("/dev/COM%1").arg(com);
        EXPECT_EQ(symlink(ptsname(m_deadMaster), qPrintable(link)), 0);
        return com;
    }

    std::vector<DevInfoRow> DevInfo()
    {
        std::vector<DevInfoRow> rows;
        auto db = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 0);
        std::unique_ptr<qm::store::CRecordset> set;
        if (!db || db->QueryRecordset(QStringLiteral("select * from devInfo order by SN"), set) != 1 || !set)
            return rows;
        for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
            rows.push_back({set->Text(u"SN"), set->Text(u"mac"), set->Text(u"devName"), set->Text(u"chan_type"),
                            int(set->Integer(u"devtype")), int(set->Integer(u"port")),
                            int(set->Integer(u"baud"))});
        return rows;
    }

    void AddDevInfo(const QString& sn, int port, int baud)
    {
        auto db = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 0);
        ASSERT_TRUE(db);
        ASSERT_GE(db->ExeSql(QStringLiteral("insert into devInfo(SN, mac, devtype, devName, port, baud, chan_type) "
                                            "values('%1', '', 1, 'old', %2, %3, '1');")
                                 .arg(sn)
                                 .arg(port)
                                 .arg(baud)),
                  0);
    }

    QString Folder() const { return m_folder.path(); }
    loggersim::CSimulator& Sim() { return *m_sim; }

    ~DeviceFixture() override
    {
        if (m_deadMaster >= 0)
            close(m_deadMaster);
    }

private:
    QTemporaryDir m_folder;
    // The library's reports of failed exchanges stay here, out of the machine's log.
    qmtest::DiagnosticsCapture m_diagnostics;
    std::unique_ptr<qm::CCoreContext> m_context;
    std::unique_ptr<loggersim::CSimulator> m_sim;
    int m_deadMaster = -1;
};

} // namespace devtest
