// The shipped panels painted with the shell's GDI drawing services. One
// full paint of the KappaEdit main window (every control, every rect
// invalid, into an off-screen bitmap as the frame paints) must stay well
// within one frame of a 60 Hz screen. And in both programs every text a
// list, a text display or the patch name shows, for every step of its
// value, fits the box it is drawn in, measured in its text writer's font.
#include "Services.h"

#include "controls/TevControl.h"
#include "graphics/DrawInfo.h"
#include "graphics/StateBitmap.h"
#include "graphics/TextWriter.h"
#include "views/TevPanel.h"

#include "support/ViewTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// Records each text it draws with the width it takes in the writer's font.
class CMeasuringTextWriter : public CTextWriter {
public:
    struct SDrawn {
        CTevRect rect;
        std::string text;
        int width = 0;
    };

    void DrawText(CTevDrawInfo& drawInfo, const CTevRect& rect, const std::string& text) override
    {
        HDC dc = ::CreateCompatibleDC(nullptr);
        HGDIOBJ previous = ::SelectObject(dc, GetFont());
        SIZE extent{};
        ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        ::SelectObject(dc, previous);
        ::DeleteDC(dc);
        drawn.push_back({rect, text, extent.cx});
        CTextWriter::DrawText(drawInfo, rect, text);
    }

    static inline std::vector<SDrawn> drawn;
};

class CMeasuringResourceFactory : public CResourceFactory {
public:
    std::unique_ptr<CTevTextWriter> CreateTextWriter() override { return std::make_unique<CMeasuringTextWriter>(); }
};

using PanelPaintTest = CManagerTest;

// Every control of every open panel.
void ForEachOpenControl(const CTevPanel& panel, const std::function<void(CTevControl&)>& visit)
{
    if (!panel.IsOpen())
        return;
    for (const auto& child : panel.GetChildPanels())
        ForEachOpenControl(*child, visit);
    for (const auto& control : panel.GetChildControls())
        visit(*control);
}

// Shows every step of every list's, display's and edit's value in every
// skin, draws the control and checks each drawn text against its box.
void ExpectEveryTextFits(CTevManager& manager, const std::string& folder, const std::string& script)
{
    manager.m_resourceManager.SetFactory(std::make_unique<CMeasuringResourceFactory>());
    manager.m_viewManager.SetViewFactory(std::make_unique<CQuietViewFactory>());
    SetBitmapFolder(folder);
    std::ifstream file(folder + script);
    ASSERT_TRUE(file) << folder + script;
    ASSERT_TRUE(manager.ReadScript(file) && manager.Create());
    CTevViewManager& views = manager.m_viewManager;
    ASSERT_TRUE(views.OpenRootPanel("main"));
    auto set = [&](const std::function<void()>& change) {
        change();
        manager.DispatchChanges();
        manager.ClearChanges();
    };
    set([&] { manager.SetIntegerValue(manager.FindValue("vs.misc.effects"), 1); });
    ASSERT_TRUE(views.FindRootPanel("Effects")->IsOpen());

    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 1024, 1024);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ previous = ::SelectObject(dc, bitmap);
    const CRectList everything{CTevRect(0, 0, 1024, 1024)};
    CDrawInfo paint(dc, &everything);
    // A name's twelve characters, all of a wide capital: wider than a name
    // of words.
    const std::string longName = "MMMMMMMMMMMM";
    int texts = 0;
    // Every skin the script's skin value has.
    CTevValue* skinValue = manager.FindValue("vs.misc.skin");
    ASSERT_NE(skinValue, nullptr);
    for (int32_t skin = 0; skin < skinValue->GetSpec()->GetCount(); ++skin) {
        set([&] { manager.SetValueByIndex(skinValue, skin); });
        std::vector<CTevControl*> shown;
        for (size_t i = 0; i < views.GetRootPanelCount(); ++i)
            ForEachOpenControl(*views.GetRootPanel(i), [&](CTevControl& control) {
                const std::string type = control.GetTypeName();
                if (type == "combo" || type == "edit" || type == "staticText")
                    shown.push_back(&control);
            });
        for (CTevControl* control : shown) {
            CTevValue* value = control->GetValue(-1);
            ASSERT_NE(value, nullptr) << control->GetPath();
            const bool text = value->GetKind() == 1;
            const int32_t steps = text ? 1 : value->GetSpec()->GetCount();
            const int32_t was = text ? 0 : value->GetIndex();
            for (int32_t step = 0; step < steps; ++step) {
                set([&] {
                    if (text)
                        manager.SetStringValue(value, longName);
                    else
                        manager.SetValueByIndex(value, step);
                });
                CMeasuringTextWriter::drawn.clear();
                control->Draw(paint);
                for (const auto& drawn : CMeasuringTextWriter::drawn) {
                    ++texts;
                    // A pixel of the box's colour on either side.
                    EXPECT_LE(drawn.width, drawn.rect.Width() - 2)
                        << control->GetPath() << " shows \"" << drawn.text << "\"";
                }
            }
            // The skin and the effects window stay as they were for the
            // controls after this one.
            if (!text)
                set([&] { manager.SetValueByIndex(value, was); });
        }
    }
    EXPECT_GT(texts, 100);
    ::SelectObject(dc, previous);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
}

TEST_F(PanelPaintTest, EveryKappaEditTextFitsItsBox)
{
    ExpectEveryTextFits(Manager(), TEV_PAINT_SCRIPT_FOLDER, "KappaEditScript.xml");
}

TEST_F(PanelPaintTest, EverySigmaEditTextFitsItsBox)
{
    ExpectEveryTextFits(Manager(), TEV_PAINT_SIGMA_SCRIPT_FOLDER, "SigmaEditScript.xml");
}

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
