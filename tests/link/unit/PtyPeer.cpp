#include "PtyPeer.h"

#include "FrameCodec.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

namespace linktest {

using Clock = std::chrono::steady_clock;

Bytes WithCrc(Bytes frame)
{
    kelvane::AppendCrc(frame);
    return frame;
}

Bytes ReadReply(unsigned char function, const Bytes& data)
{
    Bytes frame{0x01, function, static_cast<unsigned char>(data.size())};
    frame.insert(frame.end(), data.begin(), data.end());
    return WithCrc(frame);
}

Bytes WriteReply(const Bytes& request)
{
    return WithCrc(Bytes(request.begin(), request.begin() + 6));
}

PtyPair::PtyPair()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        throw std::runtime_error("no pseudo-terminal");
    m_slave = ::ptsname(m_master);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair()
{
    CloseMaster();
}

void PtyPair::CloseMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

Bytes PtyPair::ReadMaster(std::size_t want, int timeoutMs)
{
    Bytes got;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < want) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p{m_master, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0)
            break;
        if (!(p.revents & POLLIN)) {  // no slave open yet: poll reports a hang-up
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        unsigned char buf[512];
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0) {
            if (n < 0 && errno == EAGAIN)
                continue;
            break;
        }
        got.insert(got.end(), buf, buf + n);
    }
    return got;
}

void PtyPair::WriteMaster(const Bytes& bytes)
{
    if (!bytes.empty() && ::write(m_master, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        throw std::runtime_error("pty write");
}

ScriptedPeer::ScriptedPeer(Handler handler) : m_handler(std::move(handler)), m_thread([this] { Run(); }) {}

ScriptedPeer::~ScriptedPeer()
{
    m_stop = true;
    m_thread.join();
}

std::vector<Bytes> ScriptedPeer::Requests()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_requests;
}

// Request frames end where their shape says: 8 bytes for reads, 9 + byte count
// for writes.
static std::size_t FrameLength(const Bytes& b)
{
    if (b.size() < 2)
        return 0;
    if (kelvane::IsReadFunction(b[1]))
        return 8;
    return b.size() < 7 ? 0 : 9 + b[6];
}

void ScriptedPeer::Run()
{
    Bytes pending;
    while (!m_stop) {
        Bytes got = m_pty.ReadMaster(1, 10);
        pending.insert(pending.end(), got.begin(), got.end());
        const std::size_t length = FrameLength(pending);
        if (length == 0 || pending.size() < length)
            continue;
        const Bytes request(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(length));
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(length));
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_requests.push_back(request);
        }
        const Bytes reply = m_handler(request);
        if (replyDelayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(replyDelayMs.load()));
        if (!reply.empty()) {
            m_pty.WriteMaster(reply);
            ++repliesWritten;
        }
    }
}

bool WaitReadable(const std::string& path, int guardMs)
{
    // The library's descriptor on the slave: found by its link in /proc.
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (std::filesystem::read_symlink(entry.path(), ec).string() != path || ec)
            continue;
        pollfd p{std::stoi(entry.path().filename().string()), POLLIN, 0};
        return ::poll(&p, 1, guardMs) == 1 && (p.revents & POLLIN);
    }
    return false;
}

void RegisterLogger::Set(int start, const Bytes& data)
{
    std::lock_guard<std::mutex> guard(lock);
    for (std::size_t i = 0; i + 1 < data.size(); i += 2)
        holding[start + static_cast<int>(i / 2)] = static_cast<uint16_t>((data[i] << 8) | data[i + 1]);
}

Bytes RegisterLogger::Get(int start, int count)
{
    std::lock_guard<std::mutex> guard(lock);
    Bytes data;
    for (int k = 0; k < count; ++k) {
        const uint16_t v = holding.count(start + k) ? holding[start + k] : 0;
        data.push_back(static_cast<unsigned char>(v >> 8));
        data.push_back(static_cast<unsigned char>(v));
    }
    return data;
}

Bytes RegisterLogger::Answer(const Bytes& request)
{
    std::lock_guard<std::mutex> guard(lock);
    const unsigned char function = request[1];
    const int start = (request[2] << 8) | request[3];
    const int count = (request[4] << 8) | request[5];
    if (fault == kSilent)
        return {};
    if (fault == kException)
        return WithCrc(Bytes{0x01, static_cast<unsigned char>(function | 0x80), 0x02});
    Bytes reply;
    if (kelvane::IsReadFunction(function)) {
        std::map<int, uint16_t>& map = function == 0x22 ? mac : function == 0x09 ? history : holding;
        Bytes data;
        for (int k = 0; k < count; ++k) {
            const uint16_t v = map.count(start + k) ? map[start + k] : 0;
            data.push_back(static_cast<unsigned char>(v >> 8));
            data.push_back(static_cast<unsigned char>(v));
        }
        reply = ReadReply(function, data);
    } else {
        if (function == 0x10)
            for (int k = 0; k < count; ++k)
                holding[start + k] = static_cast<uint16_t>((request[7 + 2 * k] << 8) | request[8 + 2 * k]);
        reply = WriteReply(request);
    }
    if (fault == kSwappedCrc)
        std::swap(reply[reply.size() - 1], reply[reply.size() - 2]);
    return reply;
}

ScratchFolder::ScratchFolder()
{
    char name[] = "/tmp/kelvane-test-XXXXXX";
    if (!::mkdtemp(name))
        throw std::runtime_error("no scratch folder");
    m_path = name;
    std::filesystem::create_directory(m_path / "dev");
    if (const char* old = std::getenv("QUILLMARK_FOLDER")) {
        m_hadFolder = true;
        m_oldFolder = old;
    }
    ::setenv("QUILLMARK_FOLDER", m_path.c_str(), 1);
}

ScratchFolder::~ScratchFolder()
{
    if (m_hadFolder)
        ::setenv("QUILLMARK_FOLDER", m_oldFolder.c_str(), 1);
    else
        ::unsetenv("QUILLMARK_FOLDER");
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

void ScratchFolder::Link(int port, const std::string& target)
{
    const auto link = m_path / "dev" / ("COM" + std::to_string(port));
    std::error_code ec;
    std::filesystem::remove(link, ec);
    std::filesystem::create_symlink(target, link);
}

}  // namespace linktest
