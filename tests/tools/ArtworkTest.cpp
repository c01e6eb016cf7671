// The artwork tool: files that Windows reads as written, knob cells that
// point where the knob control counts its angles, display boxes whose text
// area is the exact colour the text writers fill, and layouts whose
// controls neither overlap nor leave their plates.
#include "artwork/Canvas.h"
#include "artwork/Layout.h"
#include "artwork/Skins.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using art::Canvas;
using art::Rgb;

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

int Byte(float v) { return static_cast<int>(std::lround(v * 255.0f)); }

std::string TempPath(const std::string& name) { return testing::TempDir() + name; }

TEST(ArtworkFiles, BmpRowsRunBottomUpAndArePaddedToFourBytes)
{
    Canvas canvas(3, 2, Rgb{}); // 9 bytes a row, padded to 12
    canvas.Blend(0, 0, art::Hex("ff0000"), 1.0f);
    canvas.Blend(2, 1, art::Hex("0000ff"), 1.0f);
    const std::string path = TempPath("artwork.bmp");
    ASSERT_TRUE(art::WriteBmp(path, canvas));
    const std::vector<uint8_t> b = ReadAll(path);
    ASSERT_EQ(b.size(), 54u + 2 * 12);
    EXPECT_EQ(U32(b, 2), b.size());
    EXPECT_EQ(U32(b, 18), 3u);
    EXPECT_EQ(U32(b, 22), 2u); // positive height: bottom-up
    EXPECT_EQ(b[28], 24);
    // The first stored row is the bottom one: its last pixel is blue (BGR).
    EXPECT_EQ((std::vector<int>{b[54 + 6], b[54 + 7], b[54 + 8]}), (std::vector<int>{255, 0, 0}));
    // The top row follows after the padding: its first pixel is red.
    EXPECT_EQ((std::vector<int>{b[66], b[67], b[68]}), (std::vector<int>{0, 0, 255}));
}

TEST(ArtworkFiles, IconsListEverySizeAndMaskOnlyTheTransparentPixels)
{
    const std::vector<Canvas> icons = art::PaintProgramIcons(art::BrandOf(art::KappaEdition()));
    const std::string path = TempPath("artwork.ico");
    ASSERT_TRUE(art::WriteIco(path, icons));
    const std::vector<uint8_t> b = ReadAll(path);
    ASSERT_GE(b.size(), 6u);
    EXPECT_EQ(b[2], 1); // icon, not cursor
    ASSERT_EQ(b[4], icons.size());
    for (size_t i = 0; i < icons.size(); ++i) {
        SCOPED_TRACE(icons[i].Width());
        const size_t entry = 6 + 16 * i;
        EXPECT_EQ(b[entry], icons[i].Width() >= 256 ? 0 : icons[i].Width());
        const uint32_t size = U32(b, entry + 8), offset = U32(b, entry + 12);
        ASSERT_LE(offset + size, b.size());
        const int w = icons[i].Width();
        const uint32_t maskRow = ((w + 31) / 32) * 4;
        EXPECT_EQ(size, 40 + static_cast<uint32_t>(w * w * 4) + maskRow * w);
        EXPECT_EQ(U32(b, offset + 8), static_cast<uint32_t>(2 * w)); // image and mask
        // The rounded tile leaves the corners transparent; the centre is opaque.
        const size_t mask = offset + 40 + static_cast<size_t>(w) * w * 4;
        const size_t topRow = mask + maskRow * (w - 1);
        EXPECT_TRUE(b[topRow] & 0x80) << "top-left corner";
        const size_t middleRow = mask + maskRow * (w / 2);
        EXPECT_FALSE(b[middleRow + w / 16] & (0x80 >> (w / 2 % 8))) << "centre";
    }
}

// Where a cell's pointer points, in the knob control's degrees (0 below the
// centre, 90 left, 180 above, 270 right).
float PointerAngle(const Canvas& strip, int cell, const Rgb& pointer)
{
    const float c = art::kKnobCell / 2.0f;
    double sx = 0, sy = 0, weight = 0;
    for (int y = 0; y < art::kKnobCell; ++y)
        for (int x = 0; x < art::kKnobCell; ++x) {
            const art::Pixel& p = strip.At(x, cell * art::kKnobCell + y);
            const float d = std::fabs(p.r - pointer.r) + std::fabs(p.g - pointer.g) + std::fabs(p.b - pointer.b);
            const float r = std::hypot(x + 0.5f - c, y + 0.5f - c);
            if (d < 0.12f && r < 12.0f) {
                sx += x + 0.5f - c;
                sy += y + 0.5f - c;
                weight += 1;
            }
        }
    EXPECT_GT(weight, 5) << "cell " << cell;
    float angle = static_cast<float>(std::atan2(-sx, sy) * 180.0 / 3.14159265358979);
    return angle < 0 ? angle + 360 : angle;
}

TEST(ArtworkKnobs, CellsTurnClockwiseFromThirtyToThreeHundredThirtyDegrees)
{
    for (const art::Skin& skin : art::Skins()) {
        SCOPED_TRACE(skin.name);
        const Canvas strip = art::PaintKnobStrip(skin, false);
        ASSERT_EQ(strip.Height(), art::kKnobCell * art::kKnobCells);
        for (int cell : {0, 21, 32, 42, art::kKnobCells - 1}) {
            const float expected = 30.0f + 300.0f * cell / (art::kKnobCells - 1);
            EXPECT_NEAR(PointerAngle(strip, cell, skin.pointer), expected, 6.0f) << "cell " << cell;
        }
    }
}

TEST(ArtworkWindows, DisplayTextAreasHaveTheTextWritersBackground)
{
    for (const art::Edition* edition : {&art::KappaEdition(), &art::SigmaEdition()}) {
        for (const art::Window& window : edition->windows) {
            for (const art::Skin& skin : art::Skins()) {
                SCOPED_TRACE(edition->id + " " + window.name + " " + skin.name);
                const Canvas canvas = art::PaintWindow(skin, window);
                auto expectFlat = [&](const art::Rect& r) {
                    int wrong = 0;
                    for (int y = r.top; y < r.bottom; ++y)
                        for (int x = r.left; x < r.right; ++x) {
                            const art::Pixel& p = canvas.At(x, y);
                            wrong += Byte(p.r) != Byte(skin.display.r) || Byte(p.g) != Byte(skin.display.g) ||
                                     Byte(p.b) != Byte(skin.display.b);
                        }
                    EXPECT_EQ(wrong, 0) << r.left << "," << r.top;
                };
                for (const art::Item& item : window.header)
                    expectFlat(art::ItemRect(item, true));
                for (const art::Section& section : window.sections) {
                    const art::Rect plate = art::PlateRect(section);
                    for (const art::Item& item : section.items) {
                        if (item.kind != art::Kind::Combo && item.kind != art::Kind::Edit)
                            continue;
                        const art::Rect r = art::ItemRect(item, false);
                        expectFlat({plate.left + r.left, plate.top + r.top, plate.left + r.right, plate.top + r.bottom});
                    }
                }
            }
        }
    }
}

bool Overlap(const art::Rect& a, const art::Rect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Inside(const art::Rect& inner, const art::Rect& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

TEST(ArtworkLayout, ControlsStayOnTheirPlatesAndPlatesApart)
{
    for (const art::Edition* edition : {&art::KappaEdition(), &art::SigmaEdition()}) {
        for (const art::Window& window : edition->windows) {
            SCOPED_TRACE(edition->id + " " + window.name);
            const art::Rect whole{0, 0, art::WindowWidth(window), art::WindowHeight(window)};
            std::vector<std::pair<std::string, art::Rect>> placed;
            for (const art::Item& item : window.header) {
                const art::Rect r = art::ItemRect(item, true);
                EXPECT_TRUE(Inside(r, {0, 0, whole.right, art::kHeaderHeight})) << item.name;
                placed.emplace_back(item.name, r);
            }
            for (const art::Section& section : window.sections) {
                const art::Rect plate = art::PlateRect(section);
                EXPECT_TRUE(Inside(plate, whole)) << section.name;
                EXPECT_GE(plate.top, art::kHeaderHeight) << section.name;
                const art::Rect body{0, art::kTitleHeight, plate.Width(), plate.Height()};
                for (const art::Item& item : section.items) {
                    const art::Rect r = art::ItemRect(item, false);
                    EXPECT_TRUE(Inside(r, body)) << section.name << "." << item.name;
                    placed.emplace_back(section.name + "." + item.name,
                                        art::Rect{plate.left + r.left, plate.top + r.top, plate.left + r.right,
                                                  plate.top + r.bottom});
                }
                for (const art::Section& other : window.sections) {
                    if (&other != &section) {
                        EXPECT_FALSE(Overlap(plate, art::PlateRect(other))) << section.name << " " << other.name;
                    }
                }
            }
            for (size_t i = 0; i < placed.size(); ++i)
                for (size_t j = i + 1; j < placed.size(); ++j)
                    EXPECT_FALSE(Overlap(placed[i].second, placed[j].second))
                        << placed[i].first << " " << placed[j].first;
        }
    }
}

} // namespace
