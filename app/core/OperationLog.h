#pragma once
// The operation log: every operation that changes data, talks to a device or
// concerns a user leaves a line in the text log and, when it has a type, a row
// in the audit table "note" of the main database. WriteOperationLog is the one
// writer for the whole program; it may be called from any thread and never
// shows a message (a lost row is only a lost row).
#include <QString>

namespace qm {

// The user text that stands for "no user at all".
inline constexpr char kNoUser[] = "=====";

// Types 1-28 of the audit table; -1 writes the text line only.
inline constexpr int kFirstOperationType = 1;
inline constexpr int kLastOperationType = 28;
inline constexpr int kTextLineOnly = -1;

// `source`: the operation that writes ("CQuillmarkDlg::Login"), text log only.
// `user`: empty = the logged-in user (or nobody), "=====" = no user, else the name.
void WriteOperationLog(const QString& source, const QString& info, int type, const QString& user = QString());

// String-table number of an operation type's text; 0 for a value outside 1-28.
int OperationTypeMessage(int type);
// The text of an operation type in the current language; empty outside 1-28.
QString OperationTypeText(int type);

// The day file the next text line goes to; empty before the first write.
QString OperationLogTextFile();

// Releases the text log and the writer's database connection (exit, and a
// test that moves to another program folder). The next write starts afresh.
void ReleaseOperationLog();

} // namespace qm
