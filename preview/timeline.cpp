#include "preview/timeline.h"

#include "qt/qtcore.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int margin = 4;
constexpr int clipRowHeight = 16;
constexpr int barHeight = 12;

} // namespace

Timeline::Timeline(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setToolTip(tr("Click or drag to choose a frame"));
}

void Timeline::setAnimation(int frameCount, const std::vector<qor::Clip> &clips)
{
    frameCount_ = std::max(frameCount, 0);
    clips_ = clips;
    update();
}

void Timeline::setRun(int firstFrame, int frameCount)
{
    runFirst_ = firstFrame;
    runCount_ = frameCount;
    update();
}

void Timeline::setFrame(int frame)
{
    frame_ = frame;
    update();
}

QSize Timeline::sizeHint() const
{
    return {400, minimumSizeHint().height()};
}

QSize Timeline::minimumSizeHint() const
{
    return {120, 2 * margin + clipRowHeight + barHeight};
}

double Timeline::frameWidth() const
{
    return double(width() - 2 * margin) / std::max(frameCount_, 1);
}

QRectF Timeline::span(int firstFrame, int frameCount, qreal top, qreal height) const
{
    return {margin + firstFrame * frameWidth(), top, std::max(frameCount * frameWidth(), 1.0), height};
}

int Timeline::frameAt(qreal x) const
{
    const double frame = std::floor((x - margin) / frameWidth());
    return int(std::clamp(frame, 0.0, double(std::max(frameCount_ - 1, 0))));
}

void Timeline::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette colours = palette();
    const qreal barTop = margin + clipRowHeight;
    painter.fillRect(span(0, frameCount_, barTop, barHeight), colours.color(QPalette::Mid));
    painter.fillRect(span(runFirst_, runCount_, barTop, barHeight), colours.color(QPalette::Highlight).lighter(130));
    QFont font = painter.font();
    font.setPixelSize(clipRowHeight - 5);
    painter.setFont(font);
    for (const qor::Clip &clip : clips_) {
        const QRectF range = span(clip.firstFrame, clip.frameCount, margin, clipRowHeight - 2);
        const bool playing = clip.firstFrame == runFirst_ && clip.frameCount == runCount_;
        painter.setPen(colours.color(QPalette::Dark));
        painter.setBrush(playing ? colours.color(QPalette::Highlight) : colours.color(QPalette::Button));
        painter.drawRect(range);
        painter.setPen(playing ? colours.color(QPalette::HighlightedText) : colours.color(QPalette::ButtonText));
        painter.drawText(range.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                         painter.fontMetrics().elidedText(qorqt::fromName(clip.name), Qt::ElideRight,
                                                          int(range.width()) - 4));
    }
    if (frameCount_ > 0) {
        const QRectF current = span(frame_, 1, margin, height() - 2 * margin);
        painter.fillRect(QRectF(current.center().x() - 1, current.top(), 2, current.height()), QColor(220, 40, 40));
    }
}

void Timeline::mousePressEvent(QMouseEvent *event)
{
    if (frameCount_ > 0)
        emit frameChosen(frameAt(event->position().x()));
}

void Timeline::mouseMoveEvent(QMouseEvent *event)
{
    if (frameCount_ > 0 && (event->buttons() & Qt::LeftButton))
        emit frameChosen(frameAt(event->position().x()));
}
