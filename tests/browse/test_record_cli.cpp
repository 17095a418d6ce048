// quillmark-cli rename and delete on a record downloaded from a simulated
// logger: the list's rules, messages, audit entries and the --yes consent.
#include "RecordListFixture.h"

#include "DownloadFixture.h"
#include "Strings.h"

#include <QRegularExpression>

using devtest::CliCall;
using devtest::CliRun;
using rectest::RecordListFixture;

namespace {

class RecordCliTest : public RecordListFixture {
protected:
    CliRun Cli(const QStringList& args, const CliCall& call = {}) { return devtest::RunCli(Folder(), args, call); }
    static QString Shown(int number) { return QString::number(number) + QStringLiteral(": ") + qm::Msg(number); }
};

TEST_F(RecordCliTest, RenameAndDeleteADownloadedRecord)
{
    const QString sn = QStringLiteral("A1B200601");
    Start({devtest::HistoryLogger(sn.toStdString(), 40)}, {1});
    const CliRun download = Cli({QStringLiteral("download"), QStringLiteral("--port"), QStringLiteral("1"),
                                 QStringLiteral("--name"), QStringLiteral("first")});
    ASSERT_EQ(download.code, 0) << qPrintable(download.err);
    const auto m = QRegularExpression(QStringLiteral("^record=(\\d+) table=(\\S+) ")).match(download.out.value(0));
    ASSERT_TRUE(m.hasMatch());
    const QString id = m.captured(1);
    const QString table = m.captured(2);
    ASSERT_TRUE(HasTable(LoggerPath(sn), table));

    const QString hostile = QStringLiteral("O'Brien's \"fridge\"");
    CliRun r = Cli({QStringLiteral("rename"), QStringLiteral("--record"), id, QStringLiteral("--name"),
                    QStringLiteral("  ") + hostile + QStringLiteral(" ")});
    EXPECT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_EQ(r.err.trimmed(), Shown(124));
    EXPECT_EQ(r.out, QStringList{QStringLiteral("record=%1 name=%2").arg(id, hostile)});
    EXPECT_EQ(Cli({QStringLiteral("records")}).out.value(0).split(u'\t').value(1), hostile);
    r = Cli({QStringLiteral("rename"), QStringLiteral("--record"), id, QStringLiteral("--name"), QStringLiteral(" ")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.trimmed(), Shown(215));
    r = Cli({QStringLiteral("rename"), QStringLiteral("--record"), QStringLiteral("999"), QStringLiteral("--name"),
             QStringLiteral("x")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.trimmed(), Shown(123));

    // Without --yes the question is answered Cancel: nothing goes.
    r = Cli({QStringLiteral("delete"), QStringLiteral("--record"), id});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("201: "))) << qPrintable(r.err);
    EXPECT_TRUE(HasTable(LoggerPath(sn), table));
    // An ordinary user may not delete at all.
    devtest::AddUserRow(QStringLiteral("ursula"), QStringLiteral("user-pass-1"), qm::kRoleUser);
    CliCall user;
    user.user = QStringLiteral("ursula");
    user.password = QStringLiteral("user-pass-1");
    r = Cli({QStringLiteral("delete"), QStringLiteral("--record"), id, QStringLiteral("--yes")}, user);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.trimmed(), Shown(315));
    EXPECT_TRUE(HasTable(LoggerPath(sn), table));

    r = Cli({QStringLiteral("delete"), QStringLiteral("--record"), id, QStringLiteral("--yes")});
    EXPECT_EQ(r.code, 0) << qPrintable(r.err);
    EXPECT_TRUE(r.err.contains(Shown(153))) << qPrintable(r.err);
    EXPECT_FALSE(HasTable(LoggerPath(sn), table));
    EXPECT_TRUE(Column(QStringLiteral("select * from recordtime;")).isEmpty());
    EXPECT_TRUE(Column(QStringLiteral("select * from config;"), LoggerPath(sn)).isEmpty());
    EXPECT_TRUE(Cli({QStringLiteral("records")}).out.isEmpty());

    QStringList entries;
    for (const Note& note : Notes())
        if (note.type == 14 || note.type == 15)
            entries << QStringLiteral("%1 %2 %3").arg(note.type).arg(note.user, note.info);
    EXPECT_EQ(entries, (QStringList{QStringLiteral("14 tester ") + sn + QStringLiteral(":first") + qm::Msg(353) + sn
                                        + u':' + hostile,
                                    QStringLiteral("15 tester ") + sn + u':' + hostile + qm::Msg(280) + qm::Msg(295)}));
}

TEST_F(RecordCliTest, UsageErrorsChangeNothing)
{
    for (const QStringList& args : QList<QStringList>{
             {QStringLiteral("rename"), QStringLiteral("--record"), QStringLiteral("1")},
             {QStringLiteral("rename"), QStringLiteral("--record"), QStringLiteral("x"), QStringLiteral("--name"),
              QStringLiteral("n")},
             {QStringLiteral("delete")},
             {QStringLiteral("delete"), QStringLiteral("--record"), QStringLiteral("1"), QStringLiteral("--force")},
             {QStringLiteral("delete"), QStringLiteral("--record"), QStringLiteral("-3"), QStringLiteral("--yes")}}) {
        const CliRun r = Cli(args);
        EXPECT_EQ(r.code, 2) << qPrintable(args.join(u' '));
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("usage: quillmark-cli"))) << qPrintable(r.err);
    }
}

} // namespace
