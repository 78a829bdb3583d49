#pragma once

#include <QByteArray>
#include <QString>

#include <mutex>

// Spoken words as WAV files, made with espeak-ng and kept in a cache folder.
class Speech {
  public:
    explicit Speech(const QString& cacheDir);
    // The WAV of `text` in English; empty when espeak-ng is missing or fails.
    QByteArray Wav(const QString& text);

  private:
    QString cacheDir_;
    std::mutex mutex_; // one synthesis at a time
};
