// The service client used from several threads at once, with sessions reset underneath.
#include "service/ServiceClient.h"

#include "support/DevService.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace {

class ServiceClientThreadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(service.IsRunning()) << service.Error();
        client = std::make_unique<ServiceClient>(service.BaseUrl());
        client->OpenSession();
        ASSERT_EQ(client->Login(QStringLiteral("demo"), QStringLiteral("demo")), ServiceClient::ResultOk);
    }

    QString pictureUrl() const {
        return service.BaseUrl() + QStringLiteral("/application/plugin/picture_url/1?word=cat");
    }

    // Requests to these paths are taken and never answered until ClearFaults.
    void Silence(const std::vector<std::string>& paths) {
        for (const std::string& path : paths) {
            DevService::Fault f;
            f.path = path;
            f.delayMs = 600000;
            ASSERT_TRUE(service.SetFault(f));
        }
    }
    // Runs each call on a thread of its own; `results` receives their outcomes as they end.
    void StartStalled(const std::vector<std::function<int()>>& calls) {
        results = std::vector<std::atomic<int>>(calls.size());
        for (auto& r : results)
            r = -1;
        for (size_t i = 0; i < calls.size(); ++i)
            stalled.emplace_back([this, i, call = calls[i]] {
                results[i] = call();
                ++ended;
            });
    }
    bool WaitForRequests(size_t n) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (service.Requests().size() < n) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }
    void JoinAll() {
        for (auto& t : stalled)
            t.join();
        stalled.clear();
    }

    DevService service;
    std::unique_ptr<ServiceClient> client;
    std::vector<std::thread> stalled;
    std::vector<std::atomic<int>> results;
    std::atomic<int> ended{0};
};

TEST_F(ServiceClientThreadTest, AFailingRequestNeverWaitsForStalledExchanges) {
    // Six worker exchanges stall at a silent host on the signed-in session; one is a sign-in whose
    // late answer sets a cookie there.
    Silence({"/application/plugin/picture_url/*", "/application/login"});
    std::vector<std::function<int()>> calls;
    for (int i = 0; i < 5; ++i)
        calls.push_back([this] {
            QString text;
            return client->FetchUrl(pictureUrl(), text);
        });
    calls.push_back([this] { return client->Login(QStringLiteral("demo"), QStringLiteral("demo")); });
    service.ClearRequests();
    StartStalled(calls);
    ASSERT_TRUE(WaitForRequests(6));

    // A request on this thread fails: it replaces the session and returns while the six still wait.
    // A cut answer rather than a dropped connection: libcurl quietly retries a request whose reused
    // connection was closed before any answer, and this thread's connection is kept from SetUp.
    DevService::Fault cut;
    cut.path = "/application/library";
    cut.truncate = true;
    cut.times = 1;
    ASSERT_TRUE(service.SetFault(cut));
    LogCapture log;
    QString text;
    EXPECT_EQ(client->GetLibrary(text), ServiceClient::ResultFailed);
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(log.Lines().size(), 1);
    EXPECT_TRUE(client->HasSession());

    // The host recovers: the six finish on the session they started with.
    ASSERT_TRUE(service.ClearFaults());
    JoinAll();
    for (const auto& r : results)
        EXPECT_EQ(r, ServiceClient::ResultOk);
    // Later exchanges run on the fresh session, which got none of the old one's cookies.
    service.ClearRequests();
    EXPECT_EQ(client->GetLibrary(text), ServiceClient::ResultFailed);
    const auto requests = service.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_FALSE(requests[0].HasHeader("Cookie"));
}

TEST_F(ServiceClientThreadTest, ALateTransportErrorKeepsTheSessionThatReplacedItsOwn) {
    client->SetTimeouts(std::chrono::milliseconds(5000), std::chrono::seconds(1));
    Silence({"/application/update"});
    service.ClearRequests();
    StartStalled({[this] {
        QString text;
        return client->GetUpdate(text);
    }});
    ASSERT_TRUE(WaitForRequests(1));
    client->ResetSession();
    ASSERT_EQ(client->Login(QStringLiteral("demo"), QStringLiteral("demo")), ServiceClient::ResultOk);

    // The old session's exchange ends at its stall limit; the fresh session and its sign-in stay.
    JoinAll();
    EXPECT_EQ(results[0], ServiceClient::ResultFailed);
    QString text;
    EXPECT_EQ(client->GetLibrary(text), ServiceClient::ResultOk);
}

TEST_F(ServiceClientThreadTest, AbortAllEndsRunningAndLaterTransfers) {
    Silence({"/application/plugin/picture_url/*", "/application/complete/*", "/application/save_learning_log",
             "/application/installer/*"});
    QTemporaryDir dir;
    const QString installer = dir.filePath(QStringLiteral("setup.run"));
    service.ClearRequests();
    StartStalled({[this] {
                      QString text;
                      return client->FetchUrl(pictureUrl(), text);
                  },
                  [this] { return client->Complete(1001, 1); },
                  [this] {
                      QByteArray date;
                      return client->SaveLearningLog("2024-01-01", "1001", date);
                  },
                  [this, installer] {
                      return client->DownloadFile(
                          installer,
                          service.BaseUrl() +
                              QStringLiteral("/application/installer/lexicarta-desktop-9-setup.run"));
                  }});
    ASSERT_TRUE(WaitForRequests(4));

    LogCapture log;
    client->AbortAll();
    JoinAll();
    for (const auto& r : results)
        EXPECT_EQ(r, ServiceClient::ResultFailed);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    // Ended by the abort, not by a time limit: no debug line, no session reset, still signed in.
    EXPECT_TRUE(log.Lines().isEmpty());
    EXPECT_TRUE(client->HasSession());
    EXPECT_TRUE(client->IsSignedIn());

    // Later transfers end at once without sending anything.
    service.ClearRequests();
    QString text;
    EXPECT_EQ(client->GetLibrary(text), ServiceClient::ResultFailed);
    EXPECT_EQ(client->GetToken(text), ServiceClient::ResultNoRequest);
    EXPECT_EQ(client->Login(QStringLiteral("demo"), QStringLiteral("demo")), ServiceClient::ResultFailed);
    EXPECT_EQ(client->DownloadFile(installer, service.BaseUrl() + QStringLiteral("/application/installer/x")),
              ServiceClient::ResultFailed);
    EXPECT_TRUE(service.Requests().empty());
    EXPECT_TRUE(log.Lines().isEmpty());
}

TEST_F(ServiceClientThreadTest, ExchangesRunWhileAnotherThreadResetsTheSession) {
    constexpr int kWorkers = 6;
    constexpr int kRounds = 15;
    std::atomic<int> fetched{0};
    std::atomic<int> unexpected{0};
    std::atomic<bool> working{true};

    std::thread resetter([&] {
        while (working) {
            client->ResetSession();
            client->OpenSession();
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
    });
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; i < kRounds; ++i) {
                QString text;
                if (client->FetchUrl(pictureUrl(), text) == ServiceClient::ResultOk && text.endsWith(".svg"))
                    ++fetched;
                // These need the signed-in cookie, which a reset may have taken away.
                const int library = client->GetLibrary(text);
                // A mark without the cookie is answered, and refused.
                int mark = client->Complete(uint32_t(1001 + (w * kRounds + i) % 60), 1);
                if (mark == ServiceClient::ResultRefused)
                    mark = ServiceClient::ResultFailed;
                QByteArray date;
                const int log = client->SaveLearningLog(QByteArray(), QByteArray(), date);
                for (int r : {library, mark, log})
                    if (r != ServiceClient::ResultOk && r != ServiceClient::ResultFailed)
                        ++unexpected;
            }
        });
    }
    for (auto& t : workers)
        t.join();
    working = false;
    resetter.join();

    EXPECT_EQ(fetched, kWorkers * kRounds);
    EXPECT_EQ(unexpected, 0);
    EXPECT_TRUE(client->HasSession());
}

TEST_F(ServiceClientThreadTest, TransportErrorsOnSeveralThreadsEachStartAFreshSession) {
    DevService::Fault drop;
    drop.path = "/application/update";
    drop.drop = true;
    ASSERT_TRUE(service.SetFault(drop));

    std::atomic<int> failed{0};
    std::atomic<int> fetched{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 5; ++i) {
                QString text;
                if (client->GetUpdate(text) == ServiceClient::ResultFailed)
                    ++failed;
                if (client->FetchUrl(pictureUrl(), text) == ServiceClient::ResultOk)
                    ++fetched;
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(failed, 20);
    EXPECT_EQ(fetched, 20);
    EXPECT_TRUE(client->HasSession());
}

TEST_F(ServiceClientThreadTest, SignInStateIsReadWhileAWorkerSignsIn) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < 10; ++i) {
            client->Login(QStringLiteral("demo"), QString::fromLatin1(i % 3 ? "demo" : "wrong"), i % 2 == 0);
        }
        done = true;
    });
    int reads = 0;
    while (!done) {
        const bool signedIn = client->IsSignedIn();
        const QString token = client->Token();
        const int32_t book = client->StartBookId();
        EXPECT_TRUE(book == 0 || book == 1);
        EXPECT_TRUE(token.isEmpty() || token.size() == 32);
        (void)signedIn;
        ++reads;
    }
    worker.join();
    EXPECT_GT(reads, 0);
}

} // namespace
