#pragma once

#include <QByteArray>

#include <functional>

// Turns a sound file held in memory (any container and codec the FFmpeg libraries read) into the one
// sample format the program's sound output takes: interleaved signed 16-bit stereo at a given rate.
class SoundDecoder {
  public:
    static constexpr int kChannels = 2;
    static constexpr int kBytesPerFrame = kChannels * 2;
    // A pronunciation is a word or a sentence; anything longer is cut here.
    static constexpr int kMaxSeconds = 30;

    // The samples, or empty when `file` holds no decodable sound. `stopped` is asked between packets;
    // once it answers true decoding ends with an empty result.
    static QByteArray Decode(const QByteArray& file, int sampleRate,
                             const std::function<bool()>& stopped = nullptr);
};
