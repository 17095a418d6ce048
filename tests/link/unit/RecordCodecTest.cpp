#include "RecordCodec.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace kelvane;

namespace {

uint32_t Bits(float f)
{
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

Bytes ConfigBlock()
{
    Bytes d(56, 0);
    d[0] = 2;  d[1] = 1;
    d[2] = 0x13; d[3] = 0x45; d[4] = 0x09; d[5] = 0x17; d[6] = 0x20; d[7] = 0x25;
    d[8] = 0x08; d[9] = 0x00; d[10] = 0x12; d[11] = 0x31; d[12] = 0x20; d[13] = 0x26;
    d[14] = 0xAA; d[15] = 0xBB;
    d[18] = 0x30; d[19] = 0x05; d[20] = 0x77; d[21] = 0x01;
    d[24] = 0x00; d[25] = 0x10; d[27] = 0x02;
    d[34] = 0x5A; d[35] = 1;
    d[45] = 2;
    return d;
}

}  // namespace

TEST(KelvaneConfigRecord, DecodesEveryFieldFromItsByte)
{
    CKelvane::struct_config_info c{};
    c.reserved0 = 77;
    c.startTime.wSecond = 33;
    ASSERT_TRUE(DecodeConfig(ConfigBlock(), c));
    EXPECT_EQ(c.stopMode, 2);
    EXPECT_EQ(c.startMode, 1);
    EXPECT_EQ(c.startTime.wYear, 2025);
    EXPECT_EQ(c.startTime.wMonth, 9);
    EXPECT_EQ(c.startTime.wDay, 17);
    EXPECT_EQ(c.startTime.wHour, 13);
    EXPECT_EQ(c.startTime.wMinute, 45);
    EXPECT_EQ(c.startTime.wSecond, 33);  // not part of the block
    EXPECT_EQ(c.stopTime.wYear, 2026);
    EXPECT_EQ(c.stopTime.wMonth, 12);
    EXPECT_EQ(c.stopTime.wDay, 31);
    EXPECT_EQ(c.word107High, 0xAA);
    EXPECT_EQ(c.word107Low, 0xBB);
    EXPECT_EQ(c.recordInterval.wHour, 1);
    EXPECT_EQ(c.recordInterval.wMinute, 30);
    EXPECT_EQ(c.recordInterval.wSecond, 5);
    EXPECT_EQ(c.secondInterval.wHour, 2);
    EXPECT_EQ(c.secondInterval.wSecond, 10);
    EXPECT_EQ(c.word111High, 0x5A);
    EXPECT_EQ(c.recordingState, 1);
    EXPECT_EQ(c.channelCount, 2);
    EXPECT_EQ(c.reserved0, 77);
    EXPECT_FALSE(DecodeConfig(Bytes(55, 0), c));
}

TEST(KelvaneConfigRecord, PatchWritesOnlyTheWritableBytes)
{
    Bytes d = ConfigBlock();
    CKelvane::struct_config_info c{};
    DecodeConfig(d, c);
    c.stopMode = 3;
    c.startTime = SYSTEMTIME{2024, 5, 0, 17, 8, 5, 0, 0};
    c.recordInterval = SYSTEMTIME{0, 0, 0, 0, 12, 0, 59, 0};
    c.recordingState = 0;  // read only: never written
    const Bytes before = d;
    ASSERT_TRUE(PatchConfig(d, c));
    EXPECT_EQ(d[0], 3);
    EXPECT_EQ(Bytes(d.begin() + 2, d.begin() + 8), (Bytes{0x08, 0x05, 0x05, 0x17, 0x20, 0x24}));
    EXPECT_EQ(d[18], 0x00);
    EXPECT_EQ(d[19], 0x59);
    EXPECT_EQ(d[21], 0x12);
    EXPECT_EQ(d[20], 0x77);
    for (std::size_t i = 28; i < d.size(); ++i)
        EXPECT_EQ(d[i], before[i]) << "byte " << i;
    CKelvane::struct_config_info back{};
    DecodeConfig(d, back);
    EXPECT_EQ(back.startTime.wYear, 2024);
    EXPECT_EQ(back.stopTime.wDay, 31);
    EXPECT_EQ(back.recordInterval.wHour, 12);
}

TEST(KelvaneBasicRecord, SerialVersionsAndCounters)
{
    Bytes d(64, 0);
    d[0] = 0x30; d[1] = 0x39; d[2] = 0xA1; d[3] = 0x05;
    d[8] = 2; d[9] = 3; d[11] = 1;
    d[12] = 5; d[13] = 6; d[15] = 4;
    d[20] = 0x12; d[21] = 0x34; d[23] = 7;
    d[26] = 10; d[27] = 1;
    d[34] = 0x00; d[35] = 0x01;            // memory: register 0x11 high word
    d[37] = 0x02;                          // counter1 low register
    d[44] = 0x00; d[45] = 0x01; d[47] = 0x02;  // counter3: register 0x16 is the high word
    d[53] = 0x32;                          // stored frames
    CKelvane::struct_basic_config b{};
    ASSERT_TRUE(DecodeBasic(d, b));
    EXPECT_EQ(std::string(b.sn), "A10512345");
    EXPECT_EQ(b.softwareVersion[0], 1);
    EXPECT_EQ(b.softwareVersion[1], 2);
    EXPECT_EQ(b.softwareVersion[2], 3);
    EXPECT_EQ(b.hardwareVersion[0], 4);
    EXPECT_EQ(b.hardwareVersion[2], 6);
    EXPECT_EQ(b.word0A, 0x1234);
    EXPECT_EQ(b.frameBytes, 10);
    EXPECT_EQ(b.memoryFull, 1);
    EXPECT_EQ(b.memoryBytes, 65536);
    EXPECT_EQ(b.frameCapacity, 6553);
    EXPECT_EQ(b.counter1, 2);
    EXPECT_EQ(b.counter3, 65538);
    EXPECT_EQ(b.storedFrames, 50);
    EXPECT_EQ(b.deviceType, 7);

    d[26] = 0;  // a logger reporting frame size 0
    ASSERT_TRUE(DecodeBasic(d, b));
    EXPECT_EQ(b.frameCapacity, 0);
}

TEST(KelvaneChannelRecord, FloatsBoundsAndPatch)
{
    Bytes d(32, 0);
    d[0] = 1; d[1] = 0x21; d[7] = 3;
    const uint32_t upper = Bits(37.3f), lower = Bits(-10.25f);
    d[12] = static_cast<unsigned char>(upper >> 8); d[13] = static_cast<unsigned char>(upper);
    d[14] = static_cast<unsigned char>(upper >> 24); d[15] = static_cast<unsigned char>(upper >> 16);
    d[16] = static_cast<unsigned char>(lower >> 8); d[17] = static_cast<unsigned char>(lower);
    d[18] = static_cast<unsigned char>(lower >> 24); d[19] = static_cast<unsigned char>(lower >> 16);
    d[20] = 0x00; d[21] = 0x64; d[22] = 0xFF; d[23] = 0xF6;
    CKelvane::struct_channel_config c{};
    ASSERT_TRUE(DecodeChannel(d, c));
    EXPECT_EQ(c.alarmSwitch, 1);
    EXPECT_EQ(c.channelType, 0x21);
    EXPECT_EQ(c.word3Low, 3);
    EXPECT_FLOAT_EQ(c.alarmUpper, 37.3f);
    EXPECT_FLOAT_EQ(c.alarmLower, -10.25f);
    EXPECT_EQ(c.upperBound, 100);
    EXPECT_EQ(c.lowerBound, -10);

    c.alarmSwitch = 0;
    c.alarmUpper = 40.1f;
    const Bytes before = d;
    ASSERT_TRUE(PatchChannel(d, c));
    EXPECT_EQ(d[0], 0);
    EXPECT_EQ(d[1], 0x21);
    EXPECT_EQ(Bytes(d.begin() + 16, d.end()), Bytes(before.begin() + 16, before.end()));
    CKelvane::struct_channel_config back{};
    DecodeChannel(d, back);
    EXPECT_EQ(Bits(back.alarmUpper), Bits(40.1f));
}

TEST(KelvaneCardName, DecodeLowByteFirstAndAtMostTen)
{
    Bytes d{3, 0, 0x42, 0x41, 0x00, 0x43, 0, 0, 0, 0, 0, 0};
    char name[12];
    std::memset(name, '#', sizeof name);
    EXPECT_EQ(DecodeCardName(d, name), 3);
    EXPECT_EQ(std::string(name, 4), "ABC#");

    d = {15, 0, 'b', 'a', 'd', 'c', 'f', 'e', 'h', 'g', 'j', 'i'};
    std::memset(name, '#', sizeof name);
    EXPECT_EQ(DecodeCardName(d, name), 10);
    EXPECT_EQ(std::string(name, 12), "abcdefghij##");
}

TEST(KelvaneCardName, EncodePacksTwoPerRegister)
{
    EXPECT_EQ(EncodeCardName("ABC", 4), (Bytes{3, 0, 0x42, 0x41, 0x00, 0x43, 0, 0, 0, 0, 0, 0}));
    const Bytes ten = EncodeCardName("abcdefghijkl", 13);
    EXPECT_EQ(ten[0], 10);
    EXPECT_EQ(ten[11], 'i');
    EXPECT_EQ(EncodeCardName("AB", 8), (Bytes{2, 0, 'B', 'A', 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(EncodeCardName(nullptr, 4)[0], 0);
}

TEST(KelvaneMacAndClock, MacReversedClockRoundTrip)
{
    int mac[6] = {};
    ASSERT_TRUE(DecodeMac(Bytes{0x11, 0x22, 0x33, 0x44, 0x55, 0x66}, mac));
    EXPECT_EQ(mac[0], 0x66);
    EXPECT_EQ(mac[5], 0x11);

    const SYSTEMTIME t{2024, 5, 5, 17, 13, 45, 9, 0};
    const Bytes clock = EncodeClock(t);
    EXPECT_EQ(clock, (Bytes{0x45, 0x09, 0x05, 0x13, 0x05, 0x17, 0x20, 0x24}));
    SYSTEMTIME back{0, 0, 6, 0, 0, 0, 0, 999};
    ASSERT_TRUE(DecodeClock(clock, back));
    EXPECT_EQ(back.wYear, 2024);
    EXPECT_EQ(back.wMonth, 5);
    EXPECT_EQ(back.wDay, 17);
    EXPECT_EQ(back.wHour, 13);
    EXPECT_EQ(back.wMinute, 45);
    EXPECT_EQ(back.wSecond, 9);
    EXPECT_EQ(back.wDayOfWeek, 6);        // left as it was
    EXPECT_EQ(back.wMilliseconds, 999);
    EXPECT_EQ(EncodeStartTime(t), (Bytes{0x24, 0x05, 0x17, 0x13, 0x45, 0, 0, 0}));
}

TEST(KelvaneHistoryFrame, ValuesAndTime)
{
    CKelvane::struct_history_data s{};
    Bytes d{0x00, 0xFA, 0x13, 0x88, 0x24, 0x05, 0x17, 0x13, 0x45, 0x09,
            0x13, 0x89, 0xFF, 0xFF, 0x24, 0x05, 0x17, 0x14, 0x00, 0x00};
    EXPECT_FALSE(DecodeHistoryFrame(d, 0, 2, s));
    EXPECT_FLOAT_EQ(s.value[0], 25.0f);
    EXPECT_FLOAT_EQ(s.value[1], 500.0f);
    EXPECT_EQ(s.time.wYear, 2024);
    EXPECT_EQ(s.time.wMonth, 5);
    EXPECT_EQ(s.time.wDay, 17);
    EXPECT_EQ(s.time.wHour, 13);
    EXPECT_EQ(s.time.wMinute, 45);
    EXPECT_EQ(s.time.wSecond, 9);
    EXPECT_FALSE(DecodeHistoryFrame(d, 10, 2, s));
    EXPECT_FLOAT_EQ(s.value[0], -6053.5f);
    EXPECT_FLOAT_EQ(s.value[1], -0.1f);
    EXPECT_EQ(s.time.wHour, 14);
}

TEST(KelvaneHistoryFrame, EmptySlotKeepsTimeAndWideFramesStayInBounds)
{
    CKelvane::struct_history_data s{};
    s.time.wYear = 2023;
    const Bytes erased(10, 0xFF);
    EXPECT_TRUE(DecodeHistoryFrame(erased, 0, 2, s));
    EXPECT_EQ(s.time.wYear, 2023);
    EXPECT_FLOAT_EQ(s.value[0], -0.1f);

    // Three channels: the third value is read past but not stored; time follows it.
    struct { CKelvane::struct_history_data s; int guard; } wide{{}, 12345};
    const Bytes three{0x00, 0x01, 0x00, 0x02, 0x00, 0x03, 0x24, 0x01, 0x02, 0x03, 0x04, 0x05};
    EXPECT_FALSE(DecodeHistoryFrame(three, 0, 3, wide.s));
    EXPECT_FLOAT_EQ(wide.s.value[1], 0.2f);
    EXPECT_EQ(wide.s.time.wSecond, 5);
    EXPECT_EQ(wide.guard, 12345);

    // A frame cut short reads the missing bytes as 0.
    EXPECT_FALSE(DecodeHistoryFrame(Bytes{0x00, 0x0A}, 0, 2, s));
    EXPECT_FLOAT_EQ(s.value[0], 1.0f);
    EXPECT_EQ(s.time.wYear, 2000);
}

TEST(KelvanePaging, PagesOfAtMost245Bytes)
{
    EXPECT_EQ(PageFrames(50, 0, 10), 24);
    EXPECT_EQ(PageFrames(50, 24, 10), 24);
    EXPECT_EQ(PageFrames(50, 48, 10), 2);
    EXPECT_EQ(PageFrames(20, 0, 10), 20);
    EXPECT_EQ(PageFrames(30, 0, 8), 30);
    EXPECT_EQ(PageFrames(1000, 0, 245), 1);
    EXPECT_EQ(PageFrames(0, 0, 10), 0);
    EXPECT_EQ(PageFrames(50, 0, 0), 0);
    EXPECT_EQ(PageFrames(50, 0, 246), 0);
    EXPECT_EQ(PageFrames(50, 0, -1), 0);
}

TEST(KelvaneBattery, LevelsByType)
{
    EXPECT_EQ(BatteryLevel(290, 25.0f, 1), 2);  // 2.9 - 0.0125 = 2.8875
    EXPECT_EQ(BatteryLevel(290, 10.0f, 1), 3);  // 2.9 + 0.067
    EXPECT_EQ(BatteryLevel(250, 20.0f, 1), 0);
    EXPECT_EQ(BatteryLevel(400, 0.0f, 4), 3);
    EXPECT_EQ(BatteryLevel(360, 0.0f, 4), 2);
    EXPECT_EQ(BatteryLevel(330, 0.0f, 4), 1);
    EXPECT_EQ(BatteryLevel(329, 0.0f, 4), 0);
    EXPECT_EQ(BatteryLevel(400, 25.0f, 2), -1);
}
