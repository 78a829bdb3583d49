#include "engine/PlayerTimer.h"

#include "engine/BookDocument.h"
#include "engine/MediaUrlTemplate.h"
#include "engine/PlayerDisplay.h"
#include "platform/SettingsStore.h"
#include "platform/StartupTrace.h"
#include "platform/TaskStatusEvent.h"
#include "service/ServiceClient.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QThread>
#include <QTimerEvent>

#include <algorithm>
#include <chrono>
#include <utility>

namespace {

Q_LOGGING_CATEGORY(lcPlayer, "lexicarta.player")

const QString kNoCards = QStringLiteral("학습할 단어가 존재하지 않습니다.");

void removeFirst(std::vector<uint32_t>& list, uint32_t card) {
    const auto it = std::find(list.begin(), list.end(), card);
    if (it != list.end())
        list.erase(it);
}

} // namespace

// A worker's report, posted to the engine and handed on by it on the GUI thread.
struct PlayerTimer::Relay : QEvent {
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 40);
    Relay(Target to, int status) : QEvent(kType), target(to), code(status) {}
    Target target;
    int code;
};

PlayerTimer::PlayerTimer(ServiceClient& client, QObject* parent)
    : QObject(parent), client_(client), random_(static_cast<std::mt19937::result_type>(
                                            std::chrono::system_clock::now().time_since_epoch().count())) {
    SetDelayTime(SettingsStore::Get(SettingsStore::DelayTime));
    auto_play_ = SettingsStore::Get(SettingsStore::AutoPlay) != 0;
}

PlayerTimer::~PlayerTimer() {
    // Loads first: a running load may still start media and learning-log workers.
    cancel_load_.store(true);
    load_workers_.JoinAll();
    prefetch_running_.store(false);
    media_workers_.JoinAll();
    log_workers_.JoinAll();
    for (QBasicTimer& t : timers_)
        t.stop();
}

void PlayerTimer::Bind(PlayerDisplay* display) {
    display_ = display;
}

// ---- model access ----

const std::vector<uint32_t>& PlayerTimer::activeLocked() const {
    switch (order_mode_.load()) {
    case SortedOrder:
        return book_.sorted_order;
    case RandomOrder:
        return book_.random_order;
    default:
        return book_.card_order;
    }
}

std::vector<uint32_t>& PlayerTimer::activeLocked() {
    return const_cast<std::vector<uint32_t>&>(std::as_const(*this).activeLocked());
}

bool PlayerTimer::currentCardLocked(uint32_t& card) const {
    const auto& active = activeLocked();
    const uint32_t p = position_.load();
    if (p >= active.size())
        return false;
    card = active[p];
    return card < book_.vocabularies.size();
}

size_t PlayerTimer::ActiveCount() const {
    std::lock_guard lock(mutex_);
    return activeLocked().size();
}

std::vector<uint32_t> PlayerTimer::ActiveOrder() const {
    std::lock_guard lock(mutex_);
    return activeLocked();
}

QString PlayerTimer::Title() const {
    std::lock_guard lock(mutex_);
    return book_.title;
}

uint32_t PlayerTimer::BookId() const {
    std::lock_guard lock(mutex_);
    return book_.id;
}

bool PlayerTimer::HasSound() const {
    std::lock_guard lock(mutex_);
    return book_.has_sound;
}

bool PlayerTimer::HasImage() const {
    std::lock_guard lock(mutex_);
    return book_.has_image;
}

bool PlayerTimer::HasStyle() const {
    std::lock_guard lock(mutex_);
    return book_.has_style;
}

QString PlayerTimer::Style() const {
    std::lock_guard lock(mutex_);
    return book_.style;
}

PlayerTimer::PluginSnapshot PlayerTimer::Plugins() const {
    std::lock_guard lock(mutex_);
    return {book_.has_sound, book_.has_image, book_.has_style, book_.style};
}

// ---- load and reset ----

int PlayerTimer::LoadBook(int32_t bookId) {
    QString text;
    if (client_.GetBook(bookId, text) == ServiceClient::ResultFailed)
        return E_FAIL;
    StartupTrace::Mark("book-fetched");

    std::lock_guard loadLock(load_mutex_);
    resetBookUnlocked();
    if (text.isEmpty())
        return 1;

    BookDocument::Result parsed = BookDocument::Parse(text, static_cast<uint32_t>(bookId));
    if (!parsed.book) {
        qCWarning(lcPlayer) << "book" << bookId << "refused:" << parsed.error;
        return E_FAIL;
    }

    bool prefetch = false;
    {
        std::lock_guard lock(mutex_);
        book_ = std::move(*parsed.book);
        book_.loaded = true;
        order_mode_.store(CardOrder);
        position_.store(0);
        prefetch = !book_.vocabularies.empty() && (book_.has_sound || book_.has_image);
        loaded_.store(true);
    }
    if (prefetch) {
        prefetch_running_.store(true);
        media_workers_.Start([this] { prefetchWorker(); });
    }
    SetLogDate(QByteArray());
    startLogSend();
    setTimer(LogTimer, kLogPeriodMs);
    return 0;
}

void PlayerTimer::ResetBook() {
    std::lock_guard loadLock(load_mutex_);
    resetBookUnlocked();
}

void PlayerTimer::resetBookUnlocked() {
    loaded_.store(false);
    stopTimer(LogTimer);
    if (playing_.exchange(false))
        stopTimer(CountdownTimer);
    // Every media worker still running is waited for, not only the newest, before a list changes.
    prefetch_running_.store(false);
    media_workers_.JoinAll();

    std::lock_guard lock(mutex_);
    ++generation_;
    prefetch_restart_ = false;
    position_.store(0);
    order_mode_.store(CardOrder);
    const uint32_t keptId = book_.id;
    book_ = Book{};
    book_.id = keptId; // the id of the last book asked for stays readable for the marking worker
}

// ---- display and navigation ----

void PlayerTimer::ShowCard(uint32_t p) {
    Vocabulary card;
    bool hasImage = false;
    uint32_t n = 0;
    {
        std::lock_guard lock(mutex_);
        const auto& active = activeLocked();
        n = static_cast<uint32_t>(active.size());
        // Compared unsigned: a position past the end, however it was reached, shows the first card.
        if (p >= n)
            p = 0;
        position_.store(p);
        if (!display_)
            return;
        if (n > 0) {
            const uint32_t c = active[p];
            card = book_.vocabularies[c];
            hasImage = book_.has_image;
            if (std::find(seen_ids_.begin(), seen_ids_.end(), card.id) == seen_ids_.end())
                seen_ids_.push_back(card.id);
        }
    }
    if (n == 0) {
        display_->SetCounter(0, 0);
        display_->ShowMessage(kNoCards);
        return;
    }
    display_->SetCounter(static_cast<int>(p + 1), static_cast<int>(n));
    display_->ShowVocabulary(card.name, card.mean, card.example);
    if (hasImage)
        startMediaWorker(false);
}

void PlayerTimer::Next() {
    if (playing_.load())
        remaining_ = delay() - 1;
    const uint32_t n = static_cast<uint32_t>(ActiveCount());
    const uint32_t p = position_.load();
    ShowCard(p < n - 1 ? p + 1 : 0);
    ArmSound();
}

void PlayerTimer::Prev() {
    if (playing_.load())
        remaining_ = delay() - 1;
    const uint32_t n = static_cast<uint32_t>(ActiveCount());
    const uint32_t p = position_.load();
    ShowCard(p > 0 ? p - 1 : n - 1);
    ArmSound();
}

void PlayerTimer::StartCountdown() {
    // The delay is at least one second, so the countdown never has to advance at once.
    remaining_ = delay() - 1;
    setTimer(CountdownTimer, kCountdownMs);
}

void PlayerTimer::Tick() {
    if (remaining_ <= 0) {
        Next();
        remaining_ = delay();
    }
    --remaining_;
}

void PlayerTimer::ArmSound() {
    if (!HasSound())
        return;
    sound_position_ = position_.load();
    setTimer(SoundTimer, kSoundDelayMs);
}

int PlayerTimer::SetOrder(int mode) {
    if (mode < CardOrder || mode > RandomOrder)
        return 3;
    {
        std::lock_guard lock(mutex_);
        if (mode == RandomOrder) {
            // As many swaps as cards, each between two drawn positions (first i, then j).
            book_.random_order = book_.card_order;
            auto& list = book_.random_order;
            const size_t m = list.size();
            for (size_t k = 0; k < m; ++k) {
                const size_t i = random_() % m;
                const size_t j = random_() % m;
                std::swap(list[i], list[j]);
            }
        }
        order_mode_.store(mode);
    }
    ShowCard(0);
    return mode;
}

void PlayerTimer::StartPlaying() {
    if (playing_.load() || ActiveCount() == 0)
        return;
    playing_.store(true);
    StartCountdown();
    ArmSound();
}

void PlayerTimer::StopPlaying() {
    stopTimer(CountdownTimer);
    playing_.store(false);
}

void PlayerTimer::SetDelayTime(int seconds) {
    delay_time_ = seconds < 1 ? 1 : seconds;
}

int PlayerTimer::GetToken(QString& out) {
    return client_.GetToken(out);
}

// ---- timers ----

void PlayerTimer::setTimer(int id, int ms) {
    armed_[id].store(true);
    if (QThread::currentThread() == thread()) {
        timers_[id].start(ms, this);
        return;
    }
    // From a worker: the GUI thread starts it, unless it has been stopped again in the meantime.
    QMetaObject::invokeMethod(
        this,
        [this, id, ms] {
            if (armed_[id].load())
                timers_[id].start(ms, this);
        },
        Qt::QueuedConnection);
}

void PlayerTimer::stopTimer(int id) {
    armed_[id].store(false);
    if (QThread::currentThread() == thread()) {
        timers_[id].stop();
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, id] {
            if (!armed_[id].load())
                timers_[id].stop();
        },
        Qt::QueuedConnection);
}

bool PlayerTimer::IsTimerActive(int id) const {
    return id >= CountdownTimer && id <= LogTimer && armed_[id].load();
}

void PlayerTimer::timerEvent(QTimerEvent* e) {
    for (int id = CountdownTimer; id <= LogTimer; ++id) {
        if (e->timerId() == timers_[id].timerId()) {
            OnTimer(id);
            return;
        }
    }
    QObject::timerEvent(e);
}

void PlayerTimer::OnTimer(int id) {
    if (!IsTimerActive(id))
        return;
    switch (id) {
    case CountdownTimer:
        Tick();
        break;
    case SoundTimer:
        if (position_.load() == sound_position_)
            startMediaWorker(true);
        stopTimer(SoundTimer);
        break;
    case LogTimer:
        startLogSend();
        break;
    default:
        break;
    }
}

// ---- worker reports ----

void PlayerTimer::post(Target target, int code) {
    QCoreApplication::postEvent(this, new Relay(target, code));
}

bool PlayerTimer::event(QEvent* e) {
    if (e->type() != Relay::kType)
        return QObject::event(e);
    const auto* relay = static_cast<Relay*>(e);
    if (relay->target == Target::Panel) {
        if (display_)
            TaskStatusEvent::Send(display_->StatusReceiver(), relay->code);
    } else {
        TaskStatusEvent::Send(TaskStatusEvent::MainWindow(), relay->code);
    }
    return true;
}

// ---- marks ----

bool PlayerTimer::IsCurrentOpen() const {
    std::lock_guard lock(mutex_);
    uint32_t c = 0;
    return currentCardLocked(c) && !book_.vocabularies[c].complete;
}

void PlayerTimer::CompleteCurrent() {
    uint32_t wordId = 0;
    uint32_t c = 0;
    {
        std::lock_guard lock(mutex_);
        if (!currentCardLocked(c) || book_.vocabularies[c].complete)
            return;
        wordId = book_.vocabularies[c].id;
    }
    const bool playing = playing_.load();
    if (playing)
        stopTimer(CountdownTimer);
    log_workers_.Start([this, wordId] {
        uint32_t bookId = 0;
        {
            std::lock_guard lock(mutex_);
            bookId = book_.id;
        }
        client_.Complete(wordId, bookId); // nothing reacts to the outcome
    });
    {
        std::lock_guard lock(mutex_);
        removeFirst(book_.card_order, c);
        removeFirst(book_.sorted_order, c);
        removeFirst(book_.random_order, c);
    }
    ShowCard(position_.load());
    if (playing)
        StartCountdown();
    if (ActiveCount() > 0) {
        ArmSound();
    } else if (playing) {
        StopPlaying();
    }
}

// ---- learning log ----

void PlayerTimer::SetLogDate(const QByteArray& date) {
    std::lock_guard lock(mutex_);
    const std::string text = date.toStdString();
    if (text == log_date_)
        return;
    log_date_ = text;
    seen_ids_.clear();
}

QByteArray PlayerTimer::LogDate() const {
    std::lock_guard lock(mutex_);
    return QByteArray::fromStdString(log_date_);
}

std::vector<uint32_t> PlayerTimer::SeenIds() const {
    std::lock_guard lock(mutex_);
    return seen_ids_;
}

QByteArray PlayerTimer::LogContent(const std::vector<uint32_t>& ids) {
    QByteArray content;
    for (uint32_t id : ids) {
        if (!content.isEmpty())
            content += ',';
        content += QByteArray::number(id);
    }
    return content;
}

void PlayerTimer::startLogSend() {
    log_workers_.Start([this] { sendLearningLog(); });
}

void PlayerTimer::sendLearningLog() {
    std::string date;
    std::vector<uint32_t> ids;
    {
        std::lock_guard lock(mutex_);
        date = log_date_;
        ids = seen_ids_;
    }
    QByteArray answer;
    client_.SaveLearningLog(QByteArray::fromStdString(date), LogContent(ids), answer);
    if (!answer.isEmpty())
        SetLogDate(answer);
}

// ---- background loads ----

void PlayerTimer::StartLoad(uint32_t bookId) {
    startLoadWorker(bookId, false);
}

void PlayerTimer::StartClearMarks(uint32_t bookId) {
    startLoadWorker(bookId, true);
}

void PlayerTimer::startLoadWorker(uint32_t bookId, bool clearMarks) {
    // Counted from the start, so the book menu is disabled before the worker runs.
    loading_.fetch_add(1);
    StartupTrace::Mark("book-load-started");
    load_workers_.Start([this, bookId, clearMarks] {
        if (clearMarks)
            client_.ClearComplete(bookId); // the book is reloaded whatever the answer
        const int result = LoadBook(static_cast<int32_t>(bookId));
        StartupTrace::Mark("book-loaded");
        int code = 0;
        if (result < 0)
            code = TaskStatusEvent::TASK_LOAD_FAILED;
        else if (result > 0)
            code = TaskStatusEvent::TASK_NO_BOOK;
        else if (!cancel_load_.load())
            code = TaskStatusEvent::TASK_BOOK_READY;
        if (code != 0)
            post(Target::MainWindow, code);
        loading_.fetch_sub(1);
    });
}

void PlayerTimer::CancelAndWaitForLoad() {
    if (load_workers_.Running() == 0) {
        load_workers_.JoinAll();
        return;
    }
    cancel_load_.store(true);
    load_workers_.JoinAll();
    cancel_load_.store(false);
}

void PlayerTimer::WaitForWorkers() {
    media_workers_.JoinAll();
    log_workers_.JoinAll();
}

// ---- media ----

bool PlayerTimer::RequestSound() {
    if (!loaded_.load() || !HasSound())
        return false;
    startMediaWorker(true);
    return true;
}

MediaEntry PlayerTimer::ImageEntry(uint32_t card) const {
    std::lock_guard lock(mutex_);
    return card < book_.images.size() ? book_.images[card] : MediaEntry{};
}

MediaEntry PlayerTimer::SoundEntry(uint32_t card) const {
    std::lock_guard lock(mutex_);
    return card < book_.sounds.size() ? book_.sounds[card] : MediaEntry{};
}

QString PlayerTimer::CurrentImageUrl() const {
    std::lock_guard lock(mutex_);
    uint32_t c = 0;
    if (!loaded_.load() || !currentCardLocked(c) || c >= book_.images.size())
        return QString();
    return book_.images[c].url;
}

QString PlayerTimer::CurrentSoundUrl() const {
    std::lock_guard lock(mutex_);
    uint32_t c = 0;
    if (!loaded_.load() || !currentCardLocked(c) || c >= book_.sounds.size())
        return QString();
    return book_.sounds[c].url;
}

void PlayerTimer::startMediaWorker(bool sound) {
    // An entry that needs no fetch is claimed and the display told at once, without a worker, so a
    // stalled host never holds back a picture or pronunciation that is known already.
    bool claimed = false;
    {
        std::lock_guard lock(mutex_);
        auto& entries = sound ? book_.sounds : book_.images;
        const bool hasPlugin = sound ? book_.has_sound : book_.has_image;
        uint32_t c = 0;
        if (!hasPlugin || !currentCardLocked(c) || c >= entries.size())
            return;
        if (entries[c].state != MediaEntry::Unresolved) {
            entries[c].state = MediaEntry::Claimed;
            claimed = true;
        }
    }
    if (claimed) {
        post(Target::Panel, sound ? TaskStatusEvent::PANEL_SOUND_READY : TaskStatusEvent::PANEL_IMAGE_READY);
        return;
    }
    {
        std::lock_guard lock(lanes_mutex_);
        MediaLane& lane = lanes_[sound ? 1 : 0];
        lane.pending = true;
        // Every worker of the kind is busy (a slow host): the first to finish takes the card on display.
        if (lane.running >= kWorkersPerMediaKind)
            return;
        ++lane.running;
    }
    media_workers_.Start([this, sound] { foregroundWorker(sound); });
}

// Serves the displays of one kind until none waits; displays that came while it was busy are served
// by one pass for the card on display then.
void PlayerTimer::foregroundWorker(bool sound) {
    for (;;) {
        {
            std::lock_guard lock(lanes_mutex_);
            MediaLane& lane = lanes_[sound ? 1 : 0];
            if (!lane.pending) {
                --lane.running;
                return;
            }
            lane.pending = false;
        }
        mediaWorker(sound);
    }
}

// The picture or pronunciation worker: claims the entry of the card on display now and resolves it
// unless it is resolved or claimed already, then tells the display.
void PlayerTimer::mediaWorker(bool sound) {
    uint32_t c = 0;
    uint64_t generation = 0;
    int16_t state = MediaEntry::Unresolved;
    {
        std::lock_guard lock(mutex_);
        auto& entries = sound ? book_.sounds : book_.images;
        const bool hasPlugin = sound ? book_.has_sound : book_.has_image;
        if (!hasPlugin || !currentCardLocked(c) || c >= entries.size())
            return;
        generation = generation_;
        state = entries[c].state;
        entries[c].state = MediaEntry::Claimed;
        if (state == MediaEntry::Unresolved)
            prefetch_restart_ = true; // the user has moved away from where the prefetch was
    }
    if (state == MediaEntry::Unresolved)
        resolve(sound, c, generation);
    post(Target::Panel, sound ? TaskStatusEvent::PANEL_SOUND_READY : TaskStatusEvent::PANEL_IMAGE_READY);
}

bool PlayerTimer::resolve(bool sound, uint32_t c, uint64_t generation) {
    MediaPlugin plugin;
    Vocabulary card;
    {
        std::lock_guard lock(mutex_);
        if (generation != generation_ || c >= book_.vocabularies.size())
            return false;
        plugin = sound ? book_.sound : book_.image;
        card = book_.vocabularies[c];
    }
    // Expansion and the fetch run outside the mutex.
    QString url = MediaUrlTemplate::Expand(plugin.url, c, card);
    bool ok = true;
    if (plugin.type == QLatin1String("url")) {
        QString fetched;
        // Only an answer counts: a request that failed is tried again on a later display or pass.
        ok = client_.FetchUrl(url, fetched) == ServiceClient::ResultOk;
        url = fetched;
    }

    std::lock_guard lock(mutex_);
    auto& entries = sound ? book_.sounds : book_.images;
    if (generation != generation_ || c >= entries.size())
        return false;
    if (ok) {
        entries[c].url = url;
        entries[c].state = MediaEntry::Resolved;
    } else {
        entries[c].state = MediaEntry::Unresolved;
    }
    return ok;
}

// Resolves the whole book ahead in document order, from the card on display; a pass restarts after
// the card on display whenever a foreground worker had to resolve its own entry.
void PlayerTimer::prefetchWorker() {
    uint32_t n = 0;
    uint32_t a = 0;
    uint64_t generation = 0;
    bool hasSound = false;
    bool hasImage = false;
    {
        std::lock_guard lock(mutex_);
        n = static_cast<uint32_t>(book_.vocabularies.size());
        generation = generation_;
        hasSound = book_.has_sound;
        hasImage = book_.has_image;
        if (!currentCardLocked(a))
            return;
    }
    for (uint32_t i = 0; prefetch_running_.load() && i < n; ++i) {
        uint32_t b = 0;
        bool soundDue = false;
        {
            std::lock_guard lock(mutex_);
            if (generation != generation_ || !currentCardLocked(b))
                break; // every card has been marked
            if (prefetch_restart_) {
                prefetch_restart_ = false;
                a = b + 1 == n ? 0 : b + 1;
                i = 0;
            }
            soundDue = hasSound && book_.sounds[a].state == MediaEntry::Unresolved;
        }
        if (a != b) {
            if (soundDue)
                resolve(true, a, generation);
            bool imageDue = false;
            if (prefetch_running_.load()) { // a reset waits for one slow fetch only, not for two
                std::lock_guard lock(mutex_);
                imageDue =
                    hasImage && generation == generation_ && book_.images[a].state == MediaEntry::Unresolved;
            }
            if (imageDue)
                resolve(false, a, generation);
        }
        a = a + 1 == n ? 0 : a + 1;
    }
}
