// One full paint of the shipped KappaEdit main window with the shell's GDI
// drawing services: every control of the panel (knobs, lists, the patch
// name, the curve displays), every rect invalid, into an off-screen bitmap
// as the frame paints. A paint must stay well within one frame of a 60 Hz
// screen.
#include "Services.h"

#include "graphics/DrawInfo.h"
#include "graphics/StateBitmap.h"

#include "support/ViewTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

namespace {

// The root panel is painted directly; it needs a window that shows nothing.
class CQuietWindow : public ITevPanelWindow {
public:
    void SetCapture(bool) override {}
    CTevPoint ClientToScreen(const CTevPoint& point) const override { return point; }
    void Invalidate(const CTevRect&) override {}
};

class CQuietViewFactory : public CViewFactory {
public:
    std::unique_ptr<ITevPanelWindow> CreatePanelWindow(CTevRootPanel&) override
    {
        return std::make_unique<CQuietWindow>();
    }
};

using PanelPaintTest = CManagerTest;

TEST_F(PanelPaintTest, TheShippedMainWindowPaintsWithinAFrame)
{
    Manager().m_resourceManager.SetFactory(std::make_unique<CResourceFactory>());
    Manager().m_viewManager.SetViewFactory(std::make_unique<CQuietViewFactory>());
    SetBitmapFolder(TEV_PAINT_SCRIPT_FOLDER);
    std::ifstream script(std::string(TEV_PAINT_SCRIPT_FOLDER) + "KappaEditScript.xml");
    ASSERT_TRUE(script);
    ASSERT_TRUE(Manager().ReadScript(script) && Manager().Create()) << Errors();
    ASSERT_TRUE(Manager().m_viewManager.OpenRootPanel("main")) << Errors();
    CTevRootPanel* main = Manager().m_viewManager.FindRootPanel("main");
    ASSERT_NE(main, nullptr);
    const CTevRect whole = main->GetRect();

    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, whole.Width(), whole.Height());
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ previous = ::SelectObject(dc, bitmap);
    const CRectList everything{whole};
    CDrawInfo paint(dc, &everything);

    main->Draw(paint); // bitmaps load on first use
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    ::QueryPerformanceFrequency(&frequency);
    const int paints = 50;
    ::QueryPerformanceCounter(&start);
    for (int i = 0; i < paints; ++i)
        main->Draw(paint);
    ::GdiFlush();
    ::QueryPerformanceCounter(&end);
    const double ms = double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart) / paints;
    std::printf("full paint of the KappaEdit main window: %.3f ms\n", ms);
    RecordProperty("paint_us", static_cast<int>(ms * 1000));
    EXPECT_LT(ms, 16.0);

    // The curves were drawn: the first LFO's background colour is there.
    const COLORREF background = ::GetPixel(dc, 226, 22);
    EXPECT_EQ(background, RGB(0x2B, 0x13, 0x58));

    ::SelectObject(dc, previous);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
}

} // namespace
