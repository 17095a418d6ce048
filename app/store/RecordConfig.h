#pragma once
// The configuration row of a record (table `config` of the logger's file):
// read it, and give a record that has none the configuration it was most
// likely recorded with. The record view and the record-configuration page
// both go through EnsureRecordConfig, so a record never shows two different
// configurations.
#include <QString>
#include <functional>
#include <optional>

namespace qm::store {

class CDBOperator;

// The stored texts of one config row. A null QString stands for NULL; an
// empty chan_Top or chan_Floor (the phone import writes '') reads as NULL.
struct RecordConfigTexts {
    QString recordInterval; // his_recordinterval, "%d;%d;%d"
    int startMode = 0;      // way_startup
    QString startTime;      // time_startup
    int stopMode = 0;       // way_stop
    QString stopTime;       // time_stop
    QString channelTypes;   // chan_type
    QString alarmSwitches;  // chan_alarm
    QString alarmUpper;     // chan_Top
    QString alarmLower;     // chan_Floor
    QString upperLimits;    // chan_topLimit
    QString lowerLimits;    // chan_floorLimit
};

// Supplies the connected logger's configuration for a file without any
// config row; nothing when no such logger is connected.
using ConnectedConfigSource = std::function<std::optional<RecordConfigTexts>()>;

// "select * from config where record_id = %d;": 1 and `out` filled when the
// row is there, 0 when not, -1 on a query error.
int ReadRecordConfig(CDBOperator& logger, int recordId, RecordConfigTexts* out);

// The statement that inserts `texts` as the config row of `recordId`; every
// text goes through the quoting helper, null texts stay NULL.
QString RecordConfigInsertSql(const RecordConfigTexts& texts, int recordId);

// Makes sure record `recordId` of the logger file `logger` has a config row
// and reads it into `out`. A missing row is copied from the newest row of the
// file; a file with none takes the configuration `connected` supplies.
// Returns 1 with `out` filled, 0 when there is no row and nothing to copy
// from, -1 on a database error.
int EnsureRecordConfig(CDBOperator& logger, int recordId, RecordConfigTexts* out,
                       const ConnectedConfigSource& connected = {});

} // namespace qm::store
