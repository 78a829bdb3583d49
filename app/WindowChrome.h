#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>

class QMouseEvent;
class QWidget;

// The mouse on the view's chrome: the title strip moves the window (with edge snapping where the
// program may place its own window), the edges and corners resize it, the cursor shows the edge under
// it. It watches the view's own mouse events; what the title strip means beyond moving it is reported.
class WindowChrome : public QObject {
    Q_OBJECT
  public:
    // Watches `view`, the widget that covers the window and draws its chrome.
    explicit WindowChrome(QWidget* view);

  Q_SIGNALS:
    // A right-click on the title strip, at this global position.
    void captionRightClicked(QPoint globalPos);
    // A double-click on the title strip.
    void captionDoubleClicked();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Press(QMouseEvent* event);
    void Move(QMouseEvent* event);
    void UpdateCursor(QPoint pos);

    QWidget* view_;
    // A caption drag moving the window, or an edge drag resizing it where the windowing system does
    // not do it for us.
    enum class Drag { None, Move, Resize };
    Drag drag_ = Drag::None;
    int dragEdge_ = 0;
    QPoint dragOffset_;
    QPoint dragStart_;
    QRect dragGeometry_;
};
