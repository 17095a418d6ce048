#include "ShellFixture.h"
#include "TestUsers.h"

#include "AuditSearch.h"
#include "CLogin.h"
#include "CUserManager.h"
#include "Clock.h"
#include "LoginLockout.h"
#include "OperationLog.h"
#include "OpenDatabase.h"
#include "PasswordHash.h"
#include "Recordset.h"
#include "Strings.h"
#include "Users.h"

#include <QComboBox>
#include <QDir>
#include <QTreeWidget>

using namespace qm;

namespace {

class UsersTest : public ShellFixture {
protected:
    static UserRow User(const QString& name)
    {
        for (const UserRow& row : ListUsers().value_or(QList<UserRow>()))
            if (row.name == name)
                return row;
        return UserRow{0, QStringLiteral("(no such user)"), {}, -1, {}, {}, QStringLiteral("(no such user)")};
    }
    static QString LatestTime(const QString& name) { return User(name).latestTime; }

    // The audit rows of logins (type 1) in the order they were written.
    static QList<NoteRow> Logins()
    {
        QList<NoteRow> rows;
        auto db = store::OpenDatabase(nullptr, DatabasePath(), 0, 0, 0);
        std::unique_ptr<store::CRecordset> set;
        if (db && db->QueryRecordset(QStringLiteral("select * from note where type = 1 order by rowid;"), set) == 1 && set)
            for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
                rows << NoteRow{set->Text(u"user_name"), 1, set->Text(u"handle_time"), set->Text(u"info")};
        return rows;
    }
    static QString Refused(const QString& name) { return Msg(107) + Msg(294) + QStringLiteral("(%1)").arg(name); }

    ScopedClock m_clock{QDateTime(QDate(2025, 3, 1), QTime(12, 0, 0))};
};

TEST_F(UsersTest, FirstAdminLoginMustChangeThePassword)
{
    const LoginOutcome out = TryLogin(QStringLiteral(" admin "), QStringLiteral("Quillmark1"));
    EXPECT_EQ(out.message, 0);
    EXPECT_TRUE(out.mustChange);   // empty latest_time: a handed-out password
    EXPECT_EQ(out.changeMessage, kMsgHandedOutPassword);
    EXPECT_EQ(LoginState(), 0);
    EXPECT_EQ(LoginUserName(), QStringLiteral("admin"));
}

TEST_F(UsersTest, PasswordAgeingCountsWholeDays)
{
    ASSERT_EQ(AddUser(QStringLiteral("op"), QStringLiteral("password8"), kRoleOperator), 124);
    ASSERT_EQ(TryLogin(QStringLiteral("op"), QStringLiteral("password8")).changeMessage, kMsgHandedOutPassword);
    ASSERT_EQ(ChangePassword(QStringLiteral("password8"), QStringLiteral("password9"), QStringLiteral("password9")),
              206);
    m_clock.Advance(10 * 86400 - 3600);   // nine days and 23 hours
    LoginOutcome out = TryLogin(QStringLiteral("op"), QStringLiteral("password9"));
    EXPECT_EQ(out.message, 0);
    EXPECT_FALSE(out.mustChange);
    EXPECT_EQ(LoginState(), 1);
    m_clock.Advance(3600);                // exactly ten days
    out = TryLogin(QStringLiteral("op"), QStringLiteral("password9"));
    EXPECT_TRUE(out.mustChange);
    EXPECT_EQ(out.changeMessage, 361);
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
    EXPECT_EQ(out.changeMessage, kMsgHandedOutPassword);   // handed out: changed at the first login
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

    // A password reset by the user manager was handed out: it has no date, so
    // the next login must change it; a role change alone keeps the date.
    qmtest::AddUserRow(QStringLiteral("bob"), QStringLiteral("password8"), kRoleUser, QStringLiteral("2025-03-01 08:00:00"));
    EXPECT_EQ(EditUser(QStringLiteral("bob"), QString(), QString(), kRoleOperator), 124);
    EXPECT_EQ(LatestTime(QStringLiteral("bob")), QStringLiteral("2025-03-01 08:00:00"));
    EXPECT_FALSE(TryLogin(QStringLiteral("bob"), QStringLiteral("password8")).mustChange);
    EXPECT_EQ(EditUser(QStringLiteral("bob"), QStringLiteral("password9"), QStringLiteral("password9"), kRoleUser), 124);
    EXPECT_EQ(LatestTime(QStringLiteral("bob")), QString());
    EXPECT_EQ(TryLogin(QStringLiteral("bob"), QStringLiteral("password8")).message, 129);
    const LoginOutcome reset = TryLogin(QStringLiteral("bob"), QStringLiteral("password9"));
    EXPECT_EQ(reset.message, 0);
    EXPECT_EQ(reset.changeMessage, kMsgHandedOutPassword);
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
    // The first password was handed out with the database: its own message, not 361.
    EXPECT_EQ(m_messages.LastNumber(), kMsgHandedOutPassword);
    EXPECT_EQ(m_messages.Requests().last().text, Msg(kMsgHandedOutPassword));
    EXPECT_TRUE(dialog.MustChangePassword());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// Nobody who opens the main database reads a password: every way a password
// gets there stores its salted hash.
TEST_F(UsersTest, PasswordsAreStoredAsHashes)
{
    ASSERT_EQ(AddUser(QStringLiteral("ann"), QStringLiteral("ann-pass-1"), kRoleUser), 124);
    ASSERT_EQ(AddUser(QStringLiteral("dan"), QString(), kRoleUser), 124);
    ASSERT_EQ(AddUser(QStringLiteral("eve"), QStringLiteral("eve-pass-1"), kRoleUser), 124);
    ASSERT_EQ(EditUser(QStringLiteral("eve"), QStringLiteral("eve-pass-2"), QStringLiteral("eve-pass-2"), kRoleUser), 124);
    ASSERT_EQ(TryLogin(QStringLiteral("admin"), QStringLiteral("Quillmark1")).message, 0);
    ASSERT_EQ(ChangePassword(QStringLiteral("Quillmark1"), QStringLiteral("admin-new-1"), QStringLiteral("admin-new-1")),
              206);
    const QStringList typed{QStringLiteral("ann-pass-1"), QStringLiteral("731640"), QStringLiteral("eve-pass-2"),
                            QStringLiteral("admin-new-1"), QStringLiteral("Quillmark1")};
    QStringList seen;
    for (const UserRow& row : ListUsers().value_or(QList<UserRow>())) {
        EXPECT_TRUE(store::IsPasswordHash(row.password)) << row.name.toStdString();
        for (const QString& password : typed)
            EXPECT_FALSE(row.password.contains(password)) << row.name.toStdString();
        EXPECT_FALSE(seen.contains(row.password));   // salted: equal passwords would differ too
        seen << row.password;
    }
    EXPECT_EQ(seen.size(), 4);
    // Nor does the audit trail or the text log hold one.
    ClearLogin();
    EXPECT_EQ(TryLogin(QStringLiteral("ann"), QStringLiteral("wrong-pass-1")).message, 129);
    for (const NoteRow& note : SearchNotes(QStringLiteral("2000-01-01 00:00"), QStringLiteral("2100-01-01 00:00"),
                                           QString(), 0)
                                   .value_or(QList<NoteRow>()))
        for (const QString& password : typed + QStringList{QStringLiteral("wrong-pass-1")})
            EXPECT_FALSE(note.info.contains(password)) << note.info.toStdString();
    QFile log(OperationLogTextFile());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_FALSE(log.readAll().contains("wrong-pass-1"));
}

// A database of an older version keeps passwords as typed: the first login
// that matches one replaces it by its hash, and later logins use the hash.
TEST_F(UsersTest, APasswordAsTypedIsAcceptedOnceAndReplaced)
{
    {
        auto db = store::OpenDatabase(nullptr, DatabasePath(), 0, 0, 0);
        ASSERT_TRUE(db);
        ASSERT_NE(db->ExeSql(QStringLiteral("insert into userinfo(user_name, user_password, user_type, create_time, "
                                            "update_time, latest_time) values('old', 'plain-pass', 1, "
                                            "'2025-02-27 09:00:00', '2025-02-27 09:00:00', '2025-02-27 09:00:00');")),
                  -1);
    }
    EXPECT_EQ(TryLogin(QStringLiteral("old"), QStringLiteral("plain-pas")).message, 129);
    EXPECT_EQ(User(QStringLiteral("old")).password, QStringLiteral("plain-pass"));   // a refusal changes nothing
    const LoginOutcome first = TryLogin(QStringLiteral("old"), QStringLiteral(" plain-pass "));
    EXPECT_EQ(first.message, 0);
    EXPECT_FALSE(first.mustChange);
    EXPECT_EQ(LoginUserName(), QStringLiteral("old"));
    const QString stored = User(QStringLiteral("old")).password;
    EXPECT_TRUE(store::IsPasswordHash(stored));
    EXPECT_EQ(store::CheckPassword(stored, QStringLiteral("plain-pass")), store::PasswordMatch::kMatch);
    ClearLogin();
    EXPECT_EQ(TryLogin(QStringLiteral("old"), QStringLiteral("plain-pass")).message, 0);
    EXPECT_EQ(User(QStringLiteral("old")).password, stored);   // hashed once
    EXPECT_EQ(TryLogin(QStringLiteral("old"), stored).message, 129);   // the hash is no password
}

TEST_F(UsersTest, RefusedLoginsAreOnTheAuditTrailWithTheTriedName)
{
    EXPECT_EQ(TryLogin(QStringLiteral("admin"), QStringLiteral("not-it-1")).message, 129);
    EXPECT_EQ(TryLogin(QStringLiteral("nobody"), QStringLiteral("whatever1")).message, 129);
    EXPECT_EQ(TryLogin(QStringLiteral("admin"), QStringLiteral(" ")).message, 203);   // nothing tried
    QStringList seen;
    for (const NoteRow& row : Logins()) {
        seen << row.user + u'|' + row.info;
        EXPECT_EQ(row.handleTime, QStringLiteral("2025-03-01 12:00:00"));
    }
    seen.sort();
    EXPECT_EQ(seen, (QStringList{QStringLiteral("admin|") + Refused(QStringLiteral("admin")),
                                 QStringLiteral("nobody|") + Refused(QStringLiteral("nobody"))}));
}

// Five refusals in a row lock a name for five minutes; a successful login or
// the end of the wait starts the count again; other names are not affected.
TEST_F(UsersTest, FiveRefusalsInARowLockTheNameForFiveMinutes)
{
    qmtest::AddUserRow(QStringLiteral("kim"), QStringLiteral("kim-pass-1"), kRoleUser);
    const auto attempt = [](const char* password) { return TryLogin(QStringLiteral("kim"), QLatin1String(password)); };
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(attempt("wrong").message, 129);
    EXPECT_EQ(attempt("kim-pass-1").message, 0);
    WriteOperationLog(QStringLiteral("CQuillmarkDlg::Login"), Msg(118), 1);   // as the window does: ends the run
    ClearLogin();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(attempt("wrong").message, 129);
    const LoginOutcome fifth = attempt("wrong");
    EXPECT_EQ(fifth.message, kMsgLoginLocked);
    EXPECT_EQ(fifth.lockedMinutes, kLockMinutes);
    EXPECT_EQ(m_messages.Requests().size(), 0);   // TryLogin shows nothing itself
    ShowLoginRefusal(fifth);
    EXPECT_EQ(m_messages.LastNumber(), kMsgLoginLocked);
    EXPECT_EQ(m_messages.Requests().last().text, MsgF(kMsgLoginLocked, {QStringLiteral("5"), QStringLiteral("5")}));

    // During the wait even the right password is refused, and that is logged.
    m_clock.Advance(4 * 60 + 1);
    const LoginOutcome waiting = attempt("kim-pass-1");
    EXPECT_EQ(waiting.message, kMsgLoginLocked);
    EXPECT_EQ(waiting.lockedMinutes, 1);
    EXPECT_EQ(LoginState(), kNobodyLoggedIn);
    EXPECT_EQ(TryLogin(QStringLiteral("admin"), QStringLiteral("Quillmark1")).message, 0);   // another name
    ClearLogin();

    const QList<NoteRow> rows = Logins();
    ASSERT_GE(rows.size(), 3);
    EXPECT_EQ(rows[rows.size() - 3].info, Refused(QStringLiteral("kim")));
    EXPECT_EQ(rows[rows.size() - 2].info, Msg(5217) + QStringLiteral("(kim)"));   // the wait
    EXPECT_EQ(rows[rows.size() - 1].info, Msg(5218) + QStringLiteral("(kim)"));   // tried during it
    EXPECT_EQ(rows[rows.size() - 1].user, QStringLiteral("kim"));

    // The wait ends five minutes after it began; the count starts again.
    m_clock.Advance(59);
    EXPECT_EQ(attempt("wrong").message, 129);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(attempt("wrong").message, 129);
    EXPECT_EQ(attempt("wrong").message, kMsgLoginLocked);
    m_clock.Advance(kLockMinutes * 60);
    EXPECT_EQ(attempt("kim-pass-1").message, 0);
}

// The count is taken from the rows whatever language wrote them.
TEST_F(UsersTest, TheCountReadsRowsOfEitherLanguage)
{
    const QString module = LanguageModulePath(QString::fromLatin1(kEnglishModule));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(module).absolutePath()));
    ASSERT_TRUE(QFile::copy(QString::fromLocal8Bit(qgetenv("QM_TEST_PROGRAM_DIR")) + QStringLiteral("/res/") +
                                QFileInfo(module).fileName(),
                            module));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(TryLogin(QStringLiteral("admin"), QStringLiteral("wrong")).message, 129);
    ASSERT_TRUE(LoadLanguageModule(module));
    EXPECT_EQ(TryLogin(QStringLiteral("admin"), QStringLiteral("wrong")).message, 129);
    EXPECT_EQ(TryLogin(QStringLiteral("admin"), QStringLiteral("wrong")).message, kMsgLoginLocked);
    UseBuiltinStrings();
    EXPECT_EQ(TryLogin(QStringLiteral("admin"), QStringLiteral("Quillmark1")).message, kMsgLoginLocked);
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
