#pragma once
// The data folder of an installed program. Installed, the program folder is
// the user's data folder (ProgramContext.h); the first start makes it and
// gives it what the installation ships for it to own: the settings file and
// the initial database. A file that is there already is never replaced, so
// neither a second start nor an upgrade of the installation touches the
// user's settings or data.
#include <QString>
#include <QStringList>

namespace qm {

struct SeedResult {
    enum Outcome {
        Ready,      // every file is there (copied now or before)
        NoFolder,   // a folder could not be made: `path` (message 110)
        CopyFailed, // a shipped file could not be copied to `path` (message 5140)
    };
    Outcome outcome = Ready;
    QString path;
    QStringList copied; // the files copied by this call
};

// The files the installation ships for the data folder, relative to both folders.
QStringList SeededFiles();

// Makes `programFolder` and copies into it each file of SeededFiles() from
// `sharedFolder` that it lacks; a missing initial database in the shared
// folder is made afresh instead. Each copy appears whole or not at all, so a
// start that is killed half-way leaves nothing the next start would keep.
SeedResult SeedDataFolder(const QString& programFolder, const QString& sharedFolder);

// The same for the context in force; nothing to do (Ready) when its program
// folder is its shared folder, as when run from the build folder.
SeedResult SeedDataFolder();

} // namespace qm
