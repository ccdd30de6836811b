#pragma once

#include "core/evaluated.h"
#include "render/framepainter.h"
#include "render/imagelibrary.h"

#include <QPointF>
#include <QWidget>

// Shows one frame on a light checkered background, zoomed with the wheel about the point
// under the cursor and panned by dragging; the selected track is outlined with its path.
class Canvas : public QWidget {
    Q_OBJECT

public:
    explicit Canvas(QWidget *parent = nullptr);

    // What to draw; the animation and images stay owned by the caller.
    void setScene(const qor::EvaluatedAnimation *animation, const qor::ImageLibrary *images);
    void setFrame(int frame, const qor::Clip &clip);
    void setOptions(const qor::DrawOptions &options, int selectedTrack);

    void fitToView();
    void zoomBy(double factor, QPointF fixedPoint);
    double zoom() const { return zoom_; }
    QSize sizeHint() const override { return {640, 480}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    QTransform view() const;

    const qor::EvaluatedAnimation *animation_ = nullptr;
    const qor::ImageLibrary *images_ = nullptr;
    int frame_ = 0;
    qor::Clip clip_;
    qor::DrawOptions options_;
    int selectedTrack_ = -1;
    double zoom_ = 1.0;
    QPointF pan_;
    QPointF dragFrom_;
    QBrush checkers_;
};
