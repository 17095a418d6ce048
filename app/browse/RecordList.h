#pragma once
// The record list without widgets: the three loaders of the list page and
// its searches, rename, delete (one or many) and filing records into folders.
// The page (CDevData) and quillmark-cli both run these, so a rename from the
// command line reads, asks and logs exactly as the window's does. Messages go
// through the message seam; every typed text reaches SQL through SqlText.
#include <QDate>
#include <QList>
#include <QString>

#include <vector>

namespace qm::browse {

// One row of the list: a record, or in a folder list a folder entry of one.
struct RecordRow {
    int id = 0;      // recordtime id (the row's item data)
    int entryId = 0; // filerecord id in folder lists, else 0
    QString name;
    QString sn;
    QString timeStart;
    QString timeEnd;
    QString devname;
    QString table; // hisdata_table
    bool imported = false;
};

// What the list holds: which loader filled it, with its argument.
enum class ListKind { All, Device, Folder };

// ---- statements of the loaders and searches (exact texts of the list)

// "order by" part of the two record-list statements.
QString RecordListOrderSql();
QString AllRecordsSql(const QString& condition);
QString DeviceRecordsSql(const QString& sn);
QString FolderRecordsSql(int folderId);
// The time condition of the search: whole days from `from` to `to`, swapped
// when `from` is after `to`.
QString SearchRangeCondition(QDate from, QDate to);
QString SearchSql(QDate from, QDate to, const QString& keyword);
QString DeviceNameSearchSql(const QString& sn, const QString& name);
QString FolderNameSearchSql(int folderId, const QString& name);

// Runs a list statement on the main database (nothing when the table is
// missing). 1 rows found, 0 none, -1 error. `table`: "recordtime", or
// "filerecord" for folder statements.
int LoadRecordRows(const QString& sql, const QString& table, std::vector<RecordRow>* rows);

// The record `id` ("select * from recordtime where id = %d;"); false when it is not there.
bool ReadRecord(int id, RecordRow* row);

// ---- changes (messages shown through the seam; the log entries carry `user`,
// empty for the logged-in user)

// Renames record `id`: the name is trimmed; empty gives 215 and changes
// nothing. 124 on success with the log entry of type 14, 123 on failure (also
// for an unknown record). Returns true when renamed.
bool RenameRecord(int id, const QString& name, const QString& user = QString());

// Deletes one record after the 201 question: its history table and its
// configuration go from the logger's file first, then its recordtime row and
// its folder entries from the main database; 153 and the log entry of type 15.
// Refused with 315 for role 2; 123 when a step fails (the main database is
// untouched when the logger's file could not be changed). `ask` false skips
// the question (the caller asked it). Returns true when deleted.
bool DeleteRecord(int id, const QString& user = QString(), bool ask = true);

// Deletes the ticked records `ids` after one 201 question (154 when there are
// none); one log entry "%d条" for the records deleted. A record whose logger
// file cannot be changed stays listed (123 at the end); the others go.
// Returns the number deleted, or -1 when refused or cancelled.
int DeleteRecords(const QList<int>& ids, const QString& user = QString());

// Removes folder entries (filerecord ids) from their folder: 154 when there are
// none, 123 on failure. The records themselves stay.
bool RemoveFolderEntries(const QList<int>& entryIds);

// Files the records `ids` into folder `folderId` with their device's channel
// types: 124 on success, 123 on failure.
bool AddRecordsToFolder(int folderId, const QList<int>& ids);

} // namespace qm::browse
