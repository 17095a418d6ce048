// The single download driven as the progress dialog drives it: start, then
// wait for its end event; what it reports and what it leaves in the files.
#pragma once

#include "DownloadFixture.h"

#include "MessageSeam.h"
#include "SingleDownload.h"

#include <atomic>

namespace devtest {

class SingleDownloadFixture : public DownloadFixture {
protected:
    using BasicConfig = qm::device::BasicConfig;
    using DevicePtr = qm::device::DevicePtr;
    using FailReason = qm::device::FailReason;
    using SingleDownload = qm::device::SingleDownload;
    static qm::device::CDevManager& DeviceManager() { return qm::device::DeviceManager(); }

protected:
    struct End {
        std::atomic<bool> done{false};
        std::atomic<int> recordId{0};
        std::atomic<int> message{-1};
        std::atomic<int> why{0};   // the reason told after the message
        QString table;
    };

    // Events that note the download's end in `end`.
    SingleDownload::Events EndEvents()
    {
        SingleDownload::Events events;
        events.finished = [this](const QString&, int id, const QString& table) {
            end.table = table;
            end.recordId = id;
            end.done = true;
        };
        events.failed = [this](const QString&, int message, const FailReason& why) {
            end.why = why.number;
            end.message = message;
            end.done = true;
        };
        return events;
    }

    // CheckDevice + Prepare + Start; false when it did not start.
    bool Begin(const QString& name)
    {
        BasicConfig basic{};
        DevicePtr device = download.CheckDevice(DeviceManager(), &basic);
        if (!device || !download.Prepare(device, basic, name))
            return false;
        download.Start(EndEvents());
        return true;
    }

    bool Run(const QString& name)
    {
        return Begin(name) && WaitFor([this] { return end.done.load(); });
    }

    // No record and no history table anywhere.
    void ExpectNothingLeft(const QString& sn)
    {
        EXPECT_TRUE(Records().empty());
        EXPECT_TRUE(HistoryTables(LoggerFile(sn)).isEmpty());
        EXPECT_TRUE(HistoryTables(BackupFile(sn)).isEmpty());
        EXPECT_TRUE(Query(LoggerFile(sn), QStringLiteral("select * from config;")).empty());
        EXPECT_TRUE(Query(BackupFile(sn), QStringLiteral("select * from recordtime;")).empty());
    }

    // Forgets the last download's end before the next one.
    void ResetEnd()
    {
        end.done = false;
        end.recordId = 0;
        end.message = -1;
        end.why = 0;
        end.table.clear();
    }

    qm::MessageScript messages;
    SingleDownload download;
    End end;
};

} // namespace devtest
