#pragma once
// The checks of the pronunciation decoder fuzz target, shared with the test that replays its corpus:
// whatever bytes a sound host sends, decoding ends with whole stereo frames of at most the longest
// sound a pronunciation may be, and a decoding that is stopped gives nothing.

#include "player/SoundDecoder.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <string>

namespace SoundDecoderCheck {

constexpr int kRate = 48000;

// What is wrong with decoding these bytes; empty when nothing is.
inline std::string Check(const uint8_t* data, std::size_t size) {
    // The decoder reads exactly these bytes: no copy with room behind them.
    const QByteArray file = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const QByteArray pcm = SoundDecoder::Decode(file, kRate);
    if (pcm.size() % SoundDecoder::kBytesPerFrame != 0)
        return "samples that are not whole frames";
    if (pcm.size() > qsizetype(kRate) * SoundDecoder::kMaxSeconds * SoundDecoder::kBytesPerFrame)
        return "longer than a pronunciation may be";
    if (!SoundDecoder::Decode(file, kRate, [] { return true; }).isEmpty())
        return "a stopped decoding gave samples";
    return "";
}

} // namespace SoundDecoderCheck
