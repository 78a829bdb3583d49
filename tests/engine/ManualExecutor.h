#pragma once

#include "engine/Executor.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>

// An executor for tests: work and results wait in queues until the test runs them, on its own thread,
// so that a test decides when a worker runs and when its result arrives, without threads or waiting.
// Waiting for a lane (as the engine does when it unloads or is destroyed) runs that lane's work.
class ManualExecutor : public Executor {
  public:
    void Start(Lane lane, std::function<void()> work) override {
        std::lock_guard lock(mutex_);
        work_[size_t(lane)].push_back(std::move(work));
    }
    void Wait(Lane lane) override {
        while (RunOne(lane)) {
        }
    }
    size_t Running(Lane lane) const override {
        std::lock_guard lock(mutex_);
        return work_[size_t(lane)].size();
    }
    void Deliver(QObject* receiver, std::function<void()> result) override {
        std::lock_guard lock(mutex_);
        results_.emplace_back(QPointer<QObject>(receiver), std::move(result));
    }

    // Runs the oldest work of `lane`; false when there was none.
    bool RunOne(Lane lane) {
        std::optional<std::function<void()>> work;
        {
            std::lock_guard lock(mutex_);
            auto& queue = work_[size_t(lane)];
            if (queue.empty())
                return false;
            work = std::move(queue.front());
            queue.pop_front();
        }
        (*work)();
        return true;
    }
    // Runs the work of every lane, the work it starts included.
    void RunAll() {
        for (bool ran = true; ran;) {
            ran = false;
            for (int lane = 0; lane < kLanes; ++lane)
                while (RunOne(Lane(lane)))
                    ran = true;
        }
    }
    // Hands over the results waiting, those delivered meanwhile included; returns how many.
    int DeliverAll() {
        int n = 0;
        for (;;) {
            std::pair<QPointer<QObject>, std::function<void()>> next;
            {
                std::lock_guard lock(mutex_);
                if (results_.empty())
                    return n;
                next = std::move(results_.front());
                results_.pop_front();
            }
            if (next.first) // the receiver is still there
                next.second();
            ++n;
        }
    }
    // Runs work and hands over results until nothing is left.
    void Settle() {
        do
            RunAll();
        while (DeliverAll() > 0);
    }
    size_t Queued(Lane lane) const { return Running(lane); }

  private:
    mutable std::mutex mutex_;
    std::array<std::deque<std::function<void()>>, kLanes> work_;
    std::deque<std::pair<QPointer<QObject>, std::function<void()>>> results_;
};
