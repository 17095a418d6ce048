#pragma once
// Reconfiguring loggers apart from any widget: the settings as the
// configuration page shows them, the "before" and "after" texts of the audit
// trail, the checks of a submit in their order with their messages, the
// write sequence for one logger and the batch over every connected logger.
// The device-configuration page, the batch dialog and quillmark-cli
// configure all run these. QtCore only.
#include "CDevManager.h"
#include "DeviceCommands.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace qm::device {

class CBatchNote;

// One channel row of the page: switch, limits as typed, measuring range.
struct ConfigChannelRow {
    int type = 0;
    bool alarm = false;
    QString low;
    QString high;
    int lowerBound = 0;
    int upperBound = 0;
};

// The settings as a user enters them. Interval and limits are texts, as in
// the edits; modes are the stored codes (start 1/2, stop 0/1/2/4).
struct ConfigForm {
    QString name;
    QString hours;
    QString minutes;
    QString seconds;
    int startMode = kStartTimed;
    QDateTime startTime; // minutes; used for timed start
    int stopMode = kStopFifo;
    QDateTime stopTime; // minutes; used for timed stop, the predicted end for stop-when-full
    QList<ConfigChannelRow> channels;
};

// Combo positions and stored codes: start 0 -> 1 (timed), 1 -> 2 (key); stop
// 0 fifo, 1 timed, 2 key, 3 -> 4 (when full).
int StartModeFromPosition(int position);
int StartModePosition(int mode);
int StopModeFromPosition(int position);
int StopModePosition(int mode);
// The mode's name: 253/254, 258/255/256/257.
int StartModeMessage(int mode);
int StopModeMessage(int mode);

// What the pickers show after a mode change: now + 120 s for a timed start,
// now + 3600 s for a timed stop; the end a logger that stops when full
// reaches: start + frameCapacity intervals.
QDateTime TimedStartDefault(const QDateTime& now);
QDateTime TimedStopDefault(const QDateTime& now);
QDateTime PredictedEnd(const QDateTime& start, qint64 frameCapacity, qint64 intervalSeconds);
// The interval texts in whole seconds (empty seconds are 0; -1 when not numbers).
qint64 FormIntervalSeconds(const ConfigForm& form);
// The predicted end for `form` on a logger with `frameCapacity` frames.
QDateTime FormPredictedEnd(const ConfigForm& form, qint64 frameCapacity);

// The page's values for `device` with the card name `name` (no I/O).
ConfigForm FormFromDevice(const CDevice& device, const QString& name, const QDateTime& now);
// Reads the card name from the logger (its known name when the read gives
// none) and fills the form from the device's records.
ConfigForm ReadConfigForm(CDevice& device);

// The audit text of a set of settings: "label:value," entries (name,
// interval, start mode and time, stop mode and time, each channel's switch
// with its limits). `withName` false leaves the name out (the batch).
QString SettingsText(const ConfigForm& form, bool withName = true);

// Where a check failed, for the page to point the user at.
enum class ConfigField { None, Limits, Name, Interval, StartTime, StopTime, Modes };
struct ConfigCheck {
    int message = 0; // 0: the settings pass
    ConfigField field = ConfigField::None;
    int channel = -1; // for Limits
};
// The checks of a submit after the role, in order: limits (reversed pairs are
// swapped in `form` first; 304), name (340, 188, 5480 for a character the
// logger's code page lacks), interval (212), times against now (305, 306),
// stop after start (213), key start with timed stop (230). The batch checks
// without name and channels (`single` false). Shows nothing.
ConfigCheck CheckConfigForm(ConfigForm& form, const QDateTime& now, bool single = true);

// The configuration record for `form`, built on `current` (fields the page
// does not show are kept): interval, modes, the start time for a timed start
// and the stop time for a timed stop or stop-when-full (the predicted end for
// this logger's capacity), zero otherwise.
ConfigInfo BuildFormConfig(const ConfigInfo& current, const ConfigForm& form, qint64 frameCapacity);

enum class SubmitOutcome {
    Refused,   // a check failed, its message was shown: nothing written
    Cancelled, // 232 answered Cancel: nothing written
    Failed,    // a write failed (5481 before anything was written, else 123)
    Done,      // written, renamed, read back, 124 shown, audit entry written
};
struct SubmitResult {
    SubmitOutcome outcome = SubmitOutcome::Refused;
    ConfigCheck check; // for Refused
};
struct SubmitOptions {
    QString logUser; // empty: the logged-in user
    // Called once the checks passed, before the question 232 (the cli prints it).
    std::function<void(const QString& after)> beforeQuestion;
};
// The page's submit (OnBnClickedOk) for `device`: the role (315), the checks,
// the question 232, then with the wait cursor the card name, the channel
// alarms, the alarm reset, the configuration (erasing the history first),
// the rename in recordtime and devInfo, the read-back (193 per failed read),
// 124 and the audit entry type 12 with `before` and the new settings.
// `form` gets reversed limits swapped.
SubmitResult SubmitConfig(CDevice& device, ConfigForm& form, const QString& before,
                          const SubmitOptions& options = SubmitOptions());

// ---- batch configuration

struct BatchConfigResult {
    int configured = 0;
    int failed = 0;
    QStringList lines; // per logger 177 or 228/233/293, then 208
};
// The batch's checks and question: role (315), interval, times, modes, 232.
// True when the batch may run; `beforeQuestion` as for SubmitConfig.
bool ConfirmBatchConfig(ConfigForm& form, const std::function<void(const QString& after)>& beforeQuestion = {});
// Configures every device in turn with the form's interval, modes and times
// (each logger's channels unchanged, its alarms reset, its history erased);
// a logger that fails (or is gone) gets its line and the batch goes on. The
// note, when given, gets the total, every line and the counts, and is
// finished. Runs on any thread; shows nothing.
BatchConfigResult ConfigureDevices(const std::vector<DevicePtr>& devices, const ConfigForm& form, CBatchNote* note);
// The audit entry of a batch: type 12, the lines joined by ";" and the
// batch's "after" text.
void WriteBatchConfigLog(const QStringList& lines, const ConfigForm& form, const QString& logUser = QString());

} // namespace qm::device
