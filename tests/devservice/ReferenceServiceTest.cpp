// The reference service's own rules beyond what the client tests see: credentials, the web pages and
// the one-time tokens that sign a browser in.
#include "service/ServiceClient.h"
#include "support/DevService.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// A browser: no credentials, redirects followed, cookies kept (the program's own client fetches no
// pages: its plug-in fetch takes only a short URL for an answer).
class Browser {
  public:
    Browser() : handle_(curl_easy_init()) {
        curl_easy_setopt(handle_.get(), CURLOPT_COOKIEFILE, "");
        curl_easy_setopt(handle_.get(), CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(handle_.get(), CURLOPT_TIMEOUT, 30L);
        curl_easy_setopt(handle_.get(), CURLOPT_WRITEFUNCTION, &Browser::append);
    }

    // ResultOk with the page on status 200; ResultFailed otherwise, the page left alone.
    int FetchUrl(const QString& url, QString& page) {
        std::string body;
        const QByteArray address = url.toUtf8();
        curl_easy_setopt(handle_.get(), CURLOPT_URL, address.constData());
        curl_easy_setopt(handle_.get(), CURLOPT_WRITEDATA, &body);
        long status = 0;
        if (curl_easy_perform(handle_.get()) != CURLE_OK ||
            curl_easy_getinfo(handle_.get(), CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status != 200)
            return ServiceClient::ResultFailed;
        page = QString::fromUtf8(body.data(), qsizetype(body.size()));
        return ServiceClient::ResultOk;
    }

  private:
    static size_t append(char* data, size_t size, size_t count, void* user) {
        static_cast<std::string*>(user)->append(data, size * count);
        return size * count;
    }
    struct Cleanup {
        void operator()(CURL* h) const { curl_easy_cleanup(h); }
    };
    std::unique_ptr<CURL, Cleanup> handle_;
};

class ReferenceServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(service.IsRunning()) << service.Error();
        program = std::make_unique<ServiceClient>(service.BaseUrl());
        browser = std::make_unique<Browser>();
    }

    // A page as a browser sees it: no credentials, redirects followed, cookies kept.
    QString Browse(const QString& path, int expected = ServiceClient::ResultOk) {
        QString page;
        EXPECT_EQ(browser->FetchUrl(service.BaseUrl() + path, page), expected) << path.toStdString();
        return page;
    }

    DevService service;
    std::unique_ptr<ServiceClient> program;
    std::unique_ptr<Browser> browser;
};

TEST_F(ReferenceServiceTest, ProtectedEndpointsWantTheFixedCredentials) {
    ASSERT_EQ(program->Login(QStringLiteral("demo"), QStringLiteral("demo")), ServiceClient::ResultOk);
    // The same paths without credentials (FetchUrl sends none) are refused.
    Browse(QStringLiteral("/application/book/1"), ServiceClient::ResultFailed);
    Browse(QStringLiteral("/application/clear_complete/1"), ServiceClient::ResultFailed);
    Browse(QStringLiteral("/application/installer/lexicarta-desktop-0.1-setup.run"),
           ServiceClient::ResultFailed);
    // Unknown paths are not found.
    Browse(QStringLiteral("/application/nothing"), ServiceClient::ResultFailed);
}

TEST_F(ReferenceServiceTest, OneTimeTokenSignsABrowserIn) {
    ASSERT_EQ(program->Login(QStringLiteral("demo"), QStringLiteral("demo")), ServiceClient::ResultOk);
    ASSERT_EQ(program->Complete(1001, 1), ServiceClient::ResultOk);
    QString token;
    ASSERT_EQ(program->GetToken(token), ServiceClient::ResultOk);

    const QString books =
        Browse(QStringLiteral("/application/auth_token/") + token + QStringLiteral("?to=/books"));
    EXPECT_TRUE(books.contains(QStringLiteral("<b>demo</b>")));
    EXPECT_TRUE(books.contains(QStringLiteral("기초 영단어 60")));
    EXPECT_TRUE(books.contains(QStringLiteral("1 / 60")));
    // The browser stays signed in on its own cookie.
    EXPECT_TRUE(Browse(QStringLiteral("/books/view/1")).contains(QStringLiteral("apple")));

    // A token is good once.
    Browser other;
    QString page;
    ASSERT_EQ(other.FetchUrl(service.BaseUrl() + QStringLiteral("/application/auth_token/") + token, page),
              ServiceClient::ResultOk);
    EXPECT_TRUE(page.contains(QStringLiteral("로그인 링크가 만료되었습니다")));
    ASSERT_EQ(other.FetchUrl(service.BaseUrl() + QStringLiteral("/library"), page), ServiceClient::ResultOk);
    EXPECT_TRUE(page.contains(QStringLiteral("로그인 링크가 만료되었습니다")));
}

TEST_F(ReferenceServiceTest, TokenPagesGoOnlyToTheServicesOwnPages) {
    ASSERT_EQ(program->Login(QStringLiteral("demo"), QStringLiteral("demo")), ServiceClient::ResultOk);
    QString token;
    ASSERT_EQ(program->GetToken(token), ServiceClient::ResultOk);
    const QString page = Browse(QStringLiteral("/application/auth_token/") + token +
                                QStringLiteral("?to=http://elsewhere.invalid/"));
    EXPECT_TRUE(page.contains(QStringLiteral("단어장 목록")));

    ASSERT_EQ(program->GetToken(token), ServiceClient::ResultOk);
    QByteArray date;
    ASSERT_EQ(program->SaveLearningLog(QByteArray(), QByteArray(), date), ServiceClient::ResultOk);
    ASSERT_EQ(program->SaveLearningLog(date, QByteArrayLiteral("1001,1002"), date), ServiceClient::ResultOk);
    const QString library =
        Browse(QStringLiteral("/application/auth_token/") + token + QStringLiteral("?to=/library"));
    EXPECT_TRUE(library.contains(QString::fromLatin1(date) + QStringLiteral(": 단어 2개")));
}

TEST_F(ReferenceServiceTest, PagesTheProgramOpensExist) {
    for (const char* path : {"/helpdesk/help_desktop", "/member/register", "/member/find_id_pw"})
        EXPECT_TRUE(Browse(QString::fromLatin1(path)).startsWith(QStringLiteral("<!DOCTYPE html>"))) << path;
}

} // namespace
