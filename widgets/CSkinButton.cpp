#include "widgets/CSkinButton.h"

#include "widgets/AccessibleFactory.h"
#include "widgets/SkinButtonAccessible.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <utility>

CSkinButton::CSkinButton(QWidget* parent, int commandId) : QAbstractButton(parent), commandId_(commandId) {
    setMouseTracking(true);
    InstallAccessibleFactory<CSkinButton, SkinButtonAccessible>();
    connect(this, &QAbstractButton::clicked, this, [this] { Q_EMIT Command(commandId_); });
}

CSkinButton::~CSkinButton() = default;

bool CSkinButton::SetBitmaps(QPixmap normal, QPixmap pressed, QPixmap hover, QPixmap disabled) {
    const bool hasWindow = parentWidget() != nullptr || testAttribute(Qt::WA_WState_Created);
    if (!hasWindow || normal.isNull())
        return false;
    resize(normal.deviceIndependentSize().toSize());
    looks_ = {std::move(normal), std::move(pressed), std::move(hover), std::move(disabled)};
    update();
    return true;
}

CSkinButton::Look CSkinButton::CurrentLook() const {
    if (!isEnabled())
        return Look::Disabled;
    if (isDown())
        return Look::Pressed;
    if (hovering_)
        return Look::Hover;
    return Look::Normal;
}

const QPixmap* CSkinButton::Bitmap(Look look) const {
    const QPixmap& bitmap = looks_[static_cast<size_t>(look)];
    return bitmap.isNull() ? nullptr : &bitmap;
}

void CSkinButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPixmap* bitmap = Bitmap(CurrentLook());
    if (bitmap == nullptr || bitmap->isNull())
        painter.fillRect(rect(), Qt::white);
    else
        painter.drawPixmap(0, 0, *bitmap);
    if (ShowsFocusFrame()) {
        // The bitmaps have no focused look, and keyboard users must see where they are: a frame of
        // dots over a light line, visible on the dark title bar and on the light panels alike.
        const QRect frame = rect().adjusted(1, 1, -2, -2);
        painter.setPen(QPen(QColor(255, 255, 255, 200), 1));
        painter.drawRect(frame);
        painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 1, Qt::DotLine));
        painter.drawRect(frame);
    }
}

void CSkinButton::mouseMoveEvent(QMouseEvent* event) {
    if (abandoned_)
        return;
    if (!pressing_ && !hovering_) {
        hovering_ = true;
        update();
    }
    QAbstractButton::mouseMoveEvent(event);
}

void CSkinButton::leaveEvent(QEvent* event) {
    hovering_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CSkinButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        abandoned_ = false;
        pressing_ = true;
        if (repeat_)
            repeatDelay_.start(kRepeatDelayMs, Qt::PreciseTimer, this);
        if (hovering_) {
            hovering_ = false;
            update();
        }
    }
    QAbstractButton::mousePressEvent(event);
}

void CSkinButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const bool abandoned = abandoned_;
        abandoned_ = false;
        EndPressing();
        if (abandoned) {
            setDown(false);
            return;
        }
    }
    QAbstractButton::mouseReleaseEvent(event);
}

void CSkinButton::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        // Held down, Enter presses once: a command that opens a menu or a box must not run again.
        if (!event->isAutoRepeat())
            click();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void CSkinButton::nextCheckState() {
    // The checked state is the owner's to set (a toggle that was refused stays as it was).
}

void CSkinButton::focusInEvent(QFocusEvent* event) {
    switch (event->reason()) {
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
        keyboardFocus_ = true;
        break;
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
        break; // the focus comes back as it was
    default:
        keyboardFocus_ = false;
        break;
    }
    QAbstractButton::focusInEvent(event);
}

void CSkinButton::focusOutEvent(QFocusEvent* event) {
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        keyboardFocus_ = false;
    QAbstractButton::focusOutEvent(event);
    AbandonPress();
}

void CSkinButton::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        AbandonPress();
}

void CSkinButton::hideEvent(QHideEvent* event) {
    QAbstractButton::hideEvent(event);
    AbandonPress();
}

void CSkinButton::AbandonPress() {
    if (!pressing_)
        return;
    // The press is over: no more repeats, and its release does not click.
    abandoned_ = true;
    EndPressing();
    setDown(false);
}

void CSkinButton::EndPressing() {
    pressing_ = false;
    repeatDelay_.stop();
    repeatPeriod_.stop();
}

void CSkinButton::OnRepeatTimer(RepeatTimer timer) {
    if (!IsRepeatTimerActive(timer))
        return;
    if (timer == RepeatTimer::Delay) {
        repeatPeriod_.start(kRepeatPeriodMs, Qt::PreciseTimer, this);
        repeatDelay_.stop();
    } else {
        Q_EMIT Command(commandId_);
    }
}

bool CSkinButton::IsRepeatTimerActive(RepeatTimer timer) const {
    return (timer == RepeatTimer::Delay ? repeatDelay_ : repeatPeriod_).isActive();
}

void CSkinButton::timerEvent(QTimerEvent* event) {
    if (event->timerId() == repeatDelay_.timerId())
        OnRepeatTimer(RepeatTimer::Delay);
    else if (event->timerId() == repeatPeriod_.timerId())
        OnRepeatTimer(RepeatTimer::Period);
    else
        QAbstractButton::timerEvent(event);
}
