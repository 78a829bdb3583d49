#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

// The signals that ask a process to end (SIGTERM, which the end of a desktop session sends, SIGHUP and
// SIGINT), turned into a queued Qt signal on the thread that made the watcher, so that the program can
// leave through its own exit path instead of dying on the spot. One watcher at a time; its destructor
// gives the signals their default handling back.
class TerminationSignals : public QObject {
    Q_OBJECT
  public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // Whether the handlers are in place (false when another watcher exists or no pipe could be made).
    bool IsWatching() const { return notifier_ != nullptr; }

  Q_SIGNALS:
    // One of the signals arrived; `signalNumber` is the last one.
    void received(int signalNumber);

  private:
    void Drain();

    std::unique_ptr<QSocketNotifier> notifier_;
};
