#include "engine/MarkSender.h"

#include "engine/Executor.h"
#include "service/ServiceClient.h"

#include <QTimerEvent>

#include <algorithm>

MarkSender::MarkSender(ServiceClient& client, Executor& executor, QObject* parent)
    : QObject(parent), client_(client), executor_(executor) {}

void MarkSender::Send(uint32_t wordId, uint32_t bookId) {
    bool start = false;
    {
        std::lock_guard lock(mutex_);
        // The book is the one the mark was made in, not the one loaded when the send runs.
        queue_.push_back({{wordId, bookId}, nextSeq_++});
        start = claimWorkerLocked();
    }
    if (start)
        startWorker();
}

void MarkSender::Restore(const std::vector<Outbox::Mark>& marks) {
    bool start = false;
    {
        std::lock_guard lock(mutex_);
        for (auto it = marks.rbegin(); it != marks.rend(); ++it)
            queue_.push_front({*it, restoredSeq_--});
        start = claimWorkerLocked();
    }
    if (start)
        startWorker();
}

std::vector<Outbox::Mark> MarkSender::Pending() const {
    std::lock_guard lock(mutex_);
    std::vector<Outbox::Mark> marks;
    for (const Item& item : queue_)
        marks.push_back(item.mark);
    return marks;
}

void MarkSender::Reset() {
    {
        std::lock_guard lock(mutex_);
        queue_.clear();
        // A clear held for and not started yet belongs to the account that is gone.
        std::erase_if(clears_, [](const Clear& c) { return !c.running; });
        held_ = false;
        backingOff_ = false;
    }
    retry_.stop();
    backOff_ = kFirstBackOff;
}

void MarkSender::Stop() {
    {
        std::lock_guard lock(mutex_);
        held_ = true;
    }
    retry_.stop();
}

void MarkSender::Retry() {
    retry_.stop();
    bool start = false;
    {
        std::lock_guard lock(mutex_);
        backingOff_ = false;
        start = claimWorkerLocked();
    }
    if (start)
        startWorker();
}

bool MarkSender::claimWorkerLocked() {
    // One worker at a time drains the queue: a held key queues marks instead of starting threads.
    if (working_ || queue_.empty() || held_ || !clears_.empty() || backingOff_)
        return false;
    working_ = true;
    return true;
}

void MarkSender::startWorker() {
    executor_.Start(Executor::MarkLane, [this] { drain(); });
}

void MarkSender::drain() {
    bool sent = false;
    for (;;) {
        Item item;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty() || held_ || !clears_.empty() || backingOff_) {
                working_ = false;
                break;
            }
            item = queue_.front();
            inFlight_ = true;
        }
        const int result = client_.Complete(item.mark.wordId, item.mark.bookId);
        bool done = false;
        {
            std::lock_guard lock(mutex_);
            inFlight_ = false;
            done = settleLocked(item.seq, result);
            if (!done) {
                backingOff_ = true;
                working_ = false;
            }
        }
        idle_.notify_all();
        if (!done) {
            report(true);
            return;
        }
        sent = true;
    }
    idle_.notify_all();
    if (sent)
        report(false);
}

bool MarkSender::settleLocked(int64_t seq, int result) {
    const auto it = std::find_if(queue_.begin(), queue_.end(), [seq](const Item& i) { return i.seq == seq; });
    if (it == queue_.end())
        return true; // handed to the outbox meanwhile: kept there
    // A failed send is kept and sent again, where a mark used to be lost with it. So is a refusal
    // after the sign-in's session was lost: the service refused the lost session, not the mark.
    if (result == ServiceClient::ResultFailed ||
        (result == ServiceClient::ResultRefused && !client_.SignInSessionIntact()))
        return false;
    queue_.erase(it); // accepted, refused by the service, or impossible to send
    return true;
}

void MarkSender::report(bool failed) {
    executor_.Deliver(this, [this, failed] {
        if (failed) {
            retryWait_ = backOff_;
            retry_.start(int(backOff_.count()), this);
            backOff_ = std::min(backOff_ * 2, kLongestBackOff);
        } else {
            backOff_ = kFirstBackOff;
        }
        Q_EMIT settled(failed);
    });
}

void MarkSender::HoldForClear(uint32_t bookId) {
    std::lock_guard lock(mutex_);
    clears_.push_back({bookId, nextSeq_, false, nextSeq_++});
}

int MarkSender::ClearMarks(uint32_t bookId) {
    std::unique_lock lock(mutex_);
    auto held = std::find_if(clears_.begin(), clears_.end(),
                             [bookId](const Clear& c) { return c.bookId == bookId && !c.running; });
    if (held == clears_.end())
        held = clears_.insert(clears_.end(), {bookId, nextSeq_, false, nextSeq_++});
    held->running = true;
    const Clear clear = *held;
    // The mark in flight lands first; the queue waits until the clear has its answer.
    idle_.wait(lock, [this] { return !inFlight_; });
    lock.unlock();
    const int result = client_.ClearComplete(bookId);
    lock.lock();
    std::erase_if(clears_, [&clear](const Clear& c) { return c.id == clear.id; });
    // The clear covers the book's marks made before it; when it failed they are still to be sent.
    if (result == ServiceClient::ResultOk)
        std::erase_if(queue_, [&clear](const Item& i) {
            return i.mark.bookId == clear.bookId && i.seq < clear.before;
        });
    const bool start = claimWorkerLocked();
    lock.unlock();
    idle_.notify_all();
    if (start)
        startWorker();
    report(false);
    return result;
}

void MarkSender::SendLast(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    held_ = true;
    for (;;) {
        if (!idle_.wait_until(lock, deadline, [this] { return !inFlight_ && clears_.empty(); }))
            return;
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (queue_.empty() || left.count() <= 0)
            return;
        const Item item = queue_.front();
        inFlight_ = true;
        lock.unlock();
        const int result = client_.Complete(item.mark.wordId, item.mark.bookId, left);
        lock.lock();
        inFlight_ = false;
        idle_.notify_all();
        if (!settleLocked(item.seq, result))
            return;
    }
}

void MarkSender::timerEvent(QTimerEvent* event) {
    if (event->timerId() == retry_.timerId())
        Retry();
    else
        QObject::timerEvent(event);
}
