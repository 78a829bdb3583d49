#pragma once

#include <QAbstractButton>
#include <QPixmap>

#include <QBasicTimer>
#include <array>

class QPixmap;

// A push button drawn only from bitmaps: one look when idle, pressed, under the mouse and disabled.
// It never draws its caption; a look it lacks shows as a white rectangle. A repeating button sends
// its command every 50 ms from 500 ms after the press while it stays held, besides the click on
// release. Every click and repeat is emitted as Command with the button's command id.
// For assistive technology the button is named by its accessible name, else its tool tip, else its
// text (SkinButtonAccessible); a button that took the focus from the keyboard shows a focus frame, and
// Enter (or the keypad's Enter) presses it. A checkable button reports its checked state to assistive
// technology, but a click never changes that state: the owner sets it from what the command did.
class CSkinButton : public QAbstractButton {
    Q_OBJECT
  public:
    enum class Look { Normal, Pressed, Hover, Disabled };

    static constexpr int kRepeatDelayMs = 500;
    static constexpr int kRepeatPeriodMs = 50;

    explicit CSkinButton(QWidget* parent = nullptr, int commandId = 0);
    ~CSkinButton() override;

    // Gives the button its looks (pixmaps are shared values: the button keeps its own copies) and
    // resizes it (without moving it) to the normal look's size in device-independent pixels, whatever
    // device pixel ratio it was drawn for. pressed, hover and disabled may be null pixmaps: the look is
    // missing. Returns false and changes nothing when the button is not part of a window yet (no parent
    // and never shown) or normal is null.
    bool SetBitmaps(QPixmap normal, QPixmap pressed = {}, QPixmap hover = {}, QPixmap disabled = {});

    void SetRepeat(bool repeat) { repeat_ = repeat; }
    bool Repeat() const { return repeat_; }
    int CommandId() const { return commandId_; }

    // The two repeat timers: the delay before the first repeat and the period after it.
    enum class RepeatTimer { Delay, Period };
    // Runs the expiry of a repeat timer if it is set (the timers call it; tests drive the repeat
    // with it instead of waiting).
    void OnRepeatTimer(RepeatTimer timer);
    bool IsRepeatTimerActive(RepeatTimer timer) const;

    // The look the button shows now: disabled, else pressed, else hover, else normal.
    Look CurrentLook() const;
    // The picture of a look; null when the look is missing.
    const QPixmap* Bitmap(Look look) const;
    bool IsHovering() const { return hovering_; }
    bool IsPressing() const { return pressing_; }
    // The focus came from the keyboard (Tab, Backtab, a shortcut): the focus frame shows.
    bool ShowsFocusFrame() const { return hasFocus() && keyboardFocus_; }

  Q_SIGNALS:
    void Command(int id);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void nextCheckState() override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    void EndPressing();
    // Ends a press that lost its focus, its window or its enabled state.
    void AbandonPress();

    bool hovering_ = false;
    bool pressing_ = false;
    // After focus loss during a press, the rest of that press (moves and release) is ignored.
    bool abandoned_ = false;
    bool keyboardFocus_ = false;
    std::array<QPixmap, 4> looks_; // indexed by Look
    bool repeat_ = false;
    int commandId_ = 0;
    QBasicTimer repeatDelay_;  // the 500 ms before the first repeat
    QBasicTimer repeatPeriod_; // every 50 ms after that
};
