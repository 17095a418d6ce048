#pragma once
// The program's path seam handler: the save and open dialogs and the folder
// browser as file dialogs over the active window. A save dialog never asks
// about overwriting: the program asks that itself (message 167), so that a
// refusal reads the same everywhere. Asked on a worker thread, the dialog is
// shown on the UI thread and the worker waits for the answer.
#include "PathSeam.h"

namespace qm {

class CFileDialogHandler : public IPathHandler {
public:
    PathAnswer Ask(const PathRequest& request) override;
};

} // namespace qm
