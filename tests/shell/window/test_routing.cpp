// The main window's routing, checks, trees, tabs and side panel offscreen.
#include "WindowFixture.h"

#include "CBasicAttribute.h"
#include "CLogin.h"
#include "ControlIds.h"
#include "MenuCommands.h"
#include "Strings.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

using namespace qm;
using namespace qm::window;
using qm::device::CBasicAttribute;

namespace {

class RoutingTest : public wintest::WindowFixture {};

TEST_F(RoutingTest, GuardedCommandsNeedALogin)
{
    CQuillmarkBody& body = Open();
    const QList<int> types = NoteTypes();
    const QList<int> login = {int(MenuCmd::SaveAs), kBtnSave, int(MenuCmd::Print), kBtnPrint, int(MenuCmd::PdfReport),
                              int(MenuCmd::SerialSettings), kBtnConnect, kBtnDisconnect, kBtnRun, kBtnStop,
                              int(MenuCmd::Connect), int(MenuCmd::RunPause)};
    for (int command : login) {
        m_messages.Clear();
        body.Route(command);
        EXPECT_EQ(m_messages.Numbers(), QList<int>{164}) << command;
    }
    for (int command : {int(MenuCmd::AutoBackup), int(MenuCmd::ManualBackup), int(MenuCmd::BackupImport)}) {
        m_messages.Clear();
        body.Route(command);
        EXPECT_EQ(m_messages.Numbers(), QList<int>{126}) << command;
    }
    // Nothing else happened: no dialog, no device, no audit row.
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(device::DeviceManager().Count(), 0);
    EXPECT_EQ(NoteTypes(), types);
}

TEST_F(RoutingTest, RunAndStopNeedAnOperator)
{
    CQuillmarkBody& body = Open();
    LogIn(kRoleUser);
    for (int command : {int(kBtnRun), int(kBtnStop), int(MenuCmd::RunPause)}) {
        m_messages.Clear();
        body.Route(command);
        EXPECT_EQ(m_messages.Numbers(), QList<int>{315}) << command;
    }
    // An operator (and an administrator) passes the check; without a logger the
    // command stops at 194.
    for (int role : {kRoleOperator, kRoleAdministrator}) {
        SetLogin(7, QStringLiteral("amy"), QStringLiteral("pw"), role, QString());
        for (int command : {int(kBtnRun), int(kBtnStop)}) {
            m_messages.Clear();
            body.Route(command);
            EXPECT_EQ(m_messages.Numbers(), QList<int>{194}) << role << ' ' << command;
        }
    }
    // Connect and disconnect are for every logged-in user.
    SetLogin(7, QStringLiteral("amy"), QStringLiteral("pw"), kRoleUser, QString());
    m_messages.Clear();
    body.Route(kBtnDisconnect);
    EXPECT_EQ(m_messages.Numbers(), QList<int>{194});
}

TEST_F(RoutingTest, ACommandWithoutItsSubsystemStaysDisabled)
{
    AddDevInfo(QStringLiteral("A1B200001"), 3, 115200);
    CQuillmarkBody& body = Open(false);   // no download subsystem
    LogIn(kRoleOperator);
    EXPECT_FALSE(body.Button(kBtnDownload)->isEnabled());
    EXPECT_FALSE(body.Button(kBtnDownloadAll)->isEnabled());
    EXPECT_FALSE(m_frame->Action(MenuCmd::Download)->isEnabled());
    EXPECT_TRUE(body.Button(kBtnConnect)->isEnabled());
    EXPECT_TRUE(m_frame->Action(MenuCmd::SerialSettings)->isEnabled());
    body.Route(kBtnDownload);
    body.Route(int(MenuCmd::Download));
    EXPECT_TRUE(m_messages.Numbers().isEmpty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(RoutingTest, EscapeDoesNothingAndEnterSearches)
{
    CQuillmarkBody& body = Open();
    AddDevInfo(QStringLiteral("A1B200001"), 3, 115200);
    body.ReloadDeviceTree();
    LogIn(kRoleOperator);
    QStringList conditions;
    QObject::connect(&body, &CQuillmarkBody::listAllRecords, [&](const QString& c) { conditions << c; });

    body.SearchEdit()->setFocus();
    QTest::keyClick(body.SearchEdit(), Qt::Key_Escape);
    QTest::keyClick(m_frame.get(), Qt::Key_Escape);
    EXPECT_TRUE(m_frame->isVisible());
    EXPECT_TRUE(conditions.isEmpty());
    EXPECT_TRUE(m_messages.Numbers().isEmpty());

    body.SearchEdit()->setText(QStringLiteral("B2'0"));
    QTest::keyClick(body.SearchEdit(), Qt::Key_Return);
    ASSERT_EQ(conditions.size(), 1);   // once, not once per handler
    EXPECT_EQ(conditions.at(0), QStringLiteral("(devname like '%B2''0%' or SN like '%B2''0%')"));
    // Enter with the focus in the tree presses the search as well (the window's default).
    body.DeviceTree()->setFocus();
    QTest::keyClick(body.DeviceTree(), Qt::Key_Enter);
    EXPECT_EQ(conditions.size(), 2);
    // A field of a page in the record area keeps its Enter.
    auto* field = new QLineEdit;
    body.SetRecordPage(field);
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(conditions.size(), 2);
    // A page field that takes Enter for itself leaves the next search alone.
    auto* text = new QPlainTextEdit;
    body.SetRecordPage(text);
    QTest::keyClick(text, Qt::Key_Return);
    QTest::keyClick(body.SearchEdit(), Qt::Key_Return);
    EXPECT_EQ(conditions.size(), 3);
    EXPECT_TRUE(m_messages.Numbers().isEmpty());
}

TEST_F(RoutingTest, DeviceTreeAndASecondSelectionWhileBusy)
{
    AddDevInfo(QStringLiteral("A1B200001"), 3, 115200);
    AddDevInfo(QStringLiteral("A1B200002"), 4, 9600);
    CQuillmarkBody& body = Open();
    LogIn(kRoleOperator);
    QTreeWidget* tree = body.DeviceTree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), Msg(196));
    ASSERT_EQ(tree->topLevelItem(0)->childCount(), 2);
    EXPECT_EQ(DeviceItem(0)->text(0), QStringLiteral("old_A1B200001"));
    EXPECT_EQ(body.SidePageShown(), kSideHidden);   // the root is selected after login

    // The handler of the first selection changes the selection again: refused.
    QStringList listed;
    QObject::connect(&body, &CQuillmarkBody::listDeviceRecords, [&](const QString& sn) {
        listed << sn;
        EXPECT_TRUE(body.SelectionBusy());
        tree->setCurrentItem(DeviceItem(1));
    });
    tree->setCurrentItem(DeviceItem(0));
    EXPECT_EQ(listed, QStringList{QStringLiteral("A1B200001")});
    EXPECT_EQ(tree->currentItem(), DeviceItem(0));
    EXPECT_EQ(device::DeviceManager().CurrentSN(), QStringLiteral("A1B200001"));
    EXPECT_FALSE(body.SelectionBusy());
    // A known logger that is not connected fills the information page from devInfo.
    EXPECT_EQ(body.SidePageShown(), kSideDeviceInfo);
    EXPECT_EQ(InfoPage()->Value(CBasicAttribute::kSN), QStringLiteral("A1B200001"));
    EXPECT_TRUE(InfoPage()->ChannelShown(0));
    EXPECT_FALSE(InfoPage()->ChannelShown(1));
    EXPECT_EQ(InfoPage()->Value(CBasicAttribute::kState), QString());
}

TEST_F(RoutingTest, TabsNoticesAndHiddenDeviceButtons)
{
    CQuillmarkBody& body = Open();
    EXPECT_EQ(body.CurrentTab(), kTabNone);
    LogIn(kRoleOperator);
    EXPECT_EQ(body.CurrentTab(), kTabDevice);
    // Only the root: the empty page says that no logger was ever connected.
    EXPECT_EQ(body.SidePageShown(), kSideEmpty);
    EXPECT_EQ(body.EmptyPageText()->text(), Msg(343));
    EXPECT_FALSE(body.Button(kBtnConnect)->isHidden());

    body.SearchEdit()->setText(QStringLiteral("abc"));
    body.OnTabFolders();
    EXPECT_EQ(body.CurrentTab(), kTabFolder);
    EXPECT_EQ(body.SearchEdit()->text(), QString());
    EXPECT_EQ(body.EmptyPageText()->text(), Msg(342));
    EXPECT_EQ(body.FolderTree()->topLevelItem(0)->text(0), Msg(301));
    for (int id : {kBtnConnect, kBtnDisconnect, kBtnRun, kBtnStop, kBtnDownload, kBtnConnectAll, kBtnConfigAll,
                   kBtnDownloadAll}) {
        EXPECT_TRUE(body.Button(id)->isHidden()) << id;
        EXPECT_TRUE(body.ButtonLabel(id)->isHidden()) << id;
    }
    EXPECT_FALSE(body.Button(kBtnSave)->isHidden());
    EXPECT_FALSE(m_frame->Action(MenuCmd::Connect)->isEnabled());

    // The tree of the other tab does not take a selection.
    AddDevInfo(QStringLiteral("A1B200001"), 3, 115200);
    body.ReloadDeviceTree();
    body.DeviceTree()->setCurrentItem(DeviceItem(0));
    EXPECT_EQ(body.DeviceTree()->currentItem(), body.DeviceTree()->topLevelItem(0));
    EXPECT_EQ(device::DeviceManager().CurrentSN(), QString());

    body.OnTabDevices();
    EXPECT_EQ(body.CurrentTab(), kTabDevice);
    EXPECT_FALSE(body.Button(kBtnConnect)->isHidden());
    EXPECT_TRUE(m_frame->Action(MenuCmd::Connect)->isEnabled());
    EXPECT_TRUE(m_messages.Numbers().isEmpty());
}

TEST_F(RoutingTest, SidePanelPagesAndLayout)
{
    CQuillmarkBody& body = Open();
    LogIn(kRoleOperator);
    m_frame->resize(1300, 800);
    QApplication::processEvents();
    const int w = body.width();
    EXPECT_EQ(body.TitleBar()->height(), kTitleHeight);

    body.SelectSidePage(kSideHidden);
    EXPECT_TRUE(body.SidePanel()->isHidden());
    EXPECT_EQ(body.RecordArea()->geometry(), QRect(253, 55, w - 253, body.height() - 55));

    body.OnSideTabInfo();
    EXPECT_EQ(body.SidePageShown(), kSideDeviceInfo);
    EXPECT_FALSE(body.SidePanel()->isHidden());
    EXPECT_EQ(body.RecordArea()->width(), w - 253 - 253);
    EXPECT_EQ(body.SidePanel()->geometry(), QRect(w - 253, 55, 253, body.height() - 55));

    // The configuration tab: no record and no connected logger -> the empty page.
    body.OnSideTabConfig();
    EXPECT_EQ(body.SidePageShown(), kSideEmpty);
    EXPECT_EQ(body.EmptyPageText()->text(), Msg(341));
    body.SetSelectedRecord(true, false);
    body.OnSideTabConfig();
    EXPECT_EQ(body.SidePageShown(), kSideRecordConfig);
    body.SetSelectedRecord(true, true);   // an imported record has no configuration
    body.OnSideTabConfig();
    EXPECT_EQ(body.SidePageShown(), kSideEmpty);

    // Out of range is ignored.
    body.SelectSidePage(4);
    EXPECT_EQ(body.SidePageShown(), kSideEmpty);
}

TEST_F(RoutingTest, TrayDoubleClickLogsInOrShows)
{
    CQuillmarkBody& body = Open();
    bool asked = false;
    OnNextModal([&](QWidget* w) {
        asked = qobject_cast<CLogin*>(w) != nullptr;
        static_cast<QDialog*>(w)->reject();
    });
    body.OnTrayActivated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(asked);
    EXPECT_FALSE(m_frame->isVisible());
    EXPECT_EQ(body.TrayIcon()->toolTip(), Msg(119));

    LogIn(kRoleOperator);
    m_frame->hide();
    body.OnTrayActivated(QSystemTrayIcon::Trigger);   // a single click does nothing
    EXPECT_FALSE(m_frame->isVisible());
    body.OnTrayActivated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(m_frame->isVisible());
    EXPECT_TRUE(m_messages.Numbers().isEmpty());
}

TEST_F(RoutingTest, LogoutLeavesTheTabsAndTheSearch)
{
    AddDevInfo(QStringLiteral("A1B200001"), 3, 115200);
    CQuillmarkBody& body = Open();
    LogIn(kRoleOperator);
    body.DeviceTree()->setCurrentItem(DeviceItem(0));
    body.SearchEdit()->setText(QStringLiteral("x"));
    OnNextModal([](QWidget* w) { static_cast<QDialog*>(w)->reject(); });   // the login asked again
    m_frame->OnQuit();
    EXPECT_EQ(body.CurrentTab(), kTabNone);
    EXPECT_EQ(body.SearchEdit()->text(), QString());
    EXPECT_EQ(body.DeviceTree()->currentItem(), body.DeviceTree()->topLevelItem(0));
    EXPECT_EQ(device::DeviceManager().CurrentSN(), QString());
    EXPECT_EQ(body.SidePageShown(), kSideHidden);
    // The user name is back to "登录" in the title bar.
    auto* name = body.TitleBar()->findChild<QLabel*>(QStringLiteral("userName"));
    ASSERT_TRUE(name);
    EXPECT_EQ(name->text(), Msg(118));
}

} // namespace
