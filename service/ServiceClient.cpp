#include "service/ServiceClient.h"

#include "service/CURLEncode.h"
#include "service/TextEncoding.h"

#include <curl/curl.h>

#include <QFile>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <cwchar>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

Q_LOGGING_CATEGORY(lcServiceClient, "lexicarta.service")

namespace {

constexpr const char* kUserAgent = "Lexicarta Desktop";
// The installer download announces itself under its own agent name.
constexpr const char* kDownloadAgent = "HTTPFILE";
constexpr const char* kFormHeader = "Content-Type: application/x-www-form-urlencoded";
// Body bytes are read in slices of this size; a zero byte ends what is kept of its slice.
constexpr std::size_t kChunkSize = 1024;
// Answers larger than this are not the service's: the transfer is abandoned.
constexpr std::size_t kMaxAnswerSize = 64u * 1024u * 1024u;

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

// Reads a decimal number as wcstol with base 10 does (leading white space and a sign allowed, reading
// stops at the first non-digit, 0 without digits), clamped to 32 bits as on the platform the service
// was made for.
int32_t readDecimal(const QString& text) {
    const std::wstring wide = text.toStdWString();
    const long value = std::wcstol(wide.c_str(), nullptr, 10);
    return static_cast<int32_t>(std::clamp<long>(value, INT32_MIN, INT32_MAX));
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

// Where an exchange's body goes: kept up to the cap; a longer answer abandons the transfer.
struct BodySink {
    std::string raw;
    bool tooLarge = false;
};

size_t appendBody(char* data, size_t size, size_t count, void* userdata) {
    auto* sink = static_cast<BodySink*>(userdata);
    const size_t n = size * count;
    if (sink->raw.size() + n > kMaxAnswerSize) {
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

QString connectFailedLine(CURLcode code) {
    return QStringLiteral("ERROR# Connect Failed[%1] :%2\n")
        .arg(int(code))
        .arg(QString::fromUtf8(curl_easy_strerror(code)));
}

// Options every transfer of this client shares: protocols, redirects, time limits.
void setCommonOptions(CURL* h, long connectMs, long stallSeconds) {
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, connectMs);
    // "Below one byte a second for this long" is a stall: nothing arrived.
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, stallSeconds);
}

enum class Form {
    None,     // no form header
    Added,    // the form header on a request without body
    WithBody, // the form header and the body
};

struct Exchange {
    bool post = false;
    QString url;
    bool credentials = false;
    Form form = Form::None;
    QByteArray body;
    bool logUrlError = false;
    // The user waits for this answer: it has a limit for the whole exchange, not only for connecting
    // and for silence, so that a server sending a byte now and then cannot hold it.
    bool waitedFor = false;
};

struct Outcome {
    enum Kind {
        NoRequest,      // the URL could not be parsed
        TransportError, // the session is replaced
        Status,         // status other than 200
        TooLarge,       // an answer over the cap: this request alone fails
        Aborted,        // AbortAll ended it, or it came after AbortAll
        Answer,
    } kind = NoRequest;
    QString text; // the decoded answer (Answer)
};

// One cookie-keeping session: a libcurl share of cookies, DNS and connections. Exchanges hold it by
// shared pointer, so a reset only drops the client's reference and the last exchange on it frees it.
class Session {
  public:
    static std::shared_ptr<Session> Create() {
        auto session = std::make_shared<Session>();
        return session->share_ ? session : nullptr;
    }

    Session() {
        share_ = curl_share_init();
        if (!share_)
            return;
        curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &Session::lock);
        curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &Session::unlock);
        curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
    }
    // Discarding the share discards its cookies and closes its connections.
    ~Session() {
        if (share_)
            curl_share_cleanup(share_);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    CURLSH* Share() const { return share_; }

  private:
    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
        static_cast<Session*>(user)->locks_[std::size_t(data) % CURL_LOCK_DATA_LAST].lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* user) {
        static_cast<Session*>(user)->locks_[std::size_t(data) % CURL_LOCK_DATA_LAST].unlock();
    }

    CURLSH* share_ = nullptr;
    std::array<std::mutex, CURL_LOCK_DATA_LAST> locks_;
};

} // namespace

struct ServiceClient::Impl {
    QString baseUrl;

    // The current session; held only for a moment, never during an exchange.
    mutable std::mutex sessionMutex;
    std::shared_ptr<Session> session;

    mutable std::mutex stateMutex;
    bool signedIn = false;
    int32_t startBookId = 0;
    QString token;
    std::atomic<bool> autoSignIn{false};

    std::atomic<long> connectMs{long(kDefaultConnectTimeout.count())};
    std::atomic<long> stallSeconds{long(kDefaultStallTimeout.count())};
    std::atomic<long> waitedForMs{long(std::chrono::milliseconds(kDefaultWaitedForLimit).count())};
    std::atomic<long> downloadMs{long(std::chrono::milliseconds(kDefaultDownloadLimit).count())};
    std::atomic<bool> reuse{true};

    // AbortAll: set once; the transfers running then are woken from their wait.
    std::atomic<bool> aborted{false};
    std::mutex transfersMutex;
    std::vector<CURLM*> transfers;

    // The session for the next exchange, opened when there is none.
    std::shared_ptr<Session> current() {
        std::lock_guard lock(sessionMutex);
        if (!session)
            session = Session::Create();
        return session;
    }
    // After a transport error on `failed`: the next exchange starts a fresh session, unless another
    // thread has replaced it already, whose fresh session (perhaps signed in since) is kept.
    void replace(const std::shared_ptr<Session>& failed) {
        std::shared_ptr<Session> old;
        std::lock_guard lock(sessionMutex);
        if (session != failed)
            return;
        old = std::move(session);
        session = Session::Create();
    }

    CURLcode perform(CURL* h);
    Outcome run(const Exchange& ex);
    Outcome exchangeOnSession(CURLU* url, const Exchange& ex, const Session& on, CURLcode& error);
};

ServiceClient::ServiceClient() : ServiceClient(QString()) {}

ServiceClient::ServiceClient(const QString& baseUrl) : d_(std::make_unique<Impl>()) {
    initCurlOnce();
    QString base = baseUrl;
    if (base.isEmpty()) {
        base = qEnvironmentVariable("LEXICARTA_SERVICE_URL");
        if (base.isEmpty())
            base = QStringLiteral(LEXICARTA_DEFAULT_SERVICE_URL);
    }
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    d_->baseUrl = base;
}

ServiceClient::~ServiceClient() = default;

void ServiceClient::OpenSession() {
    d_->current();
}

void ServiceClient::ResetSession() {
    std::shared_ptr<Session> old;
    std::lock_guard lock(d_->sessionMutex);
    // Freed here unless an exchange still runs on it; then that exchange frees it when it ends.
    old = std::move(d_->session);
}

bool ServiceClient::HasSession() const {
    std::lock_guard lock(d_->sessionMutex);
    return d_->session != nullptr;
}

void ServiceClient::AbortAll() {
    d_->aborted.store(true);
    std::lock_guard lock(d_->transfersMutex);
    for (CURLM* m : d_->transfers)
        curl_multi_wakeup(m);
}

void ServiceClient::Logout() {
    {
        std::lock_guard lock(d_->stateMutex);
        d_->signedIn = false;
        d_->token.clear();
    }
    d_->autoSignIn = false;
    ResetSession();
    OpenSession();
}

void ServiceClient::SetTimeouts(std::chrono::milliseconds connect, std::chrono::seconds stall) {
    d_->connectMs = long(std::max<int64_t>(1, connect.count()));
    d_->stallSeconds = long(std::max<int64_t>(1, stall.count()));
}

void ServiceClient::SetTotalLimits(std::chrono::milliseconds waitedFor, std::chrono::milliseconds download) {
    d_->waitedForMs = long(waitedFor.count());
    d_->downloadMs = long(download.count());
}

void ServiceClient::SetConnectionReuse(bool reuse) {
    d_->reuse = reuse;
}

bool ServiceClient::IsSignedIn() const {
    std::lock_guard lock(d_->stateMutex);
    return d_->signedIn;
}

int32_t ServiceClient::StartBookId() const {
    std::lock_guard lock(d_->stateMutex);
    return d_->startBookId;
}

QString ServiceClient::Token() const {
    std::lock_guard lock(d_->stateMutex);
    return d_->token;
}

void ServiceClient::SetAutoSignIn(bool on) {
    d_->autoSignIn = on;
}

bool ServiceClient::AutoSignIn() const {
    return d_->autoSignIn;
}

QString ServiceClient::BaseUrl() const {
    return d_->baseUrl;
}

// Runs one transfer to its end, or until AbortAll: in a multi handle of its own, so that AbortAll can
// wake it from its wait for the network at once.
CURLcode ServiceClient::Impl::perform(CURL* h) {
    if (aborted.load())
        return CURLE_ABORTED_BY_CALLBACK;
    CURLM* m = curl_multi_init();
    if (!m)
        return CURLE_OUT_OF_MEMORY;
    if (curl_multi_add_handle(m, h) != CURLM_OK) {
        curl_multi_cleanup(m);
        return CURLE_OUT_OF_MEMORY;
    }
    {
        std::lock_guard lock(transfersMutex);
        transfers.push_back(m);
    }
    // Registered before the flag is read: an AbortAll from now on either is seen below or wakes the wait.
    CURLcode result = CURLE_OK;
    for (;;) {
        if (aborted.load()) {
            result = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        int running = 0;
        if (curl_multi_perform(m, &running) != CURLM_OK) {
            result = CURLE_OUT_OF_MEMORY;
            break;
        }
        bool done = false;
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(m, &queued)) {
            if (msg->msg == CURLMSG_DONE) {
                result = msg->data.result;
                done = true;
            }
        }
        if (done)
            break;
        if (running == 0) {
            result = CURLE_GOT_NOTHING; // ended without saying how; never seen in practice
            break;
        }
        if (curl_multi_poll(m, nullptr, 0, 1000, nullptr) != CURLM_OK) {
            result = CURLE_OUT_OF_MEMORY;
            break;
        }
    }
    {
        std::lock_guard lock(transfersMutex);
        std::erase(transfers, m);
    }
    curl_multi_remove_handle(m, h);
    curl_multi_cleanup(m);
    return result;
}

// One request on the session `on`.
Outcome ServiceClient::Impl::exchangeOnSession(CURLU* url, const Exchange& ex, const Session& on,
                                               CURLcode& error) {
    CURL* h = curl_easy_init();
    if (!h) {
        error = CURLE_OUT_OF_MEMORY;
        return {Outcome::TransportError, {}};
    }
    BodySink sink;
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Accept:");
    headers = curl_slist_append(headers, "Expect:");
    if (ex.form != Form::None)
        headers = curl_slist_append(headers, kFormHeader);
    else if (ex.post)
        headers = curl_slist_append(headers, "Content-Type:"); // no form header of libcurl's own

    curl_easy_setopt(h, CURLOPT_CURLU, url);
    curl_easy_setopt(h, CURLOPT_SHARE, on.Share());
    curl_easy_setopt(h, CURLOPT_COOKIEFILE, ""); // cookies on, kept in the share
    curl_easy_setopt(h, CURLOPT_USERAGENT, kUserAgent);
    setCommonOptions(h, connectMs, stallSeconds);
    if (ex.waitedFor)
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, waitedForMs.load());
    if (!reuse) {
        curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
    }
    if (ex.credentials) {
        curl_easy_setopt(h, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
        curl_easy_setopt(h, CURLOPT_USERNAME, ServiceClient::kAuthUser);
        curl_easy_setopt(h, CURLOPT_PASSWORD, ServiceClient::kAuthPassword);
    }
    if (ex.post) {
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        const QByteArray& body = ex.form == Form::WithBody ? ex.body : QByteArray();
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
        curl_easy_setopt(h, CURLOPT_COPYPOSTFIELDS, body.constData());
    } else {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    }
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &appendBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);

    error = perform(h);
    long status = 0;
    if (error == CURLE_OK)
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(h);
    curl_slist_free_all(headers);

    if (error == CURLE_ABORTED_BY_CALLBACK)
        return {Outcome::Aborted, {}};
    if (sink.tooLarge)
        return {Outcome::TooLarge, {}};
    if (error != CURLE_OK)
        return {Outcome::TransportError, {}};
    if (status != 200)
        return {Outcome::Status, {}};
    return {Outcome::Answer, Utf8ToWide(keepChunks(sink.raw))};
}

// One request through the session: only status 200 brings an answer; a transport error leaves a debug
// line and a fresh session behind.
Outcome ServiceClient::Impl::run(const Exchange& ex) {
    CURLU* url = parseUrl(ex.url);
    if (!url) {
        if (ex.logUrlError)
            logLine(QStringLiteral("ERROR# URL Parsing\n"));
        return {Outcome::NoRequest, {}};
    }
    CURLcode error = CURLE_OK;
    Outcome outcome;
    // The exchange keeps its session alive; a reset meanwhile only affects later exchanges.
    const std::shared_ptr<Session> on = aborted.load() ? nullptr : current();
    if (aborted.load()) {
        outcome = {Outcome::Aborted, {}};
    } else if (!on) {
        error = CURLE_OUT_OF_MEMORY;
        outcome = {Outcome::TransportError, {}};
    } else {
        outcome = exchangeOnSession(url, ex, *on, error);
    }
    curl_url_cleanup(url);
    if (outcome.kind == Outcome::TransportError && aborted.load())
        outcome = {Outcome::Aborted, {}}; // the program is leaving: no line, no fresh session
    if (outcome.kind == Outcome::TransportError) {
        logLine(connectFailedLine(error));
        replace(on);
    } else if (outcome.kind == Outcome::TooLarge) {
        // Not a transport error: the session (and with it the sign-in at the service) stays.
        logLine(QStringLiteral("ERROR# Answer over %1 bytes\n").arg(kMaxAnswerSize));
    }
    return outcome;
}

int ServiceClient::Login(const QString& user, const QString& password) {
    CURLEncode enc;
    Exchange ex;
    ex.post = true;
    ex.url = d_->baseUrl + QStringLiteral("/application/login");
    ex.waitedFor = true;
    ex.credentials = true;
    ex.form = Form::WithBody;
    ex.body = "_method=POST&data%5BUser%5D%5Buser%5D=" + WideToNarrow(enc.UrlEncode(user)) +
              "&data%5BUser%5D%5Bpassword%5D=" + WideToNarrow(enc.UrlEncode(password));
    if (d_->autoSignIn)
        ex.body += "&data%5BUser%5D%5Bauto%5D=1";
    const Outcome o = d_->run(ex);
    if (o.kind == Outcome::NoRequest)
        return ResultNoRequest;
    if (o.kind != Outcome::Answer)
        return ResultFailed;

    const QString& answer = o.text;
    const qsizetype first = answer.indexOf(QLatin1Char(';'));
    std::lock_guard lock(d_->stateMutex);
    if (answer.left(first < 0 ? answer.size() : first) != QLatin1String("ok")) {
        d_->signedIn = false;
        return ResultRefused;
    }
    QString second;
    if (first >= 0) {
        const qsizetype next = answer.indexOf(QLatin1Char(';'), first + 1);
        if (next < 0) {
            second = answer.mid(first + 1);
        } else {
            second = answer.mid(first + 1, next - first - 1);
            d_->token = answer.mid(next + 1);
        }
    }
    d_->startBookId = readDecimal(second);
    d_->signedIn = true;
    return ResultOk;
}

int ServiceClient::TokenLogin(const QString& token, const QString& user) {
    const std::optional<QString> token1 = Base64Encode(WideToNarrow(user), 1024);
    if (!token1)
        return ResultNoRequest; // a user id this long cannot be sent
    Exchange ex;
    ex.post = true;
    ex.url = d_->baseUrl + QStringLiteral("/application/auto_login");
    ex.waitedFor = true;
    ex.credentials = true;
    ex.form = Form::WithBody;
    ex.body = "_method=POST&data%5BAuto%5D%5Btoken1%5D=" + token1->toLatin1() +
              "&data%5BAuto%5D%5Btoken2%5D=" + WideToNarrow(token);
    const Outcome o = d_->run(ex);
    if (o.kind == Outcome::NoRequest)
        return ResultNoRequest;
    if (o.kind != Outcome::Answer)
        return ResultFailed;
    const qsizetype first = o.text.indexOf(QLatin1Char(';'));
    if (o.text.left(first < 0 ? o.text.size() : first) == QLatin1String("ok")) {
        std::lock_guard lock(d_->stateMutex);
        d_->startBookId = first < 0 ? 0 : readDecimal(o.text.mid(first + 1));
        d_->signedIn = true;
    }
    return ResultOk;
}

namespace {

// The plain operations: on an answer the decoded text goes to the caller.
int plainResult(const Outcome& o, QString& out) {
    switch (o.kind) {
    case Outcome::NoRequest:
        return ServiceClient::ResultNoRequest;
    case Outcome::Answer:
        out = o.text;
        return ServiceClient::ResultOk;
    default:
        return ServiceClient::ResultFailed;
    }
}

} // namespace

int ServiceClient::GetLibrary(QString& out) {
    Exchange ex;
    ex.post = true;
    ex.url = d_->baseUrl + QStringLiteral("/application/library");
    ex.waitedFor = true;
    ex.credentials = true;
    ex.form = Form::Added;
    return plainResult(d_->run(ex), out);
}

int ServiceClient::GetBook(int32_t bookId, QString& out) {
    Exchange ex;
    ex.url = d_->baseUrl + QStringLiteral("/application/book/%1").arg(bookId);
    ex.credentials = true;
    ex.logUrlError = true;
    return plainResult(d_->run(ex), out);
}

int ServiceClient::Complete(uint32_t wordId, uint32_t bookId) {
    Exchange ex;
    ex.url = d_->baseUrl + QStringLiteral("/application/complete/%1/book_id:%2").arg(wordId).arg(bookId);
    ex.credentials = true;
    const Outcome o = d_->run(ex);
    if (o.kind == Outcome::NoRequest)
        return ResultNoRequest;
    return o.kind == Outcome::Answer && o.text == QLatin1String("ok") ? ResultOk : ResultFailed;
}

int ServiceClient::ClearComplete(uint32_t bookId) {
    Exchange ex;
    ex.url = d_->baseUrl + QStringLiteral("/application/clear_complete/%1").arg(bookId);
    ex.credentials = true;
    const Outcome o = d_->run(ex);
    if (o.kind == Outcome::NoRequest)
        return ResultNoRequest;
    return o.kind == Outcome::Answer && o.text == QLatin1String("ok") ? ResultOk : ResultFailed;
}

int ServiceClient::GetUpdate(QString& out) {
    Exchange ex;
    ex.post = true;
    ex.url = d_->baseUrl + QStringLiteral("/application/update");
    ex.waitedFor = true;
    ex.credentials = true;
    return plainResult(d_->run(ex), out);
}

int ServiceClient::GetToken(QString& out) {
    Exchange ex;
    ex.post = true;
    ex.url = d_->baseUrl + QStringLiteral("/application/get_token");
    ex.waitedFor = true;
    ex.form = Form::Added;
    const Outcome o = d_->run(ex);
    if (o.kind != Outcome::Answer)
        return ResultNoRequest;
    out = o.text;
    return ResultOk;
}

int ServiceClient::SaveLearningLog(const QByteArray& date, const QByteArray& content, QByteArray& out) {
    Exchange ex;
    ex.post = true;
    ex.url = d_->baseUrl + QStringLiteral("/application/save_learning_log");
    ex.form = Form::WithBody;
    ex.body = "_method=POST";
    if (!date.isEmpty())
        ex.body += "&LearningLogDate=" + date + "&LearningLogContent=" + content;
    ex.logUrlError = true;
    const Outcome o = d_->run(ex);
    if (o.kind == Outcome::NoRequest)
        return ResultNoRequest;
    if (o.kind != Outcome::Answer)
        return ResultFailed;
    out = WideToNarrow(o.text);
    return ResultOk;
}

int ServiceClient::FetchUrl(const QString& url, QString& out) {
    Exchange ex;
    ex.url = url;
    ex.logUrlError = true;
    return plainResult(d_->run(ex), out);
}

namespace {

// The download's file: created only once the answer is known to be status 200, written under a
// temporary name and moved into place when the whole body has arrived.
struct DownloadTarget {
    CURL* handle = nullptr;
    QByteArray partPath;
    int fd = -1;
    bool wrongStatus = false;
    bool writeFailed = false;

    bool create() {
        fd = ::open(partPath.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        return fd >= 0;
    }
};

size_t writeDownload(char* data, size_t size, size_t count, void* userdata) {
    auto* t = static_cast<DownloadTarget*>(userdata);
    if (t->fd < 0) {
        long status = 0;
        curl_easy_getinfo(t->handle, CURLINFO_RESPONSE_CODE, &status);
        if (status != 200) {
            t->wrongStatus = true;
            return 0;
        }
        if (!t->create()) {
            t->writeFailed = true;
            return 0;
        }
    }
    const size_t n = size * count;
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

int ServiceClient::DownloadFile(const QString& localPath, const QString& url) {
    if (localPath.isEmpty())
        return ResultFailed;
    CURLU* parsed = parseUrl(url);
    if (!parsed)
        return ResultFailed;
    CURL* h = curl_easy_init();
    if (!h) {
        curl_url_cleanup(parsed);
        return ResultFailed;
    }
    const QByteArray finalPath = QFile::encodeName(localPath);
    DownloadTarget target;
    target.handle = h;
    target.partPath = finalPath + ".part";

    curl_easy_setopt(h, CURLOPT_CURLU, parsed);
    curl_easy_setopt(h, CURLOPT_USERAGENT, kDownloadAgent);
    setCommonOptions(h, d_->connectMs, d_->stallSeconds);
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, d_->downloadMs.load());
    curl_easy_setopt(h, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC));
    curl_easy_setopt(h, CURLOPT_USERNAME, kAuthUser);
    curl_easy_setopt(h, CURLOPT_PASSWORD, kAuthPassword);
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &writeDownload);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &target);
    const CURLcode error = d_->perform(h);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(h);
    curl_url_cleanup(parsed);

    bool ok = error == CURLE_OK && status == 200 && !target.wrongStatus && !target.writeFailed;
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
    if (error != CURLE_OK && error != CURLE_ABORTED_BY_CALLBACK && !target.wrongStatus && !target.writeFailed)
        logLine(connectFailedLine(error));
    return ok ? ResultOk : ResultFailed;
}
