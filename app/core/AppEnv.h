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

// ProgramFolder(), DatabasePath() and SharedFolder() are the context's. Run
// from the build folder the shared folder is the program folder; installed,
// the program folder is the user's data folder and the shared folder the
// installation's, which nothing writes.
QString DatabaseFolder();      // ProgramFolder + "/database"
QString ConfigFolder();        // ProgramFolder + "/config"
QString SettingsFile();        // ConfigFolder + "/channelInfo.ini"
QString ResourceFolder();      // SharedFolder + "/res/" (with the '/'): language modules, help
QString LogFolder();           // ProgramFolder + "/log"
// The channel definitions ("Channel" and one section per type) are read from
// the shipped settings file of the shared folder, so an upgrade brings new
// channel types whatever the user's own settings file holds.
QString ChannelDefinitionsFile(); // SharedFolder + "/config/channelInfo.ini"
// The program's folder is a data folder apart from the installation.
bool ProgramFolderIsDataFolder();

// The mount point of the file system that holds `path` (which need not exist:
// its nearest existing parent counts).
QString MountPointOf(const QString& path);
// "data_backup" at `mountPoint` when the user may create it there (or it is
// already there and writable), else "data_backup" in `homeFolder`. Decided by
// access checks alone: nothing is created.
QString ChooseBackupFolder(const QString& mountPoint, const QString& homeFolder);
// The default backup folder: "data_backup" in the data folder of an installed
// program, else ChooseBackupFolder(MountPointOf(ProgramFolder()), home).
QString DefaultBackupFolder();
// The backup folder in force: setting "path" of section "backup", else the default.
QString BackupFolder();

// ---- settings ---------------------------------------------------------------

// The one settings object of the process, bound to SettingsFile() of the
// context in force whenever it is asked for.
Ciniwell& Settings();
// The settings object of ChannelDefinitionsFile(): Settings() itself when that
// is the settings file.
const Ciniwell& ChannelDefinitions();

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

// The help of the current language: the HTML user guide res/help/ch/index.html
// (res/help/en/index.html) where it is present, else res/ch.chm (res/en.chm).
QString HelpFilePath();

} // namespace qm
