#pragma once
// Where the program's files are: the program folder, the main database, the
// language chosen at start-up, and the process environment through which the
// device library (its port map) and the tools a program starts learn the same
// folder. One object, made by whoever runs the program's logic (the program,
// quillmark-cli, a test) and alive as long as that logic runs; the free
// functions below read it from any thread. Contexts nest: a new one is in
// force until it ends, then the one before it is again.
#include <QByteArray>
#include <QString>

namespace qm {

inline constexpr char kChineseModule[] = "QUILLM_CH";
inline constexpr char kEnglishModule[] = "QUILLM_EN";

class CProgramContext {
public:
    // `folder` empty: the default folder (DefaultProgramFolder). `databasePath`
    // empty: <folder>/database/DATAINFO.db3. QUILLMARK_FOLDER names the folder
    // while the context is in force.
    // `sharedFolder` empty: SharedProgramFolder() for that folder.
    explicit CProgramContext(const QString& folder = QString(), const QString& databasePath = QString(),
                             const QString& sharedFolder = QString());
    // The environment is as it was before, and the previous context in force.
    ~CProgramContext();
    CProgramContext(const CProgramContext&) = delete;
    CProgramContext& operator=(const CProgramContext&) = delete;

    QString Folder() const { return m_folder; }
    QString DatabasePath() const { return m_database; }
    QString SharedFolder() const { return m_shared; }

private:
    friend QString CurrentLanguageName();
    friend void SetCurrentLanguageName(const QString& name);

    QString m_folder;
    QString m_database;
    QString m_shared;
    QString m_language = QString::fromLatin1(kChineseModule);
    CProgramContext* m_previous = nullptr;
    QByteArray m_savedVariable;
    bool m_hadVariable = false;
};

// QUILLMARK_FOLDER when it is set (a program folder run from elsewhere), else
// ExecutableProgramFolder(); without a trailing '/'.
QString DefaultProgramFolder();
// The program folder of the running executable: the user's data folder
// ($XDG_DATA_HOME/quillmark, else ~/.local/share/quillmark) when it is
// installed, else the folder of the executable.
QString ExecutableProgramFolder();
// Whether the running executable is installed (it lies in the install prefix's
// bin folder); run from the build folder it is not.
bool RunsInstalled();
// Where the files the program ships are read from (language modules and help
// in res/, the channel definitions in config/channelInfo.ini, the initial
// database): the installation's share folder when the executable is
// installed, else `programFolder` itself, as it always was.
QString SharedProgramFolder(const QString& programFolder);

// True while a context is in force.
bool HasProgramContext();
// The folder and main database of the context in force; without one, those a
// context made without arguments would name.
QString ProgramFolder();
QString DatabasePath();
QString SharedFolder();

// The language chosen at start-up ("QUILLM_CH" or "QUILLM_EN"); channel names
// follow it even when its module did not load. QUILLM_CH until it is chosen
// and whenever no context is in force (then setting it does nothing).
QString CurrentLanguageName();
void SetCurrentLanguageName(const QString& name);

} // namespace qm
