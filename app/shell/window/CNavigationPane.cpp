#include "CNavigationPane.h"

#include "CDevManager.h"
#include "ControlIds.h"
#include "DBSqlite3.h"
#include "LostDevice.h"
#include "MessageSeam.h"
#include "RecordFolders.h"
#include "Recordset.h"
#include "Strings.h"
#include "WindowIcons.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qm::window {
namespace {

constexpr int kSnRole = Qt::UserRole;
constexpr int kMacRole = Qt::UserRole + 1;
constexpr int kChannelRole = Qt::UserRole + 2;
constexpr int kFolderIdRole = Qt::UserRole;

QString DeviceItemText(const QString& name, const QString& sn) { return name + u'_' + sn; }

bool OnlyRoot(const QTreeWidget* tree)
{
    return tree->topLevelItem(0) && tree->topLevelItem(0)->childCount() == 0;
}

} // namespace

CNavigationPane::CNavigationPane(QWidget* parent, std::function<store::CDBSqlite3*()> database)
    : QWidget(parent), m_database(std::move(database))
{
    setObjectName(QStringLiteral("navPane"));
    setAttribute(Qt::WA_StyledBackground);

    auto* tabs = new QWidget(this);
    tabs->setObjectName(QStringLiteral("navTabs"));
    auto* tabRow = new QHBoxLayout(tabs);
    tabRow->setContentsMargins(0, 0, 0, 0);
    tabRow->setSpacing(0);
    const auto makeTab = [&](int id, int text) {
        auto* tab = new QToolButton(tabs);
        tab->setObjectName(QStringLiteral("c%1").arg(id));
        tab->setText(Msg(text));
        tab->setIcon(TabIcon(id));
        tab->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        tab->setCheckable(true);
        tab->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        tab->setMinimumHeight(38);
        tabRow->addWidget(tab);
        return tab;
    };
    m_tabDevices = makeTab(kTabDevices, 5019);
    m_tabFolders = makeTab(kTabFolders, 5800);
    // The tabs act on a click only; their checked look follows the window's tab.
    connect(m_tabDevices, &QToolButton::clicked, this, [this] {
        m_tabDevices->setChecked(m_tab == kTabDevice);
        SwitchTab(kTabDevice);
    });
    connect(m_tabFolders, &QToolButton::clicked, this, [this] {
        m_tabFolders->setChecked(m_tab == kTabFolder);
        SwitchTab(kTabFolder);
    });

    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("c%1").arg(kSearchEdit));
    m_search->setPlaceholderText(Msg(5802));
    m_search->setClearButtonEnabled(true);
    m_searchButton = new QToolButton(this);
    m_searchButton->setObjectName(QStringLiteral("c%1").arg(kSearchButton));
    m_searchButton->setText(Msg(5040));
    m_searchButton->setMinimumHeight(26);
    connect(m_searchButton, &QToolButton::clicked, this, &CNavigationPane::searchClicked);
    auto* searchRow = new QHBoxLayout;
    searchRow->setContentsMargins(8, 8, 8, 8);
    searchRow->setSpacing(4);
    searchRow->addWidget(m_search, 1);
    searchRow->addWidget(m_searchButton);

    const auto makeTree = [&](int id) {
        auto* tree = new QTreeWidget(this);
        tree->setObjectName(QStringLiteral("c%1").arg(id));
        tree->setHeaderHidden(true);
        tree->setIconSize(QSize(16, 16));
        tree->setIndentation(16);
        tree->setUniformRowHeights(true);
        // The selection keeps its highlight when the tree loses the focus.
        QPalette palette = tree->palette();
        for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
            palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
        tree->setPalette(palette);
        return tree;
    };
    m_deviceTree = makeTree(kDeviceTree);
    m_folderTree = makeTree(kFolderTree);
    connect(m_deviceTree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) { OnTreeChanged(kTabDevice, current, previous); });
    connect(m_folderTree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) { OnTreeChanged(kTabFolder, current, previous); });
    m_trees = new QStackedWidget(this);
    m_trees->addWidget(m_deviceTree);
    m_trees->addWidget(m_folderTree);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 1, 0);
    layout->setSpacing(0);
    layout->addWidget(tabs);
    layout->addLayout(searchRow);
    layout->addWidget(m_trees, 1);
}

void CNavigationPane::ReloadDeviceTree(const QString& sn)
{
    QTreeWidgetItem* select = nullptr;
    {
        const QSignalBlocker blocker(m_deviceTree);
        m_deviceTree->clear();
        auto* root = new QTreeWidgetItem(m_deviceTree, QStringList{Msg(196)});
        root->setIcon(0, TreeIcon(TreeImage::Root));
        select = root;
        std::unique_ptr<store::CRecordset> set;
        store::CDBSqlite3* db = m_database ? m_database() : nullptr;
        if (db && db->QueryRecordset(QStringLiteral("select * from devInfo order by devName collate pinyin, SN;"), set) == 1
            && set) {
            for (set->MoveFirst(); !set->IsEOF(); set->MoveNext()) {
                const QString serial = set->Text(u"SN");
                const device::DevicePtr connected = device::DeviceManager().Find(serial);
                // A connected logger shows the name it has now.
                const QString name = connected ? connected->name : set->Text(u"devName");
                // A lost logger is no longer shown as connected: it says so.
                const bool lost = connected && connected->lostFailure != 0;
                const QString text = DeviceItemText(name, serial);
                auto* item = new QTreeWidgetItem(root, QStringList{lost ? MsgF(5428, {text}) : text});
                item->setData(0, kSnRole, serial);
                item->setData(0, kMacRole, set->Text(u"mac"));
                item->setData(0, kChannelRole, set->Text(u"chan_type"));
                item->setIcon(0, TreeIcon(lost        ? TreeImage::DeviceLost
                                          : connected ? TreeImage::DeviceConnected
                                                      : TreeImage::DeviceKnown));
                if (lost)
                    item->setToolTip(0, device::LostText(*connected));
                if (!sn.isEmpty() && serial == sn)
                    select = item;
            }
        }
        root->setExpanded(true);
        m_deviceTree->setCurrentItem(select);
        m_deviceTree->scrollToItem(select);
    }
    if (m_tab == kTabDevice && !m_busy)
        HandleCurrent(select);
    emit selectionHandled();
}

void CNavigationPane::RenameDeviceItem(const QString& sn, const QString& name)
{
    const QTreeWidgetItem* root = m_deviceTree->topLevelItem(0);
    for (int i = 0; root && i < root->childCount(); ++i) {
        QTreeWidgetItem* item = root->child(i);
        if (item->data(0, kSnRole).toString() == sn)
            item->setText(0, DeviceItemText(name, sn));
    }
}

void CNavigationPane::ReloadFolderTree(int selectId)
{
    QTreeWidgetItem* select = nullptr;
    {
        const QSignalBlocker blocker(m_folderTree);
        m_folderTree->clear();
        auto* root = new QTreeWidgetItem(m_folderTree, QStringList{Msg(301)});
        root->setIcon(0, TreeIcon(TreeImage::Folder));
        root->setData(0, kFolderIdRole, 0);
        select = root;
        std::vector<browse::FolderRow> folders;
        if (browse::LoadFolders(m_search->text(), &folders) < 0)
            ShowMessage(123);
        // Rows come by floor, so a parent is in before its folders; one whose
        // parent is gone (or kept out by the search) hangs under the root.
        QHash<int, QTreeWidgetItem*> items;
        for (const browse::FolderRow& f : folders) {
            QTreeWidgetItem* parent = f.floor <= 1 ? root : items.value(f.parentId, root);
            auto* item = new QTreeWidgetItem(parent, QStringList{f.name});
            item->setIcon(0, TreeIcon(TreeImage::Folder));
            item->setData(0, kFolderIdRole, f.id);
            items.insert(f.id, item);
            if (f.id == selectId)
                select = item;
        }
        m_folderTree->expandAll();
        m_folderTree->setCurrentItem(select);
        m_folderTree->scrollToItem(select);
    }
    if (m_tab == kTabFolder && !m_busy)
        HandleCurrent(select);
    emit selectionHandled();
}

void CNavigationPane::Search()
{
    if (m_busy)
        return;
    if (m_tab == kTabFolder)
        ReloadFolderTree();
    else
        ReloadDeviceTree();
}

void CNavigationPane::HandleCurrent(QTreeWidgetItem* item)
{
    m_busy = true;
    if (m_tab == kTabFolder)
        HandleFolderItem(item);
    else
        HandleDeviceItem(item);
    const QTreeWidget* tree = m_tab == kTabFolder ? m_folderTree : m_deviceTree;
    if (OnlyRoot(tree))
        emit onlyRoot(m_tab == kTabFolder ? 342 : 343);
    m_busy = false;
}

void CNavigationPane::OnTreeChanged(int tab, QTreeWidgetItem* current, QTreeWidgetItem* previous)
{
    if (!current)
        return;
    if (m_busy || m_tab != tab) {
        // Refused: the tree goes back to the item being handled.
        QTreeWidget* tree = tab == kTabFolder ? m_folderTree : m_deviceTree;
        const QSignalBlocker blocker(tree);
        tree->setCurrentItem(previous);
        return;
    }
    m_busy = true;
    if (tab == kTabFolder)
        HandleFolderItem(current);
    else
        HandleDeviceItem(current);
    m_busy = false;
    emit selectionHandled();
}

void CNavigationPane::HandleDeviceItem(QTreeWidgetItem* item)
{
    if (!item)
        return;
    if (!item->parent()) {
        emit deviceItemSelected(QString(), QString(), QString());
        return;
    }
    emit deviceItemSelected(item->data(0, kSnRole).toString(), item->data(0, kMacRole).toString(),
                            item->data(0, kChannelRole).toString());
}

void CNavigationPane::HandleFolderItem(QTreeWidgetItem* item)
{
    if (item)
        emit folderItemSelected(item->data(0, kFolderIdRole).toInt());
}

void CNavigationPane::SwitchTab(int tab)
{
    if (m_tab == tab || m_busy)
        return;
    m_busy = true;
    m_tab = tab;
    m_tabDevices->setChecked(tab == kTabDevice);
    m_tabFolders->setChecked(tab == kTabFolder);
    const bool hadText = !m_search->text().isEmpty();
    m_search->clear();
    QTreeWidget* tree = tab == kTabFolder ? m_folderTree : m_deviceTree;
    m_trees->setCurrentWidget(tree);
    m_busy = false;
    if (hadText) {
        // Reloading also runs the selection of the reloaded tree.
        if (tab == kTabFolder)
            ReloadFolderTree();
        else
            ReloadDeviceTree(device::DeviceManager().CurrentSN());
    } else {
        HandleCurrent(tree->currentItem() ? tree->currentItem() : tree->topLevelItem(0));
    }
    emit selectionHandled();
}

void CNavigationPane::StartOnDevices()
{
    m_tab = kTabNone;
    SwitchTab(kTabDevice);
}

void CNavigationPane::Reset()
{
    {
        const QSignalBlocker blocker(m_search);
        m_search->clear();
    }
    m_tab = kTabNone;
    m_tabDevices->setChecked(false);
    m_tabFolders->setChecked(false);
    for (QTreeWidget* tree : {m_deviceTree, m_folderTree}) {
        const QSignalBlocker blocker(tree);
        tree->setCurrentItem(tree->topLevelItem(0));
    }
}

} // namespace qm::window
