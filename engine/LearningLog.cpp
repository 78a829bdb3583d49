#include "engine/LearningLog.h"

#include "engine/EngineCore.h"
#include "engine/Executor.h"
#include "service/ServiceClient.h"

#include <QTimerEvent>

#include <algorithm>

LearningLog::LearningLog(EngineCore& core, ServiceClient& client, Executor& executor, QObject* parent)
    : QObject(parent), core_(core), client_(client), executor_(executor) {}

void LearningLog::Restart() {
    // The cards of the log before that the service has not confirmed are kept, not dropped.
    Restore({[this] {
        EngineCore::LogState old = core_.RestartLog();
        return Outbox::LogEntry{std::move(old.date), std::move(old.ids)};
    }()});
    Send();
    timer_.start(kPeriodMs, this);
}

void LearningLog::Stop() {
    timer_.stop();
}

void LearningLog::Restore(const std::vector<Outbox::LogEntry>& entries) {
    std::lock_guard lock(mutex_);
    for (const Outbox::LogEntry& entry : entries) {
        if (entry.ids.empty())
            continue;
        if (entry.date.empty())
            core_.AddSeen(entry.ids); // sent under the next date the service names
        else
            backlog_.push_back({entry, nextSeq_++});
    }
}

std::vector<Outbox::LogEntry> LearningLog::Pending() const {
    std::vector<Outbox::LogEntry> entries;
    for (const Backlog& b : backlogCopy())
        entries.push_back(b.entry);
    EngineCore::LogState live = core_.UnconfirmedLog();
    if (!live.ids.empty())
        entries.push_back({std::move(live.date), std::move(live.ids)});
    return entries;
}

void LearningLog::Reset() {
    {
        std::lock_guard lock(mutex_);
        backlog_.clear();
    }
    core_.RestartLog();
}

std::vector<LearningLog::Backlog> LearningLog::backlogCopy() const {
    std::lock_guard lock(mutex_);
    return backlog_;
}

bool LearningLog::IsSending() const {
    std::lock_guard lock(mutex_);
    return sending_;
}

void LearningLog::Send() {
    {
        // Sends never overlap: an older answer applied after a newer one would undo it.
        std::lock_guard lock(mutex_);
        if (sending_)
            return;
        sending_ = true;
    }
    // What has been seen until now; the GUI thread goes on recording cards meanwhile.
    EngineCore::LogState live = core_.LogSnapshot();
    executor_.Start(Executor::LogLane, [this, backlog = backlogCopy(), live = std::move(live)] {
        finish(!sendRound(backlog, live.ids, live.date, live.epoch, std::chrono::milliseconds::zero()));
    });
}

void LearningLog::SendLast(std::chrono::steady_clock::time_point deadline) {
    {
        std::unique_lock lock(mutex_);
        if (!idle_.wait_until(lock, deadline, [this] { return !sending_; }))
            return;
        sending_ = true;
    }
    const EngineCore::LogState live = core_.LogSnapshot();
    const std::vector<Backlog> backlog = backlogCopy();
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    bool ok = backlog.empty() && core_.UnconfirmedLog().ids.empty(); // nothing to send
    if (!ok && left.count() > 0)
        ok = sendRound(backlog, live.ids, live.date, live.epoch, left);
    finish(!ok);
}

bool LearningLog::sendRound(const std::vector<Backlog>& backlog, const std::vector<uint32_t>& liveIds,
                            const std::string& liveDate, uint64_t epoch, std::chrono::milliseconds limit) {
    const auto accepted = [](int result, const QByteArray& answer) {
        // Only a date of the service's form is taken: anything else loses no card.
        return result == ServiceClient::ResultOk && IsDate(answer.trimmed());
    };
    for (const Backlog& b : backlog) {
        QByteArray answer;
        const int result = client_.SaveLearningLog(QByteArray::fromStdString(b.entry.date),
                                                   Content(b.entry.ids), answer, limit);
        if (!accepted(result, answer))
            return false; // the service is not taking anything now; the rest waits for the next send
        std::lock_guard lock(mutex_);
        std::erase_if(backlog_, [&b](const Backlog& kept) { return kept.seq == b.seq; });
    }
    QByteArray answer;
    const int result =
        client_.SaveLearningLog(QByteArray::fromStdString(liveDate), Content(liveIds), answer, limit);
    if (!accepted(result, answer))
        return false;
    // Without a date nothing but the request for one went out: no card was sent.
    core_.ConfirmLog(liveDate.empty() ? std::vector<uint32_t>() : liveIds, answer.trimmed().toStdString(),
                     epoch);
    return !liveDate.empty() || liveIds.empty();
}

void LearningLog::finish(bool failed) {
    {
        std::lock_guard lock(mutex_);
        sending_ = false;
    }
    idle_.notify_all();
    executor_.Deliver(this, [this, failed] { Q_EMIT settled(failed); });
}

bool LearningLog::IsDate(const QByteArray& answer) {
    if (answer.size() != 10)
        return false;
    for (int i = 0; i < 10; ++i) {
        const bool dash = i == 4 || i == 7;
        if (dash ? answer[i] != '-' : (answer[i] < '0' || answer[i] > '9'))
            return false;
    }
    return true;
}

QByteArray LearningLog::Content(const std::vector<uint32_t>& ids) {
    QByteArray content;
    for (uint32_t id : ids) {
        if (!content.isEmpty())
            content += ',';
        content += QByteArray::number(id);
    }
    return content;
}

void LearningLog::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer_.timerId())
        Send();
    else
        QObject::timerEvent(event);
}
