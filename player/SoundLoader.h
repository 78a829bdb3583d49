#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Fetches and decodes pronunciations on a worker thread of its own, one at a time. A request replaces
// the one before: its transfer or decoding is abandoned and nothing of it is delivered.
class SoundLoader {
  public:
    // Called on the worker thread with a request's ticket and its samples (empty when the sound could
    // not be fetched or decoded); never for a request that has been replaced.
    using Delivery = std::function<void(quint64 ticket, QByteArray pcm)>;

    SoundLoader(int sampleRate, Delivery deliver);
    // Abandons the request in hand and joins the worker.
    ~SoundLoader();
    SoundLoader(const SoundLoader&) = delete;
    SoundLoader& operator=(const SoundLoader&) = delete;

    // `ticket` must grow from one request to the next.
    void Load(quint64 ticket, const QString& url);
    // Abandons the request in hand without making a new one (`ticket` as for Load).
    void Abandon(quint64 ticket);

    // Pronunciations are small; a larger answer is not one.
    static constexpr qint64 kMaxFileBytes = 16 * 1024 * 1024;
    // The file behind an http or https URL, empty when it cannot be had in full (or for any other scheme).
    // `stopped` is asked while the transfer runs (at least once a second) and ends it early.
    static QByteArray Fetch(const QString& url, const std::function<bool()>& stopped);

  private:
    void Run();

    const int sampleRate_;
    const Delivery deliver_;
    std::mutex mutex_;
    std::condition_variable wake_;
    quint64 ticket_ = 0;   // the request to take next (under mutex_)
    QString url_;          // its URL (under mutex_)
    bool pending_ = false; // not taken yet (under mutex_)
    bool quit_ = false;    // (under mutex_)
    // The ticket wanted now, read by the worker without the lock to abandon older work.
    std::atomic<quint64> wanted_{0};
    std::thread worker_;
};
