#pragma once
// The name of a new record's history table when records enter the store from
// outside (phone import, single-record files). Downloads and imports must name
// tables the same way, so this is meant to follow the download's own choice of
// a free name; it stays one small function so there is one place to change.
#include <QString>

namespace qm::store {

class CDBOperator;

// "h<SN>_<seconds>" for the first second from `secondsSince1970` on whose name
// `logger` (the logger's own file) does not hold yet: two records of one
// logger started in the same second get two tables instead of one mixed one.
QString FreeHistoryTableName(CDBOperator& logger, const QString& sn, qint64 secondsSince1970);

} // namespace qm::store
