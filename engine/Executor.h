#pragma once

#include <cstddef>
#include <functional>

class QObject;

// Where the engine's background work runs and how its results come back to the GUI thread.
//
// Work goes into one of a few lanes, one per kind of worker, so that a lane can be waited for on its
// own (a load is waited for by the book list, the media workers by the destructor, ...). A result is
// delivered as a call on the thread of its receiver, later (queued), never from inside the call that
// delivered it; a result whose receiver has been destroyed is dropped.
//
// The program uses ThreadExecutor (one std::thread a work, always joined, results by queued
// invocation). Window-free tests use an executor that keeps the work and the results until the test
// runs them, so that they can run a worker to its end or hold it back without waiting on the clock.
class Executor {
  public:
    enum Lane : int {
        LoadLane = 0,  // book loads and clear-marks loads
        MediaLane = 1, // picture, pronunciation and prefetch workers
        LogLane = 2,   // learning-log sends
        MarkLane = 3,  // mark sends
    };
    static constexpr int kLanes = 4;

    virtual ~Executor() = default;

    // Runs `work` in the background as a member of `lane`. Any thread may start work, a worker too.
    virtual void Start(Lane lane, std::function<void()> work) = 0;
    // Returns once every work of `lane` has ended, those started meanwhile included. Never call it from
    // a worker of the same lane.
    virtual void Wait(Lane lane) = 0;
    // Works of `lane` started and not yet ended.
    virtual size_t Running(Lane lane) const = 0;
    // Calls `result` on the thread of `receiver`, queued; dropped when the receiver is gone by then.
    // Any thread may deliver.
    virtual void Deliver(QObject* receiver, std::function<void()> result) = 0;
};
