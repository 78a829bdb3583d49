#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QProcess>

#include <gtest/gtest.h>

#include <memory>

namespace {

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
        ASSERT_TRUE(leftover.listen(key));
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

} // namespace
