#pragma once
// The program's message seam handler: every numbered message becomes a
// QMessageBox over the active window, with caption 168 unless the caller gave
// another. A message raised on a worker thread is shown on the UI thread and
// the worker waits for the answer.
#include "MessageSeam.h"

#include <functional>

namespace qm {

class CMessageBoxHandler : public IMessageHandler {
public:
    int Show(const MessageRequest& request) override;
};

// The wait cursor of the store's message-pumping waits.
void InstallWaitCursorHook();

// Runs `work` on the UI thread: at once there, else queued while the calling
// thread waits. false (nothing run) without an application object.
bool RunOnUiThread(const std::function<void()>& work);

} // namespace qm
