#pragma once

#include <QBasicTimer>
#include <QObject>

#include <cstdint>

// The play state and its two timers, on the GUI thread only: timer 1, the one-second countdown of the
// automatic advance, and timer 2, the 200 ms delay before the card on display is pronounced. It knows
// nothing of the book: it reports by signal that the next card is due or that the delay has passed.
// The expiry handlers (Tick, SoundExpired) are public, so that tests drive the clock without waiting.
class PlayClock : public QObject {
    Q_OBJECT

  public:
    enum TimerId : int { CountdownTimer = 1, SoundTimer = 2 };
    static constexpr int kCountdownMs = 1000;
    static constexpr int kSoundDelayMs = 200;

    explicit PlayClock(QObject* parent = nullptr);

    // Seconds per card; a value below 1 counts as 1.
    void SetDelayTime(int seconds);
    int DelayTime() const { return delay_time_; }

    bool IsPlaying() const { return playing_; }
    // Seconds left before the next automatic advance.
    int Remaining() const { return remaining_; }
    // The delay was armed while this position was on display.
    uint32_t SoundPosition() const { return sound_position_; }

    // Playing from now on: a full period for the card on display.
    void Start();
    // Stops the countdown; no longer playing.
    void Stop();
    // Stops the countdown and keeps playing (a mark restarts it for the card that takes its place).
    void Pause();
    // (Re)starts timer 1 with a full period.
    void StartCountdown();
    // While playing, a full period for a card shown by hand, without touching timer 1's phase.
    void RestartPeriod();
    // (Re)starts timer 2 for the card at `position`.
    void ArmSound(uint32_t position);

    bool IsTimerActive(int id) const;
    // Timer 1's expiry: one countdown second; at zero the next card is due.
    void Tick();
    // Timer 2's expiry (one shot).
    void SoundExpired();

  Q_SIGNALS:
    // The countdown has run out: the next card is to be shown.
    void advanceDue();
    // The pronunciation delay armed at `position` has passed.
    void soundDue(uint32_t position);

  protected:
    void timerEvent(QTimerEvent* event) override;

  private:
    int delay() const { return delay_time_ < 1 ? 1 : delay_time_; }

    int delay_time_ = 5;
    bool playing_ = false;
    int remaining_ = 0;
    uint32_t sound_position_ = 0;
    QBasicTimer countdown_;
    QBasicTimer sound_;
};
