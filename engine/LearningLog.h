#pragma once

#include <QBasicTimer>
#include <QByteArray>
#include <QObject>

#include <atomic>
#include <cstdint>
#include <vector>

class EngineCore;
class Executor;
class ServiceClient;

// The learning log: the cards seen (kept by the core as they are shown) go to the service under the
// date it hands out, once at once after a load and then every 30 seconds (timer 3), each send on the
// log lane. The service's answer becomes the date when it is one (YYYY-MM-DD); a new date starts a new
// list. Anything else (an error page of a proxy, say) is a failed send: the date and the cards stay.
// One send at a time, so that an older answer never lands after a newer one.
class LearningLog : public QObject {
    Q_OBJECT

  public:
    static constexpr int kTimerId = 3;
    static constexpr int kPeriodMs = 30000;

    LearningLog(EngineCore& core, ServiceClient& client, Executor& executor, QObject* parent = nullptr);

    // A book has been loaded: forgets the date (and with it the cards seen), sends at once and sets
    // timer 3.
    void Restart();
    // No book: timer 3 stops (a send under way ends on its own).
    void Stop();
    bool IsTimerActive() const { return timer_.isActive(); }
    // Timer 3's expiry: one send.
    void Send();

    // The content sent with the date: the ids in unsigned decimal, joined by commas.
    static QByteArray Content(const std::vector<uint32_t>& ids);
    // Whether an answer of the service is a date of the service's form, YYYY-MM-DD.
    static bool IsDate(const QByteArray& answer);
    bool IsSending() const { return sending_.load(); }

  protected:
    void timerEvent(QTimerEvent* event) override;

  private:
    EngineCore& core_;
    ServiceClient& client_;
    Executor& executor_;
    QBasicTimer timer_;
    std::atomic<bool> sending_{false};
};
