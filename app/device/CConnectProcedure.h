#pragma once
// Connecting loggers: identify a logger on a port, set its clock, register it
// in devInfo and in the device registry.
//
// - ConnectOnePort: the non-interactive connect of one port (batch connect,
//   quillmark-cli). Thread-safe: every call has its own device, link and port;
//   the registry and the database connection are guarded.
// - ConnectSelected: the connect dialog's procedure for the logger selected in
//   the main window (or the configured port); interactive, UI thread.
// - RegisterDevice, NameNewDevice: the steps both use.
//
// Every device command passes LinkDelay() and kAttempts (the channel read of a
// registration one attempt).
#include "CDevManager.h"
#include "PortAccess.h"

#include <QMutex>
#include <QString>

#include <functional>
#include <memory>

namespace qm::store {
class CDBOperator;
}

namespace qm::device {

// Asks for the name of a logger that devInfo does not know yet (the "创建设备"
// dialog). Gets the current name; returns true with the chosen name, false
// when the user cancelled. The procedure checks the name again.
using NameAsker = std::function<bool(const QString& currentName, QString* chosen)>;

// Makes the link of a new device; null when none can be made.
using LinkFactory = std::function<std::unique_ptr<CLinkParent>()>;

class CConnectProcedure {
public:
    explicit CConnectProcedure(CDevManager& devices = DeviceManager());
    ~CConnectProcedure();
    CConnectProcedure(const CConnectProcedure&) = delete;
    CConnectProcedure& operator=(const CConnectProcedure&) = delete;

    // The main database the registrations write to (not owned; null: the
    // procedure's own). A database given here is used from batch workers too,
    // so it should report to the log, not by message box.
    void SetDatabase(qm::store::CDBOperator* database);
    // Opens the procedure's own connection to DatabasePath() when it has none
    // (reporting to the program log). Call on the UI thread before a batch. 1/0.
    int EnsureDatabase();
    // Without an asker a new logger keeps its card name.
    void SetNameAsker(NameAsker asker);
    // The links of new devices; empty: CreateLink (the serial library).
    void SetLinkFactory(LinkFactory factory);

    CDevManager& Devices() { return m_devices; }

    // 1 connected and registered, 0 failed; `result` gets the result text
    // ("设备%s连接成功", "COM%d获取配置信息失败", ...). A failed connect releases
    // its device (and closes its port). `connected` gets the registered device.
    int ConnectOnePort(int port, QString* result = nullptr, DevicePtr* connected = nullptr);

    // Reads the channel records and writes the device's devInfo row. With
    // `interactive` a failure is also shown (186 "连接失败！", 5409 for a logger
    // without channels, 185 when the main database cannot be written). 1/0.
    int RegisterDevice(CDevice& device, bool interactive);

    // The connect dialog's OK. 1 connected (the device is registered, in the
    // registry and current), 0 not.
    int ConnectSelected();
    // After ConnectSelected returned 1: the connected device.
    DevicePtr LastConnected() const { return m_last; }
    // After ConnectSelected returned 0: why the port could not be opened
    // (number 0 when it opened, or nothing more specific is known).
    PortProblem LastOpenProblem() const { return m_openProblem; }

    // Names a logger that devInfo does not know yet through the asker and
    // writes the name to the logger. 1 done (or nothing to do), 0 refused or failed.
    int NameNewDevice(CDevice& device);

    // Removes the device of `sn` from the registry: its link and port close
    // (at once unless another holder still uses it). 1 removed, 0 unknown.
    int Disconnect(const QString& sn);

private:
    // RegisterDevice; `databaseFault` tells a failed write of the main
    // database from a logger that failed.
    int Register(CDevice& device, bool interactive, bool* databaseFault);
    DevicePtr NewDevice() const;
    bool RenewLink(CDevice& device) const;
    bool ReadIdentity(CDevice& device) const;   // configuration, then basic information
    bool ReadMac(CDevice& device) const;
    void ReadName(CDevice& device) const;
    bool SetClock(CDevice& device) const;
    // The devInfo row's "port" and "baud" for `sn`; false when unreadable.
    bool StoredPlace(const QString& sn, int* port, int* baud);
    // A connected device works on `port`: the scan leaves it alone, a second
    // link on the same line would answer the other device's replies.
    bool PortHeld(int port) const;
    // Runs `sql` on the main database under the database lock: 1/0/-1 as ExeSql.
    int ExecMain(const QString& sql);

    CDevManager& m_devices;
    QMutex m_dbLock;
    qm::store::CDBOperator* m_database = nullptr;
    std::unique_ptr<qm::store::CDBOperator> m_ownDatabase;
    std::unique_ptr<CLinkParent> MakeLink() const;

    NameAsker m_asker;
    LinkFactory m_linkFactory;
    DevicePtr m_last;
    PortProblem m_openProblem;
};

} // namespace qm::device
