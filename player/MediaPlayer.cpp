#include "player/MediaPlayer.h"

#include "platform/StartupTrace.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>

MediaPlayer::MediaPlayer() = default;

MediaPlayer::~MediaPlayer() {
    if (player_ != nullptr)
        player_->stop();
}

std::unique_ptr<MediaPlayer> MediaPlayer::Create() {
    std::unique_ptr<MediaPlayer> player(new MediaPlayer());
    if (!player->OpenBackend())
        return nullptr;
    return player;
}

bool MediaPlayer::OpenBackend() {
    auto player = std::make_unique<QMediaPlayer>();
    if (!player->isAvailable())
        return false;
    QObject::connect(player.get(), &QMediaPlayer::mediaStatusChanged, player.get(),
                     [this](QMediaPlayer::MediaStatus status) {
                         switch (status) {
                         // Not BufferedMedia: the network buffer may be full before the decoder has
                         // found the sound's streams.
                         case QMediaPlayer::LoadedMedia:
                         case QMediaPlayer::EndOfMedia:
                         case QMediaPlayer::InvalidMedia:
                         case QMediaPlayer::NoMedia:
                             Settled();
                             break;
                         default:
                             break;
                         }
                     });
    QObject::connect(player.get(), &QMediaPlayer::errorOccurred, player.get(), [this] { Settled(); });
    player_ = std::move(player);
    StartupTrace::Mark("media-player-created");
    return true;
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
    // Replacing a sound whose decoder is still adding its streams deadlocks the framework (the GUI
    // thread waits for the streaming thread, which waits for a lock the GUI thread holds). A sound that
    // has been opening for seconds is stalled on its network and adds nothing: that one is replaced.
    constexpr qint64 kStalledMs = 5000;
    if (opening_ && openingSince_.elapsed() < kStalledMs) {
        waiting_ = url;
        return;
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
