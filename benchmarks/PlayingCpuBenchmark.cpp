// Processor time of the engine while it plays: a 1,000-card book with a one-second delay, a picture
// and a pronunciation plug-in that need no network (so a picture worker and a pronunciation worker
// start for every card), the learning log against a scripted client, and a recording display.
// Reports process CPU time (user + system) over wall time; the target is under 1% of one core.
//   playing_cpu_benchmark [seconds]   (default 60)
#include "engine/EngineFakes.h"
#include "engine/PlayerTimer.h"

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;

    FakeService service;
    service.SetBook(1, BookJson(Names(1000),
                                QStringLiteral(R"({"url":"http://s/%name%","type":"wav","file_type":"wav"})"),
                                QStringLiteral(R"({"url":"http://i/%id%.png","type":"png"})")));
    for (int i = 0; i < seconds / 30 + 2; ++i)
        service.QueueLogAnswer("2024-01-01");
    RecordingDisplay display;
    PlayerTimer engine(service);
    display.Attach(engine);
    engine.SetDelayTime(1);
    if (engine.LoadBook(1) != 0)
        return 1;
    engine.WaitForWorkers(); // the prefetch of the whole book is not part of the measurement
    QCoreApplication::processEvents();

    const double cpuStart = cpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    engine.ShowCard(0);
    engine.StartPlaying();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    const double cpu = cpuSeconds() - cpuStart;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    engine.StopPlaying();

    std::printf(
        "%.1f s played, %zu cards shown, %zu pictures and %zu pronunciations reported, %zu log sends\n", wall,
        display.cards.size(), display.images.size(), display.sounds.size(), service.Logs().size());
    std::printf("CPU %.3f s over %.1f s wall: %.3f%% of one core\n", cpu, wall, 100.0 * cpu / wall);
    return 0;
}
