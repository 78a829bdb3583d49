#pragma once

#include "engine/Executor.h"
#include "platform/WorkerGroup.h"

#include <array>

// The program's executor: every work on a std::thread of its own, kept in its lane's WorkerGroup until
// it has been joined; results delivered by a queued invocation on the receiver's thread.
class ThreadExecutor : public Executor {
  public:
    ThreadExecutor() = default;
    // Joins every worker of every lane.
    ~ThreadExecutor() override;

    void Start(Lane lane, std::function<void()> work) override;
    void Wait(Lane lane) override;
    size_t Running(Lane lane) const override;
    void Deliver(QObject* receiver, std::function<void()> result) override;

  private:
    std::array<WorkerGroup, kLanes> lanes_;
};
