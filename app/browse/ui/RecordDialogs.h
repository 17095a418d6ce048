#pragma once
// The small dialogs of the record list and the folders: the record rename
// dialog (template 202), the folder name dialog in create and rename mode
// (template 342) and the folder chooser (template 356). Thin: the changes are
// RecordList/RecordFolders.
#include "RecordFolders.h"

#include <QDialog>
#include <QHash>

class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace qm::browse {

// "修改": the record name in edit 1187; OK trims it and refuses an empty one
// (215, the dialog stays open).
class CUpdRecordName : public QDialog {
    Q_OBJECT
public:
    CUpdRecordName(const QString& name, QWidget* parent = nullptr);
    QString Name() const;
    QLineEdit* NameEdit() const { return m_edit; }
    void OnBnClickedOk();

private:
    QLineEdit* m_edit = nullptr;
};

// "文件": the name of a new folder below `id` (create mode) or the new name of
// folder `id` (rename mode). OK stores it; the dialog closes on 124 and stays
// open on 215 or 123.
class CCreateFile : public QDialog {
    Q_OBJECT
public:
    enum Mode { kCreate, kRename };
    CCreateFile(Mode mode, int id, const QString& name, QWidget* parent = nullptr);
    QLineEdit* NameEdit() const { return m_edit; }
    // The folder created or renamed (0 before OK).
    int FolderId() const { return m_result; }
    void OnBnClickedOk();

private:
    Mode m_mode;
    int m_id;
    int m_result = 0;
    QLineEdit* m_edit = nullptr;
};

// "添加到文件": the folder tree; OK does nothing until a folder other than
// the root is selected.
class CAddtoFile : public QDialog {
    Q_OBJECT
public:
    CAddtoFile(const std::vector<FolderRow>& folders, QWidget* parent = nullptr);
    QTreeWidget* Tree() const { return m_tree; }
    int FolderId() const { return m_folder; }
    void OnBnClickedOk();

private:
    QTreeWidget* m_tree = nullptr;
    int m_folder = 0;
};

// Fills `tree` with the root (301) and `folders` below it, every item's
// Qt::UserRole the folder id (0 the root), all expanded. Returns the items by id.
QHash<int, QTreeWidgetItem*> FillFolderTree(QTreeWidget* tree, const std::vector<FolderRow>& folders);

} // namespace qm::browse
