#pragma once

#include <QEvent>
#include <QObject>

// An opt-in trace of the program's start: with the environment variable LEXICARTA_STARTUP_TRACE set,
// each mark writes one line "lexicarta-startup <name> <ms>" to standard error, where ms is the
// monotonic clock (CLOCK_MONOTONIC) in milliseconds, so that whoever started the process can set the
// lines against its own clock. Without the variable nothing is written. Mark is safe from any thread.
class StartupTrace : public QObject {
    Q_OBJECT
  public:
    static bool Enabled();
    static void Mark(const char* name);
    // Marks the first event of `type` that reaches `watched` (its first paint, say) when it arrives,
    // and `doneName` once it has been handled and the event loop turns again (for a paint: once the
    // window's contents have gone to the screen); nothing when the trace is off. The watcher goes with
    // that event or with `watched`.
    static void MarkFirst(QObject* watched, QEvent::Type type, const char* name, const char* doneName);
    // The monotonic clock in milliseconds, as the trace writes it.
    static double NowMs();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    StartupTrace(QObject* watched, QEvent::Type type, const char* name, const char* doneName);

    QEvent::Type type_;
    const char* name_;
    const char* doneName_;
};
