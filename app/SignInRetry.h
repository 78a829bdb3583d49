#pragma once

#include <QBasicTimer>
#include <QObject>

#include <chrono>
#include <functional>

class BackgroundRunner;
class ServiceClient;

// When the automatic sign-in could not reach the service: tries again on a back-off (5 s, doubling up
// to a minute), or at once when the desktop reports the network up. Each try first probes the service
// outside the session, which changes nothing, so that a sign-in by hand may run meanwhile; only when
// the service answers is `due` emitted, and the owner signs in.
class SignInRetry : public QObject {
    Q_OBJECT
  public:
    // What the owner says when a try comes: give up, ask again later (the user is typing, say), or go.
    enum class Decision { Stop, Later, Go };
    static constexpr std::chrono::seconds kFirstDelay{5};
    static constexpr std::chrono::seconds kLongestDelay{60};
    static constexpr std::chrono::seconds kProbeLimit{5};

    // The probe runs on `runner` (the owner's); `decide` is asked before and after it.
    SignInRetry(ServiceClient& client, BackgroundRunner& runner, std::function<Decision()> decide,
                QObject* parent = nullptr);

    // The automatic sign-in failed to reach the service; `again`: it was itself a retry, so the next
    // one comes later than the last.
    void Schedule(bool again);
    void Stop();
    bool IsScheduled() const { return timer_.isActive(); }
    // A try: the timer calls it, and so do tests.
    void OnDue();

  Q_SIGNALS:
    // The service answered the probe and the owner said go: sign in now.
    void due();

  protected:
    void timerEvent(QTimerEvent* event) override;

  private:
    void start(std::chrono::seconds delay);
    std::chrono::seconds longer() const;
    void watchNetwork();

    ServiceClient& client_;
    BackgroundRunner& runner_;
    std::function<Decision()> decide_;
    QBasicTimer timer_;
    std::chrono::seconds delay_ = kFirstDelay;
    bool probing_ = false;
    bool watchingNetwork_ = false;
};
