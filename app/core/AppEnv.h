#pragma once
// The process-wide environment: where the program's files live, the one
// settings object and the current language, all following the program context
// in force (ProgramContext.h). Everything here is usable without a window
// (quillmark-cli links it) and from any thread.
#include "ProgramContext.h"

#include <QLocale>
#include <QString>

class Ciniwell;

namespace qm {

// ---- folders and files -----------------------------------------------------

// ProgramFolder() and DatabasePath() are the context's.
QString DatabaseFolder();      // ProgramFolder + "/database"
QString ConfigFolder();        // ProgramFolder + "/config"
QString SettingsFile();        // ConfigFolder + "/channelInfo.ini"
QString ResourceFolder();      // ProgramFolder + "/res/" (with the '/')
QString LogFolder();           // ProgramFolder + "/log"

// The mount point of the file system that holds `path` (which need not exist:
// its nearest existing parent counts).
QString MountPointOf(const QString& path);
// "data_backup" at `mountPoint` when the user may create it there (or it is
// already there and writable), else "data_backup" in `homeFolder`. Decided by
// access checks alone: nothing is created.
QString ChooseBackupFolder(const QString& mountPoint, const QString& homeFolder);
// The default backup folder: ChooseBackupFolder(MountPointOf(ProgramFolder()), home).
QString DefaultBackupFolder();
// The backup folder in force: setting "path" of section "backup", else the default.
QString BackupFolder();

// ---- settings ---------------------------------------------------------------

// The one settings object of the process, bound to SettingsFile() of the
// context in force whenever it is asked for.
Ciniwell& Settings();

// ---- language ---------------------------------------------------------------

// File suffix of the language modules in the resource folder (".lang").
QString LanguageModuleSuffix();
// ResourceFolder + name + suffix; empty for a name that is not a plain file name.
QString LanguageModulePath(const QString& name);

// The language to use for the "language" setting `setting`: the setting,
// trimmed, when it is not blank; else QUILLM_CH on a Chinese (PRC) system
// locale and QUILLM_EN on any other.
QString ChooseLanguageName(const QString& setting, const QLocale& locale);

// CurrentLanguageName() is the context's (QUILLM_CH until SelectLanguage runs).
bool CurrentLanguageIsChinese();

enum class LanguageResult {
    ModuleLoaded,       // the module's texts are in use
    BuiltinUsed,        // the module did not load: built-in Chinese texts (message 354)
    NoResourceFolder,   // the resource folder can neither be found nor created (message 110)
};
// Start-up language selection: makes sure the resource folder exists, chooses
// the name from the setting and `locale`, makes it current and loads its
// module. The setting is not written back. Messages are the caller's.
LanguageResult SelectLanguage(const QLocale& locale = QLocale::system());

// The language menu: 0 when `name` is already current (nothing happens), 1 when
// it was stored as the language of the next start, -1 when it could not be stored.
int RequestLanguageSwitch(const QString& name);

// res/ch.chm for Chinese, res/en.chm otherwise.
QString HelpFilePath();

} // namespace qm
