#include "player/MediaPlayer.h"

#include "platform/StartupTrace.h"
#include "player/PcmSource.h"
#include "player/SoundDecoder.h"
#include "player/SoundLoader.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <QObject>
#include <QUrl>

MediaPlayer::MediaPlayer() = default;

MediaPlayer::~MediaPlayer() {
    if (sink_ != nullptr) {
        QObject::disconnect(sink_.get(), nullptr, nullptr, nullptr);
        sink_->stop();
    }
}

std::unique_ptr<MediaPlayer> MediaPlayer::Create() {
    std::unique_ptr<MediaPlayer> player(new MediaPlayer());
    player->context_ = std::make_unique<QObject>();
    player->pcm_ = std::make_unique<PcmSource>();
    QObject* context = player->context_.get();
    MediaPlayer* self = player.get();
    player->loader_ = std::make_unique<SoundLoader>(kSampleRate, [context, self](quint64 ticket,
                                                                                 QByteArray pcm) {
        QMetaObject::invokeMethod(
            context, [self, ticket, pcm = std::move(pcm)]() mutable { self->Loaded(ticket, std::move(pcm)); },
            Qt::QueuedConnection);
    });
    StartupTrace::Mark("media-player-created");
    return player;
}

bool MediaPlayer::IsPlayableUrl(const QString& url) {
    const QUrl parsed(url, QUrl::StrictMode);
    if (!parsed.isValid())
        return false;
    const QString scheme = parsed.scheme();
    // Sound URLs come from the network (books, plug-in hosts): local files are never read.
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !parsed.host().isEmpty();
}

void MediaPlayer::Play(const QString& url) {
    if (!IsPlayableUrl(url))
        return;
    source_ = url;
    if (loader_ == nullptr)
        return;
    ++ticket_;
    if (url == outputSource_ && !outputPcm_.isEmpty()) {
        // The sound given last, again: from its beginning, without fetching it anew.
        loader_->Abandon(ticket_);
        loading_ = false;
        Output(url, outputPcm_);
        return;
    }
    loading_ = true;
    loader_->Load(ticket_, url);
}

void MediaPlayer::Loaded(quint64 ticket, QByteArray pcm) {
    if (ticket != ticket_)
        return; // replaced while it was fetched
    loading_ = false;
    // A sound that cannot be had still replaces the one that played.
    const QString url = pcm.isEmpty() ? QString() : source_;
    Output(url, std::move(pcm));
}

void MediaPlayer::Output(const QString& url, QByteArray pcm) {
    outputSource_ = url;
    outputPcm_ = pcm;
    pcm_->SetPcm(std::move(pcm));
    if (!pcm_->HasData())
        return;
    if (sink_ == nullptr)
        OpenOutput();
    if (sink_ == nullptr)
        return; // no sound device: nothing is heard
    switch (sink_->state()) {
    case QAudio::SuspendedState:
        sink_->resume();
        break;
    case QAudio::StoppedState:
        sink_->start(pcm_.get());
        break;
    default:
        break; // it reads the new sound on its own
    }
}

void MediaPlayer::OpenOutput() {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return;
    QAudioFormat format;
    format.setSampleRate(kSampleRate);
    format.setChannelCount(SoundDecoder::kChannels);
    format.setSampleFormat(QAudioFormat::Int16);
    sink_ = std::make_unique<QAudioSink>(device, format);
    QObject::connect(
        sink_.get(), &QAudioSink::stateChanged, context_.get(), [this] { OutputStateChanged(); },
        Qt::QueuedConnection);
}

void MediaPlayer::OutputStateChanged() {
    if (sink_ == nullptr)
        return;
    const QAudio::State state = sink_->state();
    if (state == QAudio::IdleState && !pcm_->HasData()) {
        // Played out: paused, the output costs nothing until the next sound.
        sink_->suspend();
    } else if (state == QAudio::StoppedState && sink_->error() != QAudio::NoError) {
        // The sound system has gone (or never let the output open): the next sound opens a new one.
        QObject::disconnect(sink_.get(), nullptr, nullptr, nullptr);
        sink_.reset();
    }
}

bool MediaPlayer::IsActive() const {
    if (loading_)
        return true;
    return sink_ != nullptr && sink_->state() == QAudio::ActiveState;
}
