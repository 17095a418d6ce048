#include "AppEnv.h"

#include "Ciniwell.h"
#include "Strings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <unistd.h>

namespace qm {
namespace {

QMutex g_envLock;
// DefaultBackupFolder looks through the mounts once per program folder.
QString g_backupFolderOf;
QString g_defaultBackup;

QString Join(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

// Mount points in /proc/self/mountinfo escape blanks and the like as "\ooo".
QString UnescapeMountField(const QByteArray& field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out += char(code);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return QFile::decodeName(out);
}

bool Writable(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0;
}

} // namespace

QString DatabaseFolder() { return ProgramFolder() + QStringLiteral("/database"); }
QString ConfigFolder() { return ProgramFolder() + QStringLiteral("/config"); }
QString SettingsFile() { return ConfigFolder() + QStringLiteral("/channelInfo.ini"); }
QString ResourceFolder() { return SharedFolder() + QStringLiteral("/res/"); }
QString LogFolder() { return ProgramFolder() + QStringLiteral("/log"); }
QString ChannelDefinitionsFile() { return SharedFolder() + QStringLiteral("/config/channelInfo.ini"); }
bool ProgramFolderIsDataFolder() { return SharedFolder() != ProgramFolder(); }

QString MountPointOf(const QString& path)
{
    QString existing = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    while (!QFileInfo::exists(existing) && existing != QStringLiteral("/"))
        existing = QFileInfo(existing).path();
    const QString canonical = QFileInfo(existing).canonicalFilePath();
    const QString target = canonical.isEmpty() ? existing : canonical;

    QString best = QStringLiteral("/");
    QFile info(QStringLiteral("/proc/self/mountinfo"));
    if (!info.open(QIODevice::ReadOnly))
        return best;
    // Fields: id parent major:minor root mount-point options ...; the longest
    // mount point that contains the path is its file system (bind mounts included).
    for (const QByteArray& line : info.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 5)
            continue;
        const QString mount = UnescapeMountField(fields[4]);
        const bool contains = mount == QStringLiteral("/") || target == mount
            || target.startsWith(mount + u'/');
        if (contains && mount.size() > best.size())
            best = mount;
    }
    return best;
}

QString ChooseBackupFolder(const QString& mountPoint, const QString& homeFolder)
{
    const QString candidate = Join(mountPoint, QStringLiteral("data_backup"));
    const QFileInfo existing(candidate);
    const bool usable = existing.exists() ? existing.isDir() && Writable(candidate)
                                          : QFileInfo(mountPoint).isDir() && Writable(mountPoint);
    return usable ? candidate : Join(homeFolder, QStringLiteral("data_backup"));
}

QString DefaultBackupFolder()
{
    const QString folder = ProgramFolder();
    {
        QMutexLocker lock(&g_envLock);
        if (g_backupFolderOf == folder)
            return g_defaultBackup;
    }
    // An installation is shared by every user of the machine: each keeps
    // backups in their own data folder.
    const QString chosen = ProgramFolderIsDataFolder() ? Join(folder, QStringLiteral("data_backup"))
                                                       : ChooseBackupFolder(MountPointOf(folder), QDir::homePath());
    QMutexLocker lock(&g_envLock);
    g_backupFolderOf = folder;
    g_defaultBackup = chosen;
    return chosen;
}

QString BackupFolder()
{
    return Settings().GetIniStr(QStringLiteral("backup"), QStringLiteral("path"), DefaultBackupFolder(), 1);
}

Ciniwell& Settings()
{
    static Ciniwell settings(0);
    const QString file = SettingsFile();
    if (settings.Path() != file)
        settings.SetPath(file);
    return settings;
}

const Ciniwell& ChannelDefinitions()
{
    const QString file = ChannelDefinitionsFile();
    if (file == SettingsFile())
        return Settings();
    static Ciniwell definitions(0);
    static QMutex bindLock;
    QMutexLocker lock(&bindLock);
    if (definitions.Path() != file)
        definitions.SetPath(file);
    return definitions;
}

QString LanguageModuleSuffix() { return QStringLiteral(QM_LANGUAGE_MODULE_SUFFIX); }

QString LanguageModulePath(const QString& name)
{
    // The name comes from the settings file: it may only name a file in res/.
    if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\') || name == QStringLiteral(".")
        || name == QStringLiteral(".."))
        return QString();
    return ResourceFolder() + name + LanguageModuleSuffix();
}

QString ChooseLanguageName(const QString& setting, const QLocale& locale)
{
    const QString trimmed = setting.trimmed();
    if (!trimmed.isEmpty())
        return trimmed;
    const bool chinesePrc = locale.language() == QLocale::Chinese && locale.territory() == QLocale::China;
    return QString::fromLatin1(chinesePrc ? kChineseModule : kEnglishModule);
}

bool CurrentLanguageIsChinese()
{
    return CurrentLanguageName() == QLatin1String(kChineseModule);
}

LanguageResult SelectLanguage(const QLocale& locale)
{
    if (!QDir().mkpath(ResourceFolder()))
        return LanguageResult::NoResourceFolder;
    const QString setting = Settings().GetIniStr(QStringLiteral("system"), QStringLiteral("language"), QString(), 0);
    const QString name = ChooseLanguageName(setting, locale);
    SetCurrentLanguageName(name);
    const QString module = LanguageModulePath(name);
    if (!module.isEmpty() && LoadLanguageModule(module))
        return LanguageResult::ModuleLoaded;
    UseBuiltinStrings();
    return LanguageResult::BuiltinUsed;
}

int RequestLanguageSwitch(const QString& name)
{
    if (name == CurrentLanguageName())
        return 0;
    return Settings().WriteIniStr(QStringLiteral("system"), QStringLiteral("language"), name) ? 1 : -1;
}

QString HelpFilePath()
{
    const QString language = CurrentLanguageIsChinese() ? QStringLiteral("ch") : QStringLiteral("en");
    const QString guide = ResourceFolder() + QStringLiteral("help/") + language + QStringLiteral("/index.html");
    if (QFileInfo::exists(guide))
        return guide;
    return ResourceFolder() + language + QStringLiteral(".chm");
}

} // namespace qm
