#include "ShellFixture.h"

#include "CLogin.h"
#include "CUserManager.h"
#include "Clock.h"
#include "OpenDatabase.h"
#include "Strings.h"
#include "Users.h"

#include <QComboBox>
#include <QTreeWidget>

using namespace qm;

namespace {

class UsersTest : public ShellFixture {
protected:
    static QString LatestTime(const QString& name)
    {
        for (const UserRow& row : ListUsers().value_or(QList<UserRow>()))
            if (row.name == name)
                return row.latestTime;
        return QStringLiteral("(no such user)");
    }

    ScopedClock m_clock{QDateTime(QDate(2025, 3, 1), QTime(12, 0, 0))};
};

TEST_F(UsersTest, FirstAdminLoginMustChangeThePassword)
{
    const LoginOutcome out = TryLogin(QStringLiteral(" admin "), QStringLiteral("Quillmark1"));
    EXPECT_EQ(out.message, 0);
    EXPECT_TRUE(out.mustChange);   // empty latest_time
    EXPECT_EQ(LoginState(), 0);
    EXPECT_EQ(LoginUserName(), QStringLiteral("admin"));
}

TEST_F(UsersTest, PasswordAgeingCountsWholeDays)
{
    ASSERT_EQ(AddUser(QStringLiteral("op"), QStringLiteral("password8"), kRoleOperator), 124);
    m_clock.Advance(10 * 86400 - 3600);   // nine days and 23 hours
    LoginOutcome out = TryLogin(QStringLiteral("op"), QStringLiteral("password8"));
    EXPECT_EQ(out.message, 0);
    EXPECT_FALSE(out.mustChange);
    EXPECT_EQ(LoginState(), 1);
    m_clock.Advance(3600);                // exactly ten days
    out = TryLogin(QStringLiteral("op"), QStringLiteral("password8"));
    EXPECT_TRUE(out.mustChange);
    EXPECT_EQ(out.expireDays, 10);
    EXPECT_TRUE(PasswordNeedsChange(QStringLiteral("garbage"), Now(), 10));
}

TEST_F(UsersTest, RefusalsByNumber)
{
    ASSERT_EQ(AddUser(QStringLiteral("gone"), QStringLiteral("password8"), kRoleDisabled), 124);
    EXPECT_EQ(TryLogin(QStringLiteral("gone"), QStringLiteral("password8")).message, 360);
    EXPECT_EQ(TryLogin(QStringLiteral("gone"), QStringLiteral("wrongpass")).message, 129);
    EXPECT_EQ(TryLogin(QStringLiteral("  "), QStringLiteral("x")).message, 202);
    EXPECT_EQ(TryLogin(QStringLiteral("admin"), QStringLiteral(" ")).message, 203);
    // Typed quotes are characters of the name, never SQL.
    EXPECT_EQ(TryLogin(QStringLiteral("' or '1'='1"), QStringLiteral("' or '1'='1")).message, 129);
    EXPECT_EQ(TryLogin(QStringLiteral("admin' --"), QStringLiteral("x")).message, 129);
    EXPECT_EQ(LoginState(), kNobodyLoggedIn);
}

TEST_F(UsersTest, AddUserRulesAndDefaultPassword)
{
    EXPECT_EQ(AddUser(QStringLiteral("a7"), QStringLiteral("1234567"), kRoleUser), 318);
    EXPECT_EQ(AddUser(QStringLiteral("a17"), QStringLiteral("12345678901234567"), kRoleUser), 318);
    EXPECT_EQ(AddUser(QStringLiteral("a8"), QStringLiteral("12345678"), kRoleUser), 124);
    EXPECT_EQ(AddUser(QStringLiteral("a16"), QStringLiteral("1234567890123456"), kRoleUser), 124);
    EXPECT_EQ(AddUser(QStringLiteral("a8"), QStringLiteral("12345678"), kRoleUser), 266);
    EXPECT_EQ(AddUser(QString(), QStringLiteral("12345678"), kRoleUser), 202);
    EXPECT_EQ(AddUser(QStringLiteral("O'Brien"), QString(), kRoleUser), 124);
    const LoginOutcome out = TryLogin(QStringLiteral("O'Brien"), QStringLiteral("731640"));
    EXPECT_EQ(out.message, 0);
    EXPECT_EQ(CurrentRole(), kRoleUser);
    EXPECT_EQ(LoginState(), 2);
}

TEST_F(UsersTest, ChangePasswordChecksInOrder)
{
    ASSERT_EQ(TryLogin(QStringLiteral("admin"), QStringLiteral("Quillmark1")).message, 0);
    const QString old = QStringLiteral("Quillmark1");
    EXPECT_EQ(ChangePassword(old, QString(), QString()), 203);
    EXPECT_EQ(ChangePassword(old, QStringLiteral("1234567"), QStringLiteral("1234567")), 211);
    EXPECT_EQ(ChangePassword(QStringLiteral("wrong"), QStringLiteral("12345678"), QStringLiteral("12345678")), 129);
    EXPECT_EQ(ChangePassword(old, old, old), 204);
    EXPECT_EQ(ChangePassword(old, QStringLiteral("12345678"), QStringLiteral("12345679")), 205);
    EXPECT_EQ(ChangePassword(old, QStringLiteral("it's new!"), QStringLiteral("it's new!")), 206);
    EXPECT_EQ(LoginPassword(), QStringLiteral("it's new!"));
    ClearLogin();
    const LoginOutcome out = TryLogin(QStringLiteral("admin"), QStringLiteral("it's new!"));
    EXPECT_EQ(out.message, 0);
    EXPECT_FALSE(out.mustChange);
    // Stamped by the program's clock, in the stored format.
    EXPECT_EQ(LatestTime(QStringLiteral("admin")), QStringLiteral("2025-03-01 12:00:00"));

    // A new password given by the user manager is stamped the same way.
    ASSERT_EQ(AddUser(QStringLiteral("bob"), QStringLiteral("password8"), kRoleUser), 124);
    m_clock.Advance(86400 + 61);
    EXPECT_EQ(EditUser(QStringLiteral("bob"), QStringLiteral("password9"), QStringLiteral("password9"), kRoleUser), 124);
    EXPECT_EQ(LatestTime(QStringLiteral("bob")), QStringLiteral("2025-03-02 12:01:01"));
    EXPECT_EQ(EditUser(QStringLiteral("bob"), QString(), QString(), kRoleOperator), 124);   // no password, no stamp
    EXPECT_EQ(LatestTime(QStringLiteral("bob")), QStringLiteral("2025-03-02 12:01:01"));
}

TEST_F(UsersTest, LoginDialogKeepsOrEmptiesItsEdits)
{
    CLogin dialog;
    dialog.NameEdit()->setText(QStringLiteral("admin"));
    dialog.PasswordEdit()->setText(QStringLiteral("nope"));
    dialog.OnBnClickedOk();
    EXPECT_EQ(m_messages.LastNumber(), 129);
    EXPECT_TRUE(dialog.NameEdit()->text().isEmpty());
    EXPECT_TRUE(dialog.PasswordEdit()->text().isEmpty());
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    dialog.NameEdit()->setText(QStringLiteral("admin"));
    dialog.PasswordEdit()->setText(QStringLiteral("Quillmark1"));
    dialog.OnBnClickedOk();
    EXPECT_EQ(m_messages.LastNumber(), 361);
    EXPECT_EQ(m_messages.Requests().last().text, MsgF(361, {QStringLiteral("10")}));
    EXPECT_TRUE(dialog.MustChangePassword());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(UsersTest, ManagerNeverEditsAdminAndLogsAnEdit)
{
    ASSERT_EQ(AddUser(QStringLiteral("bob"), QStringLiteral("password8"), kRoleUser), 124);
    CUserManager manager;
    ASSERT_EQ(manager.List()->topLevelItemCount(), 2);
    manager.OnBnClickedBuserEdit();
    EXPECT_EQ(m_messages.LastNumber(), 154);   // nothing selected

    manager.List()->setCurrentItem(manager.List()->topLevelItem(0));   // admin
    EXPECT_FALSE(manager.EditButton()->isEnabled());
    EXPECT_FALSE(manager.DeleteButton()->isEnabled());
    manager.List()->setCurrentItem(manager.List()->topLevelItem(1));
    EXPECT_TRUE(manager.EditButton()->isEnabled());

    // Retire bob through the edit dialog.
    OnNextModal([](QWidget* w) {
        auto* edit = qobject_cast<CUserEdit*>(w);
        ASSERT_TRUE(edit);
        EXPECT_EQ(edit->RoleCombo()->currentIndex(), 1);   // 普通用户
        edit->RoleCombo()->setCurrentIndex(2);
        edit->OnBnClickedOk();
    });
    manager.OnBnClickedBuserEdit();
    EXPECT_EQ(m_messages.LastNumber(), 124);
    EXPECT_EQ(manager.List()->topLevelItem(1)->text(2), RoleText(kRoleDisabled));
    EXPECT_EQ(TryLogin(QStringLiteral("bob"), QStringLiteral("password8")).message, 360);
}

} // namespace
