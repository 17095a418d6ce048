#include "loggersim/SimLogger.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace loggersim {

namespace {

using Clock = std::chrono::steady_clock;

int SpeedToBaud(speed_t s)
{
    static const struct {
        speed_t speed;
        int baud;
    } table[] = {{B1200, 1200},   {B2400, 2400},   {B4800, 4800},     {B9600, 9600},    {B19200, 19200},
                 {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400}};
    for (const auto& e : table)
        if (e.speed == s)
            return e.baud;
    return 0;
}

// A request ends at the first pause longer than this when its length cannot be
// told from its function code (and an incomplete one is dropped after it).
constexpr int kFrameGapMs = 20;

} // namespace

CSimLogger::CSimLogger(const LoggerProfile& profile)
    : name_(profile.name), device_(profile.state, profile.history), pacing_(profile.pacing)
{
    if (!profile.clock.IsZero())
        device_.SetClock(profile.clock);
    for (const FaultRule& r : profile.faults)
        faults_.Add(r);
}

CSimLogger::~CSimLogger() { Stop(); }

std::string CSimLogger::SlavePath() const
{
    std::lock_guard lock(mutex_);
    return slavePath_;
}

void CSimLogger::AddFault(const FaultRule& rule)
{
    std::lock_guard lock(mutex_);
    faults_.Add(rule);
}

void CSimLogger::ClearFaults()
{
    std::lock_guard lock(mutex_);
    faults_.Clear();
}

std::vector<Bytes> CSimLogger::Requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

void CSimLogger::ClearRequests()
{
    std::lock_guard lock(mutex_);
    requests_.clear();
}

void CSimLogger::SetRequestHook(std::function<void(const Bytes&)> hook)
{
    std::lock_guard lock(mutex_);
    hook_ = std::move(hook);
}

bool CSimLogger::OpenLine(std::string* error)
{
    // Non-blocking, so that a reply nobody reads never holds the logger's
    // thread in write() past a stop.
    const int m = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m < 0 || grantpt(m) != 0 || unlockpt(m) != 0) {
        if (error)
            *error = std::string("posix_openpt: ") + std::strerror(errno);
        if (m >= 0)
            close(m);
        return false;
    }
    char path[128];
    if (ptsname_r(m, path, sizeof path) != 0) {
        if (error)
            *error = std::string("ptsname: ") + std::strerror(errno);
        close(m);
        return false;
    }
    // Holding the slave open keeps the line alive between clients (otherwise the
    // master reads EIO whenever the last client closes) and keeps its settings.
    const int s = open(path, O_RDWR | O_NOCTTY);
    if (s < 0) {
        if (error)
            *error = std::string("open ") + path + ": " + std::strerror(errno);
        close(m);
        return false;
    }
    termios t{};
    if (tcgetattr(s, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(s, TCSANOW, &t);
    }
    std::lock_guard lock(mutex_);
    master_ = m;
    slaveKeep_ = s;
    slavePath_ = path;
    return true;
}

void CSimLogger::CloseLine()
{
    if (master_ >= 0)
        close(master_);
    if (slaveKeep_ >= 0)
        close(slaveKeep_);
    master_ = slaveKeep_ = -1;
}

bool CSimLogger::PointLink(std::string* error)
{
    if (linkPath_.empty())
        return true;
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(fs::path(linkPath_).parent_path(), ec);
    // Replace the link in one step so a client never finds the name missing.
    const std::string temp = linkPath_ + ".new";
    fs::remove(temp, ec);
    if (symlink(SlavePath().c_str(), temp.c_str()) != 0 || rename(temp.c_str(), linkPath_.c_str()) != 0) {
        if (error)
            *error = "link " + linkPath_ + ": " + std::strerror(errno);
        unlink(temp.c_str());
        return false;
    }
    return true;
}

bool CSimLogger::Start(const std::string& linkPath, std::string* error)
{
    if (running_)
        return true;
    linkPath_ = linkPath;
    if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (error)
            *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    if (!OpenLine(error) || !PointLink(error)) {
        CloseLine();
        close(wake_[0]);
        close(wake_[1]);
        wake_[0] = wake_[1] = -1;
        return false;
    }
    running_ = true;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void CSimLogger::Stop()
{
    if (!running_)
        return;
    running_ = false;
    const char c = 0;
    (void)!write(wake_[1], &c, 1);
    if (thread_.joinable())
        thread_.join();
    CloseLine();
    close(wake_[0]);
    close(wake_[1]);
    wake_[0] = wake_[1] = -1;
    // Only remove a link that still points at this logger's line.
    if (!linkPath_.empty()) {
        char target[256];
        const ssize_t n = readlink(linkPath_.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<size_t>(n)) == SlavePath())
            unlink(linkPath_.c_str());
    }
}

bool CSimLogger::LineBaudMatches() const
{
    termios t{};
    if (tcgetattr(master_, &t) != 0)
        return true; // cannot tell: answer
    return SpeedToBaud(cfgetospeed(&t)) == device_.State().baud;
}

bool CSimLogger::WaitMs(double ms)
{
    if (ms <= 0)
        return running_;
    const auto until = Clock::now() + std::chrono::duration<double, std::milli>(ms);
    while (running_) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(until - Clock::now()).count();
        if (left <= 0)
            return true;
        if (left < 2000) {
            // poll's millisecond resolution is too coarse for byte times.
            std::this_thread::sleep_until(until);
            return running_;
        }
        pollfd p{wake_[0], POLLIN, 0};
        poll(&p, 1, static_cast<int>(left / 1000) - 1);
    }
    return false;
}

void CSimLogger::SendPaced(const Bytes& reply, size_t requestBytes)
{
    const int baud = device_.State().baud;
    const bool paced = pacing_ && baud > 0;
    const double byteUs = paced ? 10.0 * 1e6 / baud : 0.0;
    // The request took its own wire time to arrive; a real logger starts answering
    // only after its last byte.
    auto next = Clock::now() + std::chrono::microseconds(static_cast<long>(byteUs * static_cast<double>(requestBytes)));
    size_t sent = 0;
    // At most about a millisecond of bytes per write, so the far end sees the
    // reply grow at the speed of the line.
    const size_t chunk = paced ? std::max<size_t>(1, static_cast<size_t>(1000.0 / byteUs)) : reply.size();
    while (sent < reply.size() && running_) {
        if (paced) {
            std::this_thread::sleep_until(next);
        }
        const size_t n = std::min(chunk, reply.size() - sent);
        const ssize_t w = write(master_, reply.data() + sent, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN)
                return;
            // Nobody reads the line (a client that went away leaves its queue
            // full): wait until it drains, but never past a stop.
            pollfd p[2] = {{master_, POLLOUT, 0}, {wake_[0], POLLIN, 0}};
            poll(p, 2, 100);
            continue;
        }
        sent += static_cast<size_t>(w);
        next += std::chrono::microseconds(static_cast<long>(byteUs * static_cast<double>(w)));
    }
    if (paced)
        std::this_thread::sleep_until(next);
}

void CSimLogger::HandleFrame(const Bytes& frame)
{
    FaultDecision fault;
    std::function<void(const Bytes&)> hook;
    const uint8_t function = frame.size() > 1 ? frame[1] : 0;
    const bool isPage =
        function == 0x09 && frame.size() == 8 && !(frame[2] == 0 && frame[3] == 0 && frame[4] == 0 && frame[5] == 2);
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(frame);
        hook = hook_;
        if (CrcMatches(frame) && frame[0] == kSlaveAddress)
            fault = faults_.Decide(function, isPage, pagesAnswered_);
    }
    if (hook)
        hook(frame);
    if (!CrcMatches(frame))
        return; // a logger cannot trust a damaged frame, so it stays silent

    if (fault.hangUp) {
        // The line drops: whoever has the port open reads end of file. A fresh
        // line takes its place under the same link, as when a Bluetooth logger
        // comes back into range; the link moves first, so a client re-opening at
        // once already finds the new line.
        ++hangUps_;
        const int oldMaster = master_, oldSlave = slaveKeep_;
        std::string error;
        if (OpenLine(&error))
            PointLink(&error);
        else
            master_ = slaveKeep_ = -1; // no new line: the logger stays away
        close(oldMaster);
        close(oldSlave);
        return;
    }
    if (fault.silence)
        return;
    std::optional<Bytes> reply = device_.Handle(frame);
    if (!reply)
        return;
    if (fault.exception)
        *reply = ExceptionReply(function, static_cast<uint8_t>(fault.exception));
    if (fault.zeroChannels && function == 0x03 && reply->size() > 5) {
        const int start = frame[2] << 8 | frame[3];
        const int count = frame[4] << 8 | frame[5];
        const int channelRegister = 0x0116;
        if (start <= channelRegister && channelRegister < start + count) {
            (*reply)[3 + 2 * static_cast<size_t>(channelRegister - start) + 1] = 0;
            reply->resize(reply->size() - 2);
            AppendCrc(*reply);
        }
    }
    if (isPage && (*reply)[1] == 0x09)
        ++pagesAnswered_;
    if (fault.swapCrc && reply->size() >= 2)
        std::swap((*reply)[reply->size() - 1], (*reply)[reply->size() - 2]);
    if (fault.shortBy > 0 && reply->size() > 5) {
        // The byte count still says what was asked; the CRC holds over what is sent.
        const size_t keep = reply->size() - 2 > static_cast<size_t>(fault.shortBy) + 3
                                ? reply->size() - 2 - static_cast<size_t>(fault.shortBy)
                                : 3;
        reply->resize(keep);
        AppendCrc(*reply);
    }
    if (fault.extraBytes > 0)
        reply->insert(reply->end(), static_cast<size_t>(fault.extraBytes), 0x00);
    if (fault.truncate >= 0 && static_cast<size_t>(fault.truncate) < reply->size())
        reply->resize(static_cast<size_t>(fault.truncate));
    if (fault.lateMs > 0 && !WaitMs(fault.lateMs))
        return;
    SendPaced(*reply, frame.size());
    ++replies_;
    if (fault.doubleGapMs >= 0 && WaitMs(fault.doubleGapMs))
        SendPaced(*reply, 0);
}

void CSimLogger::Run()
{
    Bytes buffer;
    auto lastByte = Clock::now();
    uint8_t chunk[512];
    while (running_) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        const int timeout = buffer.empty() ? -1 : kFrameGapMs;
        const int n = poll(fds, 2, timeout);
        if (!running_)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (n == 0) {
            // A pause: the frame so far is all there is.
            if (!buffer.empty() && RequestLength(buffer.data(), buffer.size()) < 0)
                HandleFrame(buffer);
            buffer.clear();
            continue;
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t got = read(master_, chunk, sizeof chunk);
            if (got <= 0) {
                // EIO: no client holds the slave. Cannot happen while we keep it open,
                // but never spin on it.
                WaitMs(10);
                continue;
            }
            if (Clock::now() - lastByte > std::chrono::milliseconds(kFrameGapMs))
                buffer.clear();
            lastByte = Clock::now();
            // Bytes sent at another baud rate are noise to the logger.
            if (!LineBaudMatches()) {
                ignored_ += static_cast<int>(got);
                buffer.clear();
                continue;
            }
            buffer.insert(buffer.end(), chunk, chunk + got);
            for (;;) {
                const int length = RequestLength(buffer.data(), buffer.size());
                if (length <= 0 || buffer.size() < static_cast<size_t>(length))
                    break;
                const Bytes frame(buffer.begin(), buffer.begin() + length);
                buffer.erase(buffer.begin(), buffer.begin() + length);
                HandleFrame(frame);
            }
        }
    }
}

} // namespace loggersim
