#include "PendingTables.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm::store {
namespace {

// The list's file, open and locked against the other writers of the same
// record file (threads and processes); closed, and so unlocked, on scope end.
class ListFile {
public:
    ListFile(const QString& recordFile, bool create)
    {
        const QByteArray name = QFile::encodeName(PendingTablesPath(recordFile));
        // A writer that took the last name out removes the file while others
        // may wait for its lock: a lock won on a file no longer at the path
        // is given up and the path opened again.
        for (;;) {
            m_fd = ::open(name.constData(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0644);
            if (m_fd < 0)
                return;
            int rc;
            do {
                rc = ::flock(m_fd, LOCK_EX);
            } while (rc != 0 && errno == EINTR);
            struct stat held{}, now{};
            if (rc == 0 && ::fstat(m_fd, &held) == 0 && ::stat(name.constData(), &now) == 0
                && held.st_dev == now.st_dev && held.st_ino == now.st_ino)
                return;
            ::close(m_fd);
            m_fd = -1;
            if (rc != 0)
                return;
        }
    }
    ~ListFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ListFile(const ListFile&) = delete;
    ListFile& operator=(const ListFile&) = delete;

    bool IsOpen() const { return m_fd >= 0; }

    QStringList Read() const
    {
        QByteArray all;
        char buffer[4096];
        ::lseek(m_fd, 0, SEEK_SET);
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            all.append(buffer, n);
        }
        QStringList names;
        for (const QByteArray& line : all.split('\n')) {
            const QString name = QString::fromUtf8(line).trimmed();
            if (!name.isEmpty() && !names.contains(name))
                names << name;
        }
        return names;
    }

    bool Write(const QStringList& names) const
    {
        QByteArray all;
        for (const QString& name : names)
            all += name.toUtf8() + '\n';
        if (::ftruncate(m_fd, 0) != 0 || ::lseek(m_fd, 0, SEEK_SET) != 0)
            return false;
        qsizetype done = 0;
        while (done < all.size()) {
            const ssize_t n = ::write(m_fd, all.constData() + done, size_t(all.size() - done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += n;
        }
        return ::fsync(m_fd) == 0;
    }

private:
    int m_fd = -1;
};

} // namespace

QString PendingTablesPath(const QString& recordFile)
{
    return recordFile + QStringLiteral(".pending");
}

bool AddPendingTable(const QString& recordFile, const QString& table)
{
    ListFile list(recordFile, true);
    if (!list.IsOpen())
        return false;
    QStringList names = list.Read();
    if (names.contains(table))
        return true;
    names << table;
    return list.Write(names);
}

void RemovePendingTable(const QString& recordFile, const QString& table)
{
    ListFile list(recordFile, false);
    if (!list.IsOpen())
        return;
    QStringList names = list.Read();
    if (!names.removeAll(table))
        return;
    if (names.isEmpty())
        QFile::remove(PendingTablesPath(recordFile));   // still locked: no writer sees it half gone
    else
        list.Write(names);
}

QStringList PendingTables(const QString& recordFile)
{
    ListFile list(recordFile, false);
    return list.IsOpen() ? list.Read() : QStringList();
}

} // namespace qm::store
