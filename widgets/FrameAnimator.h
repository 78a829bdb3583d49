#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Runs the frame loop of an animated picture on a thread of its own: show a frame, wait its delay,
// dispose of it, go on with the next, and after the last start again from the first, for ever.
// What showing and disposing mean is up to the owner's hooks, which run on the animation thread and
// must not touch a widget. Start and Stop are called from one thread (the owner's); the animation
// thread is always joined, and at most one runs at a time.
class FrameAnimator {
  public:
    struct Hooks {
        std::function<void(std::size_t frame)> resume;  // once before the loop, for the frame it starts at
        std::function<void(std::size_t frame)> show;    // draw the frame
        std::function<void(std::size_t frame)> dispose; // after the frame's delay
        std::function<void()> wrap;                     // after the last frame, before the first again
    };

    FrameAnimator() = default;
    ~FrameAnimator();
    FrameAnimator(const FrameAnimator&) = delete;
    FrameAnimator& operator=(const FrameAnimator&) = delete;

    // Starts the loop at the current frame with one delay (hundredths of a second) a frame. False, and
    // nothing changes, when the loop is already running or there are no frames.
    bool Start(std::vector<int> delays, Hooks hooks);
    // Ends the loop and joins its thread; the current frame stays where the loop was, so the next
    // Start resumes there. Returns at once when nothing runs.
    void Stop();
    // The next Start begins at the first frame (only while stopped).
    void Rewind();

    bool IsPlaying() const { return playing_; }
    std::size_t CurrentFrame() const { return current_; }
    // How many animation threads were started in this object's life.
    int ThreadsStarted() const { return started_; }

    // How long a frame stays: delay x 10 ms from a delay of 5 on, 100 ms below that (a delay of 0 to 4,
    // or none at all, -1).
    static int DelayMs(int delay);

  private:
    void Run();
    bool ExitRequested();
    // Sleeps up to ms unless Stop wakes it; true when the loop must end.
    bool WaitForExit(int ms);

    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool exit_ = false; // guarded by mutex_
    std::atomic<bool> playing_{false};
    std::atomic<std::size_t> current_{0};
    std::atomic<int> started_{0};
    std::vector<int> delays_; // written only while no thread runs
    Hooks hooks_;             // likewise
};
