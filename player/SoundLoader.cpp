#include "player/SoundLoader.h"

#include "player/SoundDecoder.h"
#include "service/CurlTransfer.h"

#include <QUrl>

#include <curl/curl.h>

#include <limits>
#include <memory>

namespace {

// A pronunciation is a short file: a host that takes longer than this to connect, or sends nothing for
// this long, has failed.
constexpr long kConnectMs = 10000;
constexpr long kStallSeconds = 15;

struct Transfer {
    CURL* handle = nullptr;
    QByteArray body;
    bool tooLarge = false;
    const std::function<bool()>* stopped = nullptr;
};

size_t AppendBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    if (t->body.size() + qint64(n) > SoundLoader::kMaxFileBytes) {
        t->tooLarge = true;
        return 0; // ends the transfer
    }
    if (t->body.isEmpty()) {
        // The whole body in one block when its length is announced.
        curl_off_t length = -1;
        if (curl_easy_getinfo(t->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
            length > 0 && length <= SoundLoader::kMaxFileBytes)
            t->body.reserve(qsizetype(length));
    }
    t->body.append(data, qsizetype(n));
    return n;
}

int CheckStopped(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* t = static_cast<Transfer*>(user);
    return (*t->stopped)() ? 1 : 0;
}

QByteArray FetchHttp(const QUrl& url, const std::function<bool()>& stopped) {
    const CurlTransfer::Easy h(curl_easy_init());
    if (h == nullptr)
        return {};
    Transfer transfer;
    transfer.handle = h.get();
    transfer.stopped = &stopped;
    const QByteArray address = url.toEncoded();
    CURL* c = h.get();
    curl_easy_setopt(c, CURLOPT_URL, address.constData());
    CurlTransfer::SetBasicOptions(c, {kConnectMs, kStallSeconds});
    // A sound asked for over https is never handed to plain http by a redirect.
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR,
                     url.scheme() == QLatin1String("https") ? "https" : "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &AppendBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &CheckStopped);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    if (curl_easy_perform(c) != CURLE_OK || transfer.tooLarge)
        return {};
    return transfer.body;
}

} // namespace

SoundLoader::SoundLoader(int sampleRate, Delivery deliver)
    : sampleRate_(sampleRate), deliver_(std::move(deliver)), worker_([this] { Run(); }) {}

SoundLoader::~SoundLoader() {
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wanted_.store(std::numeric_limits<quint64>::max());
    wake_.notify_one();
    worker_.join();
}

void SoundLoader::Load(quint64 ticket, const QString& url) {
    {
        const std::lock_guard lock(mutex_);
        ticket_ = ticket;
        url_ = url;
        pending_ = true;
    }
    wanted_.store(ticket);
    wake_.notify_one();
}

void SoundLoader::Abandon(quint64 ticket) {
    const std::lock_guard lock(mutex_);
    pending_ = false;
    wanted_.store(ticket);
}

QByteArray SoundLoader::Fetch(const QString& url, const std::function<bool()>& stopped) {
    const QUrl parsed(url, QUrl::StrictMode);
    // Sound URLs come from books and plug-in hosts: a "file:" one would read the user's files (and a
    // FIFO or a terminal would block the worker for good), so only http and https are fetched.
    if (parsed.scheme() == QLatin1String("http") || parsed.scheme() == QLatin1String("https"))
        return FetchHttp(parsed, stopped);
    return {};
}

void SoundLoader::Run() {
    for (;;) {
        quint64 ticket = 0;
        QString url;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return quit_ || pending_; });
            if (quit_)
                return;
            ticket = ticket_;
            url = url_;
            pending_ = false;
        }
        const std::function<bool()> stopped = [this, ticket] { return wanted_.load() != ticket; };
        QByteArray pcm;
        {
            const QByteArray file = Fetch(url, stopped);
            if (!stopped())
                pcm = SoundDecoder::Decode(file, sampleRate_, stopped);
        }
        if (!stopped())
            deliver_(ticket, std::move(pcm));
    }
}
