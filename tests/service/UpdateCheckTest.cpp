// The update check: version comparison, the installer's file name and folder, and the whole check
// against the reference service with a stand-in installer that reports how it was started.
#include "service/UpdateCheck.h"

#include "service/ServiceClient.h"
#include "support/DevService.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <chrono>
#include <sys/stat.h>
#include <thread>

namespace {

using V = UpdateCheck::Version;

bool equal(V a, V b) {
    return a.major == b.major && a.minor == b.minor;
}

TEST(UpdateCheckVersion, ReadsEachPartLikeAtoi) {
    EXPECT_TRUE(equal(UpdateCheck::ParseVersion("0.1"), V{0, 1}));
    EXPECT_TRUE(equal(UpdateCheck::ParseVersion("0.10"), V{0, 10}));
    EXPECT_TRUE(equal(UpdateCheck::ParseVersion("1.2.3"), V{1, 2}));
    EXPECT_TRUE(equal(UpdateCheck::ParseVersion("2"), V{2, 0}));
    EXPECT_TRUE(equal(UpdateCheck::ParseVersion("v2"), V{0, 0}));
    EXPECT_TRUE(equal(UpdateCheck::ParseVersion(""), V{0, 0}));
    EXPECT_TRUE(equal(UpdateCheck::ParseVersion(" 3.x4"), V{3, 0}));
    EXPECT_TRUE(equal(UpdateCheck::ParseVersion("99999999999.-1"), V{INT_MAX, -1}));
}

TEST(UpdateCheckVersion, ComparesMajorThenMinorAsNumbers) {
    EXPECT_TRUE(equal(UpdateCheck::OwnVersion(), V{0, 1}));
    const V own{0, 1};
    EXPECT_FALSE(UpdateCheck::IsNewer(V{0, 1}, own));
    EXPECT_TRUE(UpdateCheck::IsNewer(V{0, 2}, own));
    EXPECT_TRUE(UpdateCheck::IsNewer(V{0, 10}, own)); // 10 > 1, not "0.10" < "0.1"
    EXPECT_TRUE(UpdateCheck::IsNewer(V{1, 0}, own));
    EXPECT_FALSE(UpdateCheck::IsNewer(V{0, 0}, own));
    EXPECT_FALSE(UpdateCheck::IsNewer(V{-1, 9}, own));
}

TEST(UpdateCheckFiles, InstallerNameComesFromTheUrlAndBadNamesAreRefused) {
    EXPECT_EQ(UpdateCheck::InstallerFileName(QStringLiteral("http://h/dl/setup-0.2.run")),
              QStringLiteral("setup-0.2.run"));
    EXPECT_EQ(UpdateCheck::InstallerFileName(QStringLiteral("http://h/dl/setup.run?x=1#y")),
              QStringLiteral("setup.run"));
    EXPECT_EQ(UpdateCheck::InstallerFileName(QStringLiteral("http://h/dl/")), QString());
    EXPECT_EQ(UpdateCheck::InstallerFileName(QStringLiteral("http://h")), QString());
    EXPECT_EQ(UpdateCheck::InstallerFileName(QStringLiteral("http://h/dl/..")), QString());
    EXPECT_EQ(UpdateCheck::InstallerFileName(QStringLiteral("http://h/dl/.")), QString());
    EXPECT_EQ(UpdateCheck::InstallerFileName(QStringLiteral("http://h/dl/..%2F..%2Fbin%2Fsh")), QString());
    EXPECT_EQ(UpdateCheck::InstallerFileName(QStringLiteral("http://h/dl/a%5Cb")), QString());
    EXPECT_EQ(UpdateCheck::InstallerFileName(QString()), QString());
}

TEST(UpdateCheckFiles, DownloadFolderIsPrivateToTheUser) {
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    const QString expected = cache + QStringLiteral("/lexicarta-desktop/update");
    ASSERT_TRUE(QDir().mkpath(expected));
    ASSERT_EQ(chmod(QFile::encodeName(expected).constData(), 0755), 0);

    EXPECT_EQ(UpdateCheck::DownloadFolder(), expected);
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(expected).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);

    // A link planted in its place is not used.
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QDir(expected).removeRecursively());
    ASSERT_TRUE(QFile::link(elsewhere.path(), expected));
    EXPECT_EQ(UpdateCheck::DownloadFolder(), QString());
    QFile::remove(expected);
}

// Waits up to ten seconds for a file that a started process writes.
QByteArray waitForFile(const QString& path) {
    for (int i = 0; i < 500; ++i) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly)) {
            const QByteArray content = f.readAll();
            if (content.endsWith('\n'))
                return content;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {};
}

TEST(UpdateCheckFiles, InstallerIsMadeExecutableAndStartedWithS) {
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("started"));
    const QString installer = dir.filePath(QStringLiteral("setup.run"));
    QFile f(installer);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\necho \"$@\" > '" + QFile::encodeName(marker) + "'\n");
    f.close();
    ASSERT_TRUE(f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));

    ASSERT_TRUE(UpdateCheck::StartInstaller(installer));
    EXPECT_EQ(waitForFile(marker), QByteArray("/S\n"));
    EXPECT_TRUE(QFileInfo(installer).isExecutable());

    // Something that cannot run is reported.
    const QString junk = dir.filePath(QStringLiteral("junk.run"));
    QFile j(junk);
    ASSERT_TRUE(j.open(QIODevice::WriteOnly));
    j.write(QByteArray(64, '\x01'));
    j.close();
    EXPECT_FALSE(UpdateCheck::StartInstaller(junk));
    EXPECT_FALSE(UpdateCheck::StartInstaller(dir.filePath(QStringLiteral("missing.run"))));
}

class UpdateCheckRun : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(service.IsRunning()) << service.Error();
        client = std::make_unique<ServiceClient>(service.BaseUrl());
        client->OpenSession();
        prompts.confirmUpdate = [this] {
            ++asked;
            return answerYes;
        };
        prompts.reportFailure = [this] { ++failures; };
    }

    // The stand-in installer (signed by the service) writes its arguments to `marker`.
    void ServeInstaller(const QString& marker) {
        ASSERT_TRUE(service.SetInstaller("#!/bin/sh\necho \"$@\" > '" + marker.toStdString() + "'\n"));
    }

    void AnswerUpdate(const std::string& answer) {
        DevService::Fault f;
        f.path = "/application/update";
        f.status = 200;
        f.body = answer;
        ASSERT_TRUE(service.SetFault(f));
    }

    DevService service;
    std::unique_ptr<ServiceClient> client;
    UpdateCheck::Prompts prompts;
    bool answerYes = true;
    int asked = 0;
    int failures = 0;
};

TEST_F(UpdateCheckRun, SameVersionGoesOnWithoutAsking) {
    EXPECT_EQ(UpdateCheck::Run(*client, prompts), UpdateCheck::UpToDate);
    EXPECT_EQ(asked, 0);
    ASSERT_TRUE(service.SetNewestVersion("0.0"));
    EXPECT_EQ(UpdateCheck::Run(*client, prompts), UpdateCheck::UpToDate);
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(service.RequestsTo("/application/installer").empty());
}

TEST_F(UpdateCheckRun, UnreachableServiceOffersNothing) {
    service.Stop();
    EXPECT_EQ(UpdateCheck::Run(*client, prompts), UpdateCheck::UpToDate);
    EXPECT_EQ(asked, 0);
}

TEST_F(UpdateCheckRun, DecliningRefusesToGoOn) {
    ASSERT_TRUE(service.SetNewestVersion("0.10"));
    answerYes = false;
    EXPECT_EQ(UpdateCheck::Run(*client, prompts), UpdateCheck::Declined);
    EXPECT_LT(UpdateCheck::Declined, 0);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(failures, 0);
    EXPECT_TRUE(service.RequestsTo("/application/installer").empty());
}

TEST_F(UpdateCheckRun, AcceptingDownloadsAndStartsTheInstaller) {
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("started"));
    ASSERT_TRUE(service.SetNewestVersion("1.0"));
    ServeInstaller(marker);

    EXPECT_EQ(UpdateCheck::Run(*client, prompts), UpdateCheck::InstallerStarted);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(waitForFile(marker), QByteArray("/S\n"));
    const QString installer =
        UpdateCheck::DownloadFolder() + QStringLiteral("/lexicarta-desktop-1.0-setup.run");
    EXPECT_TRUE(QFileInfo(installer).isExecutable());
    const auto downloads = service.RequestsTo("/application/installer/");
    ASSERT_EQ(downloads.size(), 2u);
    EXPECT_EQ(downloads[0].target, "/application/installer/lexicarta-desktop-1.0-setup.run.minisig");
    EXPECT_EQ(downloads[1].target, "/application/installer/lexicarta-desktop-1.0-setup.run");
}

TEST_F(UpdateCheckRun, TheServicesOwnSignedInstallerVerifies) {
    ASSERT_TRUE(service.SetNewestVersion("0.2"));
    QString answer;
    ASSERT_EQ(client->GetUpdate(answer), ServiceClient::ResultOk);
    const QString url = answer.section(QLatin1Char(';'), 1);
    EXPECT_TRUE(UpdateCheck::DownloadSigned(*client, url));
    EXPECT_TRUE(QFileInfo::exists(UpdateCheck::InstallerPath(url)));
    // The signature came first, from beside the installer.
    const auto requests = service.RequestsTo("/application/installer/");
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target, "/application/installer/lexicarta-desktop-0.2-setup.run.minisig");
    EXPECT_EQ(requests[1].target, "/application/installer/lexicarta-desktop-0.2-setup.run");
}

// Every installer that is not exactly what the trusted key signed: never started, removed, and the
// failure message shown.
TEST_F(UpdateCheckRun, InstallersWithoutAGoodSignatureNeverStart) {
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("started"));
    ASSERT_TRUE(service.SetNewestVersion("0.2"));
    ServeInstaller(marker);
    const std::string installer = "/application/installer/lexicarta-desktop-0.2-setup.run";
    const std::string signature = installer + ".minisig";
    const QString path = UpdateCheck::DownloadFolder() + QStringLiteral("/lexicarta-desktop-0.2-setup.run");
    QFile::remove(path); // left by an earlier test

    // The service's own signature, to be spoilt below.
    QString answer;
    ASSERT_EQ(client->GetUpdate(answer), ServiceClient::ResultOk);
    QByteArray good;
    ASSERT_EQ(
        client->DownloadSmall(answer.section(QLatin1Char(';'), 1) + QStringLiteral(".minisig"), 4096, good),
        ServiceClient::ResultOk);
    QList<QByteArray> lines = good.split('\n');
    QByteArray otherId = QByteArray::fromBase64(lines[1]);
    otherId[3] = char(otherId[3] ^ 1);
    lines[1] = otherId.toBase64();

    const auto fault = [](const std::string& where, int status, std::optional<std::string> body,
                          long padTo = -1) {
        DevService::Fault f;
        f.path = where;
        f.status = status;
        f.body = std::move(body);
        f.padTo = padTo;
        return f;
    };
    const std::vector<std::pair<const char*, DevService::Fault>> cases = {
        {"unsigned", fault(signature, 404, std::nullopt)},
        {"signed for other bytes",
         fault(installer, 200, "#!/bin/sh\ntouch '" + marker.toStdString() + "'\n")},
        {"another key's id", fault(signature, 200, lines.join('\n').toStdString())},
        {"malformed", fault(signature, 200, "untrusted comment: x\nnot base64\n")},
        {"signature over the cap", fault(signature, 0, std::nullopt, 5000)},
        {"installer over the cap",
         fault(installer, 0, std::nullopt, long(ServiceClient::kMaxDownloadSize) + 1)},
    };
    for (const auto& [what, spoilt] : cases) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(service.ClearFaults());
        ASSERT_TRUE(service.SetFault(spoilt));
        failures = 0;
        EXPECT_EQ(UpdateCheck::Run(*client, prompts), UpdateCheck::Failed);
        EXPECT_EQ(failures, 1);
        EXPECT_FALSE(QFileInfo::exists(path));
        EXPECT_FALSE(QFileInfo::exists(path + QStringLiteral(".part")));
    }
    EXPECT_FALSE(QFileInfo::exists(marker));
    // A malformed signature spared the download.
    ASSERT_TRUE(service.ClearRequests());
    ASSERT_TRUE(service.SetFault(cases[3].second));
    EXPECT_EQ(UpdateCheck::Run(*client, prompts), UpdateCheck::Failed);
    EXPECT_TRUE(service.RequestsTo(installer + "?").empty());
    EXPECT_EQ(service.RequestsTo("/application/installer/").size(), 1u);
}

TEST_F(UpdateCheckRun, FailedDownloadShowsTheFailure) {
    ASSERT_TRUE(service.SetNewestVersion("0.2"));
    DevService::Fault missing;
    missing.path = "/application/installer/*";
    missing.status = 404;
    ASSERT_TRUE(service.SetFault(missing));
    EXPECT_EQ(UpdateCheck::Run(*client, prompts), UpdateCheck::Failed);
    EXPECT_LT(UpdateCheck::Failed, 0);
    EXPECT_EQ(failures, 1);
}

TEST_F(UpdateCheckRun, UnusableInstallerUrlsFailWithoutDownloading) {
    // Without ";" the whole answer is both version and URL.
    AnswerUpdate("0.2");
    EXPECT_EQ(UpdateCheck::Run(*client, prompts), UpdateCheck::Failed);
    AnswerUpdate("0.2;" + service.BaseUrl().toStdString() + "/application/installer/");
    EXPECT_EQ(UpdateCheck::Run(*client, prompts), UpdateCheck::Failed);
    AnswerUpdate("0.2;" + service.BaseUrl().toStdString() + "/application/installer/..");
    EXPECT_EQ(UpdateCheck::Run(*client, prompts), UpdateCheck::Failed);
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(failures, 3);
    EXPECT_TRUE(service.RequestsTo("/application/installer").empty());
}

} // namespace
