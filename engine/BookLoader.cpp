#include "engine/BookLoader.h"

#include "engine/BookDocument.h"
#include "engine/Executor.h"
#include "platform/StartupTrace.h"
#include "service/ServiceClient.h"

#include <QLoggingCategory>

namespace {
Q_LOGGING_CATEGORY(lcLoader, "lexicarta.player")
} // namespace

BookLoader::BookLoader(ServiceClient& client, Executor& executor, QObject* parent)
    : QObject(parent), client_(client), executor_(executor),
      clear_([&client](uint32_t bookId) { return client.ClearComplete(bookId); }) {}

BookLoader::Result BookLoader::Fetch(int32_t bookId) {
    Result result;
    QString text;
    if (client_.GetBook(bookId, text) == ServiceClient::ResultFailed)
        return result; // Unreachable: whatever was loaded stays
    StartupTrace::Mark("book-fetched");
    if (text.isEmpty()) {
        result.outcome = Outcome::NoBook;
        return result;
    }
    BookDocument::Result parsed = BookDocument::Parse(text, static_cast<uint32_t>(bookId));
    if (!parsed.book) {
        // A malformed document loads nothing, and never half a book.
        qCWarning(lcLoader) << "book" << bookId << "refused:" << parsed.error;
        result.outcome = Outcome::Refused;
        return result;
    }
    result.outcome = Outcome::Loaded;
    result.book = std::move(parsed.book);
    return result;
}

void BookLoader::Start(uint32_t bookId, bool clearMarks) {
    StartupTrace::Mark("book-load-started");
    const uint64_t era = era_.load();
    executor_.Start(Executor::LoadLane, [this, bookId, clearMarks, era] {
        if (clearMarks)
            clear_(bookId); // the book is reloaded whatever the answer
        Result result = Fetch(static_cast<int32_t>(bookId));
        StartupTrace::Mark("book-loaded");
        // Decided here, while the book list waits for this task with the request set.
        result.report = result.outcome != Outcome::Loaded || !cancel_.load();
        result.era = era;
        executor_.Deliver(this, [this, result] { Q_EMIT finished(result); });
    });
}

bool BookLoader::HasTask() const {
    return executor_.Running(Executor::LoadLane) > 0;
}

void BookLoader::CancelAndWait() {
    if (!HasTask()) {
        executor_.Wait(Executor::LoadLane);
        return;
    }
    cancel_.store(true);
    executor_.Wait(Executor::LoadLane);
    cancel_.store(false);
}
