#pragma once
// The factory of database objects: checks that the file is there, that its
// name is one of ours, and that it is keyed with the program key (a plain
// database is keyed in place on its first open).
#include "DBSqlite3.h"

#include <memory>

namespace qm::store {

// Number of the "path + Invalid Database!" box. The text is the same in every
// language; the entry keeps it where every other text is.
inline constexpr int kMsgInvalidDatabase = 6204;

// Returns the ready object, or null:
// - missing file and `create` 0: entry 109 with the path (shown only with
//   `showMessages`); with `skipCheck` the existence test is skipped;
// - a name not ending in ".db", ".db3" or ".gdb" (lower case): silently;
// - a file that is no database under the program key and cannot be keyed in
//   place (another key, truncated, garbage): the path + "Invalid Database!\r\n"
//   in a message box; the file is left as it was.
// The object reports by message box until the caller sets its report mode.
std::unique_ptr<CDBSqlite3> OpenDatabase(void* owner, const QString& path, int create, int skipCheck,
                                         int showMessages);

} // namespace qm::store
