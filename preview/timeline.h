#pragma once

#include "core/scene/evaluated.h"

#include <QWidget>

#include <vector>

// The whole animation as a bar, its clips drawn on it as named ranges, the playing run
// brighter and the current frame a line across; clicking or dragging chooses a frame of
// the whole animation.
class Timeline : public QWidget {
    Q_OBJECT

public:
    explicit Timeline(QWidget *parent = nullptr);

    void setAnimation(int frameCount, const std::vector<qor::Clip> &clips);
    void setRun(int firstFrame, int frameCount);
    void setFrame(int frame);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void frameChosen(int frame);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    double frameWidth() const;
    QRectF span(int firstFrame, int frameCount, qreal top, qreal height) const;
    int frameAt(qreal x) const;

    int frameCount_ = 0;
    std::vector<qor::Clip> clips_;
    int runFirst_ = 0;
    int runCount_ = 0;
    int frame_ = 0;
};
