#pragma once
// The history tables a download has begun in a record file (a logger's
// database or its month backup copy) and not yet registered or dropped, kept
// beside the file as "<file>.pending", one name a line. The name is written
// (and flushed to disk) before the table is created and taken out once the
// record is registered or the table dropped, so what a killed download leaves
// is exactly what the list still names without a record. The repair judges
// only those tables: a history table that came from anywhere else (a logger
// file merged in before its main database, a main database restored from an
// older copy) is data the user may still join to its record, never debris.
#include <QString>
#include <QStringList>

namespace qm::store {

QString PendingTablesPath(const QString& recordFile);

// Adds `table` to the list of `recordFile`; false when the list could not be
// written to disk (then the table must not be created).
bool AddPendingTable(const QString& recordFile, const QString& table);

// Takes `table` out of the list; the list's file goes with its last name.
void RemovePendingTable(const QString& recordFile, const QString& table);

// The names on the list (empty when there is none).
QStringList PendingTables(const QString& recordFile);

} // namespace qm::store
