#pragma once
// Backups and imports as the main window and quillmark-cli run them: the
// store's work (Backup.h, MergeDatabase.h, PhoneImport.h) with the settings it
// reads, the messages it shows and the operation-log entries it leaves, so
// that a command on the command line leaves the same trail as the menu item.
// No widgets; messages go through the message seam. `user` is the name the
// audit entries carry (empty: the logged-in user).
#include "Backup.h"
#include "MergeDatabase.h"
#include "PhoneImport.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace qm::store {
class CDBSqlite3;
class CImportCopy;
} // namespace qm::store

namespace qm {

// ---- automatic backup ------------------------------------------------------

// The database folder into the month folder of the backup folder in force,
// then the operation-log entry of type 18 (source "CQuillmarkDlg::OnClose"):
// 110 with the folder that could not be made, 247, 294 or 295.
store::BackupResult RunAutomaticBackup(const QString& user = QString(), const store::BackupCallbacks& callbacks = {});

// CBackupSet's "保存": the folder is created when missing (110 with the folder
// when it cannot be), stored as the backup folder, 183 is shown and the change
// is logged (type 18, "修改前信息:(old)修改后信息:(new)"). False when nothing
// was stored.
bool SaveBackupFolder(const QString& folder, const QString& user = QString());

// ---- manual backup -----------------------------------------------------------

// Before a manual backup into `folder`: when an earlier copy there would be
// replaced, asks 167 (OK replaces them all). False when the user declined;
// then 247 has been shown and nothing may be copied.
bool ConfirmManualBackup(const QString& folder);
// The copy of the database folder into `folder` (any thread; callbacks.askOverwrite
// is not used: the question was asked before).
store::BackupResult CopyForManualBackup(const QString& folder, const store::BackupCallbacks& callbacks);
// The end of a manual backup: an aborted one shows 247; otherwise the
// operation-log entry of type 19 (285 + 294/295, source
// "CQuillmarkDlg::OnBackupManual") and 123 (with the files that failed) or 124.
void ReportManualBackup(const store::BackupResult& result, const QString& user = QString());

// ---- backup import -------------------------------------------------------------

// The filter of the open dialog: entry 250 with the database extension.
QString BackupImportFilter();
// Imports `files` (".gdb" single records, the others merged) and logs type 20
// (286 + 295/294, source "CQuillmarkDlg::OnBackupImport"). `progress` runs
// between files.
store::BackupImportResult RunBackupImport(store::CDBSqlite3& datainfo, const QStringList& files,
                                          const std::function<void(int done, int total)>& progress = {},
                                          const QString& user = QString());
// 217, or 216 with the names of the files that failed.
void ReportBackupImport(const store::BackupImportResult& result);

// ---- phone import --------------------------------------------------------------

// Where the phone's database is copied to: "kvr.db" in the program folder.
QString PhoneDatabaseCopyPath();
// Opens the phone database `path` on a private copy (the file stays as the
// phone app wrote it) and reads its loggers. The query failing shows 123.
bool ReadPhoneDatabase(store::CImportCopy& copy, const QString& path, QList<store::PhoneLogger>* loggers);
// Imports `loggers` from the opened copy on a worker thread (the calling
// thread keeps processing events while it waits) and writes the
// operation-log entry of type 13 of each logger (source
// "CQuillmarkDlg::ImportSqlite"). Callbacks run on the worker.
store::PhoneImportResult RunPhoneImport(const store::CImportCopy& copy, const QList<store::PhoneLogger>& loggers,
                                        store::PhoneImportCallbacks callbacks, const QString& user = QString());
// 217 when all `asked` loggers were imported, 216 with the serial numbers that
// failed; a cancel that failed nothing shows nothing (the loggers done stay).
void ReportPhoneImport(const store::PhoneImportResult& result, int asked);

} // namespace qm
