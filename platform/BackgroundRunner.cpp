#include "platform/BackgroundRunner.h"

thread_local std::optional<uint64_t> BackgroundRunner::JobGeneration::current_;

BackgroundRunner::BackgroundRunner(QObject* context) : context_(context) {}

BackgroundRunner::~BackgroundRunner() {
    Cancel();
    workers_.JoinAll();
}

void BackgroundRunner::start(std::function<void()> job) {
    if (executor_) {
        executor_(std::move(job));
        return;
    }
    workers_.Start(std::move(job));
}

void BackgroundRunner::Cancel() {
    {
        std::lock_guard lock(state_->mutex);
        ++state_->generation;
    }
    state_->changed.notify_all();
}

void BackgroundRunner::Join() {
    workers_.JoinAll();
}
