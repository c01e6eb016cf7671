// Timed run under Wine: one full paint of a panel of 100 knob cells and 20
// texts through the Windows drawing services, the way a frame paints: the
// update region as rectangles, a memory bitmap of the client size, every
// view asking the draw info first, then one copy to the window's context.
//   paint_benchmark.exe [paints]     (default 500)
// Prints the time per paint; fails only when the drawing itself fails.
#include "graphics/DrawInfo.h"
#include "graphics/StateBitmap.h"
#include "graphics/TextWriter.h"
#include "../../tests/platform/windows/support/BitmapFile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const int kCell = 48;
const int kStates = 101;
const int kColumns = 10;
const int kWidth = 800;
const int kHeight = 700;

bool WriteStrip(const std::string& path)
{
    // Each state cell with its mask cell to the right.
    return WriteBitmapFile(path, kCell * 2, kCell * kStates, [](int x, int y) {
        const bool mask = x >= kCell;
        const double dx = (x % kCell) - 23.5;
        const double dy = (y % kCell) - 23.5;
        const bool inside = dx * dx + dy * dy < 21 * 21;
        const unsigned char value = mask ? (inside ? 0 : 255) : (inside ? static_cast<unsigned char>(80 + y % 150) : 0);
        return RGB(value, value, value);
    });
}

}  // namespace

int main(int argc, char** argv)
{
    const int paints = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    char folder[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, folder);
    SetBitmapFolder(std::string(folder) + "\\");
    if (!WriteStrip(std::string(folder) + "\\bench-knob.bmp")) {
        std::printf("cannot write the knob strip\n");
        return 1;
    }

    // A state bitmap as the framework reads it: states stacked vertically,
    // each with its mask cell.
    CStateBitmap knob;
    CTevElementDefinition definition;
    definition.pairs = {{"stateCount", std::to_string(kStates)}, {"direction", "0"}, {"mask", "1"}};
    knob.SetName("bench-knob");
    if (!knob.ReadDefinition(definition) || !knob.Acquire()) {
        std::printf("cannot load the knob strip\n");
        return 1;
    }
    CTextWriter writer;
    CTevTextWriter::CAttributes attributes;
    attributes.fontFaceName = "Arial";
    attributes.fontHeight = 13;
    if (!writer.CreateFont(attributes)) {
        std::printf("cannot make the font\n");
        return 1;
    }

    const HWND window = ::CreateWindowExA(0, "STATIC", "paint", WS_POPUP, 0, 0, kWidth, kHeight, nullptr, nullptr,
                                          nullptr, nullptr);
    const HDC windowDc = ::GetDC(window);
    HRGN region = ::CreateRectRgn(0, 0, kWidth, kHeight);
    long drawnCells = 0;

    LARGE_INTEGER frequency{};
    LARGE_INTEGER start{};
    LARGE_INTEGER end{};
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    for (int paint = 0; paint < paints; ++paint) {
        CRectList rects;
        GetRegionRects(region, rects);
        const HDC memory = ::CreateCompatibleDC(windowDc);
        const HBITMAP bitmap = ::CreateCompatibleBitmap(windowDc, kWidth, kHeight);
        const HGDIOBJ previous = ::SelectObject(memory, bitmap);
        ::IntersectClipRect(memory, 0, 0, kWidth, kHeight);
        CDrawInfo info(memory, &rects);
        for (int i = 0; i < 100; ++i) {
            const CTevPoint at{10 + (i % kColumns) * 78, 10 + (i / kColumns) * 56};
            const CTevRect rect{at.x, at.y, at.x + kCell, at.y + kCell};
            if (info.IntersectsUpdate(rect)) {
                knob.DrawState(info, at, (i + paint) % kStates);
                ++drawnCells;
            }
        }
        for (int i = 0; i < 20; ++i) {
            const CTevRect rect{10 + (i % 5) * 150, 580 + (i / 5) * 28, 150 + (i % 5) * 150, 600 + (i / 5) * 28};
            if (info.IntersectsUpdate(rect)) {
                writer.DrawText(info, rect, "Cutoff " + std::to_string(i + paint % 100));
            }
        }
        ::BitBlt(windowDc, 0, 0, kWidth, kHeight, memory, 0, 0, SRCCOPY);
        ::SelectObject(memory, previous);
        ::DeleteObject(bitmap);
        ::DeleteDC(memory);
    }
    ::QueryPerformanceCounter(&end);
    const double milliseconds = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                                static_cast<double>(frequency.QuadPart) / paints;
    std::printf("paint of 100 knob cells and 20 texts: %.3f ms per paint (%d paints)\n", milliseconds, paints);
    ::DeleteObject(region);
    ::ReleaseDC(window, windowDc);
    ::DestroyWindow(window);
    return drawnCells == 100L * paints ? 0 : 1;
}
