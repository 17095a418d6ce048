#include "DataFolder.h"

#include "AppEnv.h"
#include "InitialDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace qm {
namespace {

const QString kSettings = QStringLiteral("config/channelInfo.ini");
const QString kDatabase = QStringLiteral("database/DATAINFO.db3");

// Copies `source` to `target` unless `target` exists. The copy is made beside
// the target and renamed into place, and a rename never replaces a file, so
// two starts at once cannot overwrite each other's (or the user's) file.
bool CopyIfMissing(const QString& source, const QString& target)
{
    QTemporaryFile partial(target + QStringLiteral(".seed-XXXXXX"));
    if (!partial.open())
        return false;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    while (!in.atEnd()) {
        const QByteArray block = in.read(1 << 20);
        if (block.isEmpty() && in.error() != QFile::NoError)
            return false;
        if (partial.write(block) != block.size())
            return false;
    }
    if (!partial.flush())
        return false;
    // The installation's files are read-only; the user's copies are the user's to change.
    partial.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    partial.close();
    if (QFileInfo::exists(target))
        return true;
    if (!QFile::rename(partial.fileName(), target))
        return QFileInfo::exists(target);
    partial.setAutoRemove(false);
    return true;
}

} // namespace

QStringList SeededFiles() { return {kSettings, kDatabase}; }

SeedResult SeedDataFolder(const QString& programFolder, const QString& sharedFolder)
{
    SeedResult result;
    for (const QString& name : SeededFiles()) {
        const QString target = programFolder + u'/' + name;
        if (QFileInfo::exists(target))
            continue;
        const QString folder = QFileInfo(target).path();
        if (!QDir().mkpath(folder)) {
            result.outcome = SeedResult::NoFolder;
            result.path = folder;
            return result;
        }
        const QString source = sharedFolder + u'/' + name;
        bool done = false;
        if (name == kDatabase && !QFileInfo::exists(source))
            done = store::CreateInitialDatainfo(target) != store::kInitialFailed;
        else
            done = CopyIfMissing(source, target);
        if (!done) {
            result.outcome = SeedResult::CopyFailed;
            result.path = target;
            return result;
        }
        result.copied << target;
    }
    return result;
}

SeedResult SeedDataFolder()
{
    if (!ProgramFolderIsDataFolder())
        return {};
    return SeedDataFolder(ProgramFolder(), SharedFolder());
}

} // namespace qm
