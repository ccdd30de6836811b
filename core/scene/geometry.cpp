#include "core/scene/geometry.h"

#include <algorithm>

namespace qor {

Rect Rect::united(const Rect &other) const
{
    if (null())
        return other;
    if (other.null())
        return *this;
    const double left = std::min(x, other.x);
    const double top = std::min(y, other.y);
    return {left, top, std::max(right(), other.right()) - left, std::max(bottom(), other.bottom()) - top};
}

bool Rect::contains(Point point) const
{
    return point.x >= x && point.x < right() && point.y >= y && point.y < bottom();
}

Point Matrix::map(Point point) const
{
    return {a * point.x + c * point.y + e, b * point.x + d * point.y + f};
}

std::array<Point, 4> Matrix::mapCorners(const Rect &rect) const
{
    return {map({rect.x, rect.y}), map({rect.right(), rect.y}), map({rect.right(), rect.bottom()}),
            map({rect.x, rect.bottom()})};
}

Rect Matrix::mapRect(const Rect &rect) const
{
    const std::array<Point, 4> corners = mapCorners(rect);
    double left = corners[0].x, right = left, top = corners[0].y, bottom = top;
    for (const Point &corner : corners) {
        left = std::min(left, corner.x);
        right = std::max(right, corner.x);
        top = std::min(top, corner.y);
        bottom = std::max(bottom, corner.y);
    }
    return {left, top, right - left, bottom - top};
}

Matrix Matrix::after(const Matrix &inner) const
{
    return {a * inner.a + c * inner.b,     b * inner.a + d * inner.b,     a * inner.c + c * inner.d,
            b * inner.c + d * inner.d,     a * inner.e + c * inner.f + e, b * inner.e + d * inner.f + f};
}

} // namespace qor
