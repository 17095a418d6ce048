// The About dialog: its version line and the start of the updater from the
// program folder (message 248 with the error when it cannot start).
#include "ShellFixture.h"

#include "AuditSearch.h"
#include "CAboutDlg.h"
#include "Strings.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

using namespace qm;

namespace {

class AboutTest : public ShellFixture {
protected:
    QString Updater() const { return m_folder.path() + QStringLiteral("/update"); }

    void WriteUpdater(const QByteArray& script, bool executable)
    {
        QFile file(Updater());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(script);
        file.close();
        QFile::Permissions perms = QFile::ReadOwner | QFile::WriteOwner;
        if (executable)
            perms |= QFile::ExeOwner;
        ASSERT_TRUE(file.setPermissions(perms));
    }
};

TEST_F(AboutTest, TitleCarriesTheVersion)
{
    CAboutDlg about;
    EXPECT_TRUE(about.TitleLine().endsWith(QStringLiteral("1.5.0")));
    EXPECT_TRUE(about.TitleLine().startsWith(Msg(119)));
    EXPECT_FALSE(about.windowTitle().contains(u'&'));
}

TEST_F(AboutTest, UpdaterMissingOrNotExecutableGives248)
{
    CAboutDlg about;
    about.OnBnClickedBUpdate();
    ASSERT_EQ(m_messages.Numbers(), QList<int>{248});
    EXPECT_TRUE(m_messages.Requests().last().text.contains(u'2'));

    WriteUpdater("#!/bin/sh\nexit 0\n", false);
    m_messages.Clear();
    about.OnBnClickedBUpdate();
    ASSERT_EQ(m_messages.Numbers(), QList<int>{248});
    EXPECT_TRUE(m_messages.Requests().last().text.contains(u'5'));
}

TEST_F(AboutTest, UpdaterStartsInTheProgramFolderAndIsLogged)
{
    // The updater leaves a mark in its working folder.
    WriteUpdater("#!/bin/sh\ntouch started-here\n", true);
    CAboutDlg about;
    about.OnBnClickedBUpdate();
    EXPECT_TRUE(m_messages.Numbers().isEmpty());
    // Started detached: its mark is the event to wait for.
    const QString mark = m_folder.path() + QStringLiteral("/started-here");
    while (!QFileInfo::exists(mark))
        QThread::msleep(20);

    const auto rows = SearchNotes(QStringLiteral("2000-01-01 00:00"), QStringLiteral("2100-01-01 00:00"), QString(), 0);
    ASSERT_TRUE(rows);
    bool logged = false;
    for (const NoteRow& row : *rows)
        logged |= row.type == 22;
    EXPECT_TRUE(logged);
}

} // namespace
