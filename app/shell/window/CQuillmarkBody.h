#pragma once
// The main window's body: it puts together the title bar (toolbar), the
// navigation pane (trees, search), the record area with its page slots and the
// routing table, and keeps the toolbar and the menu in step with the selection
// and the devices. The subsystems that main.cpp installs bring the handlers of
// their commands (Commands().Install) and their pages (SetRecordPage,
// SetSidePage); until then their commands only make their checks and stay
// disabled.
#include "CCommandTable.h"
#include "CDevManager.h"
#include "ControlIds.h"

#include <QSystemTrayIcon>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QToolButton;
class QTreeWidget;

namespace qm {
class CQuillmarkDlg;
}
namespace qm::store {
class CDBSqlite3;
}

namespace qm::window {

class CNavigationPane;
class CRecordArea;
class CTitleBar;

class CQuillmarkBody : public QWidget {
    Q_OBJECT
public:
    // Builds the body, puts it into `frame` and routes the frame's menu items.
    explicit CQuillmarkBody(CQuillmarkDlg& frame);
    ~CQuillmarkBody() override;

    CQuillmarkDlg& Frame() const { return m_frame; }

    // --- the routing table
    CCommandTable& Commands() { return m_commands; }
    // Routes a command (menu item, accelerator, toolbar button) by its number.
    void Route(int command);
    // Runs `hook` when the window closes; hooks run in the reverse order of
    // their registration, so what was installed last ends first.
    void OnClose(std::function<void()> hook);

    // --- the page slots
    void SetRecordPage(QWidget* page);
    // Side slot 1 record configuration, 2 device configuration, 3 device information.
    void SetSidePage(int page, QWidget* widget);
    QWidget* SidePage(int page) const;
    // -1 hides the panel; 0 empty, 1 record configuration, 2 device configuration, 3 device information.
    void SelectSidePage(int page);
    int SidePageShown() const;

    // --- state the subsystems read and change
    int CurrentTab() const;
    // The current device when it is connected and the devices tab is shown.
    device::DevicePtr CurrentDevice() const;
    // Reloads the device tree from devInfo and selects the item of `sn` (the root when empty or unknown).
    void ReloadDeviceTree(const QString& sn = QString());
    // Reloads the folder tree and selects folder `folderId` (the root when it is not there).
    void ReloadFolderTree(int folderId = -1);
    // The tree item of `sn` shows `name`, without reloading the tree.
    void RenameDeviceItem(const QString& sn, const QString& name);
    void UpdateToolbar();
    // A record selected in the record list (`imported`: its import flag).
    void SetSelectedRecord(bool selected, bool imported = false);
    // The record list selected the record `recordId` (0: none): as
    // SetSelectedRecord, and the pages that show a record follow (recordSelected).
    void SelectRecord(int recordId, bool imported);
    // The record selected in the record list (0: none). The output commands read it.
    int SelectedRecordId() const { return m_recordSelected ? m_recordId : 0; }
    // The record list is shown (no data or comparison page over it).
    void SetListMode(bool listMode);
    // Records of `sn` were stored (a download): the list and the pages follow.
    void NotifyRecordsChanged(const QString& sn);

    // --- navigation and side panel
    void OnTabDevices();      // 1082
    void OnTabFolders();      // 1083
    void OnSideTabConfig();   // 1085
    void OnSideTabInfo();     // 1093
    // The tray icon's activation (a double click logs in or shows the window).
    void OnTrayActivated(QSystemTrayIcon::ActivationReason reason);

    // --- parts, for the subsystems' pages and for tests
    CTitleBar* TitleBar() const { return m_title; }
    QToolButton* Button(int id) const;
    QLabel* ButtonLabel(int id) const;
    QTreeWidget* DeviceTree() const;
    QTreeWidget* FolderTree() const;
    QLineEdit* SearchEdit() const;
    bool SelectionBusy() const;
    QLabel* EmptyPageText() const;
    QWidget* RecordArea() const;
    QWidget* SidePanel() const;
    QSystemTrayIcon* TrayIcon() const { return m_tray; }
    // The main database connection of the window (its own when the frame has none).
    store::CDBSqlite3* Database();

signals:
    // The record list to show: all records (with the search condition, empty for none) ...
    void listAllRecords(const QString& condition);
    // ... or those of one logger.
    void listDeviceRecords(const QString& sn);
    // A logger of the device tree became current: its devInfo MAC and channel types.
    void deviceSelected(const QString& sn, const QString& mac, const QString& channelTypes);
    // Records of `sn` were stored.
    void recordsChanged(const QString& sn);
    // The folder tree's selection (folder id, 0 for the root).
    void folderSelected(int folderId);
    // The record selected in the record list (0: none) and its import flag.
    void recordSelected(int recordId, bool imported);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DeclareCommands();
    void RouteMenu();
    void BuildTray();
    void LayoutBody();
    void OnLoginChanged();
    void OnDeviceItem(const QString& sn, const QString& mac, const QString& channelTypes);
    void OnClosing();

    CQuillmarkDlg& m_frame;
    CCommandTable m_commands;
    std::unique_ptr<store::CDBSqlite3> m_ownDb;
    CTitleBar* m_title = nullptr;
    CNavigationPane* m_nav = nullptr;
    CRecordArea* m_area = nullptr;
    QSystemTrayIcon* m_tray = nullptr;
    std::vector<std::function<void()>> m_closeHooks;

    const QEvent* m_enterInPage = nullptr;   // an Enter on its way up from a page
    bool m_listMode = true;
    bool m_recordSelected = false;
    int m_recordId = 0;
    bool m_recordImported = false;
};

} // namespace qm::window
