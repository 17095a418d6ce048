// Our frames and CRC against libmodbus: an RTU server on the master end of a
// pseudo-terminal answers the library's 0x03 and 0x10 requests from a register map.
#include "Kelvane.h"

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <modbus/modbus.h>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kDelay = 1000;  // answered exchanges end at the whole reply

uint32_t Bits(float f)
{
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

class ModbusServer {
public:
    ModbusServer()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        m_slave = ::ptsname(m_master);
        m_ctx = modbus_new_rtu(m_slave.c_str(), 115200, 'N', 8, 1);
        m_map = modbus_mapping_new(0, 0, 0x3006, 0);
        if (!m_ctx || !m_map)
            throw std::runtime_error("no modbus context");
        modbus_set_slave(m_ctx, 1);
        // The library opens the slave; the server works on the master side.
        modbus_set_socket(m_ctx, m_master);
        modbus_set_indication_timeout(m_ctx, 0, 20000);
        m_thread = std::thread([this] { Serve(); });
    }
    ~ModbusServer()
    {
        m_stop = true;
        m_thread.join();
        modbus_set_socket(m_ctx, -1);
        modbus_free(m_ctx);
        modbus_mapping_free(m_map);
        ::close(m_master);
    }
    const std::string& SlavePath() const { return m_slave; }

    uint16_t& Reg(int address) { return m_map->tab_registers[address]; }
    std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(m_lock); }
    // The next `lateCount` replies go out `lateMs` after their request.
    std::atomic<int> lateMs{0};
    std::atomic<int> lateCount{0};
    std::atomic<int> requests{0};

private:
    void Serve()
    {
        uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
        while (!m_stop) {
            const int rc = modbus_receive(m_ctx, query);
            if (rc <= 0) {
                if (rc < 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            ++requests;
            if (lateCount > 0) {
                --lateCount;
                std::this_thread::sleep_for(std::chrono::milliseconds(lateMs.load()));
            }
            std::lock_guard<std::mutex> guard(m_lock);
            modbus_reply(m_ctx, query, rc, m_map);
        }
    }

    int m_master = -1;
    std::string m_slave;
    modbus_t* m_ctx = nullptr;
    modbus_mapping_t* m_map = nullptr;
    std::mutex m_lock;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

class KelvaneModbusPeer : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto lock = server.Lock();
        // Basic block: serial 0xA105 + 12345, frame size 10, 50 of 6553 frames.
        server.Reg(0x00) = 12345;
        server.Reg(0x01) = 0xA105;
        server.Reg(0x04) = 0x0203;
        server.Reg(0x05) = 0x0001;
        server.Reg(0x0B) = 0x0007;
        server.Reg(0x0D) = 0x0A00;
        server.Reg(0x11) = 0x0001;
        server.Reg(0x1A) = 50;
        // Configuration: stop 2, start 1, start 2025-09-17 13:45, stop 2026-12-31 08:00,
        // interval 01:30:05, two channels, recording.
        const uint16_t config[28] = {0x0201, 0x1345, 0x0917, 0x2025, 0x0800, 0x1231, 0x2026, 0xAABB,
                                     0,      0x3005, 0x0001, 0,      0x0010, 0x0002, 0,      0,
                                     0,      0x5A01, 0,      0,      0,      0,      0x0002, 0x1234};
        for (int k = 0; k < 28; ++k)
            server.Reg(0x0100 + k) = config[k];
        // Clock 2024-05-17 13:45:09.
        server.Reg(0x01E0) = 0x4509;
        server.Reg(0x01E1) = 0x0513;
        server.Reg(0x01E2) = 0x0517;
        server.Reg(0x01E3) = 0x2024;
        for (int k = 0; k < 10; ++k)
            server.Reg(0x0200 + k) = 0x1111;
        Channel(0x1000, 0x0121, 37.5f, -10.0f, 100, 0xFFF6);
        Channel(0x1080, 0x0022, 85.0f, 20.5f, 100, 0);
        server.Reg(0x3000) = 0x0300;
        server.Reg(0x3001) = 0x4241;
        server.Reg(0x3002) = 0x0043;
        lock.unlock();
        ASSERT_EQ(link.InstancePath(server.SlavePath().c_str(), 115200), 1);
    }
    void Channel(int base, uint16_t word0, float upper, float lower, uint16_t top, uint16_t floor)
    {
        server.Reg(base) = word0;
        server.Reg(base + 3) = 0x0005;
        server.Reg(base + 6) = static_cast<uint16_t>(Bits(upper));
        server.Reg(base + 7) = static_cast<uint16_t>(Bits(upper) >> 16);
        server.Reg(base + 8) = static_cast<uint16_t>(Bits(lower));
        server.Reg(base + 9) = static_cast<uint16_t>(Bits(lower) >> 16);
        server.Reg(base + 10) = top;
        server.Reg(base + 11) = floor;
    }
    std::vector<uint16_t> Regs(int start, int count)
    {
        auto lock = server.Lock();
        std::vector<uint16_t> r;
        for (int k = 0; k < count; ++k)
            r.push_back(server.Reg(start + k));
        return r;
    }

    ModbusServer server;
    CKelvane link;
};

}  // namespace

TEST_F(KelvaneModbusPeer, ReadsDecodeTheRegisterMap)
{
    CKelvane::struct_basic_config basic{};
    ASSERT_EQ(link.GetBasicConfig(basic, kDelay, 2), 1);
    EXPECT_EQ(std::string(basic.sn), "A10512345");
    EXPECT_EQ(basic.softwareVersion[0], 1);
    EXPECT_EQ(basic.softwareVersion[1], 2);
    EXPECT_EQ(basic.softwareVersion[2], 3);
    EXPECT_EQ(basic.frameBytes, 10);
    EXPECT_EQ(basic.memoryBytes, 65536);
    EXPECT_EQ(basic.frameCapacity, 6553);
    EXPECT_EQ(basic.storedFrames, 50);
    EXPECT_EQ(basic.deviceType, 7);

    CKelvane::struct_config_info config{};
    ASSERT_EQ(link.GetConfig(config, kDelay, 2), 1);
    EXPECT_EQ(config.stopMode, 2);
    EXPECT_EQ(config.startMode, 1);
    EXPECT_EQ(config.startTime.wYear, 2025);
    EXPECT_EQ(config.startTime.wMonth, 9);
    EXPECT_EQ(config.startTime.wDay, 17);
    EXPECT_EQ(config.startTime.wHour, 13);
    EXPECT_EQ(config.stopTime.wYear, 2026);
    EXPECT_EQ(config.recordInterval.wHour, 1);
    EXPECT_EQ(config.recordInterval.wMinute, 30);
    EXPECT_EQ(config.recordInterval.wSecond, 5);
    EXPECT_EQ(config.secondInterval.wHour, 2);
    EXPECT_EQ(config.secondInterval.wSecond, 10);
    EXPECT_EQ(config.recordingState, 1);
    EXPECT_EQ(config.channelCount, 2);

    CKelvane::struct_channel_config channels[2] = {};
    ASSERT_EQ(link.GetChannelConfig(channels, 2, kDelay, 2), 1);
    EXPECT_EQ(channels[0].alarmSwitch, 1);
    EXPECT_EQ(channels[0].channelType, 0x21);
    EXPECT_EQ(channels[0].word3Low, 5);
    EXPECT_FLOAT_EQ(channels[0].alarmUpper, 37.5f);
    EXPECT_FLOAT_EQ(channels[0].alarmLower, -10.0f);
    EXPECT_EQ(channels[0].upperBound, 100);
    EXPECT_EQ(channels[0].lowerBound, -10);
    EXPECT_EQ(channels[1].channelType, 0x22);
    EXPECT_FLOAT_EQ(channels[1].alarmLower, 20.5f);

    SYSTEMTIME clock{};
    ASSERT_EQ(link.GetDeviceTime(&clock, kDelay, 2), 1);
    EXPECT_EQ(clock.wYear, 2024);
    EXPECT_EQ(clock.wMonth, 5);
    EXPECT_EQ(clock.wDay, 17);
    EXPECT_EQ(clock.wHour, 13);
    EXPECT_EQ(clock.wMinute, 45);
    EXPECT_EQ(clock.wSecond, 9);

    char name[11] = {};
    ASSERT_EQ(link.GetCardName(name, kDelay, 2), 1);
    EXPECT_STREQ(name, "ABC");
}

TEST_F(KelvaneModbusPeer, WritesLandInTheRegisterMap)
{
    CKelvane::struct_config_info config{};
    ASSERT_EQ(link.GetConfig(config, kDelay, 2), 1);
    const std::vector<uint16_t> before = Regs(0x0100, 28);
    config.stopMode = 3;
    config.startMode = 0;
    config.startTime = SYSTEMTIME{2024, 6, 0, 1, 7, 30, 0, 0};
    config.recordInterval.wMinute = 0;
    config.recordInterval.wSecond = 59;
    ASSERT_EQ(link.SetConfig(config, 0, kDelay, 2), 1);
    std::vector<uint16_t> expected = before;
    expected[0] = 0x0300;
    expected[1] = 0x0730;
    expected[2] = 0x0601;
    expected[3] = 0x2024;
    expected[9] = 0x0059;
    EXPECT_EQ(Regs(0x0100, 28), expected);

    CKelvane::struct_channel_config channels[2] = {};
    ASSERT_EQ(link.GetChannelConfig(channels, 2, kDelay, 2), 1);
    channels[1].alarmSwitch = 1;
    channels[1].alarmUpper = 60.25f;
    channels[1].alarmLower = -5.5f;
    const std::vector<uint16_t> first = Regs(0x1000, 16);
    ASSERT_EQ(link.SetChannelConfig(channels, 2, kDelay, 2), 1);
    EXPECT_EQ(Regs(0x1000, 16), first);
    const std::vector<uint16_t> second = Regs(0x1080, 16);
    EXPECT_EQ(second[0], 0x0122);
    EXPECT_EQ((static_cast<uint32_t>(second[7]) << 16) | second[6], Bits(60.25f));
    EXPECT_EQ((static_cast<uint32_t>(second[9]) << 16) | second[8], Bits(-5.5f));
    EXPECT_EQ(second[10], 100);

    ASSERT_EQ(link.SetTime(SYSTEMTIME{2025, 1, 3, 2, 23, 59, 58, 0}, kDelay, 2), 1);
    EXPECT_EQ(Regs(0x01E0, 4), (std::vector<uint16_t>{0x5958, 0x0323, 0x0102, 0x2025}));

    ASSERT_EQ(link.SetCardName("Lab 7", 6, kDelay, 2), 1);
    EXPECT_EQ(Regs(0x3000, 6), (std::vector<uint16_t>{0x0500, 0x614C, 0x2062, 0x0037, 0, 0}));
    char name[11] = {};
    ASSERT_EQ(link.GetCardName(name, kDelay, 2), 1);
    EXPECT_STREQ(name, "Lab 7");

    ASSERT_EQ(link.WarnSet(kDelay, 2), 1);
    EXPECT_EQ(Regs(0x0200, 10), std::vector<uint16_t>(10, 0));
}

// libmodbus as the independent peer of the reply discipline: an answer a
// little after the delay is taken on its own attempt; one after the whole
// wait is drained, and neither the resend nor the next command takes it for
// theirs (the register changes between the commands, so a stale answer would
// show the old clock).
TEST_F(KelvaneModbusPeer, LateAnswersAreTakenOnTheirAttemptOrDrainedNeverTakenLater)
{
    SYSTEMTIME clock{};
    server.lateMs = 150;
    server.lateCount = 1;
    ASSERT_EQ(link.GetDeviceTime(&clock, 100, 3), 1);
    EXPECT_EQ(server.requests, 1);
    EXPECT_EQ(clock.wSecond, 9);

    server.lateMs = 260;
    server.lateCount = 1;
    server.requests = 0;
    ASSERT_EQ(link.GetDeviceTime(&clock, 100, 3), 1);
    EXPECT_EQ(server.requests, 2);   // drained, then asked again
    {
        auto lock = server.Lock();
        server.Reg(0x01E0) = 0x4510;
    }
    ASSERT_EQ(link.GetDeviceTime(&clock, 100, 1), 1);
    EXPECT_EQ(clock.wSecond, 10);

    // Every answer after two delays but within the quiet wait that follows:
    // the logger answers too slowly, and each answer is drained.
    server.lateMs = 250;
    server.lateCount = 3;
    EXPECT_EQ(link.GetDeviceTime(&clock, 100, 3), 0);
    EXPECT_EQ(link.GetLastFailure(), CKelvane::kLinkTooSlow);
    {
        auto lock = server.Lock();
        server.Reg(0x01E0) = 0x4511;
    }
    ASSERT_EQ(link.GetDeviceTime(&clock, 100, 1), 1);
    EXPECT_EQ(clock.wSecond, 11);
}
