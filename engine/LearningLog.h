#pragma once

#include "engine/Outbox.h"

#include <QBasicTimer>
#include <QByteArray>
#include <QObject>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

class EngineCore;
class Executor;
class ServiceClient;

// The learning log: the cards seen (kept by the core as they are shown) go to the service under the
// date it hands out, once at once after a load and then every 30 seconds (timer 3), each send on the
// log lane. The service's answer becomes the date when it is one (YYYY-MM-DD); a new date starts a new
// list. Anything else (an error page of a proxy, say) is a failed send: the date and the cards stay.
// One send at a time, so that an older answer never lands after a newer one.
//
// Nothing seen is dropped before the service has confirmed it: the unconfirmed cards of a log that
// restarts (a new book) wait in a backlog under their date, together with the entries of an earlier
// session restored from the outbox, and each send carries the backlog first. A send fails when the
// service is not reached or answers with no date; `settled` tells the GUI thread after every send.
class LearningLog : public QObject {
    Q_OBJECT

  public:
    static constexpr int kTimerId = 3;
    static constexpr int kPeriodMs = 30000;

    LearningLog(EngineCore& core, ServiceClient& client, Executor& executor, QObject* parent = nullptr);

    // A book has been loaded: a new log without a date (what the old one had not confirmed waits in the
    // backlog), sent at once; timer 3 set.
    void Restart();
    // No book: timer 3 stops (a send under way ends on its own).
    void Stop();
    bool IsTimerActive() const { return timer_.isActive(); }
    // Timer 3's expiry: one send.
    void Send();

    // Entries of an earlier session of the account: dated ones join the backlog, the cards of one
    // without a date are recorded as seen now.
    void Restore(const std::vector<Outbox::LogEntry>& entries);
    // Everything not confirmed: the backlog, then the cards of the log since its last confirmed send.
    std::vector<Outbox::LogEntry> Pending() const;
    // Forgets the backlog and restarts the log (what they held went to the outbox).
    void Reset();
    // Waits for the send under way until `deadline`, then sends once more with the time left, on the
    // calling thread. Never on the GUI thread.
    void SendLast(std::chrono::steady_clock::time_point deadline);

    // The content sent with the date: the ids in unsigned decimal, joined by commas.
    static QByteArray Content(const std::vector<uint32_t>& ids);
    // Whether an answer of the service is a date of the service's form, YYYY-MM-DD.
    static bool IsDate(const QByteArray& answer);
    bool IsSending() const;

  Q_SIGNALS:
    // A send has ended; `failed`: something it carried is not confirmed.
    void settled(bool failed);

  protected:
    void timerEvent(QTimerEvent* event) override;

  private:
    struct Backlog {
        Outbox::LogEntry entry;
        uint64_t seq = 0;
    };
    // One send of the backlog and of the log as `snapshot` took it; true when all was confirmed.
    bool sendRound(const std::vector<Backlog>& backlog, const std::vector<uint32_t>& liveIds,
                   const std::string& liveDate, uint64_t epoch, std::chrono::milliseconds limit);
    void finish(bool failed);
    std::vector<Backlog> backlogCopy() const;

    EngineCore& core_;
    ServiceClient& client_;
    Executor& executor_;
    QBasicTimer timer_;

    mutable std::mutex mutex_;
    std::condition_variable idle_;
    bool sending_ = false;
    std::vector<Backlog> backlog_;
    uint64_t nextSeq_ = 1;
};
