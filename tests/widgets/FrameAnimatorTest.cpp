#include "widgets/FrameAnimator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Records the hooks' calls as "r0", "s0", "d0", "w" in the order they happen.
class Recorder {
  public:
    FrameAnimator::Hooks Hooks() {
        return {[this](std::size_t i) { Add("r" + std::to_string(i)); },
                [this](std::size_t i) { Add("s" + std::to_string(i)); },
                [this](std::size_t i) { Add("d" + std::to_string(i)); }, [this] { Add("w"); }};
    }
    std::vector<std::string> Calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    // Waits (up to 10 s) until at least n calls were made.
    bool WaitFor(std::size_t n) {
        const auto end = Clock::now() + 10s;
        while (Clock::now() < end) {
            if (Calls().size() >= n)
                return true;
            std::this_thread::sleep_for(2ms);
        }
        return false;
    }

  private:
    void Add(std::string call) {
        std::lock_guard lock(mutex_);
        calls_.push_back(std::move(call));
    }
    std::mutex mutex_;
    std::vector<std::string> calls_;
};

TEST(FrameAnimator, FrameDelays) {
    EXPECT_EQ(FrameAnimator::DelayMs(-1), 100); // no delay given
    EXPECT_EQ(FrameAnimator::DelayMs(0), 100);
    EXPECT_EQ(FrameAnimator::DelayMs(3), 100);
    EXPECT_EQ(FrameAnimator::DelayMs(4), 100);
    EXPECT_EQ(FrameAnimator::DelayMs(5), 50);
    EXPECT_EQ(FrameAnimator::DelayMs(12), 120);
}

TEST(FrameAnimator, ShowsDisposesAndWrapsAroundForEver) {
    Recorder recorder;
    FrameAnimator animator;
    ASSERT_TRUE(animator.Start({5, 5, 5}, recorder.Hooks()));
    EXPECT_TRUE(animator.IsPlaying());
    ASSERT_TRUE(recorder.WaitFor(12));
    animator.Stop();
    EXPECT_FALSE(animator.IsPlaying());
    const std::vector<std::string> expected = {"r0", "s0", "d0", "s1", "d1", "s2",
                                               "d2", "w",  "s0", "d0", "s1", "d1"};
    const auto calls = recorder.Calls();
    ASSERT_GE(calls.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 12), expected);
}

TEST(FrameAnimator, OneThreadAtATime) {
    Recorder recorder;
    FrameAnimator animator;
    EXPECT_FALSE(animator.Start({}, recorder.Hooks()));
    ASSERT_TRUE(animator.Start({5, 5}, recorder.Hooks()));
    EXPECT_FALSE(animator.Start({5, 5}, recorder.Hooks()));
    EXPECT_FALSE(animator.Start({5, 5}, recorder.Hooks()));
    EXPECT_EQ(animator.ThreadsStarted(), 1);
    animator.Stop();
    animator.Stop(); // stopping twice is harmless
    ASSERT_TRUE(animator.Start({5, 5}, recorder.Hooks()));
    EXPECT_EQ(animator.ThreadsStarted(), 2);
}

TEST(FrameAnimator, StopWakesALongWaitAndResumesAtTheSameFrame) {
    Recorder recorder;
    FrameAnimator animator;
    // The second frame stays 100 s; Stop must not wait for it.
    ASSERT_TRUE(animator.Start({5, 10000, 5}, recorder.Hooks()));
    ASSERT_TRUE(recorder.WaitFor(4)); // r0 s0 d0 s1
    const auto before = Clock::now();
    animator.Stop();
    EXPECT_LT(Clock::now() - before, 2s);
    EXPECT_EQ(animator.CurrentFrame(), 1u);
    EXPECT_EQ(recorder.Calls().size(), 4u); // stopped during the wait: no dispose

    ASSERT_TRUE(animator.Start({5, 10000, 5}, recorder.Hooks()));
    ASSERT_TRUE(recorder.WaitFor(6));
    animator.Stop();
    const auto calls = recorder.Calls();
    EXPECT_EQ(calls[4], "r1");
    EXPECT_EQ(calls[5], "s1");

    animator.Rewind();
    EXPECT_EQ(animator.CurrentFrame(), 0u);
}

TEST(FrameAnimator, DestructionEndsTheThread) {
    Recorder recorder;
    {
        FrameAnimator animator;
        ASSERT_TRUE(animator.Start({10000}, recorder.Hooks()));
        ASSERT_TRUE(recorder.WaitFor(2));
    }
    EXPECT_EQ(recorder.Calls().size(), 2u);
}

} // namespace
