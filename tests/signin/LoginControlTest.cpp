// The sign-in panel against the reference service: its controls, every sign-in outcome, the hand-over
// to the main window and the automatic sign-in.
#include "signin/LoginControl.h"

#include "platform/MessageBox.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "platform/TaskStatusEvent.h"
#include "resources/Artwork.h"
#include "resources/ResourceIds.h"
#include "service/ServiceClient.h"
#include "support/DevService.h"
#include "widgets/CLoadingBox.h"
#include "widgets/CPictureEx.h"
#include "widgets/CSkinButton.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

const QString kUser = QString::fromLatin1(SettingsStore::User);
const QString kAutoLogin = QString::fromLatin1(SettingsStore::AutoLogin);
const QString kToken = QString::fromLatin1(SettingsStore::Token);

struct Shown {
    QString text;
    MessageBox::Buttons buttons;
    MessageBox::Icon icon;
};

// Stands in for the main window: records the status codes sent to it.
class MainWindowStandIn : public QObject {
  public:
    std::vector<std::pair<int, uint32_t>> received;

  protected:
    bool event(QEvent* e) override {
        if (e->type() != TaskStatusEvent::WM_TASK_STATUS)
            return QObject::event(e);
        const auto* status = static_cast<TaskStatusEvent*>(e);
        received.emplace_back(status->Code(), status->BookId());
        return true;
    }
};

// The service client whose Login can be held back until the test releases it.
class HeldLogin : public ServiceClient {
  public:
    using ServiceClient::ServiceClient;
    int Login(const QString& user, const QString& password) override {
        {
            std::unique_lock lock(mutex_);
            waiting_ = true;
            released_.wait(lock, [this] { return !held_; });
            waiting_ = false;
        }
        return ServiceClient::Login(user, password);
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
    // A Login is waiting for Release.
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

// The window around the panel; records the keys that reach it.
class Host : public QWidget {
  public:
    std::vector<int> keys;

  protected:
    void keyPressEvent(QKeyEvent* e) override { keys.push_back(e->key()); }
};

// Counts the paint events of a widget.
class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

class LoginControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(service.IsRunning()) << service.Error();
        for (const QString& name : {kUser, kAutoLogin, kToken})
            SettingsStore::Remove(name);
        client = std::make_unique<HeldLogin>(service.BaseUrl());
        client->OpenSession();
        TaskStatusEvent::SetMainWindow(&mainWindow);
        MessageBox::SetHandler(
            [this](QWidget*, const QString& text, MessageBox::Buttons b, MessageBox::Icon i) {
                shown.push_back({text, b, i});
                return b == MessageBox::YesNo ? updateAnswer : MessageBox::AnswerOk;
            });
        Shell::SetHandler([this](const QString& url) { opened.push_back(url); });
    }

    void TearDown() override {
        panel.reset();
        host.reset();
        MessageBox::SetHandler(nullptr);
        Shell::SetHandler(nullptr);
        TaskStatusEvent::SetMainWindow(nullptr);
    }

    // The panel where the main view puts it in a window of the program's size.
    void Create(ServiceClient* with = nullptr) {
        host = std::make_unique<Host>();
        host->resize(400, 330);
        panel = std::make_unique<LoginControl>(with != nullptr ? *with : *client, host.get());
        panel->setGeometry(100, 40, 200, 260);
        QObject::connect(panel.get(), &LoginControl::playerRequested,
                         [this] { signals.push_back("player"); });
        QObject::connect(panel.get(), &LoginControl::closeRequested, [this] { signals.push_back("close"); });
        host->show();
    }

    void Type(const QString& user, const QString& password) {
        panel->UserEdit()->setText(user);
        panel->PasswordEdit()->setText(password);
    }

    std::vector<DevService::Request> Logins() { return service.RequestsTo("/application/login"); }

    DevService service;
    std::unique_ptr<HeldLogin> client;
    MainWindowStandIn mainWindow;
    std::unique_ptr<Host> host;
    std::unique_ptr<LoginControl> panel;
    std::vector<Shown> shown;
    std::vector<QString> opened;
    std::vector<std::string> signals;
    MessageBox::Answer updateAnswer = MessageBox::AnswerNo;
};

TEST_F(LoginControlTest, PrefilledPaintedLinkedAndInTabOrder) {
    SettingsStore::WriteString(kUser, QStringLiteral("stored"));
    Create();
    EXPECT_EQ(panel->UserEdit()->text(), QStringLiteral("stored"));
    EXPECT_TRUE(panel->PasswordEdit()->text().isEmpty());
    EXPECT_EQ(panel->PasswordEdit()->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(panel->AutoSignInBox()->isChecked());
    EXPECT_EQ(panel->AutoSignInBox()->text(), QStringLiteral("자동으로 들어가기"));

    // Panel colour and the logo at (20, 5).
    const QImage picture = panel->grab().toImage();
    EXPECT_EQ(picture.pixelColor(5, 45), QColor(0xED, 0xED, 0xEC));
    QImage logo(160, 29, picture.format());
    logo.fill(QColor(0xED, 0xED, 0xEC));
    QPainter(&logo).drawPixmap(0, 0, Artwork::Bitmap(Res::IDB_SIGNIN_LOGO));
    EXPECT_EQ(picture.copy(20, 5, 160, 29), logo);

    // Tab order: id, password, check box, sign-in, registration; the id-recovery link is no stop.
    QWidget* next = panel->UserEdit();
    std::vector<QWidget*> chain;
    for (int i = 0; i < 5; ++i) {
        chain.push_back(next);
        do
            next = next->nextInFocusChain();
        while (!(next->focusPolicy() & Qt::TabFocus) && next != panel->UserEdit());
    }
    EXPECT_EQ(chain, (std::vector<QWidget*>{panel->UserEdit(), panel->PasswordEdit(), panel->AutoSignInBox(),
                                            panel->SignInButton(), panel->RegisterLink()}));
    EXPECT_EQ(next, panel->UserEdit());

    // A click on a link opens its service page through the shell.
    QTest::mouseClick(panel->RegisterLink(), Qt::LeftButton, {}, QPoint(10, 6));
    QTest::mouseClick(panel->FindIdLink(), Qt::LeftButton, {}, QPoint(10, 6));
    EXPECT_EQ(opened, (std::vector<QString>{service.BaseUrl() + QStringLiteral("/member/register"),
                                            service.BaseUrl() + QStringLiteral("/member/find_id_pw")}));

    const QString shots = qEnvironmentVariable("LEXICARTA_SCREENSHOT_DIR");
    if (!shots.isEmpty())
        host->grab().save(shots + QStringLiteral("/signin-panel.png"));
}

TEST_F(LoginControlTest, AcceptedWithTheBoxTickedStoresTheTokenBehindTheLoadingBox) {
    Create();
    Type(QStringLiteral("demo"), QStringLiteral("demo"));
    panel->AutoSignInBox()->setChecked(true);
    // The worker's Login waits until the checks below have seen the box up and modal, the panel
    // repainting, the picture turning and nothing decided yet.
    client->Hold();
    PaintCounter counter;
    panel->installEventFilter(&counter);
    QString boxText;
    bool modal = false, playing = false, shownFlag = false, decided = true;
    int paintsBefore = -1, ticks = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* box = qobject_cast<CLoadingBox*>(QApplication::activeModalWidget());
        const bool up = box != nullptr && client->Waiting();
        if (up && paintsBefore < 0) {
            paintsBefore = counter.paints;
            panel->update();
        }
        const bool seen = up && counter.paints > paintsBefore && box->Picture()->IsPlaying();
        if (!seen && ++ticks < 1000)
            return;
        watch.stop();
        if (seen) {
            boxText = box->Text();
            modal = box->isModal() && box->parentWidget() == host.get();
            playing = true;
            shownFlag = CLoadingBox::IsShown();
            decided = !signals.empty() || !shown.empty();
            const QString shots = qEnvironmentVariable("LEXICARTA_SCREENSHOT_DIR");
            if (!shots.isEmpty())
                QGuiApplication::primaryScreen()
                    ->grabWindow(0)
                    .copy(host->frameGeometry().adjusted(-20, -20, 20, 20))
                    .save(shots + QStringLiteral("/signin-loading.png"));
        }
        client->Release();
    });
    watch.start(10);
    QTest::keyClick(panel->UserEdit(), Qt::Key_Return); // Enter in the id field

    EXPECT_EQ(boxText, QStringLiteral("로그인을 하는중 ..."));
    EXPECT_TRUE(modal);
    EXPECT_TRUE(playing);
    EXPECT_TRUE(shownFlag);
    EXPECT_FALSE(decided);
    EXPECT_FALSE(CLoadingBox::IsShown());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(client->IsSignedIn());
    ASSERT_FALSE(client->Token().isEmpty());
    EXPECT_EQ(SettingsStore::GetString(kUser, {}), QStringLiteral("demo"));
    EXPECT_EQ(SettingsStore::GetInt(kAutoLogin, 0), 1);
    EXPECT_EQ(SettingsStore::GetString(kToken, {}), client->Token());
    EXPECT_TRUE(panel->PasswordEdit()->text().isEmpty());
    ASSERT_EQ(Logins().size(), 1u);
    EXPECT_NE(Logins()[0].body.find("data%5BUser%5D%5Bauto%5D=1"), std::string::npos);

    // The player panel is asked for at once; the book is asked for on the timer's first tick only.
    EXPECT_EQ(signals, std::vector<std::string>{"player"});
    EXPECT_TRUE(panel->IsTimerActive(LoginControl::kHandOverTimer));
    EXPECT_TRUE(mainWindow.received.empty());
    panel->OnTimer(LoginControl::kHandOverTimer);
    panel->OnTimer(LoginControl::kHandOverTimer);
    EXPECT_FALSE(panel->IsTimerActive(LoginControl::kHandOverTimer));
    EXPECT_EQ(mainWindow.received,
              (std::vector<std::pair<int, uint32_t>>{{TaskStatusEvent::TASK_OPEN_SIGNED_IN_BOOK, 0u}}));
}

TEST_F(LoginControlTest, AcceptedWithoutTheBoxLeavesTheAutomaticSignInAsItWas) {
    SettingsStore::WriteInt(kAutoLogin, 0);
    SettingsStore::WriteString(kToken, QStringLiteral("earlier"));
    Create();
    Type(QStringLiteral("demo"), QStringLiteral("demo"));
    QTest::keyClick(panel->PasswordEdit(), Qt::Key_Enter); // the keypad's Enter in the password field

    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(SettingsStore::GetString(kUser, {}), QStringLiteral("demo"));
    EXPECT_EQ(SettingsStore::GetInt(kAutoLogin, 9), 0);
    EXPECT_EQ(SettingsStore::GetString(kToken, {}), QStringLiteral("earlier"));
    ASSERT_EQ(Logins().size(), 1u);
    EXPECT_EQ(Logins()[0].body.find("auto"), std::string::npos);
    EXPECT_EQ(signals, std::vector<std::string>{"player"});
    EXPECT_TRUE(panel->IsTimerActive(LoginControl::kHandOverTimer));
}

TEST_F(LoginControlTest, RefusedFailedAndUnsentSignInsShowTheirMessageAndPlaceTheFocus) {
    SettingsStore::WriteString(kUser, QStringLiteral("before"));
    Create();
    Type(QStringLiteral("demo"), QStringLiteral("wrong"));
    QTest::mouseClick(panel->SignInButton(), Qt::LeftButton);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, QStringLiteral("아이디 또는 비밀번호 오류입니다."));
    EXPECT_EQ(shown[0].buttons, MessageBox::Ok);
    EXPECT_EQ(shown[0].icon, MessageBox::Exclamation);
    EXPECT_EQ(panel->UserEdit()->text(), QStringLiteral("demo"));
    EXPECT_TRUE(panel->PasswordEdit()->text().isEmpty());
    EXPECT_EQ(host->focusWidget(), panel->UserEdit());
    EXPECT_FALSE(client->IsSignedIn());

    // The service goes away mid-answer: a transport failure.
    DevService::Fault gone;
    gone.path = "/application/login";
    gone.drop = true;
    ASSERT_TRUE(service.SetFault(gone));
    panel->PasswordEdit()->setText(QStringLiteral("demo"));
    QTest::keyClick(panel->PasswordEdit(), Qt::Key_Return);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, QStringLiteral("인터넷 연결 상태를 확인해주시기 바랍니다."));
    EXPECT_EQ(shown[1].icon, MessageBox::Exclamation);
    EXPECT_TRUE(panel->PasswordEdit()->text().isEmpty());
    EXPECT_EQ(host->focusWidget(), panel->SignInButton());

    EXPECT_TRUE(signals.empty());
    EXPECT_FALSE(panel->IsTimerActive(LoginControl::kHandOverTimer));
    EXPECT_EQ(SettingsStore::GetString(kUser, {}), QStringLiteral("before"));

    // A service address that cannot be parsed sends nothing and shows nothing.
    ServiceClient nowhere(QStringLiteral("nowhere"));
    panel.reset();
    Create(&nowhere);
    Type(QStringLiteral("demo"), QStringLiteral("demo"));
    panel->SignIn();
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_TRUE(panel->PasswordEdit()->text().isEmpty());
    EXPECT_TRUE(signals.empty());
    panel.reset();
}

TEST_F(LoginControlTest, EscapeDoesNothingAndNoKeyOfThePanelReachesTheWindow) {
    Create();
    Type(QStringLiteral("demo"), QStringLiteral("demo"));
    for (QWidget* w :
         std::initializer_list<QWidget*>{panel->UserEdit(), panel->PasswordEdit(), panel->AutoSignInBox(),
                                         panel->SignInButton(), panel.get()})
        QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_TRUE(Logins().empty());
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(panel->PasswordEdit()->text(), QStringLiteral("demo"));
    EXPECT_TRUE(host->keys.empty());

    // Enter on the check box signs in as well (it does not toggle it); the key stays in the panel.
    QTest::keyClick(panel->AutoSignInBox(), Qt::Key_Return);
    EXPECT_EQ(Logins().size(), 1u);
    EXPECT_FALSE(panel->AutoSignInBox()->isChecked());
    EXPECT_TRUE(host->keys.empty());
}

TEST_F(LoginControlTest, DecliningTheUpdateKeepsThePanelAndAStartedInstallerClosesTheProgram) {
    Create();
    ASSERT_TRUE(service.SetNewestVersion("0.2"));
    Type(QStringLiteral("demo"), QStringLiteral("demo"));
    panel->AutoSignInBox()->setChecked(true);
    panel->SignIn();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].buttons, MessageBox::YesNo);
    EXPECT_EQ(shown[1].text,
              QStringLiteral("프로그램 실행 환경 동기화를 위해 반드시 업데이트가 필요합니다."));
    EXPECT_EQ(shown[1].buttons, MessageBox::Ok);
    EXPECT_EQ(shown[1].icon, MessageBox::Exclamation);
    EXPECT_EQ(host->focusWidget(), panel->SignInButton());
    EXPECT_TRUE(client->IsSignedIn());
    EXPECT_TRUE(signals.empty());
    EXPECT_FALSE(panel->IsTimerActive(LoginControl::kHandOverTimer));
    EXPECT_EQ(SettingsStore::GetString(kUser, QStringLiteral("none")), QStringLiteral("none"));
    EXPECT_EQ(SettingsStore::GetInt(kAutoLogin, 0), 0);

    // Accepted: the installer starts, the program is asked to close, and the sign-in goes on.
    QTemporaryDir dir;
    // The service signs the stand-in installer it serves.
    ASSERT_TRUE(service.SetInstaller("#!/bin/sh\necho \"$@\" > '" +
                                     dir.filePath(QStringLiteral("started")).toStdString() + "'\n"));
    updateAnswer = MessageBox::AnswerYes;
    shown.clear();
    Type(QStringLiteral("demo"), QStringLiteral("demo"));
    panel->SignIn();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].buttons, MessageBox::YesNo);
    EXPECT_EQ(signals, (std::vector<std::string>{"close", "player"}));
    EXPECT_EQ(SettingsStore::GetString(kUser, {}), QStringLiteral("demo"));
    EXPECT_EQ(SettingsStore::GetInt(kAutoLogin, 0), 1);
    EXPECT_TRUE(panel->IsTimerActive(LoginControl::kHandOverTimer));
}

TEST_F(LoginControlTest, AutomaticSignInWithTheStoredTokenAndItsErasureWhenRefused) {
    Create();
    EXPECT_FALSE(panel->TryAutoSignIn()); // AutoLogin unset: nothing is asked
    EXPECT_TRUE(service.RequestsTo("/application/auto_login").empty());

    Type(QStringLiteral("demo"), QStringLiteral("demo"));
    panel->AutoSignInBox()->setChecked(true);
    panel->SignIn();
    ASSERT_EQ(SettingsStore::GetInt(kAutoLogin, 0), 1);

    // The next start: a fresh client and panel sign in with the stored token.
    ServiceClient next(service.BaseUrl());
    next.OpenSession();
    panel.reset();
    Create(&next);
    EXPECT_EQ(panel->UserEdit()->text(), QStringLiteral("demo"));
    EXPECT_TRUE(panel->TryAutoSignIn());
    EXPECT_TRUE(next.IsSignedIn());
    EXPECT_EQ(SettingsStore::GetInt(kAutoLogin, 0), 1);

    // A token the service refuses: false, the stored automatic sign-in is erased, nothing is shown.
    SettingsStore::WriteString(kToken, QStringLiteral("forged"));
    ServiceClient third(service.BaseUrl());
    third.OpenSession();
    panel.reset();
    Create(&third);
    EXPECT_FALSE(panel->TryAutoSignIn());
    EXPECT_FALSE(third.IsSignedIn());
    EXPECT_EQ(SettingsStore::GetInt(kAutoLogin, 9), 0);
    EXPECT_EQ(SettingsStore::GetString(kToken, QStringLiteral("x")), QString());
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(service.RequestsTo("/application/auto_login").size(), 2u);
    panel.reset();
}

} // namespace
