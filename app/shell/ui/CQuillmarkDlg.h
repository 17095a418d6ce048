#pragma once
// The program's one top-level window: title, the whole menu bar with its
// accelerators, the user name with its menu, login and logout, and the
// commands of the shell itself (users, audit trail, language, help, about).
// The body of the window (toolbar, trees, record area, side panel, device
// commands) plugs in from outside: SetBody() for the central area, Action()
// for every menu command (commands that the shell does not run itself start
// disabled and unconnected), UserBadge() for the user name and its ▼ button,
// and loginChanged() after every login and logout.
#include "MenuCommands.h"

#include <QMainWindow>
#include <QMap>
#include <memory>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QToolButton;

namespace qm::store {
class CDBSqlite3;
}

namespace qm {

class CIdleWatch;

class CQuillmarkDlg : public QMainWindow {
    Q_OBJECT
public:
    explicit CQuillmarkDlg(QWidget* parent = nullptr);
    ~CQuillmarkDlg() override;

    QAction* Action(MenuCmd command) const;
    // Puts `body` into the central area (the window owns it; the previous body is deleted).
    void SetBody(QWidget* body);
    QWidget* Body() const;

    // The user name (message 118 "登录" while nobody is logged in) and the ▼
    // button that open the user menu; shown at the right of the menu bar until
    // a body places them elsewhere.
    QWidget* UserBadge() const { return m_userBadge; }
    QMenu* UserMenu() const { return m_userMenu; }
    QString UserLabelText() const;

    // The window's own connection to the main database (null when it failed to open).
    store::CDBSqlite3* Database() const { return m_db.get(); }

    // True after a language switch: the program starts again after it ends.
    bool RestartRequested() const { return m_restart; }
    bool LoginDialogOpen() const { return m_loginOpen; }
    // Notices when nobody has used the program for "idle_logout" minutes.
    CIdleWatch* IdleWatch() const { return m_idle; }

public slots:
    // Runs the login dialog (ignored while it is open; message 125 when somebody is logged in).
    void Login();
    // Logout: the window hides and asks for the login again.
    void OnQuit();
    void OnUserManager();
    void OnAuditTrail();
    void OnChangePassword();
    void SwitchLanguage(const QString& name);
    void OnHelp();
    void OnAbout();
    void OnUserBadgeClicked();
    // Nobody has used the program for a while: log out as the logout command does.
    void OnIdle();

signals:
    void loginChanged();
    // The window is about to close (the end of the program): last work on the data.
    void aboutToClose();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* AddAction(QMenu* menu, MenuCmd command, const QString& text, const QKeySequence& key = {});
    void BuildMenus();
    void BuildUserBadge();
    void ApplyLogin();
    void ClearLoginForLogout();
    void CheckCurrentLanguage();

    QMap<MenuCmd, QAction*> m_actions;
    QActionGroup* m_languages = nullptr;
    QWidget* m_userBadge = nullptr;
    QLabel* m_userLabel = nullptr;
    QToolButton* m_userButton = nullptr;
    QMenu* m_userMenu = nullptr;
    CIdleWatch* m_idle = nullptr;
    std::unique_ptr<store::CDBSqlite3> m_db;
    bool m_loginOpen = false;
    bool m_restart = false;
    bool m_everShown = false;
    // Who logs out when a password change cleared the login before the logout ran.
    QString m_leavingUser;
};

// Qt shows "&(F)" as an underlined parenthesis; the tables keep the texts as
// written, the menu underlines the letter: "文件&(F)" -> "文件(&F)".
QString MenuText(const QString& text);

} // namespace qm
