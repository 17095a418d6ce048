#include "Kelvane.h"

#include "PortMap.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

bool SpeedFor(int baud, speed_t& speed)
{
    static const struct { int baud; speed_t speed; } kSpeeds[] = {
        {1200, B1200}, {2400, B2400}, {4800, B4800}, {9600, B9600}, {19200, B19200},
        {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
        {460800, B460800}, {921600, B921600},
    };
    for (const auto& s : kSpeeds)
        if (s.baud == baud) {
            speed = s.speed;
            return true;
        }
    return false;
}

// Modem-line and exclusivity ioctls have no meaning on a pseudo-terminal.
bool NotSupported(int error)
{
    return error == ENOTTY || error == EINVAL;
}

int MillisLeft(Clock::time_point deadline)
{
    // Rounded up: a wait must not end before its deadline.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// One program per port: two programs on one line read each other's replies.
// Each device this process has open carries one advisory lock, held on a
// duplicate descriptor for as long as any of the process's ports uses the
// device; another process's open finds it busy. The lock holds for every
// opener that asks (root and pseudo-terminals included, which TIOCEXCL lets
// through).
struct PortLock {
    int fd = -1;
    int users = 0;
};
std::mutex g_portLocksMutex;
std::map<std::pair<unsigned long long, unsigned long long>, PortLock> g_portLocks;

// 0 when the lock is held (or already held by this process), else the errno.
int AcquirePortLock(int fd, std::pair<unsigned long long, unsigned long long>& key)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return errno;
    key = {static_cast<unsigned long long>(info.st_dev), static_cast<unsigned long long>(info.st_ino)};
    std::lock_guard<std::mutex> guard(g_portLocksMutex);
    auto it = g_portLocks.find(key);
    if (it != g_portLocks.end()) {
        ++it->second.users;
        return 0;
    }
    const int lockFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (lockFd < 0)
        return errno;
    if (::flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(lockFd);
        return error == EWOULDBLOCK ? EBUSY : error;
    }
    g_portLocks[key] = {lockFd, 1};
    return 0;
}

void ReleasePortLock(const std::pair<unsigned long long, unsigned long long>& key)
{
    std::lock_guard<std::mutex> guard(g_portLocksMutex);
    auto it = g_portLocks.find(key);
    if (it == g_portLocks.end() || --it->second.users > 0)
        return;
    ::close(it->second.fd);
    g_portLocks.erase(it);
}

}  // namespace

CSerialPort::CSerialPort() = default;

CSerialPort::~CSerialPort()
{
    Close();
}

int CSerialPort::Open(int port, int baud)
{
    Close();
    m_port = port;
    m_baud = baud;
    m_byPath = false;
    const std::string path = kelvane::PortDevicePath(port);
    if (path.empty()) {
        m_devicePath.clear();
        m_lastError = ENOENT;
        return 0;
    }
    return OpenDevice(path, baud);
}

int CSerialPort::OpenPath(const char* path, int baud)
{
    Close();
    m_port = 0;
    m_baud = baud;
    m_byPath = true;
    m_devicePath = path ? path : "";
    return OpenDevice(m_devicePath, baud);
}

int CSerialPort::OpenDevice(const std::string& path, int baud)
{
    m_devicePath = path;
    // Non-blocking so that open does not wait for carrier and every wait is a poll.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_lastError = static_cast<unsigned long>(errno);
        return 0;
    }
    if (const int error = AcquirePortLock(fd, m_lockKey)) {
        ::close(fd);
        m_lastError = static_cast<unsigned long>(error);
        return 0;
    }
    m_fd = fd;
    // The port is not shared while we hold it.
    if (::ioctl(fd, TIOCEXCL) != 0 && !NotSupported(errno))
        m_lastError = static_cast<unsigned long>(errno);

    // Line settings failing leave the port open with what it had, as on a
    // device that refuses a setting; only the error is kept.
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
        tio.c_cflag |= CS8 | CLOCAL | CREAD;
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        speed_t speed;
        if (!SpeedFor(baud, speed))
            m_lastError = EINVAL;
        else if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0
                 || ::tcsetattr(fd, TCSANOW, &tio) != 0)
            m_lastError = static_cast<unsigned long>(errno);
        const int rts = TIOCM_RTS;
        if (::ioctl(fd, TIOCMBIS, &rts) != 0 && !NotSupported(errno))
            m_lastError = static_cast<unsigned long>(errno);
    } else {
        m_lastError = static_cast<unsigned long>(errno);
    }
    ::tcflush(fd, TCIOFLUSH);
    return 1;
}

int CSerialPort::SetTimeouts(int readInterval, int readMultiplier, int readConstant,
                             int writeMultiplier, int writeConstant)
{
    if (m_fd < 0) {
        m_lastError = EBADF;
        return 0;
    }
    m_timeouts = {readInterval, readMultiplier, readConstant, writeMultiplier, writeConstant};
    return 1;
}

int CSerialPort::Write(const unsigned char* bytes, int length)
{
    if (m_fd < 0)
        return 0;
    const int total = m_timeouts.writeMultiplier * length + m_timeouts.writeConstant;
    const auto deadline = Clock::now() + std::chrono::milliseconds(total);
    int sent = 0;
    while (sent < length) {
        const ssize_t n = ::write(m_fd, bytes + sent, static_cast<size_t>(length - sent));
        if (n > 0) {
            sent += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            m_lastError = static_cast<unsigned long>(errno);
            return 0;
        }
        pollfd p{m_fd, POLLOUT, 0};
        const int wait = total > 0 ? MillisLeft(deadline) : -1;
        if (wait == 0 || ::poll(&p, 1, wait) == 0) {
            m_lastError = ETIMEDOUT;
            return 0;
        }
        if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) {
            m_lastError = EIO;
            return 0;
        }
    }
    return 1;
}

bool CSerialPort::WaitReadable(int timeoutMs)
{
    pollfd p{m_fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) > 0 && (p.revents & POLLIN);
}

int CSerialPort::Read(std::vector<unsigned char>& buffer, int expected)
{
    if (m_fd < 0)
        return -1;
    int waiting = 0;
    if (::ioctl(m_fd, FIONREAD, &waiting) != 0) {
        m_lastError = static_cast<unsigned long>(errno);
        return -1;
    }
    if (waiting <= 0)
        return 0;
    const int wanted = expected > waiting ? expected : waiting;
    if (static_cast<int>(buffer.size()) < wanted)
        buffer.assign(static_cast<size_t>(wanted), 0);

    // More than is waiting: wait for the rest as the read timeouts allow (a
    // pause of the read interval between bytes or the total time ends it).
    const int total = m_timeouts.readMultiplier * wanted + m_timeouts.readConstant;
    const auto deadline = Clock::now() + std::chrono::milliseconds(total);
    int got = 0;
    while (got < wanted) {
        const ssize_t n = ::read(m_fd, buffer.data() + got, static_cast<size_t>(wanted - got));
        if (n > 0) {
            got += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            m_lastError = static_cast<unsigned long>(errno);
            return -1;
        }
        int wait = m_timeouts.readInterval;
        if (total > 0) {
            const int left = MillisLeft(deadline);
            if (wait <= 0 || left < wait)
                wait = left;
        }
        if (wait <= 0 || !WaitReadable(wait))
            break;
    }
    buffer.resize(static_cast<size_t>(got));
    return got;
}

int CSerialPort::Reopen()
{
    // The timeouts stay in the object across a re-open; driver queues have no
    // setting on this platform.
    if (!m_byPath)
        return Open(m_port, m_baud);
    const std::string path = m_devicePath;
    return OpenPath(path.c_str(), m_baud);
}

int CSerialPort::Exchange(const unsigned char* request, int length, std::vector<unsigned char>& reply,
                          int& replyLength, int delay, ReplyComplete complete)
{
    if (m_fd < 0)
        Reopen();
    if (m_fd < 0)
        return 0;

    std::lock_guard<std::mutex> guard(m_lock);
    ::tcflush(m_fd, TCIOFLUSH);  // no stale bytes of an earlier reply
    if (!Write(request, length)) {
        Close();
        return 0;
    }

    const int expected = replyLength > 0 ? replyLength : 0;
    std::vector<unsigned char> received;
    std::vector<unsigned char> chunk;
    // A reply not whole when the delay ends is given a second delay: a logger
    // a little slower than the setting still gets its answer through, on the
    // attempt it answers, instead of into the next request's wait.
    const int wait = delay > 0 ? (complete ? 2 * delay : delay) : 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(wait);
    bool whole = false;
    // Collect while the delay runs, so a complete reply ends the wait at once.
    for (;;) {
        whole = complete && complete(request, length, received.data(), static_cast<int>(received.size()));
        const int left = MillisLeft(deadline);
        if (whole || left == 0)
            break;
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, left) <= 0)
            continue;
        if (!(p.revents & POLLIN)) {
            // Hung up: nothing will arrive on this line any more. A failed
            // read, so the next exchange opens the port again (the logger may
            // be back under the same name) or finds it gone.
            replyLength = -1;
            Close();
            return 0;
        }
        chunk.clear();
        const int n = Read(chunk, 0);
        if (n < 0 || (n == 0 && (p.revents & (POLLHUP | POLLERR)))) {
            replyLength = -1;
            Close();
            return 0;
        }
        if (n == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        received.insert(received.end(), chunk.begin(), chunk.begin() + n);
    }
    if (!whole) {
        chunk.clear();
        const int rest = expected - static_cast<int>(received.size());
        const int n = Read(chunk, rest > 0 ? rest : 0);
        if (n < 0) {
            replyLength = -1;
            Close();
            return 0;
        }
        received.insert(received.end(), chunk.begin(), chunk.begin() + n);
    }
    reply = std::move(received);
    replyLength = static_cast<int>(reply.size());
    return 1;
}

int CSerialPort::Drain(int waitMs)
{
    if (m_fd < 0)
        return -1;
    std::lock_guard<std::mutex> guard(m_lock);
    int discarded = 0;
    std::vector<unsigned char> chunk;
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : 0);
    for (;;) {
        const int left = MillisLeft(deadline);
        if (left == 0)
            break;
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, left) <= 0)
            continue;
        if (!(p.revents & POLLIN)) {
            Close();   // hung up
            return discarded;
        }
        chunk.clear();
        const int n = Read(chunk, 0);
        if (n < 0 || (n == 0 && (p.revents & (POLLHUP | POLLERR)))) {
            Close();
            return discarded;
        }
        if (n == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        discarded += n;
    }
    // Bytes the reads above have not taken yet go with the flush.
    int waiting = 0;
    if (::ioctl(m_fd, FIONREAD, &waiting) == 0 && waiting > 0)
        discarded += waiting;
    ::tcflush(m_fd, TCIOFLUSH);
    return discarded;
}

void CSerialPort::Close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
        ReleasePortLock(m_lockKey);
    }
}
