// The sign-in panel: its controls and links, the keys it keeps to itself, what it asks for when the
// user signs in, and its hand-over timer. The sign-in flows themselves are the controller's
// (tests/app/SignInFlowTest.cpp).
#include "signin/LoginControl.h"

#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "resources/Artwork.h"
#include "resources/ResourceIds.h"
#include "widgets/CSkinButton.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

namespace {

const QString kUser = SettingsStore::User.name;
const QString kServiceUrl = QStringLiteral("http://127.0.0.1:9");

// The window around the panel; records the keys that reach it.
class Host : public QWidget {
  public:
    std::vector<int> keys;

  protected:
    void keyPressEvent(QKeyEvent* e) override { keys.push_back(e->key()); }
};

struct Asked {
    QString user;
    QString password;
    bool autoSignIn;
    bool operator==(const Asked& o) const {
        return user == o.user && password == o.password && autoSignIn == o.autoSignIn;
    }
};

class LoginControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SettingsStore::Remove(kUser);
        Shell::SetHandler([this](const QString& url) { opened.push_back(url); });
    }
    void TearDown() override {
        panel.reset();
        host.reset();
        Shell::SetHandler(nullptr);
    }

    // The panel where the main view puts it in a window of the program's size.
    void Create() {
        host = std::make_unique<Host>();
        host->resize(400, 330);
        panel = std::make_unique<LoginControl>(kServiceUrl, host.get());
        panel->setGeometry(100, 40, 200, 260);
        QObject::connect(panel.get(), &LoginControl::signInRequested,
                         [this](const QString& user, const QString& password, bool autoSignIn) {
                             asked.push_back({user, password, autoSignIn});
                         });
        QObject::connect(panel.get(), &LoginControl::handOverDue, [this] { ++handOvers; });
        host->show();
    }

    void Type(const QString& user, const QString& password) {
        panel->UserEdit()->setText(user);
        panel->PasswordEdit()->setText(password);
    }

    std::unique_ptr<Host> host;
    std::unique_ptr<LoginControl> panel;
    std::vector<QString> opened;
    std::vector<Asked> asked;
    int handOvers = 0;
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
    EXPECT_EQ(opened, (std::vector<QString>{kServiceUrl + QStringLiteral("/member/register"),
                                            kServiceUrl + QStringLiteral("/member/find_id_pw")}));

    const QString shots = qEnvironmentVariable("LEXICARTA_SCREENSHOT_DIR");
    if (!shots.isEmpty())
        host->grab().save(shots + QStringLiteral("/signin-panel.png"));
}

TEST_F(LoginControlTest, EnterAsksForASignInEscapeDoesNothingAndNoKeyReachesTheWindow) {
    Create();
    Type(QStringLiteral("demo"), QStringLiteral("demo"));
    for (QWidget* w :
         std::initializer_list<QWidget*>{panel->UserEdit(), panel->PasswordEdit(), panel->AutoSignInBox(),
                                         panel->SignInButton(), panel.get()})
        QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(panel->PasswordEdit()->text(), QStringLiteral("demo"));
    EXPECT_TRUE(host->keys.empty());

    // Enter on the check box signs in as well (it does not toggle it); the key stays in the panel and
    // the password field is cleared at once.
    QTest::keyClick(panel->AutoSignInBox(), Qt::Key_Return);
    EXPECT_EQ(asked, (std::vector<Asked>{{QStringLiteral("demo"), QStringLiteral("demo"), false}}));
    EXPECT_FALSE(panel->AutoSignInBox()->isChecked());
    EXPECT_TRUE(panel->PasswordEdit()->text().isEmpty());
    EXPECT_TRUE(host->keys.empty());

    // The keypad's Enter, the button, and texts cut at 255 characters with the box ticked.
    panel->AutoSignInBox()->setChecked(true);
    Type(QString(300, QLatin1Char('u')), QStringLiteral("pw"));
    QTest::keyClick(panel->PasswordEdit(), Qt::Key_Enter);
    QTest::mouseClick(panel->SignInButton(), Qt::LeftButton);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[1], (Asked{QString(255, QLatin1Char('u')), QStringLiteral("pw"), true}));
    EXPECT_EQ(asked[2], (Asked{QString(255, QLatin1Char('u')), QString(), true}));

    // While an automatic sign-in runs the panel asks for nothing of its own.
    panel->SetWaiting(true);
    EXPECT_FALSE(panel->SignInButton()->isEnabled());
    QTest::keyClick(panel->UserEdit(), Qt::Key_Return);
    EXPECT_EQ(asked.size(), 3u);
    panel->SetWaiting(false);
    QTest::keyClick(panel->UserEdit(), Qt::Key_Return);
    EXPECT_EQ(asked.size(), 4u);
}

TEST_F(LoginControlTest, TheHandOverTimerFiresOnce) {
    Create();
    EXPECT_FALSE(panel->IsTimerActive(LoginControl::kHandOverTimer));
    panel->OnTimer(LoginControl::kHandOverTimer); // not started: nothing
    EXPECT_EQ(handOvers, 0);
    panel->StartHandOver();
    EXPECT_TRUE(panel->IsTimerActive(LoginControl::kHandOverTimer));
    panel->OnTimer(LoginControl::kHandOverTimer);
    panel->OnTimer(LoginControl::kHandOverTimer);
    EXPECT_FALSE(panel->IsTimerActive(LoginControl::kHandOverTimer));
    EXPECT_EQ(handOvers, 1);
}

} // namespace
