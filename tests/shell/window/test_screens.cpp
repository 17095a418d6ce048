// Pictures of the main window for a person to look at: after the login, with
// a connected logger, and in English. Saved into $QM_SCREENS when it is set
// (run under xvfb-run for the real look); the checks run either way.
#include "WindowFixture.h"

#include "AppEnv.h"
#include "CQuillmarkApp.h"
#include "CBasicAttribute.h"
#include "ControlIds.h"
#include "Strings.h"
#include "Users.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

using namespace qm;
using namespace qm::window;
using qm::device::CBasicAttribute;

namespace {

class ScreensTest : public wintest::WindowFixture {
protected:
    void Save(const QString& name) { SaveScreen(*m_frame, QStringLiteral("window-") + name); }

    // Every shown toolbar button lies inside the title bar, clear of the logo
    // and of its neighbours, with its label under it.
    void ExpectTidyTitleBar()
    {
        QList<QRect> taken;
        const QRect logo = m_body->TitleBar()->findChild<QLabel*>(QStringLiteral("c1054"))->geometry();
        for (int id : {kBtnSave, kBtnPrint, kBtnConnect, kBtnDisconnect, kBtnRun, kBtnStop, kBtnDownload, kBtnMerge,
                       kBtnCompare, kBtnConnectAll, kBtnConfigAll, kBtnDownloadAll}) {
            QToolButton* b = m_body->Button(id);
            if (b->isHidden())
                continue;
            const QRect slot = b->geometry().united(m_body->ButtonLabel(id)->geometry());
            EXPECT_GE(slot.left(), kNavWidth) << id;
            EXPECT_LE(slot.bottom(), kTitleHeight) << id;
            EXPECT_FALSE(slot.intersects(logo)) << id;
            for (const QRect& other : taken)
                EXPECT_FALSE(slot.intersects(other)) << id;
            QLabel* label = m_body->ButtonLabel(id);
            EXPECT_LE(qAbs(label->geometry().center().x() - b->geometry().center().x()), 1) << id;
            // The whole label is readable.
            EXPECT_EQ(label->text(), b->toolTip()) << id;
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width()) << id;
            taken << slot;
        }
    }
};

TEST_F(ScreensTest, AfterLoginAndWithALogger)
{
    InstallFontSubstitutions();
    loggersim::LoggerProfile p = devtest::Logger("A1B200021", 2);
    p.state.cardName = "Cold-1";
    Start({p}, {3});
    SetCom(0, QStringLiteral("COM3"), 115200, devtest::kLinkDelay);
    AddDevInfo(QStringLiteral("A1B200021"), 3, 115200);
    AddDevInfo(QStringLiteral("A1B200022"), 5, 115200);
    Open();
    m_frame->resize(1280, 800);
    LogInThroughDialog(QStringLiteral("amy"), kRoleAdministrator);
    ASSERT_EQ(LoginUserName(), QStringLiteral("amy"));
    EXPECT_EQ(m_body->CurrentTab(), kTabDevice);
    ExpectTidyTitleBar();
    Save(QStringLiteral("login"));

    m_body->DeviceTree()->setCurrentItem(DeviceItem(0));
    ConnectOnNextDialog();
    m_body->Route(kBtnConnect);
    ASSERT_EQ(m_messages.Numbers(), QList<int>{187});
    // The channels by the names and units of the settings file.
    EXPECT_FALSE(InfoPage()->ChannelName(0).isEmpty());
    EXPECT_FALSE(InfoPage()->ChannelUnit(0).isEmpty());
    EXPECT_NE(InfoPage()->ChannelName(0), InfoPage()->ChannelName(1));
    ExpectTidyTitleBar();
    Save(QStringLiteral("connected"));

    m_body->OnTabFolders();
    ExpectTidyTitleBar();
    Save(QStringLiteral("folders"));
}

TEST_F(ScreensTest, InEnglish)
{
    InstallFontSubstitutions();
    const QString module = qEnvironmentVariable("QM_TEST_PROGRAM_DIR") + QStringLiteral("/res/QUILLM_EN.lang");
    ASSERT_TRUE(LoadLanguageModule(module)) << module.toStdString();
    SetCurrentLanguageName(QString::fromLatin1(kEnglishModule));
    AddDevInfo(QStringLiteral("A1B200031"), 3, 115200);
    Open();
    m_frame->resize(1280, 800);
    LogIn(kRoleOperator);
    m_body->DeviceTree()->setCurrentItem(DeviceItem(0));
    EXPECT_EQ(m_body->ButtonLabel(kBtnConnect)->text(), Msg(5031));
    EXPECT_NE(Msg(5031), BuiltinStrings().value(5031));
    ExpectTidyTitleBar();
    Save(QStringLiteral("english"));
    UseBuiltinStrings();
    SetCurrentLanguageName(QString::fromLatin1(kChineseModule));
}

} // namespace
