#pragma once
// The main window's body: the title bar with the toolbar groups, the user name
// and the logo; the navigation pane with its two tabs, the device and folder
// trees and the search; the record area and the side panel with its pages.
// It routes the toolbar buttons and the device menu items after their login
// and role checks, runs the device commands (connect, disconnect, run, stop,
// download, batch connect and batch download) and keeps the toolbar and menu
// in step with the selection and the devices.
//
// The record list, the record views and the configuration pages install
// themselves later (SetRecordPage, SetSidePage); until then their commands
// stay disabled.
#include "CDevManager.h"
#include "ControlIds.h"
#include "DeviceCommands.h"

#include <QSystemTrayIcon>
#include <QWidget>

#include <memory>

class QLabel;
class QLineEdit;
class QStackedWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace qm {
class CQuillmarkDlg;
}
namespace qm::store {
class CDBSqlite3;
}
namespace qm::device {
class CConnectProcedure;
class CDlgAllNote;
}

namespace qm::window {

class CBasicAttribute;

class CQuillmarkBody : public QWidget {
    Q_OBJECT
public:
    // Builds the body, puts it into `frame` and connects the frame's menu items.
    explicit CQuillmarkBody(CQuillmarkDlg& frame);
    ~CQuillmarkBody() override;

    // Routes a command (menu item, accelerator, toolbar button) by its number.
    void Route(int command);

    // --- device commands
    void OnBnClickedBConn();
    void OnBnClickedBcut();
    void OnBnClickedBrun();
    void OnBnClickedBpause();
    void OnBnClickedBdownload();
    void OnBnClickedBconnAll();
    void OnBnClickedBdownloadAll();
    // The end of a single download (the pipeline's "finished" signal).
    void OnDownSuccess(const QString& sn);
    void OnBnClickedSearch();
    void OnSerialSettings();

    // --- navigation and side panel
    void OnTabDevices();   // 1082
    void OnTabFolders();   // 1083
    void OnSideTabConfig();   // 1085
    void OnSideTabInfo();     // 1093
    // -1 hides the panel; 0 empty, 1 record configuration, 2 device configuration, 3 device information.
    void SelectSidePage(int page);
    int SidePageShown() const { return m_sidePage; }
    int CurrentTab() const { return m_tab; }
    // Reloads the device tree from devInfo and selects the item of `sn` (the root when empty or unknown).
    void ReloadDeviceTree(const QString& sn = QString());
    void UpdateToolbar();

    // --- what the record browser and the configuration pages plug in
    void SetRecordPage(QWidget* page);
    void SetSidePage(int page, QWidget* widget);
    // A record selected in the record list (`imported`: its import flag).
    void SetSelectedRecord(bool selected, bool imported = false);
    // The record list is shown (no data or comparison page over it).
    void SetListMode(bool listMode);

    // --- parts, for the window's pages and for tests
    QToolButton* Button(int id) const;
    QLabel* ButtonLabel(int id) const;
    QTreeWidget* DeviceTree() const { return m_deviceTree; }
    QTreeWidget* FolderTree() const { return m_folderTree; }
    QLineEdit* SearchEdit() const { return m_search; }
    QToolButton* SearchButton() const { return m_searchButton; }
    CBasicAttribute* InfoPage() const { return m_info; }
    QLabel* EmptyPageText() const { return m_emptyText; }
    QWidget* RecordArea() const;
    QWidget* SidePanel() const { return m_side; }
    QWidget* TitleBar() const { return m_title; }
    device::CConnectProcedure& Procedure() { return *m_procedure; }
    device::CDlgAllNote* BatchNote() const { return m_note.get(); }
    QSystemTrayIcon* TrayIcon() const { return m_tray; }
    bool SelectionBusy() const { return m_busy; }
    // The tray icon's activation (a double click logs in or shows the window).
    void OnTrayActivated(QSystemTrayIcon::ActivationReason reason);

signals:
    // The record list to show: all records (with the search condition, empty for none) ...
    void listAllRecords(const QString& condition);
    // ... or those of one logger.
    void listDeviceRecords(const QString& sn);
    // A download stored a record of `sn`.
    void recordsChanged(const QString& sn);
    // The folder tree's selection (folder id, 0 for the root).
    void folderSelected(int folderId);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildTitleBar();
    void BuildNavigation();
    void BuildPanels();
    void BuildTray();
    void ConnectMenu();
    void LayoutBody();
    void LayoutTitleBar();
    void OnLoginChanged();
    void OnDeviceTreeChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void OnFolderTreeChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void HandleDeviceSelection(QTreeWidgetItem* item);
    void HandleFolderSelection(QTreeWidgetItem* item);
    void SwitchTab(int tab);
    void ShowEmptyNotice(int message);
    void ReloadFolderTree();
    void SetRunState(bool recording);
    // After a start or stop: the menu text and the information page follow the read-back.
    void ShowRecordingState(const device::CDevice& device);
    void SetConnectText(bool connected);
    QString CurrentDeviceName(const QString& sn) const;
    store::CDBSqlite3* Database();
    device::DevicePtr CurrentDevice() const;
    bool DownloadAvailable() const;

    CQuillmarkDlg& m_frame;
    std::unique_ptr<device::CConnectProcedure> m_procedure;
    std::unique_ptr<device::CDlgAllNote> m_note;
    std::unique_ptr<store::CDBSqlite3> m_ownDb;

    QWidget* m_title = nullptr;
    QLabel* m_titleText = nullptr;
    QLabel* m_logo = nullptr;
    struct ToolButton {
        int id = 0;
        QToolButton* button = nullptr;
        QLabel* label = nullptr;
        int group = 0;
    };
    QList<ToolButton> m_buttons;

    QWidget* m_nav = nullptr;
    QToolButton* m_tabDevices = nullptr;
    QToolButton* m_tabFolders = nullptr;
    QLineEdit* m_search = nullptr;
    QToolButton* m_searchButton = nullptr;
    QStackedWidget* m_trees = nullptr;
    QTreeWidget* m_deviceTree = nullptr;
    QTreeWidget* m_folderTree = nullptr;

    QStackedWidget* m_records = nullptr;
    QWidget* m_side = nullptr;
    QToolButton* m_sideConfig = nullptr;
    QToolButton* m_sideInfo = nullptr;
    QStackedWidget* m_sidePages = nullptr;
    QLabel* m_emptyText = nullptr;
    CBasicAttribute* m_info = nullptr;
    QSystemTrayIcon* m_tray = nullptr;

    int m_tab = kTabNone;
    int m_sidePage = kSideHidden;
    bool m_busy = false;
    const QEvent* m_enterInPage = nullptr;   // an Enter on its way up from a page
    bool m_listMode = true;
    bool m_recordSelected = false;
    bool m_recordImported = false;
};

// Installs the body into the main window (the program's setup of the frame).
void InstallMainWindow(CQuillmarkDlg& frame);

} // namespace qm::window
