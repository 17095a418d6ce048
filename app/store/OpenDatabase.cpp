#include "OpenDatabase.h"

#include "MessageSeam.h"
#include "Strings.h"

#include <QFileInfo>

namespace qm::store {

std::unique_ptr<CDBSqlite3> OpenDatabase(void* owner, const QString& path, int create, int skipCheck,
                                         int showMessages)
{
    if (skipCheck) {
        create = 0;
    } else if (QFileInfo::exists(path)) {
        create = 0;
    } else if (!create) {
        if (showMessages)
            qm::ShowMessageText(109, MsgF(109, {path}));
        return nullptr;
    }
    if (!path.endsWith(QLatin1String(".db")) && !path.endsWith(QLatin1String(".db3"))
        && !path.endsWith(QLatin1String(".gdb")))
        return nullptr;

    auto db = std::make_unique<CDBSqlite3>(owner, path);
    if (db->ProbeKey()) {
        db->SetKeyFlag(0);
        // A file that could not be keyed is refused as a whole rather than
        // handed out unkeyed: every later open would apply the key to it.
        const bool keyed = db->EncryptInPlace();
        db->SetKeyFlag(1);
        if (!keyed || db->ProbeKey()) {
            db.reset();
            qm::ShowMessageText(kMsgInvalidDatabase, path + qm::Msg(kMsgInvalidDatabase));
            return nullptr;
        }
    }
    db->SetKeyFlag(1);
    if (create && !db->CreateDatabaseFile(path))
        return nullptr;
    return db;
}

} // namespace qm::store
