#pragma once
// Why a port could not be opened, in the words a user can act on: there is no
// such port, the user may not open it (and which group would let them), or
// another program holds it. QtCore only.
#include <QString>

namespace qm::device {

struct PortProblem {
    int number = 0; // message number; 0: nothing more specific than a failed connection
    QString text;   // the message with its blanks filled
};

// The problem behind a failed open of COM<port>: `error` is the errno the open
// left, `device` the path it tried ("" when the number names no port).
PortProblem OpenProblem(int port, int error, const QString& device);

// The group that owns `device` (after links), "" when it cannot be told.
QString DeviceGroup(const QString& device);

} // namespace qm::device
