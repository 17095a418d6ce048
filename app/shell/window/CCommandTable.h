#pragma once
// The main window's routing table: command number (menu item, accelerator,
// toolbar button) -> the check it needs and the handler that runs it. The
// window fixes the checks of every command it knows; the subsystems that
// main.cpp installs bring the handlers. A command without a handler still
// makes its check (so a refusal reads the same whatever is installed), then
// does nothing; the window keeps such commands disabled.
#include "Permissions.h"

#include <QHash>

#include <functional>
#include <optional>

namespace qm::window {

class CCommandTable {
public:
    using Handler = std::function<void()>;

    // A command the window routes; `check` is what Route asks of the login
    // and role before the handler runs (none: the command is open to all).
    void Declare(int command, std::optional<Guarded> check = std::nullopt);
    // The handler of a declared command (replacing any earlier one). false
    // for a command the window does not know.
    bool Install(int command, Handler handler);
    // Checks, then runs the handler. false when the check refused (its message
    // was shown), the command has no handler or is unknown.
    bool Route(int command) const;

    bool IsDeclared(int command) const { return m_entries.contains(command); }
    bool HasHandler(int command) const;

private:
    struct Entry {
        std::optional<Guarded> check;
        Handler handler;
    };
    QHash<int, Entry> m_entries;
};

} // namespace qm::window
