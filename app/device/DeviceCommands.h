#pragma once
// The device commands of the main window apart from any widget: which start
// or stop a logger's configuration allows, the configuration record that
// starts or stops it, writing it and reading it back, the whole start and stop
// commands with their messages and audit entries (the window and quillmark-cli
// run the same ones), and the state of the toolbar and menu for a selection.
// QtCore only.
#include "CDevice.h"

#include <QDateTime>
#include <QString>

namespace qm::device {

// Modes of the configuration record.
enum StartModeValue { kStartTimed = 1, kStartKey = 2 };
enum StopModeValue { kStopFifo = 0, kStopTimed = 1, kStopKey = 2, kStopWhenFull = 4 };

// A configured time (minute resolution); invalid when its year is 0.
QDateTime ConfigTime(const SYSTEMTIME& time);
// Whole seconds of the history interval.
qint64 IntervalSeconds(const SYSTEMTIME& interval);

enum class StartCheck {
    Allowed,
    AlreadyRecording,   // nothing happens
    KeyStart,           // 230
    TimedStopDone,      // 222 with 255
    KeyStopDone,        // 222 with 256
    MemoryFull,         // 222 with 257
};
StartCheck CheckStart(const ConfigInfo& config, const BasicConfig& basic, const QDateTime& now);
// The message number shown for a refusal (0 when none is shown) and, for 222,
// the number of the stop mode's name.
int StartRefusalMessage(StartCheck check, int* modeName = nullptr);

// The record that starts recording now. For stop-when-full the stop time is
// predicted from the frames still free: all of them when the history is
// erased first.
ConfigInfo BuildStartConfig(const ConfigInfo& current, const BasicConfig& basic, const QDateTime& now,
                            bool clearFirst);

enum class StopCheck { Allowed, NotRecording, KeyStop /* 231 */ };
StopCheck CheckStop(const ConfigInfo& config);
ConfigInfo BuildStopConfig(const ConfigInfo& current, const QDateTime& now);

enum class WriteResult { Done, WriteFailed /* 123 */, ReadBackFailed /* 193 */ };
// SetConfig with the link delay and three attempts, then GetConfig into the
// device (and its basic record, whose frame counts the write may have changed).
WriteResult WriteConfig(CDevice& device, const ConfigInfo& config, int clearFirst);

// Reads the configuration and the basic record again, so that a command
// decides on what the logger says now. A failed read keeps the held record
// (and marks a logger out of reach lost); true when both were read.
bool RefreshRecords(CDevice& device);

enum class CommandOutcome {
    Unchanged,   // refused with a message (230, 222, 231) or nothing to do: the logger is as it was
    Failed,      // 123 (the write failed) or 193 (the read-back failed) shown
    Done,        // written, read back into the device, audit entry written
};

// The start command (OnBnClickedBrun) once the user may run it and the device
// is known: reads the logger's records again; a logger that records already is
// left alone; refuses what its modes forbid (230, 222 with the mode's name);
// asks 5420 "是否清除数据？" (OK erases the history first); writes the new
// configuration and reads it back; on success writes the audit entry type 6
// for `logUser` (empty: the logged-in user). While it talks to the logger the
// store's wait cursor shows.
CommandOutcome StartRecording(CDevice& device, const QString& logUser = QString());
// The stop command (OnBnClickedBpause) likewise: a logger that does not record
// is left alone, key stop is refused (231), audit entry type 7.
CommandOutcome StopRecording(CDevice& device, const QString& logUser = QString());

// Which tree the main window shows; the device buttons follow it.
enum class ToolbarTab { None, Devices, Folders };

// What the toolbar and the device menu items show for a state of the window.
struct ToolbarInputs {
    ToolbarTab tab = ToolbarTab::None;
    bool listMode = true;         // the record list is shown (no data or comparison page over it)
    bool hasDevice = false;       // the current device is connected (devices tab)
    bool recording = false;       // that device records
    bool lost = false;            // that device no longer answers (LostDevice.h)
    bool recordSelected = false;  // a record is selected in the record list
    int connectedCount = 0;
    // Which of the commands are part of the program (the others stay disabled).
    bool downloadAvailable = true;
    bool recordCommandsAvailable = false;  // save, print, PDF report
    bool mergeAvailable = false;           // merge and compare
    bool configAllAvailable = false;
    bool importAvailable = false;          // the phone database import
};

struct ButtonState {
    bool visible = true;
    bool enabled = true;
    friend bool operator==(const ButtonState&, const ButtonState&) = default;
};

struct ToolbarState {
    ButtonState save, print, connect, disconnect, run, stop, download, merge, compare;
    ButtonState connectAll, configAll, downloadAll;
    bool menuDownload = false;    // 32794
    bool menuRunPause = false;    // 32795
    bool menuConnect = false;     // 32801
    bool menuImport = false;      // 32840
    bool menuRecord = false;      // 32803, 32804, 32841
};
ToolbarState ComputeToolbar(const ToolbarInputs& in);

// The record-list condition of the device tree's root for a search text:
// empty for an empty (trimmed) text, else
// "(devname like '%text%' or SN like '%text%')" with the text quoted for SQL.
QString DeviceSearchCondition(const QString& searchText);

} // namespace qm::device
