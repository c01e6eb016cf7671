#pragma once
// A small anti-aliased painter for the programs' artwork: an RGBA canvas of
// premultiplied floats, shapes filled by their signed distance (coverage is
// the distance clamped to one pixel, which gives smooth edges without
// supersampling), a stroke font of capital letters and digits, and the
// writers for .bmp and .ico files.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace art {

struct Rgb {
    float r = 0, g = 0, b = 0;
};

// "#rrggbb" or "rrggbb".
Rgb Hex(const char* text);
Rgb Mix(const Rgb& a, const Rgb& b, float t);
Rgb Scale(const Rgb& c, float f);

struct Pixel {
    float r = 0, g = 0, b = 0, a = 0; // premultiplied
};

class Canvas {
public:
    Canvas(int width, int height, const Rgb& fill, float alpha = 1.0f);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    Pixel& At(int x, int y) { return m_pixels[static_cast<size_t>(y) * m_width + x]; }
    const Pixel& At(int x, int y) const { return m_pixels[static_cast<size_t>(y) * m_width + x]; }

    // Paints `color` over the pixel with the given coverage (0..1).
    void Blend(int x, int y, const Rgb& color, float coverage);

    // Fills the shape whose signed distance (negative inside, in pixels) is
    // `distance`, within the box [x0, x1) x [y0, y1), with the colour
    // `paint` gives for each pixel centre. `softness` widens the edge (1 is
    // a crisp anti-aliased edge; larger values blur it, for shadows).
    using Distance = std::function<float(float x, float y)>;
    using Paint = std::function<Rgb(float x, float y)>;
    void Fill(float x0, float y0, float x1, float y1, const Distance& distance, const Paint& paint,
              float opacity = 1.0f, float softness = 1.0f);
    void Fill(float x0, float y0, float x1, float y1, const Distance& distance, const Rgb& color,
              float opacity = 1.0f, float softness = 1.0f);

    // Copies `source` with its top-left corner at (x, y), composited over.
    void Draw(const Canvas& source, int x, int y);
    Canvas Crop(int x, int y, int width, int height) const;

private:
    int m_width;
    int m_height;
    std::vector<Pixel> m_pixels;
};

// Signed distances.
float CircleDistance(float x, float y, float cx, float cy, float radius);
float RoundRectDistance(float x, float y, float left, float top, float right, float bottom, float radius);
float SegmentDistance(float x, float y, float ax, float ay, float bx, float by);
// Distance to an arc of the circle (cx, cy, radius) running clockwise on the
// screen from angle `from` to angle `to` (degrees; 0 straight below the
// centre, 90 to the left, 180 above, 270 to the right, as the knob counts).
float ArcDistance(float x, float y, float cx, float cy, float radius, float from, float to);
// The screen direction of such an angle.
void AngleDirection(float degrees, float& dx, float& dy);

// Stroke text in capitals (small letters are drawn as capitals).
struct TextStyle {
    float capHeight = 6.0f;
    float stroke = 1.1f;
    float narrow = 0.8f; // horizontal scale of the glyphs
    float spacing = 1.6f; // extra space between glyphs, in units of capHeight/6
};
float TextWidth(const std::string& text, const TextStyle& style);
// Draws with the top of the capitals at `top`; `align` 0 left of x, 1 centred
// on x, 2 right of x.
void DrawText(Canvas& canvas, const std::string& text, float x, float top, int align, const TextStyle& style,
              const Rgb& color, float opacity = 1.0f);

// A deterministic noise in [-1, 1] for a pixel, for subtle surface grain.
float Grain(int x, int y, unsigned seed);

// 24-bit bottom-up .bmp (the alpha is composited over black first).
bool WriteBmp(const std::string& path, const Canvas& canvas);
// One .ico with a 32-bit image per canvas (sizes up to 256).
bool WriteIco(const std::string& path, const std::vector<Canvas>& images);

} // namespace art
