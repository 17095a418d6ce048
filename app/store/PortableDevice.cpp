#include "PortableDevice.h"

#include "Strings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace qm::store {
namespace {

// A folder per phone; each phone's files are below it as on the phone.
class CFolderPhones : public CPortableDevices {
public:
    explicit CFolderPhones(const QString& folder) : m_folder(folder) {}

    QString ListDevices(int* error) override
    {
        const QDir dir(m_folder);
        if (!dir.exists()) {
            m_error = MsgF(6207, {m_folder});
            *error = 1;
            return QString();
        }
        QStringList entries;
        for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            // The list's own separators cannot be part of an id.
            if (name.contains(u':') || name.contains(u';'))
                continue;
            entries << name + u':' + name;
        }
        *error = 0;
        return entries.join(u';');
    }

    int CopyFromDevice(const QString& deviceId, const QString& deviceFolder, const QString& fileName,
                       const QString& localFolder) override
    {
        const QString phone = m_folder + u'/' + deviceId;
        if (deviceId.isEmpty() || deviceId.contains(u'/') || deviceId == QLatin1String("..")
            || !QFileInfo(phone).isDir()) {
            m_error = MsgF(6208, {deviceId});
            return 1;
        }
        const QString from = phone + u'/' + deviceFolder + u'/' + fileName;
        if (!QFileInfo(from).isFile()) {
            m_error = MsgF(6209, {deviceFolder + u'/' + fileName});
            return 1;
        }
        const QString to = localFolder + u'/' + fileName;
        const QString temp = to + QStringLiteral(".part");
        QFile::remove(temp);
        if (!QFile::copy(from, temp)
            || std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(to).constData()) != 0) {
            QFile::remove(temp);
            m_error = MsgF(6210, {to});
            return 1;
        }
        QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
        return 0;
    }

    QString LastErrorText() const override { return m_error; }

private:
    QString m_folder;
    QString m_error;
};

} // namespace

std::unique_ptr<CPortableDevices> MakeFolderPhones(const QString& folder)
{
    return std::make_unique<CFolderPhones>(folder);
}

std::unique_ptr<CPortableDevices> OpenPortableDevices()
{
    const QString folder = qEnvironmentVariable("QUILLMARK_PHONE_DIR");
    return folder.isEmpty() ? MakeMtpDevices() : MakeFolderPhones(folder);
}

QList<PortableDeviceEntry> ParseDeviceList(const QString& text)
{
    QList<PortableDeviceEntry> entries;
    for (const QString& entry : text.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype colon = entry.indexOf(u':');
        if (colon <= 0)
            continue;
        entries.append({entry.left(colon), entry.mid(colon + 1)});
    }
    return entries;
}

int CopyPhoneDatabase(CPortableDevices& devices, const QString& deviceId, const QString& localFolder)
{
    return devices.CopyFromDevice(deviceId, QLatin1String(kPhoneDatabaseFolder), QLatin1String(kPhoneDatabaseName),
                                  localFolder);
}

} // namespace qm::store
