#include "app/ChromeGeometry.h"

#include <algorithm>

namespace {
bool Within(int value, int edge) {
    return value >= edge - ChromeGeometry::kSnapDistance && value <= edge + ChromeGeometry::kSnapDistance;
}
} // namespace

int ChromeGeometry::HitTest(int width, int height, QPoint p) {
    const int x = p.x();
    const int y = p.y();
    const bool insideX = x >= kBorder && x < width - kBorder;
    // The caption strip lies inside the border, along its top.
    if (insideX && y >= kBorder && y < kBorder + kCaptionHeight)
        return HTCAPTION;
    if (insideX && y >= kBorder && y < height - kBorder)
        return HTCLIENT;

    // The 4-pixel strips along the window's own edges.
    const bool inX = x >= 0 && x < width;
    const bool inY = y >= 0 && y < height;
    const bool top = inX && y >= 0 && y < kBorder;
    const bool bottom = inX && y >= height - kBorder && y < height;
    const bool left = inY && x >= 0 && x < kBorder;
    const bool right = inY && x >= width - kBorder && x < width;
    const int strips = (left ? 1 : 0) | (right ? 2 : 0) | (top ? 4 : 0) | (bottom ? 8 : 0);
    switch (strips) {
    case 1:
        return HTLEFT;
    case 2:
        return HTRIGHT;
    case 4:
        return HTTOP;
    case 4 | 1:
        return HTTOPLEFT;
    case 4 | 2:
        return HTTOPRIGHT;
    case 8:
        return HTBOTTOM;
    case 8 | 1:
        return HTBOTTOMLEFT;
    case 8 | 2:
        return HTBOTTOMRIGHT;
    default:
        return HTNOWHERE;
    }
}

QPoint ChromeGeometry::Snap(const QRect& proposed, const QRect& workArea) {
    const int workLeft = workArea.x();
    const int workTop = workArea.y();
    const int workRight = workArea.x() + workArea.width();
    const int workBottom = workArea.y() + workArea.height();
    int x = proposed.x();
    int y = proposed.y();
    const int cx = proposed.width();
    const int cy = proposed.height();
    if (Within(x, workLeft))
        x = workLeft;
    else if (Within(x + cx, workRight))
        x = workRight - cx;
    if (Within(y, workTop))
        y = workTop;
    else if (Within(y + cy, workBottom))
        y = workBottom - cy;
    return {x, y};
}

QRect ChromeGeometry::SignInPanel(int cx, int cy) {
    const int height = cy >= 306 ? 260 : cy - 46;
    const int top = std::max((cy - 260) / 2 + 5, 35);
    return {(cx - 200) / 2, top, 200, height};
}

QRect ChromeGeometry::MainPanel(int cx, int cy) {
    return {5, 27, cx - 10, cy - 38};
}

QPoint ChromeGeometry::TitleButton(int id, int cx) {
    // 103 always on top, 104 minimise, 105 maximise or restore, 106 close: 18 pixels apart.
    return {cx - 74 + (id - 103) * 18, 5};
}

QRect ChromeGeometry::Resized(const QRect& start, int code, QPoint delta) {
    int left = start.left();
    int top = start.top();
    int right = start.left() + start.width();
    int bottom = start.top() + start.height();
    const bool l = code == HTLEFT || code == HTTOPLEFT || code == HTBOTTOMLEFT;
    const bool r = code == HTRIGHT || code == HTTOPRIGHT || code == HTBOTTOMRIGHT;
    const bool t = code == HTTOP || code == HTTOPLEFT || code == HTTOPRIGHT;
    const bool b = code == HTBOTTOM || code == HTBOTTOMLEFT || code == HTBOTTOMRIGHT;
    if (l)
        left = std::min(left + delta.x(), right - kMinWidth);
    if (r)
        right = std::max(right + delta.x(), left + kMinWidth);
    if (t)
        top = std::min(top + delta.y(), bottom - kMinHeight);
    if (b)
        bottom = std::max(bottom + delta.y(), top + kMinHeight);
    return {left, top, right - left, bottom - top};
}
