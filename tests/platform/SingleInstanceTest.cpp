#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Points XDG_RUNTIME_DIR and the temporary folder into a scratch folder for one test, and back after.
class ScratchFolders {
  public:
    ScratchFolders() : oldRuntime_(qgetenv("XDG_RUNTIME_DIR")), oldTmp_(qgetenv("TMPDIR")) {
        runtime = scratch_.path() + "/run";
        tmp = scratch_.path() + "/tmp";
        ::mkdir(QFile::encodeName(runtime).constData(), 0700);
        ::mkdir(QFile::encodeName(tmp).constData(), 0700);
        ::chmod(QFile::encodeName(tmp).constData(), 01777); // as the shared /tmp
        qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
        qputenv("TMPDIR", tmp.toUtf8());
    }
    ~ScratchFolders() {
        restore("XDG_RUNTIME_DIR", oldRuntime_);
        restore("TMPDIR", oldTmp_);
    }
    QString runtime;
    QString tmp;

  private:
    static void restore(const char* name, const QByteArray& value) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    QTemporaryDir scratch_;
    QByteArray oldRuntime_;
    QByteArray oldTmp_;
};

mode_t Mode(const QString& path) {
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return info.st_mode;
}

QString uniqueKey(const char* name) {
    return QStringLiteral("lexicarta-test-%1-%2").arg(name).arg(QCoreApplication::applicationPid());
}

TEST(SingleInstance, SecondClaimAsksTheFirstToShow) {
    const QString key = uniqueKey("second");
    SingleInstance first(key);
    ASSERT_TRUE(first.Claim());
    int shown = 0;
    QObject::connect(&first, &SingleInstance::showRequested, [&] { ++shown; });

    // The second start runs in another thread of control only in real life; here the request is
    // delivered by the event loop once the second instance has written it.
    SingleInstance second(key);
    EXPECT_FALSE(second.Claim());
    QElapsedTimer timer;
    timer.start();
    while (shown == 0 && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(shown, 1);
}

TEST(SingleInstance, LeftoverSocketOfACrashedInstanceDoesNotBlock) {
    const QString key = uniqueKey("stale");
    {
        // A listener that goes away without cleaning up leaves a socket file behind.
        QLocalServer leftover;
        leftover.setSocketOptions(QLocalServer::UserAccessOption);
        ASSERT_TRUE(leftover.listen(SingleInstance::SocketPath(key)));
        const QString path = leftover.fullServerName();
        leftover.close();
        QFile marker(path);
        if (!QFile::exists(path)) {
            ASSERT_TRUE(marker.open(QIODevice::WriteOnly)); // the same leftover, made by hand
            marker.close();
        }
    }
    SingleInstance next(key);
    EXPECT_TRUE(next.Claim());
}

TEST(SingleInstance, AReleasedInstanceLetsTheNextStartBeTheFirst) {
    const QString key = uniqueKey("release");
    auto first = std::make_unique<SingleInstance>(key);
    ASSERT_TRUE(first->Claim());
    int shown = 0;
    QObject::connect(first.get(), &SingleInstance::showRequested, [&] { ++shown; });
    first->Release();
    first->Release();

    // A start during the first one's slow exit runs as the first instance and is asked by later starts.
    SingleInstance next(key);
    EXPECT_TRUE(next.Claim());
    int nextShown = 0;
    QObject::connect(&next, &SingleInstance::showRequested, [&] { ++nextShown; });
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    first.reset(); // the old instance going away leaves the new one's socket alone
    SingleInstance later(key);
    EXPECT_FALSE(later.Claim());
    QElapsedTimer timer;
    timer.start();
    while (nextShown == 0 && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(nextShown, 1);
    EXPECT_EQ(shown, 0);
}

TEST(SingleInstance, SocketLivesInAFolderOnlyTheUserCanEnter) {
    ScratchFolders folders;
    const QString key = uniqueKey("private");
    {
        SingleInstance first(key);
        ASSERT_TRUE(first.Claim());
        EXPECT_EQ(SingleInstance::SocketPath(key), folders.runtime + "/" + key);
        EXPECT_TRUE(S_ISSOCK(Mode(folders.runtime + "/" + key)));
    }

    // A runtime folder that others may enter, or none at all: a folder of the user's own in the
    // temporary folder, made private.
    const QString own = folders.tmp + QStringLiteral("/lexicarta-%1").arg(::getuid());
    ::chmod(QFile::encodeName(folders.runtime).constData(), 0755);
    EXPECT_EQ(SingleInstance::PrivateFolder(), own);
    EXPECT_EQ(Mode(own) & 07777, mode_t(0700));
    EXPECT_TRUE(S_ISDIR(Mode(own)));
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(SingleInstance::PrivateFolder(), own);

    // That folder made first by someone else (open to others, a link, or another user's) is never
    // used; the program still starts, only without the single-instance test.
    ASSERT_TRUE(QDir(own).removeRecursively());
    ASSERT_EQ(::mkdir(QFile::encodeName(own).constData(), 0700), 0);
    ::chmod(QFile::encodeName(own).constData(), 0777);
    EXPECT_EQ(SingleInstance::PrivateFolder(), QString());
    SingleInstance first(key);
    EXPECT_TRUE(first.Claim());
    SingleInstance second(key);
    EXPECT_TRUE(second.Claim());
    ASSERT_TRUE(QDir(own).removeRecursively());
    ASSERT_TRUE(QFile::link(folders.runtime, own));
    ::chmod(QFile::encodeName(folders.runtime).constData(), 0700);
    EXPECT_EQ(SingleInstance::PrivateFolder(), QString());
    if (::getuid() == 0) {
        ASSERT_TRUE(QFile::remove(own));
        ASSERT_EQ(::mkdir(QFile::encodeName(own).constData(), 0700), 0);
        ASSERT_EQ(::chown(QFile::encodeName(own).constData(), 65534, 65534), 0);
        EXPECT_EQ(SingleInstance::PrivateFolder(), QString());
    }
}

TEST(SingleInstance, AnotherUsersSocketAtTheOldSharedPlaceDoesNotStopTheStart) {
    ScratchFolders folders;
    // Listeners at the names the shared temporary folder used to hold, answering every connection.
    int asked = 0;
    std::vector<std::unique_ptr<QLocalServer>> squatters;
    for (const QString& name :
         {QStringLiteral("Lexicarta Desktop-%1").arg(::getuid()), SingleInstance::DefaultKey()}) {
        auto server = std::make_unique<QLocalServer>();
        server->setSocketOptions(QLocalServer::WorldAccessOption);
        ASSERT_TRUE(server->listen(folders.tmp + "/" + name));
        if (::getuid() == 0)
            ::chown(QFile::encodeName(folders.tmp + "/" + name).constData(), 65534, 65534);
        QObject::connect(server.get(), &QLocalServer::newConnection, [&] { ++asked; });
        squatters.push_back(std::move(server));
    }

    SingleInstance first(SingleInstance::DefaultKey());
    EXPECT_TRUE(first.Claim());
    EXPECT_TRUE(S_ISSOCK(Mode(folders.runtime + "/" + SingleInstance::DefaultKey())));
    SingleInstance second(SingleInstance::DefaultKey());
    EXPECT_FALSE(second.Claim());
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    EXPECT_EQ(asked, 0);
}

} // namespace
