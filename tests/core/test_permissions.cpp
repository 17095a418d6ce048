#include "LoginState.h"
#include "MessageSeam.h"
#include "Permissions.h"

#include <gtest/gtest.h>

using namespace qm;

namespace {

class PermissionTest : public ::testing::Test {
protected:
    void TearDown() override { ClearLogin(); }
    void LogIn(int role) { SetLogin(7, QStringLiteral("u"), QStringLiteral("p"), role, QString()); }
    MessageScript messages;
};

TEST_F(PermissionTest, LoginStateFollowsTheRole)
{
    EXPECT_EQ(LoginState(), kNobodyLoggedIn);
    EXPECT_FALSE(IsLoggedIn());
    const int expected[] = {0, 1, 2};
    for (int role = 0; role < 3; ++role) {
        LogIn(role);
        EXPECT_EQ(LoginState(), expected[role]);
        EXPECT_EQ(CurrentRole(), role);
    }
    SetLoginPassword(QStringLiteral("new"));
    EXPECT_EQ(LoginPassword(), QStringLiteral("new"));
    ClearLogin();
    EXPECT_EQ(LoginState(), kNobodyLoggedIn);
    EXPECT_EQ(LoginUserName(), QString());
    EXPECT_EQ(LoginPassword(), QString());
}

TEST_F(PermissionTest, NobodyLoggedInGets164Or126)
{
    EXPECT_FALSE(Permit(Guarded::UserManager));
    EXPECT_FALSE(Permit(Guarded::Save));
    EXPECT_FALSE(Permit(Guarded::ManualBackup));
    EXPECT_FALSE(Permit(Guarded::BackupImport));
    EXPECT_EQ(messages.Numbers(), (QList<int>{164, 164, 126, 126}));
}

TEST_F(PermissionTest, RoleTable)
{
    struct Case {
        Guarded command;
        bool allowed[3];
    };
    const Case cases[] = {
        {Guarded::UserManager, {true, false, false}},
        {Guarded::AuditTrail, {true, true, false}},
        {Guarded::RunStop, {true, true, false}},
        {Guarded::WriteConfig, {true, true, false}},
        {Guarded::Connect, {true, true, true}},
        {Guarded::Print, {true, true, true}},
        {Guarded::AutoBackup, {true, true, true}},
    };
    for (const Case& c : cases)
        for (int role = 0; role < 3; ++role) {
            LogIn(role);
            messages.Clear();
            EXPECT_EQ(Permit(c.command), c.allowed[role]) << int(c.command) << " role " << role;
            EXPECT_EQ(messages.LastNumber(), c.allowed[role] ? 0 : 315);
        }
    EXPECT_FALSE(RoleMayRun(Guarded::Connect, kRoleDisabled));
}

} // namespace
