// The sign-in by hand through the whole window against the reference service: the loading box while
// the request runs off the GUI thread, every outcome with its message and focus, what is stored, the
// update check after it, and the hand-over to the signed-in book.
#include "app/CChildView.h"
#include "app/CMainFrame.h"
#include "app/MainController.h"

#include "../player/HtmlViewFixture.h"
#include "engine/PlayerTimer.h"
#include "platform/MessageBox.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "service/ServiceClient.h"
#include "signin/LoginControl.h"
#include "support/DevService.h"
#include "support/PaintCounter.h"
#include "widgets/CLoadingBox.h"
#include "widgets/CPictureEx.h"
#include "widgets/CSkinButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

using HtmlViewFixture::WaitUntil;

namespace {

const QString kUser = SettingsStore::User.name;
const QString kAutoLogin = SettingsStore::AutoLogin.name;
const QString kToken = SettingsStore::Token.name;
const QString kUpdateRequired =
    QStringLiteral("프로그램 실행 환경 동기화를 위해 반드시 업데이트가 필요합니다.");

struct Shown {
    QString text;
    MessageBox::Buttons buttons;
    MessageBox::Icon icon;
};

// The service client whose Login can be held back until the test releases it.
class HeldLogin : public ServiceClient {
  public:
    using ServiceClient::ServiceClient;
    int Login(const QString& user, const QString& password, bool autoSignIn) override {
        {
            std::unique_lock lock(mutex_);
            waiting_ = true;
            released_.wait(lock, [this] { return !held_; });
            waiting_ = false;
        }
        return ServiceClient::Login(user, password, autoSignIn);
    }
    void Hold() {
        std::lock_guard lock(mutex_);
        held_ = true;
    }
    void Release() {
        {
            std::lock_guard lock(mutex_);
            held_ = false;
        }
        released_.notify_all();
    }
    bool Waiting() {
        std::lock_guard lock(mutex_);
        return waiting_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable released_;
    bool held_ = false;
    bool waiting_ = false;
};

class SignInFlowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(service.IsRunning()) << service.Error();
        QFile::remove(SettingsStore::FilePath());
        SettingsStore::WriteInt(SettingsStore::AutoPlay.name, 0);
        MessageBox::SetHandler(
            [this](QWidget*, const QString& text, MessageBox::Buttons b, MessageBox::Icon i) {
                shown.push_back({text, b, i});
                return b == MessageBox::YesNo ? updateAnswer : MessageBox::AnswerOk;
            });
        Shell::SetHandler([](const QString&) {});
        Start(service.BaseUrl());
    }
    void TearDown() override {
        frame.reset();
        MessageBox::SetHandler(nullptr);
        Shell::SetHandler(nullptr);
    }
    void Start(const QString& url) {
        frame.reset();
        auto held = std::make_unique<HeldLogin>(url);
        client = held.get();
        frame = std::make_unique<CMainFrame>(std::move(held));
        frame->show();
        ASSERT_TRUE(HtmlViewFixture::WaitForPage(*frame->View()->Browser()));
    }
    LoginControl& Panel() { return *frame->View()->SignInPanel(); }
    void Type(const QString& user, const QString& password, bool autoSignIn = false) {
        Panel().UserEdit()->setText(user);
        Panel().PasswordEdit()->setText(password);
        Panel().AutoSignInBox()->setChecked(autoSignIn);
    }
    // Waits for the sign-in and the update check after it, which run against the service.
    void WaitWhileBusy() {
        ASSERT_TRUE(WaitUntil([this] { return !frame->Controller().IsBusy(); }, 30000));
    }
    std::vector<DevService::Request> Logins() { return service.RequestsTo("/application/login"); }

    DevService service;
    std::unique_ptr<CMainFrame> frame;
    HeldLogin* client = nullptr;
    std::vector<Shown> shown;
    MessageBox::Answer updateAnswer = MessageBox::AnswerNo;
};

TEST_F(SignInFlowTest, AcceptedWithTheBoxTickedStoresTheTokenBehindTheLoadingBox) {
    Type(QStringLiteral("demo"), QStringLiteral("demo"), true);
    // The worker's Login waits until the box has been seen up and modal, the window repainting and the
    // picture turning, with nothing decided yet.
    client->Hold();
    PaintCounter counter;
    frame->View()->installEventFilter(&counter);
    QTest::keyClick(Panel().UserEdit(), Qt::Key_Return); // Enter in the id field
    auto* box = qobject_cast<CLoadingBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->Text(), QStringLiteral("로그인을 하는중 ..."));
    EXPECT_EQ(box->parentWidget(), frame.get());
    ASSERT_TRUE(WaitUntil([this] { return client->Waiting(); }));
    const int before = counter.paints;
    frame->View()->update(QRect(0, 0, 50, 20));
    EXPECT_TRUE(WaitUntil([&] { return counter.paints > before && box->Picture()->IsPlaying(); }))
        << "the window stopped painting while the sign-in waited";
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(frame->View()->CurrentPanel(), CChildView::PANEL_SIGNIN);
    client->Release();
    WaitWhileBusy();

    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(CLoadingBox::IsShown());
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(client->IsSignedIn());
    ASSERT_FALSE(client->Token().isEmpty());
    EXPECT_EQ(SettingsStore::GetString(kUser, {}), QStringLiteral("demo"));
    EXPECT_EQ(SettingsStore::GetInt(kAutoLogin, 0), 1);
    EXPECT_EQ(SettingsStore::GetString(kToken, {}), client->Token());
    EXPECT_TRUE(Panel().PasswordEdit()->text().isEmpty());
    ASSERT_EQ(Logins().size(), 1u);
    EXPECT_NE(Logins()[0].body.find("data%5BUser%5D%5Bauto%5D=1"), std::string::npos);

    // The player panel at once; the book is asked for on the hand-over timer's first tick only.
    EXPECT_EQ(frame->View()->CurrentPanel(), CChildView::PANEL_PLAYER);
    EXPECT_TRUE(Panel().IsTimerActive(LoginControl::kHandOverTimer));
    EXPECT_TRUE(service.RequestsTo("/application/book").empty());
    Panel().OnTimer(LoginControl::kHandOverTimer);
    Panel().OnTimer(LoginControl::kHandOverTimer);
    EXPECT_TRUE(WaitUntil([this] { return frame->Engine().IsLoaded() && !frame->Engine().IsLoading(); }));
    EXPECT_EQ(service.RequestsTo("/application/book").size(), 1u);
}

TEST_F(SignInFlowTest, AcceptedWithoutTheBoxLeavesTheAutomaticSignInAsItWas) {
    SettingsStore::WriteInt(kAutoLogin, 0);
    SettingsStore::WriteString(kToken, QStringLiteral("earlier"));
    Type(QStringLiteral("demo"), QStringLiteral("demo"));
    QTest::keyClick(Panel().PasswordEdit(), Qt::Key_Enter); // the keypad's Enter in the password field
    WaitWhileBusy();
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(SettingsStore::GetString(kUser, {}), QStringLiteral("demo"));
    EXPECT_EQ(SettingsStore::GetInt(kAutoLogin, 9), 0);
    EXPECT_EQ(SettingsStore::GetString(kToken, {}), QStringLiteral("earlier"));
    ASSERT_EQ(Logins().size(), 1u);
    EXPECT_EQ(Logins()[0].body.find("auto"), std::string::npos);
    EXPECT_TRUE(Panel().IsTimerActive(LoginControl::kHandOverTimer));
}

TEST_F(SignInFlowTest, RefusedFailedAndUnsentSignInsShowTheirMessageAndPlaceTheFocus) {
    SettingsStore::WriteString(kUser, QStringLiteral("before"));
    Type(QStringLiteral("demo"), QStringLiteral("wrong"));
    QTest::mouseClick(Panel().SignInButton(), Qt::LeftButton);
    WaitWhileBusy();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, QStringLiteral("아이디 또는 비밀번호 오류입니다."));
    EXPECT_EQ(shown[0].buttons, MessageBox::Ok);
    EXPECT_EQ(shown[0].icon, MessageBox::Exclamation);
    EXPECT_TRUE(Panel().PasswordEdit()->text().isEmpty());
    EXPECT_EQ(frame->focusWidget(), Panel().UserEdit());
    EXPECT_FALSE(client->IsSignedIn());

    // The service goes away mid-answer: a transport failure.
    DevService::Fault gone;
    gone.path = "/application/login";
    gone.drop = true;
    ASSERT_TRUE(service.SetFault(gone));
    Type(QStringLiteral("demo"), QStringLiteral("demo"));
    QTest::keyClick(Panel().PasswordEdit(), Qt::Key_Return);
    WaitWhileBusy();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, QStringLiteral("인터넷 연결 상태를 확인해주시기 바랍니다."));
    EXPECT_EQ(shown[1].icon, MessageBox::Exclamation);
    EXPECT_EQ(frame->focusWidget(), Panel().SignInButton());
    EXPECT_EQ(frame->View()->CurrentPanel(), CChildView::PANEL_SIGNIN);
    EXPECT_FALSE(Panel().IsTimerActive(LoginControl::kHandOverTimer));
    EXPECT_EQ(SettingsStore::GetString(kUser, {}), QStringLiteral("before"));

    // A service address that cannot be parsed sends nothing and shows nothing.
    Start(QStringLiteral("nowhere"));
    Type(QStringLiteral("demo"), QStringLiteral("demo"));
    Panel().SignIn();
    WaitWhileBusy();
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_EQ(frame->View()->CurrentPanel(), CChildView::PANEL_SIGNIN);
}

TEST_F(SignInFlowTest, DecliningTheUpdateKeepsThePanelAndAStartedInstallerClosesTheProgram) {
    ASSERT_TRUE(service.SetNewestVersion("0.2"));
    Type(QStringLiteral("demo"), QStringLiteral("demo"), true);
    Panel().SignIn();
    WaitWhileBusy();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].buttons, MessageBox::YesNo);
    EXPECT_EQ(shown[1].text, kUpdateRequired);
    EXPECT_EQ(shown[1].buttons, MessageBox::Ok);
    EXPECT_EQ(shown[1].icon, MessageBox::Exclamation);
    EXPECT_EQ(frame->focusWidget(), Panel().SignInButton());
    EXPECT_TRUE(client->IsSignedIn());
    EXPECT_EQ(frame->View()->CurrentPanel(), CChildView::PANEL_SIGNIN);
    EXPECT_FALSE(Panel().IsTimerActive(LoginControl::kHandOverTimer));
    EXPECT_EQ(SettingsStore::GetString(kUser, QStringLiteral("none")), QStringLiteral("none"));
    EXPECT_EQ(SettingsStore::GetInt(kAutoLogin, 0), 0);

    // Accepted: the installer starts with "/S" and the program is asked to close.
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("started"));
    // The service signs the stand-in installer it serves.
    ASSERT_TRUE(service.SetInstaller("#!/bin/sh\necho \"$@\" > '" + marker.toStdString() + "'\n"));
    updateAnswer = MessageBox::AnswerYes;
    shown.clear();
    QSignalSpy exit(frame.get(), &CMainFrame::exitRequested);
    Type(QStringLiteral("demo"), QStringLiteral("demo"), true);
    Panel().SignIn();
    EXPECT_TRUE(WaitUntil([&exit] { return exit.count() == 1; }, 30000));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].buttons, MessageBox::YesNo);
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(SettingsStore::GetString(kUser, {}), QStringLiteral("demo"));
    EXPECT_EQ(SettingsStore::GetInt(kAutoLogin, 0), 1);
    EXPECT_TRUE(WaitUntil([&marker] {
        QFile started(marker);
        return started.open(QIODevice::ReadOnly) && started.readAll() == "/S\n";
    }));
}

} // namespace
