// The shipped script's panels against their painted artwork: the artwork
// tool reads every panel and control where the program builds it (so its
// plates, labels and display boxes are painted under them), and every
// control loads its bitmaps from the painted Script folder; the player's
// parameters are all on the panels; the skin value switches the faces; the
// effects window opens from its list on the main window and closes by
// writing its value back.
#include "EditionTestSupport.h"

#include "artwork/Layout.h"
#include "artwork/Skins.h"
#include "controls/TevEnvelope.h"
#include "controls/TevKnob.h"
#include "controls/TevLfo.h"
#include "controls/TevPopComboControl.h"
#include "views/TevPanel.h"
#include "views/TevViewManager.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

art::Edition Painted()
{
    art::Edition edition;
    std::string errors;
    EXPECT_TRUE(art::ReadEditionFile(TEV_ARTWORK_EDITION, TEV_EDITION_SCRIPT_PATH, edition, errors)) << errors;
    return edition;
}

class CPanelsTest : public CEditionTest {
protected:
    static CTevViewManager& Views() { return Manager().m_viewManager; }

    static CTevPanel* Panel(const std::string& path)
    {
        CTevPanel* panel = nullptr;
        for (size_t i = 0; i < Views().GetRootPanelCount(); ++i)
            if (Views().GetRootPanel(i)->FindPanel(path, panel))
                return panel;
        return nullptr;
    }
    static CTevControl* Control(const std::string& path)
    {
        CTevControl* control = nullptr;
        for (size_t i = 0; i < Views().GetRootPanelCount(); ++i)
            if (Views().GetRootPanel(i)->FindControl(path, control))
                return control;
        return nullptr;
    }
    // Every control of every root panel.
    static void ForEachControl(const std::function<void(CTevControl&)>& visit)
    {
        std::function<void(const CTevPanel&)> walk = [&](const CTevPanel& panel) {
            for (const auto& child : panel.GetChildPanels())
                walk(*child);
            for (const auto& control : panel.GetChildControls())
                visit(*control);
        };
        for (size_t i = 0; i < Views().GetRootPanelCount(); ++i)
            walk(*Views().GetRootPanel(i));
    }
    static bool IsCurve(const CTevControl& control)
    {
        const std::string type = control.GetTypeName();
        return type == "envelope" || type == "lfo" || type == "bias" || type == "fadeRange";
    }
    // The path of the window's face that the skin value shows
    // ("main.classic"); empty when none is open.
    static std::string ShownFace(const std::string& window)
    {
        for (const auto& face : Views().FindRootPanel(window)->GetChildPanels())
            if (face->IsOpen())
                return face->GetPath();
        return "";
    }
    static CTevRect RectOf(const art::Rect& r) { return CTevRect(r.left, r.top, r.right, r.bottom); }
    // The number of controls in a panel and the panels inside it.
    static size_t CountControls(const CTevPanel& panel)
    {
        size_t count = panel.GetChildControls().size();
        for (const auto& child : panel.GetChildPanels())
            count += CountControls(*child);
        return count;
    }
    // One control as the artwork paints it against the control the program
    // builds.
    static void ExpectControl(const std::string& face, const art::Item& item, const art::Skin& skin)
    {
        SCOPED_TRACE(face + "." + item.path);
        CTevControl* control = Control(face + "." + item.path);
        ASSERT_NE(control, nullptr);
        if (item.rect.Empty()) {
            // Sized by itself (the keyboard by its keys): the place must agree.
            EXPECT_EQ(control->GetRect().left, item.rect.left);
            EXPECT_EQ(control->GetRect().top, item.rect.top);
        } else {
            EXPECT_EQ(control->GetRect(), RectOf(item.rect));
        }
        if (auto* knob = dynamic_cast<CTevKnobControl*>(control)) {
            ASSERT_NE(knob->GetBitmap(), nullptr);
            EXPECT_EQ(knob->GetBitmap()->GetName(), art::KnobBitmapName(skin, item.kind));
        }
        if (auto* list = dynamic_cast<CTevPopComboControl*>(control); list && list->GetStringTable()) {
            // A list names every step of its value.
            EXPECT_EQ(list->GetStringTable()->GetCount(), control->GetValue(-1)->GetSpec()->GetCount());
        }
    }
};

TEST_F(CPanelsTest, TheArtworkReadsEveryControlWhereTheProgramPutsIt)
{
    ASSERT_TRUE(LoadShippedScript()) << Errors();
    const art::Edition painted = Painted();
    ASSERT_EQ(Views().GetRootPanelCount(), painted.windows.size());
    for (const art::Window& window : painted.windows) {
        CTevRootPanel* root = Views().FindRootPanel(window.name);
        ASSERT_NE(root, nullptr) << window.name;
        const CTevRect whole(0, 0, window.width, window.height);
        EXPECT_EQ(root->GetRect(), whole);
        // A face for each of the program's faces whose skin the tool paints
        // (a skin drawn wholly by its author is not the tool's to read).
        size_t paintable = 0, index = 0;
        for (const auto& face : root->GetChildPanels())
            paintable += art::FindSkin(face->GetName(), index);
        ASSERT_EQ(window.faces.size(), paintable) << window.name;
        ASSERT_GT(paintable, 0u) << window.name << " has no face of a skin the tool paints: nothing of it is checked";
        for (const art::Face& face : window.faces) {
            const art::Skin& skin = art::Skins()[face.skin];
            const std::string path = window.name + "." + skin.name;
            CTevPanel* facePanel = Panel(path);
            ASSERT_NE(facePanel, nullptr) << path;
            EXPECT_EQ(facePanel->GetRect(), whole);
            ASSERT_NE(facePanel->GetBitmap(), nullptr);
            EXPECT_EQ(facePanel->GetBitmap()->GetName(), face.bitmap);
            size_t items = face.header.size();
            for (const art::Item& item : face.header)
                ExpectControl(path, item, skin);
            for (const art::Section& section : face.sections) {
                CTevPanel* sectionPanel = Panel(path + "." + section.name);
                ASSERT_NE(sectionPanel, nullptr) << path << "." << section.name;
                EXPECT_EQ(sectionPanel->GetRect(), RectOf(section.rect));
                items += section.items.size();
                for (const art::Item& item : section.items)
                    ExpectControl(path, item, skin);
            }
            EXPECT_EQ(items, CountControls(*facePanel)) << path;
        }
    }
}

// The player's parameters: every sound parameter paired with a controller
// and the patch name have a control on some panel.
TEST_F(CPanelsTest, EverySoundParameterAndThePatchNameHaveAControl)
{
    ASSERT_TRUE(LoadShippedScript()) << Errors();
    std::vector<std::string> paths{"ms.tmp.common.patchName"};
    for (const Edition::SSoundParameter& parameter : Edition::kEditionData.soundParameters)
        paths.push_back(parameter.path);
    for (const std::string& path : paths) {
        const CTevValue* value = Manager().FindValue(path);
        ASSERT_NE(value, nullptr) << path;
        int shown = 0;
        ForEachControl([&](CTevControl& control) {
            // The curve displays only show what the knobs change.
            if (IsCurve(control))
                return;
            for (const CTevValueRef& ref : control.GetValueRefs())
                shown += ref.GetValue() == value;
        });
        // Once per skin of the script's table.
        EXPECT_EQ(shown, static_cast<int>(Accessor().GetSkinNames().size())) << path;
    }
}

// The skin value shows one face at a time, with its sections: at each skin
// of the script's table, the face whose condition opens there (as the
// artwork reads the conditions for the skin picture); the effects window
// opens when its list on the main window says so and closes by writing its
// value back.
TEST_F(CPanelsTest, SkinsSwitchFacesAndTheEffectsWindowOpensAndCloses)
{
    LoadAndStart();
    ASSERT_TRUE(Views().OpenRootPanel("main"));
    const std::vector<std::string> skins = Painted().skinCells;
    ASSERT_EQ(skins.size(), Accessor().GetSkinNames().size());
    ASSERT_FALSE(skins.empty()) << "the script names no skin";
    for (size_t shown = skins.size(); shown-- > 0;) {
        SCOPED_TRACE(shown);
        Accessor().SetSkin(static_cast<int32_t>(shown));
        EXPECT_EQ(ShownFace("main"), "main." + skins[shown]);
        for (const auto& face : Views().FindRootPanel("main")->GetChildPanels()) {
            EXPECT_EQ(face->IsOpen(), face->GetName() == skins[shown]) << face->GetName();
            for (const auto& section : face->GetChildPanels())
                EXPECT_EQ(section->IsOpen(), face->IsOpen()) << section->GetPath();
        }
    }

    CTevRootPanel* effects = Views().FindRootPanel("Effects");
    ASSERT_NE(effects, nullptr);
    EXPECT_FALSE(effects->IsOpen());
    auto* list = dynamic_cast<CTevPopComboControl*>(Control("main." + skins[0] + ".view.effects"));
    ASSERT_NE(list, nullptr);
    list->SetValueIndex(1);
    EXPECT_TRUE(effects->IsOpen());
    EXPECT_EQ(ShownFace("Effects"), "Effects." + skins[0]);
    for (const auto& face : effects->GetChildPanels())
        EXPECT_EQ(face->IsOpen(), face->GetName() == skins[0]) << face->GetName();
    effects->RequestClose();
    EXPECT_FALSE(effects->IsOpen());
    EXPECT_EQ(Value("vs.misc.effects")->GetInteger(), 0);
    // The view state never reaches the device.
    EXPECT_TRUE(module.GetReceived().empty());
}

// A note whose note off the device refuses for good: the release tries it
// twice (at once, and once more after the box about it), a skin change,
// which closes its keyboard, once, and the end of the program not again.
TEST_F(CPanelsTest, ANoteOffTheDeviceRefusesIsTriedOnceByEachCloseOfItsKeyboard)
{
    // The skin is saved in a folder of the test's own.
    Manager().SetFolder(MakeTestFolder() + "/");
    LoadAndStart();
    ASSERT_TRUE(Views().OpenRootPanel("main"));
    CTevControl* keys = Control(ShownFace("main") + ".player.keys");
    ASSERT_NE(keys, nullptr);
    CTevMouseInfo press(CTevMouseInfo::kButtonDown, keys->GetRect().left + 2, keys->GetRect().top + 10, 0);
    CTevMouseInfo release(CTevMouseInfo::kButtonUp, keys->GetRect().left + 2, keys->GetRect().top + 10, 0);
    ASSERT_TRUE(keys->OnMouse(press));
    const std::vector<uint8_t> on = outDevice->sent.back();
    ASSERT_EQ(on[0] & 0xF0, 0x90);
    const std::vector<uint8_t> off{static_cast<uint8_t>(0x80 | (on[0] & 0x0F)), on[1], on[2]};
    outDevice->result = false;
    auto tries = [&] { return std::count(outDevice->sent.begin(), outDevice->sent.end(), off); };
    ASSERT_TRUE(keys->OnMouse(release));
    EXPECT_EQ(tries(), 2);
    Accessor().SetSkin(1);
    EXPECT_FALSE(keys->IsOpen());
    EXPECT_EQ(tries(), 3);
    Accessor().Terminate();
    EXPECT_EQ(tries(), 3);
}

// A click on the patch name, a typed name: the device receives it padded to
// its twelve characters, and the panel shows it.
TEST_F(CPanelsTest, TheTypedPatchNameReachesTheDevice)
{
    LoadAndStart();
    ASSERT_TRUE(Views().OpenRootPanel("main"));
    const std::string path = ShownFace("main") + ".patchName";
    auto* edit = dynamic_cast<CTestPopEdit*>(Control(path));
    ASSERT_NE(edit, nullptr);
    CTestPopEdit::typed = "Acid Bass";
    const CTevRect& rect = edit->GetRect();
    CTevMouseInfo click;
    click.x = (rect.left + rect.right) / 2;
    click.y = (rect.top + rect.bottom) / 2;
    EXPECT_TRUE(Views().FindRootPanel("main")->OnMouse(click));
    EXPECT_EQ(CTestPopEdit::opened, 1);
    Deliver();
    const CTevValue* name = Value("ms.tmp.common.patchName");
    EXPECT_EQ(name->GetString(), "Acid Bass   ");
    CSimulatedModule::Bytes stored;
    ASSERT_TRUE(module.ReadMemory(name->GetAbsoluteRange().begin, 12, stored));
    EXPECT_EQ(std::string(stored.begin(), stored.end()), "Acid Bass   ");
    EXPECT_EQ(edit->GetText(), "Acid Bass   ");
}

// Every curve display of the shown face lies inside its panel and over no
// other control; every device value that it reads moves the curve when it
// changes, and moves it back when it returns.
TEST_F(CPanelsTest, CurvesFollowTheDeviceValuesTheyShow)
{
    LoadAndStart();
    ASSERT_TRUE(Views().OpenRootPanel("main"));
    auto shape = [](const CTevControl& control) {
        std::vector<CTevPoint> points;
        if (auto* envelope = dynamic_cast<const CTevEnvelopeControl*>(&control))
            points = envelope->GetPoints();
        if (auto* lfo = dynamic_cast<const CTevLfoControl*>(&control)) {
            points = lfo->GetCurve();
            points.push_back({lfo->GetDelayMarkerX(), lfo->GetFadeMarkerX()});
        }
        return points;
    };
    int curves = 0;
    ForEachControl([&](CTevControl& control) {
        // The hidden face follows when it is shown.
        if (!IsCurve(control) || !control.IsOpen())
            return;
        ++curves;
        SCOPED_TRACE(control.GetPath());
        const CTevRect r = control.GetRect();
        const CTevRect outer = control.GetParent()->GetRect();
        EXPECT_TRUE(r.left >= outer.left && r.top >= outer.top && r.right <= outer.right && r.bottom <= outer.bottom);
        ForEachControl([&](CTevControl& other) {
            const CTevRect o = other.GetRect();
            const bool overlaps = o.left < r.right && r.left < o.right && o.top < r.bottom && r.top < o.bottom;
            EXPECT_FALSE(&other != &control && other.IsOpen() && overlaps) << other.GetPath();
        });
        for (const CTevValueRef& ref : control.GetValueRefs()) {
            CTevValue* value = ref.GetValue();
            ASSERT_NE(value, nullptr) << ref.GetName();
            if (ref.GetName().rfind("ms.", 0) != 0)
                continue;
            const int32_t before = value->GetIndex();
            const std::vector<CTevPoint> was = shape(control);
            Manager().SetValueByIndex(value, before == 0 ? value->GetSpec()->GetCount() - 1 : 0);
            Manager().TransmitChanges();
            Manager().DispatchChanges();
            Manager().ClearChanges();
            EXPECT_NE(shape(control), was) << ref.GetName();
            Manager().SetValueByIndex(value, before);
            Manager().TransmitChanges();
            Manager().DispatchChanges();
            Manager().ClearChanges();
            EXPECT_EQ(shape(control), was) << ref.GetName();
        }
    });
    EXPECT_GT(curves, 0);
}

} // namespace
