#pragma once

#include "engine/Book.h"

#include <QObject>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>

class EngineCore;
class Executor;
class ServiceClient;

// Resolves the pictures and pronunciations of a book's cards through its plug-ins, on the media lane:
// foreground workers for the card on display and one prefetch worker that resolves the rest of the book
// ahead. Entries live in the core; a worker writes only into the book (generation) it read from.
//
// However often the card changes, at most kWorkersPerMediaKind workers of each kind run: a display that
// comes while they are all busy is served by the first one to finish, for the card on display then.
class MediaResolver : public QObject {
    Q_OBJECT

  public:
    static constexpr int kWorkersPerMediaKind = 2;
    // With the prefetch worker, the bound on the media threads.
    static constexpr int kMaxMediaWorkers = 2 * kWorkersPerMediaKind + 1;

    MediaResolver(EngineCore& core, ServiceClient& client, Executor& executor, QObject* parent = nullptr);

    // The card on display needs its media of `kind` (GUI thread): an entry already resolved (or being
    // resolved) is reported at once, any other is resolved by a foreground worker first. Nothing
    // happens when the book has no plug-in of the kind or no card is on display.
    void Request(MediaKind kind);
    // Starts the prefetch for the book now loaded, when it has cards and a picture or pronunciation
    // plug-in. It stops by itself once the book is replaced.
    void StartPrefetch();

  Q_SIGNALS:
    // Delivered on the GUI thread after a request: the URL of the card on display at that moment (empty
    // when it is not resolved).
    void imageReady(QString url);
    void soundReady(QString url);

  private:
    void report(MediaKind kind);
    // Serves the displays of one kind until none waits.
    void foregroundWorker(MediaKind kind);
    void resolveCurrent(MediaKind kind);
    // Resolves one entry of the book of `generation`.
    void resolve(MediaKind kind, uint32_t card, uint64_t generation);

    EngineCore& core_;
    ServiceClient& client_;
    Executor& executor_;

    // Per kind: the foreground workers running (times 2) plus 1 while a display waits for one of them,
    // changed together by compare-and-swap.
    std::array<std::atomic<uint32_t>, 2> lanes_{};
    // Per kind: the book the last display asked for; a worker serves no display of another book.
    std::array<std::atomic<uint64_t>, 2> wanted_{};
};
