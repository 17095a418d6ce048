// The routing table: the window's checks run before any handler, also for a
// command whose subsystem is not installed.
#include "CCommandTable.h"
#include "LoginState.h"
#include "MessageSeam.h"

#include <gtest/gtest.h>

using namespace qm;
using namespace qm::window;

TEST(CommandTable, ChecksFirstThenTheHandler)
{
    MessageScript messages;
    ClearLogin();
    CCommandTable table;
    table.Declare(1009, Guarded::RunStop);
    table.Declare(32823, Guarded::ManualBackup);
    table.Declare(1156);
    QList<int> ran;
    EXPECT_FALSE(table.Install(4711, [&] { ran << 4711; }));   // not a command of the window
    EXPECT_TRUE(table.Install(1009, [&] { ran << 1009; }));
    EXPECT_TRUE(table.Install(1156, [&] { ran << 1156; }));
    EXPECT_TRUE(table.HasHandler(1009));
    EXPECT_FALSE(table.HasHandler(32823));
    EXPECT_FALSE(table.IsDeclared(4711));

    EXPECT_FALSE(table.Route(1009));
    EXPECT_FALSE(table.Route(32823));   // no handler, but the check still speaks
    EXPECT_TRUE(table.Route(1156));     // open to all
    EXPECT_FALSE(table.Route(4711));
    EXPECT_EQ(messages.Numbers(), (QList<int>{164, 126}));
    EXPECT_EQ(ran, QList<int>{1156});

    messages.Clear();
    SetLogin(3, QStringLiteral("u"), QStringLiteral("p"), kRoleUser, QString());
    EXPECT_FALSE(table.Route(1009));
    SetLogin(3, QStringLiteral("u"), QStringLiteral("p"), kRoleOperator, QString());
    EXPECT_TRUE(table.Route(1009));
    EXPECT_FALSE(table.Route(32823));
    EXPECT_EQ(messages.Numbers(), QList<int>{315});
    EXPECT_EQ(ran, (QList<int>{1156, 1009}));

    // A handler may replace handlers while it runs.
    table.Install(1156, [&] { table.Install(1156, [&] { ran << -1; }); });
    EXPECT_TRUE(table.Route(1156));
    EXPECT_TRUE(table.Route(1156));
    EXPECT_EQ(ran.last(), -1);
    ClearLogin();
}
