// The About dialog: its version line and the start of the updater from the
// program folder (message 248 with the error when it cannot start).
#include "ShellFixture.h"

#include "AuditSearch.h"
#include "CAboutDlg.h"
#include "MessageBoxHandler.h"
#include "MessageSeam.h"
#include "Strings.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
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
    EXPECT_EQ(about.windowTitle(), QString::fromUtf8("关于 Quillmark"));
    EXPECT_TRUE(about.TitleLine().endsWith(QString::fromUtf8("版本:1.5.0")));
}

// In English the menu text loses its mark and ellipsis as a title, and the
// version follows its label after a space.
TEST_F(AboutTest, EnglishTitleAndVersionReadAsWords)
{
    const QString module = qEnvironmentVariable("QM_TEST_PROGRAM_DIR") + QStringLiteral("/res/QUILLM_EN.lang");
    ASSERT_TRUE(LoadLanguageModule(module)) << module.toStdString();
    struct Restore {
        ~Restore() { UseBuiltinStrings(); }
    } restore;
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Quillmark"));
    EXPECT_TRUE(about.TitleLine().endsWith(QStringLiteral("Version: 1.5.0"))) << about.TitleLine().toStdString();
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

// A box with a short text is still wide enough for its caption: the window
// manager would otherwise cut "提示" to "…".
TEST_F(AboutTest, MessageBoxesAreWideEnoughForTheirCaption)
{
    IMessageHandler* script = CurrentMessageHandler();
    CMessageBoxHandler boxes;
    SetMessageHandler(&boxes);
    int width = 0;
    QString caption;
    OnNextModal([&](QWidget* w) {
        width = w->width();
        caption = w->windowTitle();
        static_cast<QDialog*>(w)->accept();
    });
    ShowMessage(190); // a short text
    SetMessageHandler(script);
    EXPECT_EQ(caption, Msg(168));
    QFont bold = QApplication::font();
    bold.setBold(true);
    EXPECT_GE(width, QFontMetrics(bold).horizontalAdvance(caption) + 150);
}
