#include "engine/MediaResolver.h"

#include "engine/EngineCore.h"
#include "engine/Executor.h"
#include "engine/MediaUrlTemplate.h"
#include "service/ServiceClient.h"

MediaResolver::MediaResolver(EngineCore& core, ServiceClient& client, Executor& executor, QObject* parent)
    : QObject(parent), core_(core), client_(client), executor_(executor) {}

void MediaResolver::Request(MediaKind kind) {
    // An entry that needs no fetch is claimed and reported at once, without a worker, so a stalled
    // host never holds back a picture or pronunciation that is known already.
    const EngineCore::Claim claim = core_.ClaimCurrent(kind, true);
    if (!claim.found)
        return;
    if (claim.claimed) {
        report(kind);
        return;
    }
    wanted_[size_t(kind)].store(claim.generation);
    std::atomic<uint32_t>& lane = lanes_[size_t(kind)];
    uint32_t state = lane.load();
    for (;;) {
        const uint32_t running = state >> 1;
        // Every worker of the kind is busy (a slow host): the first to finish takes the card on display.
        const bool start = running < uint32_t(kWorkersPerMediaKind);
        const uint32_t next = start ? ((running + 1) << 1) | 1u : state | 1u;
        if (lane.compare_exchange_weak(state, next)) {
            if (start)
                executor_.Start(Executor::MediaLane, [this, kind] { foregroundWorker(kind); });
            return;
        }
    }
}

void MediaResolver::foregroundWorker(MediaKind kind) {
    std::atomic<uint32_t>& lane = lanes_[size_t(kind)];
    for (;;) {
        uint32_t state = lane.load();
        for (;;) {
            if ((state & 1u) == 0) {
                if (lane.compare_exchange_weak(state, state - 2))
                    return; // nobody waits: this worker ends
                continue;
            }
            if (lane.compare_exchange_weak(state, state & ~1u))
                break; // takes the waiting display
        }
        resolveCurrent(kind);
    }
}

// Claims the entry of the card on display now (not when the worker was started) and resolves it
// unless it is resolved or claimed already, then reports.
void MediaResolver::resolveCurrent(MediaKind kind) {
    const EngineCore::Claim claim = core_.ClaimCurrent(kind, false, wanted_[size_t(kind)].load());
    if (!claim.found)
        return;
    if (claim.prior == MediaEntry::Unresolved)
        resolve(kind, claim.card, claim.generation);
    report(kind);
}

void MediaResolver::report(MediaKind kind) {
    executor_.Deliver(this, [this, kind] {
        // The card on display when the report arrives, which may not be the one resolved.
        const QString url = core_.CurrentUrl(kind);
        if (kind == MediaKind::Image)
            Q_EMIT imageReady(url);
        else
            Q_EMIT soundReady(url);
    });
}

void MediaResolver::resolve(MediaKind kind, uint32_t card, uint64_t generation) {
    MediaPlugin plugin;
    Vocabulary vocabulary;
    if (!core_.ResolutionInput(kind, card, generation, plugin, vocabulary))
        return;
    // Expansion and the fetch run outside the core's mutex.
    QString url = MediaUrlTemplate::Expand(plugin.url, card, vocabulary);
    bool ok = true;
    if (plugin.type == QLatin1String("url")) {
        QString fetched;
        // Only an answer counts: a request that failed is tried again on a later display or pass.
        ok = client_.FetchUrl(url, fetched) == ServiceClient::ResultOk;
        url = fetched;
    }
    core_.StoreResolution(kind, card, generation, ok, url);
}

void MediaResolver::StartPrefetch() {
    const EngineCore::PrefetchPlan plan = core_.PlanPrefetch();
    if (!plan.due)
        return;
    executor_.Start(Executor::MediaLane, [this, plan] {
        // Resolves the whole book ahead in document order, from the card on display; a pass restarts
        // after the card on display whenever a foreground worker had to resolve its own entry.
        const uint32_t n = plan.cards;
        uint32_t a = plan.shown;
        for (uint32_t i = 0; i < n; ++i) {
            const EngineCore::PrefetchCursor cursor = core_.StepPrefetch(plan.generation);
            if (!cursor.valid)
                break; // another book, or every card has been marked
            if (cursor.restart) {
                a = cursor.shown + 1 == n ? 0 : cursor.shown + 1;
                i = 0;
            }
            if (a != cursor.shown) { // the card on display is left to the foreground workers
                if (plan.has_sound && core_.IsUnresolved(MediaKind::Sound, a, plan.generation))
                    resolve(MediaKind::Sound, a, plan.generation);
                // Asked again after the sound: a replaced book waits for one slow fetch only, not two.
                if (plan.has_image && core_.IsUnresolved(MediaKind::Image, a, plan.generation))
                    resolve(MediaKind::Image, a, plan.generation);
            }
            a = a + 1 == n ? 0 : a + 1;
        }
    });
}
