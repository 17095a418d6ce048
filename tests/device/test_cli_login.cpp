// quillmark-cli as a logged-in user: the login gate, the role rules, the
// password commands and what the audit trail keeps of a call.
#include "DeviceFixture.h"

#include "LoginLockout.h"
#include "PasswordHash.h"
#include "Strings.h"
#include "Users.h"

#include <QFile>

#include <pty.h>
#include <sys/wait.h>

using devtest::CliCall;
using devtest::CliRun;
using devtest::DeviceFixture;

namespace {

class CliLoginTest : public DeviceFixture {
protected:
    CliRun Cli(const QStringList& args, const CliCall& call = {}) { return devtest::RunCli(Folder(), args, call); }
    static CliCall As(const QString& user, const QString& password)
    {
        CliCall call;
        call.user = user;
        call.password = password;
        return call;
    }

    struct Note {
        QString user, info;
        int type;
    };
    std::vector<Note> Notes()
    {
        std::vector<Note> rows;
        auto db = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 0);
        std::unique_ptr<qm::store::CRecordset> set;
        if (db && db->QueryRecordset(QStringLiteral("select * from note order by rowid"), set) == 1 && set)
            for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
                rows.push_back({set->Text(u"user_name"), set->Text(u"info"), int(set->Integer(u"type"))});
        return rows;
    }
    int CountNotes(int type)
    {
        int n = 0;
        for (const Note& note : Notes())
            n += note.type == type;
        return n;
    }

    static QString CliLoginText() { return qm::Msg(107) + QStringLiteral("(quillmark-cli)"); }
};

// Every command that needs the login, with arguments it would accept.
const QList<QStringList>& GuardedCalls()
{
    static const QList<QStringList> calls{
        {QStringLiteral("connect"), QStringLiteral("--all")},
        {QStringLiteral("download"), QStringLiteral("--all"), QStringLiteral("--name"), QStringLiteral("x")},
        {QStringLiteral("records")},
        {QStringLiteral("run"), QStringLiteral("--port"), QStringLiteral("1")},
        {QStringLiteral("stop"), QStringLiteral("--port"), QStringLiteral("1")},
        {QStringLiteral("passwd")},
        {QStringLiteral("users")},
        {QStringLiteral("users"), QStringLiteral("add"), QStringLiteral("eve"), QStringLiteral("--role"),
         QStringLiteral("2")},
    };
    return calls;
}

TEST_F(CliLoginTest, EveryCommandButPortsNeedsTheLogin)
{
    CliCall nobody;
    nobody.user.clear();
    CliCall noPassword;
    noPassword.password.reset();   // and no terminal to ask on
    for (const QStringList& call : GuardedCalls()) {
        const std::string shown = call.join(u' ').toStdString();
        CliRun r = Cli(call, nobody);
        EXPECT_EQ(r.code, 1) << shown;
        EXPECT_EQ(r.err.trimmed(), QStringLiteral("202: ") + qm::Msg(202)) << shown;
        r = Cli(call, noPassword);
        EXPECT_EQ(r.code, 1) << shown;
        EXPECT_EQ(r.err.trimmed(), QStringLiteral("203: ") + qm::Msg(203)) << shown;
        r = Cli(call, As(QString::fromLatin1(devtest::kCliUser), QStringLiteral("not-the-one")));
        EXPECT_EQ(r.code, 1) << shown;
        EXPECT_EQ(r.err.trimmed(), QStringLiteral("129: ") + qm::Msg(129)) << shown;
        EXPECT_TRUE(r.out.isEmpty()) << shown;
        // The lock-out would refuse the next calls: a login ends the run.
        ASSERT_EQ(Cli({QStringLiteral("records")}).code, 0);
    }
    const CliRun ports = Cli({QStringLiteral("ports")}, nobody);
    EXPECT_EQ(ports.code, 0) << ports.err.toStdString();
    EXPECT_TRUE(ports.err.isEmpty());
    EXPECT_EQ(CountNotes(1), 2 * GuardedCalls().size());   // a refusal and a login for each command
    EXPECT_EQ(Cli({QStringLiteral("--help")}, nobody).code, 0);
}

TEST_F(CliLoginTest, OneLoginEntryPerCallAndTheCommandsEntriesCarryTheUser)
{
    devtest::AddUserRow(QStringLiteral("olga"), QStringLiteral("operator-1"), qm::kRoleOperator);
    Start({devtest::Logger("A1B200501", 1)}, {1});
    const CliRun r =
        Cli({QStringLiteral("connect"), QStringLiteral("--port"), QStringLiteral("1")}, As("olga", "operator-1"));
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const auto notes = Notes();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].type, 1);
    EXPECT_EQ(notes[0].user, QStringLiteral("olga"));
    EXPECT_EQ(notes[0].info, CliLoginText());
    EXPECT_EQ(notes[1].type, 4);
    EXPECT_EQ(notes[1].user, QStringLiteral("olga"));
    EXPECT_EQ(CountNotes(2), 0);   // no logout entry
    // The text log names the user too.
    QFile log(QDir(qm::LogFolder()).filePath(QDir(qm::LogFolder()).entryList(QDir::Files).value(0)));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(log.readAll()).contains(QStringLiteral("[olga]")));
}

// Run and stop need role 0 or 1 as in the window; the user commands role 0;
// the rest only the login.
TEST_F(CliLoginTest, RolesAsTheWindowHasThem)
{
    devtest::AddUserRow(QStringLiteral("uma"), QStringLiteral("user-pass1"), qm::kRoleUser);
    devtest::AddUserRow(QStringLiteral("olga"), QStringLiteral("operator-1"), qm::kRoleOperator);
    devtest::AddUserRow(QStringLiteral("gone"), QStringLiteral("retired-1"), qm::kRoleDisabled);
    auto logger = devtest::Logger("A1B200511", 1);
    Start({logger}, {1});
    const QStringList run{QStringLiteral("run"), QStringLiteral("--port"), QStringLiteral("1")};
    const QStringList stop{QStringLiteral("stop"), QStringLiteral("--port"), QStringLiteral("1")};
    const QStringList users{QStringLiteral("users")};
    const QString refused = QStringLiteral("315: ") + qm::Msg(315);

    for (const QStringList& call : {run, stop, users}) {
        const CliRun r = Cli(call, As("uma", "user-pass1"));
        EXPECT_EQ(r.code, 1) << call.join(u' ').toStdString();
        EXPECT_EQ(r.err.trimmed(), refused) << call.join(u' ').toStdString();
    }
    EXPECT_EQ(Sim().At(0).Device().State().recordingState, 0);
    EXPECT_EQ(Cli({QStringLiteral("records")}, As("uma", "user-pass1")).code, 0);

    EXPECT_EQ(Cli(run, As("olga", "operator-1")).code, 0);
    EXPECT_EQ(Sim().At(0).Device().State().recordingState, 1);
    const CliRun list = Cli(users, As("olga", "operator-1"));
    EXPECT_EQ(list.err.trimmed(), refused);

    const CliRun disabled = Cli({QStringLiteral("records")}, As("gone", "retired-1"));
    EXPECT_EQ(disabled.code, 1);
    EXPECT_EQ(disabled.err.trimmed(), QStringLiteral("360: ") + qm::Msg(360));
}

TEST_F(CliLoginTest, UsersListsAndAddsUsersThatMustChangeTheirPassword)
{
    CliCall add;
    add.newPassword = QStringLiteral("handed-out1");
    CliRun r = Cli({QStringLiteral("users"), QStringLiteral("add"), QStringLiteral("nina"), QStringLiteral("--role"),
                    QStringLiteral("1")},
                   add);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err.trimmed(), QStringLiteral("124: ") + qm::Msg(124));
    r = Cli({QStringLiteral("users"), QStringLiteral("add"), QStringLiteral("otto"), QStringLiteral("--role"),
             QStringLiteral("2")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    r = Cli({QStringLiteral("users"), QStringLiteral("add"), QStringLiteral("nina"), QStringLiteral("--role"),
             QStringLiteral("2")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.trimmed(), QStringLiteral("266: ") + qm::Msg(266));
    add.newPassword = QStringLiteral("short");
    r = Cli({QStringLiteral("users"), QStringLiteral("add"), QStringLiteral("pia"), QStringLiteral("--role"),
             QStringLiteral("2")},
            add);
    EXPECT_EQ(r.err.trimmed(), QStringLiteral("318: ") + qm::Msg(318));
    for (const QString& role : {QStringLiteral("3"), QStringLiteral("x")})
        EXPECT_EQ(Cli({QStringLiteral("users"), QStringLiteral("add"), QStringLiteral("pia"), QStringLiteral("--role"),
                       role})
                      .code,
                  2);
    const auto added = Notes();
    EXPECT_EQ(std::count_if(added.begin(), added.end(), [](const Note& n) { return n.type == 25; }), 2);

    const CliRun list = Cli({QStringLiteral("users")});
    ASSERT_EQ(list.code, 0) << list.err.toStdString();
    ASSERT_EQ(list.out.size(), 5);
    EXPECT_EQ(list.out.at(0), QStringLiteral("name\trole\tcreate_time\tlatest_time"));
    EXPECT_TRUE(list.out.at(1).startsWith(QStringLiteral("admin\t0\t")));
    EXPECT_TRUE(list.out.at(1).endsWith(QStringLiteral("\t-")));   // the first password is still due
    EXPECT_TRUE(list.out.at(2).startsWith(QStringLiteral("tester\t0\t")));
    EXPECT_FALSE(list.out.at(2).endsWith(QStringLiteral("\t-")));
    const QStringList nina = list.out.at(3).split(u'\t');
    ASSERT_EQ(nina.size(), 4);
    EXPECT_EQ(nina.at(0), QStringLiteral("nina"));
    EXPECT_EQ(nina.at(1), QStringLiteral("1"));
    EXPECT_EQ(nina.at(3), QStringLiteral("-"));

    // Both must change the handed-out password before anything else; then they work.
    const QString due = QStringLiteral("%1: %2").arg(qm::kMsgHandedOutPassword).arg(qm::Msg(qm::kMsgHandedOutPassword));
    r = Cli({QStringLiteral("records")}, As("otto", QString::fromLatin1(qm::kDefaultPassword)));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.trimmed(), due);
    CliCall change = As("nina", "handed-out1");
    change.newPassword = QStringLiteral("nina-own-1");
    r = Cli({QStringLiteral("passwd")}, change);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.err.trimmed(), QStringLiteral("206: ") + qm::Msg(206));
    EXPECT_EQ(Cli({QStringLiteral("records")}, As("nina", "nina-own-1")).code, 0);
}

TEST_F(CliLoginTest, AnAgedPasswordMustChangeFirst)
{
    devtest::AddUserRow(QStringLiteral("old"), QStringLiteral("old-pass-1"), qm::kRoleUser,
                        QStringLiteral("2020-01-01 00:00:00"));
    const CliRun r = Cli({QStringLiteral("records")}, As("old", "old-pass-1"));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.trimmed(), QStringLiteral("361: ") + qm::MsgF(361, {QStringLiteral("10")}));
    EXPECT_EQ(CountNotes(1), 0);   // not logged in
}

TEST_F(CliLoginTest, PasswdRefusesAsTheDialogDoes)
{
    CliCall call;
    const auto passwd = [&](const std::optional<QString>& fresh) {
        call.newPassword = fresh;
        return Cli({QStringLiteral("passwd")}, call);
    };
    const auto refused = [](const CliRun& r, int number) {
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err.trimmed(), QStringLiteral("%1: %2").arg(number).arg(qm::Msg(number)));
    };
    refused(passwd(std::nullopt), 203);   // nothing given, no terminal
    refused(passwd(QStringLiteral("  ")), 203);
    refused(passwd(QStringLiteral("seven77")), 211);
    refused(passwd(QStringLiteral("seventeen-chars-x")), 211);
    refused(passwd(QString::fromLatin1(devtest::kCliPassword)), 204);
    EXPECT_EQ(CountNotes(11), 0);

    const CliRun ok = passwd(QStringLiteral("tester-pass2"));
    EXPECT_EQ(ok.code, 0) << ok.err.toStdString();
    EXPECT_EQ(CountNotes(11), 1);
    call.password = QStringLiteral("tester-pass2");
    EXPECT_EQ(Cli({QStringLiteral("records")}, call).code, 0);
}

// The window's first login: admin / the first password, which must change.
TEST_F(CliLoginTest, TheFirstAdministratorLoginChangesThePassword)
{
    CliCall admin = As("admin", QString::fromLatin1(qm::store::kAdminFirstPassword));
    CliRun r = Cli({QStringLiteral("records")}, admin);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("%1: ").arg(qm::kMsgHandedOutPassword))) << r.err.toStdString();
    admin.newPassword = QStringLiteral("Admin-own-1");
    r = Cli({QStringLiteral("passwd")}, admin);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(Cli({QStringLiteral("users")}, As("admin", "Admin-own-1")).code, 0);
}

// The window and every cli process share one count of refused logins.
TEST_F(CliLoginTest, TheLockOutCountsEveryProcess)
{
    const CliCall wrong = As(QString::fromLatin1(devtest::kCliUser), QStringLiteral("guess-1234"));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Cli({QStringLiteral("records")}, wrong).err.trimmed(), QStringLiteral("129: ") + qm::Msg(129));
    EXPECT_EQ(qm::TryLogin(QString::fromLatin1(devtest::kCliUser), QStringLiteral("guess-5678")).message, 129);
    const QString locked =
        QStringLiteral("%1: %2").arg(qm::kMsgLoginLocked).arg(qm::LockedMessageText(qm::kLockMinutes));
    EXPECT_EQ(Cli({QStringLiteral("records")}, wrong).err.trimmed(), locked);
    // The right password waits as well, in this process and the next.
    EXPECT_EQ(qm::TryLogin(QString::fromLatin1(devtest::kCliUser), QString::fromLatin1(devtest::kCliPassword)).message,
              qm::kMsgLoginLocked);
    const CliRun r = Cli({QStringLiteral("records")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("%1: ").arg(qm::kMsgLoginLocked))) << r.err.toStdString();
    // Another name is not affected.
    devtest::AddUserRow(QStringLiteral("olga"), QStringLiteral("operator-1"), qm::kRoleOperator);
    EXPECT_EQ(Cli({QStringLiteral("records")}, As("olga", "operator-1")).code, 0);
}

// Without QUILLMARK_PASSWORD the password is asked on the terminal, and what
// is typed does not appear on it.
TEST_F(CliLoginTest, ThePasswordIsAskedOnATerminalWithoutEcho)
{
    const QByteArray program = (qEnvironmentVariable("QM_TEST_PROGRAM_DIR") + QStringLiteral("/quillmark-cli")).toLocal8Bit();
    const QByteArray folder = Folder().toLocal8Bit();
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        unsetenv("QUILLMARK_PASSWORD");
        unsetenv("QUILLMARK_NEW_PASSWORD");
        execl(program.constData(), "quillmark-cli", "--folder", folder.constData(), "--user", devtest::kCliUser,
              "passwd", static_cast<char*>(nullptr));
        _exit(127);
    }
    // Each answer goes once its prompt is there (the terminal is quiet until then).
    QByteArray seen;
    const auto waitFor = [&](const QString& prompt) {
        const QByteArray wanted = (prompt + QStringLiteral(": ")).toUtf8();
        while (!seen.contains(wanted)) {
            char buffer[256];
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0)
                return false;
            seen.append(buffer, n);
        }
        return true;
    };
    const auto answer = [&](const char* text) { ASSERT_GT(write(master, text, strlen(text)), 0); };
    ASSERT_TRUE(waitFor(qm::Msg(5211)));
    answer("tester-pass1\n");
    ASSERT_TRUE(waitFor(qm::Msg(5213)));
    answer("new-secret-1\n");
    ASSERT_TRUE(waitFor(qm::Msg(5214)));
    answer("new-secret-2\n");
    for (;;) {
        char buffer[256];
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        seen.append(buffer, n);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    close(master);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    const QString shown = QString::fromUtf8(seen);
    EXPECT_TRUE(shown.contains(QStringLiteral("205: ") + qm::Msg(205))) << shown.toStdString();
    EXPECT_FALSE(shown.contains(QStringLiteral("tester-pass1")));
    EXPECT_FALSE(shown.contains(QStringLiteral("new-secret")));
}

} // namespace
