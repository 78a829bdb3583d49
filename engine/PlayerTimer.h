#pragma once

#include "engine/Book.h"
#include "platform/WorkerGroup.h"

#include <QBasicTimer>
#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <vector>

class PlayerDisplay;
class ServiceClient;

// The playback engine: owns the loaded book, the position within the active order, the play state with
// its countdown and three timers (1: one-second countdown, 2: 200 ms pronunciation delay, 3: 30-second
// learning log), the marks and the learning log, and the media workers that resolve pictures and
// pronunciation through the book's plug-ins.
//
// Every public operation runs on the engine's (GUI) thread, except LoadBook and ResetBook, which the
// load workers run. Workers report through events posted to the engine, which hands them to the bound
// display's status receiver or to the main window on its own thread. The engine mutex guards the book
// model (order lists, position, media entries) and the learning log.
class PlayerTimer : public QObject {
    Q_OBJECT

  public:
    // LoadBook's result when the service could not deliver the book or the document is unusable.
    static constexpr int E_FAIL = static_cast<int>(0x80004005u);

    enum TimerId : int { CountdownTimer = 1, SoundTimer = 2, LogTimer = 3 };
    static constexpr int kCountdownMs = 1000;
    static constexpr int kSoundDelayMs = 200;
    static constexpr int kLogPeriodMs = 30000;

    enum OrderMode : int { CardOrder = 0, SortedOrder = 1, RandomOrder = 2 };

    // However often the card changes, at most this many picture and as many pronunciation workers run;
    // with the prefetch worker that bounds the media threads.
    static constexpr int kWorkersPerMediaKind = 2;
    static constexpr int kMaxMediaWorkers = 2 * kWorkersPerMediaKind + 1;

    // Reads DelayTime (default 5, at least 1) and AutoPlay (default on) from the settings store.
    explicit PlayerTimer(ServiceClient& client, QObject* parent = nullptr);
    // Stops the timers and joins every worker the engine ever started.
    ~PlayerTimer() override;

    // The display the engine shows cards on (nullptr unbinds).
    void Bind(PlayerDisplay* display);

    // Loads a book: 0 loaded, 1 the service had no book (nothing is loaded afterwards), E_FAIL the
    // service could not be reached (the previous book stays) or the document was unusable (nothing is
    // loaded afterwards). Runs on a load worker; never call it while another load runs.
    int LoadBook(int32_t bookId);
    // Unloads the book: stops the timers and playing, joins the media workers, empties the model.
    void ResetBook();

    // Card display and navigation.
    void ShowCard(uint32_t p);
    void Next();
    void Prev();
    void StartCountdown();
    void ArmSound();
    void Tick();
    // 0 card order, 1 sorted, 2 a fresh shuffle; returns the mode, or 3 (and changes nothing) for others.
    int SetOrder(int mode);
    void StartPlaying();
    void StopPlaying();

    bool IsLoaded() const { return loaded_.load(); }
    bool IsPlaying() const { return playing_.load(); }
    int OrderMode() const { return order_mode_.load(); }
    uint32_t Position() const { return position_.load(); }
    int Remaining() const { return remaining_; }
    size_t ActiveCount() const;
    // The loaded book; read it on the GUI thread only, and not while a load runs.
    const Book& LoadedBook() const { return book_; }
    QString Title() const;
    uint32_t BookId() const;
    bool HasSound() const;
    bool HasImage() const;
    bool HasStyle() const;
    QString Style() const;
    // The three plug-in flags and the style of one book, read together.
    struct PluginSnapshot {
        bool has_sound = false;
        bool has_image = false;
        bool has_style = false;
        QString style;
    };
    PluginSnapshot Plugins() const;
    // Card indexes of the active order list, in order.
    std::vector<uint32_t> ActiveOrder() const;

    // Marks.
    bool IsCurrentOpen() const;
    void CompleteCurrent();

    // Media of the card on display (empty when nothing is resolved or no book is loaded).
    QString CurrentImageUrl() const;
    QString CurrentSoundUrl() const;
    // The page asked for the pronunciation: starts a pronunciation worker; refused (false) while no
    // book is loaded or the book has no pronunciation plug-in.
    bool RequestSound();
    // A copy of one media entry (an empty Unresolved entry for an index out of range).
    MediaEntry ImageEntry(uint32_t card) const;
    MediaEntry SoundEntry(uint32_t card) const;

    // Settings.
    int DelayTime() const { return delay_time_; }
    void SetDelayTime(int seconds);
    bool AutoPlay() const { return auto_play_; }
    void SetAutoPlay(bool on) { auto_play_ = on; }

    // One-time sign-in token for web links, forwarded from the service client.
    int GetToken(QString& out);

    // Learning log.
    void SetLogDate(const QByteArray& date);
    QByteArray LogDate() const;
    std::vector<uint32_t> SeenIds() const;
    // The content sent with the date: the seen ids in unsigned decimal, joined by commas.
    static QByteArray LogContent(const std::vector<uint32_t>& ids);

    // Background loads. Each runs LoadBook on a worker and reports TASK_BOOK_READY, TASK_LOAD_FAILED
    // or TASK_NO_BOOK to the main window; a successful load while cancel_load is set reports nothing.
    // The clear-marks load first asks the service to clear every mark of the book.
    void StartLoad(uint32_t bookId);
    void StartClearMarks(uint32_t bookId);
    // A load or clear-marks worker runs.
    bool IsLoading() const { return loading_.load() > 0; }
    // A load worker has been started and not yet waited for.
    bool HasLoadWorker() const { return load_workers_.Running() > 0; }
    // For the book list: sets cancel_load, waits for every running load, clears cancel_load.
    void CancelAndWaitForLoad();
    bool CancelLoad() const { return cancel_load_.load(); }
    void SetCancelLoad(bool on) { cancel_load_.store(on); }

    // Runs the expiry handler of timer `id` if that timer is set; the window timers call it, and tests
    // call it to drive the engine without waiting.
    void OnTimer(int id);
    bool IsTimerActive(int id) const;

    // Waits for the media, learning-log and marking workers started so far (tests and shutdown).
    void WaitForWorkers();

  protected:
    bool event(QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

  private:
    struct Relay;
    enum class Target { Panel, MainWindow }; // the bound display, or the main window

    // Under the engine mutex.
    const std::vector<uint32_t>& activeLocked() const;
    std::vector<uint32_t>& activeLocked();
    bool currentCardLocked(uint32_t& card) const;

    int delay() const { return delay_time_ < 1 ? 1 : delay_time_; }
    void resetBookUnlocked();
    void setTimer(int id, int ms);
    void stopTimer(int id);
    void post(Target target, int code);

    // Workers.
    void startMediaWorker(bool sound);
    void foregroundWorker(bool sound);
    void mediaWorker(bool sound);
    void prefetchWorker();
    void startLogSend();
    void sendLearningLog();
    void startLoadWorker(uint32_t bookId, bool clearMarks);

    // Resolution of one entry; `generation` names the book the card index belongs to.
    bool resolve(bool sound, uint32_t card, uint64_t generation);

    ServiceClient& client_;
    PlayerDisplay* display_ = nullptr;

    mutable std::mutex mutex_; // the engine mutex
    Book book_;
    uint64_t generation_ = 0; // counts resets, so a late worker never writes into another book
    bool prefetch_restart_ = false;
    std::string log_date_;
    std::vector<uint32_t> seen_ids_;
    std::mt19937 random_;

    std::atomic<bool> loaded_{false};
    std::atomic<int> order_mode_{CardOrder};
    std::atomic<uint32_t> position_{0};
    std::atomic<bool> playing_{false};
    std::atomic<bool> prefetch_running_{false};
    std::atomic<int> loading_{0};
    std::atomic<bool> cancel_load_{false};

    // GUI thread only.
    int remaining_ = 0;
    int delay_time_ = 5;
    bool auto_play_ = true;
    uint32_t sound_position_ = 0;

    // Whether each timer is set; a worker may clear or set it, the GUI thread follows with the timer.
    std::atomic<bool> armed_[4] = {false, false, false, false};
    QBasicTimer timers_[4];

    std::mutex load_mutex_; // one LoadBook or ResetBook at a time

    // Picture (0) and pronunciation (1) workers: how many run, and whether a display still waits for
    // one of them to take the card on display.
    struct MediaLane {
        int running = 0;
        bool pending = false;
    };
    std::mutex lanes_mutex_;
    MediaLane lanes_[2];

    WorkerGroup media_workers_; // picture, pronunciation, prefetch
    WorkerGroup log_workers_;   // learning log and marking
    WorkerGroup load_workers_;  // load and clear-marks
};
