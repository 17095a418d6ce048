// The history download against a scripted logger holding numbered frames.
#include "Conversions.h"
#include "Kelvane.h"
#include "PtyPeer.h"
#include "DiagnosticsCapture.h"

#include <future>
#include <gtest/gtest.h>
#include <thread>

using namespace linktest;

namespace {

// Answered exchanges end as soon as the reply is whole, so a long delay costs
// nothing and keeps a loaded machine from failing them; silence waits kNoAnswer.
constexpr int kDelay = 1000;
constexpr int kNoAnswer = 30;

// A logger with `frames` stored frames of frameBytes bytes: channel 1 = i,
// channel 2 = 1000 + i, time 2024-05-17 13:mm:ss with i seconds added.
struct HistoryLogger {
    RegisterLogger logger;
    void Fill(int frames, int frameBytes, int channels)
    {
        logger.history.clear();
        logger.history[0] = static_cast<uint16_t>(frames & 0xFFFF);
        logger.history[1] = static_cast<uint16_t>(frames >> 16);
        pages.clear();
        memory.clear();
        for (int i = 0; i < frames; ++i) {
            Bytes f(static_cast<std::size_t>(frameBytes), 0);
            for (int k = 0; k < channels && 2 * k + 1 < frameBytes; ++k) {
                const int v = k == 0 ? i : 1000 + i;
                f[2 * k] = static_cast<unsigned char>(v >> 8);
                f[2 * k + 1] = static_cast<unsigned char>(v);
            }
            const Bytes time{0x24, 0x05, 0x17, 0x13, kelvane::IntToBcd(i / 60 % 60), kelvane::IntToBcd(i % 60)};
            for (std::size_t t = 0; t < time.size() && 2 * channels + t < f.size(); ++t)
                f[2 * channels + t] = time[t];
            memory.insert(memory.end(), f.begin(), f.end());
        }
        this->frameBytes = frameBytes;
    }
    Bytes Answer(const Bytes& request)
    {
        // Page requests address frames by number; the frame count is register 0-1.
        if (request[1] == 0x09 && request[5] != 2) {
            const int position = (request[2] << 8) | request[3];
            const std::size_t at = static_cast<std::size_t>(position * frameBytes);
            Bytes data(memory.begin() + static_cast<std::ptrdiff_t>(at),
                       memory.begin() + static_cast<std::ptrdiff_t>(std::min(memory.size(), at + 2u * request[5])));
            pages.push_back(request);
            Bytes reply = ReadReply(0x09, data);
            if (pageFault == RegisterLogger::kSilent)
                return {};
            if (pageFault == RegisterLogger::kSwappedCrc)
                std::swap(reply[reply.size() - 1], reply[reply.size() - 2]);
            return reply;
        }
        return logger.Answer(request);
    }
    Bytes memory;
    int frameBytes = 0;
    RegisterLogger::Fault pageFault = RegisterLogger::kNone;
    std::vector<Bytes> pages;
};

struct Received {
    std::vector<CKelvane::struct_history_data> samples;
    CKelvane* link = nullptr;
    std::size_t cancelAt = 0;
};

void Collect(void* context, char* name, CKelvane::struct_history_data sample)
{
    auto* r = static_cast<Received*>(context);
    EXPECT_STREQ(name, "rec");
    r->samples.push_back(sample);
    if (r->cancelAt && r->samples.size() == r->cancelAt)
        r->link->SetDownState(0);
}

class KelvaneDownload : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(link.InstancePath(peer.SlavePath().c_str(), 115200), 1);
        received.link = &link;
    }
    int Run(int channels, int frameBytes)
    {
        return link.DownHistoryData(channels, SYSTEMTIME{2024, 5, 0, 17, 13, 0, 0, 0}, frameBytes, Collect, name,
                                    &received, kDelay, 2);
    }

    qmtest::DiagnosticsCapture sink;
    HistoryLogger history;
    ScriptedPeer peer{[this](const Bytes& r) { return history.Answer(r); }};
    CKelvane link;
    Received received;
    char name[4] = "rec";
};

}  // namespace

TEST_F(KelvaneDownload, FiftyFramesComeInPagesOf24_24_2)
{
    history.Fill(50, 10, 2);
    ASSERT_EQ(Run(2, 10), 1);
    EXPECT_EQ(link.GetDownState(), 1);
    ASSERT_EQ(history.pages.size(), 3u);
    EXPECT_EQ(Bytes(history.pages[1].begin(), history.pages[1].begin() + 6), (Bytes{0x01, 0x09, 0x00, 24, 0x00, 120}));
    EXPECT_EQ(history.pages[2][3], 48);
    EXPECT_EQ(history.pages[2][5], 10);
    ASSERT_EQ(received.samples.size(), 50u);
    for (std::size_t i = 0; i < received.samples.size(); ++i) {
        const auto& s = received.samples[i];
        EXPECT_FLOAT_EQ(s.value[0], static_cast<float>(i) / 10.0f);
        EXPECT_FLOAT_EQ(s.value[1], static_cast<float>(1000 + i) / 10.0f);
        EXPECT_EQ(s.time.wSecond, i % 60);
        EXPECT_EQ(s.channelCount, 2);
    }
    EXPECT_EQ(received.samples[0].time.wYear, 2024);

    // The start time went out before the count was asked for.
    const auto requests = peer.Requests();
    ASSERT_GE(requests.size(), 3u);
    EXPECT_EQ(requests[0][1], 0x03);
    EXPECT_EQ(Bytes(requests[1].begin(), requests[1].end() - 2),
              (Bytes{0x01, 0x14, 0x00, 0x00, 0x00, 0x04, 0x08, 0x24, 0x05, 0x17, 0x13, 0x00, 0, 0, 0}));
    EXPECT_EQ(Bytes(requests[2].begin(), requests[2].begin() + 6), (Bytes{0x01, 0x09, 0x00, 0x00, 0x00, 0x02}));

    // Past the end a page call delivers nothing and says there is no more.
    int more = 1;
    EXPECT_EQ(link.DownNeedData(2, 50, 10, more, Collect, name, &received, kDelay, 1), 1);
    EXPECT_EQ(more, 0);
    EXPECT_EQ(received.samples.size(), 50u);
}

TEST_F(KelvaneDownload, PositionsAboveAByteAndSinglePages)
{
    history.Fill(300, 8, 1);
    ASSERT_EQ(Run(1, 8), 1);
    EXPECT_EQ(received.samples.size(), 300u);
    ASSERT_EQ(history.pages.size(), 10u);  // 30 frames of 8 bytes per page
    EXPECT_EQ(history.pages[9][2], 0x01);  // frame 270 = 0x010E
    EXPECT_EQ(history.pages[9][3], 0x0E);

    history.Fill(20, 10, 2);
    history.pages.clear();
    received.samples.clear();
    ASSERT_EQ(Run(2, 10), 1);
    EXPECT_EQ(history.pages.size(), 1u);
    EXPECT_EQ(received.samples.size(), 20u);

    history.Fill(0, 10, 2);
    history.pages.clear();
    received.samples.clear();
    ASSERT_EQ(Run(2, 10), 1);
    EXPECT_TRUE(history.pages.empty());
    EXPECT_TRUE(received.samples.empty());
}

TEST_F(KelvaneDownload, CancelLetsTheRunningPageFinish)
{
    history.Fill(50, 10, 2);
    received.cancelAt = 30;  // during page 2
    ASSERT_EQ(Run(2, 10), 1);
    EXPECT_EQ(link.GetDownState(), 0);
    EXPECT_EQ(received.samples.size(), 48u);
    EXPECT_EQ(history.pages.size(), 2u);
}

TEST_F(KelvaneDownload, CancelFromAnotherThreadReachesTheNextPage)
{
    history.Fill(50, 10, 2);
    std::promise<void> midPage;
    struct Context {
        CKelvane* link;
        std::promise<void>* midPage;
        int count = 0;
    } context{&link, &midPage};
    std::thread canceller;
    const auto wait = [](void* c, char*, CKelvane::struct_history_data) {
        auto* ctx = static_cast<Context*>(c);
        if (++ctx->count != 30)
            return;
        ctx->midPage->set_value();
        for (int i = 0; i < 500 && ctx->link->GetDownState() != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    canceller = std::thread([&] {
        midPage.get_future().wait();
        link.SetDownState(0);
    });
    ASSERT_EQ(link.DownHistoryData(2, SYSTEMTIME{}, 10, wait, name, &context, kDelay, 2), 1);
    canceller.join();
    EXPECT_EQ(link.GetDownState(), 0);
    EXPECT_EQ(context.count, 48);
    EXPECT_EQ(history.pages.size(), 2u);
}

TEST_F(KelvaneDownload, FrameSizesThatCannotBePagedFail)
{
    history.Fill(50, 10, 2);
    EXPECT_EQ(Run(2, 0), 0);
    EXPECT_EQ(Run(2, 246), 0);
    EXPECT_TRUE(history.pages.empty());
    EXPECT_EQ(sink.Reports().back().source, "CKelvane::DownNeedData");
    int more = 1;
    EXPECT_EQ(link.DownNeedData(2, 50, -3, more, Collect, name, &received, kDelay, 1), 0);
    EXPECT_EQ(more, 0);
}

TEST_F(KelvaneDownload, EmptySlotAtTheStartOfAPageHasNoTime)
{
    history.Fill(30, 10, 2);
    std::fill(history.memory.begin() + 240, history.memory.begin() + 250, 0xFF);  // frame 24
    ASSERT_EQ(Run(2, 10), 1);
    ASSERT_EQ(received.samples.size(), 30u);
    const auto& empty = received.samples[24];
    EXPECT_FLOAT_EQ(empty.value[0], -0.1f);
    EXPECT_EQ(empty.time.wYear, 0);
    EXPECT_EQ(empty.time.wSecond, 0);
    EXPECT_EQ(received.samples[25].time.wSecond, 25);
}

TEST_F(KelvaneDownload, MoreThanTwoChannelsDeliverTwoValues)
{
    history.Fill(10, 12, 3);
    ASSERT_EQ(Run(3, 12), 1);
    ASSERT_EQ(received.samples.size(), 10u);
    EXPECT_EQ(received.samples[7].channelCount, 3);
    EXPECT_FLOAT_EQ(received.samples[7].value[1], 100.7f);
    EXPECT_EQ(received.samples[7].time.wSecond, 7);
}

TEST_F(KelvaneDownload, PageFailuresAreReportedPerAttemptAndWithTheBytes)
{
    history.Fill(50, 10, 2);
    int more = 1;
    history.pageFault = RegisterLogger::kSilent;
    EXPECT_EQ(link.DownNeedData(2, 50, 10, more, Collect, name, &received, kNoAnswer, 2), 0);
    auto reports = sink.Reports();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].source, "CKelvane::DownNeedData");
    EXPECT_EQ(reports[0].text, "0");
    EXPECT_EQ(reports[1].text, "1");
    EXPECT_EQ(reports[2].text.rfind("send:01 09 00 00 00 78 ", 0), 0u);
    EXPECT_EQ(reports[2].text.substr(reports[2].text.size() - 19), " \r\nNo data recevied");

    history.pageFault = RegisterLogger::kSwappedCrc;
    EXPECT_EQ(link.DownNeedData(2, 50, 10, more, Collect, name, &received, 150, 2), 0);
    reports = sink.Reports();
    ASSERT_EQ(reports.size(), 6u);   // a damaged page is asked for again
    EXPECT_EQ(reports[3].text, "0");
    EXPECT_EQ(reports[4].text, "1");
    const std::string text = reports[5].text;
    EXPECT_NE(text.find(" \r\nrecv：01 09 f0 00 00 03 e8 24 05 17 13 00 00 "), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_TRUE(received.samples.empty());
    EXPECT_EQ(link.DownPosition(), 0);

    // The page that then succeeds starts from the same position.
    history.pageFault = RegisterLogger::kNone;
    EXPECT_EQ(link.DownNeedData(2, 50, 10, more, Collect, name, &received, kDelay, 2), 1);
    EXPECT_EQ(more, 1);
    EXPECT_EQ(link.DownPosition(), 24);
    EXPECT_EQ(received.samples.size(), 24u);
}
