// The program itself at the end of the desktop session, with no notification area (closing only
// minimises): the session's termination signal runs the program's own exit, whose last learning-log
// send reaches the service, and the process is gone within two seconds.
#include "../player/HtmlViewFixture.h"
#include "platform/SettingsStore.h"
#include "service/ServiceClient.h"
#include "support/DevService.h"
#include "support/StoredSignIn.h"

#include <QFile>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using HtmlViewFixture::WaitUntil;

namespace {

class SessionEndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(service.IsRunning()) << service.Error();
        ASSERT_TRUE(runtime.isValid());
        ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "the display has a notification area";
        // The program reads the settings this test writes (the same XDG folders): it signs in by
        // itself and opens the book the service names.
        QFile::remove(SettingsStore::FilePath());
        const QString token = StoredSignIn::IssueToken(service.BaseUrl());
        ASSERT_FALSE(token.isEmpty());
        StoredSignIn::Store(token);
    }

    // Starts the program against the service and waits until it shows the first card of its book (its
    // start-up trace on standard error says when).
    void StartWithBook() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LEXICARTA_SERVICE_URL"), service.BaseUrl());
        env.insert(QStringLiteral("LEXICARTA_STARTUP_TRACE"), QStringLiteral("1"));
        // A single-instance socket of its own, away from any other copy running on this machine.
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        program.start(QStringLiteral(LEXICARTA_PROGRAM), {});
        ASSERT_TRUE(program.waitForStarted());
        ASSERT_TRUE(WaitUntil(
            [&] {
                errors += program.readAllStandardError();
                return errors.contains("lexicarta-startup card-update");
            },
            120000))
            << "the program showed no card:\n"
            << errors.toStdString();
        EXPECT_FALSE(service.RequestsTo("/application/book/").empty());
    }

    DevService service;
    QTemporaryDir runtime;
    QProcess program;
    QByteArray errors; // what the program wrote to standard error
};

TEST_F(SessionEndTest, TerminationSignalRunsTheExitAndEndsTheProcessWithinTwoSeconds) {
    StartWithBook();
    ASSERT_EQ(::kill(static_cast<pid_t>(program.processId()), SIGTERM), 0);
    // The bound on the process's end is the assertion: its own exit, not the signal, ended it.
    ASSERT_TRUE(program.waitForFinished(2000)) << "still running 2 s after the session's end";
    errors += program.readAllStandardError();
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << errors.toStdString();
    EXPECT_EQ(program.exitCode(), 0) << errors.toStdString();
    // The exit's last learning-log send reached the service: the card on display is in the log.
    size_t logged = 0;
    for (const auto& [date, ids] : service.LearningLog("demo"))
        logged += ids.size();
    EXPECT_GE(logged, 1u) << errors.toStdString();
}

} // namespace
