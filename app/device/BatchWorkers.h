#pragma once
// The worker threads of a batch (batch connect, batch download): started one at
// a time by the caller, then waited for while the UI stays alive. A finished
// thread is joined at once, so nothing of it outlives its work.
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace qm::device {

class BatchWorkers {
public:
    BatchWorkers() = default;
    ~BatchWorkers() { JoinAll(); }
    BatchWorkers(const BatchWorkers&) = delete;
    BatchWorkers& operator=(const BatchWorkers&) = delete;

    // Runs `work` on a thread of its own.
    void Start(std::function<void()> work);
    // Waits for every started worker; on the UI thread events keep being processed.
    void JoinAll();

private:
    struct Worker {
        std::thread thread;
        std::atomic<bool> done{false};
    };
    std::vector<std::unique_ptr<Worker>> m_workers;
};

} // namespace qm::device
