#pragma once
// Small value types shared by the model, the views and the archive.
#include <cstdint>

struct CTevPoint {
    int32_t x = 0;
    int32_t y = 0;

    bool operator==(const CTevPoint&) const = default;
};

// A rectangle with exclusive right and bottom edges: it covers the columns
// left .. right-1 and the rows top .. bottom-1.
struct CTevRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    bool operator==(const CTevRect&) const = default;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool Contains(const CTevPoint& point) const
    {
        return point.x >= left && point.x < right && point.y >= top && point.y < bottom;
    }
};

// Three 16-bit channels; 0xFFFF is full intensity.
struct CTevColor {
    uint16_t red = 0;
    uint16_t green = 0;
    uint16_t blue = 0;

    bool operator==(const CTevColor&) const = default;
};
