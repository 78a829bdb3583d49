#include "app/ChromeGeometry.h"

#include <gtest/gtest.h>

namespace {

using G = ChromeGeometry;

TEST(ChromeGeometry, HitTestCaptionClientEdgesAndCorners) {
    const int w = 400;
    const int h = 330;
    // The caption is the 21-pixel strip inside the 4-pixel border.
    EXPECT_EQ(G::HitTest(w, h, {4, 4}), G::HTCAPTION);
    EXPECT_EQ(G::HitTest(w, h, {395, 24}), G::HTCAPTION);
    EXPECT_EQ(G::HitTest(w, h, {200, 25}), G::HTCLIENT);
    EXPECT_EQ(G::HitTest(w, h, {395, 325}), G::HTCLIENT);
    // Edges: the outer four pixels.
    EXPECT_EQ(G::HitTest(w, h, {0, 100}), G::HTLEFT);
    EXPECT_EQ(G::HitTest(w, h, {3, 100}), G::HTLEFT);
    EXPECT_EQ(G::HitTest(w, h, {396, 100}), G::HTRIGHT);
    EXPECT_EQ(G::HitTest(w, h, {399, 100}), G::HTRIGHT);
    EXPECT_EQ(G::HitTest(w, h, {200, 0}), G::HTTOP);
    EXPECT_EQ(G::HitTest(w, h, {200, 3}), G::HTTOP);
    EXPECT_EQ(G::HitTest(w, h, {200, 326}), G::HTBOTTOM);
    // Corners: both strips at once.
    EXPECT_EQ(G::HitTest(w, h, {2, 2}), G::HTTOPLEFT);
    EXPECT_EQ(G::HitTest(w, h, {397, 1}), G::HTTOPRIGHT);
    EXPECT_EQ(G::HitTest(w, h, {0, 329}), G::HTBOTTOMLEFT);
    EXPECT_EQ(G::HitTest(w, h, {399, 329}), G::HTBOTTOMRIGHT);
    // Outside the window, and strips that meet from opposite sides of a tiny window.
    EXPECT_EQ(G::HitTest(w, h, {400, 100}), G::HTNOWHERE);
    EXPECT_EQ(G::HitTest(w, h, {-1, -1}), G::HTNOWHERE);
    EXPECT_EQ(G::HitTest(6, 100, {3, 50}), G::HTNOWHERE);
    EXPECT_TRUE(G::IsSizingEdge(G::HTLEFT) && G::IsSizingEdge(G::HTBOTTOMRIGHT));
    EXPECT_FALSE(G::IsSizingEdge(G::HTCAPTION) || G::IsSizingEdge(G::HTNOWHERE));
}

TEST(ChromeGeometry, SnapsWithinFifteenPixelsLeftBeforeRightTopBeforeBottom) {
    const QRect work(0, 0, 1280, 1000); // a panel takes 24 pixels at the bottom of a 1024 screen
    const QSize size(400, 330);
    EXPECT_EQ(G::Snap(QRect(QPoint(15, 15), size), work), QPoint(0, 0));
    EXPECT_EQ(G::Snap(QRect(QPoint(-15, -15), size), work), QPoint(0, 0));
    EXPECT_EQ(G::Snap(QRect(QPoint(16, 16), size), work), QPoint(16, 16));
    EXPECT_EQ(G::Snap(QRect(QPoint(-16, 300), size), work), QPoint(-16, 300));
    // Right and bottom edges: x + cx and y + cy within 15 of them.
    EXPECT_EQ(G::Snap(QRect(QPoint(1280 - 400 - 15, 1000 - 330 + 15), size), work), QPoint(880, 670));
    EXPECT_EQ(G::Snap(QRect(QPoint(1280 - 400 - 16, 1000 - 330 - 16), size), work), QPoint(864, 654));
    // A window as wide as the work area touches both edges: the left one wins, likewise the top.
    EXPECT_EQ(G::Snap(QRect(QPoint(10, 10), QSize(1275, 995)), work), QPoint(0, 0));
    // A work area that does not start at the origin (a second screen, a panel on the left).
    EXPECT_EQ(G::Snap(QRect(QPoint(1290, 40), size), QRect(1280, 30, 1024, 768)), QPoint(1280, 30));
}

TEST(ChromeGeometry, PanelsAndButtonsFollowTheViewSize) {
    EXPECT_EQ(G::SignInPanel(400, 330), QRect(100, 40, 200, 260));
    EXPECT_EQ(G::SignInPanel(400, 306), QRect(100, 35, 200, 260));
    // Lower than 306: the panel shrinks; its top never rises above 35 (division toward zero).
    EXPECT_EQ(G::SignInPanel(400, 305), QRect(100, 35, 200, 259));
    EXPECT_EQ(G::SignInPanel(400, 200), QRect(100, 35, 200, 154));
    EXPECT_EQ(G::SignInPanel(1280, 1000), QRect(540, 375, 200, 260));
    EXPECT_EQ(G::SignInPanel(401, 331), QRect(100, 40, 200, 260));
    EXPECT_EQ(G::MainPanel(400, 330), QRect(5, 27, 390, 292));
    EXPECT_EQ(G::TitleButton(103, 400), QPoint(326, 5));
    EXPECT_EQ(G::TitleButton(104, 400), QPoint(344, 5));
    EXPECT_EQ(G::TitleButton(105, 400), QPoint(362, 5));
    EXPECT_EQ(G::TitleButton(106, 400), QPoint(380, 5));
}

TEST(ChromeGeometry, ResizingKeepsTheOppositeEdgesAndTheMinimumSize) {
    const QRect start(100, 100, 500, 400);
    EXPECT_EQ(G::Resized(start, G::HTRIGHT, {30, 99}), QRect(100, 100, 530, 400));
    EXPECT_EQ(G::Resized(start, G::HTTOPLEFT, {-20, -10}), QRect(80, 90, 520, 410));
    EXPECT_EQ(G::Resized(start, G::HTBOTTOM, {0, -500}), QRect(100, 100, 500, 200));
    EXPECT_EQ(G::Resized(start, G::HTLEFT, {300, 0}), QRect(200, 100, 400, 400));
    EXPECT_EQ(G::Resized(start, G::HTBOTTOMLEFT, {-5, 7}), QRect(95, 100, 505, 407));
}

} // namespace
