// A pseudo-terminal pair for the link tests: the library opens the slave end,
// the test (or a scripted peer thread) plays the logger on the master end.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace linktest {

using Bytes = std::vector<unsigned char>;

Bytes WithCrc(Bytes frame);
// A read reply (address 1) carrying data.
Bytes ReadReply(unsigned char function, const Bytes& data);
// The 8-byte confirmation of a write request.
Bytes WriteReply(const Bytes& request);

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return m_slave; }
    int Master() const { return m_master; }
    void CloseMaster();
    // Bytes the master has received within timeout.
    Bytes ReadMaster(std::size_t want, int timeoutMs);
    void WriteMaster(const Bytes& bytes);

private:
    int m_master = -1;
    std::string m_slave;
};

// Answers each request frame on the master end through a handler. A handler
// returning an empty reply stays silent; replyDelayMs holds a reply back.
class ScriptedPeer {
public:
    using Handler = std::function<Bytes(const Bytes& request)>;
    explicit ScriptedPeer(Handler handler);
    ~ScriptedPeer();

    const std::string& SlavePath() const { return m_pty.SlavePath(); }
    std::vector<Bytes> Requests();
    std::atomic<int> replyDelayMs{0};
    std::atomic<int> repliesWritten{0};   // replies handed to the line so far

private:
    void Run();
    PtyPair m_pty;
    Handler m_handler;
    std::mutex m_lock;
    std::vector<Bytes> m_requests;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// A logger reduced to a register map, for ScriptedPeer: 0x03/0x22/0x09 read
// registers (0x22 and 0x09 from their own maps), 0x10 writes, 0x13/0x14 are
// confirmed. A fault setting spoils every answer.
struct RegisterLogger {
    enum Fault { kNone, kSilent, kSwappedCrc, kException };
    std::mutex lock;
    std::map<int, uint16_t> holding;
    std::map<int, uint16_t> mac;
    std::map<int, uint16_t> history;
    Fault fault = kNone;

    void Set(int start, const Bytes& data);  // data bytes, high byte first
    Bytes Get(int start, int count);
    Bytes Answer(const Bytes& request);
    ScriptedPeer::Handler Handler() { return [this](const Bytes& r) { return Answer(r); }; }
};

// Waits until bytes wait to be read on `path` (a pty slave this process has
// open, as the library's port), without reading them. false when no such
// descriptor is open or nothing arrives within `guardMs`.
bool WaitReadable(const std::string& path, int guardMs = 30000);

// A scratch program folder (QUILLMARK_FOLDER) removed again at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const std::filesystem::path& Path() const { return m_path; }
    // dev/COM<n> -> target
    void Link(int port, const std::string& target);

private:
    std::filesystem::path m_path;
    std::string m_oldFolder;
    bool m_hadFolder = false;
};

}  // namespace linktest
