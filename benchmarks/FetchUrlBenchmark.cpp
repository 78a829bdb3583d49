// 1,000 FetchUrl calls one after another against the reference service on loopback, as the media
// prefetch worker makes them: connections kept open between calls against a fresh connection per call.
#include "service/ServiceClient.h"
#include "support/DevService.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kCalls = 1000;

DevService* service = nullptr;

void fetchSequentially(benchmark::State& state, bool reuse) {
    ServiceClient client(service->BaseUrl());
    client.OpenSession();
    client.SetConnectionReuse(reuse);
    const QString url = service->BaseUrl() + QStringLiteral("/application/plugin/picture_url/1?word=apple");
    for (auto _ : state) {
        for (int i = 0; i < kCalls; ++i) {
            QString text;
            if (client.FetchUrl(url, text) != ServiceClient::ResultOk) {
                state.SkipWithError("FetchUrl failed");
                return;
            }
            benchmark::DoNotOptimize(text);
        }
    }
    state.SetItemsProcessed(state.iterations() * kCalls);
}

void BM_FetchUrlReusedConnection(benchmark::State& state) {
    fetchSequentially(state, true);
}
void BM_FetchUrlFreshConnection(benchmark::State& state) {
    fetchSequentially(state, false);
}

BENCHMARK(BM_FetchUrlReusedConnection)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FetchUrlFreshConnection)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    setenv("LEXICARTA_DEVSERVICE", LEXICARTA_DEVSERVICE_PATH, 0);
    DevService running;
    if (!running.IsRunning()) {
        std::fprintf(stderr, "%s\n", running.Error().c_str());
        return 1;
    }
    service = &running;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
