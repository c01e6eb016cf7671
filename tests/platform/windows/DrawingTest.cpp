// The GDI drawing services drawing into memory device contexts, read back
// pixel by pixel: masked and plain bitmap cells, clipped fills, opaque and
// transparent text, the update-rectangle rule and the region routine.
#include "graphics/DrawInfo.h"
#include "graphics/GraphDrawer.h"
#include "graphics/StateBitmap.h"
#include "graphics/TextWriter.h"

#include "support/WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const COLORREF kGreen = RGB(0, 160, 0);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kWhite = RGB(255, 255, 255);

// A 40 x 20 strip: an image cell at x 0..19 (a red 10 x 10 square on black,
// black is transparent) and its mask cell at x 20..39 (white where the
// background shows, black under the square).
void WriteKnobStrip(const std::string& path)
{
    ASSERT_TRUE(WriteBitmapFile(path, 40, 20, [](int x, int y) {
        const bool square = (x % 20) >= 5 && (x % 20) < 15 && y >= 5 && y < 15;
        if (x < 20) {
            return square ? kRed : kBlack;
        }
        return square ? kBlack : kWhite;
    }));
}

}  // namespace

TEST(Drawing, BitmapCellsFromTheBitmapFolderMaskedAndPlain)
{
    const std::string folder = TestFolder() + "drawing\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    WriteKnobStrip(folder + "strip.bmp");
    SetBitmapFolder(folder);
    EXPECT_EQ(GetBitmapFolder(), folder);

    CStateBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadBitmap("strip"));
    EXPECT_EQ(bitmap.GetSize(), (CTevPoint{40, 20}));
    EXPECT_FALSE(bitmap.LoadBitmap("missing"));
    EXPECT_EQ(bitmap.GetSize(), (CTevPoint{0, 0}));
    // A bitmap that did not load draws nothing.
    CMemoryCanvas untouched(20, 20, kGreen);
    CDrawInfo untouchedInfo(untouched.GetDC(), nullptr);
    bitmap.DrawCell(untouchedInfo, CTevPoint{0, 0}, CTevPoint{20, 20}, 0, 0, 20, 0);
    EXPECT_EQ(untouched.Count(RECT{0, 0, 20, 20}, kGreen), 400);

    ASSERT_TRUE(bitmap.LoadBitmap("strip"));
    CMemoryCanvas canvas(60, 20, kGreen);
    CDrawInfo info(canvas.GetDC(), nullptr);
    // Masked at x 0: the background stays around the square.
    bitmap.DrawCell(info, CTevPoint{0, 0}, CTevPoint{20, 20}, 0, 0, 20, 0);
    EXPECT_EQ(canvas.Count(RECT{0, 0, 20, 20}, kRed), 100);
    EXPECT_EQ(canvas.Count(RECT{0, 0, 20, 20}, kGreen), 300);
    // Plain at x 30: the black of the cell covers the background.
    bitmap.DrawCell(info, CTevPoint{30, 0}, CTevPoint{20, 20}, 0, 0, 0, 0);
    EXPECT_EQ(canvas.Count(RECT{30, 0, 50, 20}, kRed), 100);
    EXPECT_EQ(canvas.Count(RECT{30, 0, 50, 20}, kBlack), 300);
    EXPECT_EQ(canvas.Count(RECT{20, 0, 30, 20}, kGreen), 200);
    EXPECT_EQ(canvas.Count(RECT{50, 0, 60, 20}, kGreen), 200);
}

TEST(Drawing, ABitmapFileWhoseHeadersDoNotFitItFailsToLoad)
{
    const std::string folder = TestFolder() + "damaged\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    SetBitmapFolder(folder);
    ASSERT_TRUE(WriteBitmapFile(folder + "whole.bmp", 200, 100, [](int x, int) { return RGB(x, 0, 0); }));
    std::ifstream in(folder + "whole.bmp", std::ios::binary);
    const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    // The file cut to `length` bytes, then a 32-bit field at `offset` set.
    const struct {
        const char* name;
        size_t length;
        size_t offset;
        uint32_t value;
        bool loads;
    } cases[] = {
        {"whole", whole.size(), 0, 0, true},
        {"empty", 0, 0, 0, false},
        {"cut in the info header", 30, 0, 0, false},
        {"one byte short", whole.size() - 1, 0, 0, false},
        {"bits beyond the end", whole.size(), 10, static_cast<uint32_t>(whole.size()) + 1, false},
        {"huge width", whole.size(), 18, 0x7FFFFFFF, false},
        {"colour table it lacks", whole.size(), 28, 8, false},
    };
    for (const auto& c : cases) {
        std::string bytes = whole.substr(0, c.length);
        for (size_t i = 0; c.offset != 0 && i < 4; ++i) {
            bytes[c.offset + i] = static_cast<char>(c.value >> (8 * i));
        }
        std::ofstream(folder + "case.bmp", std::ios::binary | std::ios::trunc) << bytes;
        CStateBitmap bitmap;
        EXPECT_EQ(bitmap.LoadBitmap("case"), c.loads) << c.name;
        EXPECT_EQ(bitmap.GetSize(), c.loads ? (CTevPoint{200, 100}) : (CTevPoint{0, 0})) << c.name;
    }
    // Intact, but nothing a skin needs: run-length encoded, wider than any
    // skin, more pixels; then as many as a skin may have.
    auto sizeOf = [&folder](const std::string& bytes) {
        std::ofstream(folder + "case.bmp", std::ios::binary | std::ios::trunc) << bytes;
        CStateBitmap bitmap;
        bitmap.LoadBitmap("case");
        return bitmap.GetSize();
    };
    EXPECT_EQ(sizeOf(BitmapFileBytes(4, 2, 8, BI_RLE8, std::string("\x04\x01\0\0\x04\x01\0\x01", 8))), CTevPoint{});
    EXPECT_EQ(sizeOf(BitmapFileBytes(40000, 1, 1, BI_RGB, std::string(5000, '\0'))), CTevPoint{});
    EXPECT_EQ(sizeOf(BitmapFileBytes(4097, 4096, 1, BI_RGB, std::string(516 * 4096, '\0'))), CTevPoint{});
    EXPECT_EQ(sizeOf(BitmapFileBytes(4096, 4096, 1, BI_RGB, std::string(512 * 4096, '\0'))), (CTevPoint{4096, 4096}));
}

TEST(Drawing, FillsAndLinesUseTheHighByteAndStayClipped)
{
    CMemoryCanvas canvas(40, 40, kWhite);
    CDrawInfo info(canvas.GetDC(), nullptr);
    CGraphDrawer drawer;
    drawer.FillRect(info, CTevRect{10, 10, 20, 30}, CTevColor{0x12FF, 0x3400, 0xFFFF});
    const COLORREF expected = RGB(0x12, 0x34, 0xFF);
    EXPECT_EQ(canvas.Count(RECT{10, 10, 20, 30}, expected), 200);
    EXPECT_EQ(canvas.Count(RECT{0, 0, 40, 40}, expected), 200);
    // The fill's clipping is undone afterwards: a later line is not clipped.
    drawer.MoveTo(info, CTevPoint{0, 35});
    drawer.LineTo(info, CTevPoint{40, 35}, 1, CTevColor{0, 0, 0});
    EXPECT_EQ(canvas.Count(RECT{0, 35, 40, 36}, kBlack), 40);
    drawer.Polyline(info, {CTevPoint{0, 2}, CTevPoint{39, 2}, CTevPoint{39, 8}}, 1, CTevColor{0xFF00, 0, 0});
    EXPECT_EQ(canvas.Pixel(0, 2), kRed);
    EXPECT_EQ(canvas.Pixel(39, 5), kRed);

    // Another kind of draw info is not drawn on.
    struct COtherInfo : CTevDrawInfo {
        bool IntersectsUpdate(const CTevRect&) override { return true; }
    } other;
    drawer.FillRect(other, CTevRect{0, 0, 40, 40}, CTevColor{0, 0, 0});
    EXPECT_EQ(canvas.Count(RECT{10, 10, 20, 30}, expected), 200);
}

TEST(Drawing, TextWritersOpaqueAndTransparent)
{
    CTevTextWriter::CAttributes attributes;
    attributes.fontFaceName = std::string(40, 'A') + "rial";  // longer than the record holds
    attributes.fontHeight = 14;
    attributes.fontColor = CTevColor{0, 0, 0};
    attributes.backgroundColor = CTevColor{0xFFFF, 0, 0};
    attributes.horizontalAlignment = CTevTextWriter::kAlignCenter;
    attributes.verticalAlignment = CTevTextWriter::kAlignMiddle;
    attributes.backgroundMode = CTevTextWriter::kOpaque;

    CTextWriter opaque;
    ASSERT_TRUE(opaque.CreateFont(attributes));
    CTevTextWriter::CAttributes back;
    ASSERT_TRUE(opaque.GetAttributes(back));
    EXPECT_EQ(back.fontFaceName, std::string(31, 'A'));
    EXPECT_EQ(back.fontHeight, 14);
    EXPECT_FALSE(back.verticalFont);
    EXPECT_EQ(back.horizontalAlignment, CTevTextWriter::kAlignCenter);
    EXPECT_EQ(back.backgroundColor, attributes.backgroundColor);

    CMemoryCanvas canvas(100, 60, kGreen);
    CDrawInfo info(canvas.GetDC(), nullptr);
    // Opaque: the whole rect red, text black inside, nothing outside.
    opaque.DrawText(info, CTevRect{10, 5, 90, 25}, "Saw 1");
    const int red = canvas.Count(RECT{10, 5, 90, 25}, kRed);
    const int black = canvas.Count(RECT{10, 5, 90, 25}, kBlack);
    EXPECT_GT(black, 0);
    EXPECT_GT(red, black);
    EXPECT_EQ(canvas.Count(RECT{10, 5, 90, 25}, kGreen), 0);
    EXPECT_EQ(canvas.Count(RECT{0, 0, 100, 5}, kGreen), 500);
    EXPECT_EQ(canvas.Count(RECT{0, 25, 100, 60}, kGreen), 3500);

    // Transparent: only the text's own pixels change, clipped to the rect.
    attributes.backgroundMode = CTevTextWriter::kTransparent;
    attributes.fontFaceName = "Arial";
    attributes.fontHeight = 40;
    CTextWriter transparent;
    ASSERT_TRUE(transparent.CreateFont(attributes));
    transparent.DrawText(info, CTevRect{10, 35, 40, 45}, "WWWW");
    EXPECT_EQ(canvas.Count(RECT{10, 35, 40, 45}, kRed), 0);
    EXPECT_GT(canvas.Count(RECT{10, 35, 40, 45}, kBlack), 0);
    EXPECT_EQ(canvas.Count(RECT{0, 25, 100, 35}, kBlack), 0);
    EXPECT_EQ(canvas.Count(RECT{0, 45, 100, 60}, kBlack), 0);
    EXPECT_EQ(canvas.Count(RECT{40, 25, 100, 60}, kBlack), 0);

    // A vertical font is stored with its angle.
    attributes.verticalFont = true;
    CTextWriter vertical;
    ASSERT_TRUE(vertical.CreateFont(attributes));
    ASSERT_TRUE(vertical.GetAttributes(back));
    EXPECT_TRUE(back.verticalFont);
}

TEST(Drawing, UpdateRectanglesAndRegions)
{
    // Rectangles that only touch along an edge count as meeting.
    const CRectList one{CTevRect{0, 0, 10, 10}};
    CDrawInfo listed(nullptr, &one);
    const struct {
        CTevRect rect;
        bool meets;
    } cases[] = {
        {{10, 0, 20, 10}, true},  {{11, 0, 20, 10}, false}, {{0, 10, 10, 20}, true},
        {{0, 11, 10, 20}, false}, {{-5, -5, 0, 0}, true},   {{3, 3, 4, 4}, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(listed.IntersectsUpdate(c.rect), c.meets) << c.rect.left << "," << c.rect.top;
    }
    const CRectList none;
    CDrawInfo empty(nullptr, &none);
    EXPECT_FALSE(empty.IntersectsUpdate(CTevRect{0, 0, 100, 100}));

    // Without a list the clip region decides.
    CMemoryCanvas canvas(50, 50, kWhite);
    ::IntersectClipRect(canvas.GetDC(), 0, 0, 20, 20);
    CDrawInfo clipped(canvas.GetDC(), nullptr);
    EXPECT_TRUE(clipped.IntersectsUpdate(CTevRect{10, 10, 30, 30}));
    EXPECT_FALSE(clipped.IntersectsUpdate(CTevRect{25, 25, 30, 30}));

    // A region of two separate rectangles gives both; an empty one nothing.
    HRGN region = ::CreateRectRgn(0, 0, 10, 10);
    HRGN second = ::CreateRectRgn(20, 30, 25, 40);
    ::CombineRgn(region, region, second, RGN_OR);
    CRectList rects{CTevRect{1, 2, 3, 4}};
    GetRegionRects(region, rects);
    ASSERT_EQ(rects.size(), 3u);
    EXPECT_EQ(rects[0], (CTevRect{1, 2, 3, 4}));
    EXPECT_EQ(rects[1], (CTevRect{0, 0, 10, 10}));
    EXPECT_EQ(rects[2], (CTevRect{20, 30, 25, 40}));
    HRGN emptyRegion = ::CreateRectRgn(0, 0, 0, 0);
    GetRegionRects(emptyRegion, rects);
    EXPECT_EQ(rects.size(), 3u);
    ::DeleteObject(region);
    ::DeleteObject(second);
    ::DeleteObject(emptyRegion);
}
