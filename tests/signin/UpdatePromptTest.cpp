// The update check's message boxes, and the message-box facade they go through.
#include "signin/UpdatePrompt.h"

#include "platform/MessageBox.h"
#include "service/ServiceClient.h"
#include "service/UpdateCheck.h"
#include "support/DevService.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <vector>

namespace {

void wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Shown {
    QString text;
    MessageBox::Buttons buttons;
    MessageBox::Icon icon;
};

class UpdatePromptTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(service.IsRunning()) << service.Error();
        client = std::make_unique<ServiceClient>(service.BaseUrl());
        MessageBox::SetHandler(
            [this](QWidget*, const QString& text, MessageBox::Buttons b, MessageBox::Icon i) {
                shown.push_back({text, b, i});
                return b == MessageBox::YesNo ? answer : MessageBox::AnswerOk;
            });
    }
    void TearDown() override { MessageBox::SetHandler(nullptr); }

    DevService service;
    std::unique_ptr<ServiceClient> client;
    std::vector<Shown> shown;
    MessageBox::Answer answer = MessageBox::AnswerNo;
};

TEST_F(UpdatePromptTest, AsksWithYesNoAndTheInformationIcon) {
    ASSERT_TRUE(service.SetNewestVersion("0.2"));
    EXPECT_EQ(UpdatePrompt::CheckForUpdate(*client), UpdateCheck::Declined);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              QStringLiteral("렉시카르타 데스크톱 새로운 버전이 존재합니다.\n업데이트를 하시겠습니까?"));
    EXPECT_EQ(shown[0].buttons, MessageBox::YesNo);
    EXPECT_EQ(shown[0].icon, MessageBox::Information);
}

TEST_F(UpdatePromptTest, ReportsAFailedDownloadWithTheErrorIcon) {
    ASSERT_TRUE(service.SetNewestVersion("0.2"));
    DevService::Fault missing;
    missing.path = "/application/installer/*";
    missing.status = 404;
    ASSERT_TRUE(service.SetFault(missing));
    answer = MessageBox::AnswerYes;
    EXPECT_EQ(UpdatePrompt::CheckForUpdate(*client), UpdateCheck::Failed);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, QStringLiteral("업데이트가 실패하였습니다."));
    EXPECT_EQ(shown[1].buttons, MessageBox::Ok);
    EXPECT_EQ(shown[1].icon, MessageBox::Error);
}

TEST_F(UpdatePromptTest, NoBoxWhenUpToDate) {
    EXPECT_EQ(UpdatePrompt::CheckForUpdate(*client), UpdateCheck::UpToDate);
    EXPECT_TRUE(shown.empty());
}

TEST(MessageBoxTest, RealBoxCarriesTitleTextIconAndButtons) {
    const auto box = MessageBox::Build(nullptr, QStringLiteral("업데이트가 실패하였습니다."), MessageBox::Ok,
                                       MessageBox::Error);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("Lexicarta Desktop"));
    EXPECT_EQ(box->text(), QStringLiteral("업데이트가 실패하였습니다."));
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));

    const auto question =
        MessageBox::Build(nullptr, QStringLiteral("?"), MessageBox::YesNo, MessageBox::Information);
    EXPECT_EQ(question->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(question->icon(), QMessageBox::Information);

    const QString shot = qEnvironmentVariable("LEXICARTA_SCREENSHOT_DIR");
    if (!shot.isEmpty()) {
        const auto update = MessageBox::Build(
            nullptr,
            QStringLiteral("렉시카르타 데스크톱 새로운 버전이 존재합니다.\n업데이트를 하시겠습니까?"),
            MessageBox::YesNo, MessageBox::Information);
        update->show();
        wait(200);
        update->grab().save(shot + QStringLiteral("/update-question.png"));
        box->show();
        wait(200);
        box->grab().save(shot + QStringLiteral("/update-failed.png"));
    }
}

// Presses the button `which` of the modal box as soon as it is up.
void pressWhenShown(QMessageBox::StandardButton which) {
    QTimer::singleShot(50, [which] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        box->button(which)->click();
    });
}

TEST(MessageBoxTest, ShowReturnsThePressedButton) {
    MessageBox::SetHandler(nullptr);
    pressWhenShown(QMessageBox::Yes);
    EXPECT_EQ(MessageBox::Show(nullptr, QStringLiteral("?"), MessageBox::YesNo, MessageBox::Question),
              MessageBox::AnswerYes);
    pressWhenShown(QMessageBox::No);
    EXPECT_EQ(MessageBox::Show(nullptr, QStringLiteral("?"), MessageBox::YesNo), MessageBox::AnswerNo);
    pressWhenShown(QMessageBox::Ok);
    EXPECT_EQ(MessageBox::Show(nullptr, QStringLiteral("!")), MessageBox::AnswerOk);

    // Escape closes a Yes/No box as No.
    QTimer::singleShot(50, [] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(QApplication::activeModalWidget(), &press);
    });
    EXPECT_EQ(MessageBox::Show(nullptr, QStringLiteral("?"), MessageBox::YesNo), MessageBox::AnswerNo);
}

} // namespace
