#include "player/SoundLoader.h"
#include "player/SoundDecoder.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QtEndian>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A plain HTTP host on the loopback that answers GET `path` with `body` and anything else with 404,
// one connection at a time, until it is destroyed.
class SoundHost {
  public:
    SoundHost(std::string path, QByteArray body) : path_(std::move(path)), body_(std::move(body)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listener_, 8) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~SoundHost() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        ::close(listener_);
    }
    QString Url(const char* path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
    }

  private:
    void Serve() {
        while (!stop_) {
            pollfd wait{listener_, POLLIN, 0};
            if (::poll(&wait, 1, 50) <= 0)
                continue;
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client < 0)
                continue;
            std::string request;
            char chunk[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
                if (n <= 0)
                    break;
                request.append(chunk, size_t(n));
            }
            const bool found = request.rfind("GET " + path_ + " ", 0) == 0;
            const QByteArray body = found ? body_ : QByteArray("not found");
            const QByteArray head = (found ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 404 Not Found\r\n") +
                                    QByteArray("Content-Length: ") + QByteArray::number(body.size()) +
                                    "\r\nConnection: close\r\n\r\n";
            for (const QByteArray& part : {head, body}) {
                for (qsizetype sent = 0; sent < part.size();) {
                    const ssize_t n =
                        ::send(client, part.constData() + sent, size_t(part.size() - sent), MSG_NOSIGNAL);
                    if (n <= 0)
                        break;
                    sent += n;
                }
            }
            ::close(client);
        }
    }

    const std::string path_;
    const QByteArray body_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

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

    // A file claiming two billion samples a second is no sound (its converter would take gigabytes);
    // the highest rate sound cards use still is.
    QByteArray absurd = Wav(8000, 1, 0.1);
    qToLittleEndian<quint32>(2000000000u, absurd.data() + 24);
    EXPECT_TRUE(SoundDecoder::Decode(absurd, 48000).isEmpty());
    EXPECT_NEAR(double(SoundDecoder::Decode(Wav(384000, 1, 0.01), 48000).size()),
                480.0 * SoundDecoder::kBytesPerFrame, 8.0 * SoundDecoder::kBytesPerFrame);

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
    const SoundHost host("/a.wav", Wav(24000, 1, 0.2));
    const QString url = host.Url("/a.wav");

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

TEST(SoundLoaderTest, FetchRefusesOtherSchemesLocalFilesAndOversizedSounds) {
    const auto never = [] { return false; };
    EXPECT_TRUE(SoundLoader::Fetch(QStringLiteral("ftp://127.0.0.1/a.wav"), never).isEmpty());
    // A local file, readable and a sound, is never read.
    QTemporaryDir dir;
    QFile wav(dir.filePath("a.wav"));
    ASSERT_TRUE(wav.open(QIODevice::WriteOnly));
    wav.write(Wav(24000, 1, 0.2));
    wav.close();
    for (const QString& local :
         {QUrl::fromLocalFile(wav.fileName()).toString(), QStringLiteral("file://localhost") + wav.fileName(),
          QStringLiteral("FILE://") + wav.fileName()})
        EXPECT_TRUE(SoundLoader::Fetch(local, never).isEmpty()) << local.toStdString();

    const SoundHost host("/big.wav", QByteArray(SoundLoader::kMaxFileBytes + 1, 'x'));
    EXPECT_TRUE(SoundLoader::Fetch(host.Url("/big.wav"), never).isEmpty());
}

// A FIFO (or a terminal) named by a "file:" URL would block whoever opens it until a writer comes: the
// worker must not open it, so that the answer comes and the loader's destructor returns at once.
TEST(SoundLoaderTest, AFifoNamedByAFileUrlNeverBlocksTheWorker) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("pipe.wav");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    std::mutex mutex;
    std::condition_variable changed;
    bool finished = false;
    std::atomic<bool> released{false};
    // Should the worker block after all, a writer releases it after a while so that the test fails
    // instead of hanging.
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (changed.wait_for(lock, std::chrono::seconds(20), [&] { return finished; }))
            return;
        released = true;
        const int writer = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
    });

    Deliveries d;
    {
        SoundLoader loader(48000, [&](quint64 ticket, QByteArray pcm) {
            const std::lock_guard lock(d.mutex);
            d.got.emplace_back(ticket, pcm.size());
            d.changed.notify_all();
        });
        loader.Load(1, QUrl::fromLocalFile(fifo).toString());
        EXPECT_TRUE(d.WaitFor(1));
        loader.Load(2, QUrl::fromLocalFile(fifo).toString());
    }
    {
        const std::lock_guard lock(mutex);
        finished = true;
    }
    changed.notify_all();
    watchdog.join();
    EXPECT_FALSE(released) << "the worker blocked on the FIFO";
    const std::lock_guard lock(d.mutex);
    ASSERT_FALSE(d.got.empty());
    EXPECT_EQ(d.got.front(), (std::pair<quint64, qsizetype>(1, 0)));
}

} // namespace
