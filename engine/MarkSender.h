#pragma once

#include "engine/Outbox.h"

#include <QBasicTimer>
#include <QObject>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

class Executor;
class ServiceClient;

// Sends the memorised marks to the service in the order they were made, through one worker at a time
// on the mark lane that drains the queue. A mark whose send fails (no answer, or a status other than
// 200) stays at the head and is sent again after a back-off (timer 4: 2 s, doubling up to 60 s); one
// the service answers is done, accepted or refused, unless the refusal came after the sign-in's
// session was lost (then it is kept as a failure). Clearing a book's marks waits for the mark in
// flight and holds the queue meanwhile, so that no earlier mark lands after the clear; once the clear
// has succeeded, the book's marks queued before it are dropped (the clear covers them).
//
// Thread use: Send, Retry and the account calls on the GUI thread; ClearMarks and SendLast on any
// worker. `settled` reaches the GUI thread whenever the worker stops or the queue changed without it.
class MarkSender : public QObject {
    Q_OBJECT

  public:
    static constexpr int kTimerId = 4;
    static constexpr std::chrono::milliseconds kFirstBackOff{2000};
    static constexpr std::chrono::milliseconds kLongestBackOff{60000};

    MarkSender(ServiceClient& client, Executor& executor, QObject* parent = nullptr);

    void Send(uint32_t wordId, uint32_t bookId);
    // Marks kept from an earlier session of the account: they go before every mark queued now.
    void Restore(const std::vector<Outbox::Mark>& marks);
    // The marks not confirmed yet, in order (the one in flight included).
    std::vector<Outbox::Mark> Pending() const;
    // Forgets the queue (handed to the outbox) and the back-off; a send still in flight ends unheeded.
    void Reset();
    // No worker takes another mark from now on (the engine is going away).
    void Stop();

    // Timer 4's expiry: the failed mark is sent again.
    void Retry();
    bool IsRetryPending() const { return retry_.isActive(); }
    // The wait of the retry set last.
    std::chrono::milliseconds RetryWait() const { return retryWait_; }

    // The user asked to clear the marks of `bookId`: from now on the queue waits for that clear, and
    // the marks made until now are those before it.
    void HoldForClear(uint32_t bookId);
    // Clears every mark of `bookId` at the service, after the mark in flight (the clear held for last,
    // or one from now); the service's result. Blocks: never on the GUI thread.
    int ClearMarks(uint32_t bookId);
    // Waits for the mark in flight and then sends the queued marks on the calling thread, until
    // `deadline`; no worker takes a mark afterwards until Reset. Never on the GUI thread.
    void SendLast(std::chrono::steady_clock::time_point deadline);

  Q_SIGNALS:
    // The queue has changed after a send or a clear; `failed`: a send failed.
    void settled(bool failed);

  protected:
    void timerEvent(QTimerEvent* event) override;

  private:
    struct Item {
        Outbox::Mark mark;
        int64_t seq = 0; // in the order made (restored ones below zero); never reused
    };
    struct Clear {
        uint32_t bookId = 0;
        int64_t before = 0; // the marks made before it have smaller numbers
        bool running = false;
        int64_t id = 0;
    };

    // Under the mutex: whether a worker may start now (then it is counted as started).
    bool claimWorkerLocked();
    void startWorker();
    void drain();
    // Under the mutex: takes the outcome of the send of `seq`; false when the send failed.
    bool settleLocked(int64_t seq, int result);
    void report(bool failed);

    ServiceClient& client_;
    Executor& executor_;

    mutable std::mutex mutex_;
    std::condition_variable idle_; // the mark in flight has ended
    std::deque<Item> queue_;
    int64_t nextSeq_ = 1;
    int64_t restoredSeq_ = 0; // restored marks are older than any made in this session
    bool working_ = false;    // a worker runs
    bool inFlight_ = false;   // a send of the head runs (worker or SendLast)
    bool backingOff_ = false;
    bool held_ = false;        // after SendLast and Stop: no worker takes a mark
    std::deque<Clear> clears_; // held for or running: no worker takes a mark meanwhile

    // GUI thread only.
    QBasicTimer retry_;
    std::chrono::milliseconds backOff_ = kFirstBackOff; // the next retry's wait
    std::chrono::milliseconds retryWait_{0};
};
