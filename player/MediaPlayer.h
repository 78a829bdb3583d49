#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class PcmSource;
class QAudioSink;
class QObject;
class SoundLoader;

// Speaks pronunciations: given the URL of a sound (http or https) it plays it at once,
// replacing whatever plays. It has no window, and nothing it meets (a URL that cannot be opened, a
// machine without a sound device) reaches the user.
//
// Sounds are fetched and decoded on a worker thread and played through one sound output that stays
// open for the program's life, paused between sounds: opening an output per sound leaves a little
// memory behind in the sound system every time, which over a day of cards adds up to megabytes.
class MediaPlayer {
  public:
    // The player with its worker; its sound output is opened with the first sound.
    static std::unique_ptr<MediaPlayer> Create();

    virtual ~MediaPlayer();
    MediaPlayer(const MediaPlayer&) = delete;
    MediaPlayer& operator=(const MediaPlayer&) = delete;

    // Starts `url` from its beginning (again, when it is the one that plays). Other schemes and
    // malformed URLs play nothing and leave the current sound alone. A sound still being fetched is
    // abandoned for the new one.
    virtual void Play(const QString& url);
    // The URL given last to Play and accepted; empty before.
    QString Source() const { return source_; }
    // Whether a sound is being fetched or plays now.
    virtual bool IsActive() const;

    static bool IsPlayableUrl(const QString& url);

    // The URL whose sound was given to the output last (it lags behind Source() while a sound is
    // fetched; a sound that could not be had leaves it empty).
    QString BackendSource() const { return outputSource_; }

    // The one format of the output: 16-bit stereo at this rate (the sound system converts).
    static constexpr int kSampleRate = 48000;

  protected:
    // A player without worker and output (for doubles that record what they are asked to play).
    MediaPlayer();
    void SetSource(const QString& url) { source_ = url; }

  private:
    // The samples of request `ticket` are here (GUI thread).
    void Loaded(quint64 ticket, QByteArray pcm);
    // Gives the output `pcm` (the URL it came from is `url`).
    void Output(const QString& url, QByteArray pcm);
    void OpenOutput();
    // Every change of the output's state: a drained output pauses, a broken one is let go.
    void OutputStateChanged();

    std::unique_ptr<QObject> context_; // GUI-thread receiver of the worker's results
    std::unique_ptr<SoundLoader> loader_;
    std::unique_ptr<PcmSource> pcm_;
    std::unique_ptr<QAudioSink> sink_; // opened with the first sound, goes before pcm_
    QString source_;
    quint64 ticket_ = 0;   // the request made last
    bool loading_ = false; // that request has not answered yet
    QString outputSource_;
    QByteArray outputPcm_; // the sound given to the output last, for playing it again
};
