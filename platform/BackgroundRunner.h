#pragma once

#include "platform/WorkerGroup.h"

#include <QMetaObject>
#include <QObject>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

// Runs blocking work (a request to the service) on a worker thread for an object that lives on the GUI
// thread, and hands the result back on that object's thread as a queued call, so the GUI thread never
// waits on the network. Every worker is joined, at the latest by the destructor, so the runner must go
// no later than its context (make it a member of the context).
//
// Cancel() drops every result not yet handed back and wakes the workers that wait in Ask for an answer
// from the GUI thread; work started afterwards is handed back as usual. Leaving the program first makes
// the work itself end (the service client aborts its transfers), then joins.
//
// Tests may replace how work is run (SetExecutor): an executor that runs it at once on the calling
// thread makes the hand-back one queued call that the test delivers by processing events.
class BackgroundRunner {
  public:
    using Executor = std::function<void(std::function<void()> work)>;

    explicit BackgroundRunner(QObject* context);
    ~BackgroundRunner();
    BackgroundRunner(const BackgroundRunner&) = delete;
    BackgroundRunner& operator=(const BackgroundRunner&) = delete;

    // Runs `work` on a worker; `done` gets its result on the context's thread unless Cancel() came first.
    template <typename Result> void Run(std::function<Result()> work, std::function<void(Result)> done) {
        const uint64_t generation = state_->Generation();
        auto job = [state = state_, context = context_, generation, work = std::move(work),
                    done = std::move(done)]() mutable {
            JobGeneration scope(generation);
            auto result = std::make_shared<Result>(work());
            QMetaObject::invokeMethod(
                context,
                [state, generation, result, done = std::move(done)] {
                    if (state->Generation() == generation)
                        done(std::move(*result));
                },
                Qt::QueuedConnection);
        };
        start(std::move(job));
    }

    // From a worker of this runner: runs `question` on the context's thread (a message box, say) and
    // waits for its answer. Nothing when Cancel() came first or comes while it waits.
    template <typename Answer> std::optional<Answer> Ask(std::function<Answer()> question) {
        struct Reply {
            bool given = false;
            std::optional<Answer> answer;
        };
        auto reply = std::make_shared<Reply>();
        // The generation of the work asking: a cancel that came before the question was even put
        // answers it at once.
        const uint64_t generation = JobGeneration::Current().value_or(state_->Generation());
        QMetaObject::invokeMethod(
            context_,
            [state = state_, generation, reply, question = std::move(question)] {
                std::optional<Answer> answer;
                if (state->Generation() == generation)
                    answer = question();
                std::lock_guard lock(state->mutex);
                reply->answer = std::move(answer);
                reply->given = true;
                state->changed.notify_all();
            },
            Qt::QueuedConnection);
        std::unique_lock lock(state_->mutex);
        state_->changed.wait(lock, [&] { return reply->given || state_->generation != generation; });
        if (state_->generation != generation)
            return std::nullopt;
        return reply->answer;
    }

    // Results not yet handed back are dropped; workers waiting in Ask go on without an answer.
    void Cancel();
    // Waits for every worker started so far.
    void Join();
    // Workers that have not finished their work yet.
    size_t Running() const { return workers_.Running(); }

    void SetExecutor(Executor executor) { executor_ = std::move(executor); }

  private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        uint64_t generation = 0;
        uint64_t Generation() {
            std::lock_guard lock(mutex);
            return generation;
        }
    };

    // The generation of the work running on this thread, while it runs.
    class JobGeneration {
      public:
        explicit JobGeneration(uint64_t generation) : previous_(current_) { current_ = generation; }
        ~JobGeneration() { current_ = previous_; }
        JobGeneration(const JobGeneration&) = delete;
        JobGeneration& operator=(const JobGeneration&) = delete;
        static std::optional<uint64_t> Current() { return current_; }

      private:
        std::optional<uint64_t> previous_;
        static thread_local std::optional<uint64_t> current_;
    };

    void start(std::function<void()> job);

    QObject* context_;
    std::shared_ptr<State> state_ = std::make_shared<State>();
    Executor executor_;
    WorkerGroup workers_;
};
