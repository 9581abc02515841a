// Value types for points, sizes and rectangles in 64-bit points, named as the placement
// rules name them. Whether a rectangle is bottom-left or top-left is the caller's to know.
#pragma once

#include <algorithm>

struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    Rect() = default;
    Rect(double x_, double y_, double w, double h) : x(x_), y(y_), width(w), height(h) {}
    Rect(Point origin, Size size) : x(origin.x), y(origin.y), width(size.width), height(size.height) {}

    double minX() const { return x; }
    double minY() const { return y; }
    double maxX() const { return x + width; }
    double maxY() const { return y + height; }
    double midX() const { return x + width / 2; }
    double midY() const { return y + height / 2; }
    Point origin() const { return {x, y}; }
    Size size() const { return {width, height}; }

    // Minimum edges belong to the rectangle, maximum edges do not.
    bool contains(Point p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }

    // Union that, like the platform's, ignores nothing: a zero rectangle at the origin
    // still pulls the union towards the origin.
    Rect united(const Rect& o) const {
        const double x0 = std::min(minX(), o.minX());
        const double y0 = std::min(minY(), o.minY());
        return {x0, y0, std::max(maxX(), o.maxX()) - x0, std::max(maxY(), o.maxY()) - y0};
    }

    friend bool operator==(const Rect&, const Rect&) = default;
};
