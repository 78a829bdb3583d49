#include "service/ServiceTransport.h"

#include "service/CurlTransfer.h"

#include "service/RedirectRule.h"
#include "service/ServiceAddress.h"
#include "service/ServiceClient.h"
#include "service/TextEncoding.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr const char* kUserAgent = "Lexicarta Desktop";
// The installer download announces itself under its own agent name.
constexpr const char* kDownloadAgent = "HTTPFILE";
constexpr const char* kFormHeader = "Content-Type: application/x-www-form-urlencoded";
// Body bytes are read in slices of this size; a zero byte ends what is kept of its slice.
constexpr std::size_t kChunkSize = 1024;

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void logLine(const QString& line) {
    QString text = line;
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1); // the logging system ends every message with its own line break
    qCDebug(lcServiceClient).noquote() << text;
}

// The body as the program keeps it: 1024-byte slices, each cut at its first zero byte.
QByteArray keepChunks(const std::string& raw) {
    QByteArray kept;
    kept.reserve(static_cast<qsizetype>(raw.size()));
    for (std::size_t pos = 0; pos < raw.size(); pos += kChunkSize) {
        const std::size_t len = std::min(kChunkSize, raw.size() - pos);
        const char* chunk = raw.data() + pos;
        const void* zero = std::memchr(chunk, 0, len);
        kept.append(chunk, zero ? static_cast<const char*>(zero) - chunk : static_cast<qsizetype>(len));
    }
    return kept;
}

long responseCode(CURL* h) {
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

// Where an exchange's body goes: kept up to the cap; a longer answer abandons the transfer. The body
// of a redirect is dropped.
struct BodySink {
    CURL* handle = nullptr;
    std::size_t cap = ServiceTransport::kMaxAnswerSize;
    std::string raw;
    bool tooLarge = false;
};

size_t appendBody(char* data, size_t size, size_t count, void* userdata) {
    auto* sink = static_cast<BodySink*>(userdata);
    const size_t n = size * count;
    if (RedirectRule::IsRedirect(responseCode(sink->handle)))
        return n;
    if (sink->raw.size() + n > sink->cap) {
        sink->tooLarge = true;
        return 0; // abandons the transfer
    }
    sink->raw.append(data, n);
    return n;
}

// Parses `url` for an exchange; null when it is not an http(s) URL with a host.
CURLU* parseUrl(const QString& url) {
    CURLU* u = curl_url();
    if (!u)
        return nullptr;
    const QByteArray bytes = url.toUtf8();
    char* scheme = nullptr;
    char* host = nullptr;
    bool ok = !bytes.isEmpty() && !bytes.contains('\0') &&
              curl_url_set(u, CURLUPART_URL, bytes.constData(), 0) == CURLUE_OK &&
              curl_url_get(u, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
              curl_url_get(u, CURLUPART_HOST, &host, 0) == CURLUE_OK && host && *host;
    if (ok)
        ok = std::strcmp(scheme, "http") == 0 || std::strcmp(scheme, "https") == 0;
    curl_free(scheme);
    curl_free(host);
    if (!ok) {
        curl_url_cleanup(u);
        return nullptr;
    }
    return u;
}

using CurlTransfer::Easy;
using CurlTransfer::HeaderList;
using CurlTransfer::Url;

QString connectFailedLine(CURLcode code) {
    return QStringLiteral("ERROR# Connect Failed[%1] :%2\n")
        .arg(int(code))
        .arg(QString::fromUtf8(curl_easy_strerror(code)));
}

} // namespace

ServiceTransport::ServiceTransport(const QString& baseUrl)
    : connectMs_(long(ServiceClient::kDefaultConnectTimeout.count())),
      stallSeconds_(long(ServiceClient::kDefaultStallTimeout.count())),
      waitedForMs_(long(std::chrono::milliseconds(ServiceClient::kDefaultWaitedForLimit).count())),
      downloadMs_(long(std::chrono::milliseconds(ServiceClient::kDefaultDownloadLimit).count())) {
    initCurlOnce();
    QString base = baseUrl.isEmpty() ? ServiceAddress::Configured() : baseUrl;
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    baseUrl_ = base;
    serviceOrigin_ = RedirectRule::Origin(base);
    // The program refuses such an address at start; a client given one sends nothing to it.
    addressRefused_ = !ServiceAddress::Problem(base).isEmpty();
}

std::shared_ptr<CurlSession> ServiceTransport::current() {
    std::lock_guard lock(sessionMutex_);
    if (!session_)
        session_ = CurlSession::Create();
    return session_;
}

// After a transport error on `failed`: the next exchange starts a fresh session, unless another
// thread has replaced it already, whose fresh session (perhaps signed in since) is kept.
void ServiceTransport::replace(const std::shared_ptr<CurlSession>& failed) {
    std::shared_ptr<CurlSession> old;
    std::lock_guard lock(sessionMutex_);
    if (session_ != failed)
        return;
    old = std::move(session_);
    session_ = CurlSession::Create();
    sessionsLost_.fetch_add(1);
}

void ServiceTransport::OpenSession() {
    current();
}

void ServiceTransport::ResetSession() {
    std::shared_ptr<CurlSession> old;
    std::lock_guard lock(sessionMutex_);
    // Freed here unless an exchange still runs on it; then that exchange frees it when it ends.
    old = std::move(session_);
}

bool ServiceTransport::HasSession() const {
    std::lock_guard lock(sessionMutex_);
    return session_ != nullptr;
}

void ServiceTransport::AbortAll() {
    runner_.AbortAll();
}

void ServiceTransport::SetTimeouts(std::chrono::milliseconds connect, std::chrono::seconds stall) {
    connectMs_ = long(std::max<int64_t>(1, connect.count()));
    stallSeconds_ = long(std::max<int64_t>(1, stall.count()));
}

void ServiceTransport::SetTotalLimits(std::chrono::milliseconds waitedFor,
                                      std::chrono::milliseconds download) {
    waitedForMs_ = long(std::max<int64_t>(1, waitedFor.count()));
    downloadMs_ = long(std::max<int64_t>(1, download.count()));
}

void ServiceTransport::SetConnectionReuse(bool reuse) {
    reuse_ = reuse;
}

void ServiceTransport::SetCertificateAuthorities(const QString& pemFile) {
    caFile_ = QFile::encodeName(pemFile);
}

void ServiceTransport::Log(const QString& line) {
    logLine(line);
}

bool ServiceTransport::IsHttpUrl(const QString& text) {
    return Url(parseUrl(text)) != nullptr;
}

// Options every transfer of this client shares: protocols, time limits, trusted authorities. Redirects
// are followed by hand (follow), never by libcurl.
void ServiceTransport::setCommonOptions(CURL* h) const {
    CurlTransfer::SetBasicOptions(h, {connectMs_.load(), stallSeconds_.load()});
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    if (!caFile_.isEmpty())
        curl_easy_setopt(h, CURLOPT_CAINFO, caFile_.constData());
    if (!reuse_) {
        curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
    }
}

// Sends `ex` and follows the redirects it is answered with, one fresh handle a hop. Only a hop to the
// service's origin uses the session `on` (its cookies); the credentials go only to `home`, the origin
// of the first request; a body is never sent to another origin, and https never leads to http.
ServiceTransport::HopsResult ServiceTransport::follow(const Exchange& ex, const CurlSession* on,
                                                      const QString& home,
                                                      const std::function<void(CURL*)>& attachSink) {
    HopsResult result;
    RedirectRule::Request request{ex.url, ex.post};
    for (int hops = 0;; ++hops) {
        const Url url(parseUrl(request.url));
        const Easy h(curl_easy_init());
        if (!url || !h) {
            result.error = url ? CURLE_OUT_OF_MEMORY : CURLE_URL_MALFORMAT;
            return result;
        }
        const QString origin = RedirectRule::Origin(request.url);
        const bool onSession = on && origin == serviceOrigin_;
        HeaderList headers(curl_slist_append(nullptr, "Accept:"));
        curl_slist_append(headers.get(), "Expect:");
        if (request.post)
            curl_slist_append(headers.get(), ex.form != Form::None ? kFormHeader : "Content-Type:");

        curl_easy_setopt(h.get(), CURLOPT_CURLU, url.get());
        if (onSession) {
            curl_easy_setopt(h.get(), CURLOPT_SHARE, on->Share());
            curl_easy_setopt(h.get(), CURLOPT_COOKIEFILE, ""); // cookies on, kept in the share
        }
        setCommonOptions(h.get());
        if (ex.totalMs > 0)
            curl_easy_setopt(h.get(), CURLOPT_TIMEOUT_MS, ex.totalMs);
        if (ex.credentials && origin == home) {
            curl_easy_setopt(h.get(), CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
            curl_easy_setopt(h.get(), CURLOPT_USERNAME, ServiceClient::kAuthUser);
            curl_easy_setopt(h.get(), CURLOPT_PASSWORD, ServiceClient::kAuthPassword);
        }
        if (request.post) {
            curl_easy_setopt(h.get(), CURLOPT_POST, 1L);
            const QByteArray& body = ex.form == Form::WithBody ? ex.body : QByteArray();
            curl_easy_setopt(h.get(), CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
            curl_easy_setopt(h.get(), CURLOPT_COPYPOSTFIELDS, body.constData());
        } else {
            curl_easy_setopt(h.get(), CURLOPT_HTTPGET, 1L);
        }
        curl_easy_setopt(h.get(), CURLOPT_HTTPHEADER, headers.get());
        attachSink(h.get());

        result.error = runner_.Perform(h.get());
        result.failedOnSession = onSession && result.error != CURLE_OK;
        result.status = result.error == CURLE_OK ? responseCode(h.get()) : 0;
        char* location = nullptr;
        if (result.error != CURLE_OK || !RedirectRule::IsRedirect(result.status) ||
            curl_easy_getinfo(h.get(), CURLINFO_REDIRECT_URL, &location) != CURLE_OK || !location)
            return result;
        RedirectRule::Decision next;
        if (hops < RedirectRule::kMaxRedirects)
            next = RedirectRule::Next(request, result.status, QString::fromUtf8(location), home);
        else
            next.reason = QStringLiteral("too many redirects");
        if (!next.follow) {
            logLine(QStringLiteral("ERROR# Redirect not followed (%1)\n").arg(next.reason));
            result.refused = true;
            return result;
        }
        request = {next.url, next.post};
    }
}

// One request through the session: only status 200 brings an answer; a transport error on the
// session leaves a debug line and a fresh session behind.
ServiceTransport::Outcome ServiceTransport::Run(const Exchange& ex) {
    const Url url((ex.service && addressRefused_) ? nullptr : parseUrl(ex.url));
    if (!url) {
        if (ex.logUrlError)
            logLine(QStringLiteral("ERROR# URL Parsing\n"));
        return {Outcome::NoRequest, {}};
    }
    // The exchange keeps its session alive; a reset meanwhile only affects later exchanges.
    const std::shared_ptr<CurlSession> on = runner_.Aborted() ? nullptr : current();
    if (runner_.Aborted())
        return {Outcome::Aborted, {}};
    BodySink sink;
    sink.cap = ex.cap;
    HopsResult hops;
    if (!on) {
        hops.error = CURLE_OUT_OF_MEMORY;
        hops.failedOnSession = true;
    } else {
        hops = follow(ex, on.get(), serviceOrigin_, [&sink](CURL* h) {
            sink.handle = h;
            curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
            curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &appendBody);
            curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
        });
    }
    if (hops.error == CURLE_ABORTED_BY_CALLBACK || (hops.error != CURLE_OK && runner_.Aborted()))
        return {Outcome::Aborted, {}}; // the program is leaving: no line, no fresh session
    if (sink.tooLarge) {
        // Not a transport error: the session (and with it the sign-in at the service) stays.
        logLine(QStringLiteral("ERROR# Answer over %1 bytes\n").arg(ex.cap));
        return {Outcome::TooLarge, {}};
    }
    if (hops.error != CURLE_OK) {
        logLine(connectFailedLine(hops.error));
        // A failure at another host says nothing about the service: its session stays.
        if (hops.failedOnSession)
            replace(on);
        return {Outcome::TransportError, {}};
    }
    if (hops.refused || hops.status != 200)
        return {Outcome::Status, {}};
    return {Outcome::Answer, Utf8ToWide(keepChunks(sink.raw))};
}

namespace {

// The download's file: created only once the answer is known to be status 200, written under a
// temporary name and moved into place when the whole body has arrived.
struct DownloadTarget {
    CURL* handle = nullptr;
    QByteArray partPath;
    int fd = -1;
    curl_off_t written = 0;
    bool wrongStatus = false;
    bool writeFailed = false;
    bool tooLarge = false;

    bool create() {
        fd = ::open(partPath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        return fd >= 0;
    }
};

size_t writeDownload(char* data, size_t size, size_t count, void* userdata) {
    auto* t = static_cast<DownloadTarget*>(userdata);
    const size_t n = size * count;
    if (t->fd < 0) {
        const long status = responseCode(t->handle);
        if (RedirectRule::IsRedirect(status))
            return n; // the body of a redirect is dropped
        if (status != 200) {
            t->wrongStatus = true;
            return 0;
        }
        // An installer announced larger than the cap is not fetched at all.
        curl_off_t announced = -1;
        curl_easy_getinfo(t->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        if (announced > curl_off_t(ServiceClient::kMaxDownloadSize)) {
            t->tooLarge = true;
            return 0;
        }
        if (!t->create()) {
            t->writeFailed = true;
            return 0;
        }
    }
    t->written += curl_off_t(n);
    if (t->written > curl_off_t(ServiceClient::kMaxDownloadSize)) {
        t->tooLarge = true;
        return 0;
    }
    size_t done = 0;
    while (done < n) {
        const ssize_t w = ::write(t->fd, data + done, n - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            t->writeFailed = true;
            return 0;
        }
        done += size_t(w);
    }
    return n;
}

} // namespace

// A download outside the session: its own agent name, the credentials for the URL's own origin only,
// redirects as every exchange follows them.
bool ServiceTransport::download(const QString& url, const std::function<void(CURL*)>& attachSink,
                                HopsResult& result) {
    if (!Url(parseUrl(url)))
        return false;
    Exchange ex;
    ex.url = url;
    ex.credentials = true;
    ex.totalMs = downloadMs_.load();
    result = follow(ex, nullptr, RedirectRule::Origin(url), [&attachSink](CURL* h) {
        curl_easy_setopt(h, CURLOPT_USERAGENT, kDownloadAgent);
        attachSink(h);
    });
    return result.error == CURLE_OK && !result.refused && result.status == 200;
}

bool ServiceTransport::DownloadFile(const QString& localPath, const QString& url) {
    if (localPath.isEmpty())
        return false;
    const QByteArray finalPath = QFile::encodeName(localPath);
    DownloadTarget target;
    target.partPath = finalPath + ".part";
    HopsResult hops;
    bool ok = download(
        url,
        [&target](CURL* h) {
            target.handle = h;
            curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &writeDownload);
            curl_easy_setopt(h, CURLOPT_WRITEDATA, &target);
        },
        hops);
    ok = ok && !target.wrongStatus && !target.writeFailed && !target.tooLarge;
    if (ok && target.fd < 0)
        ok = target.create(); // an empty installer is still a file
    if (target.fd >= 0) {
        if (::close(target.fd) != 0)
            ok = false;
        target.fd = -1;
        if (ok)
            ok = ::rename(target.partPath.constData(), finalPath.constData()) == 0;
        if (!ok)
            ::unlink(target.partPath.constData());
    }
    if (target.tooLarge)
        logLine(QStringLiteral("ERROR# Download over %1 bytes\n").arg(ServiceClient::kMaxDownloadSize));
    else if (hops.error != CURLE_OK && hops.error != CURLE_ABORTED_BY_CALLBACK && !target.wrongStatus &&
             !target.writeFailed)
        logLine(connectFailedLine(hops.error));
    return ok;
}

bool ServiceTransport::DownloadSmall(const QString& url, qsizetype cap, QByteArray& out) {
    BodySink sink;
    sink.cap = std::size_t(std::max<qsizetype>(0, cap));
    HopsResult hops;
    const bool ok = download(
        url,
        [&sink](CURL* h) {
            sink.handle = h;
            curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &appendBody);
            curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
        },
        hops);
    if (sink.tooLarge)
        logLine(QStringLiteral("ERROR# Answer over %1 bytes\n").arg(cap));
    else if (hops.error != CURLE_OK && hops.error != CURLE_ABORTED_BY_CALLBACK)
        logLine(connectFailedLine(hops.error));
    if (!ok || sink.tooLarge)
        return false;
    out = QByteArray(sink.raw.data(), qsizetype(sink.raw.size()));
    return true;
}

bool ServiceTransport::Probe(long totalMs) {
    if (addressRefused_ || runner_.Aborted())
        return false;
    const Url url(parseUrl(baseUrl_ + QStringLiteral("/")));
    const Easy h(curl_easy_init());
    if (!url || !h)
        return false;
    curl_easy_setopt(h.get(), CURLOPT_CURLU, url.get());
    setCommonOptions(h.get());
    curl_easy_setopt(h.get(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(h.get(), CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(h.get(), CURLOPT_TIMEOUT_MS, std::max(1L, totalMs));
    return runner_.Perform(h.get()) == CURLE_OK && responseCode(h.get()) > 0;
}
