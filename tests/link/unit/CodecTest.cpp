#include "Conversions.h"
#include "FrameCodec.h"

#include <gtest/gtest.h>

using namespace kelvane;

TEST(KelvaneCrc16, ModbusVectorsSentLowByteFirst)
{
    Bytes frame{0x01, 0x03, 0x01, 0x00, 0x00, 0x1C};
    EXPECT_EQ(Crc16(frame.data(), frame.size()), 0xFF45);
    AppendCrc(frame);
    EXPECT_EQ(frame, (Bytes{0x01, 0x03, 0x01, 0x00, 0x00, 0x1C, 0x45, 0xFF}));
    EXPECT_EQ(Crc16(nullptr, 0), 0xFFFF);
    // The standard check value of CRC-16/MODBUS.
    const std::string check = "123456789";
    EXPECT_EQ(Crc16(reinterpret_cast<const unsigned char*>(check.data()), check.size()), 0x4B37);
}

TEST(KelvaneFrameBuild, ReadAndWriteRequestShapes)
{
    EXPECT_EQ(BuildReadRequest(kReadHolding, 0x0100, 28), (Bytes{0x01, 0x03, 0x01, 0x00, 0x00, 0x1C, 0x45, 0xFF}));
    const Bytes write = BuildWriteRequest(kClearHistory, 0x0000, Bytes{0x0A, 0x0A});
    ASSERT_EQ(write.size(), 11u);
    EXPECT_EQ(Bytes(write.begin(), write.begin() + 9), (Bytes{0x01, 0x13, 0x00, 0x00, 0x00, 0x01, 0x02, 0x0A, 0x0A}));
    EXPECT_TRUE(CheckIntegrity(write));
    EXPECT_EQ(BuildWriteRequest(kWriteMultiple, 0x0200, Bytes(20, 0)).size(), 29u);
    EXPECT_EQ(BuildWriteRequest(kWriteMultiple, 0x01E0, Bytes(8, 0)).size(), 17u);
}

class KelvaneReplyValidation : public ::testing::Test {
protected:
    const Bytes read = BuildReadRequest(kReadHolding, 0x01E0, 4);
    const Bytes write = BuildWriteRequest(kWriteMultiple, 0x01E0, Bytes(8, 0));
    Bytes ReadAnswer(unsigned char function, unsigned char count, std::size_t dataBytes)
    {
        Bytes r{0x01, function, count};
        r.resize(3 + dataBytes, 0x11);
        AppendCrc(r);
        return r;
    }
};

TEST_F(KelvaneReplyValidation, AcceptsMatchingReplies)
{
    EXPECT_TRUE(ValidReply(read, ReadAnswer(0x03, 8, 8)));
    Bytes confirm(write.begin(), write.begin() + 6);
    AppendCrc(confirm);
    EXPECT_TRUE(ValidReply(write, confirm));
}

TEST_F(KelvaneReplyValidation, RejectsBadIntegrity)
{
    Bytes swapped = ReadAnswer(0x03, 8, 8);
    std::swap(swapped[swapped.size() - 1], swapped[swapped.size() - 2]);
    EXPECT_FALSE(CheckIntegrity(swapped));
    EXPECT_FALSE(ValidReply(read, swapped));
    Bytes shortReply{0x01, 0x03, 0x08};
    AppendCrc(shortReply);  // 5 bytes with a correct CRC are still too short
    EXPECT_FALSE(ValidReply(read, shortReply));
    EXPECT_FALSE(ValidReply(read, Bytes{}));
}

TEST_F(KelvaneReplyValidation, RejectsUnconfirmedReplies)
{
    Bytes exception{0x01, 0x83, 0x02};
    AppendCrc(exception);
    EXPECT_FALSE(ValidReply(read, exception));
    EXPECT_FALSE(ValidReply(read, ReadAnswer(0x03, 6, 6)));   // wrong byte count
    EXPECT_FALSE(ValidReply(read, ReadAnswer(0x04, 8, 8)));   // wrong function
    Bytes otherCount{0x01, 0x10, 0x01, 0xE0, 0x00, 0x05};
    AppendCrc(otherCount);
    EXPECT_FALSE(ValidReply(write, otherCount));
    Bytes exceptionWrite{0x01, 0x90, 0x02, 0x00, 0x00};
    AppendCrc(exceptionWrite);
    EXPECT_FALSE(ValidReply(write, exceptionWrite));
}

TEST_F(KelvaneReplyValidation, CompletenessFollowsTheRequest)
{
    EXPECT_EQ(ExpectedReplyLength(read.data(), static_cast<int>(read.size())), 13);
    EXPECT_EQ(ExpectedReplyLength(write.data(), static_cast<int>(write.size())), 8);
    const Bytes full = ReadAnswer(0x03, 8, 8);
    EXPECT_FALSE(ReplyComplete(read.data(), 8, full.data(), 12));
    EXPECT_TRUE(ReplyComplete(read.data(), 8, full.data(), 13));
    Bytes exception{0x01, 0x83, 0x02};
    AppendCrc(exception);
    EXPECT_FALSE(ReplyComplete(read.data(), 8, exception.data(), 4));
    EXPECT_TRUE(ReplyComplete(read.data(), 8, exception.data(), 5));
    const Bytes page = BuildReadRequest(kReadHistory, 0x0018, 120);
    EXPECT_EQ(ExpectedReplyLength(page.data(), 8), 245);
}

TEST_F(KelvaneReplyValidation, OnlyAReplyOfExactlyItsAnnouncedLengthIsValid)
{
    // Shorter than its byte count, yet with a CRC that holds over what came.
    const Bytes shortValid = ReadAnswer(0x03, 8, 6);
    EXPECT_TRUE(CheckIntegrity(shortValid));
    EXPECT_FALSE(CheckLength(read, shortValid));
    EXPECT_FALSE(ValidReply(read, shortValid));
    // A whole reply with bytes after its CRC.
    Bytes longer = ReadAnswer(0x03, 8, 8);
    longer.push_back(0x00);
    EXPECT_FALSE(ValidReply(read, longer));
    Bytes confirm(write.begin(), write.begin() + 6);
    AppendCrc(confirm);
    EXPECT_TRUE(CheckLength(write, confirm));
    Bytes confirmLonger = confirm;
    confirmLonger.insert(confirmLonger.begin() + 6, 0x00);
    AppendCrc(confirmLonger);
    EXPECT_FALSE(ValidReply(write, confirmLonger));

    // The wait for a reply ends at the length the reply announces for itself.
    EXPECT_EQ(AnnouncedReplyLength(read.data(), 8, shortValid.data(), 2), 13);   // not said yet: the request's
    EXPECT_EQ(AnnouncedReplyLength(read.data(), 8, shortValid.data(), 3), 13);
    const Bytes other = ReadAnswer(0x03, 2, 2);                                  // another command's answer
    EXPECT_EQ(AnnouncedReplyLength(read.data(), 8, other.data(), 3), 7);
    EXPECT_TRUE(ReplyComplete(read.data(), 8, other.data(), 7));
    EXPECT_EQ(AnnouncedReplyLength(read.data(), 8, confirm.data(), 2), 8);       // a write's confirmation
}

TEST(KelvaneBlockText, RoundTripAndShortText)
{
    const Bytes data{0x00, 0x0a, 0xff, 0x10};
    EXPECT_EQ(BlockText(data), "00,0a,ff,10");
    Bytes back;
    EXPECT_TRUE(ParseBlockText("00,0a,ff,10", 4, back));
    EXPECT_EQ(back, data);
    EXPECT_FALSE(ParseBlockText("00,0a,ff", 4, back));
    EXPECT_FALSE(ParseBlockText("", 4, back));
    EXPECT_FALSE(ParseBlockText("00,0a", 0, back));
}

TEST(KelvaneLogText, SentLowerWithBlanksReceivedUpperJoined)
{
    EXPECT_EQ(SentText(Bytes{0x01, 0xab}), "发送：01 ab \r\n");
    EXPECT_EQ(ReceivedText(Bytes{0x01, 0xab}), "接收：01AB");
    const unsigned char bytes[] = {0x01, 0x09, 0xfe};
    EXPECT_EQ(HexLine("send:", bytes, 3), "send:01 09 fe \r\n");
}

TEST(KelvaneConversions, BcdAndDecimalDigits)
{
    EXPECT_EQ(IntToBcd(59), 0x59);
    EXPECT_EQ(BcdToInt(0x59), 59);
    EXPECT_EQ(BcdDigits(0x23), 23);
    EXPECT_EQ(BcdDigits(0x09), 9);
    EXPECT_EQ(BcdDigits(0x3A), 3);   // reading stops at a digit above 9
    EXPECT_EQ(BcdDigits(0xA3), 0);
    EXPECT_EQ(BcdYear(0x20, 0x24), 2024);
    EXPECT_EQ(BcdYear(0x20, 0x25), 2025);
    EXPECT_EQ(SignedRegister(0xFFF6), -10);
    EXPECT_EQ(SignedRegister(0x7FFF), 32767);
}

TEST(KelvaneConversions, TimeTextToBcdKinds)
{
    unsigned char date[6];
    TimeTextToBcd(date, "2024-05-17 13:45", 0);
    EXPECT_EQ(Bytes(date, date + 6), (Bytes{0x20, 0x24, 0x05, 0x17, 0x13, 0x45}));
    unsigned char clock[3];
    TimeTextToBcd(clock, "01:30:05", 1);
    EXPECT_EQ(Bytes(clock, clock + 3), (Bytes{0x01, 0x30, 0x05}));
    TimeTextToBcd(clock, "01", 1);  // fields past the end of a short text are 0
    EXPECT_EQ(Bytes(clock, clock + 3), (Bytes{0x01, 0x00, 0x00}));
}
