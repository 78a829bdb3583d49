// Media prefetch of a 1,000-card book whose pronunciation and picture plug-ins are both of type "url",
// against the reference service on loopback: the time from the start of the load until every one of
// the 2,000 entries is resolved (1,998 by the prefetch worker, the card on display's two by the
// foreground picture and pronunciation workers).
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

namespace {

constexpr int kCards = 1000;
constexpr int32_t kBookId = 900;

std::string bookDocument(const QString& base) {
    QJsonArray cards;
    for (int i = 0; i < kCards; ++i)
        cards.append(QJsonArray{QStringLiteral("word%1").arg(i), QStringLiteral("뜻 %1").arg(i),
                                QStringLiteral("Example %1.").arg(i), 900000 + i, 0});
    cards.append(0);
    const QString url = base + QStringLiteral("/application/plugin/picture_url/%id%?word=%name%");
    QJsonObject doc;
    doc.insert(QStringLiteral("title"), QStringLiteral("천 단어"));
    doc.insert(QStringLiteral("sound_plugin"),
               QJsonObject{{QStringLiteral("url"), url},
                           {QStringLiteral("type"), QStringLiteral("url")},
                           {QStringLiteral("file_type"), QStringLiteral("wav")}});
    doc.insert(QStringLiteral("image_plugin"),
               QJsonObject{{QStringLiteral("url"), url}, {QStringLiteral("type"), QStringLiteral("url")}});
    doc.insert(QStringLiteral("vocabularies"), cards);
    return QJsonDocument(doc).toJson(QJsonDocument::Compact).toStdString();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    setenv("LEXICARTA_DEVSERVICE", LEXICARTA_DEVSERVICE_PATH, 0);
    DevService service;
    if (!service.IsRunning()) {
        std::fprintf(stderr, "%s\n", service.Error().c_str());
        return 1;
    }
    // The service answers the book with this document.
    DevService::Fault fault;
    fault.path = "/application/book/" + std::to_string(kBookId);
    fault.status = 200;
    fault.body = bookDocument(service.BaseUrl());
    if (!service.SetFault(fault)) {
        std::fprintf(stderr, "cannot set the book document\n");
        return 1;
    }

    ServiceClient client(service.BaseUrl());
    client.OpenSession();
    if (client.Login(QStringLiteral("demo"), QStringLiteral("demo"), false) != ServiceClient::ResultOk) {
        std::fprintf(stderr, "cannot sign in\n");
        return 1;
    }
    RecordingDisplay display;
    PlayerTimer engine(client);
    display.Attach(engine);

    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    double best = 1e9, total = 0;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        if (engine.LoadBook(kBookId) != 0) {
            std::fprintf(stderr, "load failed\n");
            return 1;
        }
        const auto loaded = std::chrono::steady_clock::now();
        engine.ShowCard(0);
        engine.RequestSound();
        engine.WaitForWorkers();
        const auto end = std::chrono::steady_clock::now();
        int resolved = 0;
        for (uint32_t c = 0; c < kCards; ++c)
            resolved += (engine.SoundEntry(c).state != MediaEntry::Unresolved) +
                        (engine.ImageEntry(c).state != MediaEntry::Unresolved);
        const double ms = std::chrono::duration<double, std::milli>(end - start).count();
        const double loadMs = std::chrono::duration<double, std::milli>(loaded - start).count();
        std::printf(
            "run %d: load %.1f ms, all entries resolved after %.1f ms (%d of %d), %.3f ms per entry\n",
            run + 1, loadMs, ms, resolved, 2 * kCards, ms / (2 * kCards));
        if (resolved != 2 * kCards)
            return 1;
        best = std::min(best, ms);
        total += ms;
        QCoreApplication::processEvents();
    }
    std::printf("best %.1f ms, mean %.1f ms over %d runs\n", best, total / runs, runs);
    engine.ResetBook();
    return 0;
}
