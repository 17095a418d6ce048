#pragma once
// The navigation pane at the left of the main window: the device and folder
// tabs (1082, 1083), the search (1157, 1156) and the two trees (1065, 1066).
// It loads the trees, keeps the current tab and refuses a second selection
// change while one is being handled; what a selection means is the window's:
// the pane reports it through its signals, synchronously, while it counts as
// busy.
#include <QWidget>

#include <functional>

class QLineEdit;
class QStackedWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace qm::store {
class CDBSqlite3;
}

namespace qm::window {

class CNavigationPane : public QWidget {
    Q_OBJECT
public:
    // `database`: the main database connection to read devInfo from (may give null).
    CNavigationPane(QWidget* parent, std::function<store::CDBSqlite3*()> database);

    int CurrentTab() const { return m_tab; }   // NavTab
    bool SelectionBusy() const { return m_busy; }
    QTreeWidget* DeviceTree() const { return m_deviceTree; }
    QTreeWidget* FolderTree() const { return m_folderTree; }
    QLineEdit* SearchEdit() const { return m_search; }
    QToolButton* SearchButton() const { return m_searchButton; }

    // Reloads the device tree from devInfo and selects the item of `sn` (the
    // root when empty or unknown); on the devices tab the selection is handled.
    void ReloadDeviceTree(const QString& sn = QString());
    // The item of `sn` shows `name` (a logger renamed by its configuration).
    void RenameDeviceItem(const QString& sn, const QString& name);
    // Reloads the folder tree (filtered by the search text) and selects the
    // folder `selectId` (the root when it is not there).
    void ReloadFolderTree(int selectId = -1);
    // The search button: reloads the tree of the current tab.
    void Search();
    // Tabs 1082 and 1083: nothing when the tab is current or a selection is
    // being handled; otherwise the search is cleared and the tree's current
    // item handled again.
    void SwitchTab(int tab);
    // After a login: the devices tab, whatever was current.
    void StartOnDevices();
    // Logout: no tab, the search empty (nothing reloaded), both trees at their roots.
    void Reset();

signals:
    // A device tree item is to be handled; an empty `sn` is the root (all devices).
    void deviceItemSelected(const QString& sn, const QString& mac, const QString& channelTypes);
    void folderItemSelected(int folderId);
    // The tree of the current tab holds only its root: 343 devices, 342 folders.
    void onlyRoot(int message);
    // A selection, tab or reload was handled: the toolbar follows.
    void selectionHandled();
    void searchClicked();

private:
    // A selection change on the tree of `tab`: refused while busy or on the other tab.
    void OnTreeChanged(int tab, QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void HandleDeviceItem(QTreeWidgetItem* item);
    void HandleFolderItem(QTreeWidgetItem* item);
    // Handles `item` of the current tab's tree while busy, with the root-only notice.
    void HandleCurrent(QTreeWidgetItem* item);

    std::function<store::CDBSqlite3*()> m_database;
    QToolButton* m_tabDevices = nullptr;
    QToolButton* m_tabFolders = nullptr;
    QLineEdit* m_search = nullptr;
    QToolButton* m_searchButton = nullptr;
    QStackedWidget* m_trees = nullptr;
    QTreeWidget* m_deviceTree = nullptr;
    QTreeWidget* m_folderTree = nullptr;
    int m_tab = -1;
    bool m_busy = false;
};

} // namespace qm::window
