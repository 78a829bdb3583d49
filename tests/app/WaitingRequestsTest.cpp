// Every request the user waits for, held back by the reference service: while it waits the window
// keeps painting, the wait cursor shows (the loading box too while the installer downloads), and
// leaving the program still ends it within two seconds.
#include "app/CChildView.h"
#include "app/CMainFrame.h"
#include "app/MainController.h"

#include "../player/HtmlViewFixture.h"
#include "platform/MessageBox.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "resources/ResourceIds.h"
#include "service/ServiceClient.h"
#include "support/DevService.h"
#include "support/PaintCounter.h"
#include "support/StoredSignIn.h"
#include "widgets/CLoadingBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using HtmlViewFixture::WaitUntil;

namespace {

class WaitingRequestsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(service.IsRunning()) << service.Error();
        QFile::remove(SettingsStore::FilePath());
        SettingsStore::WriteInt(SettingsStore::AutoPlay.name, 0);
        MessageBox::SetHandler([](QWidget*, const QString&, MessageBox::Buttons b, MessageBox::Icon) {
            return b == MessageBox::YesNo ? MessageBox::AnswerYes : MessageBox::AnswerOk;
        });
        Shell::SetHandler([](const QString&) {});
    }
    void TearDown() override {
        frame.reset();
        MessageBox::SetHandler(nullptr);
        Shell::SetHandler(nullptr);
    }

    void Start() {
        frame = std::make_unique<CMainFrame>(std::make_unique<ServiceClient>(service.BaseUrl()));
        frame->show();
        ASSERT_TRUE(HtmlViewFixture::WaitForPage(*frame->View()->Browser()));
    }
    void StoreAutoSignIn() {
        const QString token = StoredSignIn::IssueToken(service.BaseUrl());
        ASSERT_FALSE(token.isEmpty());
        StoredSignIn::Store(token);
    }
    void Hold(const std::string& path) {
        DevService::Fault held;
        held.path = path;
        held.delayMs = 60000;
        ASSERT_TRUE(service.SetFault(held));
    }

    // With the request under way (`started` tells when the service has it): the window repaints what
    // is exposed, the wait cursor shows, and the exit command ends everything within two seconds.
    void CheckWhileItWaits(const std::string& path, const std::function<void()>& afterExit = {}) {
        ASSERT_TRUE(WaitUntil([&] { return !service.RequestsTo(path).empty(); }, 30000)) << path;
        EXPECT_TRUE(frame->Controller().IsBusy()) << path;
        ASSERT_NE(QApplication::overrideCursor(), nullptr) << path;
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor) << path;
        PaintCounter counter;
        frame->View()->installEventFilter(&counter);
        frame->View()->update(QRect(0, 0, 120, 27));
        EXPECT_TRUE(WaitUntil([&] { return counter.paints > 0; })) << path << ": the window stopped painting";
        frame->View()->removeEventFilter(&counter);

        QSignalSpy exit(frame.get(), &CMainFrame::exitRequested);
        QElapsedTimer clock;
        clock.start();
        frame->OnCommand(Res::ID_EXIT);
        if (afterExit)
            afterExit();
        frame.reset();
        EXPECT_LT(clock.elapsed(), 2000) << path;
        EXPECT_EQ(exit.count(), 1) << path;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << path;
    }

    // The loading box on screen, if any.
    static CLoadingBox* ShownLoadingBox() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<CLoadingBox*>(widget); box != nullptr && box->isVisible())
                return box;
        return nullptr;
    }

    DevService service;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(WaitingRequestsTest, AutomaticSignIn) {
    StoreAutoSignIn();
    Hold("/application/auto_login");
    Start();
    CheckWhileItWaits("/application/auto_login");
}

TEST_F(WaitingRequestsTest, UpdateCheckAndInstallerDownload) {
    StoreAutoSignIn();
    Hold("/application/update");
    Start();
    CheckWhileItWaits("/application/update");

    // A newer version the user accepts: the loading box stands over the window while the installer
    // download is held, and the exit that cuts the download short closes it.
    const std::string installer = "/application/installer/lexicarta-desktop-9.0-setup.run";
    ASSERT_TRUE(service.ClearFaults());
    ASSERT_TRUE(service.SetNewestVersion("9.0"));
    StoreAutoSignIn();
    Hold(installer);
    Start();
    ASSERT_TRUE(WaitUntil([&] { return !service.RequestsTo(installer).empty(); }, 30000));
    QPointer<CLoadingBox> box = ShownLoadingBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isModal());
    EXPECT_EQ(box->Text(), QStringLiteral("업데이트를 내려받는 중 ..."));
    CheckWhileItWaits(installer, [&] { EXPECT_TRUE(box == nullptr || !box->isVisible()); });

    // A download that fails: the box is gone before the failure message shows.
    ASSERT_TRUE(service.ClearFaults());
    DevService::Fault missing;
    missing.path = installer;
    missing.status = 404;
    ASSERT_TRUE(service.SetFault(missing));
    StoreAutoSignIn();
    std::vector<std::pair<QString, bool>> messages; // text, a loading box showing with it
    MessageBox::SetHandler([&](QWidget*, const QString& text, MessageBox::Buttons b, MessageBox::Icon) {
        messages.emplace_back(text, ShownLoadingBox() != nullptr);
        return b == MessageBox::YesNo ? MessageBox::AnswerYes : MessageBox::AnswerOk;
    });
    Start();
    ASSERT_TRUE(WaitUntil([&] { return messages.size() >= 3; }, 30000));
    EXPECT_EQ(messages[1], std::make_pair(QStringLiteral("업데이트가 실패하였습니다."), false));
    EXPECT_FALSE(service.RequestsTo(installer).empty());
    EXPECT_EQ(ShownLoadingBox(), nullptr);
}

TEST_F(WaitingRequestsTest, BookListAndWebLinkToken) {
    Start();
    ASSERT_EQ(frame->Client().Login("demo", "demo"), ServiceClient::ResultOk);
    Hold("/application/library");
    frame->Controller().ShowBookList();
    CheckWhileItWaits("/application/library");

    ASSERT_TRUE(service.ClearFaults());
    Start();
    ASSERT_EQ(frame->Client().Login("demo", "demo"), ServiceClient::ResultOk);
    Hold("/application/get_token");
    frame->Controller().OnBookCommand(Res::ID_WEB_BOOKS);
    CheckWhileItWaits("/application/get_token");
}

} // namespace
