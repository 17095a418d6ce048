#pragma once
// Refused logins on the audit trail, and the lock-out they lead to. A refused
// login (unknown name or wrong password) is a row of type 1 carrying the tried
// name; after kFailuresToLock of them in a row the name is refused for
// kLockMinutes, and that wait is a row of its own. The count is read back from
// the rows themselves, so the window and every quillmark-cli process share it.
// "In a row" means since the name's last wait or the last entry that only a
// logged-in user leaves (a login, a password change, any other operation).
#include <QDateTime>
#include <QString>

namespace qm {

namespace store {
class CDBSqlite3;
}

// The audit text of the wait (5217) spells these numbers out: change both together.
inline constexpr int kFailuresToLock = 5;
inline constexpr int kLockMinutes = 5;
// The message of a locked name (its placeholders: failures, minutes left).
inline constexpr int kMsgLoginLocked = 5216;

// Minutes (rounded up, at least 1) that `name` stays locked at `now`; 0 when
// it may log in; -1 when the audit trail cannot be read (the database has
// reported why). `db` is a connection to the main database.
int LockedMinutesLeft(store::CDBSqlite3& db, const QString& name, const QDateTime& now);

// Writes the refused login of `name` and, when it is the last one allowed in
// a row, the wait. Returns true when `name` is locked from now on.
bool RecordRefusedLogin(store::CDBSqlite3& db, const QString& source, const QString& name);

// Writes a login of `name` refused because the name is locked (not counted as
// a failure: a wait must end however often somebody tries meanwhile).
void RecordLockedLogin(const QString& source, const QString& name);

// The locked message with its numbers filled in.
QString LockedMessageText(int minutesLeft);

} // namespace qm
