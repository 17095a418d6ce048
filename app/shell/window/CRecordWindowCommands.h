#pragma once
// The record list subsystem installed into the main window: the record list
// page (CDevData) in the record area, listing what the trees select, telling
// the window which record is selected; and the folder tree's menu with its
// commands 4006 create, 4007 rename and 4008 delete. Owned by the body.
#include "CDevData.h"

#include <QObject>
#include <QPointer>

class QPoint;
class QTreeWidgetItem;

namespace qm::window {

class CQuillmarkBody;
class CRecordViewCommands;

// Commands of the folder tree's menu.
enum FolderMenuCmd : int { kCmdCreateFolder = 4006, kCmdRenameFolder = 4007, kCmdDeleteFolder = 4008 };

class CRecordWindowCommands : public QObject {
    Q_OBJECT
public:
    explicit CRecordWindowCommands(CQuillmarkBody& body);

    browse::CDevData* RecordList() const { return m_list; }
    // The record ids ticked in the list (the merge and compare buttons).
    QList<int> TickedRecords() const;

    void OnCreateFile(); // 4006
    void OnUpdateFile(); // 4007
    void OnDeleteFile(); // 4008
    // The folder tree's menu for `item` (selected first), at `pos` of the tree's viewport.
    void ShowFolderMenu(const QPoint& pos);

    // The record view opens what the list asks for, and its merge button
    // merges the records ticked in the list.
    void JoinRecordView(CRecordViewCommands& view);

    // The level of a folder tree item: its number of steps up to the root.
    static int FolderLevel(const QTreeWidgetItem* item);

signals:
    // A record of the list is to be shown in the record view.
    void openRecord(int recordId);

public slots:
    // Where a double click in the list goes (to the record view once joined).
    void OpenRecordView(int recordId);

private:
    QTreeWidgetItem* CurrentFolder() const;

    CQuillmarkBody& m_body;
    QPointer<browse::CDevData> m_list;
};

} // namespace qm::window
