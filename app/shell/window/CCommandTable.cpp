#include "CCommandTable.h"

namespace qm::window {

void CCommandTable::Declare(int command, std::optional<Guarded> check)
{
    m_entries[command].check = check;
}

bool CCommandTable::Install(int command, Handler handler)
{
    const auto it = m_entries.find(command);
    if (it == m_entries.end())
        return false;
    it->handler = std::move(handler);
    return true;
}

bool CCommandTable::Route(int command) const
{
    const auto it = m_entries.constFind(command);
    if (it == m_entries.constEnd())
        return false;
    // A copy: the handler may install other handlers while it runs.
    const Entry entry = *it;
    if (entry.check && !Permit(*entry.check))
        return false;
    if (!entry.handler)
        return false;
    entry.handler();
    return true;
}

bool CCommandTable::HasHandler(int command) const
{
    const auto it = m_entries.constFind(command);
    return it != m_entries.constEnd() && it->handler;
}

} // namespace qm::window
