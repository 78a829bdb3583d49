// The memorise key held down (key repeat, ~30 presses a second) for 30 s on a book of 1,200 cards
// while the reference service takes the mark requests and never answers them: threads and open
// descriptors of the process over the hold, and the time the exit takes afterwards.
// Usage: mark_hold_benchmark [hold seconds, default 30]
#include "ProcessTree.h"
#include "engine/PlayerTimer.h"
#include "service/ServiceClient.h"
#include "support/DevService.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int32_t kBook = 900;
constexpr int kCards = 1200;
constexpr int kPressMs = 33;

// The marks still waiting to be sent, where the engine keeps them in one queue (-1 otherwise).
template <class Engine> long waitingMarks(const Engine& engine) {
    if constexpr (requires { engine.PendingMarks(); })
        return long(engine.PendingMarks().size());
    return -1;
}

std::string plainBook() {
    QJsonArray list;
    for (int i = 0; i < kCards; ++i)
        list.append(QJsonArray{QStringLiteral("word%1").arg(i), QStringLiteral("뜻"), QStringLiteral("e"),
                               1001 + i, 0});
    list.append(0);
    const QJsonObject doc{{QStringLiteral("title"), QStringLiteral("암기 키")},
                          {QStringLiteral("vocabularies"), list}};
    return QJsonDocument(doc).toJson(QJsonDocument::Compact).toStdString();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    setenv("LEXICARTA_DEVSERVICE", LEXICARTA_DEVSERVICE_PATH, 0);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    DevService service;
    if (!service.IsRunning()) {
        std::fprintf(stderr, "%s\n", service.Error().c_str());
        return 1;
    }
    DevService::Fault book;
    book.path = "/application/book/" + std::to_string(kBook);
    book.status = 200;
    book.body = plainBook();
    DevService::Fault stall;
    stall.path = "/application/complete/*";
    stall.delayMs = 600000;
    auto client = std::make_unique<ServiceClient>(service.BaseUrl());
    client->OpenSession();
    if (!service.SetFault(book) || !service.SetFault(stall) ||
        client->Login(QStringLiteral("demo"), QStringLiteral("demo"), false) != ServiceClient::ResultOk) {
        std::fprintf(stderr, "the benchmark could not set up its scene\n");
        return 1;
    }
    auto engine = std::make_unique<PlayerTimer>(*client);
    // The engine shows cards only to a display: a receiver makes the presses record and move on.
    QObject display;
    QObject::connect(engine.get(), &PlayerTimer::cardShown, &display,
                     [](int, int, QString, QString, QString) {});
    if (engine->LoadBook(kBook) != 0) {
        std::fprintf(stderr, "the book did not load\n");
        return 1;
    }
    engine->ShowCard(0);
    // The load's learning-log send ends first: the counts start from the idle program.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    QCoreApplication::processEvents();
    const int threads0 = ProcessTree::OwnThreadCount();
    const int fds0 = ProcessTree::OwnDescriptorCount();
    int maxThreads = threads0;
    int maxFds = fds0;
    std::printf(
        "hold the memorise key %d s (a press every %d ms) against a stalled service: start %d threads, "
        "%d descriptors\n",
        seconds, kPressMs, threads0, fds0);
    const auto start = Clock::now();
    const int presses = seconds * 1000 / kPressMs;
    for (int press = 1; press <= presses; ++press) {
        engine->CompleteCurrent();
        QCoreApplication::processEvents();
        std::this_thread::sleep_until(start + std::chrono::milliseconds(kPressMs * press));
        maxThreads = std::max(maxThreads, ProcessTree::OwnThreadCount());
        maxFds = std::max(maxFds, ProcessTree::OwnDescriptorCount());
        if (press % (5000 / kPressMs) == 0)
            std::printf("  %4.1f s: %4d threads, %4d descriptors\n", press * kPressMs / 1000.0,
                        ProcessTree::OwnThreadCount(), ProcessTree::OwnDescriptorCount());
    }
    std::printf("  %d presses; most threads %d (+%d), most descriptors %d (+%d)\n", presses, maxThreads,
                maxThreads - threads0, maxFds, maxFds - fds0);
    std::printf("  marks waiting in the queue: %ld\n", waitingMarks(*engine));
    const auto exitStart = Clock::now();
    client->AbortAll();
    engine->ResetBook();
    engine.reset();
    client.reset();
    std::printf("  exit after the hold: %.1f ms\n",
                std::chrono::duration<double, std::milli>(Clock::now() - exitStart).count());
    return 0;
}
