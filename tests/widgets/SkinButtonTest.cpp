#include "widgets/CSkinButton.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QFocusEvent>
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

// A bitmap that counts its own destruction.
class CountedPixmap : public QPixmap {
  public:
    explicit CountedPixmap(int* deleted) : QPixmap(Solid(Qt::gray)), deleted_(deleted) {}
    ~CountedPixmap() override { ++*deleted_; }

  private:
    int* deleted_;
};

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

// Runs the event loop for ms milliseconds.
void Spin(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

class SkinButtonTest : public ::testing::Test {
  protected:
    SkinButtonTest() {
        parent.resize(200, 100);
        button = new CSkinButton(&parent, 102);
        QObject::connect(button, &CSkinButton::Command, [this](int id) {
            commands.push_back(id);
            times.push_back(clock.elapsed());
        });
        clock.start();
    }

    QColor ShownColour() { return button->grab().toImage().pixelColor(3, 3); }

    QWidget parent;
    CSkinButton* button;
    QPixmap normal = Solid(Qt::blue), pressed = Solid(Qt::red), hover = Solid(Qt::green),
            disabled = Solid(Qt::darkGray);
    std::vector<int> commands;
    std::vector<qint64> times;
    QElapsedTimer clock;
};

TEST_F(SkinButtonTest, ShowsTheLookOfItsState) {
    ASSERT_TRUE(button->SetBitmaps(&normal, &pressed, &hover, &disabled));
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
    ASSERT_TRUE(button->SetBitmaps(&normal, &pressed, nullptr, nullptr));
    Send(button, QEvent::MouseMove);
    EXPECT_EQ(ShownColour(), QColor(Qt::white));
    Leave(button);
    button->setEnabled(false);
    EXPECT_EQ(ShownColour(), QColor(Qt::white));
}

TEST_F(SkinButtonTest, SetBitmapsSizesTheButtonWithoutMovingIt) {
    button->setGeometry(30, 40, 5, 5);
    const QPixmap big = Solid(Qt::blue, {54, 25});
    ASSERT_TRUE(button->SetBitmaps(&big, nullptr, nullptr, nullptr));
    EXPECT_EQ(button->geometry(), QRect(30, 40, 54, 25));
    EXPECT_EQ(button->Bitmap(CSkinButton::Look::Normal), &big);

    EXPECT_FALSE(button->SetBitmaps(nullptr, &pressed, &hover, &disabled));
    EXPECT_EQ(button->Bitmap(CSkinButton::Look::Normal), &big);

    // Not part of a window yet: nothing changes.
    CSkinButton loose;
    const QSize before = loose.size();
    EXPECT_FALSE(loose.SetBitmaps(&big, &pressed, &hover, &disabled));
    EXPECT_EQ(loose.size(), before);
    EXPECT_EQ(loose.Bitmap(CSkinButton::Look::Normal), nullptr);
}

TEST_F(SkinButtonTest, APictureDrawnForAHigherPixelRatioKeepsTheButtonsLogicalSize) {
    QPixmap sharp = Solid(Qt::blue, {108, 50});
    sharp.setDevicePixelRatio(2);
    button->move(30, 40);
    ASSERT_TRUE(button->SetBitmaps(&sharp, nullptr, nullptr, nullptr));
    EXPECT_EQ(button->geometry(), QRect(30, 40, 54, 25));
    EXPECT_EQ(ShownColour(), QColor(Qt::blue));
}

TEST_F(SkinButtonTest, AssistiveTechnologyHearsANameAndCanPressIt) {
    ASSERT_TRUE(button->SetBitmaps(&normal, &pressed, &hover, &disabled));
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

TEST_F(SkinButtonTest, AFocusFrameShowsOnlyForFocusFromTheKeyboard) {
    ASSERT_TRUE(button->SetBitmaps(&normal, &pressed, &hover, &disabled));
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

TEST(SkinButtonOwnership, OwnedBitmapsAreDeletedOnceAndSharedOnesKept) {
    QWidget parent;
    int deleted = 0;
    auto* button = new CSkinButton(&parent);
    auto* a = new CountedPixmap(&deleted);
    auto* b = new CountedPixmap(&deleted);
    // b serves two looks: it is deleted once.
    ASSERT_TRUE(button->SetBitmaps(a, b, b, nullptr, true));
    auto* c = new CountedPixmap(&deleted);
    // a stays in use; b and the replaced looks go.
    ASSERT_TRUE(button->SetBitmaps(a, c, nullptr, nullptr, true));
    EXPECT_EQ(deleted, 1);
    delete button;
    EXPECT_EQ(deleted, 3);

    // Bitmaps lent to the button are never deleted by it.
    CountedPixmap kept(&deleted);
    button = new CSkinButton(&parent);
    ASSERT_TRUE(button->SetBitmaps(&kept, &kept, nullptr, nullptr, false));
    ASSERT_TRUE(button->SetBitmaps(&kept, nullptr, nullptr, nullptr, false));
    delete button;
    EXPECT_EQ(deleted, 3);
}

TEST_F(SkinButtonTest, AQuickClickSendsOneCommand) {
    button->SetRepeat(true);
    button->SetBitmaps(&normal, &pressed, &hover, &disabled);
    Send(button, QEvent::MouseButtonPress);
    Spin(150);
    Send(button, QEvent::MouseButtonRelease);
    Spin(700);
    EXPECT_EQ(commands, std::vector<int>{102});
}

TEST_F(SkinButtonTest, HoldingARepeatingButtonRepeatsEvery50msAfterHalfASecond) {
    button->SetRepeat(true);
    button->SetBitmaps(&normal, &pressed, &hover, &disabled);
    clock.restart();
    Send(button, QEvent::MouseButtonPress);
    Spin(1000);
    const qint64 held = clock.elapsed();
    const std::size_t repeats = commands.size();
    Send(button, QEvent::MouseButtonRelease);
    Spin(200);

    // About 10 repeats (550 ms to 1000 ms); fewer when the machine is slow, never more.
    ASSERT_GE(repeats, 5u);
    EXPECT_LE(repeats, std::size_t((held - 500) / 50));
    EXPECT_GE(times.front(), 540);
    for (std::size_t i = 1; i < repeats; ++i)
        EXPECT_GE(times[i] - times[i - 1], 40) << "repeat " << i;
    // Then exactly one click on release.
    EXPECT_EQ(commands.size(), repeats + 1);
}

TEST_F(SkinButtonTest, OnlyRepeatingButtonsRepeat) {
    button->SetBitmaps(&normal, &pressed, &hover, &disabled);
    Send(button, QEvent::MouseButtonPress);
    Spin(800);
    Send(button, QEvent::MouseButtonRelease);
    EXPECT_EQ(commands.size(), 1u);
}

TEST_F(SkinButtonTest, LosingFocusOrBeingDisabledEndsThePress) {
    button->SetRepeat(true);
    button->SetBitmaps(&normal, &pressed, &hover, &disabled);
    Send(button, QEvent::MouseButtonPress);
    Spin(650);
    const std::size_t repeats = commands.size();
    ASSERT_GE(repeats, 1u);
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(button, &out);
    EXPECT_FALSE(button->IsPressing());
    EXPECT_EQ(button->CurrentLook(), CSkinButton::Look::Normal);
    Spin(300);
    Send(button, QEvent::MouseButtonRelease); // the release after focus loss is no click
    EXPECT_EQ(commands.size(), repeats);

    commands.clear();
    Send(button, QEvent::MouseButtonPress);
    Spin(650);
    button->setEnabled(false);
    const std::size_t beforeDisable = commands.size();
    Spin(300);
    Send(button, QEvent::MouseButtonRelease);
    EXPECT_EQ(commands.size(), beforeDisable);
}

} // namespace
