#pragma once
// Batch connect: every port of the PC at once (automatic mode) or the
// configured port (manual mode), one worker thread per port.
//
// The threads are started one at a time: each takes the next port of the list
// and signals the hand-over event before the next thread is started, so every
// thread has its own port, device, link and library object. The caller's
// thread waits for them; on the UI thread it keeps processing events while it
// waits. Workers report through the batch note (thread-safe) and never touch a
// window.
#include "CConnectProcedure.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace qm::device {

class CBatchNote;

struct BatchConnectOptions {
    // Pause after the progress state is shown, so the window has appeared.
    int startPauseMs = 600;
    // The audit entries (type 4 "设备连接" + name per connected device).
    bool writeLog = true;
    QString logSource = QStringLiteral("CQuillmarkDlg::OnBnClickedBconnAll");
    QString logUser;   // empty: the logged-in user; "=====": nobody
};

struct BatchConnectResult {
    int tried = 0;
    int connected = 0;
    int failed = 0;
    QStringList lines;             // result texts in the order they came
    QStringList connectedSerials;  // in the order they connected
    QStringList connectedNames;
    // One entry per worker thread: the port it took and an id of its thread.
    QList<int> workerPorts;
    QList<quint64> workerThreads;
};

// Runs the batch with `procedure` (its database should be open: call
// EnsureDatabase on the UI thread first; BatchConnect does so itself). The
// note, when given, is reset with the title 5038 "批量连接", gets the total,
// every result line and the counts, and is finished at the end.
BatchConnectResult BatchConnect(CConnectProcedure& procedure, CBatchNote* note,
                                const BatchConnectOptions& options = BatchConnectOptions());

} // namespace qm::device
