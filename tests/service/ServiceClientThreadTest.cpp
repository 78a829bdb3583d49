// The service client used from several threads at once, with sessions reset underneath.
#include "service/ServiceClient.h"

#include "support/DevService.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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

    DevService service;
    std::unique_ptr<ServiceClient> client;
};

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
                const int mark = client->Complete(uint32_t(1001 + (w * kRounds + i) % 60), 1);
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
            client->SetAutoSignIn(i % 2 == 0);
            client->Login(QStringLiteral("demo"), QString::fromLatin1(i % 3 ? "demo" : "wrong"));
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
