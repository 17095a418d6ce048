#include "PathSeam.h"

#include <QMutexLocker>

#include <atomic>

namespace qm {
namespace {

class NobodyToAsk : public IPathHandler {
public:
    PathAnswer Ask(const PathRequest&) override { return {}; }
};

NobodyToAsk g_nobody;
std::atomic<IPathHandler*> g_handler{nullptr};

} // namespace

void SetPathHandler(IPathHandler* handler) { g_handler.store(handler); }

IPathHandler* CurrentPathHandler()
{
    IPathHandler* h = g_handler.load();
    return h ? h : &g_nobody;
}

PathAnswer AskPath(const PathRequest& request)
{
    return CurrentPathHandler()->Ask(request);
}

QStringList FileDialogFilters(const QString& tableFilter)
{
    QStringList parts = tableFilter.split(u'|');
    while (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString text = parts.at(i).trimmed();
        const QString patterns = parts.at(i + 1).split(u';', Qt::SkipEmptyParts).join(u' ');
        if (text.endsWith(QStringLiteral("(") + patterns + u')')
            || text.endsWith(QStringLiteral("(") + parts.at(i + 1) + u')'))
            filters << text;
        else
            filters << text + QStringLiteral(" (") + patterns + u')';
    }
    return filters;
}

PathScript::PathScript() : m_previous(g_handler.load()) { SetPathHandler(this); }

PathScript::~PathScript() { SetPathHandler(m_previous); }

void PathScript::Answer(const QStringList& paths, int filter)
{
    QMutexLocker lock(&m_lock);
    m_answers.push_back({paths, filter});
}

void PathScript::Cancel()
{
    QMutexLocker lock(&m_lock);
    m_answers.push_back({});
}

PathAnswer PathScript::Ask(const PathRequest& request)
{
    QMutexLocker lock(&m_lock);
    m_requests.append(request);
    if (m_answers.empty())
        return {};
    const PathAnswer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

QList<PathRequest> PathScript::Requests() const
{
    QMutexLocker lock(&m_lock);
    return m_requests;
}

} // namespace qm
