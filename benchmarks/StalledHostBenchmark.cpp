// The program against hosts that accept requests and never answer, on the reference service over
// loopback, with the client's default time limits:
//  1. a request on the GUI thread that fails (dropped connection) while six worker exchanges stall:
//     how long the failing call takes;
//  2. "다음" held for 30 s (one Next every 50 ms, as the button repeats) on a book of 1,000 cards
//     whose picture plug-in host is silent: threads and resident memory of the process over the hold;
//  3. leaving the program with picture, pronunciation, prefetch, marking and learning-log workers
//     stalled: the time from the start of the exit until the engine and the client are gone.
// Usage: stalled_host_benchmark [hold seconds, default 30]
#include "ProcessTree.h"
#include "engine/EngineFakes.h"
#include "engine/PlayerTimer.h"
#include "service/ServiceClient.h"
#include "support/DevService.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSilentMs = 600000;
constexpr int32_t kHoldBook = 900;
int holdSeconds = 30;
constexpr int32_t kExitBook = 901;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

// The exit call where the client has one; the same program measures the code before it existed.
template <class Client> void abortAll(Client& client) {
    if constexpr (requires { client.AbortAll(); })
        client.AbortAll();
}

bool silence(DevService& service, const std::string& path) {
    DevService::Fault f;
    f.path = path;
    f.delayMs = kSilentMs;
    return service.SetFault(f);
}

std::unique_ptr<ServiceClient> signedIn(DevService& service) {
    auto client = std::make_unique<ServiceClient>(service.BaseUrl());
    client->OpenSession();
    if (client->Login(QStringLiteral("demo"), QStringLiteral("demo"), false) != ServiceClient::ResultOk)
        return nullptr;
    return client;
}

bool waitForRequests(DevService& service, const std::string& prefix, size_t n) {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (service.RequestsTo(prefix).size() < n) {
        if (Clock::now() > deadline)
            return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

int guiRequestWhileWorkersStall(DevService& service) {
    auto client = signedIn(service);
    if (!client || !silence(service, "/application/plugin/picture_url/*"))
        return 1;
    std::vector<std::thread> workers;
    for (int i = 0; i < 6; ++i)
        workers.emplace_back([&client, &service, i] {
            QString text;
            client->FetchUrl(service.BaseUrl() + QStringLiteral("/application/plugin/picture_url/%1").arg(i),
                             text);
        });
    if (!waitForRequests(service, "/application/plugin/picture_url/", 6))
        return 1;
    DevService::Fault drop;
    drop.path = "/application/library";
    drop.drop = true;
    service.SetFault(drop);
    QString text;
    const auto start = Clock::now();
    const int result = client->GetLibrary(text);
    std::printf("failing GUI-thread request with 6 stalled exchanges: %.1f ms (result %d)\n", msSince(start),
                result);
    abortAll(*client);
    for (auto& t : workers)
        t.join();
    return 0;
}

// A book of `cards` cards whose picture (and, with `sound`, pronunciation) comes through a "url"
// plug-in on the reference service.
std::string pluginBook(const QString& base, int cards, bool sound) {
    QJsonArray list;
    for (int i = 0; i < cards; ++i)
        list.append(QJsonArray{QStringLiteral("word%1").arg(i), QStringLiteral("뜻 %1").arg(i),
                               QStringLiteral("Example %1.").arg(i), 1001 + i, 0});
    list.append(0);
    const QString url = base + QStringLiteral("/application/plugin/picture_url/%id%?word=%name%");
    QJsonObject doc;
    doc.insert(QStringLiteral("title"), QStringLiteral("멈춘 호스트"));
    if (sound)
        doc.insert(QStringLiteral("sound_plugin"),
                   QJsonObject{{QStringLiteral("url"), url},
                               {QStringLiteral("type"), QStringLiteral("url")},
                               {QStringLiteral("file_type"), QStringLiteral("wav")}});
    doc.insert(QStringLiteral("image_plugin"),
               QJsonObject{{QStringLiteral("url"), url}, {QStringLiteral("type"), QStringLiteral("url")}});
    doc.insert(QStringLiteral("vocabularies"), list);
    return QJsonDocument(doc).toJson(QJsonDocument::Compact).toStdString();
}

bool serveBook(DevService& service, int32_t id, const std::string& document) {
    DevService::Fault book;
    book.path = "/application/book/" + std::to_string(id);
    book.status = 200;
    book.body = document;
    return service.SetFault(book);
}

int holdNext(DevService& service) {
    const int seconds = holdSeconds;
    auto client = signedIn(service);
    if (!client || !serveBook(service, kHoldBook, pluginBook(service.BaseUrl(), 1000, false)) ||
        !silence(service, "/application/plugin/picture_url/*"))
        return 1;
    RecordingDisplay display;
    auto engine = std::make_unique<PlayerTimer>(*client);
    display.Attach(*engine);
    if (engine->LoadBook(kHoldBook) != 0)
        return 1;
    engine->ShowCard(0);
    const int threads0 = ProcessTree::OwnThreadCount();
    const long rss0 = residentKiB();
    int maxThreads = threads0;
    long maxRss = rss0;
    std::printf("hold \"다음\" %d s against a silent picture host: start %d threads, %ld KiB resident\n",
                seconds, threads0, rss0);
    const auto start = Clock::now();
    for (int step = 1; step <= seconds * 20; ++step) {
        engine->Next();
        QCoreApplication::processEvents();
        std::this_thread::sleep_until(start + std::chrono::milliseconds(50 * step));
        maxThreads = std::max(maxThreads, ProcessTree::OwnThreadCount());
        maxRss = std::max(maxRss, residentKiB());
        if (step % 100 == 0)
            std::printf("  %4.1f s: %4d threads, %7ld KiB resident\n", step / 20.0,
                        ProcessTree::OwnThreadCount(), residentKiB());
    }
    // (The service is not asked how many requests reached it: with every handler thread of it waiting,
    // it would not answer either.)
    std::printf("  most threads %d (+%d), most resident %ld KiB (+%ld KiB)\n", maxThreads,
                maxThreads - threads0, maxRss, maxRss - rss0);
    const auto exitStart = Clock::now();
    abortAll(*client);
    engine->ResetBook();
    engine.reset();
    client.reset();
    std::printf("  exit after the hold: %.1f ms\n", msSince(exitStart));
    return 0;
}

int exitWithStalledWorkers(DevService& service) {
    auto client = signedIn(service);
    if (!client || !serveBook(service, kExitBook, pluginBook(service.BaseUrl(), 20, true)) ||
        !silence(service, "/application/plugin/picture_url/*") ||
        !silence(service, "/application/complete/*") || !silence(service, "/application/save_learning_log"))
        return 1;
    service.ClearRequests();
    RecordingDisplay display;
    auto engine = std::make_unique<PlayerTimer>(*client);
    display.Attach(*engine);
    if (engine->LoadBook(kExitBook) != 0) // starts the prefetch and the first learning-log send
        return 1;
    engine->ShowCard(0);       // the picture worker
    engine->RequestSound();    // the pronunciation worker
    engine->CompleteCurrent(); // the marking worker
    if (!waitForRequests(service, "/application/plugin/picture_url/", 3) ||
        !waitForRequests(service, "/application/complete/", 1) ||
        !waitForRequests(service, "/application/save_learning_log", 1))
        return 1;
    const auto start = Clock::now();
    abortAll(*client);
    engine->ResetBook();
    engine.reset();
    client.reset();
    std::printf(
        "exit with stalled picture, pronunciation, prefetch, marking and learning-log workers: %.1f ms\n",
        msSince(start));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    setenv("LEXICARTA_DEVSERVICE", LEXICARTA_DEVSERVICE_PATH, 0);
    if (argc > 1)
        holdSeconds = std::max(1, std::atoi(argv[1]));
    // A fresh service for each scene: requests it never answers keep its handler threads busy.
    for (int (*scene)(DevService&) : {&guiRequestWhileWorkersStall, &holdNext, &exitWithStalledWorkers}) {
        DevService service;
        if (!service.IsRunning()) {
            std::fprintf(stderr, "%s\n", service.Error().c_str());
            return 1;
        }
        if (scene(service) != 0) {
            std::fprintf(stderr, "the benchmark could not set up its scene\n");
            return 1;
        }
    }
    return 0;
}
