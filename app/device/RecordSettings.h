#pragma once
// The configuration a stored record was downloaded with, from its config row
// in the logger's own database, in the shape the configuration pages show.
// QtCore only.
#include "DeviceConfig.h"
#include "RecordConfig.h"

#include <optional>

namespace qm::device {

struct RecordSettings {
    QString sn;      // the record's logger
    ConfigForm form; // name: the record's device name; channels: switch, limits, range
};

// Reads the record `recordId` of DATAINFO's recordtime and its row of
// "select * from config where record_id = %d;" in the logger's file.
// false when the record or its configuration row cannot be read.
bool ReadRecordSettings(int recordId, RecordSettings* settings);

// A config row (column name -> text) as settings.
ConfigForm FormFromConfigRow(const QString& interval, int startMode, const QString& startTime, int stopMode,
                             const QString& stopTime, const QString& types, const QString& alarms,
                             const QString& floors, const QString& tops, const QString& lowerBounds,
                             const QString& upperBounds);

// The configuration of the connected logger `sn` as a config row would hold
// it (what a record of that logger without a row was most likely recorded
// with); none when `sn` is not connected.
std::optional<store::RecordConfigTexts> ConnectedConfigTexts(const QString& sn);

} // namespace qm::device
