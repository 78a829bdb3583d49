#include "widgets/CLoadingBox.h"

#include "widgets/CPictureEx.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

namespace {

TEST(LoadingBox, StandsOverItsOwnerAndOnlyItsEndClosesIt) {
    QWidget owner;
    owner.setGeometry(300, 200, 420, 300);
    owner.show();
    CLoadingBox box(&owner);
    ASSERT_FALSE(CLoadingBox::IsShown());
    box.SetText(QStringLiteral("로그인을 하는중 ..."));
    box.setModal(true);
    box.show();
    EXPECT_TRUE(CLoadingBox::IsShown());
    EXPECT_EQ(QApplication::activeModalWidget(), &box);
    EXPECT_EQ(box.Text(), QStringLiteral("로그인을 하는중 ..."));

    // The user cannot dismiss it.
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&box, &escape);
    box.close();
    EXPECT_TRUE(box.isVisible());

    // 220 x 50, centred over the owner's frame.
    const QRect frame = owner.frameGeometry();
    EXPECT_EQ(box.geometry().size(), QSize(220, 50));
    EXPECT_EQ(box.frameGeometry().topLeft(),
              QPoint(frame.left() + (frame.width() - 220) / 2, frame.top() + (frame.height() - 50) / 2));

    // Its end closes it with 1.
    box.done(1);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), 1);
    CLoadingBox::ClearShown();
}

TEST(LoadingBox, LayoutPictureAndBorder) {
    QWidget owner;
    owner.resize(400, 300);
    CLoadingBox box(&owner);
    box.show();
    EXPECT_TRUE(CLoadingBox::IsShown());
    CLoadingBox::ClearShown();

    CPictureEx* picture = box.Picture();
    EXPECT_EQ(picture->geometry(), QRect(5, 9, 32, 32));
    EXPECT_EQ(picture->Frames().size(), 31u);
    const QLabel* label = box.findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->x(), 42);
    EXPECT_EQ(label->y(), (50 - label->height()) / 2);

    const QImage image = box.grab().toImage();
    EXPECT_EQ(image.pixelColor(0, 0), QColor(150, 150, 149));
    EXPECT_EQ(image.pixelColor(219, 49), QColor(150, 150, 149));
    EXPECT_EQ(image.pixelColor(100, 2), QColor(Qt::white));

    // Painting again and again keeps one animation thread.
    for (int i = 0; i < 5; ++i) {
        box.repaint();
        QApplication::processEvents();
    }
    EXPECT_TRUE(picture->IsPlaying());
    EXPECT_EQ(picture->AnimationThreadsStarted(), 1);
    box.hide();
    EXPECT_FALSE(picture->IsPlaying());
}

} // namespace
