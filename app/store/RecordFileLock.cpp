#include "RecordFileLock.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <condition_variable>
#include <map>
#include <mutex>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm::store {
namespace {

// One descriptor per file and process carries the process's flock. It is
// never closed: closing any descriptor of a file drops every POSIX lock this
// process holds on it, and SQLite keeps its own locks on the same file.
struct FileEntry {
    int fd = -1;
    dev_t device = 0;
    ino_t inode = 0;
    int writers = 0;
    bool repairing = false;
};

struct Registry {
    std::mutex lock;
    std::condition_variable changed;
    std::map<QString, FileEntry> files;
};

Registry& Files()
{
    static Registry* registry = new Registry;   // lives until exit, with its descriptors
    return *registry;
}

// The entry's descriptor for the file now at `path`; a file replaced since
// (renamed over) gets a descriptor of its own while nobody holds the old one.
bool Descriptor(FileEntry& e, const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat now{};
    if (::stat(name.constData(), &now) != 0)
        return e.fd >= 0;
    if (e.fd >= 0 && (e.device == now.st_dev && e.inode == now.st_ino))
        return true;
    if (e.fd >= 0 && (e.writers > 0 || e.repairing))
        return true;
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return e.fd >= 0;
    // The old descriptor belongs to a file no longer at this path; it stays
    // open for the reason above.
    e.fd = fd;
    e.device = now.st_dev;
    e.inode = now.st_ino;
    return true;
}

int Flock(int fd, int operation)
{
    int rc;
    do {
        rc = ::flock(fd, operation);
    } while (rc != 0 && errno == EINTR);
    return rc;
}

} // namespace

CRecordFileLock::CRecordFileLock(const QString& path, Mode mode)
    : m_key(QFileInfo(path).absoluteFilePath()), m_mode(mode)
{
    Registry& r = Files();
    std::unique_lock<std::mutex> hold(r.lock);
    FileEntry& e = r.files[m_key];
    if (mode == kWrite) {
        r.changed.wait(hold, [&e] { return !e.repairing; });
        if (!Descriptor(e, m_key))
            return;
        // The first writer of this process takes the shared lock; it waits
        // for a repair in another process, which is short.
        if (e.writers == 0 && Flock(e.fd, LOCK_SH) != 0)
            return;
        ++e.writers;
        m_held = true;
        return;
    }
    if (e.writers > 0 || e.repairing || !Descriptor(e, m_key))
        return;
    if (Flock(e.fd, LOCK_EX | LOCK_NB) != 0)
        return;   // a writer in another process
    e.repairing = true;
    m_held = true;
}

CRecordFileLock::~CRecordFileLock()
{
    Release();
}

void CRecordFileLock::Release()
{
    if (!m_held)
        return;
    m_held = false;
    Registry& r = Files();
    std::lock_guard<std::mutex> hold(r.lock);
    FileEntry& e = r.files[m_key];
    if (m_mode == kWrite) {
        if (--e.writers == 0)
            Flock(e.fd, LOCK_UN);
    } else {
        e.repairing = false;
        Flock(e.fd, LOCK_UN);
    }
    r.changed.notify_all();
}

} // namespace qm::store
