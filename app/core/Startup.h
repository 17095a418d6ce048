#pragma once
// What every program of the system does first and last, with or without a
// window: the program and quillmark-cli call InitCore at start and ShutdownCore
// at exit. InitCore may run again after qm::SetProgramFolder (tests moving to a
// scratch program folder) to point the store at the new folder.
namespace qm {

// Binds the settings object to the settings file, tells the data store where
// the program folder and the main database are, sends the store's program-log
// lines to the operation log (text line only) and starts with nobody logged in.
void InitCore();

// Releases the text log and the operation log's connection; store lines go
// back to the store's own fallback.
void ShutdownCore();

} // namespace qm
