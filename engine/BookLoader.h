#pragma once

#include "engine/Book.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class Executor;
class ServiceClient;

// Fetches a book from the service and parses it, on the calling thread or as a load task on the load
// lane; clears the book's marks at the service first when asked. It touches no engine state: the
// parsed book comes back to whoever installs it.
//
// Cancelling: the book list asks a running load to report nothing when it succeeds, and waits for it.
class BookLoader : public QObject {
    Q_OBJECT

  public:
    enum class Outcome {
        Loaded,      // the book came and parsed
        NoBook,      // the service answered with an empty text
        Refused,     // the document is outside the format
        Unreachable, // the service could not deliver the book
    };
    struct Result {
        Outcome outcome = Outcome::Unreachable;
        std::shared_ptr<Book> book; // with Loaded only
        bool report = true;         // false: a successful load superseded by a newer one
        uint64_t era = 0;           // the loader's era when the task started
    };

    BookLoader(ServiceClient& client, Executor& executor, QObject* parent = nullptr);

    // Fetches and parses book `bookId` now, on the calling thread (never the GUI thread in the program).
    Result Fetch(int32_t bookId);
    // Starts a load task; with `clearMarks` it first asks the service to clear every mark of the book
    // and reloads it whatever the answer. The result is delivered by `finished`.
    void Start(uint32_t bookId, bool clearMarks);
    // A load task has been started and has not ended.
    bool HasTask() const;
    // Asks every running load task to report nothing on success, waits for them, then clears the
    // request.
    void CancelAndWait();
    bool CancelRequested() const { return cancel_.load(); }
    // Tasks started until now belong to the past (a log-out, say): their results are to be dropped,
    // however they end. Takes no time; the tasks end on their own.
    void Abandon() { era_.fetch_add(1); }
    // Whether `result` comes from a task started since the last Abandon.
    bool IsCurrent(const Result& result) const { return result.era == era_.load(); }
    // How a clear-marks load clears the marks (by default the service's ClearComplete); set before
    // the first load.
    void SetClearMarks(std::function<int(uint32_t)> clear) { clear_ = std::move(clear); }
    void SetCancel(bool on) { cancel_.store(on); }

  Q_SIGNALS:
    // On the GUI thread: a load task has ended.
    void finished(const BookLoader::Result& result);

  private:
    ServiceClient& client_;
    Executor& executor_;
    std::atomic<bool> cancel_{false};
    std::atomic<uint64_t> era_{0};
    std::function<int(uint32_t)> clear_;
};
