#include "engine/PlayerTimer.h"

#include "engine/ThreadExecutor.h"

#include <QMetaMethod>

#include <chrono>
#include <thread>

namespace {

const QString kNoCards = QStringLiteral("학습할 단어가 존재하지 않습니다.");

uint32_t clockSeed() {
    return static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

} // namespace

PlayerTimer::PlayerTimer(ServiceClient& client, Executor* executor, QObject* parent)
    : QObject(parent), ownExecutor_(executor ? nullptr : std::make_unique<ThreadExecutor>()),
      executor_(executor ? *executor : *ownExecutor_), core_(clockSeed()), media_(core_, client, executor_),
      loader_(client, executor_), log_(core_, client, executor_), marks_(client, executor_) {
    connect(&clock_, &PlayClock::advanceDue, this, &PlayerTimer::Next);
    connect(&clock_, &PlayClock::soundDue, this, &PlayerTimer::onSoundDue);
    connect(&media_, &MediaResolver::imageReady, this, &PlayerTimer::imageReady);
    connect(&media_, &MediaResolver::soundReady, this, &PlayerTimer::soundReady);
    connect(&loader_, &BookLoader::finished, this, &PlayerTimer::onLoadFinished);
    connect(&marks_, &MarkSender::settled, this, &PlayerTimer::keepUnconfirmed);
    connect(&log_, &LearningLog::settled, this, &PlayerTimer::keepUnconfirmed);
    // A clear of the marks is ordered after the marks made before it.
    loader_.SetClearMarks([this](uint32_t bookId) { return marks_.ClearMarks(bookId); });
}

PlayerTimer::~PlayerTimer() {
    // Loads first, so that no result is waited for; then the book goes, which fences every media
    // worker off it (the prefetch ends after the fetch it is in); then every worker is joined.
    loader_.SetCancel(true);
    executor_.Wait(Executor::LoadLane);
    clock_.Stop();
    log_.Stop();
    core_.Unload();
    marks_.Stop(); // the mark in flight ends; the queue is not drained
    executor_.Wait(Executor::MediaLane);
    executor_.Wait(Executor::LogLane);
    executor_.Wait(Executor::MarkLane);
}

// ---- loads ----

int PlayerTimer::LoadBook(int32_t bookId) {
    const int result = finishLoad(loader_.Fetch(bookId));
    notifyState();
    return result;
}

int PlayerTimer::finishLoad(const BookLoader::Result& result) {
    if (result.outcome == BookLoader::Outcome::Unreachable)
        return E_FAIL; // the book loaded before, its timers and workers stay as they are
    // The service answered: the book before goes. Its media workers may still run; the new
    // generation keeps them from writing into the next book.
    clock_.Stop();
    log_.Stop();
    switch (result.outcome) {
    case BookLoader::Outcome::Loaded:
        core_.Install(std::move(*result.book));
        media_.StartPrefetch();
        log_.Restart();
        return 0;
    case BookLoader::Outcome::NoBook:
        core_.Unload();
        return 1;
    default:
        core_.Unload();
        return E_FAIL;
    }
}

void PlayerTimer::onLoadFinished(const BookLoader::Result& result) {
    // A task abandoned by ResetBook: nothing of it is installed or reported.
    if (!loader_.IsCurrent(result))
        return;
    const int code = finishLoad(result);
    --loading_;
    notifyState();
    if (!result.report)
        return;
    if (code == 0)
        Q_EMIT bookReady(core_.Info());
    else if (code == 1)
        Q_EMIT noBook();
    else
        Q_EMIT loadFailed();
}

void PlayerTimer::ResetBook() {
    loader_.Abandon();
    loading_ = 0;
    clock_.Stop();
    log_.Stop();
    core_.Unload();
    // Every media worker still running is waited for, not only the newest.
    executor_.Wait(Executor::MediaLane);
    notifyState();
}

void PlayerTimer::StartLoad(uint32_t bookId) {
    // Counted from the start, so the book menu and the buttons are disabled before the task runs.
    ++loading_;
    loader_.Start(bookId, false);
    notifyState();
}

void PlayerTimer::StartClearMarks(uint32_t bookId) {
    // Ordered where the user asked for it: after the marks made until now, before those that follow.
    marks_.HoldForClear(bookId);
    ++loading_;
    loader_.Start(bookId, true);
    notifyState();
}

// ---- display and navigation ----

void PlayerTimer::ShowCard(uint32_t p) {
    // Without a display nothing is shown, recorded as seen or fetched: only the position moves.
    const bool shown = isSignalConnected(QMetaMethod::fromSignal(&PlayerTimer::cardShown));
    const EngineCore::Shown card = core_.Show(p, shown);
    if (shown) {
        if (card.total == 0) {
            Q_EMIT messageShown(kNoCards);
        } else {
            Q_EMIT cardShown(int(card.position), int(card.total), card.card.name, card.card.mean,
                             card.card.example);
            if (card.has_image)
                media_.Request(MediaKind::Image);
        }
    }
    notifyState();
}

void PlayerTimer::Next() {
    clock_.RestartPeriod();
    ShowCard(core_.NextPosition());
    ArmSound();
}

void PlayerTimer::Prev() {
    clock_.RestartPeriod();
    ShowCard(core_.PrevPosition());
    ArmSound();
}

void PlayerTimer::StartCountdown() {
    clock_.StartCountdown();
}

void PlayerTimer::ArmSound() {
    if (core_.HasSound())
        clock_.ArmSound(core_.Position());
}

void PlayerTimer::Tick() {
    clock_.Tick();
}

int PlayerTimer::SetOrder(int mode) {
    if (mode < CardOrder || mode > RandomOrder)
        return 3;
    core_.SetOrder(mode);
    ShowCard(0);
    return mode;
}

void PlayerTimer::StartPlaying() {
    if (clock_.IsPlaying() || core_.ActiveCount() == 0)
        return;
    clock_.Start();
    ArmSound();
    notifyState();
}

void PlayerTimer::StopPlaying() {
    clock_.Stop();
    notifyState();
}

void PlayerTimer::onSoundDue(uint32_t position) {
    // Several card changes within the delay lead to one pronunciation, for the card on display.
    if (core_.Position() == position)
        media_.Request(MediaKind::Sound);
}

// ---- marks ----

void PlayerTimer::CompleteCurrent() {
    const bool playing = clock_.IsPlaying();
    const std::optional<uint32_t> wordId = core_.MarkCurrent();
    if (!wordId)
        return; // no card, or memorised at load
    if (playing)
        clock_.Pause();
    marks_.Send(*wordId, core_.BookId());
    ShowCard(core_.Position());
    if (playing)
        clock_.StartCountdown();
    if (core_.ActiveCount() > 0)
        ArmSound();
    else if (playing)
        clock_.Stop();
    notifyState();
}

// ---- media ----

bool PlayerTimer::RequestSound() {
    if (!core_.IsLoaded() || !core_.HasSound())
        return false;
    media_.Request(MediaKind::Sound);
    return true;
}

// ---- state ----

PlayerTimer::State PlayerTimer::CurrentState() const {
    return {core_.IsLoaded(), loading_ > 0, clock_.IsPlaying(), core_.OrderMode(), core_.IsCurrentOpen()};
}

void PlayerTimer::notifyState() {
    const State now = CurrentState();
    if (now == state_)
        return;
    state_ = now;
    Q_EMIT stateChanged(now);
}

// ---- timers ----

void PlayerTimer::OnTimer(int id) {
    if (!IsTimerActive(id))
        return;
    switch (id) {
    case CountdownTimer:
        clock_.Tick();
        break;
    case SoundTimer:
        clock_.SoundExpired();
        break;
    case LogTimer:
        log_.Send();
        break;
    case MarkRetryTimer:
        marks_.Retry();
        break;
    default:
        break;
    }
}

bool PlayerTimer::IsTimerActive(int id) const {
    if (id == LogTimer)
        return log_.IsTimerActive();
    if (id == MarkRetryTimer)
        return marks_.IsRetryPending();
    return clock_.IsTimerActive(id);
}

// ---- the account ----

void PlayerTimer::OpenAccount(std::unique_ptr<Outbox> outbox) {
    if (outbox_ && outbox && outbox_->User() == outbox->User())
        return;
    CloseAccount();
    outbox_ = std::move(outbox);
    if (!outbox_)
        return;
    const Outbox::Contents kept = outbox_->Load();
    outboxHolds_ = !kept.IsEmpty();
    log_.Restore(kept.logs);
    marks_.Restore(kept.marks);
    if (!kept.logs.empty())
        log_.Send();
}

void PlayerTimer::SendLast(std::chrono::steady_clock::time_point deadline) {
    // Both at once, so that a stalled mark does not keep the learning log from its chance.
    std::thread marks([this, deadline] { marks_.SendLast(deadline); });
    log_.SendLast(deadline);
    marks.join();
}

void PlayerTimer::CloseAccount() {
    const Outbox::Contents left{marks_.Pending(), log_.Pending()};
    marks_.Reset();
    log_.Reset();
    if (outbox_)
        outbox_->Save(left);
    outbox_.reset();
    outboxHolds_ = false;
}

void PlayerTimer::keepUnconfirmed(bool failed) {
    // Kept at every failure, so that a crash loses as little as possible.
    if (!outbox_ || (!failed && !outboxHolds_))
        return;
    const Outbox::Contents left{marks_.Pending(), log_.Pending()};
    if (outbox_->Save(left))
        outboxHolds_ = !left.IsEmpty();
}

void PlayerTimer::WaitForWorkers() {
    executor_.Wait(Executor::MediaLane);
    executor_.Wait(Executor::LogLane);
    executor_.Wait(Executor::MarkLane);
}
