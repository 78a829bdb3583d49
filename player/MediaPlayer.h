#pragma once

#include <QElapsedTimer>
#include <QString>

#include <memory>
#include <vector>

class QAudioOutput;
class QMediaPlayer;

// Speaks pronunciations: given the URL of a sound (http, https or a local file) it plays it at once,
// replacing whatever plays. It has no window, and nothing it meets (a URL that cannot be opened, a
// machine without a sound device) reaches the user.
class MediaPlayer {
  public:
    // The player over the system's media framework, or null when that framework cannot play at all.
    static std::unique_ptr<MediaPlayer> Create();

    virtual ~MediaPlayer();
    MediaPlayer(const MediaPlayer&) = delete;
    MediaPlayer& operator=(const MediaPlayer&) = delete;

    // Starts `url` from its beginning (again, when it is the one that plays). Other schemes and
    // malformed URLs play nothing and leave the current sound alone. While the sound before is still
    // being opened, `url` waits until it is open (or has failed), then replaces it: a new URL given to
    // the media framework at that moment can lock up the GUI thread for good. A sound stalled on its
    // network for seconds is set aside, muted, and `url` starts at once on a player of its own.
    virtual void Play(const QString& url);
    // The URL given last to Play and accepted; empty before.
    QString Source() const { return source_; }
    // Whether a sound is opening or playing now.
    virtual bool IsActive() const;

    static bool IsPlayableUrl(const QString& url);

    // What the media framework has been given last (it lags behind Source() while a sound opens).
    QString BackendSource() const;

  protected:
    // A player without the media framework (for doubles that record what they are asked to play).
    MediaPlayer();
    void SetSource(const QString& url) { source_ = url; }

  private:
    std::unique_ptr<QMediaPlayer> MakeBackend();
    // Hands `url` to the media framework and starts it.
    void Start(const QString& url);
    // The sound given last is open or has failed: a URL that waited takes its place.
    void Settled();

    std::unique_ptr<QAudioOutput> output_; // made with the first sound
    std::unique_ptr<QMediaPlayer> player_;
    QString source_;
    bool opening_ = false; // the framework is opening the sound it was given last
    QElapsedTimer openingSince_;
    QString waiting_; // the URL to start once that sound is open
    // Players of stalled sounds, kept until they are done opening (destroying one earlier is a state
    // change like any other).
    struct SetAside {
        std::unique_ptr<QAudioOutput> output;
        std::unique_ptr<QMediaPlayer> player; // goes before its output
        bool failed;                          // its sound has failed
    };
    std::vector<SetAside> setAside_;
};
