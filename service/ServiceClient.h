#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

#include <chrono>
#include <cstdint>
#include <memory>

// Transport errors ("ERROR# ...") go to this category; they are never shown to the user.
Q_DECLARE_LOGGING_CATEGORY(lcServiceClient)

// The program's one client of the web service: the HTTP session (cookies shared by every exchange,
// from any thread), the signed-in state, and every request the program makes.
// Endpoint operations are virtual so that tests can stand in for the network.
class ServiceClient {
  public:
    enum Result : int {
        ResultNoRequest = 0, // the URL could not be parsed; nothing was sent
        ResultOk = 100,
        // Login: the service did not answer "ok"; Complete: it answered 200 with anything but "ok" (a
        // refusal that no retry changes)
        ResultRefused = 101,
        ResultFailed = 102, // status other than 200, or a transport error
    };

    // Talks to the service named by the build, or by the LEXICARTA_SERVICE_URL environment variable.
    ServiceClient();
    // Talks to the service at `baseUrl` (scheme, host and port, e.g. "http://127.0.0.1:8470").
    explicit ServiceClient(const QString& baseUrl);
    virtual ~ServiceClient();

    ServiceClient(const ServiceClient&) = delete;
    ServiceClient& operator=(const ServiceClient&) = delete;

    void OpenSession();
    // Discards the session and its cookies at once; exchanges in flight finish on the session they
    // started with, later ones use a fresh one.
    void ResetSession();
    void Logout();

    // For leaving the program: every running transfer ends now and every later one at once, each as
    // ResultFailed (GetToken: ResultNoRequest, its only failure code), without a session reset and
    // without a debug line. It cannot be undone.
    void AbortAll();

    // Signs in; with `autoSignIn` the service is asked for an automatic sign-in token as well.
    virtual int Login(const QString& user, const QString& password, bool autoSignIn = false);
    virtual int TokenLogin(const QString& token, const QString& user);
    virtual int GetLibrary(QString& out);
    virtual int GetBook(int32_t bookId, QString& out);
    // Complete and SaveLearningLog take a limit on the whole exchange (zero: none), for the last sends
    // before log-out and exit.
    virtual int Complete(uint32_t wordId, uint32_t bookId,
                         std::chrono::milliseconds limit = std::chrono::milliseconds::zero());
    virtual int ClearComplete(uint32_t bookId);
    virtual int GetUpdate(QString& out);
    virtual int GetToken(QString& out);
    virtual int SaveLearningLog(const QByteArray& date, const QByteArray& content, QByteArray& out,
                                std::chrono::milliseconds limit = std::chrono::milliseconds::zero());
    // A plug-in's media URL from any host, without credentials, and with the session's cookies only
    // on the service's own origin. An answer over kMaxPluginAnswerSize or that is no http(s) URL is
    // ResultFailed, so that nothing else is ever stored as a card's media URL.
    virtual int FetchUrl(const QString& url, QString& out);
    // Saves the answer at `url` to `localPath` (through a temporary file); over kMaxDownloadSize fails.
    virtual int DownloadFile(const QString& localPath, const QString& url);
    // The answer at `url` in memory, as DownloadFile fetches it; an answer over `cap` bytes fails.
    virtual int DownloadSmall(const QString& url, qsizetype cap, QByteArray& out);

    // Downloads larger than this are refused: no installer is this large.
    static constexpr qint64 kMaxDownloadSize = 256LL * 1024 * 1024;
    // A plug-in answer that is to be a media URL is refused above this size.
    static constexpr std::size_t kMaxPluginAnswerSize = 4096;
    // Whether a plug-in's answer is an http or https URL (blanks around it allowed).
    static bool IsMediaUrl(const QString& text);

    // What a sign-in leaves: whether the client is signed in, the book the service named, and the
    // automatic sign-in token the service issued (empty when none was asked for or given).
    struct Account {
        bool signedIn = false;
        int32_t startBookId = 0;
        QString token;
    };
    // Whether the service can be reached now (it answers anything within `limit`). Asked outside the
    // session: no cookie goes with it and its failure resets nothing.
    bool IsReachable(std::chrono::milliseconds limit);

    // The account as Login, TokenLogin or Logout left it, read at once.
    Account CurrentAccount() const;
    bool IsSignedIn() const;
    int32_t StartBookId() const;
    QString Token() const;

    // The service address this client talks to, without a trailing slash.
    QString BaseUrl() const;

    // Whether a session is open (between OpenSession and ResetSession).
    bool HasSession() const;
    // False when a transport error has replaced the session the sign-in was made on: the service no
    // longer knows this client as signed in, and its refusals say nothing about what was asked.
    virtual bool SignInSessionIntact() const;

    // Time limits of every exchange and of the download: connecting, and the longest wait without a
    // single byte arriving before the transfer is abandoned (a transport error).
    static constexpr std::chrono::milliseconds kDefaultConnectTimeout{60000};
    static constexpr std::chrono::seconds kDefaultStallTimeout{30};
    void SetTimeouts(std::chrono::milliseconds connect, std::chrono::seconds stall);
    // Limits on the whole of the exchanges that the user waits for (sign-in, automatic sign-in, book
    // list, update check, web-link token) and of the installer download; over it, a transport error.
    static constexpr std::chrono::seconds kDefaultWaitedForLimit{90};
    static constexpr std::chrono::minutes kDefaultDownloadLimit{10};
    void SetTotalLimits(std::chrono::milliseconds waitedFor, std::chrono::milliseconds download);

    // Keep connections open between exchanges (the default) or open a fresh one for every exchange.
    void SetConnectionReuse(bool reuse);

    // Trusts the certificate authorities in this PEM file instead of the system's (a private service).
    void SetCertificateAuthorities(const QString& pemFile);

    // The fixed HTTP-authentication credentials of the service.
    static constexpr const char* kAuthUser = "MarbleyGlint";
    static constexpr const char* kAuthPassword = "qpvrt#hsxmoa";

  private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};
