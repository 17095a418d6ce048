#pragma once
// The record folders without widgets: the rows of fileInfo in tree order,
// creating (at most three levels), renaming and deleting a folder with every
// folder below it. The folder tree of the main window, the folder chooser and
// the tests use these.
#include <QList>
#include <QString>

#include <vector>

namespace qm::browse {

inline constexpr int kMaxFolderLevel = 3;

struct FolderRow {
    int id = 0;
    int floor = 0;
    int parentId = 0;
    QString name;
};

// "select * from fileInfo" [+ " where (filename like '%<search>%')"] + " order by
// floor, filename collate pinyin;": parents come before their folders.
QString FolderListSql(const QString& search);
// The folders; 1 rows, 0 none, -1 error (nothing is shown).
int LoadFolders(const QString& search, std::vector<FolderRow>* folders);

// The counter of fileInfo ids ("select seq from sqlite_sequence where name =
// 'fileInfo'"); 0 before the first folder, -1 on error.
int FolderCounter();

// The level of folder `id` (its floor; 0 for the root, -1 when unknown).
int FolderLevel(int id);

// Creates folder `name` below `parentId` (0 the root), one level deeper.
// 138 when the parent is at level 3, 215 for an empty name (after trimming),
// 124 on success, 123 on failure (also for an unknown parent). Returns the
// new folder's id, or 0.
int CreateFolder(const QString& name, int parentId);

// Renames folder `id`: 215 for an empty name, 124 on success, 123 on failure.
bool RenameFolder(int id, const QString& name);

// The ids of every folder below `id` in post-order (each folder's subfolders
// before it, siblings in tree order), from the rows `folders`.
QList<int> SubfolderIdsPostOrder(const std::vector<FolderRow>& folders, int id);

// Deletes folder `id` and every folder below it after the 201 question (`ask`
// false: the caller asked): 315 for role 2, 153 on success, 123 on failure.
// Their folder entries and the records stay. Returns true when deleted.
bool DeleteFolder(int id, bool ask = true);

} // namespace qm::browse
