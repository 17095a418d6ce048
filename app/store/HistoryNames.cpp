#include "HistoryNames.h"

#include "DBOperator.h"
#include "Schema.h"

namespace qm::store {

QString FreeHistoryTableName(CDBOperator& logger, const QString& sn, qint64 secondsSince1970)
{
    for (qint64 seconds = secondsSince1970;; ++seconds) {
        const QString name = HistoryTableName(sn, seconds);
        // CreateTable without the create flag only looks: 0 when missing, the
        // row count when present, 255 or -1 when the file cannot be read (then
        // the caller's own create reports the fault).
        const int rc = logger.CreateTable(name, 0, 0, nullptr, nullptr, 0, 0, nullptr);
        if (rc < 1 || rc == 255)
            return name;
    }
}

} // namespace qm::store
