// The pending lists of record files: names survive until taken out, the file
// goes with its last name, and writers in several threads lose no name.
#include "PendingTables.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace qm::store;

TEST(PendingTables, NamesStayUntilTakenOutAndTheListGoesWithTheLast)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("A1B200001.db3"));
    EXPECT_TRUE(PendingTables(file).isEmpty());
    RemovePendingTable(file, QStringLiteral("nothing"));   // no list: nothing happens
    EXPECT_FALSE(QFileInfo::exists(PendingTablesPath(file)));

    ASSERT_TRUE(AddPendingTable(file, QStringLiteral("hA1B200001_1700000000")));
    ASSERT_TRUE(AddPendingTable(file, QStringLiteral("hA1B200001_1700000001")));
    ASSERT_TRUE(AddPendingTable(file, QStringLiteral("hA1B200001_1700000000")));
    EXPECT_EQ(PendingTables(file),
              (QStringList{QStringLiteral("hA1B200001_1700000000"), QStringLiteral("hA1B200001_1700000001")}));

    RemovePendingTable(file, QStringLiteral("hA1B200001_1700000000"));
    EXPECT_EQ(PendingTables(file), QStringList{QStringLiteral("hA1B200001_1700000001")});
    RemovePendingTable(file, QStringLiteral("hA1B200001_1700000001"));
    EXPECT_TRUE(PendingTables(file).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(PendingTablesPath(file)));
}

TEST(PendingTables, WritersInSeveralThreadsLoseNoName)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("A1B200002.db3"));
    // Each thread adds its names and takes every other one out again, so the
    // list is emptied and removed many times while others write to it.
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&file, t] {
            for (int i = 0; i < 50; ++i) {
                const QString name = QStringLiteral("t%1_%2").arg(t).arg(i);
                ASSERT_TRUE(AddPendingTable(file, name));
                if (i % 2 == 0)
                    RemovePendingTable(file, name);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    const QStringList names = PendingTables(file);
    EXPECT_EQ(names.size(), 4 * 25);
    for (int t = 0; t < 4; ++t)
        for (int i = 1; i < 50; i += 2)
            EXPECT_TRUE(names.contains(QStringLiteral("t%1_%2").arg(t).arg(i)));
}
