#include "platform/StartupTrace.h"

#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>

bool StartupTrace::Enabled() {
    static const bool enabled = std::getenv("LEXICARTA_STARTUP_TRACE") != nullptr;
    return enabled;
}

double StartupTrace::NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}

void StartupTrace::Mark(const char* name) {
    if (!Enabled())
        return;
    // One write a line; standard error is unbuffered.
    std::fprintf(stderr, "lexicarta-startup %s %.3f\n", name, NowMs());
}

void StartupTrace::MarkFirst(QObject* watched, QEvent::Type type, const char* name, const char* doneName) {
    if (Enabled() && watched != nullptr)
        new StartupTrace(watched, type, name, doneName);
}

StartupTrace::StartupTrace(QObject* watched, QEvent::Type type, const char* name, const char* doneName)
    : QObject(watched), type_(type), name_(name), doneName_(doneName) {
    watched->installEventFilter(this);
}

bool StartupTrace::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == type_) {
        Mark(name_);
        watched->removeEventFilter(this);
        // Runs when the event loop next turns, after the event (and for a paint, the flush).
        QTimer::singleShot(0, this, [this] {
            Mark(doneName_);
            deleteLater();
        });
    }
    return false;
}
