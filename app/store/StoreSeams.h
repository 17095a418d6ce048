#pragma once
// What the data store needs from the program around it, filled by the shell at
// start-up: where the program log goes, where the program folder and the main
// database are, and how a wait shows the wait cursor. Until the shell sets
// them, the store works on its own (log file or stderr, no cursor).
#include <QString>
#include <functional>

namespace qm::store {

using ProgramLogWriter = std::function<void(const QString& source, const QString& line)>;

// The shell connects this to its operation log (text line only, type -1).
// An empty function restores the fallback: "<program folder>/log/store.log"
// when the folder is known, else stderr.
void SetProgramLogWriter(ProgramLogWriter writer);

// One program-log line. Safe from any thread.
void WriteProgramLog(const QString& source, const QString& line);

// The folder beside the executable that holds database/, log/, config/.
void SetProgramFolder(const QString& folder);
QString ProgramFolder();

// The main database. The wrappers take the datainfo lock when they work on a
// file whose path equals this one without regard to case.
void SetDatainfoPath(const QString& path);
QString DatainfoPath();
bool IsDatainfoPath(const QString& path);

// Called with true when a wait that asked for the wait cursor begins and with
// false when it ends (the shell sets and restores the override cursor).
void SetWaitCursorHook(std::function<void(bool on)> hook);
void ShowWaitCursor(bool on);

} // namespace qm::store
