// The command engine and the configuration commands against a scripted logger.
#include "Conversions.h"
#include "FrameCodec.h"
#include "RecordCodec.h"
#include "Kelvane.h"
#include "PtyPeer.h"
#include "DiagnosticsCapture.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace linktest;

namespace {

// Answered exchanges end as soon as the reply is whole, so a long delay costs
// nothing and keeps a loaded machine from failing them; silence waits kNoAnswer.
constexpr int kDelay = 1000;
constexpr int kNoAnswer = 30;
// A reply that fails its checks costs a delay's wait before the next attempt.
constexpr int kDamaged = 150;

class KelvaneCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(link.InstancePath(peer.SlavePath().c_str(), 115200), 1);
    }
    std::vector<Bytes> Requests() { return peer.Requests(); }

    qmtest::DiagnosticsCapture sink;
    RegisterLogger logger;
    ScriptedPeer peer{logger.Handler()};
    CKelvane link;
};

Bytes ConfigBlock()
{
    Bytes d(56, 0);
    for (std::size_t i = 0; i < d.size(); ++i)
        d[i] = kelvane::IntToBcd(static_cast<int>(i));  // BCD throughout, so it reads back as written
    d[0] = 2;
    d[1] = 1;
    d[45] = 2;
    return d;
}

}  // namespace

TEST(KelvaneInstance, MissingPortFailsWithTheInitialisationMessage)
{
    qmtest::DiagnosticsCapture sink;
    ScratchFolder folder;
    CKelvane link;
    EXPECT_EQ(link.Instance(77, 115200), 0);
    const std::wstring msg = link.GetLastMsg();
    EXPECT_EQ(msg, L"Serial initialization failed!\r\nWARNING:  Failed with the following error (code:2): \n"
                   L"No such file or directory");
    const auto reports = sink.Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].source, "CKelvane");
    EXPECT_EQ(reports[0].first, "CKelvane error: 2");
    EXPECT_EQ(reports[0].text, "WARNING: Instance Failed with the following error (code:2): \nNo such file or directory");

    // Nothing to re-open: every command fails at once without a reply.
    CKelvane::struct_config_info config{};
    EXPECT_EQ(link.GetConfig(config, kNoAnswer, 2), 0);
    EXPECT_EQ(sink.Reports().back().text, "发送：01 03 01 00 00 1c 45 ff \r\nNo data received");
}

TEST(KelvaneExported, ConversionsAndCrcThroughTheClass)
{
    unsigned char request[] = {0x01, 0x03, 0x01, 0x00, 0x00, 0x1C};
    EXPECT_EQ(CKelvane::CRC16(request, 6), 0xFF45ul);
    EXPECT_EQ(CKelvane::GetTime(0x23), 23);
    EXPECT_EQ(CKelvane::GetYear(0x20, 0x24), 2024);
    EXPECT_EQ(CKelvane::IntToByte(45), 0x45);
    EXPECT_EQ(CKelvane::ByteToInt(0x45), 45);
    EXPECT_EQ(CKelvane::GetChannelLimit(0xFFF6), -10);
    unsigned char out[6] = {};
    CKelvane::GetTimeByte(out, "2024-05-17 13:45", 0);
    EXPECT_EQ(Bytes(out, out + 6), (Bytes{0x20, 0x24, 0x05, 0x17, 0x13, 0x45}));
    CKelvane::GetTimeByte(out, "00:15:30", 1);
    EXPECT_EQ(Bytes(out, out + 3), (Bytes{0x00, 0x15, 0x30}));
    EXPECT_EQ(CKelvane::GetStr("send:", request, 2), "send:01 03 \r\n");
    CKelvane link;
    EXPECT_EQ(link.GetDateLength(50, 10), 240);
    EXPECT_EQ(link.PageFrames(), 24);
    EXPECT_EQ(link.GetDateLength(50, 0), 0);
}

TEST_F(KelvaneCommands, ZeroAttemptsSendNothing)
{
    CKelvane::struct_config_info config{};
    EXPECT_EQ(link.GetConfig(config, kDelay, 0), 0);
    EXPECT_TRUE(Requests().empty());
    ASSERT_EQ(sink.Reports().size(), 1u);
    EXPECT_EQ(sink.Reports()[0].source, "CKelvane::GetConfig");
    EXPECT_EQ(sink.Reports()[0].text, "发送：01 03 01 00 00 1c 45 ff \r\nNo data received");
}

TEST_F(KelvaneCommands, SilentLoggerIsTriedAttemptsTimesWithEachCommandsText)
{
    logger.fault = RegisterLogger::kSilent;
    CKelvane::struct_channel_config channels[2] = {};
    EXPECT_EQ(link.GetChannelConfig(channels, 2, kNoAnswer, 2), 0);
    EXPECT_EQ(Requests().size(), 2u);  // the first channel's failure ends the call
    EXPECT_EQ(sink.Reports().back().source, "CKelvane::GetChannelConfig");
    EXPECT_NE(sink.Reports().back().text.find("No data recevied"), std::string::npos);

    EXPECT_EQ(link.SetTime(SYSTEMTIME{2024, 5, 5, 17, 13, 45, 9, 0}, kNoAnswer, 1), 0);
    const std::string text = sink.Reports().back().text;
    EXPECT_EQ(text.rfind("发送：01 10 01 e0 00 04 08 45 09 05 13 05 17 20 24 ", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 17), "\r\nNo data recived");
    int mac[6] = {};
    EXPECT_EQ(link.GetMac(mac, kNoAnswer, 1), 0);
    EXPECT_NE(sink.Reports().back().text.find("No data received"), std::string::npos);
}

TEST_F(KelvaneCommands, BadRepliesAreRejectedReportedAndLeaveTheRecord)
{
    logger.Set(0x01E0, Bytes{0x45, 0x09, 0x05, 0x13, 0x05, 0x17, 0x20, 0x24});
    logger.fault = RegisterLogger::kSwappedCrc;
    SYSTEMTIME time{1999, 1, 0, 1, 0, 0, 0, 0};
    // A damaged reply is thrown away and the request sent again, after a
    // delay's quiet wait, until the attempts are spent.
    EXPECT_EQ(link.GetDeviceTime(&time, kDamaged, 3), 0);
    EXPECT_EQ(Requests().size(), 3u);
    EXPECT_EQ(link.GetLastFailure(), CKelvane::kLinkDamaged);
    EXPECT_EQ(time.wYear, 1999);
    const std::string text = sink.Reports().back().text;
    EXPECT_EQ(text.rfind("发送：01 03 01 e0 00 04 ", 0), 0u);
    EXPECT_NE(text.find("\r\n接收：0103084509051305172024"), std::string::npos);

    logger.fault = RegisterLogger::kException;
    EXPECT_EQ(link.GetDeviceTime(&time, kDamaged, 1), 0);
    EXPECT_EQ(time.wYear, 1999);
    EXPECT_NE(sink.Reports().back().text.find("接收：018302"), std::string::npos);
    EXPECT_EQ(link.ClearHistory(kDamaged, 1), 0);

    logger.fault = RegisterLogger::kNone;
    EXPECT_EQ(link.GetDeviceTime(&time, kDelay, 1), 1);
    EXPECT_EQ(link.GetLastFailure(), CKelvane::kLinkOk);
    EXPECT_EQ(time.wYear, 2024);
    EXPECT_EQ(time.wSecond, 9);
}

TEST_F(KelvaneCommands, TraceSeesSuccessfulExchangesAndReportsDoNot)
{
    EXPECT_EQ(link.WarnSet(kDelay, 1), 1);
    EXPECT_TRUE(sink.Reports().empty());
    ASSERT_EQ(sink.Traces().size(), 1u);
    EXPECT_EQ(sink.Traces()[0].source, "CKelvane::WarnSet");
    EXPECT_EQ(sink.Traces()[0].text.rfind("发送：01 10 02 00 00 0a 14 00 00 ", 0), 0u);
    EXPECT_NE(sink.Traces()[0].text.find("\r\n接收：01100200000A"), std::string::npos);
    EXPECT_EQ(Requests()[0].size(), 29u);
}

TEST_F(KelvaneCommands, SetConfigWritesBackTheBlockReadWithFieldsPatched)
{
    CKelvane::struct_config_info config{};
    EXPECT_EQ(link.SetConfig(config, 1, kDelay, 1), 0);  // nothing read yet
    EXPECT_TRUE(Requests().empty());                     // and nothing erased either
    EXPECT_EQ(sink.Reports().back().source, "CKelvane::SetConfig");

    logger.Set(0x0100, ConfigBlock());
    ASSERT_EQ(link.GetConfig(config, kDelay, 1), 1);
    EXPECT_EQ(link.ChannelCount(), 2);
    EXPECT_EQ(link.ConfigText().substr(0, 12), "02,01,02,03,");
    config.stopMode = 5;
    config.startTime = SYSTEMTIME{2024, 6, 0, 1, 7, 30, 0, 0};
    ASSERT_EQ(link.SetConfig(config, 0, kDelay, 1), 1);
    const Bytes write = Requests().back();
    ASSERT_EQ(write.size(), 56u + 9u);
    EXPECT_EQ(Bytes(write.begin(), write.begin() + 7), (Bytes{0x01, 0x10, 0x01, 0x00, 0x00, 0x1C, 0x38}));
    Bytes expected = ConfigBlock();
    expected[0] = 5;
    const Bytes start{0x07, 0x30, 0x06, 0x01, 0x20, 0x24};
    std::copy(start.begin(), start.end(), expected.begin() + 2);
    EXPECT_EQ(Bytes(write.begin() + 7, write.end() - 2), expected);
}

TEST_F(KelvaneCommands, SetConfigClearsFirstAndStopsWhenTheEraseFails)
{
    logger.Set(0x0100, ConfigBlock());
    CKelvane::struct_config_info config{};
    ASSERT_EQ(link.GetConfig(config, kDelay, 1), 1);
    ASSERT_EQ(link.SetConfig(config, 1, kDelay, 1), 1);
    auto requests = Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(Bytes(requests[1].begin(), requests[1].end() - 2), (Bytes{0x01, 0x13, 0x00, 0x00, 0x00, 0x01, 0x02, 0x0A, 0x0A}));
    EXPECT_EQ(requests[2][1], 0x10);

    logger.fault = RegisterLogger::kException;
    EXPECT_EQ(link.SetConfig(config, 1, kDelay, 1), 0);
    EXPECT_EQ(Requests().size(), 4u);
    EXPECT_EQ(Requests().back()[1], 0x13);

    // A failed read empties the saved block: no write from stale bytes.
    EXPECT_EQ(link.GetConfig(config, kDelay, 1), 0);
    logger.fault = RegisterLogger::kNone;
    EXPECT_EQ(link.SetConfig(config, 0, kDelay, 1), 0);
    EXPECT_EQ(Requests().size(), 5u);
}

TEST_F(KelvaneCommands, ChannelBlocksBeyondTwoAreReadButNeverWritten)
{
    Bytes block(32, 0);
    block[1] = 0x11;
    logger.Set(0x1000, block);
    block[1] = 0x22;
    logger.Set(0x1080, block);
    struct { CKelvane::struct_channel_config c[3]; int guard; } array{{}, 4242};
    ASSERT_EQ(link.GetChannelConfig(array.c, 3, kDelay, 1), 1);
    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0][2], 0x10);
    EXPECT_EQ(requests[1][3], 0x80);
    EXPECT_EQ(requests[2][3], 0x00);  // further channels read the first block again
    EXPECT_EQ(array.c[0].channelType, 0x11);
    EXPECT_EQ(array.c[1].channelType, 0x22);
    EXPECT_EQ(array.c[2].channelType, 0x11);
    EXPECT_EQ(array.guard, 4242);

    EXPECT_EQ(link.SetChannelConfig(array.c, 3, kDelay, 1), 0);  // no third block to write back
    EXPECT_EQ(Requests().size(), 3u);

    array.c[1].alarmSwitch = 1;
    array.c[1].alarmUpper = 30.5f;
    ASSERT_EQ(link.SetChannelConfig(array.c, 2, kDelay, 1), 1);
    const auto writes = Requests();
    ASSERT_EQ(writes.size(), 5u);
    EXPECT_EQ(Bytes(writes[4].begin(), writes[4].begin() + 7), (Bytes{0x01, 0x10, 0x10, 0x80, 0x00, 0x10, 0x20}));
    CKelvane::struct_channel_config back{};
    kelvane::DecodeChannel(logger.Get(0x1080, 16), back);
    EXPECT_EQ(back.alarmSwitch, 1);
    EXPECT_FLOAT_EQ(back.alarmUpper, 30.5f);
    EXPECT_EQ(back.channelType, 0x22);
}

TEST_F(KelvaneCommands, PrivateFunctionsAndNames)
{
    logger.mac = {{0, 0x1122}, {1, 0x3344}, {2, 0x5566}};
    int mac[6] = {};
    ASSERT_EQ(link.GetMac(mac, kDelay, 1), 1);
    EXPECT_EQ(Requests().back()[1], 0x22);
    EXPECT_EQ(mac[0], 0x66);
    EXPECT_EQ(mac[5], 0x11);

    ASSERT_EQ(link.SetCardName("ABC", 4, kDelay, 1), 1);
    const Bytes write = Requests().back();
    ASSERT_EQ(write.size(), 21u);
    EXPECT_EQ(Bytes(write.begin() + 7, write.end() - 2), (Bytes{3, 0, 0x42, 0x41, 0x00, 0x43, 0, 0, 0, 0, 0, 0}));
    char name[12];
    std::memset(name, 0, sizeof name);
    ASSERT_EQ(link.GetCardName(name, kDelay, 1), 1);
    EXPECT_STREQ(name, "ABC");

    Bytes basic(64, 0);
    basic[26] = 10;
    logger.Set(0x0000, basic);
    CKelvane::struct_basic_config info{};
    ASSERT_EQ(link.GetBasicConfig(info, kDelay, 1), 1);
    EXPECT_EQ(link.FrameBytes(), 10);
    EXPECT_EQ(std::string(info.sn), "000000000");
}
