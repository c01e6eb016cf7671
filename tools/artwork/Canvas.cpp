#include "Canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>

namespace art {

namespace {

constexpr float kPi = 3.14159265358979f;

float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 0;
}

void Put16(std::vector<uint8_t>& out, unsigned v)
{
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back((v >> (8 * i)) & 0xFF);
}

uint8_t ToByte(float v) { return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f)); }

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

// The stroke font: each glyph is a set of polylines on a grid four units
// wide and six high (y grows downwards), separated by ';'.
const std::map<char, const char*>& Glyphs()
{
    static const std::map<char, const char*> glyphs = {
        {'A', "0,6 0,2 2,0 4,2 4,6;0,4 4,4"},
        {'B', "0,3 0,0 3,0 4,1 4,2 3,3 0,3 0,6 3,6 4,5 4,4 3,3"},
        {'C', "4,1 3,0 1,0 0,1 0,5 1,6 3,6 4,5"},
        {'D', "0,0 0,6 2,6 4,4 4,2 2,0 0,0"},
        {'E', "4,0 0,0 0,6 4,6;0,3 3,3"},
        {'F', "4,0 0,0 0,6;0,3 3,3"},
        {'G', "4,1 3,0 1,0 0,1 0,5 1,6 3,6 4,5 4,3 2,3"},
        {'H', "0,0 0,6;4,0 4,6;0,3 4,3"},
        {'I', "1,0 3,0;2,0 2,6;1,6 3,6"},
        {'J', "4,0 4,5 3,6 1,6 0,5"},
        {'K', "0,0 0,6;4,0 0,4;1,3 4,6"},
        {'L', "0,0 0,6 4,6"},
        {'M', "0,6 0,0 2,3 4,0 4,6"},
        {'N', "0,6 0,0 4,6 4,0"},
        {'O', "1,0 3,0 4,1 4,5 3,6 1,6 0,5 0,1 1,0"},
        {'P', "0,6 0,0 3,0 4,1 4,2 3,3 0,3"},
        {'Q', "1,0 3,0 4,1 4,5 3,6 1,6 0,5 0,1 1,0;2,4 4,6"},
        {'R', "0,6 0,0 3,0 4,1 4,2 3,3 0,3;2,3 4,6"},
        {'S', "4,1 3,0 1,0 0,1 0,2 1,3 3,3 4,4 4,5 3,6 1,6 0,5"},
        {'T', "0,0 4,0;2,0 2,6"},
        {'U', "0,0 0,5 1,6 3,6 4,5 4,0"},
        {'V', "0,0 2,6 4,0"},
        {'W', "0,0 1,6 2,3 3,6 4,0"},
        {'X', "0,0 4,6;4,0 0,6"},
        {'Y', "0,0 2,3 4,0;2,3 2,6"},
        {'Z', "0,0 4,0 0,6 4,6"},
        {'0', "1,0 3,0 4,1 4,5 3,6 1,6 0,5 0,1 1,0"},
        {'1', "1,1 2,0 2,6;1,6 3,6"},
        {'2', "0,1 1,0 3,0 4,1 4,2 0,6 4,6"},
        {'3', "0,1 1,0 3,0 4,1 4,2 3,3 1,3;3,3 4,4 4,5 3,6 1,6 0,5"},
        {'4', "3,6 3,0 0,4 4,4"},
        {'5', "4,0 0,0 0,3 3,3 4,4 4,5 3,6 1,6 0,5"},
        {'6', "3,0 1,0 0,1 0,5 1,6 3,6 4,5 4,4 3,3 0,3"},
        {'7', "0,0 4,0 1,6"},
        {'8', "1,3 0,2 0,1 1,0 3,0 4,1 4,2 3,3 1,3 0,4 0,5 1,6 3,6 4,5 4,4 3,3"},
        {'9', "4,3 1,3 0,2 0,1 1,0 3,0 4,1 4,5 3,6 1,6"},
        {'-', "1,3 3,3"},
        {'+', "2,1 2,5;0,3 4,3"},
        {'.', "2,6 2,6"},
        {':', "2,2 2,2;2,5 2,5"},
        {'/', "4,0 0,6"},
        {'>', "1,1 3,3 1,5"},
        {'<', "3,1 1,3 3,5"},
        {'&', "4,6 1,2 1,1 2,0 3,1 3,2 0,4 0,5 1,6 2,6 4,4"},
        {'(', "3,0 2,1 2,5 3,6"},
        {')', "1,0 2,1 2,5 1,6"},
        {'\'', "2,0 2,1"},
        {' ', ""},
    };
    return glyphs;
}

struct Segment {
    float ax, ay, bx, by;
};

std::vector<Segment> GlyphSegments(char c, float originX, float top, float unitX, float unitY)
{
    std::vector<Segment> segments;
    if (c >= 'a' && c <= 'z')
        c = static_cast<char>(c - 'a' + 'A');
    auto found = Glyphs().find(c);
    if (found == Glyphs().end())
        return segments;
    const char* p = found->second;
    bool havePrevious = false;
    float px = 0, py = 0;
    while (*p) {
        if (*p == ';') {
            havePrevious = false;
            ++p;
            continue;
        }
        if (*p == ' ') {
            ++p;
            continue;
        }
        int gx = 0, gy = 0, used = 0;
        if (std::sscanf(p, "%d,%d%n", &gx, &gy, &used) != 2)
            break;
        p += used;
        const float x = originX + gx * unitX;
        const float y = top + gy * unitY;
        if (havePrevious)
            segments.push_back({px, py, x, y});
        else if (*p == '\0' || *p == ';') // a lone point: a dot
            segments.push_back({x, y, x, y});
        px = x;
        py = y;
        havePrevious = true;
    }
    return segments;
}

} // namespace

Rgb Hex(const char* text)
{
    if (*text == '#')
        ++text;
    if (std::strlen(text) < 6)
        return {};
    auto channel = [&](int i) { return (HexDigit(text[2 * i]) * 16 + HexDigit(text[2 * i + 1])) / 255.0f; };
    return {channel(0), channel(1), channel(2)};
}

Rgb Mix(const Rgb& a, const Rgb& b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Scale(const Rgb& c, float f) { return {c.r * f, c.g * f, c.b * f}; }

Canvas::Canvas(int width, int height, const Rgb& fill, float alpha)
    : m_width(width), m_height(height),
      m_pixels(static_cast<size_t>(width) * height, Pixel{fill.r * alpha, fill.g * alpha, fill.b * alpha, alpha})
{
}

void Canvas::Blend(int x, int y, const Rgb& color, float coverage)
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height || coverage <= 0)
        return;
    coverage = std::min(coverage, 1.0f);
    Pixel& p = At(x, y);
    const float keep = 1.0f - coverage;
    p.r = color.r * coverage + p.r * keep;
    p.g = color.g * coverage + p.g * keep;
    p.b = color.b * coverage + p.b * keep;
    p.a = coverage + p.a * keep;
}

void Canvas::Fill(float x0, float y0, float x1, float y1, const Distance& distance, const Paint& paint,
                  float opacity, float softness)
{
    const int left = std::max(0, static_cast<int>(std::floor(x0 - softness)));
    const int top = std::max(0, static_cast<int>(std::floor(y0 - softness)));
    const int right = std::min(m_width, static_cast<int>(std::ceil(x1 + softness)));
    const int bottom = std::min(m_height, static_cast<int>(std::ceil(y1 + softness)));
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const float cx = x + 0.5f, cy = y + 0.5f;
            const float d = distance(cx, cy);
            const float coverage = Clamp01(0.5f - d / softness);
            if (coverage > 0)
                Blend(x, y, paint(cx, cy), coverage * opacity);
        }
    }
}

void Canvas::Fill(float x0, float y0, float x1, float y1, const Distance& distance, const Rgb& color, float opacity,
                  float softness)
{
    Fill(x0, y0, x1, y1, distance, [&](float, float) { return color; }, opacity, softness);
}

void Canvas::Draw(const Canvas& source, int x, int y)
{
    for (int sy = 0; sy < source.Height(); ++sy) {
        for (int sx = 0; sx < source.Width(); ++sx) {
            const int dx = x + sx, dy = y + sy;
            if (dx < 0 || dy < 0 || dx >= m_width || dy >= m_height)
                continue;
            const Pixel& s = source.At(sx, sy);
            Pixel& d = At(dx, dy);
            const float keep = 1.0f - s.a;
            d = {s.r + d.r * keep, s.g + d.g * keep, s.b + d.b * keep, s.a + d.a * keep};
        }
    }
}

Canvas Canvas::Crop(int x, int y, int width, int height) const
{
    Canvas out(width, height, Rgb{}, 0.0f);
    for (int sy = 0; sy < height; ++sy)
        for (int sx = 0; sx < width; ++sx)
            if (x + sx >= 0 && y + sy >= 0 && x + sx < m_width && y + sy < m_height)
                out.At(sx, sy) = At(x + sx, y + sy);
    return out;
}

float CircleDistance(float x, float y, float cx, float cy, float radius)
{
    return std::hypot(x - cx, y - cy) - radius;
}

float RoundRectDistance(float x, float y, float left, float top, float right, float bottom, float radius)
{
    const float cx = (left + right) / 2, cy = (top + bottom) / 2;
    const float hx = (right - left) / 2 - radius, hy = (bottom - top) / 2 - radius;
    const float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

float SegmentDistance(float x, float y, float ax, float ay, float bx, float by)
{
    const float vx = bx - ax, vy = by - ay;
    const float length2 = vx * vx + vy * vy;
    float t = length2 > 0 ? ((x - ax) * vx + (y - ay) * vy) / length2 : 0;
    t = Clamp01(t);
    return std::hypot(x - (ax + t * vx), y - (ay + t * vy));
}

void AngleDirection(float degrees, float& dx, float& dy)
{
    const float a = degrees * kPi / 180.0f;
    dx = -std::sin(a);
    dy = std::cos(a);
}

float ArcDistance(float x, float y, float cx, float cy, float radius, float from, float to)
{
    if (to < from)
        std::swap(from, to);
    // The point's angle in the knob's convention.
    float angle = std::atan2(-(x - cx), y - cy) * 180.0f / kPi;
    if (angle < 0)
        angle += 360.0f;
    if (angle >= from && angle <= to)
        return std::fabs(std::hypot(x - cx, y - cy) - radius);
    float dx, dy;
    AngleDirection(from, dx, dy);
    const float d0 = std::hypot(x - (cx + dx * radius), y - (cy + dy * radius));
    AngleDirection(to, dx, dy);
    const float d1 = std::hypot(x - (cx + dx * radius), y - (cy + dy * radius));
    return std::min(d0, d1);
}

float TextWidth(const std::string& text, const TextStyle& style)
{
    if (text.empty())
        return 0;
    const float unit = style.capHeight / 6.0f;
    const float advance = (4.0f * style.narrow + style.spacing) * unit;
    return advance * static_cast<float>(text.size()) - style.spacing * unit;
}

void DrawText(Canvas& canvas, const std::string& text, float x, float top, int align, const TextStyle& style,
              const Rgb& color, float opacity)
{
    const float unit = style.capHeight / 6.0f;
    const float unitX = unit * style.narrow;
    const float advance = (4.0f * style.narrow + style.spacing) * unit;
    const float width = TextWidth(text, style);
    float left = x;
    if (align == 1)
        left = x - width / 2;
    else if (align == 2)
        left = x - width;
    std::vector<Segment> segments;
    for (size_t i = 0; i < text.size(); ++i) {
        auto glyph = GlyphSegments(text[i], left + advance * static_cast<float>(i), top, unitX, unit);
        segments.insert(segments.end(), glyph.begin(), glyph.end());
    }
    if (segments.empty())
        return;
    const float half = style.stroke / 2;
    canvas.Fill(left - 2, top - 2, left + width + 2, top + style.capHeight + 2,
                [&](float px, float py) {
                    float best = 1e9f;
                    for (const Segment& s : segments)
                        best = std::min(best, SegmentDistance(px, py, s.ax, s.ay, s.bx, s.by));
                    return best - half;
                },
                color, opacity);
}

float Grain(int x, int y, unsigned seed)
{
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<float>(h & 0xFFFF) / 32767.5f - 1.0f;
}

bool WriteBmp(const std::string& path, const Canvas& canvas)
{
    const int w = canvas.Width(), h = canvas.Height();
    const int rowSize = (w * 3 + 3) & ~3;
    const uint32_t imageSize = static_cast<uint32_t>(rowSize) * h;
    std::vector<uint8_t> out;
    out.reserve(54 + imageSize);
    out.push_back('B');
    out.push_back('M');
    Put32(out, 54 + imageSize);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(w));
    Put32(out, static_cast<uint32_t>(h));
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);
    Put32(out, imageSize);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const Pixel& p = canvas.At(x, y);
            out.push_back(ToByte(p.b));
            out.push_back(ToByte(p.g));
            out.push_back(ToByte(p.r));
        }
        for (int pad = w * 3; pad < rowSize; ++pad)
            out.push_back(0);
    }
    return WriteFile(path, out);
}

bool WriteIco(const std::string& path, const std::vector<Canvas>& images)
{
    std::vector<std::vector<uint8_t>> bodies;
    for (const Canvas& image : images) {
        const int w = image.Width(), h = image.Height();
        std::vector<uint8_t> body;
        Put32(body, 40);
        Put32(body, static_cast<uint32_t>(w));
        Put32(body, static_cast<uint32_t>(h * 2));
        Put16(body, 1);
        Put16(body, 32);
        Put32(body, 0);
        Put32(body, 0);
        Put32(body, 0);
        Put32(body, 0);
        Put32(body, 0);
        Put32(body, 0);
        for (int y = h - 1; y >= 0; --y) {
            for (int x = 0; x < w; ++x) {
                const Pixel& p = image.At(x, y);
                const float a = p.a;
                const float inv = a > 0 ? 1.0f / a : 0.0f; // icons store straight colour
                body.push_back(ToByte(p.b * inv));
                body.push_back(ToByte(p.g * inv));
                body.push_back(ToByte(p.r * inv));
                body.push_back(ToByte(a));
            }
        }
        // The AND mask: set where the image is fully transparent.
        const int maskRow = ((w + 31) / 32) * 4;
        for (int y = h - 1; y >= 0; --y) {
            std::vector<uint8_t> row(static_cast<size_t>(maskRow), 0);
            for (int x = 0; x < w; ++x)
                if (image.At(x, y).a <= 0.0f)
                    row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
            body.insert(body.end(), row.begin(), row.end());
        }
        bodies.push_back(std::move(body));
    }
    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<uint8_t>(images[i].Width() >= 256 ? 0 : images[i].Width()));
        out.push_back(static_cast<uint8_t>(images[i].Height() >= 256 ? 0 : images[i].Height()));
        out.push_back(0);
        out.push_back(0);
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, static_cast<uint32_t>(bodies[i].size()));
        Put32(out, offset);
        offset += static_cast<uint32_t>(bodies[i].size());
    }
    for (const auto& body : bodies)
        out.insert(out.end(), body.begin(), body.end());
    return WriteFile(path, out);
}

} // namespace art
