#include "player/MediaPlayer.h"

#include "platform/StartupTrace.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>

namespace {

// Sounds set aside while stalled and not yet settled; beyond that a new sound waits.
constexpr size_t kMaxSetAside = 2;

// Whether the framework is done with opening the player's sound: its audio track has been connected,
// or it has ended or failed (a failure is also reported once through errorOccurred; error() itself
// still tells the failure of the sound before while the next one opens). Until then a new URL (or any other
// state change) from the GUI thread can lock the program up: the framework connects the track on its
// streaming thread while holding a lock the GUI thread's state change waits for, and it announces the track
// only once that is over. Neither LoadedMedia nor BufferedMedia alone says so: the network buffer may be full
// before the decoder has found the sound's streams.
bool DoneOpening(const QMediaPlayer& player) {
    if (player.hasAudio())
        return true;
    const QMediaPlayer::MediaStatus status = player.mediaStatus();
    return status == QMediaPlayer::EndOfMedia || status == QMediaPlayer::InvalidMedia ||
           status == QMediaPlayer::NoMedia;
}

} // namespace

MediaPlayer::MediaPlayer() = default;

MediaPlayer::~MediaPlayer() {
    // Nothing may start while the player goes.
    waiting_.clear();
    if (player_ != nullptr)
        player_->stop();
}

std::unique_ptr<MediaPlayer> MediaPlayer::Create() {
    std::unique_ptr<MediaPlayer> player(new MediaPlayer());
    player->player_ = player->MakeBackend();
    if (player->player_ == nullptr)
        return nullptr;
    StartupTrace::Mark("media-player-created");
    return player;
}

std::unique_ptr<QMediaPlayer> MediaPlayer::MakeBackend() {
    auto player = std::make_unique<QMediaPlayer>();
    if (!player->isAvailable())
        return nullptr;
    // Every change that can tell the sound has been opened or has failed.
    QMediaPlayer* backend = player.get();
    const auto changed = [this, backend] {
        if (backend == player_.get() && DoneOpening(*backend))
            Settled();
    };
    QObject::connect(backend, &QMediaPlayer::mediaStatusChanged, backend, changed);
    QObject::connect(backend, &QMediaPlayer::hasAudioChanged, backend, changed);
    QObject::connect(backend, &QMediaPlayer::errorOccurred, backend, [this, backend] {
        if (backend == player_.get()) {
            Settled();
            return;
        }
        for (SetAside& s : setAside_)
            if (s.player.get() == backend)
                s.failed = true;
    });
    return player;
}

bool MediaPlayer::IsPlayableUrl(const QString& url) {
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid())
        return false;
    const QString scheme = parsed.scheme();
    if (scheme == QLatin1String("file"))
        return !parsed.toLocalFile().isEmpty();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !parsed.host().isEmpty();
}

void MediaPlayer::Play(const QString& url) {
    if (!IsPlayableUrl(url))
        return;
    source_ = url;
    if (player_ == nullptr)
        return;
    // Sounds set aside earlier that are done opening can go now (their players may be destroyed).
    std::erase_if(setAside_, [](const SetAside& s) { return s.failed || DoneOpening(*s.player); });
    // A sound still being opened is never replaced (see DoneOpening): the new one waits. One that has
    // been opening for seconds is stalled on its network; it is set aside, muted and untouched, and
    // the new sound gets a player of its own.
    constexpr qint64 kStalledMs = 5000;
    if (opening_) {
        if (openingSince_.elapsed() < kStalledMs || setAside_.size() >= kMaxSetAside) {
            waiting_ = url;
            return;
        }
        std::unique_ptr<QMediaPlayer> fresh = MakeBackend();
        if (fresh == nullptr) {
            waiting_ = url;
            return;
        }
        if (output_ != nullptr)
            output_->setMuted(true);
        setAside_.push_back({std::move(output_), std::move(player_), false});
        player_ = std::move(fresh);
        opening_ = false;
    }
    Start(url);
}

void MediaPlayer::Start(const QString& url) {
    waiting_.clear();
    if (output_ == nullptr) {
        // The sound device is opened with the first sound, not at start-up. Without one the output
        // goes nowhere; the player still accepts every URL.
        output_ = std::make_unique<QAudioOutput>();
        player_->setAudioOutput(output_.get());
    }
    const QUrl parsed(url, QUrl::StrictMode);
    if (player_->source() == parsed) {
        // The same sound again: start it over rather than leave it where it ended.
        player_->stop();
        player_->setPosition(0);
    } else {
        player_->setSource(parsed);
        // Read after the call: the status of the sound replaced may be reported during it.
        const QMediaPlayer::MediaStatus status = player_->mediaStatus();
        opening_ = status == QMediaPlayer::LoadingMedia || status == QMediaPlayer::StalledMedia ||
                   status == QMediaPlayer::BufferingMedia;
        openingSince_.start();
    }
    player_->play();
}

void MediaPlayer::Settled() {
    opening_ = false;
    if (!waiting_.isEmpty())
        Start(waiting_);
}

QString MediaPlayer::BackendSource() const {
    return player_ == nullptr ? QString() : player_->source().toString();
}

bool MediaPlayer::IsActive() const {
    if (player_ == nullptr)
        return false;
    if (player_->playbackState() == QMediaPlayer::PlayingState)
        return true;
    const auto status = player_->mediaStatus();
    return status == QMediaPlayer::LoadingMedia || status == QMediaPlayer::BufferingMedia;
}
