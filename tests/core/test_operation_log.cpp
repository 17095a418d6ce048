#include "AppEnv.h"
#include "Clock.h"
#include "InitialDatabase.h"
#include "LoginState.h"
#include "MessageSeam.h"
#include "OpenDatabase.h"
#include "OperationLog.h"
#include "Recordset.h"
#include "Startup.h"
#include "Strings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

using namespace qm;

namespace {

struct NoteRow {
    QString user;
    int type;
    QString time;
    QString info;
};

class OperationLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(store::CreateInitialProgramFolder(m_folder.path()), store::kInitialCreated);
        m_context = std::make_unique<CCoreContext>(m_folder.path());
    }

    void TearDown() override { m_context.reset(); }

    std::vector<NoteRow> Rows()
    {
        std::vector<NoteRow> rows;
        auto db = store::OpenDatabase(nullptr, DatabasePath(), 0, 0, 0);
        if (!db)
            return rows;
        std::unique_ptr<store::CRecordset> set;
        if (db->QueryRecordset(QStringLiteral("select * from note order by id"), set) != 1 || !set)
            return rows;
        for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
            rows.push_back({set->Text(u"user_name"), int(set->Integer(u"type")), set->Text(u"handle_time"),
                            set->Text(u"info")});
        return rows;
    }

    QStringList TextLines()
    {
        QFile f(OperationLogTextFile());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir m_folder;
    std::unique_ptr<CCoreContext> m_context;
    MessageScript m_messages;
};

TEST_F(OperationLogTest, EntryBeforeLoginHasNoUserAndNoBrackets)
{
    ScopedClock clock(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));
    WriteOperationLog(QString(), Msg(292), 24);

    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].user, QString());
    EXPECT_EQ(rows[0].type, 24);
    EXPECT_EQ(rows[0].time, QStringLiteral("2024-05-06 07:08:09"));
    EXPECT_EQ(rows[0].info, Msg(292));

    const QStringList lines = TextLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("] ") + Msg(292) + u' ' + Msg(292))) << lines[0].toStdString();
    EXPECT_FALSE(lines[0].endsWith(u']'));
    EXPECT_TRUE(OperationLogTextFile().startsWith(m_folder.path() + QStringLiteral("/log/")));
    EXPECT_TRUE(m_messages.Numbers().isEmpty());
}

TEST_F(OperationLogTest, UserTextChoosesTheRowsUser)
{
    SetLogin(2, QStringLiteral("alice"), QStringLiteral("pw"), kRoleOperator, QString());
    WriteOperationLog(QStringLiteral("CQuillmarkDlg::Login"), Msg(118), 1);
    WriteOperationLog(QStringLiteral("T::NoUser"), QStringLiteral("x"), 4, QString::fromLatin1(kNoUser));
    WriteOperationLog(QStringLiteral("T::Named"), QStringLiteral("y"), 5, QStringLiteral("bob"));

    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].user, QStringLiteral("alice"));
    EXPECT_EQ(rows[1].user, QString());   // "=====" even though alice is logged in
    EXPECT_EQ(rows[2].user, QStringLiteral("bob"));

    const QStringList lines = TextLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("[CQuillmarkDlg::Login] %1 %1[alice]").arg(Msg(118)))) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].endsWith(Msg(269) + QStringLiteral(" x[]"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].endsWith(Msg(270) + QStringLiteral(" y[bob]"))) << lines[2].toStdString();
}

TEST_F(OperationLogTest, TypeMinusOneWritesOnlyTheLine)
{
    WriteOperationLog(QStringLiteral("CDownload::Progress"), QStringLiteral("page 3"), kTextLineOnly);
    EXPECT_TRUE(Rows().empty());
    const QStringList lines = TextLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("[CDownload::Progress] page 3"))) << lines[0].toStdString();
}

TEST_F(OperationLogTest, QuotesInUserAndInfoAreStoredAsTyped)
{
    const QString user = QStringLiteral("O'Brien");
    const QString info = QStringLiteral("设备连接'); drop table note; --");
    WriteOperationLog(QStringLiteral("T::Q"), info, 4, user);
    WriteOperationLog(QStringLiteral("T::Q"), QStringLiteral("after"), 5, user);
    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].user, user);
    EXPECT_EQ(rows[0].info, info);
    EXPECT_EQ(rows[1].info, QStringLiteral("after"));
}

TEST_F(OperationLogTest, MissingNoteTableIsCreatedAndMissingDatabaseLosesOnlyTheRow)
{
    {
        auto db = store::OpenDatabase(nullptr, DatabasePath(), 0, 0, 0);
        ASSERT_TRUE(db);
        ASSERT_NE(db->ExeSql(QStringLiteral("drop table note")), -1);
    }
    WriteOperationLog(QStringLiteral("T::A"), QStringLiteral("a"), 9);
    EXPECT_EQ(Rows().size(), 1u);

    // Another program folder without a database: the line is written, no row, no message.
    QTemporaryDir empty;
    {
        const CCoreContext other(empty.path());
        WriteOperationLog(QStringLiteral("T::B"), QStringLiteral("b"), 9);
        EXPECT_FALSE(QFile::exists(DatabasePath()));
        EXPECT_TRUE(OperationLogTextFile().startsWith(empty.path()));
        EXPECT_EQ(TextLines().size(), 1);
        EXPECT_TRUE(m_messages.Numbers().isEmpty());
    }
    // Back in the first folder, the next line goes to its own log again.
    WriteOperationLog(QStringLiteral("T::C"), QStringLiteral("c"), 9);
    EXPECT_TRUE(OperationLogTextFile().startsWith(m_folder.path()));
    EXPECT_EQ(Rows().size(), 2u);
}

TEST_F(OperationLogTest, StoreFailuresInLogModeLandInTheTextLog)
{
    auto db = store::OpenDatabase(nullptr, DatabasePath(), 0, 0, 0);
    ASSERT_TRUE(db);
    db->SetReportMode(store::kReportLog);
    EXPECT_NE(db->ExeSql(QStringLiteral("select * from no_such_table")), 1);

    const QStringList lines = TextLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].contains(QStringLiteral("[CDBOperator] "))) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains(QStringLiteral("no_such_table"))) << lines[0].toStdString();
    EXPECT_TRUE(Rows().empty());
    EXPECT_TRUE(m_messages.Numbers().isEmpty());
}

TEST_F(OperationLogTest, WritersOnSeveralThreadsKeepEveryRowAndLine)
{
    constexpr int kThreads = 4;
    constexpr int kEach = 10;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kEach; ++i)
                WriteOperationLog(QStringLiteral("T::Thread"), QStringLiteral("%1-%2").arg(t).arg(i), 8);
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(Rows().size(), size_t(kThreads * kEach));
    EXPECT_EQ(TextLines().size(), kThreads * kEach);
}

TEST(OperationTypes, TwentyEightTextsInTableOrder)
{
    EXPECT_EQ(OperationTypeMessage(1), 107);
    EXPECT_EQ(OperationTypeMessage(17), 282);
    EXPECT_EQ(OperationTypeMessage(18), 284);   // 283 is not a type
    EXPECT_EQ(OperationTypeMessage(22), 288);
    EXPECT_EQ(OperationTypeMessage(23), 291);   // 289, 290 are not types
    EXPECT_EQ(OperationTypeMessage(28), 339);
    EXPECT_EQ(OperationTypeMessage(0), 0);
    EXPECT_EQ(OperationTypeMessage(29), 0);
    EXPECT_EQ(OperationTypeText(-1), QString());
    EXPECT_EQ(OperationTypeText(24), Msg(292));
}

} // namespace
