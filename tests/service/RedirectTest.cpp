// Redirects against two reference services on loopback (the second one stands for another host): what
// is followed, and that nothing of the session (body, cookie, credentials) reaches another origin.
#include "service/RedirectRule.h"
#include "service/ServiceClient.h"

#include "support/DevService.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {

TEST(RedirectRuleTest, DecidesByStatusSchemeAndOrigin) {
    const QString home = QStringLiteral("http://127.0.0.1:80");
    EXPECT_EQ(RedirectRule::Origin(QStringLiteral("HTTP://LocalHost/x?y")),
              QStringLiteral("http://localhost:80"));
    EXPECT_EQ(RedirectRule::Origin(QStringLiteral("https://h:8443/")), QStringLiteral("https://h:8443"));
    EXPECT_EQ(RedirectRule::Origin(QStringLiteral("ftp://h/")), QString());
    EXPECT_EQ(RedirectRule::Origin(QStringLiteral("/relative")), QString());

    const RedirectRule::Request get{QStringLiteral("http://127.0.0.1/a"), false};
    const RedirectRule::Request post{QStringLiteral("http://127.0.0.1/login"), true};
    // Same origin: 307 and 308 keep the POST, the others turn it into a GET.
    auto d = RedirectRule::Next(post, 307, QStringLiteral("http://127.0.0.1/other"), home);
    EXPECT_TRUE(d.follow && d.post);
    d = RedirectRule::Next(post, 302, QStringLiteral("http://127.0.0.1/other"), home);
    EXPECT_TRUE(d.follow && !d.post);
    // Another origin (another port is one): a POST is never sent again there; a GET may go.
    EXPECT_FALSE(RedirectRule::Next(post, 308, QStringLiteral("http://127.0.0.1:81/login"), home).follow);
    d = RedirectRule::Next(post, 303, QStringLiteral("http://127.0.0.1:81/x"), home);
    EXPECT_TRUE(d.follow && !d.post);
    EXPECT_TRUE(RedirectRule::Next(get, 301, QStringLiteral("https://elsewhere/x"), home).follow);
    // Never down from https, never to another scheme, never on a status that does not redirect.
    const RedirectRule::Request secure{QStringLiteral("https://service/a"), false};
    EXPECT_FALSE(RedirectRule::Next(secure, 302, QStringLiteral("http://service/a"), home).follow);
    EXPECT_FALSE(RedirectRule::Next(get, 302, QStringLiteral("file:///etc/passwd"), home).follow);
    EXPECT_FALSE(RedirectRule::Next(get, 300, QStringLiteral("http://127.0.0.1/b"), home).follow);
}

class RedirectTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(service.IsRunning()) << service.Error();
        ASSERT_TRUE(other.IsRunning()) << other.Error();
        client = std::make_unique<ServiceClient>(service.BaseUrl());
        ASSERT_EQ(client->Login(QStringLiteral("demo"), QStringLiteral("demo"), true),
                  ServiceClient::ResultOk);
        ASSERT_TRUE(service.ClearRequests());
    }

    void Redirect(DevService& from, const std::string& path, int status, const std::string& to) {
        DevService::Fault f;
        f.path = path;
        f.status = status;
        f.location = to;
        f.times = 1;
        ASSERT_TRUE(from.SetFault(f));
    }

    // The other service answers `path` with `body`.
    void Serve(const std::string& path, const std::string& body) {
        DevService::Fault f;
        f.path = path;
        f.status = 200;
        f.body = body;
        ASSERT_TRUE(other.SetFault(f));
    }

    std::string OtherUrl(const std::string& path) const { return other.BaseUrl().toStdString() + path; }

    // Nothing of the session arrived at the other service.
    void ExpectNothingOfTheSessionElsewhere() {
        for (const auto& r : other.Requests()) {
            EXPECT_FALSE(r.HasHeader("Cookie")) << r.target;
            EXPECT_FALSE(r.HasHeader("Authorization")) << r.target;
            EXPECT_EQ(r.body, "") << r.target;
            EXPECT_EQ(r.method, "GET") << r.target;
        }
    }

    DevService service;
    DevService other;
    std::unique_ptr<ServiceClient> client;
};

TEST_F(RedirectTest, ASignInRedirectedToAnotherPortSendsNothingThere) {
    LogCapture log;
    for (int status : {307, 308}) {
        Redirect(service, "/application/login", status, OtherUrl("/application/login"));
        EXPECT_EQ(client->Login(QStringLiteral("demo"), QStringLiteral("demo")), ServiceClient::ResultFailed);
    }
    EXPECT_TRUE(other.Requests().empty());
    EXPECT_EQ(
        log.Lines().back(),
        QStringLiteral("ERROR# Redirect not followed (the request would be sent again to another host)"));
    // Not a transport error: the session stays signed in.
    QString books;
    EXPECT_EQ(client->GetLibrary(books), ServiceClient::ResultOk);

    // On its own origin a 307 keeps the form and the credentials.
    ASSERT_TRUE(service.ClearRequests());
    Redirect(service, "/application/login", 307, service.BaseUrl().toStdString() + "/application/login");
    EXPECT_EQ(client->Login(QStringLiteral("demo"), QStringLiteral("demo")), ServiceClient::ResultOk);
    const auto logins = service.RequestsTo("/application/login");
    ASSERT_EQ(logins.size(), 2u);
    EXPECT_EQ(logins[1].body, logins[0].body);
    EXPECT_FALSE(logins[1].Header("Authorization").empty());
}

TEST_F(RedirectTest, RequestsToAnotherHostCarryNoCookieAndNoCredentials) {
    // A service answer that sends the client elsewhere: followed as a bare GET.
    Redirect(service, "/application/library", 302, OtherUrl("/moved"));
    Serve("/moved", "[0]");
    QString text;
    EXPECT_EQ(client->GetLibrary(text), ServiceClient::ResultOk);
    EXPECT_EQ(text, QStringLiteral("[0]"));

    // A plug-in host on the same machine would get the service's cookie, cookies knowing no ports.
    Serve("/plugin", "http://127.0.0.1/p.png");
    EXPECT_EQ(client->FetchUrl(other.BaseUrl() + QStringLiteral("/plugin"), text), ServiceClient::ResultOk);

    // The installer download: credentials for its own host only.
    QTemporaryDir dir;
    Redirect(service, "/application/installer/*", 302, OtherUrl("/setup.run"));
    Serve("/setup.run", "#!/bin/sh\n");
    EXPECT_EQ(client->DownloadFile(dir.filePath(QStringLiteral("setup.run")),
                                   service.BaseUrl() + QStringLiteral("/application/installer/x")),
              ServiceClient::ResultOk);
    EXPECT_EQ(service.RequestsTo("/application/installer/x")[0].Header("Authorization").empty(), false);

    EXPECT_EQ(other.Requests().size(), 3u);
    ExpectNothingOfTheSessionElsewhere();
    // The service's own requests still carry the cookie.
    ASSERT_TRUE(service.ClearRequests());
    EXPECT_EQ(client->GetLibrary(text), ServiceClient::ResultOk);
    EXPECT_FALSE(service.Requests().at(0).Header("Cookie").empty());
}

TEST_F(RedirectTest, AFailureAtAnotherHostLeavesTheSessionAlone) {
    const QString gone = other.BaseUrl() + QStringLiteral("/plugin");
    other.Stop();
    QString text;
    EXPECT_EQ(client->FetchUrl(gone, text), ServiceClient::ResultFailed);
    EXPECT_EQ(client->GetLibrary(text), ServiceClient::ResultOk); // still signed in
}

TEST_F(RedirectTest, AnEndlessRedirectEnds) {
    DevService::Fault loop;
    loop.path = "/application/update";
    loop.status = 302;
    loop.location = service.BaseUrl().toStdString() + "/application/update";
    ASSERT_TRUE(service.SetFault(loop));
    LogCapture log;
    QString text;
    EXPECT_EQ(client->GetUpdate(text), ServiceClient::ResultFailed);
    EXPECT_EQ(service.RequestsTo("/application/update").size(), size_t(RedirectRule::kMaxRedirects + 1));
    EXPECT_EQ(log.Lines().back(), QStringLiteral("ERROR# Redirect not followed (too many redirects)"));
}

TEST(RedirectHttpsTest, HttpsIsNeverRedirectedToHttp) {
    DevService secure(DevService::TlsArgs());
    DevService plain;
    ASSERT_TRUE(secure.IsRunning()) << secure.Error();
    ASSERT_TRUE(plain.IsRunning()) << plain.Error();
    ASSERT_TRUE(secure.BaseUrl().startsWith(QStringLiteral("https://")));
    ServiceClient client(secure.BaseUrl());
    client.SetCertificateAuthorities(QString::fromStdString(DevService::CertificateFile()));
    ASSERT_EQ(client.Login(QStringLiteral("demo"), QStringLiteral("demo")), ServiceClient::ResultOk);

    LogCapture log;
    for (const std::string& path :
         {std::string("/application/library"), std::string("/application/update")}) {
        DevService::Fault down;
        down.path = path;
        down.status = 301;
        down.location = plain.BaseUrl().toStdString() + path;
        ASSERT_TRUE(secure.SetFault(down));
    }
    QString text = QStringLiteral("kept");
    EXPECT_EQ(client.GetLibrary(text), ServiceClient::ResultFailed);
    EXPECT_EQ(client.GetUpdate(text), ServiceClient::ResultFailed);
    EXPECT_EQ(text, QStringLiteral("kept"));
    EXPECT_TRUE(plain.Requests().empty());
    EXPECT_EQ(log.Lines().back(), QStringLiteral("ERROR# Redirect not followed (from https to http)"));
}

} // namespace
