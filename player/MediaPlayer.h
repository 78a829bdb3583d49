#pragma once

#include <QString>

#include <memory>

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
    // malformed URLs play nothing and leave the current sound alone.
    virtual void Play(const QString& url);
    // The URL given last to Play and accepted; empty before.
    QString Source() const { return source_; }
    // Whether a sound is opening or playing now.
    virtual bool IsActive() const;

    static bool IsPlayableUrl(const QString& url);

  protected:
    // A player without the media framework (for doubles that record what they are asked to play).
    MediaPlayer();
    void SetSource(const QString& url) { source_ = url; }

  private:
    bool OpenBackend();

    std::unique_ptr<QAudioOutput> output_; // made with the first sound
    std::unique_ptr<QMediaPlayer> player_;
    QString source_;
};
