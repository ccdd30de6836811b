#pragma once

#include <array>

namespace qor {

struct Point {
    double x = 0.0;
    double y = 0.0;

    bool operator==(const Point &) const = default;
};

struct Size {
    double width = 0.0;
    double height = 0.0;

    bool empty() const { return !(width > 0.0 && height > 0.0); }
    bool operator==(const Size &) const = default;
};

// A box with its top-left corner at (x, y). A null box (no width and no height) is "none":
// a union leaves it out.
struct Rect {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;

    bool null() const { return width == 0.0 && height == 0.0; }
    bool empty() const { return !(width > 0.0 && height > 0.0); }
    double right() const { return x + width; }
    double bottom() const { return y + height; }
    // The smallest box around both; a null box is left out.
    Rect united(const Rect &other) const;
    bool contains(Point point) const;
    bool operator==(const Rect &) const = default;
};

// An affine map as Canvas 2D's setTransform and QTransform take it: (u, v) goes to
// (a u + c v + e, b u + d v + f).
struct Matrix {
    double a = 1.0;
    double b = 0.0;
    double c = 0.0;
    double d = 1.0;
    double e = 0.0;
    double f = 0.0;

    Point map(Point point) const;
    // The box around the four corners of `rect` mapped.
    Rect mapRect(const Rect &rect) const;
    std::array<Point, 4> mapCorners(const Rect &rect) const;
    // `inner` first, then this.
    Matrix after(const Matrix &inner) const;
    bool operator==(const Matrix &) const = default;
};

} // namespace qor
