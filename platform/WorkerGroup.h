#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Worker threads that are always joined: every thread started here is kept until it has been joined,
// either when a later start finds it finished or by JoinAll. Start and JoinAll may be called from any
// thread, but never from one of the group's own workers.
class WorkerGroup {
  public:
    WorkerGroup() = default;
    ~WorkerGroup();
    WorkerGroup(const WorkerGroup&) = delete;
    WorkerGroup& operator=(const WorkerGroup&) = delete;

    // Runs `work` on a new thread.
    void Start(std::function<void()> work);
    // Waits for every worker, including those started while it waits.
    void JoinAll();
    // Workers that have not finished their work yet.
    size_t Running() const;

  private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    mutable std::mutex mutex_;
    std::vector<Worker> workers_;
};
