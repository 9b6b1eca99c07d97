#pragma once
// Points, sizes, rectangles and edge insets in points, as the screen's layout and the keyboard
// notifications carry them. Rectangles have their origin at the top left; y grows downwards.
#include <algorithm>

namespace platform {

struct CGPoint {
    double x = 0;
    double y = 0;
    bool operator==(const CGPoint&) const = default;
};

struct CGSize {
    double width = 0;
    double height = 0;
    bool operator==(const CGSize&) const = default;
};

struct CGRect {
    CGPoint origin;
    CGSize size;

    CGRect() = default;
    CGRect(double x, double y, double width, double height) : origin{x, y}, size{width, height} {}

    double minX() const { return origin.x; }
    double minY() const { return origin.y; }
    double maxX() const { return origin.x + size.width; }
    double maxY() const { return origin.y + size.height; }

    // Grows the rectangle by dx on the left and on the right and by dy above and below
    // (negative values shrink it).
    CGRect outsetBy(double dx, double dy) const {
        return {origin.x - dx, origin.y - dy, size.width + 2 * dx, size.height + 2 * dy};
    }
    CGRect offsetBy(double dx, double dy) const {
        return {origin.x + dx, origin.y + dy, size.width, size.height};
    }
    bool operator==(const CGRect&) const = default;
};

// Top, left (leading), bottom, right (trailing), in that order as the screen's Parts give them.
struct UIEdgeInsets {
    double top = 0;
    double left = 0;
    double bottom = 0;
    double right = 0;

    static UIEdgeInsets all(double v) { return {v, v, v, v}; }
    bool isZero() const { return top == 0 && left == 0 && bottom == 0 && right == 0; }
    bool operator==(const UIEdgeInsets&) const = default;
};

}  // namespace platform
