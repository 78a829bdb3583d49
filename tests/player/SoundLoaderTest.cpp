#include "player/SoundLoader.h"
#include "player/SoundDecoder.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QtEndian>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

// A 16-bit PCM WAV file of a tone.
QByteArray Wav(int rate, int channels, double seconds) {
    const int frames = int(rate * seconds);
    QByteArray samples;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            const qint16 v = qint16(8000 * std::sin(i * 440.0 * 2 * M_PI / rate));
            samples.append(reinterpret_cast<const char*>(&v), 2);
        }
    const auto u32 = [](quint32 v) {
        const quint32 le = qToLittleEndian(v);
        return QByteArray(reinterpret_cast<const char*>(&le), 4);
    };
    const auto u16 = [](quint16 v) {
        const quint16 le = qToLittleEndian(v);
        return QByteArray(reinterpret_cast<const char*>(&le), 2);
    };
    return "RIFF" + u32(quint32(36 + samples.size())) + "WAVEfmt " + u32(16) + u16(1) +
           u16(quint16(channels)) + u32(quint32(rate)) + u32(quint32(rate * channels * 2)) +
           u16(quint16(channels * 2)) + u16(16) + "data" + u32(quint32(samples.size())) + samples;
}

int Peak(const QByteArray& pcm) {
    int peak = 0;
    for (qsizetype i = 0; i + 1 < pcm.size(); i += 2)
        peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(pcm.constData() + i))));
    return peak;
}

TEST(SoundDecoderTest, ConvertsToStereoAtTheOutputRateAndRefusesWhatIsNoSound) {
    // Mono at 22.05 kHz becomes stereo at 48 kHz of the same length, and keeps its loudness.
    const QByteArray pcm = SoundDecoder::Decode(Wav(22050, 1, 0.5), 48000);
    const double seconds = double(pcm.size()) / (48000 * SoundDecoder::kBytesPerFrame);
    EXPECT_NEAR(seconds, 0.5, 0.01);
    EXPECT_NEAR(Peak(pcm), 8000, 400);
    EXPECT_EQ(SoundDecoder::Decode(Wav(48000, 2, 0.25), 48000).size(), 12000 * SoundDecoder::kBytesPerFrame);

    // A sound cut short in the middle still gives what arrived.
    const QByteArray whole = Wav(48000, 1, 1.0);
    EXPECT_NEAR(double(SoundDecoder::Decode(whole.left(whole.size() / 2), 48000).size()),
                0.5 * 48000 * SoundDecoder::kBytesPerFrame, 4096);

    // Nothing to decode: empty, never a crash.
    EXPECT_TRUE(SoundDecoder::Decode(QByteArray(), 48000).isEmpty());
    EXPECT_TRUE(SoundDecoder::Decode(whole.left(30), 48000).isEmpty());
    EXPECT_TRUE(SoundDecoder::Decode(QByteArray(5000, 'x'), 48000).isEmpty());
    EXPECT_TRUE(SoundDecoder::Decode("<html><body>Not found</body></html>", 48000).isEmpty());
    // A playlist naming a local file is not followed.
    EXPECT_TRUE(SoundDecoder::Decode("#EXTM3U\n#EXTINF:1,\nfile:///etc/passwd\n", 48000).isEmpty());
    EXPECT_TRUE(SoundDecoder::Decode(Wav(48000, 1, 0.1), 0).isEmpty());
    // Stopped: empty.
    EXPECT_TRUE(SoundDecoder::Decode(whole, 48000, [] { return true; }).isEmpty());

    // An hour of sound is cut at the longest a pronunciation may be.
    EXPECT_EQ(SoundDecoder::Decode(Wav(8000, 1, SoundDecoder::kMaxSeconds + 5), 8000).size(),
              8000 * SoundDecoder::kMaxSeconds * SoundDecoder::kBytesPerFrame);
}

// What the loader delivers, waited for with a condition variable.
struct Deliveries {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<quint64, qsizetype>> got; // ticket, bytes

    bool WaitFor(size_t count) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(30), [&] { return got.size() >= count; });
    }
};

TEST(SoundLoaderTest, DeliversTheLatestRequestOnlyAndEmptyForWhatCannotBeHad) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath("a.wav"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Wav(24000, 1, 0.2));
    file.close();
    const QString url = QUrl::fromLocalFile(file.fileName()).toString();

    Deliveries d;
    {
        SoundLoader loader(48000, [&](quint64 ticket, QByteArray pcm) {
            const std::lock_guard lock(d.mutex);
            d.got.emplace_back(ticket, pcm.size());
            d.changed.notify_all();
        });
        // Requests made faster than the worker takes them: the last one is answered, nothing older
        // after it.
        for (quint64 t = 1; t <= 20; ++t)
            loader.Load(t, url);
        ASSERT_TRUE(d.WaitFor(1));
        {
            const std::lock_guard lock(d.mutex);
            for (size_t i = 1; i < d.got.size(); ++i)
                EXPECT_GT(d.got[i].first, d.got[i - 1].first);
        }
        loader.Load(21, url + "-missing");
        loader.Load(22, QStringLiteral("http://127.0.0.1:1/refused.wav"));
        ASSERT_TRUE(d.WaitFor(2));
        for (int i = 0; i < 100; ++i) {
            {
                const std::lock_guard lock(d.mutex);
                if (d.got.back().first == 22)
                    break;
            }
            std::this_thread::yield();
            d.WaitFor(d.got.size() + 1);
        }
        // Destroyed with a request in hand: joins without delivering it.
        loader.Load(23, url);
    }
    const std::lock_guard lock(d.mutex);
    bool sawLatestFile = false;
    for (const auto& [ticket, bytes] : d.got) {
        if (ticket == 20) {
            sawLatestFile = true;
            EXPECT_EQ(bytes, 9600 * SoundDecoder::kBytesPerFrame);
        }
        if (ticket == 21 || ticket == 22) {
            EXPECT_EQ(bytes, 0);
        }
    }
    EXPECT_TRUE(sawLatestFile);
    EXPECT_EQ(std::count_if(d.got.begin(), d.got.end(), [](const auto& g) { return g.first == 22; }), 1);
}

TEST(SoundLoaderTest, FetchRefusesOtherSchemesAndOversizedFiles) {
    const auto never = [] { return false; };
    EXPECT_TRUE(SoundLoader::Fetch(QStringLiteral("ftp://127.0.0.1/a.wav"), never).isEmpty());
    EXPECT_TRUE(SoundLoader::Fetch(QStringLiteral("file:///nonexistent/a.wav"), never).isEmpty());
    QTemporaryDir dir;
    QFile big(dir.filePath("big.wav"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(SoundLoader::kMaxFileBytes + 1));
    big.close();
    EXPECT_TRUE(SoundLoader::Fetch(QUrl::fromLocalFile(big.fileName()).toString(), never).isEmpty());
}

} // namespace
