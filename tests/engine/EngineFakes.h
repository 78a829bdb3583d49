#pragma once

#include "engine/PlayerTimer.h"
#include "service/ServiceClient.h"

#include <QCoreApplication>
#include <QObject>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// A service client that answers from a script and records what it was asked, from any thread.
class FakeService : public ServiceClient {
  public:
    FakeService() : ServiceClient(QStringLiteral("http://127.0.0.1:9")) {}

    struct LogCall {
        std::string date;
        std::string content;
    };

    // --- script ---
    void SetBook(int32_t id, const QString& text, int result = ResultOk) {
        std::lock_guard lock(mutex_);
        books_[id] = {result, text.toStdString()};
    }
    void QueueLogAnswer(const std::string& answer, int result = ResultOk) {
        std::lock_guard lock(mutex_);
        logAnswers_.push_back({result, answer});
    }
    // The results of the next Complete calls, in order (afterwards: ResultOk).
    void QueueMarkResult(int result) {
        std::lock_guard lock(mutex_);
        markResults_.push_back(result);
    }
    void SetClearResult(int result) { clearResult_.store(result); }
    // Whether the sign-in's session is still the one in use (false: a transport error replaced it).
    void SetSignInSessionIntact(bool intact) { sessionIntact_.store(intact); }
    bool SignInSessionIntact() const override { return sessionIntact_.load(); }
    // FetchUrl answers with this function (default: "media:" + url).
    void SetFetch(std::function<std::pair<int, QString>(const QString&)> f) {
        std::lock_guard lock(mutex_);
        fetch_ = std::move(f);
    }
    // Every call waits this long before answering.
    void SetDelay(std::chrono::milliseconds d) { delayMs_.store(int(d.count())); }
    // FetchUrl of exactly this URL waits until Release.
    void Hold(const QString& url) {
        std::lock_guard lock(mutex_);
        held_ = url.toStdString();
        released_ = false;
    }
    void Release() {
        {
            std::lock_guard lock(mutex_);
            released_ = true;
        }
        cv_.notify_all();
    }

    // --- records ---
    std::vector<std::string> Fetched() const {
        std::lock_guard lock(mutex_);
        return fetched_;
    }
    std::vector<LogCall> Logs() const {
        std::lock_guard lock(mutex_);
        return logs_;
    }
    std::vector<std::pair<uint32_t, uint32_t>> Completed() const {
        std::lock_guard lock(mutex_);
        return completed_;
    }
    std::vector<std::string> Calls() const {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    int InFlight() const { return inFlight_.load(); }
    int FetchesInFlight() const { return fetchInFlight_.load(); }
    int Started() const { return started_.load(); }
    // Blocks until `n` calls (fetches only, with `fetches`) are running at once, woken by the workers
    // that make them; false after ten seconds.
    bool WaitForInFlight(int n, bool fetches = false) {
        std::unique_lock lock(mutex_);
        return progress_.wait_for(lock, std::chrono::seconds(10),
                                  [&] { return (fetches ? fetchInFlight_.load() : inFlight_.load()) >= n; });
    }

    // --- the client's operations ---
    int GetBook(int32_t bookId, QString& out) override {
        Call c(*this, "book:" + std::to_string(bookId));
        std::lock_guard lock(mutex_);
        const auto it = books_.find(bookId);
        if (it == books_.end())
            return ResultFailed;
        out = QString::fromStdString(it->second.second);
        return it->second.first;
    }
    // Records every mark the service accepted.
    int Complete(uint32_t wordId, uint32_t bookId,
                 std::chrono::milliseconds = std::chrono::milliseconds::zero()) override {
        Call c(*this, "complete:" + std::to_string(wordId));
        std::lock_guard lock(mutex_);
        int result = ResultOk;
        if (!markResults_.empty()) {
            result = markResults_.front();
            markResults_.pop_front();
        }
        if (result == ResultOk)
            completed_.emplace_back(wordId, bookId);
        return result;
    }
    int ClearComplete(uint32_t bookId) override {
        Call c(*this, "clear:" + std::to_string(bookId));
        return clearResult_.load();
    }
    int GetToken(QString& out) override {
        Call c(*this, "token");
        out = QStringLiteral("tok123");
        return ResultOk;
    }
    int SaveLearningLog(const QByteArray& date, const QByteArray& content, QByteArray& out,
                        std::chrono::milliseconds = std::chrono::milliseconds::zero()) override {
        Call c(*this, "log");
        std::lock_guard lock(mutex_);
        logs_.push_back({date.toStdString(), content.toStdString()});
        if (logAnswers_.empty())
            return ResultFailed;
        const auto answer = logAnswers_.front();
        logAnswers_.pop_front();
        out = QByteArray::fromStdString(answer.second);
        return answer.first;
    }
    int FetchUrl(const QString& url, QString& out) override {
        fetchInFlight_.fetch_add(1);
        notifyProgress();
        struct Done {
            std::atomic<int>& n;
            ~Done() { n.fetch_sub(1); }
        } done{fetchInFlight_};
        Call c(*this, "fetch");
        std::function<std::pair<int, QString>(const QString&)> f;
        {
            std::unique_lock lock(mutex_);
            fetched_.push_back(url.toStdString());
            cv_.wait(lock, [&] { return released_ || held_ != url.toStdString(); });
            f = fetch_;
        }
        if (!f)
            f = [](const QString& u) { return std::make_pair(int(ResultOk), QStringLiteral("media:") + u); };
        const auto answer = f(url);
        out = answer.second;
        return answer.first;
    }

  private:
    void notifyProgress() {
        std::lock_guard lock(mutex_);
        progress_.notify_all();
    }

    // Counts a call while it runs, after the configured delay.
    struct Call {
        Call(FakeService& s, std::string name) : s_(s) {
            s_.inFlight_.fetch_add(1);
            s_.started_.fetch_add(1);
            {
                std::lock_guard lock(s_.mutex_);
                s_.calls_.push_back(std::move(name));
                s_.progress_.notify_all();
            }
            if (const int ms = s_.delayMs_.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        }
        ~Call() { s_.inFlight_.fetch_sub(1); }
        FakeService& s_;
    };

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::condition_variable progress_;
    std::map<int32_t, std::pair<int, std::string>> books_;
    std::deque<std::pair<int, std::string>> logAnswers_;
    std::deque<int> markResults_;
    std::atomic<int> clearResult_{ResultOk};
    std::atomic<bool> sessionIntact_{true};
    std::function<std::pair<int, QString>(const QString&)> fetch_;
    std::string held_;
    bool released_ = true;
    std::vector<std::string> fetched_;
    std::vector<LogCall> logs_;
    std::vector<std::pair<uint32_t, uint32_t>> completed_;
    std::vector<std::string> calls_;
    std::atomic<int> delayMs_{0};
    std::atomic<int> inFlight_{0};
    std::atomic<int> fetchInFlight_{0};
    std::atomic<int> started_{0};
};

// Records what the engine shows and reports, as the player panel and the main view would see it.
class RecordingDisplay {
  public:
    struct Card {
        QString name, mean, example;
    };
    enum Report { BookReady = 1, LoadFailed = 2, NoBook = 3 };

    std::vector<std::pair<int, int>> counters; // 1-based position and total, as the counter reads
    std::vector<Card> cards;
    QStringList messages;
    std::vector<QString> images; // URLs of imageReady
    std::vector<QString> sounds; // URLs of soundReady
    std::vector<int> reports;    // load results, in order
    std::vector<PlayerTimer::BookInfo> books;
    std::vector<PlayerTimer::State> states;

    void Attach(PlayerTimer& engine) {
        QObject::connect(&engine, &PlayerTimer::cardShown, &context_,
                         [this](int position, int total, QString name, QString mean, QString example) {
                             counters.emplace_back(position + 1, total);
                             cards.push_back({name, mean, example});
                         });
        QObject::connect(&engine, &PlayerTimer::messageShown, &context_, [this](QString text) {
            counters.emplace_back(0, 0);
            messages.append(text);
        });
        QObject::connect(&engine, &PlayerTimer::imageReady, &context_,
                         [this](QString url) { images.push_back(url); });
        QObject::connect(&engine, &PlayerTimer::soundReady, &context_,
                         [this](QString url) { sounds.push_back(url); });
        QObject::connect(&engine, &PlayerTimer::bookReady, &context_,
                         [this](const PlayerTimer::BookInfo& book) {
                             reports.push_back(BookReady);
                             books.push_back(book);
                         });
        QObject::connect(&engine, &PlayerTimer::loadFailed, &context_,
                         [this] { reports.push_back(LoadFailed); });
        QObject::connect(&engine, &PlayerTimer::noBook, &context_, [this] { reports.push_back(NoBook); });
        QObject::connect(&engine, &PlayerTimer::stateChanged, &context_,
                         [this](const PlayerTimer::State& state) { states.push_back(state); });
    }

    QString LastName() const { return cards.empty() ? QString() : cards.back().name; }
    std::pair<int, int> LastCounter() const {
        return counters.empty() ? std::make_pair(-1, -1) : counters.back();
    }

  private:
    QObject context_; // the connections end with the display
};

// A book document: cards named by `names` (ids = 100 + index), optional plug-in objects as JSON text.
inline QString BookJson(const QStringList& names, const QString& sound = QString(),
                        const QString& image = QString(), const std::vector<bool>& complete = {}) {
    QString cards;
    for (int i = 0; i < names.size(); ++i) {
        const bool done = size_t(i) < complete.size() && complete[size_t(i)];
        cards += QStringLiteral("[\"%1\",\"mean %2\",\"example %2\",%3,%4],")
                     .arg(names[i])
                     .arg(i)
                     .arg(100 + i)
                     .arg(done ? 1 : 0);
    }
    QString doc = QStringLiteral("{\"title\":\"T\",");
    if (!sound.isEmpty())
        doc += QStringLiteral("\"sound_plugin\":") + sound + QLatin1Char(',');
    if (!image.isEmpty())
        doc += QStringLiteral("\"image_plugin\":") + image + QLatin1Char(',');
    doc += QStringLiteral("\"vocabularies\":[") + cards + QStringLiteral("0]}");
    return doc;
}

inline QStringList Names(int n) {
    QStringList names;
    for (int i = 0; i < n; ++i)
        names << QStringLiteral("w%1").arg(i, 4, 10, QLatin1Char('0'));
    return names;
}
