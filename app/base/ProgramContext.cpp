#include "ProgramContext.h"

#include "PortMap.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <cstdlib>

namespace qm {
namespace {

constexpr char kFolderVariable[] = "QUILLMARK_FOLDER";

QMutex g_contextLock;
CProgramContext* g_current = nullptr;

QString DatabasePathIn(const QString& folder) { return folder + QStringLiteral("/database/DATAINFO.db3"); }

} // namespace

QString DefaultProgramFolder()
{
    const QString fromEnv = qEnvironmentVariable(kFolderVariable);
    if (!fromEnv.isEmpty())
        return QDir::cleanPath(QDir(fromEnv).absolutePath());
    return ExecutableProgramFolder();
}

QString ExecutableProgramFolder()
{
    if (RunsInstalled())
        return QDir::cleanPath(QFile::decodeName(kelvane::UserDataFolder().c_str()));
    // /proc/self/exe needs no QCoreApplication, so tools and early start-up get it too.
    const QString folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    return QDir::cleanPath(folder.isEmpty() ? QDir::currentPath() : folder);
}

bool RunsInstalled() { return kelvane::RunsInstalled(); }

QString SharedProgramFolder(const QString& programFolder)
{
    if (!RunsInstalled())
        return QDir::cleanPath(programFolder);
    return QDir::cleanPath(QFile::decodeName(kelvane::InstalledShareFolder().c_str()));
}

CProgramContext::CProgramContext(const QString& folder, const QString& databasePath, const QString& sharedFolder)
    : m_folder(folder.isEmpty() ? DefaultProgramFolder() : QDir::cleanPath(QDir(folder).absolutePath())),
      m_database(databasePath.isEmpty() ? DatabasePathIn(m_folder) : databasePath),
      m_shared(sharedFolder.isEmpty() ? SharedProgramFolder(m_folder)
                                      : QDir::cleanPath(QDir(sharedFolder).absolutePath()))
{
    m_hadVariable = qEnvironmentVariableIsSet(kFolderVariable);
    m_savedVariable = qgetenv(kFolderVariable);
    // The device library resolves "COM<n>" below this folder, and the tools a
    // program starts find it here too.
    ::setenv(kFolderVariable, QFile::encodeName(m_folder).constData(), 1);
    QMutexLocker lock(&g_contextLock);
    m_previous = g_current;
    g_current = this;
}

CProgramContext::~CProgramContext()
{
    {
        QMutexLocker lock(&g_contextLock);
        // Contexts end in the reverse order of their start; one that ends out
        // of turn leaves the newer ones in force.
        if (g_current == this)
            g_current = m_previous;
    }
    if (m_hadVariable)
        ::setenv(kFolderVariable, m_savedVariable.constData(), 1);
    else
        ::unsetenv(kFolderVariable);
}

bool HasProgramContext()
{
    QMutexLocker lock(&g_contextLock);
    return g_current != nullptr;
}

QString ProgramFolder()
{
    {
        QMutexLocker lock(&g_contextLock);
        if (g_current)
            return g_current->Folder();
    }
    return DefaultProgramFolder();
}

QString DatabasePath()
{
    {
        QMutexLocker lock(&g_contextLock);
        if (g_current)
            return g_current->DatabasePath();
    }
    return DatabasePathIn(DefaultProgramFolder());
}

QString SharedFolder()
{
    {
        QMutexLocker lock(&g_contextLock);
        if (g_current)
            return g_current->SharedFolder();
    }
    return SharedProgramFolder(DefaultProgramFolder());
}

QString CurrentLanguageName()
{
    QMutexLocker lock(&g_contextLock);
    return g_current ? g_current->m_language : QString::fromLatin1(kChineseModule);
}

void SetCurrentLanguageName(const QString& name)
{
    QMutexLocker lock(&g_contextLock);
    if (g_current)
        g_current->m_language = name;
}

} // namespace qm
