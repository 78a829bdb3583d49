#include "service/ServiceClient.h"

#include "service/CURLEncode.h"
#include "service/ServiceTransport.h"
#include "service/SignInAnswer.h"
#include "service/TextEncoding.h"

#include <atomic>
#include <mutex>

Q_LOGGING_CATEGORY(lcServiceClient, "lexicarta.service")

namespace {

using Exchange = ServiceTransport::Exchange;
using Form = ServiceTransport::Form;
using Outcome = ServiceTransport::Outcome;

} // namespace

struct ServiceClient::Impl {
    explicit Impl(const QString& baseUrl) : transport(baseUrl) {}

    ServiceTransport transport;

    mutable std::mutex stateMutex;
    bool signedIn = false;
    uint64_t sessionsLostAtSignIn = 0;
    int32_t startBookId = 0;
    QString token;

    Outcome run(const Exchange& ex) { return transport.Run(ex); }
};

ServiceClient::ServiceClient() : ServiceClient(QString()) {}

ServiceClient::ServiceClient(const QString& baseUrl) : d_(std::make_unique<Impl>(baseUrl)) {}

ServiceClient::~ServiceClient() = default;

void ServiceClient::OpenSession() {
    d_->transport.OpenSession();
}

void ServiceClient::ResetSession() {
    d_->transport.ResetSession();
}

bool ServiceClient::SignInSessionIntact() const {
    std::lock_guard lock(d_->stateMutex);
    return !d_->signedIn || d_->transport.SessionsLost() == d_->sessionsLostAtSignIn;
}

bool ServiceClient::HasSession() const {
    return d_->transport.HasSession();
}

void ServiceClient::AbortAll() {
    d_->transport.AbortAll();
}

void ServiceClient::Logout() {
    {
        std::lock_guard lock(d_->stateMutex);
        d_->signedIn = false;
        d_->token.clear();
    }
    ResetSession();
    OpenSession();
}

void ServiceClient::SetTimeouts(std::chrono::milliseconds connect, std::chrono::seconds stall) {
    d_->transport.SetTimeouts(connect, stall);
}

void ServiceClient::SetTotalLimits(std::chrono::milliseconds waitedFor, std::chrono::milliseconds download) {
    d_->transport.SetTotalLimits(waitedFor, download);
}

void ServiceClient::SetConnectionReuse(bool reuse) {
    d_->transport.SetConnectionReuse(reuse);
}

void ServiceClient::SetCertificateAuthorities(const QString& pemFile) {
    d_->transport.SetCertificateAuthorities(pemFile);
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

ServiceClient::Account ServiceClient::CurrentAccount() const {
    std::lock_guard lock(d_->stateMutex);
    return {d_->signedIn, d_->startBookId, d_->token};
}

bool ServiceClient::IsReachable(std::chrono::milliseconds limit) {
    return d_->transport.Probe(long(limit.count()));
}

QString ServiceClient::BaseUrl() const {
    return d_->transport.BaseUrl();
}

int ServiceClient::Login(const QString& user, const QString& password, bool autoSignIn) {
    CURLEncode enc;
    Exchange ex;
    ex.post = true;
    ex.url = d_->transport.BaseUrl() + QStringLiteral("/application/login");
    ex.totalMs = d_->transport.WaitedForMs();
    ex.credentials = true;
    ex.form = Form::WithBody;
    ex.body = "_method=POST&data%5BUser%5D%5Buser%5D=" + WideToNarrow(enc.UrlEncode(user)) +
              "&data%5BUser%5D%5Bpassword%5D=" + WideToNarrow(enc.UrlEncode(password));
    if (autoSignIn)
        ex.body += "&data%5BUser%5D%5Bauto%5D=1";
    const Outcome o = d_->run(ex);
    if (o.kind == Outcome::NoRequest)
        return ResultNoRequest;
    if (o.kind != Outcome::Answer)
        return ResultFailed;

    const auto accepted = SignInAnswer::ParseLogin(o.text);
    std::lock_guard lock(d_->stateMutex);
    if (!accepted) {
        d_->signedIn = false;
        return ResultRefused;
    }
    if (accepted->token)
        d_->token = *accepted->token;
    d_->startBookId = accepted->startBookId;
    d_->signedIn = true;
    d_->sessionsLostAtSignIn = d_->transport.SessionsLost();
    return ResultOk;
}

int ServiceClient::TokenLogin(const QString& token, const QString& user) {
    const std::optional<QString> token1 = Base64Encode(WideToNarrow(user), 1024);
    if (!token1)
        return ResultNoRequest; // a user id this long cannot be sent
    Exchange ex;
    ex.post = true;
    ex.url = d_->transport.BaseUrl() + QStringLiteral("/application/auto_login");
    ex.totalMs = d_->transport.WaitedForMs();
    ex.credentials = true;
    ex.form = Form::WithBody;
    ex.body = "_method=POST&data%5BAuto%5D%5Btoken1%5D=" + token1->toLatin1() +
              "&data%5BAuto%5D%5Btoken2%5D=" + WideToNarrow(token);
    const Outcome o = d_->run(ex);
    if (o.kind == Outcome::NoRequest)
        return ResultNoRequest;
    if (o.kind != Outcome::Answer)
        return ResultFailed;
    if (const auto accepted = SignInAnswer::ParseTokenLogin(o.text)) {
        std::lock_guard lock(d_->stateMutex);
        d_->startBookId = accepted->startBookId;
        d_->signedIn = true;
        d_->sessionsLostAtSignIn = d_->transport.SessionsLost();
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
    ex.url = d_->transport.BaseUrl() + QStringLiteral("/application/library");
    ex.totalMs = d_->transport.WaitedForMs();
    ex.credentials = true;
    ex.form = Form::Added;
    return plainResult(d_->run(ex), out);
}

int ServiceClient::GetBook(int32_t bookId, QString& out) {
    Exchange ex;
    ex.url = d_->transport.BaseUrl() + QStringLiteral("/application/book/%1").arg(bookId);
    ex.credentials = true;
    ex.logUrlError = true;
    return plainResult(d_->run(ex), out);
}

int ServiceClient::Complete(uint32_t wordId, uint32_t bookId, std::chrono::milliseconds limit) {
    Exchange ex;
    ex.url = d_->transport.BaseUrl() +
             QStringLiteral("/application/complete/%1/book_id:%2").arg(wordId).arg(bookId);
    ex.credentials = true;
    ex.totalMs = long(limit.count());
    const Outcome o = d_->run(ex);
    if (o.kind == Outcome::NoRequest)
        return ResultNoRequest;
    if (o.kind != Outcome::Answer)
        return ResultFailed;
    // The service answered: anything but "ok" is its refusal, which sending again would not change
    // (a failure is sent again, so the two are told apart).
    return o.text == QLatin1String("ok") ? ResultOk : ResultRefused;
}

int ServiceClient::ClearComplete(uint32_t bookId) {
    Exchange ex;
    ex.url = d_->transport.BaseUrl() + QStringLiteral("/application/clear_complete/%1").arg(bookId);
    ex.credentials = true;
    const Outcome o = d_->run(ex);
    if (o.kind == Outcome::NoRequest)
        return ResultNoRequest;
    return o.kind == Outcome::Answer && o.text == QLatin1String("ok") ? ResultOk : ResultFailed;
}

int ServiceClient::GetUpdate(QString& out) {
    Exchange ex;
    ex.post = true;
    ex.url = d_->transport.BaseUrl() + QStringLiteral("/application/update");
    ex.totalMs = d_->transport.WaitedForMs();
    ex.credentials = true;
    return plainResult(d_->run(ex), out);
}

int ServiceClient::GetToken(QString& out) {
    Exchange ex;
    ex.post = true;
    ex.url = d_->transport.BaseUrl() + QStringLiteral("/application/get_token");
    ex.totalMs = d_->transport.WaitedForMs();
    ex.form = Form::Added;
    const Outcome o = d_->run(ex);
    if (o.kind != Outcome::Answer)
        return ResultNoRequest;
    out = o.text;
    return ResultOk;
}

int ServiceClient::SaveLearningLog(const QByteArray& date, const QByteArray& content, QByteArray& out,
                                   std::chrono::milliseconds limit) {
    Exchange ex;
    ex.totalMs = long(limit.count());
    ex.post = true;
    ex.url = d_->transport.BaseUrl() + QStringLiteral("/application/save_learning_log");
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
    ex.service = false;
    ex.logUrlError = true;
    // The answer is to be a media URL: a plug-in host that answers with a page of text or anything
    // but an http(s) URL fails the fetch, so that nothing large or unusable is stored per card.
    ex.cap = kMaxPluginAnswerSize;
    const Outcome o = d_->run(ex);
    if (o.kind == Outcome::Answer && !IsMediaUrl(o.text)) {
        ServiceTransport::Log(QStringLiteral("ERROR# Plug-in answer is not an http or https URL\n"));
        return ResultFailed;
    }
    return plainResult(o, out);
}

bool ServiceClient::IsMediaUrl(const QString& text) {
    return ServiceTransport::IsHttpUrl(text.trimmed());
}

int ServiceClient::DownloadFile(const QString& localPath, const QString& url) {
    return d_->transport.DownloadFile(localPath, url) ? ResultOk : ResultFailed;
}

int ServiceClient::DownloadSmall(const QString& url, qsizetype cap, QByteArray& out) {
    return d_->transport.DownloadSmall(url, cap, out) ? ResultOk : ResultFailed;
}
