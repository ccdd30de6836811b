#include "preview/player.h"

#include "core/scene/evaluated.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float maxFps = 1000.0f;

} // namespace

Player::Player(QObject *parent) : QObject(parent)
{
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Player::advance);
    updateInterval();
}

void Player::setRun(int firstFrame, int frameCount)
{
    first_ = std::max(firstFrame, 0);
    count_ = std::max(frameCount, 0);
    const bool inside = frame_ >= first_ && frame_ < first_ + count_;
    if (count_ == 0)
        setPlaying(false);
    setFrame(inside ? frame_ : first_);
}

void Player::setFramesPerSecond(float fps)
{
    // A file may give any number; an unusable one plays at a common rate.
    fps_ = std::min(qor::playbackFps(fps), maxFps);
    updateInterval();
}

void Player::setSpeed(double speed)
{
    speed_ = speed;
    updateInterval();
}

void Player::setFrame(int frame)
{
    const int clamped = count_ == 0 ? first_ : std::clamp(frame, first_, first_ + count_ - 1);
    const bool changed = clamped != frame_;
    frame_ = clamped;
    if (changed)
        emit frameChanged(frame_);
}

void Player::step(int frames)
{
    setFrame(frame_ + frames);
}

void Player::setPlaying(bool playing)
{
    if (playing == isPlaying() || (playing && count_ == 0))
        return;
    if (playing)
        timer_.start();
    else
        timer_.stop();
    emit playingChanged(playing);
}

void Player::advance()
{
    if (frame_ + 1 < first_ + count_)
        setFrame(frame_ + 1);
    else if (loop_)
        setFrame(first_);
    else
        setPlaying(false);
}

void Player::updateInterval()
{
    timer_.setInterval(std::max(1, int(std::lround(1000.0 / (double(fps_) * speed_)))));
}
