#pragma once
// The portable-device seam: phones attached over USB that hold the phone
// app's database. Three calls, as the phone import uses them: list the
// attached devices, copy one file from a folder on a device, and the text of
// the last error. On a desktop this is MTP (libmtp); with the environment
// variable QUILLMARK_PHONE_DIR set, the subfolders of that folder are the
// phones (tests and demonstrations without a phone).
#include <QList>
#include <QString>
#include <memory>

namespace qm::store {

// Where the phone app keeps its database on the phone.
inline constexpr char kPhoneDatabaseFolder[] = "OrvoKVRDataBase";
inline constexpr char kPhoneDatabaseName[] = "kvr.db";

class CPortableDevices {
public:
    virtual ~CPortableDevices() = default;
    // The attached devices as "id:name" entries joined with ";". `error` is 0
    // when the list could be made (an empty list is no error).
    virtual QString ListDevices(int* error) = 0;
    // Copies `deviceFolder`/`fileName` from device `deviceId` to
    // `localFolder`/`fileName`, replacing a file there only once the copy is
    // complete. 0 on success.
    virtual int CopyFromDevice(const QString& deviceId, const QString& deviceFolder, const QString& fileName,
                               const QString& localFolder) = 0;
    // The text of the last failure, for the user.
    virtual QString LastErrorText() const = 0;
};

// The folder-backed phones when QUILLMARK_PHONE_DIR is set, else MTP.
std::unique_ptr<CPortableDevices> OpenPortableDevices();
std::unique_ptr<CPortableDevices> MakeFolderPhones(const QString& folder);
std::unique_ptr<CPortableDevices> MakeMtpDevices();

struct PortableDeviceEntry {
    QString id;
    QString name;
};
// The entries of a ListDevices text: the id before the first ":", the name after it.
QList<PortableDeviceEntry> ParseDeviceList(const QString& text);

// Copies the phone app's database from a phone into `localFolder` as "kvr.db".
int CopyPhoneDatabase(CPortableDevices& devices, const QString& deviceId, const QString& localFolder);

} // namespace qm::store
