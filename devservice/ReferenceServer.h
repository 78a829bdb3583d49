#pragma once

#include "devservice/FaultTable.h"
#include "devservice/InstallerSigner.h"
#include "devservice/RequestLog.h"
#include "devservice/ServiceStore.h"
#include "devservice/Speech.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

// The reference web service: every endpoint the desktop program uses, under "/application/", with the
// fixed HTTP-authentication credentials, a cookie session, the web pages the program opens, and the
// "/_control/" endpoints through which tests inject faults and read the recorded requests.
// Listens on 127.0.0.1 only, over http, or https with the certificate it is given. The stand-in
// installers are signed (NAME.minisig beside NAME) with the development key devservice/keys.
//
// Control endpoints (form bodies, answer "ok" unless said otherwise; never recorded):
//   GET  /_control/ping                 "pong"
//   POST /_control/fault                path (exact, or a prefix ending in '*'), status, delay_ms, drop=1,
//                                       truncate=1, zero_at, pad_1024=1, body, location (a Location
//                                       header, e.g. with status 307), times (-1: every request)
//   POST /_control/clear_faults
//   GET  /_control/requests             JSON [{method, target, headers: [[name, value]...], body: Base64}]
//   POST /_control/clear_requests
//   POST /_control/newest_version       version (the update answer's version)
//   POST /_control/installer            body (the stand-in installer's bytes; empty: the default script)
//   POST /_control/log_date             date (the learning-log answer; empty: today's date)
//   GET  /_control/marks?user=NAME      JSON array of the user's memorised word ids
//   GET  /_control/learning_log?user=NAME  JSON {date: [word ids]}
class ReferenceServer {
  public:
    // Over https when `tlsCert` and `tlsKey` (PEM files) are given.
    ReferenceServer(ServiceStore& store, const QString& dataDir, const QString& newestVersion,
                    const QString& tlsCert = QString(), const QString& tlsKey = QString());
    ~ReferenceServer();
    ReferenceServer(const ReferenceServer&) = delete;
    ReferenceServer& operator=(const ReferenceServer&) = delete;

    // Binds 127.0.0.1:port (0: any free port); the port bound, or -1.
    int Bind(int port);
    // Signs the stand-in installers with this minisign secret key; false when it cannot be read.
    bool LoadUpdateKey(const QString& path);
    // Serves until Stop; false when it could not.
    bool Run();
    // Stops serving; safe from any thread.
    void Stop();

  private:
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;
    enum class Verb { Get, Post };
    enum class Access { Open, Credentials };

    void addRoutes();
    void addControlRoutes();
    void route(Verb verb, const std::string& pattern, Access access, Handler handler);
    void serve(const httplib::Request& req, httplib::Response& res, Access access, const Handler& handler);
    void record(const httplib::Request& req);

    std::optional<ServiceStore::User> sessionUser(const httplib::Request& req);
    // The session's user; without one the answer becomes 403.
    std::optional<ServiceStore::User> signedInUser(const httplib::Request& req, httplib::Response& res);
    std::string newSession(int64_t user, httplib::Response& res);
    int64_t startBook(const ServiceStore::User& user);
    std::string baseUrl(const httplib::Request& req) const;
    QString logDate();

    void login(const httplib::Request& req, httplib::Response& res);
    void autoLogin(const httplib::Request& req, httplib::Response& res);
    void library(const httplib::Request& req, httplib::Response& res);
    void book(const httplib::Request& req, httplib::Response& res);
    void complete(const httplib::Request& req, httplib::Response& res);
    void clearComplete(const httplib::Request& req, httplib::Response& res);
    void update(const httplib::Request& req, httplib::Response& res);
    void installer(const httplib::Request& req, httplib::Response& res);
    void getToken(const httplib::Request& req, httplib::Response& res);
    void saveLearningLog(const httplib::Request& req, httplib::Response& res);
    void authToken(const httplib::Request& req, httplib::Response& res);
    void webPage(const httplib::Request& req, httplib::Response& res);

    ServiceStore& store_;
    Speech speech_;
    InstallerSigner signer_;
    std::string scheme_;
    FaultTable faults_;
    RequestLog requests_;
    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;

    std::mutex mutex_; // guards the fields below
    std::map<std::string, int64_t> sessions_;
    QString newestVersion_;
    QString fixedLogDate_;
    std::optional<std::string> installerBody_;
};
