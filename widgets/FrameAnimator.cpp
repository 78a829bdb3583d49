#include "FrameAnimator.h"

#include <chrono>

FrameAnimator::~FrameAnimator() {
    Stop();
}

int FrameAnimator::DelayMs(int delay) {
    return delay >= 5 ? delay * 10 : 100;
}

bool FrameAnimator::Start(std::vector<int> delays, Hooks hooks) {
    if (thread_.joinable() || delays.empty())
        return false;
    delays_ = std::move(delays);
    hooks_ = std::move(hooks);
    if (current_ >= delays_.size())
        current_ = 0;
    {
        std::lock_guard lock(mutex_);
        exit_ = false;
    }
    playing_ = true;
    ++started_;
    thread_ = std::thread(&FrameAnimator::Run, this);
    return true;
}

void FrameAnimator::Stop() {
    playing_ = false;
    {
        std::lock_guard lock(mutex_);
        exit_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
    std::lock_guard lock(mutex_);
    exit_ = false;
}

void FrameAnimator::Rewind() {
    if (!thread_.joinable())
        current_ = 0;
}

bool FrameAnimator::ExitRequested() {
    std::lock_guard lock(mutex_);
    return exit_;
}

bool FrameAnimator::WaitForExit(int ms) {
    std::unique_lock lock(mutex_);
    return wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return exit_; });
}

void FrameAnimator::Run() {
    std::size_t frame = current_;
    if (hooks_.resume)
        hooks_.resume(frame);
    while (!ExitRequested()) {
        if (hooks_.show)
            hooks_.show(frame);
        if (WaitForExit(DelayMs(delays_[frame])))
            break;
        if (hooks_.dispose)
            hooks_.dispose(frame);
        if (++frame >= delays_.size()) {
            frame = 0;
            if (hooks_.wrap)
                hooks_.wrap();
        }
        current_ = frame;
    }
    playing_ = false;
}
