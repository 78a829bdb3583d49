#include "app/WindowChrome.h"

#include "app/ChromeGeometry.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {

Qt::Edges EdgesFor(int code) {
    switch (code) {
    case ChromeGeometry::HTLEFT:
        return Qt::LeftEdge;
    case ChromeGeometry::HTRIGHT:
        return Qt::RightEdge;
    case ChromeGeometry::HTTOP:
        return Qt::TopEdge;
    case ChromeGeometry::HTTOPLEFT:
        return Qt::TopEdge | Qt::LeftEdge;
    case ChromeGeometry::HTTOPRIGHT:
        return Qt::TopEdge | Qt::RightEdge;
    case ChromeGeometry::HTBOTTOM:
        return Qt::BottomEdge;
    case ChromeGeometry::HTBOTTOMLEFT:
        return Qt::BottomEdge | Qt::LeftEdge;
    case ChromeGeometry::HTBOTTOMRIGHT:
        return Qt::BottomEdge | Qt::RightEdge;
    default:
        return {};
    }
}

Qt::CursorShape CursorFor(int code) {
    switch (code) {
    case ChromeGeometry::HTLEFT:
    case ChromeGeometry::HTRIGHT:
        return Qt::SizeHorCursor;
    case ChromeGeometry::HTTOP:
    case ChromeGeometry::HTBOTTOM:
        return Qt::SizeVerCursor;
    case ChromeGeometry::HTTOPLEFT:
    case ChromeGeometry::HTBOTTOMRIGHT:
        return Qt::SizeFDiagCursor;
    case ChromeGeometry::HTTOPRIGHT:
    case ChromeGeometry::HTBOTTOMLEFT:
        return Qt::SizeBDiagCursor;
    default:
        return Qt::ArrowCursor;
    }
}

// Only an X11 client may place its own window; elsewhere the windowing system moves it.
bool CanPlaceWindows() {
    return QGuiApplication::platformName() == QLatin1String("xcb") ||
           QGuiApplication::platformName() == QLatin1String("offscreen");
}
} // namespace

WindowChrome::WindowChrome(QWidget* view) : QObject(view), view_(view) {
    view->setMouseTracking(true);
    view->installEventFilter(this);
}

bool WindowChrome::eventFilter(QObject* watched, QEvent* event) {
    if (watched != view_)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        Press(static_cast<QMouseEvent*>(event));
        return true;
    case QEvent::MouseMove:
        Move(static_cast<QMouseEvent*>(event));
        return true;
    case QEvent::MouseButtonRelease:
        drag_ = Drag::None;
        return true;
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            ChromeGeometry::HitTest(view_->width(), view_->height(), mouse->position().toPoint()) ==
                ChromeGeometry::HTCAPTION) {
            drag_ = Drag::None;
            Q_EMIT captionDoubleClicked();
        }
        return true;
    }
    default:
        return false;
    }
}

void WindowChrome::UpdateCursor(QPoint pos) {
    view_->setCursor(CursorFor(ChromeGeometry::HitTest(view_->width(), view_->height(), pos)));
}

void WindowChrome::Press(QMouseEvent* event) {
    const int code = ChromeGeometry::HitTest(view_->width(), view_->height(), event->position().toPoint());
    QWidget* frame = view_->window();
    if (event->button() == Qt::RightButton) {
        if (code == ChromeGeometry::HTCAPTION)
            Q_EMIT captionRightClicked(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    if (code == ChromeGeometry::HTCAPTION) {
        if (frame->isMaximized())
            return;
        if (!CanPlaceWindows()) {
            if (QWindow* handle = frame->windowHandle())
                handle->startSystemMove();
            return;
        }
        drag_ = Drag::Move;
        dragOffset_ = event->globalPosition().toPoint() - frame->pos();
        return;
    }
    if (ChromeGeometry::IsSizingEdge(code)) {
        if (QWindow* handle = frame->windowHandle(); handle && handle->startSystemResize(EdgesFor(code)))
            return;
        // No help from the windowing system (none runs, as under a bare X server): resize by hand.
        drag_ = Drag::Resize;
        dragEdge_ = code;
        dragStart_ = event->globalPosition().toPoint();
        dragGeometry_ = frame->geometry();
    }
}

void WindowChrome::Move(QMouseEvent* event) {
    QWidget* frame = view_->window();
    const QPoint global = event->globalPosition().toPoint();
    switch (drag_) {
    case Drag::Move: {
        const QRect proposed(global - dragOffset_, frame->size());
        QScreen* screen = QGuiApplication::screenAt(proposed.center());
        if (screen == nullptr)
            screen = frame->screen();
        frame->move(screen ? ChromeGeometry::Snap(proposed, screen->availableGeometry())
                           : proposed.topLeft());
        break;
    }
    case Drag::Resize:
        frame->setGeometry(ChromeGeometry::Resized(dragGeometry_, dragEdge_, global - dragStart_));
        break;
    case Drag::None:
        UpdateCursor(event->position().toPoint());
        break;
    }
}
