#pragma once
// The serial connection settings (section "com_port" of the settings file) and
// the one command delay every device command of the program uses.
//
// Keys: "auto" (0 manual, 1 automatic; default 1), "port" (device name such as
// "COM3"; default empty), "CBT" (baud of the manual mode; default 1 when read
// for a connect, 0 when read by the settings dialog), "interval" (command delay
// in ms; default 300).
#include <QList>
#include <QString>

namespace qm::device {

inline constexpr char kComSection[] = "com_port";

// The baud rates offered by the settings dialog, in its order; every scan of
// the connect procedures tries them in this order.
const QList<int>& BaudList();
// The intervals offered by the settings dialog.
const QList<int>& IntervalChoices();

// Attempts of every device command, except the channel read of a registration.
inline constexpr int kAttempts = 3;
inline constexpr int kRegisterChannelAttempts = 1;
inline constexpr int kDefaultInterval = 300;

// The command delay in ms while the program runs. Every reader of "interval"
// below refreshes it; any thread may read it.
int LinkDelay();
void SetLinkDelay(int ms);

// Readers with the defaults of their callers. ReadInterval also sets LinkDelay().
int ReadAutoMode();                  // "auto", default 1
QString ReadPortText();              // "port", default empty
int ReadConnectBaud();               // "CBT", default 1
int ReadDialogBaud();                // "CBT", default 0
int ReadInterval();                  // "interval", default 300

// The decimal number after the first three characters of a port name
// ("COM12" -> 12); 0 when there is none.
int PortNumberOf(const QString& portName);

// What the settings dialog's OK collected. The port is null when nothing is
// selected in the port list.
struct ComChoice {
    int mode = 1;            // 0 manual, 1 automatic
    QString port;            // "COM<n>"
    int baud = 0;
    int interval = kDefaultInterval;
};

enum class SaveComResult { Saved, NoPortSelected, WriteFailed };

// The settings dialog's OK: in manual mode takes the choice (a missing port is
// refused with message 5402 "请选择串口！"), in automatic mode keeps the stored
// port, baud and interval; stores all four keys, shows 124 "操作成功", writes
// the diagnostic line and, when anything changed, the audit entry of type 21.
// A failed write shows 123 "操作失败" instead of claiming success.
SaveComResult SaveComSettings(const ComChoice& choice);

} // namespace qm::device
