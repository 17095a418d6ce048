#include "CRecordWindowCommands.h"

#include "CRecordViewCommands.h"

#include "CDevData.h"
#include "CQuillmarkBody.h"
#include "CQuillmarkDlg.h"
#include "MessageSeam.h"
#include "RecordDialogs.h"
#include "RecordFolders.h"
#include "Strings.h"

#include <QMenu>
#include <QTreeWidget>

namespace qm::window {

CRecordWindowCommands::CRecordWindowCommands(CQuillmarkBody& body) : QObject(&body), m_body(body)
{
    m_list = new browse::CDevData;
    body.SetRecordPage(m_list);

    connect(&body, &CQuillmarkBody::listAllRecords, m_list, &browse::CDevData::ListAllRecords);
    connect(&body, &CQuillmarkBody::listDeviceRecords, m_list, &browse::CDevData::ListDeviceRecords);
    connect(&body, &CQuillmarkBody::folderSelected, m_list, &browse::CDevData::ListFolderRecords);
    connect(&body, &CQuillmarkBody::recordsChanged, m_list, &browse::CDevData::Reload);
    connect(m_list, &browse::CDevData::recordSelected, this,
            [this](int id, bool imported) { m_body.SelectRecord(id, imported); });
    connect(m_list, &browse::CDevData::recordOpenRequested, this, &CRecordWindowCommands::OpenRecordView);

    CCommandTable& commands = body.Commands();
    commands.Declare(kCmdCreateFolder);
    commands.Declare(kCmdRenameFolder);
    commands.Declare(kCmdDeleteFolder);
    commands.Install(kCmdCreateFolder, [this] { OnCreateFile(); });
    commands.Install(kCmdRenameFolder, [this] { OnUpdateFile(); });
    commands.Install(kCmdDeleteFolder, [this] { OnDeleteFile(); });

    QTreeWidget* tree = body.FolderTree();
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tree, &QWidget::customContextMenuRequested, this, &CRecordWindowCommands::ShowFolderMenu);
}

QList<int> CRecordWindowCommands::TickedRecords() const { return m_list ? m_list->TickedRecords() : QList<int>(); }

void CRecordWindowCommands::OpenRecordView(int recordId) { emit openRecord(recordId); }

void CRecordWindowCommands::JoinRecordView(CRecordViewCommands& view)
{
    connect(this, &CRecordWindowCommands::openRecord, &view, &CRecordViewCommands::OpenRecord);
    view.SetTickedRecords([this] {
        const QList<int> ticked = TickedRecords();
        return std::vector<int>(ticked.begin(), ticked.end());
    });
}

int CRecordWindowCommands::FolderLevel(const QTreeWidgetItem* item)
{
    int level = 0;
    for (const QTreeWidgetItem* up = item ? item->parent() : nullptr; up; up = up->parent())
        ++level;
    return level;
}

QTreeWidgetItem* CRecordWindowCommands::CurrentFolder() const { return m_body.FolderTree()->currentItem(); }

void CRecordWindowCommands::ShowFolderMenu(const QPoint& pos)
{
    QTreeWidget* tree = m_body.FolderTree();
    QTreeWidgetItem* item = tree->itemAt(pos);
    if (!item)
        return;
    tree->setCurrentItem(item);
    if (tree->currentItem() != item)
        return; // the selection change was refused
    QMenu menu(tree);
    // A folder takes subfolders too (down to the third level), so "create"
    // is offered on every folder, not only on the root.
    menu.addAction(Msg(312), this, [this] { m_body.Route(kCmdCreateFolder); });
    if (item->parent()) {
        menu.addAction(Msg(121), this, [this] { m_body.Route(kCmdRenameFolder); });
        menu.addAction(Msg(313), this, [this] { m_body.Route(kCmdDeleteFolder); });
    }
    menu.exec(tree->viewport()->mapToGlobal(pos));
}

void CRecordWindowCommands::OnCreateFile()
{
    const QTreeWidgetItem* parent = CurrentFolder();
    if (!parent)
        return;
    if (FolderLevel(parent) >= browse::kMaxFolderLevel) {
        ShowMessage(138);
        return;
    }
    browse::CCreateFile dialog(browse::CCreateFile::kCreate, parent->data(0, Qt::UserRole).toInt(), QString(),
                               &m_body.Frame());
    if (dialog.exec() == QDialog::Accepted)
        m_body.ReloadFolderTree(dialog.FolderId());
}

void CRecordWindowCommands::OnUpdateFile()
{
    const QTreeWidgetItem* item = CurrentFolder();
    if (!item || !item->parent())
        return;
    const int id = item->data(0, Qt::UserRole).toInt();
    browse::CCreateFile dialog(browse::CCreateFile::kRename, id, item->text(0), &m_body.Frame());
    if (dialog.exec() == QDialog::Accepted)
        m_body.ReloadFolderTree(id);
}

void CRecordWindowCommands::OnDeleteFile()
{
    const QTreeWidgetItem* item = CurrentFolder();
    if (!item || !item->parent())
        return;
    if (browse::DeleteFolder(item->data(0, Qt::UserRole).toInt()))
        m_body.ReloadFolderTree();
}

} // namespace qm::window
