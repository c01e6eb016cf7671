#include "Skins.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace art {

namespace {

constexpr float kAngleMin = 30.0f;
constexpr float kAngleMax = 330.0f;

Skin Graphite()
{
    Skin s;
    s.name = "midnight";
    s.windowTop = Hex("2a2e34");
    s.windowBottom = Hex("1a1c20");
    s.headerTop = Hex("3a3f47");
    s.headerBottom = Hex("24272c");
    s.headerText = Hex("f2a444");
    s.headerLine = Hex("f08a24");
    s.plate = Hex("30343b");
    s.plateLight = Hex("444a53");
    s.plateDark = Hex("131518");
    s.title = Hex("f2a444");
    s.label = Hex("c3c8d0");
    s.divider = Hex("4a5059");
    s.display = Hex("0d0f12");
    s.displayText = Hex("ffb24e");
    s.displayEdge = Hex("07080a");
    s.track = Hex("1b1d21");
    s.arc = Hex("ff8c2a");
    s.bodyTop = Hex("6b717a");
    s.bodyBottom = Hex("2b2f35");
    s.rim = Hex("8c939d");
    s.pointer = Hex("ffc078");
    s.gloss = 0.10f;
    s.buttonTop = Hex("4a5059");
    s.buttonBottom = Hex("2c3036");
    s.arrow = Hex("ffb24e");
    return s;
}

Skin Ivory()
{
    Skin s;
    s.name = "classic";
    s.windowTop = Hex("eee8da");
    s.windowBottom = Hex("d9d0bc");
    s.headerTop = Hex("74492b");
    s.headerBottom = Hex("452a17");
    s.headerText = Hex("f6ecd8");
    s.headerLine = Hex("2b8e9c");
    s.plate = Hex("f7f2e7");
    s.plateLight = Hex("ffffff");
    s.plateDark = Hex("b9ab90");
    s.title = Hex("237d8a");
    s.label = Hex("40372b");
    s.divider = Hex("d8ceb9");
    s.display = Hex("cbd9bb");
    s.displayText = Hex("1c2a19");
    s.displayEdge = Hex("6f7a62");
    s.track = Hex("ddd3c0");
    s.arc = Hex("2b8e9c");
    s.bodyTop = Hex("3c3c3e");
    s.bodyBottom = Hex("0c0c0d");
    s.rim = Hex("6a6a6e");
    s.pointer = Hex("f6ecd8");
    s.gloss = 0.35f;
    s.buttonTop = Hex("fbf8f1");
    s.buttonBottom = Hex("d8cfbd");
    s.arrow = Hex("40372b");
    return s;
}

std::string Capitalised(const std::string& text)
{
    std::string out = text;
    if (!out.empty())
        out[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(out[0])));
    return out;
}

// One knob of `size` pixels centred at (cx, cy), pointing at `angle`; the
// value arc runs from `arcFrom` to the angle.
void PaintKnob(Canvas& c, const Skin& skin, float cx, float cy, float size, float angle, float arcFrom)
{
    const float k = size / 40.0f;
    const float ring = 16.5f * k, ringWidth = 3.0f * k;
    const float body = 12.0f * k;
    const float box = size / 2 + 2;
    auto ringShape = [&](float from, float to) {
        return [=](float x, float y) { return ArcDistance(x, y, cx, cy, ring, from, to) - ringWidth / 2; };
    };
    c.Fill(cx - box, cy - box, cx + box, cy + box, ringShape(kAngleMin, kAngleMax), skin.track);
    if (std::fabs(angle - arcFrom) > 0.5f)
        c.Fill(cx - box, cy - box, cx + box, cy + box, ringShape(std::min(arcFrom, angle), std::max(arcFrom, angle)),
               skin.arc);
    // Soft shadow under the cap.
    c.Fill(cx - box, cy - box, cx + box, cy + box + 3 * k,
           [&](float x, float y) { return CircleDistance(x, y, cx, cy + 1.6f * k, body + 0.5f * k); }, Rgb{}, 0.55f,
           3.0f * k);
    // The cap: a vertical gradient, a bright rim on top, a darker one below.
    c.Fill(cx - body - 1, cy - body - 1, cx + body + 1, cy + body + 1,
           [&](float x, float y) { return CircleDistance(x, y, cx, cy, body); },
           [&](float, float y) { return Mix(skin.bodyTop, skin.bodyBottom, (y - (cy - body)) / (2 * body)); });
    c.Fill(cx - body - 1, cy - body - 1, cx + body + 1, cy + body + 1,
           [&](float x, float y) { return std::fabs(CircleDistance(x, y, cx, cy, body - 0.6f * k)) - 0.55f * k; },
           [&](float, float y) { return Mix(skin.rim, skin.bodyBottom, std::clamp((y - (cy - body)) / (2 * body), 0.0f, 1.0f)); },
           0.8f);
    // An inner face, turned the other way, for a machined look.
    const float face = body * 0.72f;
    c.Fill(cx - face - 1, cy - face - 1, cx + face + 1, cy + face + 1,
           [&](float x, float y) { return CircleDistance(x, y, cx, cy, face); },
           [&](float, float y) { return Mix(skin.bodyBottom, skin.bodyTop, 0.25f + 0.5f * (y - (cy - face)) / (2 * face)); },
           0.55f);
    if (skin.gloss > 0) {
        const float gy = cy - body * 0.45f;
        c.Fill(cx - body, cy - body, cx + body, cy,
               [&](float x, float y) {
                   const float dx = (x - cx) / (body * 0.75f), dy = (y - gy) / (body * 0.42f);
                   return (std::sqrt(dx * dx + dy * dy) - 1.0f) * body * 0.42f;
               },
               Rgb{1, 1, 1}, skin.gloss, 2.5f * k);
    }
    float dx, dy;
    AngleDirection(angle, dx, dy);
    c.Fill(cx - body, cy - body, cx + body, cy + body,
           [&](float x, float y) {
               return SegmentDistance(x, y, cx + dx * body * 0.30f, cy + dy * body * 0.30f, cx + dx * body * 0.86f,
                                      cy + dy * body * 0.86f) -
                      1.15f * k;
           },
           skin.pointer);
}

void Recess(Canvas& c, const Skin& skin, const Rect& inner, int radius)
{
    const float l = inner.left - 2.0f, t = inner.top - 2.0f, r = inner.right + 2.0f, b = inner.bottom + 2.0f;
    // Light catches the lower edge, the upper edge is in shadow.
    c.Fill(l, t, r, b + 1, [&](float x, float y) { return RoundRectDistance(x, y, l, t + 1, r, b + 1, radius); },
           Rgb{1, 1, 1}, 0.10f);
    c.Fill(l, t, r, b, [&](float x, float y) { return RoundRectDistance(x, y, l, t, r, b, radius); }, skin.displayEdge);
    c.Fill(inner.left, inner.top, inner.right, inner.bottom,
           [&](float x, float y) {
               return RoundRectDistance(x, y, inner.left, inner.top, inner.right, inner.bottom, 1.0f);
           },
           skin.display);
    // The display's own surface must be flat where the text goes: the text
    // writer fills its box with the same colour.
    for (int y = inner.top; y < inner.bottom; ++y)
        for (int x = inner.left; x < inner.right; ++x)
            c.At(x, y) = {skin.display.r, skin.display.g, skin.display.b, 1.0f};
}

void Plate(Canvas& c, const Skin& skin, const Section& section)
{
    const Rect& p = section.rect;
    const float l = p.left, t = p.top, r = p.right, b = p.bottom;
    c.Fill(l - 4, t - 2, r + 4, b + 6, [&](float x, float y) { return RoundRectDistance(x, y, l, t + 2, r, b + 2, 6); },
           Rgb{}, 0.35f, 4.0f);
    c.Fill(l, t, r, b, [&](float x, float y) { return RoundRectDistance(x, y, l, t, r, b, 6); }, skin.plateDark);
    c.Fill(l, t, r, b, [&](float x, float y) { return RoundRectDistance(x, y, l + 1, t + 1, r - 1, b - 1, 5); },
           skin.plateLight);
    c.Fill(l, t, r, b, [&](float x, float y) { return RoundRectDistance(x, y, l + 1, t + 2, r - 1, b - 1, 5); },
           skin.plate);
    TextStyle titleStyle;
    titleStyle.capHeight = 7.0f;
    titleStyle.stroke = 1.45f;
    titleStyle.narrow = 0.85f;
    DrawText(c, section.title, l + 10, t + 8, 0, titleStyle, skin.title);
    const float after = l + 10 + TextWidth(section.title, titleStyle) + 8;
    c.Fill(after, t + 11, r - 10, t + 13,
           [&](float x, float y) { return SegmentDistance(x, y, after, t + 11.5f, r - 10, t + 11.5f) - 0.5f; },
           skin.divider);
    for (const Item& item : section.items) {
        if (item.kind == Kind::Combo || item.kind == Kind::Edit)
            Recess(c, skin, item.rect, 3);
        if (!item.label.empty()) {
            const LabelPlace place = PlaceLabel(item, false);
            DrawText(c, item.label, place.x, place.top, place.align, TextStyle{}, skin.label);
        }
    }
}

} // namespace

const std::vector<Skin>& Skins()
{
    static const std::vector<Skin> skins = {Ivory(), Graphite()};
    return skins;
}

bool FindSkin(const std::string& name, size_t& index)
{
    for (index = 0; index < Skins().size(); ++index)
        if (Skins()[index].name == name)
            return true;
    return false;
}

std::string WindowBitmapName(const Skin& skin, const std::string& window)
{
    return skin.name + Capitalised(window);
}

std::string KnobBitmapName(const Skin& skin, Kind kind)
{
    return skin.name + (kind == Kind::CentreKnob ? "CentreKnob" : "Knob");
}

std::string ButtonBitmapName(const Skin& skin) { return skin.name + "Button"; }

Canvas PaintKnobStrip(const Skin& skin, bool centred)
{
    Canvas strip(kKnobCell, kKnobCell * kKnobCells, skin.plate);
    for (int i = 0; i < kKnobCells; ++i) {
        Canvas cell(kKnobCell, kKnobCell, skin.plate);
        const float angle = kAngleMin + (kAngleMax - kAngleMin) * static_cast<float>(i) / (kKnobCells - 1);
        PaintKnob(cell, skin, kKnobCell / 2.0f, kKnobCell / 2.0f, kKnobCell, angle, centred ? 180.0f : kAngleMin);
        strip.Draw(cell, 0, i * kKnobCell);
    }
    return strip;
}

Canvas PaintButton(const Skin& skin)
{
    const int n = kButtonSize;
    Canvas strip(n, 2 * n, skin.display);
    for (int state = 0; state < 2; ++state) {
        const float top = static_cast<float>(state * n);
        const float shift = state ? 1.0f : 0.0f;
        const Rgb faceTop = state ? Scale(skin.buttonBottom, 0.9f) : skin.buttonTop;
        const Rgb faceBottom = state ? skin.buttonTop : skin.buttonBottom;
        strip.Fill(0, top, n, top + n,
                   [&](float x, float y) { return RoundRectDistance(x, y, 0.5f, top + 0.5f, n - 0.5f, top + n - 0.5f, 2.5f); },
                   [&](float, float y) { return Mix(faceTop, faceBottom, (y - top) / n); });
        const float cx = n / 2.0f, cy = top + n / 2.0f + shift;
        strip.Fill(0, top, n, top + n,
                   [&](float x, float y) {
                       return std::min(SegmentDistance(x, y, cx - 3.2f, cy - 1.4f, cx, cy + 1.8f),
                                       SegmentDistance(x, y, cx, cy + 1.8f, cx + 3.2f, cy - 1.4f)) -
                              0.85f;
                   },
                   skin.arrow);
    }
    return strip;
}

Canvas PaintFace(const Window& window, const Face& face)
{
    const Skin& skin = Skins()[face.skin];
    const int w = window.width, h = window.height;
    Canvas c(w, h, skin.windowBottom);
    for (int y = 0; y < h; ++y) {
        const Rgb base = Mix(skin.windowTop, skin.windowBottom, static_cast<float>(y) / h);
        for (int x = 0; x < w; ++x) {
            const float g = 1.0f + 0.025f * Grain(x, y, 7);
            c.At(x, y) = {base.r * g, base.g * g, base.b * g, 1.0f};
        }
    }
    // Header bar with a brushed grain.
    for (int y = 0; y < kHeaderHeight; ++y) {
        const Rgb base = Mix(skin.headerTop, skin.headerBottom, static_cast<float>(y) / kHeaderHeight);
        for (int x = 0; x < w; ++x) {
            const float g = 1.0f + 0.04f * Grain(x / 3, y, 11);
            c.At(x, y) = {base.r * g, base.g * g, base.b * g, 1.0f};
        }
    }
    for (int x = 0; x < w; ++x) {
        c.At(x, kHeaderHeight - 2) = {skin.headerLine.r, skin.headerLine.g, skin.headerLine.b, 1.0f};
        c.Blend(x, kHeaderHeight, Rgb{}, 0.35f);
        c.Blend(x, kHeaderHeight + 1, Rgb{}, 0.15f);
    }
    TextStyle caption;
    caption.capHeight = 18.0f;
    caption.stroke = 2.6f;
    caption.narrow = 0.82f;
    caption.spacing = 1.8f;
    DrawText(c, window.caption, 16, 16, 0, caption, skin.headerText);
    TextStyle small;
    small.capHeight = 6.0f;
    if (window.name == "main")
        DrawText(c, "CONTROLLER", 16 + TextWidth(window.caption, caption) + 12, 28, 0, small,
                 Mix(skin.headerText, skin.headerBottom, 0.3f));
    for (const Item& item : face.header) {
        if (!item.label.empty()) {
            const LabelPlace place = PlaceLabel(item, true);
            DrawText(c, item.label, place.x, place.top, place.align, small, Mix(skin.headerText, skin.headerBottom, 0.2f));
        }
        if (item.kind == Kind::Combo || item.kind == Kind::Edit)
            Recess(c, skin, item.rect, 3);
    }
    for (const Section& section : face.sections)
        Plate(c, skin, section);
    return c;
}

Brand BrandOf(const Edition& edition)
{
    if (edition.id == "sigma")
        return {edition.product, Hex("35c0cf"), Hex("1b5a8c")};
    return {edition.product, Hex("ffa048"), Hex("c0390c")};
}

Canvas PaintSplash(const Brand& brand)
{
    const Skin skin = Graphite();
    const int w = 440, h = 250;
    Canvas c(w, h, skin.windowBottom);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float d = std::hypot((x - 120.0f) / w, (y - 110.0f) / h);
            const Rgb base = Mix(Hex("3a3f47"), Hex("15171a"), std::clamp(d * 1.6f, 0.0f, 1.0f));
            const float g = 1.0f + 0.02f * Grain(x, y, 3);
            c.At(x, y) = {base.r * g, base.g * g, base.b * g, 1.0f};
        }
    Skin knobSkin = skin;
    knobSkin.arc = brand.accentTop;
    knobSkin.track = Hex("101216");
    PaintKnob(c, knobSkin, 105, 118, 150, 250, kAngleMin);
    std::string product = brand.product;
    for (char& ch : product)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    TextStyle title;
    title.capHeight = 26;
    title.stroke = 3.4f;
    title.narrow = 0.8f;
    DrawText(c, product, 205, 84, 0, title, brand.accentTop);
    TextStyle sub;
    sub.capHeight = 9;
    sub.stroke = 1.5f;
    DrawText(c, "CONTROLLER", 207, 124, 0, sub, Hex("d8dce2"));
    c.Fill(205, 143, 420, 146, [&](float x, float y) { return SegmentDistance(x, y, 207, 144.5f, 418, 144.5f) - 0.7f; },
           brand.accentBottom);
    TextStyle note;
    note.capHeight = 6;
    DrawText(c, "STARTING...", 207, 156, 0, note, Hex("9aa1ab"));
    // A thin frame so the borderless window has an edge.
    c.Fill(0, 0, w, h,
           [&](float x, float y) { return std::fabs(RoundRectDistance(x, y, 0.5f, 0.5f, w - 0.5f, h - 0.5f, 0)) - 0.5f; },
           brand.accentBottom);
    return c;
}

namespace {

Canvas ProgramIcon(const Brand& brand, int size)
{
    const float s = static_cast<float>(size);
    Canvas c(size, size, Rgb{}, 0.0f);
    const float inset = s * 0.04f;
    c.Fill(0, 0, s, s,
           [&](float x, float y) { return RoundRectDistance(x, y, inset, inset, s - inset, s - inset, s * 0.2f); },
           [&](float, float y) { return Mix(brand.accentTop, brand.accentBottom, y / s); });
    Skin skin = Graphite();
    skin.arc = Hex("ffffff");
    skin.track = Scale(brand.accentBottom, 0.6f);
    skin.plate = brand.accentBottom;
    PaintKnob(c, skin, s / 2, s / 2, s * 0.98f, 235, kAngleMin);
    return c;
}

Canvas DocumentIcon(const Brand& brand, int size)
{
    const float s = static_cast<float>(size);
    Canvas c(size, size, Rgb{}, 0.0f);
    const float l = s * 0.16f, r = s * 0.84f, t = s * 0.04f, b = s * 0.96f, fold = s * 0.24f;
    auto page = [=](float x, float y) {
        const float box = RoundRectDistance(x, y, l, t, r, b, s * 0.03f);
        // Cut the top-right corner off along the fold.
        const float cut = ((x - (r - fold)) + (t - y)) / 1.41421f - 0.0f;
        return std::max(box, cut);
    };
    c.Fill(0, 0, s, s, [&](float x, float y) { return page(x, y) - s * 0.015f; }, Hex("5a5f66"));
    c.Fill(0, 0, s, s, page, [&](float, float y) { return Mix(Hex("ffffff"), Hex("e6e8ec"), y / s); });
    c.Fill(r - fold, t, r, t + fold,
           [&](float x, float y) {
               const float inside = std::max(std::max(r - fold - x, y - (t + fold)), ((t - y) + (x - (r - fold))) / -1.41421f);
               return inside;
           },
           Hex("c9ccd2"));
    if (size >= 32) {
        for (int line = 0; line < 3; ++line) {
            const float y = t + s * (0.30f + 0.09f * line);
            const float right = line == 0 ? r - fold - s * 0.04f : r - s * 0.08f;
            c.Fill(l, y - 2, r, y + 2,
                   [&](float x, float yy) { return SegmentDistance(x, yy, l + s * 0.08f, y, right, y) - s * 0.012f; },
                   Hex("b4b9c1"));
        }
    }
    Skin skin = Graphite();
    skin.arc = brand.accentTop;
    skin.track = Hex("d0d3d8");
    PaintKnob(c, skin, s * 0.5f, s * 0.70f, s * 0.52f, 235, kAngleMin);
    return c;
}

} // namespace

std::vector<Canvas> PaintProgramIcons(const Brand& brand)
{
    std::vector<Canvas> icons;
    for (int size : {16, 24, 32, 48, 64, 256})
        icons.push_back(ProgramIcon(brand, size));
    return icons;
}

std::vector<Canvas> PaintDocumentIcons(const Brand& brand)
{
    std::vector<Canvas> icons;
    for (int size : {16, 24, 32, 48, 64, 256})
        icons.push_back(DocumentIcon(brand, size));
    return icons;
}

} // namespace art
