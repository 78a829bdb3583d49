#pragma once

#include "engine/Book.h"
#include "engine/BookLoader.h"
#include "engine/EngineCore.h"
#include "engine/LearningLog.h"
#include "engine/MarkSender.h"
#include "engine/MediaResolver.h"
#include "engine/Outbox.h"
#include "engine/PlayClock.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

class Executor;
class ServiceClient;

// The playback engine, as the panels and the main view see it: the loaded book, the card on display,
// playing and its timers (1: one-second countdown, 2: 200 ms pronunciation delay, 3: 30-second
// learning log), the orders, the marks and the media of the card on display.
//
// It puts together parts that each have one job: the core (EngineCore: the book, orders, position,
// media entries and cards seen, under one mutex), the play clock (timers 1 and 2), the media resolver
// (picture and pronunciation workers, prefetch), the book loader (fetch, parse, clear marks, cancel),
// the learning log (timer 3 and its sends) and the mark sender (the marks in order, timer 4 for the
// back-off of a failed send). Parts report to the facade by signal or return value; the facade reports
// by the signals below, each with its data. While an account is open, what the service has not
// confirmed is kept in that account's outbox whenever a send fails, and at log-out and exit.
//
// Everything here runs on the GUI thread, the engine's thread. Background work runs on the executor
// given at construction; its results come back to the GUI thread as queued calls.
class PlayerTimer : public QObject {
    Q_OBJECT

  public:
    // LoadBook's result when the service could not deliver the book or the document is unusable.
    static constexpr int E_FAIL = static_cast<int>(0x80004005u);

    enum TimerId : int {
        CountdownTimer = PlayClock::CountdownTimer,
        SoundTimer = PlayClock::SoundTimer,
        LogTimer = LearningLog::kTimerId,
        MarkRetryTimer = MarkSender::kTimerId,
    };
    static constexpr int kCountdownMs = PlayClock::kCountdownMs;
    static constexpr int kSoundDelayMs = PlayClock::kSoundDelayMs;
    static constexpr int kLogPeriodMs = LearningLog::kPeriodMs;

    enum OrderMode : int {
        CardOrder = EngineCore::CardOrder,
        SortedOrder = EngineCore::SortedOrder,
        RandomOrder = EngineCore::RandomOrder,
    };

    static constexpr int kWorkersPerMediaKind = MediaResolver::kWorkersPerMediaKind;
    static constexpr int kMaxMediaWorkers = MediaResolver::kMaxMediaWorkers;

    using BookInfo = EngineCore::BookInfo;

    // What the player panel's buttons follow.
    struct State {
        bool loaded = false;       // a book is loaded
        bool loading = false;      // a load or clear-marks task runs
        bool playing = false;      // the countdown runs
        int order = CardOrder;     // the order mode
        bool current_open = false; // a card is on display and it was not memorised at load
        bool operator==(const State&) const = default;
    };

    // With `executor` null the engine runs its work on threads of its own (ThreadExecutor); a given
    // executor must outlive the engine. DelayTime is 5 and AutoPlay on until they are set.
    explicit PlayerTimer(ServiceClient& client, Executor* executor = nullptr, QObject* parent = nullptr);
    // Stops the timers and waits for every task the engine started.
    ~PlayerTimer() override;

    // ---- loads ----
    // Loads a book now, on the calling (GUI) thread: 0 loaded, 1 the service had no book (nothing is
    // loaded afterwards), E_FAIL the service could not be reached (the previous book stays) or the
    // document was unusable (nothing is loaded afterwards). Reports nothing.
    int LoadBook(int32_t bookId);
    // Unloads the book: stops playing and the learning log, waits for the media workers. A load task
    // still running is abandoned: whatever it brings is dropped, so that a book of an account that
    // signed out never plays.
    void ResetBook();
    // A load task: reports bookReady, loadFailed or noBook; a successful load while cancel_load is set
    // reports nothing. The clear-marks load first asks the service to clear every mark of the book.
    void StartLoad(uint32_t bookId);
    void StartClearMarks(uint32_t bookId);
    // A load task runs or its result has not been handled yet.
    bool IsLoading() const { return loading_ > 0; }
    // A load task runs.
    bool HasLoadWorker() const { return loader_.HasTask(); }
    // For the book list: sets cancel_load, waits for every running load task, clears cancel_load.
    void CancelAndWaitForLoad() { loader_.CancelAndWait(); }
    bool CancelLoad() const { return loader_.CancelRequested(); }
    void SetCancelLoad(bool on) { loader_.SetCancel(on); }

    // ---- display and navigation ----
    // Shows the card at position `p` of the active order (the first one when past the end). With nobody
    // connected to cardShown, only the position changes.
    void ShowCard(uint32_t p);
    void Next();
    void Prev();
    void StartCountdown();
    void ArmSound();
    void Tick();
    // 0 card order, 1 sorted, 2 a fresh shuffle, then the first card; returns the mode, or 3 (and
    // changes nothing) for any other value.
    int SetOrder(int mode);
    void StartPlaying();
    void StopPlaying();

    // ---- marks ----
    bool IsCurrentOpen() const { return core_.IsCurrentOpen(); }
    void CompleteCurrent();

    // ---- media of the card on display ----
    QString CurrentImageUrl() const { return core_.CurrentUrl(MediaKind::Image); }
    QString CurrentSoundUrl() const { return core_.CurrentUrl(MediaKind::Sound); }
    // The page asked for the pronunciation: refused (false) while no book is loaded or the book has
    // no pronunciation plug-in; otherwise soundReady follows.
    bool RequestSound();
    MediaEntry ImageEntry(uint32_t card) const { return core_.Entry(MediaKind::Image, card); }
    MediaEntry SoundEntry(uint32_t card) const { return core_.Entry(MediaKind::Sound, card); }

    // ---- state ----
    bool IsLoaded() const { return core_.IsLoaded(); }
    bool IsPlaying() const { return clock_.IsPlaying(); }
    int OrderMode() const { return core_.OrderMode(); }
    uint32_t Position() const { return core_.Position(); }
    int Remaining() const { return clock_.Remaining(); }
    size_t ActiveCount() const { return core_.ActiveCount(); }
    std::vector<uint32_t> ActiveOrder() const { return core_.ActiveOrder(); }
    uint32_t BookId() const { return core_.BookId(); }
    QString Title() const { return core_.Info().title; }
    BookInfo Info() const { return core_.Info(); }
    // A copy of the loaded book.
    Book LoadedBook() const { return core_.Snapshot(); }
    State CurrentState() const;
    // Seeds the shuffle of the random order (seeded from the clock otherwise).
    void SeedShuffle(uint32_t seed) { core_.Seed(seed); }

    // ---- settings, set from outside ----
    int DelayTime() const { return clock_.DelayTime(); }
    void SetDelayTime(int seconds) { clock_.SetDelayTime(seconds); }
    bool AutoPlay() const { return auto_play_; }
    void SetAutoPlay(bool on) { auto_play_ = on; }

    // ---- learning log ----
    QByteArray LogDate() const { return QByteArray::fromStdString(core_.LogDate()); }
    std::vector<uint32_t> SeenIds() const { return core_.SeenIds(); }
    static QByteArray LogContent(const std::vector<uint32_t>& ids) { return LearningLog::Content(ids); }

    // ---- the account: what is not confirmed survives in its outbox ----
    // A sign-in: what the account's outbox holds is sent (its marks before any other); failed sends
    // are kept in it from now on. An account open before is closed first, unless it is the same one.
    void OpenAccount(std::unique_ptr<Outbox> outbox);
    // One last learning-log send and the queued marks, until `deadline`; blocks the calling thread
    // until then (a worker at log-out; at exit, the window hidden, the GUI thread). No mark is sent
    // afterwards until CloseAccount.
    void SendLast(std::chrono::steady_clock::time_point deadline);
    // Log-out and exit: what is not confirmed goes to the outbox, and the engine forgets it.
    void CloseAccount();
    // The marks not confirmed yet, in order.
    std::vector<Outbox::Mark> PendingMarks() const { return marks_.Pending(); }

    // ---- timers ----
    // Runs the expiry handler of timer `id` if that timer is set; tests drive the engine with it.
    void OnTimer(int id);
    bool IsTimerActive(int id) const;

    // Waits for the media, learning-log and mark tasks started so far (tests and tools).
    void WaitForWorkers();

  Q_SIGNALS:
    // A load task has loaded its book (not when superseded): what the main view needs to show it.
    void bookReady(const PlayerTimer::BookInfo& book);
    // A load task could not get the book, or the document was unusable.
    void loadFailed();
    // A load task found no book at the service.
    void noBook();
    // The card at `position` (0-based) of `total` cards in the active order is on display.
    void cardShown(int position, int total, QString name, QString mean, QString example);
    // The active order is empty: the counter reads 0 of 0 and this message stands in place of a card.
    void messageShown(QString text);
    // The media of the card on display, once requested and resolved (empty when not resolved).
    void imageReady(QString url);
    void soundReady(QString url);
    // Something the panel's buttons follow has changed.
    void stateChanged(const PlayerTimer::State& state);

  private:
    // Installs what a load brought (GUI thread); returns LoadBook's result.
    int finishLoad(const BookLoader::Result& result);
    void onLoadFinished(const BookLoader::Result& result);
    void onSoundDue(uint32_t position);
    // A send has ended: the outbox follows what is left when a send failed or it holds something.
    void keepUnconfirmed(bool failed);
    // Emits stateChanged when the state differs from the one last emitted.
    void notifyState();

    std::unique_ptr<Executor> ownExecutor_; // when none was given; outlives the parts
    Executor& executor_;
    EngineCore core_;
    PlayClock clock_;
    MediaResolver media_;
    BookLoader loader_;
    LearningLog log_;
    MarkSender marks_;
    std::unique_ptr<Outbox> outbox_; // of the account signed in
    bool outboxHolds_ = false;       // its file holds something

    int loading_ = 0; // load tasks of the current era whose result has not been handled
    bool auto_play_ = true;
    State state_;
};
