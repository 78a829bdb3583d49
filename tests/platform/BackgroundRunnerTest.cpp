// The runner that keeps requests off the GUI thread: results come back only through the context's
// event loop, a cancel drops them and frees a worker waiting for the GUI's answer, and nothing outlives
// the runner.
#include "platform/BackgroundRunner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <vector>

namespace {

// Processes events until `done` holds; blocks on the event queue, never on a clock.
template <typename Pred> void RunEventsUntil(Pred done) {
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

TEST(BackgroundRunner, ResultsComeBackOnTheContextThreadThroughItsEventLoop) {
    QObject context;
    BackgroundRunner runner(&context);
    std::vector<int> delivered;
    QThread* workThread = nullptr;
    QThread* doneThread = nullptr;
    runner.Run<int>(
        [&] {
            workThread = QThread::currentThread();
            return 7;
        },
        [&](int value) {
            doneThread = QThread::currentThread();
            delivered.push_back(value);
        });
    runner.Join();
    EXPECT_TRUE(delivered.empty()) << "handed back before the event loop ran";
    EXPECT_NE(workThread, QThread::currentThread());
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, std::vector<int>{7});
    EXPECT_EQ(doneThread, QThread::currentThread());

    // A cancel drops what has not been handed back yet; work started after it comes back as usual.
    runner.Run<int>([] { return 1; }, [&](int value) { delivered.push_back(value); });
    runner.Join();
    runner.Cancel();
    runner.Run<int>([] { return 2; }, [&](int value) { delivered.push_back(value); });
    runner.Join();
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, (std::vector<int>{7, 2}));
}

TEST(BackgroundRunner, AskRunsTheQuestionOnTheGuiThreadAndACancelFreesTheWorker) {
    QObject context;
    BackgroundRunner runner(&context);
    std::optional<int> result;
    QThread* askedOn = nullptr;
    runner.Run<int>(
        [&] {
            const std::optional<int> answer = runner.Ask<int>([&] {
                askedOn = QThread::currentThread();
                return 41;
            });
            return answer ? *answer + 1 : -1;
        },
        [&](int value) { result = value; });
    RunEventsUntil([&] { return result.has_value(); });
    EXPECT_EQ(result, 42);
    EXPECT_EQ(askedOn, QThread::currentThread());

    // Nobody answers (the GUI thread is busy leaving): the cancel wakes the worker, which goes on
    // without an answer, and the question is never put once the event loop runs again.
    std::atomic<bool> asked{false};
    std::atomic<int> outcome{0};
    runner.Run<int>(
        [&] {
            outcome = runner.Ask<int>([&] {
                asked = true;
                return 1;
            })
                          ? 1
                          : -1;
            return 0;
        },
        [](int) {});
    // Whether the worker has asked yet or not, it gives up.
    runner.Cancel();
    runner.Join();
    EXPECT_EQ(outcome.load(), -1);
    QCoreApplication::processEvents();
    EXPECT_FALSE(asked.load());
}

TEST(BackgroundRunner, DestructionJoinsAWorkerThatWaitsForTheGui) {
    QObject context;
    std::atomic<bool> finished{false};
    {
        BackgroundRunner runner(&context);
        runner.Run<int>(
            [&] {
                runner.Ask<int>([] { return 1; });
                finished = true;
                return 0;
            },
            [](int) { ADD_FAILURE() << "a result after the runner was gone"; });
    }
    EXPECT_TRUE(finished.load());
    QCoreApplication::processEvents();
}

TEST(BackgroundRunner, AnInjectedExecutorRunsWorkWhereTheTestWants) {
    QObject context;
    BackgroundRunner runner(&context);
    std::vector<std::function<void()>> queued;
    runner.SetExecutor([&](std::function<void()> work) { queued.push_back(std::move(work)); });
    int delivered = 0;
    runner.Run<int>([] { return 5; }, [&](int value) { delivered = value; });
    EXPECT_EQ(runner.Running(), 0u);
    ASSERT_EQ(queued.size(), 1u);
    queued.front()();
    EXPECT_EQ(delivered, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 5);
}

} // namespace
