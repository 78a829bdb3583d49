#pragma once

#include "service/CurlSession.h"
#include "service/TransferRunner.h"

#include <curl/curl.h>

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>

// The HTTP side of the service client: the cookie-keeping session (shared by every exchange, from
// any thread), one exchange with the redirects it is answered with, and the downloads. Only the
// service's own origin sees the session's cookies, only a request's own origin its credentials and
// body, and https never leads to http.
class ServiceTransport {
  public:
    // Answers larger than this are not the service's: the transfer is abandoned.
    static constexpr std::size_t kMaxAnswerSize = 64u * 1024u * 1024u;

    enum class Form {
        None,     // no form header
        Added,    // the form header on a request without body
        WithBody, // the form header and the body
    };

    struct Exchange {
        bool post = false;
        QString url;
        bool service = true; // an address of the service (FetchUrl's are anybody's)
        bool credentials = false;
        Form form = Form::None;
        QByteArray body;
        bool logUrlError = false;
        std::size_t cap = kMaxAnswerSize;
        // The user waits for this answer: a limit for each whole exchange, not only for connecting and
        // for silence, so that a server sending a byte now and then cannot hold it (0: none).
        long totalMs = 0;
    };

    struct Outcome {
        enum Kind {
            NoRequest,      // the URL could not be parsed
            TransportError, // the session is replaced
            Status,         // status other than 200, or a redirect that is not followed
            TooLarge,       // an answer over the cap: this request alone fails
            Aborted,        // AbortAll ended it, or it came after AbortAll
            Answer,
        } kind = NoRequest;
        QString text; // the decoded answer (Answer)
    };

    // The service at `baseUrl`, or at the configured address when it is empty.
    explicit ServiceTransport(const QString& baseUrl);
    ServiceTransport(const ServiceTransport&) = delete;
    ServiceTransport& operator=(const ServiceTransport&) = delete;

    QString BaseUrl() const { return baseUrl_; }
    void OpenSession();
    void ResetSession();
    bool HasSession() const;
    // How many times a transport error on the session has replaced it with a fresh one (its cookies,
    // and with them the sign-in at the service, gone).
    uint64_t SessionsLost() const { return sessionsLost_.load(); }
    void AbortAll();
    void SetTimeouts(std::chrono::milliseconds connect, std::chrono::seconds stall);
    // The total limits of the exchanges the user waits for and of downloads.
    void SetTotalLimits(std::chrono::milliseconds waitedFor, std::chrono::milliseconds download);
    long WaitedForMs() const { return waitedForMs_.load(); }
    void SetConnectionReuse(bool reuse);
    void SetCertificateAuthorities(const QString& pemFile);

    // One request through the session: only status 200 brings an answer.
    Outcome Run(const Exchange& ex);
    // Outside the session, with the credentials for the URL's own origin: to a file (through a
    // temporary one), or to memory up to `cap` bytes.
    bool DownloadFile(const QString& localPath, const QString& url);
    bool DownloadSmall(const QString& url, qsizetype cap, QByteArray& out);
    // Whether the service answers at all (any status), asked outside the session so that a failure
    // cannot cost it, without redirects and within `totalMs`.
    bool Probe(long totalMs);

    // Writes a line to the client's logging category.
    static void Log(const QString& line);
    // Whether `text` is an http or https URL with a host.
    static bool IsHttpUrl(const QString& text);

  private:
    // How a request and the redirects it followed ended.
    struct HopsResult {
        CURLcode error = CURLE_OK;
        long status = 0;
        bool refused = false;         // a redirect was not followed (logged)
        bool failedOnSession = false; // the last hop ran on the session and failed in transport
    };

    std::shared_ptr<CurlSession> current();
    void replace(const std::shared_ptr<CurlSession>& failed);
    void setCommonOptions(CURL* h) const;
    HopsResult follow(const Exchange& ex, const CurlSession* on, const QString& home,
                      const std::function<void(CURL*)>& attachSink);
    bool download(const QString& url, const std::function<void(CURL*)>& attachSink, HopsResult& result);

    QString baseUrl_;
    QString serviceOrigin_;
    bool addressRefused_ = false; // plain http beyond loopback: nothing is sent to it
    QByteArray caFile_;

    // The current session; held only for a moment, never during an exchange.
    mutable std::mutex sessionMutex_;
    std::shared_ptr<CurlSession> session_;
    std::atomic<uint64_t> sessionsLost_{0};

    std::atomic<long> connectMs_;
    std::atomic<long> stallSeconds_;
    std::atomic<long> waitedForMs_;
    std::atomic<long> downloadMs_;
    std::atomic<bool> reuse_{true};

    TransferRunner runner_;
};
