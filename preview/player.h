#pragma once

#include <QObject>
#include <QTimer>

// The playhead: the current frame inside a run of frames (a clip or the whole animation),
// stepped by hand or by a timer at the animation's frame rate times the chosen speed.
class Player : public QObject {
    Q_OBJECT

public:
    explicit Player(QObject *parent = nullptr);

    // Keeps the current frame when it lies inside the new run, else goes to its first frame.
    void setRun(int firstFrame, int frameCount);
    void setFramesPerSecond(float fps);
    void setSpeed(double speed);
    void setLoop(bool loop) { loop_ = loop; }

    int frame() const { return frame_; }
    int firstFrame() const { return first_; }
    int frameCount() const { return count_; }
    bool isPlaying() const { return timer_.isActive(); }

public slots:
    void setFrame(int frame);
    void step(int frames);
    void toFirst() { setFrame(first_); }
    void toLast() { setFrame(first_ + count_ - 1); }
    void setPlaying(bool playing);
    void togglePlaying() { setPlaying(!isPlaying()); }

signals:
    void frameChanged(int frame);
    void playingChanged(bool playing);

private:
    void advance();
    void updateInterval();

    QTimer timer_;
    int first_ = 0;
    int count_ = 0;
    int frame_ = 0;
    float fps_ = 12.0f;
    double speed_ = 1.0;
    bool loop_ = true;
};
