#include "widgets/PositionControl.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QImage>

#include <climits>

namespace {

const QColor kBar(130, 130, 129);
const QColor kFrame(190, 190, 190);
const QColor kBackground(237, 237, 236);

// The counter as drawn at 80 x 30.
QImage Render(PositionControl& control, int position, int total) {
    control.resize(80, 30);
    control.SetPosition(position, total);
    return control.grab().toImage();
}

// Right edge (exclusive) of the bar's fill, read from row 9 of the image.
int FilledEnd(const QImage& image) {
    int x = 1;
    while (x < image.width() && image.pixelColor(x, 9) == kBar)
        ++x;
    return x;
}

TEST(PositionControl, BarEndsReadFromTheImage) {
    PositionControl control;
    struct Case {
        int position, total, end;
    };
    for (const Case c : {Case{0, 0, 1}, Case{1, 1, 1}, Case{2, 3, 40}, Case{120, 120, 79}, Case{1, 120, 1}}) {
        const QImage image = Render(control, c.position, c.total);
        EXPECT_EQ(FilledEnd(image), c.end) << c.position << "/" << c.total;
        EXPECT_EQ(PositionControl::BarEnd(c.position, c.total, 80), c.end);
        // The frame and the white inside after the fill.
        EXPECT_EQ(image.pixelColor(0, 9), kFrame);
        EXPECT_EQ(image.pixelColor(79, 9), kFrame);
        EXPECT_EQ(image.pixelColor(40, 6), kFrame);
        EXPECT_EQ(image.pixelColor(40, 12), kFrame);
        if (c.end < 79) {
            EXPECT_EQ(image.pixelColor(c.end, 9), QColor(Qt::white));
        }
        EXPECT_EQ(image.pixelColor(40, 3), kBackground);
    }
}

TEST(PositionControl, PositionsOutsideTheOrderStayInsideTheBar) {
    EXPECT_EQ(PositionControl::BarEnd(5, 3, 80), 79);
    EXPECT_EQ(PositionControl::BarEnd(-4, 3, 80), 1);
    EXPECT_EQ(PositionControl::BarEnd(INT_MAX, 2, 80), 79);
    EXPECT_EQ(PositionControl::BarEnd(0, 5, 80), 1);
}

TEST(PositionControl, DrawsTheCountBelowTheBar) {
    PositionControl control;
    const QImage image = Render(control, 3, 120);
    EXPECT_EQ(control.Text(), "3 / 120");
    int left = 80, right = -1, top = 30, bottom = -1;
    for (int y = 14; y < 30; ++y) {
        for (int x = 0; x < 80; ++x) {
            if (image.pixelColor(x, y).lightness() < 120) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    ASSERT_GE(right, 0) << "no text drawn";
    EXPECT_GE(top, 15);
    EXPECT_LE(bottom, 28);
    EXPECT_LE(std::abs((left + right) / 2 - 40), 2); // centred
    Render(control, 0, 0);
    EXPECT_EQ(control.Text(), "0 / 0");
}

TEST(PositionControl, AssistiveTechnologyReadsTheCountAsText) {
    PositionControl control;
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(&control);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->role(), QAccessible::StaticText);
    EXPECT_EQ(access->text(QAccessible::Name), QStringLiteral("0 / 0"));
    // At once, not after the next paint.
    control.SetPosition(3, 60);
    EXPECT_EQ(access->text(QAccessible::Name), QStringLiteral("3 / 60"));
    EXPECT_EQ(access->text(QAccessible::Value), QStringLiteral("3 / 60"));
}

} // namespace
