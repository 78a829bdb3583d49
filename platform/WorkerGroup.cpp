#include "platform/WorkerGroup.h"

#include <algorithm>
#include <iterator>
#include <utility>

WorkerGroup::~WorkerGroup() {
    JoinAll();
}

void WorkerGroup::Start(std::function<void()> work) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::vector<Worker> finished;
    {
        std::lock_guard lock(mutex_);
        // Threads that have finished their work are joined now, so the list stays short.
        auto keep = std::partition(workers_.begin(), workers_.end(),
                                   [](const Worker& w) { return !w.done->load(std::memory_order_acquire); });
        std::move(keep, workers_.end(), std::back_inserter(finished));
        workers_.erase(keep, workers_.end());
        workers_.push_back(Worker{std::thread([work = std::move(work), done] {
                                      work();
                                      done->store(true, std::memory_order_release);
                                  }),
                                  done});
    }
    for (Worker& w : finished)
        w.thread.join();
}

void WorkerGroup::JoinAll() {
    for (;;) {
        std::vector<Worker> taken;
        {
            std::lock_guard lock(mutex_);
            taken.swap(workers_);
        }
        if (taken.empty())
            return;
        for (Worker& w : taken)
            w.thread.join();
    }
}

size_t WorkerGroup::Running() const {
    std::lock_guard lock(mutex_);
    return size_t(std::count_if(workers_.begin(), workers_.end(),
                                [](const Worker& w) { return !w.done->load(std::memory_order_acquire); }));
}
