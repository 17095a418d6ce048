// Phones over USB through MTP: the way an Android phone shows its files to a
// desktop.
#include "PortableDevice.h"

#include "Strings.h"

#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <libmtp.h>
#include <mutex>

namespace qm::store {
namespace {

void InitOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { LIBMTP_Init(); });
}

// A device keeps its id while it stays plugged in: the USB bus and the
// device number on it. Finding it again needs no opening of the phone.
QString DeviceId(const LIBMTP_raw_device_t& raw)
{
    return QStringLiteral("%1-%2").arg(raw.bus_location).arg(raw.devnum);
}

QString TakeText(char* text)
{
    const QString out = QString::fromUtf8(text ? text : "");
    std::free(text);
    return out;
}

struct RawDevices {
    LIBMTP_raw_device_t* list = nullptr;
    int count = 0;
    LIBMTP_error_number_t rc = LIBMTP_ERROR_NONE;
    RawDevices() { rc = LIBMTP_Detect_Raw_Devices(&list, &count); }
    ~RawDevices() { std::free(list); }
    bool Failed() const { return rc != LIBMTP_ERROR_NONE && rc != LIBMTP_ERROR_NO_DEVICE_ATTACHED; }
    int Count() const { return rc == LIBMTP_ERROR_NONE ? count : 0; }
};

struct OpenDevice {
    LIBMTP_mtpdevice_t* device = nullptr;
    explicit OpenDevice(LIBMTP_raw_device_t* raw) : device(LIBMTP_Open_Raw_Device_Uncached(raw)) {}
    ~OpenDevice()
    {
        if (device)
            LIBMTP_Release_Device(device);
    }
    // The library's own words for what went wrong last.
    QString ErrorText() const
    {
        QStringList texts;
        for (LIBMTP_error_t* e = device ? LIBMTP_Get_Errorstack(device) : nullptr; e; e = e->next)
            if (e->error_text)
                texts << QString::fromUtf8(e->error_text);
        if (device)
            LIBMTP_Clear_Errorstack(device);
        return texts.join(u'\n');
    }
};

struct FileList {
    LIBMTP_file_t* first = nullptr;
    FileList(LIBMTP_mtpdevice_t* device, uint32_t storage, uint32_t parent)
        : first(LIBMTP_Get_Files_And_Folders(device, storage, parent))
    {
    }
    ~FileList()
    {
        while (first) {
            LIBMTP_file_t* next = first->next;
            LIBMTP_destroy_file_t(first);
            first = next;
        }
    }
    const LIBMTP_file_t* Find(const QString& name, bool folder) const
    {
        for (const LIBMTP_file_t* f = first; f; f = f->next)
            if (f->filename && QString::fromUtf8(f->filename) == name
                && (f->filetype == LIBMTP_FILETYPE_FOLDER) == folder)
                return f;
        return nullptr;
    }
};

class CMtpDevices : public CPortableDevices {
public:
    CMtpDevices() { InitOnce(); }

    QString ListDevices(int* error) override
    {
        RawDevices raw;
        if (raw.Failed()) {
            m_error = MsgF(6211, {QString::number(int(raw.rc))});
            *error = int(raw.rc);
            return QString();
        }
        QStringList entries;
        for (int i = 0; i < raw.Count(); ++i) {
            QString name = DisplayName(&raw.list[i]);
            name.replace(u';', u' ');
            entries << DeviceId(raw.list[i]) + u':' + name;
        }
        *error = 0;
        return entries.join(u';');
    }

    int CopyFromDevice(const QString& deviceId, const QString& deviceFolder, const QString& fileName,
                       const QString& localFolder) override
    {
        RawDevices raw;
        LIBMTP_raw_device_t* found = nullptr;
        for (int i = 0; i < raw.Count(); ++i)
            if (DeviceId(raw.list[i]) == deviceId)
                found = &raw.list[i];
        if (!found) {
            m_error = MsgF(6208, {deviceId});
            return 1;
        }
        OpenDevice phone(found);
        if (!phone.device) {
            m_error = MsgF(6212, {deviceId});
            return 1;
        }
        LIBMTP_Get_Storage(phone.device, LIBMTP_STORAGE_SORTBY_NOTSORTED);
        for (LIBMTP_devicestorage_t* storage = phone.device->storage; storage; storage = storage->next) {
            const FileList top(phone.device, storage->id, LIBMTP_FILES_AND_FOLDERS_ROOT);
            const LIBMTP_file_t* folder = top.Find(deviceFolder, true);
            if (!folder)
                continue;
            const FileList inside(phone.device, storage->id, folder->item_id);
            const LIBMTP_file_t* file = inside.Find(fileName, false);
            if (!file)
                continue;
            return Fetch(phone, file->item_id, localFolder + u'/' + fileName);
        }
        m_error = MsgF(6209, {deviceFolder + u'/' + fileName});
        return 1;
    }

    QString LastErrorText() const override { return m_error; }

private:
    static QString DisplayName(LIBMTP_raw_device_t* raw)
    {
        OpenDevice phone(raw);
        if (phone.device) {
            const QString friendly = TakeText(LIBMTP_Get_Friendlyname(phone.device));
            if (!friendly.isEmpty())
                return friendly;
            const QString model = TakeText(LIBMTP_Get_Modelname(phone.device));
            if (!model.isEmpty())
                return model;
        }
        const LIBMTP_device_entry_t& e = raw->device_entry;
        return QStringLiteral("%1 %2")
            .arg(QString::fromUtf8(e.vendor ? e.vendor : ""), QString::fromUtf8(e.product ? e.product : ""))
            .trimmed();
    }

    int Fetch(const OpenDevice& phone, uint32_t item, const QString& to)
    {
        const QString temp = to + QStringLiteral(".part");
        QFile::remove(temp);
        if (LIBMTP_Get_File_To_File(phone.device, item, QFile::encodeName(temp).constData(), nullptr, nullptr) != 0) {
            const QString text = phone.ErrorText();
            m_error = text.isEmpty() ? MsgF(6210, {to}) : text;
            QFile::remove(temp);
            return 1;
        }
        if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(to).constData()) != 0) {
            m_error = MsgF(6210, {to});
            QFile::remove(temp);
            return 1;
        }
        return 0;
    }

    QString m_error;
};

} // namespace

std::unique_ptr<CPortableDevices> MakeMtpDevices() { return std::make_unique<CMtpDevices>(); }

} // namespace qm::store
