// Kelvane: the device-link library of Quillmark.
//
// One object of CKelvane is one logger on one serial port. It is its own port
// (CKelvane derives from CSerialPort) and speaks the loggers' Modbus RTU dialect:
// functions 0x03 and 0x10 plus the private 0x09, 0x13, 0x14 and 0x22, slave 1.
//
// Every device command returns 1 on success and 0 on failure and takes the
// caller's delay (ms to wait for the reply) and number of attempts. Failures are
// reported to the diagnostics sink (syslog unless replaced), never thrown.
// Output records are written only after a reply has passed validation.
//
// Texts are UTF-8. One object must not run two commands at once; only
// SetDownState may be called from another thread while a download runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#define KELVANE_API __declspec(dllexport)
#else
#define KELVANE_API __attribute__((visibility("default")))

// Local time in the layout the loggers' callers know from the original platform.
struct SYSTEMTIME {
    uint16_t wYear;
    uint16_t wMonth;
    uint16_t wDayOfWeek;
    uint16_t wDay;
    uint16_t wHour;
    uint16_t wMinute;
    uint16_t wSecond;
    uint16_t wMilliseconds;
};
#endif
static_assert(sizeof(SYSTEMTIME) == 16, "SYSTEMTIME is eight 16-bit fields");

// Byte transport: one serial device (tty, pty or a link to one), 8N1 raw.
// The port stays open between exchanges; a failed write or read closes it and
// the next exchange re-opens it with the stored port number (or path) and baud.
class KELVANE_API CSerialPort {
public:
    CSerialPort();
    virtual ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Opens "COM<port>" through the port map (kelvane::PortDevicePath). 1/0.
    int Open(int port, int baud);
    // Opens a device file directly (no port map); re-opens use the same path. 1/0.
    int OpenPath(const char* path, int baud);
    // Read interval, read total multiplier, read total constant, write total
    // multiplier, write total constant, all in ms. Kept for re-opens. 1/0.
    int SetTimeouts(int readInterval, int readMultiplier, int readConstant,
                    int writeMultiplier, int writeConstant);
    // 1 written, 0 failed (port closed, error or write timeout).
    int Write(const unsigned char* bytes, int length);
    // Bytes read, 0 when nothing is waiting (buffer untouched), -1 on failure.
    // Reads max(expected, bytes waiting); the buffer is resized to what was read.
    int Read(std::vector<unsigned char>& buffer, int expected);

    // Says whether the bytes received so far form a complete reply to the request.
    using ReplyComplete = bool (*)(const unsigned char* request, int requestLength,
                                   const unsigned char* reply, int replyLength);
    // Purge, write the request, wait up to delay ms, take what has arrived.
    // replyLength: in the expected length, out the bytes received or -1.
    // When complete is given the wait ends as soon as it says the reply is
    // whole, and a reply not whole after the delay is waited for up to a
    // second delay. Returns 1 when the request went out and the read did not
    // fail, 0 otherwise.
    int Exchange(const unsigned char* request, int length, std::vector<unsigned char>& reply,
                 int& replyLength, int delay, ReplyComplete complete = nullptr);
    // Lets a late answer to an earlier request land and throws it away: waits
    // waitMs, discarding whatever arrives, then purges the line. Returns the
    // number of bytes discarded, -1 when the port is closed.
    int Drain(int waitMs);
    void Close();

    bool IsOpen() const { return m_fd >= 0; }
    // errno of the last failed port operation (0 if none yet).
    unsigned long LastError() const { return m_lastError; }
    int PortNumber() const { return m_port; }
    int BaudRate() const { return m_baud; }
    // Device path of the open or last opened device ("" before any open).
    const std::string& DevicePath() const { return m_devicePath; }

private:
    struct Timeouts {
        int readInterval = 0;
        int readMultiplier = 0;
        int readConstant = 0;
        int writeMultiplier = 0;
        int writeConstant = 0;
    };
    int OpenDevice(const std::string& path, int baud);
    int Reopen();
    bool WaitReadable(int timeoutMs);

    int m_fd = -1;
    unsigned long m_lastError = 0;
    std::mutex m_lock;
    Timeouts m_timeouts;
    int m_port = 0;
    int m_baud = 0;
    bool m_byPath = false;
    std::string m_devicePath;
    // The device's key in the process's table of port locks (see SerialPort.cpp).
    std::pair<unsigned long long, unsigned long long> m_lockKey{0, 0};
};

class KELVANE_API CKelvane : public CSerialPort {
public:
    // Recording configuration, registers 0x0100-0x011B.
    struct struct_config_info {
        int stopMode;
        int startMode;
        SYSTEMTIME startTime;       // wHour, wMinute, wMonth, wDay, wYear
        SYSTEMTIME stopTime;
        int word107High;
        int word107Low;
        SYSTEMTIME recordInterval;  // wHour, wMinute, wSecond
        SYSTEMTIME secondInterval;  // wHour, wMinute, wSecond
        int reserved0;
        int recordingState;         // 1 recording, 0 stopped
        int word111High;
        int reserved1;
        int reserved2;
        int channelCount;
    };

    // Identity and memory, registers 0x0000-0x001F.
    struct struct_basic_config {
        char sn[12];                // nine characters, no terminator written
        int softwareVersion[3];
        int reserved0;
        int hardwareVersion[3];
        int reserved1[5];
        int word0A;
        int frameBytes;
        int memoryFull;
        int reserved2;
        int memoryBytes;
        int frameCapacity;          // memoryBytes / frameBytes, 0 when frameBytes is 0
        int counter1;
        int reserved3;
        int storedFrames;
        int counter3;
        int deviceType;
    };

    // One channel's block, 16 registers at 0x1000 (channel 1) or 0x1080 (channel 2).
    struct struct_channel_config {
        int channelType;
        int word3Low;
        int alarmSwitch;
        float alarmUpper;
        float alarmLower;
        int upperBound;
        int lowerBound;
    };

    // One downloaded sample.
    struct struct_history_data {
        float value[2];             // channel values in the channel's unit
        SYSTEMTIME time;            // wYear..wSecond; wDayOfWeek, wMilliseconds 0
        int channelCount;
    };

    // Receives every sample of a download on the downloading thread.
    typedef void (*HistoryCallback)(void* context, char* name, struct_history_data sample);

    // Why the last command that failed did so (GetLastFailure); kLinkOk after a success.
    enum LinkFailure {
        kLinkOk = 0,
        kLinkNoAnswer = 1,       // nothing came back on any attempt
        kLinkTooSlow = 2,        // answers came, but only after the wait allowed for them
        kLinkDamaged = 3,        // replies failed their checks (CRC, function, count, length) or decoding
        kLinkGone = 4,           // the port failed or could not be opened again
        kLinkMissingFrames = 5,  // a download delivered fewer frames than the logger announced
        kLinkRefused = 6,        // refused before sending (no block read to write back, bad frame size)
    };

    // Where failure reports go: source ("CKelvane::GetConfig"), first string
    // ("<source> error: <errno>") and the log text with the bytes sent/received.
    using DiagnosticSink = std::function<void(const char* source, const char* first, const char* text)>;
    // Sees the log text of every exchange-running command, successful or not.
    using TraceSink = std::function<void(const char* source, const char* text)>;

    CKelvane();
    ~CKelvane() override;
    CKelvane(const CKelvane&) = delete;
    CKelvane& operator=(const CKelvane&) = delete;

    // Binds the object to COM<port> and sets the standard timeouts; sends nothing. 1/0.
    int Instance(int port, int baud);
    // Same for a device file path (a tty, a pty or a link to one). 1/0.
    int InstancePath(const char* path, int baud);

    static unsigned long CRC16(unsigned char* data, unsigned char length);
    // "Serial initialization failed!\r\nWARNING:  Failed with the following error
    // (code:<errno>): \n<strerror>"; valid until the next call on this object.
    wchar_t* GetLastMsg();

    int GetConfig(struct_config_info& config, int delay, int attempts);
    // Writes back the block last read by GetConfig with the record's fields patched;
    // refuses (0) when no complete block was read.
    int SetConfig(struct_config_info config, int clearFirst, int delay, int attempts);
    int GetBasicConfig(struct_basic_config& basic, int delay, int attempts);
    // Copies at most ten characters, no terminator.
    int GetCardName(char* name, int delay, int attempts);
    // length counts the terminator; at most ten characters are sent.
    int SetCardName(const char* name, int length, int delay, int attempts);
    int GetChannelConfig(struct_channel_config* array, int channels, int delay, int attempts);
    // Refuses (0) for a channel whose block was not completely read.
    int SetChannelConfig(const struct_channel_config* array, int channels, int delay, int attempts);
    int GetMac(int* mac, int delay, int attempts);
    int SetTime(SYSTEMTIME time, int delay, int attempts);
    int GetDeviceTime(SYSTEMTIME* time, int delay, int attempts);
    int SendStartTime(SYSTEMTIME start, int delay, int attempts);
    int WarnSet(int delay, int attempts);
    int ClearHistory(int delay, int attempts);
    // Battery level 0-3, or -1 for an unknown type. No communication.
    static int GetBattery(int raw, float temperature, int type);

    int getNeedDownDataFPS(int& frames, int delay, int attempts);
    // One page of the running download; more = 1 after a complete page.
    int DownNeedData(int channels, int totalFrames, int frameBytes, int& more,
                     HistoryCallback callback, char* name, void* context, int delay, int attempts);
    // The whole download from start on; returns 1 also when cancelled (GetDownState() 0).
    int DownHistoryData(int channels, SYSTEMTIME start, int frameBytes,
                        HistoryCallback callback, char* name, void* context, int delay, int attempts);
    void SetDownState(int state);
    int GetDownState();
    // LinkFailure of the last command (kLinkOk when it succeeded).
    int GetLastFailure() const { return m_lastFailure; }

    // Conversions, used by the commands; public so tools can reuse them.
    static unsigned char IntToByte(int value);          // 0..99 to packed BCD
    static int ByteToInt(unsigned char value);          // packed BCD to int
    static int GetTime(unsigned char value);            // 0x23 -> 23
    static int GetYear(unsigned char century, unsigned char year);  // 0x20,0x24 -> 2024
    // kind 0: "%04d-%02d-%02d %02d:%02d" -> century, year, month, day, hour, minute;
    // kind 1: "%02d:%02d:%02d" -> hours, minutes, seconds. out holds 6 or 3 bytes.
    static void GetTimeByte(unsigned char* out, const char* text, int kind);
    // prefix + "%02x " per byte + "\r\n"
    static std::string GetStr(const char* prefix, const unsigned char* bytes, int count);
    static int GetChannelLimit(int value);              // 16-bit register as signed
    // Page length in bytes of the next page; sets the page frames. 0 for a
    // frame size of 0 or above the 245 bytes one reply carries.
    int GetDateLength(int totalFrames, int frameBytes);

    // Replaces where failure reports go; an empty sink restores syslog.
    static void SetDiagnosticSink(DiagnosticSink sink);
    // Installs (or with an empty sink removes) the exchange trace.
    static void SetTraceSink(TraceSink sink);

    // State kept between commands (read only; for tools and tests).
    int ChannelCount() const { return m_channelCount; }
    int FrameBytes() const { return m_frameBytes; }
    int DownPosition() const { return m_downPosition; }
    int PageFrames() const { return m_pageFrames; }
    const std::string& ConfigText() const { return m_configText; }
    const std::string& ChannelText(int index) const { return m_channelText[index == 1 ? 1 : 0]; }

private:
    using Bytes = std::vector<unsigned char>;
    using ReplyCheck = bool (*)(const Bytes& request, const Bytes& reply, int pageBytes);
    // Sends the request until a reply passes `check` or the attempts are spent.
    // After an attempt without a good reply it waits one more delay for a late
    // answer and purges the line before sending again, so a reply is only ever
    // taken for the request it follows. True with the good reply; false with
    // the last bytes received (empty if none) and the failure noted.
    bool RunAttempts(const Bytes& request, Bytes& reply, int delay, int attempts, const char* attemptSource,
                     ReplyCheck check, int pageBytes = 0);
    int RunCommand(const char* command, const Bytes& request, const char* noReply,
                   int delay, int attempts, Bytes& reply);
    int ReadBlock(const char* command, int function, int start, int count, const char* noReply,
                  int delay, int attempts, Bytes& data);
    int WriteBlock(const char* command, int function, int start, const Bytes& data,
                   const char* noReply, int delay, int attempts);
    int Refuse(const char* command, const char* why, int failure = kLinkRefused);
    int InstanceFailed(const char* operation);

    int m_channelCount = 0;
    std::string m_configText;
    int m_configBytes = 0;
    std::string m_channelText[2];
    int m_channelBytes[2] = {0, 0};
    int m_downPosition = 0;
    int m_pageFrames = 0;
    int m_frameBytes = 0;
    std::atomic<int> m_downState{0};
    int64_t m_downDelivered = 0;  // frames handed to the callback in the running download
    Bytes m_lastPage;             // data of the page before, to tell a stale copy of it
    int m_lastFailure = kLinkOk;
    // An answer to an earlier attempt may still be on its way: the next
    // command waits one delay and purges the line before it sends.
    bool m_lineDirty = false;
    std::wstring m_lastMsg;
};

static_assert(sizeof(CKelvane::struct_config_info) == 104, "config record layout");
static_assert(sizeof(CKelvane::struct_basic_config) == 104, "basic record layout");
static_assert(sizeof(CKelvane::struct_channel_config) == 28, "channel record layout");
static_assert(sizeof(CKelvane::struct_history_data) == 28, "history record layout");
