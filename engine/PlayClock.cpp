#include "engine/PlayClock.h"

#include <QTimerEvent>

PlayClock::PlayClock(QObject* parent) : QObject(parent) {}

void PlayClock::SetDelayTime(int seconds) {
    // Below 1 the countdown and the advance would call each other without end.
    delay_time_ = seconds < 1 ? 1 : seconds;
}

void PlayClock::Start() {
    playing_ = true;
    StartCountdown();
}

void PlayClock::Stop() {
    countdown_.stop();
    playing_ = false;
}

void PlayClock::Pause() {
    countdown_.stop();
}

void PlayClock::StartCountdown() {
    // The delay is at least one second, so the countdown never has to advance at once.
    remaining_ = delay() - 1;
    countdown_.start(kCountdownMs, this);
}

void PlayClock::RestartPeriod() {
    if (playing_)
        remaining_ = delay() - 1;
}

void PlayClock::ArmSound(uint32_t position) {
    sound_position_ = position;
    sound_.start(kSoundDelayMs, this);
}

bool PlayClock::IsTimerActive(int id) const {
    switch (id) {
    case CountdownTimer:
        return countdown_.isActive();
    case SoundTimer:
        return sound_.isActive();
    default:
        return false;
    }
}

void PlayClock::Tick() {
    if (remaining_ <= 0) {
        Q_EMIT advanceDue();
        remaining_ = delay();
    }
    --remaining_;
}

void PlayClock::SoundExpired() {
    sound_.stop();
    Q_EMIT soundDue(sound_position_);
}

void PlayClock::timerEvent(QTimerEvent* event) {
    if (event->timerId() == countdown_.timerId())
        Tick();
    else if (event->timerId() == sound_.timerId())
        SoundExpired();
    else
        QObject::timerEvent(event);
}
