// Resizable dialogs on real templates: the template parsed in both forms and
// never read past its end, controls placed by their anchors, the minimum
// size, the size grip, and size and place kept in the profile; and a plain
// modal dialog run by the layer and ended by a robot.
#include "appkit/Dialog.h"
#include "appkit/ScreenArea.h"
#include "appkit/WinApp.h"
#include "dialogs/ResizeDlg.h"

#include "support/WindowsTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

const UINT kList = 4114;

class CWriteLikeDialog : public GP::CResizeDlg {
public:
    explicit CWriteLikeDialog(UINT templateId) : CResizeDlg(templateId, nullptr, true) {}
    void GetPlacementProfile(std::string& section, std::string& key) override
    {
        section = "Window";
        key = "WriteEntityDialogSize";
    }
    void Layout(int, int) override
    {
        GP::CResizeLayout layout(*this, GetTemplate());
        layout.Place(kList, GP::kAnchorLeft | GP::kAnchorRight | GP::kAnchorTop | GP::kAnchorBottom);
        layout.Place(IDOK, GP::kAnchorRight | GP::kAnchorTop);
        layout.Place(IDCANCEL, GP::kAnchorRight | GP::kAnchorTop);
    }
};

RECT ChildRect(CWnd& dialog, int id)
{
    RECT rect{};
    ::GetWindowRect(dialog.GetDlgItemHandle(id), &rect);
    dialog.ScreenToClient(&rect);
    return rect;
}

RECT Client(CWnd& dialog)
{
    RECT rect{};
    dialog.GetClientRect(&rect);
    return rect;
}

std::vector<uint8_t> TemplateBytes(UINT id)
{
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    const HRSRC resource = ::FindResourceA(instance, MAKEINTRESOURCEA(id), reinterpret_cast<LPCSTR>(RT_DIALOG));
    const auto* bytes = static_cast<const uint8_t*>(::LockResource(::LoadResource(instance, resource)));
    return std::vector<uint8_t>(bytes, bytes + ::SizeofResource(instance, resource));
}

}  // namespace

TEST(ResizeDialog, TemplatesParsedInBothFormsAndBoundedByTheirSize)
{
    for (UINT id : {4110u, 4111u}) {
        GP::CDlgTempl parsed;
        ASSERT_TRUE(parsed.Load(id)) << id;
        EXPECT_EQ(parsed.IsExtended(), id == 4111u);
        const RECT dialog = parsed.GetRect();
        EXPECT_EQ(dialog.right - dialog.left, 178);
        EXPECT_EQ(dialog.bottom - dialog.top, 218);
        const GP::CDlgTempl::CDlgItemTempl* list = parsed.FindItem(kList);
        ASSERT_NE(list, nullptr);
        const RECT item = list->GetRect();
        EXPECT_EQ(item.left, 10);
        EXPECT_EQ(item.top, 15);
        EXPECT_EQ(item.right, 120);
        EXPECT_EQ(item.bottom, 205);
        ASSERT_NE(parsed.FindItem(IDCANCEL), nullptr);
        EXPECT_EQ(parsed.FindItem(IDCANCEL)->GetRect().left, 130);
        // The static has id -1 (0xFFFF) and no other item shares an id.
        EXPECT_EQ(parsed.GetItemCount(), 4u);
        EXPECT_EQ(parsed.FindItem(999), nullptr);

        // Every truncation is refused without reading past the end.
        const std::vector<uint8_t> bytes = TemplateBytes(id);
        for (size_t size = 0; size + 1 < bytes.size(); ++size) {
            const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
            GP::CDlgTempl truncated;
            EXPECT_FALSE(truncated.Parse(cut.data(), cut.size())) << id << " cut at " << size;
            EXPECT_EQ(truncated.FindItem(kList), nullptr);
        }
    }
    GP::CDlgTempl missing;
    EXPECT_FALSE(missing.Load(4999));
}

TEST(ResizeDialog, AnchorsMinimumSizeGripAndRememberedPlacement)
{
    CWinApp app("TevResizeTest");
    app.SetRegistryKey("TevTests");
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\TevTests");
    RECT created{};
    {
        CWriteLikeDialog dialog(4110);
        ASSERT_TRUE(dialog.Create(4110, nullptr));
        dialog.ShowWindow(SW_SHOW);
        ASSERT_TRUE(dialog.IsInitialised());
        dialog.GetWindowRect(&created);
        EXPECT_EQ(dialog.GetMinWidth(), created.right - created.left);
        EXPECT_EQ(dialog.GetMinHeight(), created.bottom - created.top);
        const RECT client0 = Client(dialog);
        const RECT ok0 = ChildRect(dialog, IDOK);
        ASSERT_NE(dialog.GetSizeGrip(), nullptr);
        // The list as the layout places it (the template's own placement
        // may round its right edge differently by a pixel).
        dialog.MoveWindow(created.left, created.top, created.right - created.left, created.bottom - created.top + 1);
        dialog.MoveWindow(created.left, created.top, created.right - created.left, created.bottom - created.top);
        const RECT list0 = ChildRect(dialog, kList);

        // Larger: OK keeps its distance to the right edge and its size; the
        // list grows both ways; the grip sits in the corner.
        dialog.MoveWindow(created.left, created.top, created.right - created.left + 100,
                          created.bottom - created.top + 60);
        const RECT client1 = Client(dialog);
        const RECT ok1 = ChildRect(dialog, IDOK);
        const RECT list1 = ChildRect(dialog, kList);
        EXPECT_EQ(client1.right - ok1.right, client0.right - ok0.right);
        EXPECT_EQ(ok1.right - ok1.left, ok0.right - ok0.left);
        EXPECT_EQ(ok1.top, ok0.top);
        EXPECT_EQ(list1.left, list0.left);
        EXPECT_EQ(list1.right - list0.right, 100);
        EXPECT_EQ(list1.bottom - list0.bottom, 60);
        RECT grip = ChildRect(dialog, GP::CResizeDlg::kSizeGripId);
        EXPECT_EQ(grip.right, client1.right);
        EXPECT_EQ(grip.bottom, client1.bottom);

        // Smaller than the template: the layout never places controls for a
        // client area smaller than the one created, so OK stays where it was
        // and inside the dialog.
        MINMAXINFO limits{};
        dialog.SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
        EXPECT_EQ(limits.ptMinTrackSize.x, dialog.GetMinWidth());
        EXPECT_EQ(limits.ptMinTrackSize.y, dialog.GetMinHeight());
        dialog.MoveWindow(created.left, created.top, dialog.GetMinWidth(), dialog.GetMinHeight());
        const RECT okMin = ChildRect(dialog, IDOK);
        EXPECT_EQ(okMin.right, ok0.right);
        EXPECT_LE(okMin.right, Client(dialog).right);

        // Moved partly off the screen and made larger, then closed: the
        // rectangle goes to the profile.
        dialog.MoveWindow(-50, 20, created.right - created.left + 40, created.bottom - created.top + 30);
        dialog.DestroyWindow();
    }
    const std::string stored = app.GetProfileString("Window", "WriteEntityDialogSize", "");
    const int width = static_cast<int>(created.right - created.left) + 40;
    const int height = static_cast<int>(created.bottom - created.top) + 30;
    EXPECT_EQ(stored, "-50,20," + std::to_string(-50 + width) + "," + std::to_string(20 + height));
    {
        // Reopened: the size comes back, moved onto the screen.
        CWriteLikeDialog dialog(4110);
        ASSERT_TRUE(dialog.Create(4110, nullptr));
        RECT reopened{};
        dialog.GetWindowRect(&reopened);
        EXPECT_EQ(reopened.left, 0);
        EXPECT_EQ(reopened.top, 20);
        EXPECT_EQ(reopened.right - reopened.left, width);
        EXPECT_EQ(reopened.bottom - reopened.top, height);
        dialog.DestroyWindow();
    }
    // A stored rectangle smaller than the template grows to it.
    app.WriteProfileString("Window", "WriteEntityDialogSize", "10,10,20,20");
    {
        CWriteLikeDialog dialog(4111);
        ASSERT_TRUE(dialog.Create(4111, nullptr));
        RECT reopened{};
        dialog.GetWindowRect(&reopened);
        EXPECT_EQ(reopened.left, 10);
        EXPECT_EQ(reopened.right - reopened.left, dialog.GetMinWidth());
        EXPECT_EQ(reopened.bottom - reopened.top, dialog.GetMinHeight());
        dialog.DestroyWindow();
    }
    ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\TevTests");
}

TEST(ResizeDialog, ScreenClamping)
{
    const RECT screen{0, 0, 1280, 1024};
    const struct {
        RECT in;
        RECT out;
    } cases[] = {
        {{100, 100, 300, 200}, {100, 100, 300, 200}},   {{-50, 20, 150, 120}, {0, 20, 200, 120}},
        {{1200, 1000, 1300, 1100}, {1180, 924, 1280, 1024}}, {{-10, -10, 2000, 1500}, {0, 0, 1280, 1024}},
        {{500, 10, 2500, 100}, {0, 10, 1280, 100}},
    };
    for (const auto& c : cases) {
        const RECT out = ClampRectToScreen(c.in, screen);
        EXPECT_TRUE(::EqualRect(&out, &c.out)) << c.in.left << "," << c.in.top << " -> " << out.left << ","
                                                << out.top << "," << out.right << "," << out.bottom;
    }
    // A window keeps its size: one larger than the work area (here below a
    // task bar) keeps its top-left corner in it.
    const RECT work{0, 40, 1280, 1024};
    const struct {
        int64_t x, y;
        LONG width, height;
        LONG atX, atY;
    } fits[] = {{500, 10, 2000, 1500, 0, 40}, {-3000, 2000, 2000, 100, 0, 924}};
    for (const auto& f : fits) {
        const POINT at = FitIntoArea(f.x, f.y, f.width, f.height, work);
        EXPECT_EQ(at.x, f.atX) << f.x;
        EXPECT_EQ(at.y, f.atY) << f.y;
    }
}

TEST(ResizeDialog, PlainModalDialogEndedByARobot)
{
    CWinApp app("TevModalDialogTest");
    class CNameDialog : public CDialog {
    public:
        CNameDialog() : CDialog(201) {}
        std::string typed;
        bool initialised = false;
        BOOL OnInitDialog() override
        {
            initialised = true;
            SetDlgItemText(300, "start");
            return CDialog::OnInitDialog();
        }
        void OnOK() override
        {
            typed = GetDlgItemText(300);
            CDialog::OnOK();
        }
    };
    CNameDialog dialog;
    CRobot robot;
    robot.Then("#32770", "Plain", [](HWND window) {
        ::SendMessageA(::GetDlgItem(window, 300), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("typed"));
        CRobot::PressButton(window, IDOK);
    });
    robot.Start();
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(robot.Finish());
    EXPECT_TRUE(dialog.initialised);
    EXPECT_EQ(dialog.typed, "typed");
    EXPECT_EQ(dialog.GetSafeHwnd(), nullptr);
    EXPECT_EQ(FindProcessWindow("#32770", "Plain"), nullptr);
    // The same object runs again; Cancel ends it.
    CRobot again;
    again.Then("#32770", "Plain", [](HWND window) { CRobot::PressButton(window, IDCANCEL); });
    again.Start();
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(again.Finish());
}
