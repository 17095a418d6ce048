#include "BatchWorkers.h"

#include "EventLock.h"

#include <QCoreApplication>

#include <chrono>

namespace qm::device {

void BatchWorkers::Start(std::function<void()> work)
{
    auto worker = std::make_unique<Worker>();
    Worker* self = worker.get();
    worker->thread = std::thread([self, work = std::move(work)] {
        work();
        self->done.store(true);
    });
    m_workers.push_back(std::move(worker));
}

void BatchWorkers::JoinAll()
{
    while (!m_workers.empty()) {
        for (auto it = m_workers.begin(); it != m_workers.end();) {
            if ((*it)->done.load()) {
                (*it)->thread.join();
                it = m_workers.erase(it);
            } else {
                ++it;
            }
        }
        if (m_workers.empty())
            break;
        if (qm::store::OnUiThread())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace qm::device
