#include "player/SoundDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace {

// Sample rates a sound may have. The converter's filter grows with the ratio to the output rate: a
// file that claims two billion samples a second would have it take gigabytes.
constexpr int kMinInputRate = 1000;
constexpr int kMaxInputRate = 384000;

bool IsSoundRate(int rate) {
    return rate >= kMinInputRate && rate <= kMaxInputRate;
}

struct FormatClose {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct IoFree {
    void operator()(AVIOContext* c) const {
        av_freep(&c->buffer);
        avio_context_free(&c);
    }
};
struct CodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct SwrFree {
    void operator()(SwrContext* c) const { swr_free(&c); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};

// The file in memory as FFmpeg's input.
struct MemoryInput {
    const QByteArray& data;
    qint64 pos = 0;
};

int ReadInput(void* opaque, uint8_t* buffer, int size) {
    auto* in = static_cast<MemoryInput*>(opaque);
    const qint64 left = in->data.size() - in->pos;
    if (left <= 0)
        return AVERROR_EOF;
    const int n = int(std::min<qint64>(left, size));
    std::memcpy(buffer, in->data.constData() + in->pos, size_t(n));
    in->pos += n;
    return n;
}

int64_t SeekInput(void* opaque, int64_t offset, int whence) {
    auto* in = static_cast<MemoryInput*>(opaque);
    const qint64 size = in->data.size();
    qint64 target = 0;
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE:
        return size;
    case SEEK_SET:
        target = offset;
        break;
    case SEEK_CUR:
        target = in->pos + offset;
        break;
    case SEEK_END:
        target = size + offset;
        break;
    default:
        return AVERROR(EINVAL);
    }
    if (target < 0 || target > size)
        return AVERROR(EINVAL);
    in->pos = target;
    return target;
}

// A container that names other files (a playlist, a concatenation list) would have FFmpeg open them:
// the sound comes from the network, so it may open nothing.
int RefuseNestedInput(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
    return AVERROR(EPERM);
}

// Appends the converted samples of `frame` (null: what the converter still holds).
bool Convert(SwrContext* swr, const AVFrame* frame, QByteArray& pcm) {
    const int inSamples = frame != nullptr ? frame->nb_samples : 0;
    const int room = swr_get_out_samples(swr, inSamples);
    if (room < 0)
        return false;
    if (room == 0)
        return true;
    const qsizetype old = pcm.size();
    pcm.resize(old + qsizetype(room) * SoundDecoder::kBytesPerFrame);
    auto* out = reinterpret_cast<uint8_t*>(pcm.data() + old);
    const int got = swr_convert(
        swr, &out, room, frame != nullptr ? const_cast<const uint8_t**>(frame->extended_data) : nullptr,
        inSamples);
    if (got < 0) {
        pcm.resize(old);
        return false;
    }
    pcm.resize(old + qsizetype(got) * SoundDecoder::kBytesPerFrame);
    return true;
}

// Converts decoded frames to the output format. It is made for the first frame and made anew for
// any frame whose sample format, rate or channel layout differs from the one before: a stream may change
// them midway (an AAC stream from mono to stereo, say), and a converter given a frame with fewer planes
// than it was made for reads through a null pointer.
class Converter {
  public:
    Converter() = default;
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    ~Converter() { av_channel_layout_uninit(&layout_); }

    // Appends the samples of `frame` to `pcm`.
    bool Add(const AVFrame* frame, int sampleRate, QByteArray& pcm) {
        if (!Fits(frame)) {
            // What the converter of the frames before still holds goes first.
            if (!Flush(pcm) || !Reset(frame, sampleRate))
                return false;
        }
        return Convert(swr_.get(), frame, pcm);
    }

    // Appends what the converter still holds.
    bool Flush(QByteArray& pcm) { return swr_ == nullptr || Convert(swr_.get(), nullptr, pcm); }

  private:
    bool Fits(const AVFrame* frame) const {
        return swr_ != nullptr && frame->format == format_ && frame->sample_rate == rate_ &&
               av_channel_layout_compare(&frame->ch_layout, &layout_) == 0;
    }

    bool Reset(const AVFrame* frame, int sampleRate) {
        swr_.reset();
        av_channel_layout_uninit(&layout_);
        const int channels = frame->ch_layout.nb_channels;
        if (channels <= 0 || !IsSoundRate(frame->sample_rate) || frame->format < 0)
            return false;
        AVChannelLayout in{};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&in, channels);
        else if (av_channel_layout_copy(&in, &frame->ch_layout) < 0)
            return false;
        AVChannelLayout out = AV_CHANNEL_LAYOUT_STEREO;
        SwrContext* made = nullptr;
        const int set = swr_alloc_set_opts2(&made, &out, AV_SAMPLE_FMT_S16, sampleRate, &in,
                                            AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        std::unique_ptr<SwrContext, SwrFree> swr(made);
        if (set < 0 || swr == nullptr)
            return false;
        // A mono sound is heard at its own loudness on both sides (the converter would lower it by 3 dB).
        const double monoToStereo[2] = {1.0, 1.0};
        if (channels == 1 && swr_set_matrix(swr.get(), monoToStereo, 1) < 0)
            return false;
        if (swr_init(swr.get()) < 0 || av_channel_layout_copy(&layout_, &frame->ch_layout) < 0)
            return false;
        format_ = frame->format;
        rate_ = frame->sample_rate;
        swr_ = std::move(swr);
        return true;
    }

    std::unique_ptr<SwrContext, SwrFree> swr_;
    int format_ = AV_SAMPLE_FMT_NONE;
    int rate_ = 0;
    AVChannelLayout layout_{};
};

} // namespace

QByteArray SoundDecoder::Decode(const QByteArray& file, int sampleRate,
                                const std::function<bool()>& stopped) {
    // Odd files are an everyday case here, not something to print.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
    if (file.isEmpty() || sampleRate <= 0)
        return {};
    const auto isStopped = [&] { return stopped && stopped(); };

    MemoryInput input{file};
    constexpr int kIoBufferSize = 16 * 1024;
    auto* ioBuffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (ioBuffer == nullptr)
        return {};
    std::unique_ptr<AVIOContext, IoFree> io(
        avio_alloc_context(ioBuffer, kIoBufferSize, 0, &input, &ReadInput, nullptr, &SeekInput));
    if (io == nullptr) {
        av_free(ioBuffer);
        return {};
    }
    AVFormatContext* opened = avformat_alloc_context();
    if (opened == nullptr)
        return {};
    opened->pb = io.get();
    opened->flags |= AVFMT_FLAG_CUSTOM_IO;
    opened->io_open = &RefuseNestedInput;
    if (avformat_open_input(&opened, nullptr, nullptr, nullptr) < 0)
        return {}; // the context is freed on failure
    const std::unique_ptr<AVFormatContext, FormatClose> format(opened);
    if (avformat_find_stream_info(format.get(), nullptr) < 0)
        return {};
    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (stream < 0 || codec == nullptr)
        return {};
    const std::unique_ptr<AVCodecContext, CodecFree> decoder(avcodec_alloc_context3(codec));
    if (decoder == nullptr ||
        avcodec_parameters_to_context(decoder.get(), format->streams[stream]->codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return {};
    if (decoder->ch_layout.nb_channels <= 0 || !IsSoundRate(decoder->sample_rate))
        return {};

    const std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    const std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    if (packet == nullptr || frame == nullptr)
        return {};
    const qsizetype limit = qsizetype(sampleRate) * kMaxSeconds * kBytesPerFrame;
    QByteArray pcm;
    Converter converter;
    // One block of the expected size instead of one regrown for every frame, which would leave holes
    // in the heap (a length beyond the limit is not believed).
    const double expected =
        format->duration > 0
            ? double(format->duration) / AV_TIME_BASE * sampleRate * kBytesPerFrame * 1.02 + 4096
            : 0;
    if (expected > 0 && expected < double(limit))
        pcm.reserve(qsizetype(expected));
    bool failed = false;
    // Takes every frame the decoder has ready; false once the sound is long enough or broken.
    const auto drain = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
            const bool ok = converter.Add(frame.get(), sampleRate, pcm);
            av_frame_unref(frame.get());
            if (!ok) {
                failed = true;
                return false;
            }
            if (pcm.size() >= limit)
                return false;
        }
        return true;
    };
    bool more = true;
    while (more && av_read_frame(format.get(), packet.get()) >= 0) {
        if (packet->stream_index == stream) {
            // A damaged packet is skipped; the rest of the sound still plays.
            if (avcodec_send_packet(decoder.get(), packet.get()) == 0)
                more = drain();
        }
        av_packet_unref(packet.get());
        if (isStopped())
            return {};
    }
    if (more && avcodec_send_packet(decoder.get(), nullptr) == 0)
        more = drain();
    if (failed)
        return {};
    if (more && !converter.Flush(pcm))
        return {};
    if (pcm.size() > limit)
        pcm.truncate(limit);
    return pcm;
}
