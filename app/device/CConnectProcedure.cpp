#include "CConnectProcedure.h"

#include "AppEnv.h"
#include "CUSBConn.h"
#include "Clock.h"
#include "ComSettings.h"
#include "DeviceText.h"
#include "MessageSeam.h"
#include "OpenDatabase.h"
#include "PortAccess.h"
#include "PortList.h"
#include "Recordset.h"
#include "Schema.h"
#include "SqlQuote.h"
#include "Strings.h"

#include <QMutexLocker>

using qm::store::SqlText;

namespace qm::device {
namespace {

QString Num(int value) { return QString::number(value); }

QString DevInfoQuery(const QString& sn)
{
    return QStringLiteral("select * from devInfo where SN = '%1';").arg(SqlText(sn));
}

} // namespace

CConnectProcedure::CConnectProcedure(CDevManager& devices) : m_devices(devices) {}

CConnectProcedure::~CConnectProcedure() = default;

void CConnectProcedure::SetDatabase(qm::store::CDBOperator* database)
{
    QMutexLocker lock(&m_dbLock);
    m_database = database;
}

int CConnectProcedure::EnsureDatabase()
{
    QMutexLocker lock(&m_dbLock);
    if (m_database || m_ownDatabase)
        return 1;
    std::unique_ptr<qm::store::CDBSqlite3> db = qm::store::OpenDatabase(this, DatabasePath(), 0, 0, 1);
    if (!db)
        return 0;
    // Registrations run on batch workers too: a failed statement goes to the
    // program log, never into a message box from a worker thread.
    db->SetReportMode(qm::store::kReportLog);
    // A file that is there but cannot be opened (a folder in its place, no
    // access) is a fault of the database, not of the connection to a logger.
    if (db->Open() != 1) {
        ShowMessageText(185, MsgF(185, {DatabasePath()}));
        return 0;
    }
    m_ownDatabase = std::move(db);
    return 1;
}

void CConnectProcedure::SetNameAsker(NameAsker asker) { m_asker = std::move(asker); }

void CConnectProcedure::SetLinkFactory(LinkFactory factory) { m_linkFactory = std::move(factory); }

std::unique_ptr<CLinkParent> CConnectProcedure::MakeLink() const
{
    return m_linkFactory ? m_linkFactory() : CreateLink();
}

int CConnectProcedure::ExecMain(const QString& sql)
{
    if (!EnsureDatabase())
        return -1;
    QMutexLocker lock(&m_dbLock);
    qm::store::CDBOperator* db = m_database ? m_database : m_ownDatabase.get();
    return db->ExeSql(sql);
}

DevicePtr CConnectProcedure::NewDevice() const
{
    auto device = std::make_shared<CDevice>();
    device->link = MakeLink();
    return device->link ? device : DevicePtr();
}

bool CConnectProcedure::RenewLink(CDevice& device) const
{
    // The old link must close its port before the new one opens it: ports are
    // opened for one user at a time.
    device.link.reset();
    device.link = MakeLink();
    return device.link != nullptr;
}

bool CConnectProcedure::ReadIdentity(CDevice& device) const
{
    return device.link->GetConfig(device.config, LinkDelay(), kAttempts) == 1
        && device.link->GetBasicConfig(device.basic, LinkDelay(), kAttempts) == 1;
}

bool CConnectProcedure::ReadMac(CDevice& device) const
{
    int mac[6] = {0, 0, 0, 0, 0, 0};
    if (device.link->GetMac(mac, LinkDelay(), kAttempts) != 1)
        return false;
    device.mac = MacText(mac);
    return true;
}

void CConnectProcedure::ReadName(CDevice& device) const
{
    // The read's result does not matter: a logger that cannot tell its name
    // gets the default one, like a logger that has none.
    char buffer[kCardNameBytes + 1] = {};
    device.link->GetCardName(buffer, LinkDelay(), kAttempts);
    buffer[kCardNameBytes] = '\0';
    const QString name = FromCodePage(QByteArray(buffer));
    device.name = name.isEmpty() ? Msg(5413) : name;
}

bool CConnectProcedure::SetClock(CDevice& device) const
{
    return device.link->SetTime(ToSystemTime(Now()), LinkDelay(), kAttempts) == 1;
}

int CConnectProcedure::ConnectOnePort(int port, QString* result, DevicePtr* connectedDevice)
{
    QString text;
    DevicePtr registered;
    const int connected = [&]() -> int {
        DevicePtr device = NewDevice();
        if (!device) {
            text = MsgF(5403, {Num(port)});
            return 0;
        }
        bool configured = false;
        bool opened = false;
        PortProblem problem;
        for (int baud : BaudList()) {
            if (device->link->Open(port, baud) != 1) {
                if (!problem.number)
                    problem = OpenProblem(port, device->link->OpenError(),
                                          QString::fromStdString(device->link->OpenedDevice()));
                continue;
            }
            opened = true;
            if (device->link->GetConfig(device->config, LinkDelay(), kAttempts) == 1) {
                device->baud = baud;
                configured = true;
                break;
            }
            if (!RenewLink(*device))
                break;
        }
        if (!configured) {
            // A port that never opened says why; one that opened and stayed
            // silent is a logger that failed to answer.
            text = !opened && problem.number ? problem.text : MsgF(5403, {Num(port)});
            return 0;
        }
        if (device->link->GetBasicConfig(device->basic, LinkDelay(), kAttempts) != 1) {
            text = MsgF(5404, {Num(port)});
            return 0;
        }
        const QString sn = SerialOf(device->basic);
        if (!ReadMac(*device)) {
            text = MsgF(5405, {Num(port), sn});
            return 0;
        }
        ReadName(*device);
        if (!SetClock(*device)) {
            text = MsgF(5406, {Num(port), sn});
            return 0;
        }
        device->databasePath = qm::store::LoggerDatabasePath(ProgramFolder(), sn);
        device->port = port;
        device->sn = sn;
        bool databaseFault = false;
        if (!Register(*device, false, &databaseFault)) {
            text = databaseFault ? MsgF(185, {DatabasePath()}) : MsgF(5408, {Num(port), sn});
            return 0;
        }
        text = MsgF(5407, {device->name});
        registered = device;
        m_devices.Add(sn, std::move(device));
        return 1;
    }();
    if (result)
        *result = text;
    if (connectedDevice)
        *connectedDevice = registered;
    return connected;
}

int CConnectProcedure::RegisterDevice(CDevice& device, bool interactive)
{
    return Register(device, interactive, nullptr);
}

int CConnectProcedure::Register(CDevice& device, bool interactive, bool* databaseFault)
{
    const int count = device.config.channelCount;
    // The channel records are an array of four: a logger claiming more (or a
    // negative count) is as unusable as one without channels, and reading its
    // channels would write past the array.
    if (count < 0 || count > kMaxChannels) {
        if (interactive)
            ShowMessage(5409);
        return 0;
    }
    if (device.link->GetChannelConfig(device.channels, count, LinkDelay(), kRegisterChannelAttempts) != 1) {
        if (interactive)
            ShowMessage(186);
        return 0;
    }
    if (count == 0) {
        if (interactive)
            ShowMessage(5409);
        return 0;
    }
    QStringList types;
    for (int i = 0; i < count; ++i)
        types << QString::asprintf("%d", device.channels[i].channelType);
    const QString sn = SerialOf(device.basic);
    const QString sql =
        QStringLiteral("replace into devInfo(SN, mac,devtype ,devName,port,baud,chan_type) "
                       "values('%1','%2',%3 ,'%4',%5,%6, '%7');")
            .arg(SqlText(sn), SqlText(device.mac), Num(device.basic.deviceType), SqlText(device.name),
                 Num(device.port), Num(device.baud), SqlText(types.join(u';')));
    if (ExecMain(sql) >= 0)
        return 1;
    if (databaseFault)
        *databaseFault = true;
    if (interactive)
        ShowMessageText(185, MsgF(185, {DatabasePath()}));
    return 0;
}

bool CConnectProcedure::StoredPlace(const QString& sn, int* port, int* baud)
{
    if (!EnsureDatabase())
        return false;
    QMutexLocker lock(&m_dbLock);
    qm::store::CDBOperator* db = m_database ? m_database : m_ownDatabase.get();
    std::unique_ptr<qm::store::CRecordset> set;
    if (db->QueryRecordset(DevInfoQuery(sn), set) < 0 || !set || set->RecordCount() == 0)
        return false;
    set->MoveFirst();
    *port = int(set->Integer(QStringLiteral("port")));
    *baud = int(set->Integer(QStringLiteral("baud")));
    return true;
}

bool CConnectProcedure::PortHeld(int port) const
{
    for (const DevicePtr& device : m_devices.Devices())
        if (device && device->port == port)
            return true;
    return false;
}

int CConnectProcedure::NameNewDevice(CDevice& device)
{
    if (!EnsureDatabase())
        return 0;
    qsizetype known = 0;
    {
        QMutexLocker lock(&m_dbLock);
        qm::store::CDBOperator* db = m_database ? m_database : m_ownDatabase.get();
        std::unique_ptr<qm::store::CRecordset> set;
        if (db->QueryRecordset(DevInfoQuery(SerialOf(device.basic)), set) < 0 || !set)
            return 0;
        known = set->RecordCount();
    }
    if (known > 0 || !m_asker)
        return 1;

    QString chosen;
    if (!m_asker(device.name, &chosen))
        return 0;
    chosen = chosen.trimmed();
    QByteArray bytes;
    if (!IsValidCardName(chosen, &bytes))
        return 0;
    if (chosen != device.name) {
        if (device.link->SetCardName(bytes.constData(), int(bytes.size()) + 1, LinkDelay(), kAttempts) != 1) {
            ShowMessage(186);
            return 0;
        }
    }
    device.name = chosen;
    return 1;
}

int CConnectProcedure::ConnectSelected()
{
    m_last.reset();
    m_openProblem = {};
    if (!EnsureDatabase())
        return 0;
    EnumeratePorts();
    const int mode = ReadAutoMode();
    ReadInterval();

    const int storedPort = PortNumberOf(ReadPortText());
    const int storedBaud = ReadConnectBaud();
    int port = storedPort;
    int baud = storedBaud;
    QString expectedSN;
    if (mode == 1) {
        expectedSN = m_devices.CurrentSN();
        int rowPort = 0;
        int rowBaud = 0;
        if (!expectedSN.isEmpty() && StoredPlace(expectedSN, &rowPort, &rowBaud)) {
            port = rowPort != 0 ? rowPort : storedPort;
            baud = rowBaud != 0 ? rowBaud : storedBaud;
        }
    }

    DevicePtr device = NewDevice();
    if (!device)
        return 0;
    bool identified = false;
    if (device->link->Open(port, baud) != 1) {
        // What kept the chosen port shut is what the user hears when nothing
        // else is found either.
        m_openProblem =
            OpenProblem(port, device->link->OpenError(), QString::fromStdString(device->link->OpenedDevice()));
        if (mode != 1)
            return 0;
        // Another baud rate on the same port is as good as the first open: the
        // logger is then identified below like any other, and the scan ends.
        bool opened = false;
        for (int other : BaudList()) {
            if (other == baud)
                continue;
            if (!RenewLink(*device))
                return 0;
            if (device->link->Open(port, other) == 1) {
                baud = other;
                opened = true;
                break;
            }
        }
        // Then the other ports: a logger that answers there is taken when it
        // is the one expected (any logger when none is selected). Ports of
        // connected loggers are passed over: the scan is for a logger that is
        // not connected yet.
        for (int otherPort : opened ? QList<int>() : PortNumbers()) {
            if (otherPort == port || PortHeld(otherPort))
                continue;
            for (int otherBaud : BaudList()) {
                if (!RenewLink(*device))
                    return 0;
                device->ClearRecords();
                if (device->link->Open(otherPort, otherBaud) != 1 || !ReadIdentity(*device))
                    continue;
                if (expectedSN.isEmpty() || SerialOf(device->basic) == expectedSN) {
                    port = otherPort;
                    baud = otherBaud;
                    opened = identified = true;
                    break;
                }
            }
            if (identified)
                break;
        }
        if (!opened)
            return 0;
        m_openProblem = {};
    }
    if (!identified && !ReadIdentity(*device))
        return 0;

    const QString sn = SerialOf(device->basic);
    if (!expectedSN.isEmpty() && sn != expectedSN)
        return 0;
    m_devices.SetCurrentSN(sn);
    if (!ReadMac(*device))
        return 0;
    ReadName(*device);
    if (!NameNewDevice(*device))
        return 0;
    if (!SetClock(*device))
        return 0;
    device->databasePath = qm::store::LoggerDatabasePath(ProgramFolder(), sn);
    device->port = port;
    device->baud = baud;
    device->sn = sn;
    // A logger that cannot be registered (no channels, unreadable channels) is
    // not connected: the user has just been told so.
    if (!RegisterDevice(*device, true))
        return 0;
    m_devices.Add(sn, device);
    m_last = device;
    return 1;
}

int CConnectProcedure::Disconnect(const QString& sn) { return m_devices.Remove(sn); }

} // namespace qm::device
