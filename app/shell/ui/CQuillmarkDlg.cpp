#include "CQuillmarkDlg.h"

#include "AppEnv.h"
#include "CAboutDlg.h"
#include "CIdleWatch.h"
#include "CLogin.h"
#include "CNoteDlg.h"
#include "CUpdatePwd.h"
#include "CUserManager.h"
#include "LoginState.h"
#include "MessageSeam.h"
#include "OpenDatabase.h"
#include "OperationLog.h"
#include "Permissions.h"
#include "Strings.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

namespace qm {

QString MenuText(const QString& text)
{
    QString out = text;
    const qsizetype at = out.indexOf(QStringLiteral("&("));
    if (at >= 0 && at + 3 < out.size() && out.at(at + 3) == u')')
        out.replace(at, 4, QStringLiteral("(&%1)").arg(out.at(at + 2)));
    return out;
}

CQuillmarkDlg::CQuillmarkDlg(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("CQuillmarkDlg"));
    setWindowTitle(Msg(119));
    resize(1200, 760);
    setMinimumSize(900, 600);
    m_db = store::OpenDatabase(this, DatabasePath(), 0, 0, 1);
    BuildMenus();
    BuildUserBadge();
    setCentralWidget(new QWidget(this));
    m_idle = new CIdleWatch(this);
    connect(m_idle, &CIdleWatch::idle, this, &CQuillmarkDlg::OnIdle);
}

CQuillmarkDlg::~CQuillmarkDlg() = default;

QAction* CQuillmarkDlg::AddAction(QMenu* menu, MenuCmd command, const QString& text, const QKeySequence& key)
{
    auto* action = new QAction(MenuText(text), this);
    action->setObjectName(QStringLiteral("cmd%1").arg(int(command)));
    action->setData(int(command));
    if (!key.isEmpty()) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
    }
    if (menu)
        menu->addAction(action);
    // The accelerators work while the menu bar is closed and whatever the body holds.
    addAction(action);
    m_actions.insert(command, action);
    return action;
}

void CQuillmarkDlg::BuildMenus()
{
    QMenuBar* bar = menuBar();
    const auto ctrl = [](Qt::Key key) { return QKeySequence(Qt::CTRL | key); };

    QMenu* file = bar->addMenu(MenuText(Msg(5000)));
    AddAction(file, MenuCmd::SaveAs, Msg(5001), ctrl(Qt::Key_S));
    AddAction(file, MenuCmd::Print, Msg(5002), ctrl(Qt::Key_P));
    AddAction(file, MenuCmd::PdfReport, Msg(339));
    AddAction(file, MenuCmd::ImportAndroid, Msg(5003));
    file->addSeparator();
    AddAction(file, MenuCmd::Logout, Msg(5004), ctrl(Qt::Key_Q));

    QMenu* tools = bar->addMenu(MenuText(Msg(5005)));
    AddAction(tools, MenuCmd::Connect, Msg(345), ctrl(Qt::Key_I));
    AddAction(tools, MenuCmd::Download, Msg(5006), ctrl(Qt::Key_D));
    AddAction(tools, MenuCmd::RunPause, Msg(347), ctrl(Qt::Key_R));
    tools->addSeparator();
    AddAction(tools, MenuCmd::UserManager, Msg(5007), ctrl(Qt::Key_W));
    AddAction(tools, MenuCmd::AuditTrail, Msg(5008), ctrl(Qt::Key_E));

    QMenu* language = bar->addMenu(MenuText(Msg(5009)));
    m_languages = new QActionGroup(this);
    m_languages->setExclusive(true);
    for (MenuCmd command : {MenuCmd::Chinese, MenuCmd::English}) {
        QAction* action = AddAction(language, command, Msg(command == MenuCmd::Chinese ? 5010 : 5011));
        action->setCheckable(true);
        m_languages->addAction(action);
    }
    CheckCurrentLanguage();

    QMenu* settings = bar->addMenu(MenuText(Msg(5012)));
    AddAction(settings, MenuCmd::AutoBackup, Msg(284));
    AddAction(settings, MenuCmd::ManualBackup, Msg(285));
    AddAction(settings, MenuCmd::BackupImport, Msg(5013), ctrl(Qt::Key_A));
    settings->addSeparator();
    AddAction(settings, MenuCmd::SerialSettings, Msg(287));

    QMenu* help = bar->addMenu(MenuText(Msg(5014)));
    AddAction(help, MenuCmd::HelpTopics, Msg(5015));
    AddAction(help, MenuCmd::About, Msg(5016));

    // The commands of the window's body start disabled; the body enables and
    // connects the ones it runs.
    for (MenuCmd command : {MenuCmd::SaveAs, MenuCmd::Print, MenuCmd::PdfReport, MenuCmd::ImportAndroid,
                            MenuCmd::Connect, MenuCmd::Download, MenuCmd::RunPause, MenuCmd::AutoBackup,
                            MenuCmd::ManualBackup, MenuCmd::BackupImport, MenuCmd::SerialSettings})
        Action(command)->setEnabled(false);

    connect(Action(MenuCmd::Logout), &QAction::triggered, this, &CQuillmarkDlg::OnQuit);
    connect(Action(MenuCmd::UserManager), &QAction::triggered, this, &CQuillmarkDlg::OnUserManager);
    connect(Action(MenuCmd::AuditTrail), &QAction::triggered, this, &CQuillmarkDlg::OnAuditTrail);
    connect(Action(MenuCmd::Chinese), &QAction::triggered, this,
            [this] { SwitchLanguage(QString::fromLatin1(kChineseModule)); });
    connect(Action(MenuCmd::English), &QAction::triggered, this,
            [this] { SwitchLanguage(QString::fromLatin1(kEnglishModule)); });
    connect(Action(MenuCmd::HelpTopics), &QAction::triggered, this, &CQuillmarkDlg::OnHelp);
    connect(Action(MenuCmd::About), &QAction::triggered, this, &CQuillmarkDlg::OnAbout);
}

void CQuillmarkDlg::BuildUserBadge()
{
    m_userBadge = new QWidget(this);
    m_userBadge->setObjectName(QStringLiteral("userBadge"));
    auto* layout = new QHBoxLayout(m_userBadge);
    layout->setContentsMargins(6, 0, 6, 0);
    layout->setSpacing(2);
    m_userLabel = new QLabel(Msg(118), m_userBadge);
    m_userLabel->setObjectName(QStringLiteral("userName"));
    m_userLabel->setCursor(Qt::PointingHandCursor);
    m_userLabel->installEventFilter(this);
    m_userButton = new QToolButton(m_userBadge);
    m_userButton->setObjectName(QStringLiteral("userMenuButton"));
    m_userButton->setText(Msg(5039));
    m_userButton->setAutoRaise(true);
    layout->addWidget(m_userLabel);
    layout->addWidget(m_userButton);

    m_userMenu = new QMenu(this);
    QAction* change = m_userMenu->addAction(Msg(112));
    QAction* logout = m_userMenu->addAction(Msg(113));
    change->setData(int(MenuCmd::ChangePassword));
    logout->setData(int(MenuCmd::UserLogout));
    m_actions.insert(MenuCmd::ChangePassword, change);
    m_actions.insert(MenuCmd::UserLogout, logout);
    connect(change, &QAction::triggered, this, &CQuillmarkDlg::OnChangePassword);
    connect(logout, &QAction::triggered, this, &CQuillmarkDlg::OnQuit);
    connect(m_userButton, &QToolButton::clicked, this, &CQuillmarkDlg::OnUserBadgeClicked);
    menuBar()->setCornerWidget(m_userBadge, Qt::TopRightCorner);
}

QAction* CQuillmarkDlg::Action(MenuCmd command) const
{
    return m_actions.value(command, nullptr);
}

void CQuillmarkDlg::SetBody(QWidget* body)
{
    setCentralWidget(body ? body : new QWidget(this));
}

QWidget* CQuillmarkDlg::Body() const
{
    return centralWidget();
}

QString CQuillmarkDlg::UserLabelText() const
{
    return m_userLabel->text();
}

void CQuillmarkDlg::CheckCurrentLanguage()
{
    const bool chinese = CurrentLanguageIsChinese();
    Action(chinese ? MenuCmd::Chinese : MenuCmd::English)->setChecked(true);
}

void CQuillmarkDlg::Login()
{
    if (m_loginOpen)
        return;
    if (LoginState() != kNobodyLoggedIn) {
        ShowMessage(125);
        return;
    }
    bool accepted = false;
    bool mustChange = false;
    {
        m_loginOpen = true;
        CLogin dialog(this);
        accepted = dialog.exec() == QDialog::Accepted;
        mustChange = dialog.MustChangePassword();
        m_loginOpen = false;
    }
    if (!accepted) {
        // Without a notification area nothing could bring the hidden window
        // back: a login cancelled before the window was ever shown ends the program.
        if (!m_everShown && !QSystemTrayIcon::isSystemTrayAvailable())
            QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    if (mustChange) {
        CUpdatePwd change(this);
        if (change.exec() == QDialog::Accepted)
            ClearLoginForLogout();
        // Either way the user logs in again (with the new password).
        QTimer::singleShot(0, this, &CQuillmarkDlg::OnQuit);
        return;
    }
    ApplyLogin();
    show();
    raise();
    activateWindow();
    m_everShown = true;
    WriteOperationLog(QStringLiteral("CQuillmarkDlg::Login"), Msg(118), 1);
    emit loginChanged();
}

void CQuillmarkDlg::ApplyLogin()
{
    const LoginInfo login = CurrentLogin();
    const bool loggedIn = login.state != kNobodyLoggedIn;
    m_userLabel->setText(loggedIn ? login.name : Msg(118));
    Action(MenuCmd::UserManager)->setEnabled(!loggedIn || RoleMayRun(Guarded::UserManager, login.role));
    Action(MenuCmd::AuditTrail)->setEnabled(!loggedIn || RoleMayRun(Guarded::AuditTrail, login.role));
}

void CQuillmarkDlg::ClearLoginForLogout()
{
    m_leavingUser = LoginUserName();
    ClearLogin();
}

void CQuillmarkDlg::OnQuit()
{
    // The entry is written while the login still says who leaves: an audit row
    // of a logout without its user tells nobody anything. A login already
    // cleared by a password change left its name behind for this entry.
    const QString leaving = LoginState() != kNobodyLoggedIn ? LoginUserName() : m_leavingUser;
    m_leavingUser.clear();
    WriteOperationLog(QStringLiteral("CQuillmarkDlg::OnQuit"), Msg(267), 2, leaving);
    ClearLogin();
    ApplyLogin();
    hide();
    emit loginChanged();
    Login();
}

void CQuillmarkDlg::OnIdle()
{
    if (LoginState() == kNobodyLoggedIn || m_loginOpen)
        return;
    // Work in progress is never cut off: a dialog the user left open (its
    // handler goes on after it) or a download (the window is disabled
    // meanwhile) keeps the login until it ends and input counts again.
    if (QApplication::activeModalWidget() || !isEnabled())
        return;
    OnQuit();
}

void CQuillmarkDlg::OnUserManager()
{
    if (!Permit(Guarded::UserManager))
        return;
    CUserManager dialog(this);
    dialog.exec();
}

void CQuillmarkDlg::OnAuditTrail()
{
    if (!Permit(Guarded::AuditTrail))
        return;
    CNoteDlg dialog(this);
    dialog.exec();
}

void CQuillmarkDlg::OnChangePassword()
{
    if (LoginState() == kNobodyLoggedIn) {
        ShowMessage(164);
        return;
    }
    CUpdatePwd dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The new password is used from the next login on.
    ClearLoginForLogout();
    QTimer::singleShot(0, this, &CQuillmarkDlg::OnQuit);
}

void CQuillmarkDlg::SwitchLanguage(const QString& name)
{
    const int result = RequestLanguageSwitch(name);
    if (result == 0) {
        CheckCurrentLanguage();
        return;
    }
    if (result < 0) {
        // The choice could not be stored: a restart would come back in the old language.
        CheckCurrentLanguage();
        ShowMessage(123);
        return;
    }
    ShowMessage(356);
    Action(name == QLatin1String(kChineseModule) ? MenuCmd::Chinese : MenuCmd::English)->setChecked(true);
    m_restart = true;
    close();
}

void CQuillmarkDlg::OnHelp()
{
    const QString path = HelpFilePath();
    if (!QFileInfo::exists(path) || !QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        ShowMessageText(5017, MsgF(5017, {path}));
}

void CQuillmarkDlg::OnAbout()
{
    CAboutDlg dialog(this);
    dialog.exec();
}

void CQuillmarkDlg::OnUserBadgeClicked()
{
    if (LoginState() == kNobodyLoggedIn) {
        Login();
        return;
    }
    m_userMenu->popup(m_userButton->mapToGlobal(QPoint(0, m_userButton->height())));
}

bool CQuillmarkDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_userLabel && event->type() == QEvent::MouseButtonRelease) {
        OnUserBadgeClicked();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void CQuillmarkDlg::keyPressEvent(QKeyEvent* event)
{
    // Escape never closes or changes the window.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void CQuillmarkDlg::closeEvent(QCloseEvent* event)
{
    emit aboutToClose();
    QMainWindow::closeEvent(event);
}

} // namespace qm
