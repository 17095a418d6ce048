#pragma once
// The main database a new installation starts with: every DATAINFO table, the
// roles, and the administrator "admin" (role 0, first password "Quillmark1"
// stored as its hash, no password date, so the first login must change it).
#include <QString>

namespace qm::store {

inline constexpr char kAdminName[] = "admin";
inline constexpr char kAdminFirstPassword[] = "Quillmark1";

enum InitialDatabaseResult { kInitialFailed = 0, kInitialCreated = 1, kInitialKept = 2 };

// Creates the keyed database at `path` unless a file is already there (an
// existing database is never replaced). The file appears complete or not at
// all: it is built beside the target and moved into place.
InitialDatabaseResult CreateInitialDatainfo(const QString& path);

// The same for a program folder: "<folder>/database/DATAINFO.db3" (tests make
// scratch program folders this way).
InitialDatabaseResult CreateInitialProgramFolder(const QString& programFolder);

} // namespace qm::store
