#include "widgets/CLoadingBox.h"

#include "widgets/CPictureEx.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

TEST(LoadingBox, RunsAJobBehindTheBoxAndClosesWithOne) {
    QWidget owner;
    owner.setGeometry(300, 200, 420, 300);
    owner.show();
    CLoadingBox box(&owner);
    ASSERT_FALSE(CLoadingBox::IsShown());

    std::atomic<bool> sawBoxUp{false};
    std::thread::id jobThread;
    QRect placed;
    QString text;
    bool visibleAfterEscape = false;
    // While the job runs: look at the box from the GUI thread and try to dismiss it.
    QTimer::singleShot(100, &box, [&] {
        placed = box.geometry();
        text = box.Text();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&box, &escape);
        box.close();
        visibleAfterEscape = box.isVisible();
    });
    const int result = box.RunJob("로그인을 하는중 ...", [&] {
        jobThread = std::this_thread::get_id();
        sawBoxUp = CLoadingBox::IsShown();
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
    });

    EXPECT_EQ(result, 1);
    EXPECT_TRUE(sawBoxUp);
    EXPECT_NE(jobThread, std::this_thread::get_id());
    EXPECT_FALSE(CLoadingBox::IsShown());
    EXPECT_FALSE(box.isVisible());
    EXPECT_TRUE(visibleAfterEscape);
    EXPECT_EQ(text, "로그인을 하는중 ...");

    // 220 x 50, centred over the owner's frame.
    const QRect frame = owner.frameGeometry();
    EXPECT_EQ(placed.size(), QSize(220, 50));
    EXPECT_EQ(box.frameGeometry().topLeft(),
              QPoint(frame.left() + (frame.width() - 220) / 2, frame.top() + (frame.height() - 50) / 2));
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
