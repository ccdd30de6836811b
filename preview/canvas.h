#pragma once

#include "core/scene/evaluated.h"
#include "render/attachedanimations.h"
#include "render/framepainter.h"
#include "render/imagelibrary.h"

#include <QColor>
#include <QPointF>
#include <QWidget>

// Shows one frame on a checkered or plain background, zoomed with the wheel about the point
// under the cursor and panned by dragging; on demand the selected track is outlined with its
// path, the origin's axes and the clip's bounding box are drawn, and the frames before and
// after show faintly behind (onion skin).
class Canvas : public QWidget {
    Q_OBJECT

public:
    explicit Canvas(QWidget *parent = nullptr);

    // What to draw; the animation, images and attachments stay owned by the caller.
    void setScene(const qor::EvaluatedAnimation *animation, const qor::ImageLibrary *images,
                  const qor::AttachedAnimations *attached);
    void setFrame(int frame, const qor::Clip &clip);
    // The tracks left out, and the track outlined (-1: none).
    void setTracks(const std::vector<bool> &hidden, int selectedTrack);

    // An invalid colour shows checkers.
    void setBackground(const QColor &colour);
    QColor background() const { return background_; }
    void setShowAxes(bool show);
    void setShowBounds(bool show);
    void setOnionSkin(bool show);

    void fitToView();
    void zoomBy(double factor, QPointF fixedPoint);
    void zoomTo(double zoom); // about the middle of the view
    double zoom() const { return zoom_; }
    QSize sizeHint() const override { return {640, 480}; }

signals:
    void zoomChanged(double zoom);

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QTransform view() const;
    void setZoom(double zoom, QPointF fixedPoint);
    void drawGuides(QPainter &painter) const;

    const qor::EvaluatedAnimation *animation_ = nullptr;
    const qor::ImageLibrary *images_ = nullptr;
    const qor::AttachedAnimations *attached_ = nullptr;
    int frame_ = 0;
    qor::Clip clip_;
    std::vector<bool> hidden_;
    int selectedTrack_ = -1;
    QColor background_;
    bool showAxes_ = false;
    bool showBounds_ = false;
    bool onionSkin_ = false;
    bool fitted_ = false; // fitted and not zoomed or panned since: stays fitted as it resizes
    double zoom_ = 1.0;
    QPointF pan_;
    QPointF dragFrom_;
    QBrush checkers_;
};
