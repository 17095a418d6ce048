#pragma once
// Single-record files (".gdb", "raw data"): one record with everything it
// needs, to carry it to another station. The file holds devInfo with the
// logger's row, recordtime with the record under id 1, the record's history
// table under its own name, and config with the record's rows under record_id 1.
#include <QString>

namespace qm::store {

class CDBSqlite3;

// Writes record `recordId` of `datainfo` (history and config from the
// logger's own file below `programFolder`) to `path`. The file is built under
// a temporary name and replaces an existing one only once complete.
// Returns 1 on success, 0 on failure.
int ExportRecordFile(CDBSqlite3& datainfo, const QString& programFolder, int recordId, const QString& path);

// Reads a single-record file into the store: the samples go to a new history
// table in the logger's file (a fresh name, never one already there), config
// and recordtime rows get the record id `recordtimeOffset` + the file's id, or
// the next free id when an earlier file of the same import took that one.
// devInfo is added when the logger is not known yet. The file itself is never
// changed, and a file that is not exactly one well-formed record is refused
// without touching the store. Returns 1 on success, 0 on failure.
int ImportRecordFile(CDBSqlite3& datainfo, const QString& programFolder, const QString& path, int recordtimeOffset);

} // namespace qm::store
