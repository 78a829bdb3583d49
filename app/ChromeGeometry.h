#pragma once

#include <QPoint>
#include <QRect>

// The arithmetic of the main window's own chrome and layout, without a window: hit testing of the
// caption and sizing border, snapping to the screen's work area, and the places of the panels and
// title-bar buttons. Rectangles follow the platform convention the layout was drawn in: right and
// bottom are exclusive (a rectangle from (0, 0) to (w, h) covers w x h pixels).
class ChromeGeometry {
  public:
    // Hit codes, numbered as the desktop's standard codes.
    enum HitCode : int {
        HTNOWHERE = 0,
        HTCLIENT = 1,
        HTCAPTION = 2,
        HTLEFT = 10,
        HTRIGHT = 11,
        HTTOP = 12,
        HTTOPLEFT = 13,
        HTTOPRIGHT = 14,
        HTBOTTOM = 15,
        HTBOTTOMLEFT = 16,
        HTBOTTOMRIGHT = 17,
    };
    static constexpr int kBorder = 4;
    static constexpr int kCaptionHeight = 21;
    static constexpr int kSnapDistance = 15;
    static constexpr int kMinWidth = 400;
    static constexpr int kMinHeight = 200;
    static constexpr int kStartWidth = 400;
    static constexpr int kStartHeight = 330;

    // The part of a window of `width` x `height` under `point` (window coordinates).
    static int HitTest(int width, int height, QPoint point);
    // Whether a hit code is one of the eight sizing edges and corners.
    static bool IsSizingEdge(int code) { return code >= HTLEFT && code <= HTBOTTOMRIGHT; }

    // Where a window proposed at `proposed` ends up: each axis sticks to the work area's near edge when
    // it comes within kSnapDistance (inclusive) of it, left before right and top before bottom.
    static QPoint Snap(const QRect& proposed, const QRect& workArea);

    // Panels of a view cx x cy: the sign-in panel centred, the other two below the title strip.
    static QRect SignInPanel(int cx, int cy);
    static QRect MainPanel(int cx, int cy);
    // Top-left corner of title-bar button 103 to 106 in a view cx wide.
    static QPoint TitleButton(int id, int cx);

    // Geometry after dragging the edge `code` of `start` by `delta`, keeping the minimum size and the
    // opposite edges where they were.
    static QRect Resized(const QRect& start, int code, QPoint delta);
};
