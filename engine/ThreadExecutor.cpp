#include "engine/ThreadExecutor.h"

#include <QMetaObject>
#include <QObject>

#include <memory>
#include <mutex>
#include <utility>

ThreadExecutor::~ThreadExecutor() {
    for (WorkerGroup& lane : lanes_)
        lane.JoinAll();
}

void ThreadExecutor::Start(Lane lane, std::function<void()> work) {
    lanes_[size_t(lane)].Start(std::move(work));
}

void ThreadExecutor::Wait(Lane lane) {
    lanes_[size_t(lane)].JoinAll();
}

size_t ThreadExecutor::Running(Lane lane) const {
    return lanes_[size_t(lane)].Running();
}

void ThreadExecutor::Deliver(QObject* receiver, std::function<void()> result) {
    // Qt's queue synchronises with locks that ThreadSanitizer cannot see, so the result also passes
    // through a std::mutex: what the worker wrote before delivering is seen as written before the call.
    struct Handover {
        std::mutex mutex;
        std::function<void()> call;
    };
    auto handover = std::make_shared<Handover>();
    {
        std::lock_guard lock(handover->mutex);
        handover->call = std::move(result);
    }
    // Qt drops a queued call whose receiver is destroyed before it runs.
    QMetaObject::invokeMethod(
        receiver,
        [handover] {
            std::function<void()> call;
            {
                std::lock_guard lock(handover->mutex);
                call = std::move(handover->call);
            }
            call();
        },
        Qt::QueuedConnection);
}
