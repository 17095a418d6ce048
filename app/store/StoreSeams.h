#pragma once
// What the data store needs from the program around it, filled by the core at
// start-up: where the program log goes and how a wait shows the wait cursor.
// Until they are set, the store works on its own (log file or stderr, no
// cursor). Where the program folder and the main database are is the program
// context's (ProgramContext.h).
#include <QString>
#include <functional>

namespace qm::store {

using ProgramLogWriter = std::function<void(const QString& source, const QString& line)>;

// The core connects this to its operation log (text line only, type -1).
// An empty function restores the fallback: "<program folder>/log/store.log"
// while a program context is in force, else stderr. Returns the writer it replaces.
ProgramLogWriter SetProgramLogWriter(ProgramLogWriter writer);

// One program-log line. Safe from any thread.
void WriteProgramLog(const QString& source, const QString& line);

// Whether `path` is the main database of the program context in force (equal
// without regard to case): the wrappers take the datainfo lock when they work
// on it. False while no context is in force.
bool IsDatainfoPath(const QString& path);

// Called with true when a wait that asked for the wait cursor begins and with
// false when it ends (the shell sets and restores the override cursor).
void SetWaitCursorHook(std::function<void(bool on)> hook);
void ShowWaitCursor(bool on);

} // namespace qm::store
