#include "widgets/CSkinButton.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QWidget>

#include <memory>
#include <vector>

namespace {

QPixmap Solid(QColor colour, QSize size = {20, 10}) {
    QPixmap pixmap(size);
    pixmap.fill(colour);
    return pixmap;
}

void Send(QWidget* widget, QEvent::Type type, Qt::MouseButton button = Qt::LeftButton) {
    const QPointF at(5, 5);
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button) : Qt::NoButton;
    QMouseEvent event(type, at, widget->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button,
                      held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void Leave(QWidget* widget) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

class SkinButtonTest : public ::testing::Test {
  protected:
    SkinButtonTest() {
        parent.resize(200, 100);
        button = new CSkinButton(&parent, 102);
        QObject::connect(button, &CSkinButton::Command, [this](int id) { commands.push_back(id); });
    }

    QColor ShownColour() { return button->grab().toImage().pixelColor(3, 3); }

    QWidget parent;
    CSkinButton* button;
    QPixmap normal = Solid(Qt::blue), pressed = Solid(Qt::red), hover = Solid(Qt::green),
            disabled = Solid(Qt::darkGray);
    std::vector<int> commands;
};

TEST_F(SkinButtonTest, ShowsTheLookOfItsState) {
    ASSERT_TRUE(button->SetBitmaps(normal, pressed, hover, disabled));
    EXPECT_EQ(ShownColour(), QColor(Qt::blue));

    Send(button, QEvent::MouseMove);
    EXPECT_TRUE(button->IsHovering());
    EXPECT_EQ(ShownColour(), QColor(Qt::green));

    // Pressing ends the hover look.
    Send(button, QEvent::MouseButtonPress);
    EXPECT_FALSE(button->IsHovering());
    EXPECT_EQ(button->CurrentLook(), CSkinButton::Look::Pressed);
    EXPECT_EQ(ShownColour(), QColor(Qt::red));
    Send(button, QEvent::MouseButtonRelease);
    EXPECT_EQ(ShownColour(), QColor(Qt::blue));

    Send(button, QEvent::MouseMove);
    Leave(button);
    EXPECT_FALSE(button->IsHovering());
    EXPECT_EQ(ShownColour(), QColor(Qt::blue));

    // Disabled wins over hover.
    Send(button, QEvent::MouseMove);
    button->setEnabled(false);
    EXPECT_EQ(ShownColour(), QColor(Qt::darkGray));
}

TEST_F(SkinButtonTest, AMissingLookIsWhite) {
    ASSERT_TRUE(button->SetBitmaps(normal, pressed, QPixmap(), QPixmap()));
    Send(button, QEvent::MouseMove);
    EXPECT_EQ(ShownColour(), QColor(Qt::white));
    Leave(button);
    button->setEnabled(false);
    EXPECT_EQ(ShownColour(), QColor(Qt::white));
}

TEST_F(SkinButtonTest, SetBitmapsSizesTheButtonWithoutMovingIt) {
    button->setGeometry(30, 40, 5, 5);
    const QPixmap big = Solid(Qt::blue, {54, 25});
    ASSERT_TRUE(button->SetBitmaps(big, QPixmap(), QPixmap(), QPixmap()));
    EXPECT_EQ(button->geometry(), QRect(30, 40, 54, 25));
    EXPECT_EQ(button->Bitmap(CSkinButton::Look::Normal)->cacheKey(), big.cacheKey());

    EXPECT_FALSE(button->SetBitmaps(QPixmap(), pressed, hover, disabled));
    EXPECT_EQ(button->Bitmap(CSkinButton::Look::Normal)->cacheKey(), big.cacheKey());

    // Not part of a window yet: nothing changes.
    CSkinButton loose;
    const QSize before = loose.size();
    EXPECT_FALSE(loose.SetBitmaps(big, pressed, hover, disabled));
    EXPECT_EQ(loose.size(), before);
    EXPECT_EQ(loose.Bitmap(CSkinButton::Look::Normal), nullptr);
}

TEST_F(SkinButtonTest, APictureDrawnForAHigherPixelRatioKeepsTheButtonsLogicalSize) {
    QPixmap sharp = Solid(Qt::blue, {108, 50});
    sharp.setDevicePixelRatio(2);
    button->move(30, 40);
    ASSERT_TRUE(button->SetBitmaps(sharp, QPixmap(), QPixmap(), QPixmap()));
    EXPECT_EQ(button->geometry(), QRect(30, 40, 54, 25));
    EXPECT_EQ(ShownColour(), QColor(Qt::blue));
}

TEST_F(SkinButtonTest, AssistiveTechnologyHearsANameAndCanPressIt) {
    ASSERT_TRUE(button->SetBitmaps(normal, pressed, hover, disabled));
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->role(), QAccessible::Button);
    // Nothing to go by: no name. Then the text, the tool tip over it, an explicit name over both.
    EXPECT_EQ(access->text(QAccessible::Name), QString());
    button->setText(QStringLiteral("&불러오기"));
    EXPECT_EQ(access->text(QAccessible::Name), QStringLiteral("불러오기"));
    button->setToolTip(QStringLiteral("다음 단어"));
    EXPECT_EQ(access->text(QAccessible::Name), QStringLiteral("다음 단어"));
    EXPECT_EQ(access->text(QAccessible::Description), QString()); // not read twice
    button->setAccessibleName(QStringLiteral("다음"));
    EXPECT_EQ(access->text(QAccessible::Name), QStringLiteral("다음"));
    EXPECT_EQ(access->text(QAccessible::Description), QStringLiteral("다음 단어"));

    // Pressing through the interface is a click; a disabled button offers no press.
    QAccessibleActionInterface* actions = access->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(commands, std::vector<int>{102});
    button->setEnabled(false);
    EXPECT_TRUE(access->state().disabled);
    EXPECT_FALSE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(commands.size(), 1u);
}

TEST_F(SkinButtonTest, EnterPressesItAndAToggleReportsOnlyTheStateItsOwnerSets) {
    ASSERT_TRUE(button->SetBitmaps(normal, pressed, hover, disabled));
    auto key = [this](int code, Qt::KeyboardModifiers modifiers = {}, bool autoRepeat = false) {
        QKeyEvent press(QEvent::KeyPress, code, modifiers, QString(), autoRepeat);
        QApplication::sendEvent(button, &press);
        QKeyEvent release(QEvent::KeyRelease, code, modifiers, QString(), autoRepeat);
        QApplication::sendEvent(button, &release);
    };
    // Enter and the keypad's Enter press it once; held down, no more; with a modifier, not at all.
    key(Qt::Key_Return);
    key(Qt::Key_Enter, Qt::KeypadModifier);
    key(Qt::Key_Return, {}, true);
    key(Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(commands, (std::vector<int>{102, 102}));

    // A toggle: the click leaves the checked state to the owner, who sets it; assistive technology
    // hears a checkable button, checked or not, that it can toggle.
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(button);
    EXPECT_FALSE(access->state().checkable);
    button->setCheckable(true);
    button->setChecked(true);
    button->click();
    EXPECT_TRUE(button->isChecked());
    EXPECT_EQ(commands.size(), 3u);
    EXPECT_TRUE(access->state().checkable);
    EXPECT_TRUE(access->state().checked);
    button->setChecked(false);
    EXPECT_FALSE(access->state().checked);
    QAccessibleActionInterface* actions = access->actionInterface();
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    actions->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(commands.size(), 4u);
    EXPECT_FALSE(button->isChecked());
}

TEST_F(SkinButtonTest, AFocusFrameShowsOnlyForFocusFromTheKeyboard) {
    ASSERT_TRUE(button->SetBitmaps(normal, pressed, hover, disabled));
    button->setFocusPolicy(Qt::StrongFocus);
    parent.show();
    // Active for Qt alone: other tests' windows on the shared display may hold the X focus.
    QApplication::setActiveWindow(&parent);
    ASSERT_TRUE(parent.isActiveWindow());
    const QImage plain = button->grab().toImage();

    button->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(button->hasFocus());
    EXPECT_FALSE(button->ShowsFocusFrame());
    EXPECT_EQ(button->grab().toImage(), plain);

    button->clearFocus();
    button->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(button->ShowsFocusFrame());
    const QImage framed = button->grab().toImage();
    EXPECT_NE(framed, plain);
    EXPECT_EQ(framed.pixelColor(10, 5), QColor(Qt::blue)); // the look shows inside the frame
    button->clearFocus();
    EXPECT_FALSE(button->ShowsFocusFrame());
}

TEST(SkinButtonLooks, TheButtonKeepsItsOwnCopiesOfItsLooks) {
    QWidget parent;
    auto* button = new CSkinButton(&parent);
    {
        QPixmap normal(20, 10);
        normal.fill(Qt::red);
        ASSERT_TRUE(button->SetBitmaps(normal, normal));
        // The caller's pixmap changes or goes: the button still shows what it was given.
        normal.fill(Qt::blue);
    }
    ASSERT_NE(button->Bitmap(CSkinButton::Look::Normal), nullptr);
    EXPECT_EQ(button->Bitmap(CSkinButton::Look::Normal)->toImage().pixelColor(0, 0), QColor(Qt::red));
    EXPECT_NE(button->Bitmap(CSkinButton::Look::Pressed), nullptr);
    EXPECT_EQ(button->Bitmap(CSkinButton::Look::Hover), nullptr);
    EXPECT_EQ(button->Bitmap(CSkinButton::Look::Disabled), nullptr);
    delete button;
}

TEST_F(SkinButtonTest, AQuickClickSendsOneCommand) {
    button->SetRepeat(true);
    button->SetBitmaps(normal, pressed, hover, disabled);
    Send(button, QEvent::MouseButtonPress);
    EXPECT_TRUE(button->IsRepeatTimerActive(CSkinButton::RepeatTimer::Delay));
    Send(button, QEvent::MouseButtonRelease);
    EXPECT_FALSE(button->IsRepeatTimerActive(CSkinButton::RepeatTimer::Delay));
    EXPECT_FALSE(button->IsRepeatTimerActive(CSkinButton::RepeatTimer::Period));
    EXPECT_EQ(commands, std::vector<int>{102});
}

TEST_F(SkinButtonTest, HoldingARepeatingButtonRepeatsAfterTheDelayThenEveryPeriod) {
    using T = CSkinButton::RepeatTimer;
    EXPECT_EQ(CSkinButton::kRepeatDelayMs, 500);
    EXPECT_EQ(CSkinButton::kRepeatPeriodMs, 50);
    button->SetRepeat(true);
    button->SetBitmaps(normal, pressed, hover, disabled);
    Send(button, QEvent::MouseButtonPress);
    // The period does nothing before the delay has run out.
    button->OnRepeatTimer(T::Period);
    EXPECT_TRUE(commands.empty());
    button->OnRepeatTimer(T::Delay);
    EXPECT_FALSE(button->IsRepeatTimerActive(T::Delay));
    EXPECT_TRUE(button->IsRepeatTimerActive(T::Period));
    EXPECT_TRUE(commands.empty()); // the delay itself sends nothing
    for (int i = 0; i < 9; ++i)
        button->OnRepeatTimer(T::Period);
    EXPECT_EQ(commands.size(), 9u);
    // Then exactly one click on release, and the timers stop.
    Send(button, QEvent::MouseButtonRelease);
    EXPECT_EQ(commands.size(), 10u);
    EXPECT_FALSE(button->IsRepeatTimerActive(T::Period));
    button->OnRepeatTimer(T::Period);
    EXPECT_EQ(commands.size(), 10u);
}

TEST_F(SkinButtonTest, OnlyRepeatingButtonsRepeat) {
    button->SetBitmaps(normal, pressed, hover, disabled);
    Send(button, QEvent::MouseButtonPress);
    EXPECT_FALSE(button->IsRepeatTimerActive(CSkinButton::RepeatTimer::Delay));
    button->OnRepeatTimer(CSkinButton::RepeatTimer::Delay);
    button->OnRepeatTimer(CSkinButton::RepeatTimer::Period);
    Send(button, QEvent::MouseButtonRelease);
    EXPECT_EQ(commands.size(), 1u);
}

TEST_F(SkinButtonTest, LosingFocusOrBeingDisabledEndsThePress) {
    using T = CSkinButton::RepeatTimer;
    button->SetRepeat(true);
    button->SetBitmaps(normal, pressed, hover, disabled);
    Send(button, QEvent::MouseButtonPress);
    button->OnRepeatTimer(T::Delay);
    button->OnRepeatTimer(T::Period);
    ASSERT_EQ(commands.size(), 1u);
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(button, &out);
    EXPECT_FALSE(button->IsPressing());
    EXPECT_EQ(button->CurrentLook(), CSkinButton::Look::Normal);
    EXPECT_FALSE(button->IsRepeatTimerActive(T::Period));
    button->OnRepeatTimer(T::Period);
    Send(button, QEvent::MouseButtonRelease); // the release after focus loss is no click
    EXPECT_EQ(commands.size(), 1u);

    commands.clear();
    Send(button, QEvent::MouseButtonPress);
    button->OnRepeatTimer(T::Delay);
    button->OnRepeatTimer(T::Period);
    button->setEnabled(false);
    EXPECT_FALSE(button->IsRepeatTimerActive(T::Period));
    button->OnRepeatTimer(T::Period);
    Send(button, QEvent::MouseButtonRelease);
    EXPECT_EQ(commands.size(), 1u);
}

} // namespace
