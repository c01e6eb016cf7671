// The pop combo and pop edit on a model loaded from a script, with the fake
// pop-up menu: the menus they offer (divisions, labels, string tables,
// offsets), the values they send, the places of button and text, the
// creation checks, the clicks that open them, and the typed text committed.
#include "controls/TevPopComboControl.h"
#include "controls/TevPopEditControl.h"

#include "core/TevManager.h"
#include "core/TevResources.h"
#include "core/TevValue.h"
#include "views/TevViewFactory.h"

#include "support/ControlTestSupport.h"
#include "support/FakeDrawing.h"
#include "support/FakePopupMenu.h"
#include "support/FakeResources.h"
#include "support/ManagerTestSupport.h"
#include "support/ModelTestSupport.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char kScript[] = R"(
<stringTable><name>waves</name><table>Saw,Square,Tri</table></stringTable>
<stringTable><name>tens</name><table>0,10,20,30,40,50,60,70</table></stringTable>
<textWriter><name>font</name></textWriter>
<bitmap><name>button</name><stateCount>2</stateCount></bitmap>
<structType><type>Tone</type><name>tone</name>
  <value><name>level</name></value>
  <value><name>wave</name><range>0,5</range><default>0</default></value>
  <value><name>twenty</name><range>0,19</range><default>0</default></value>
  <value><name>odd</name><range>0,32</range><default>0</default></value>
  <value><name>hundred</name><range>0,99</range><default>0</default></value>
  <value><name>label</name><type>string</type><size>0C</size></value>
</structType>
<structType><type>Root</type><name>ms</name><address>10 00 00</address><size>01 00</size>
  <struct><type>Tone</type></struct>
</structType>
<struct><type>Root</type></struct>
)";

// An edit whose pop-up "types" a set text and confirms or cancels it.
class CScriptedPopEdit : public CTevPopEditControl {
public:
    void OpenPopup() override
    {
        ++opened;
        pressedWhileOpen = IsPressed();
        if (confirm)
            CommitText(typed);
        ReleaseButton();
        SetActive(false);
    }
    std::string typed;
    bool confirm = true;
    int opened = 0;
    bool pressedWhileOpen = false;
};

class PopControlTest : public CManagerTest {
protected:
    void SetUp() override
    {
        CManagerTest::SetUp();
        auto factory = std::make_unique<CFakeResourceFactory>();
        factory->bitmapImageSize = {16, 32};  // two 16 x 16 states
        Manager().m_resourceManager.SetFactory(std::move(factory));
        auto menu = std::make_unique<CFakePopupMenu>();
        popup = menu.get();
        Manager().SetPopupMenu(std::move(menu));
        std::istringstream stream(kScript);
        ASSERT_TRUE(Manager().ReadScript(stream) && Manager().m_resourceManager.Create() &&
                    Manager().CreateFromDefinitions(&views, &Manager().m_resourceManager))
            << Errors();
        Manager().GetRootStruct("ms")->SetMidiOut(&out);
    }
    void TearDown() override
    {
        if (CTevView* active = CTevView::GetActiveView())
            active->SetActive(false);
        CManagerTest::TearDown();
    }

    // A control at (10, 20), 100 x 30 in the panel (panel at 100, 50), with
    // the font, the value and extra attributes; null on failure.
    template <class T>
    T* Make(const std::string& value, std::initializer_list<CTevPair> extra)
    {
        auto control = std::make_unique<T>();
        CTevPairList attributes{{"name", "pop"}, {"position", "10,20"}, {"size", "100,30"}, {"textWriterRef", "font"}};
        if (!value.empty())
            attributes.push_back({"valueRef", value});
        attributes.insert(attributes.end(), extra.begin(), extra.end());
        if (!control->ReadAttributes(attributes) || !control->Create(&panel))
            return nullptr;
        EXPECT_TRUE(attributes.empty());
        control->Open();
        T* made = control.get();
        controls.push_back(std::move(control));
        return made;
    }
    CTevPopComboControl* Combo(const std::string& value, std::initializer_list<CTevPair> extra = {})
    {
        return Make<CTevPopComboControl>(value, extra);
    }
    CScriptedPopEdit* Edit(const std::string& value, std::initializer_list<CTevPair> extra = {})
    {
        return Make<CScriptedPopEdit>(value, extra);
    }
    CTevValue* Value(const std::string& name) { return Manager().FindValue("ms.tone." + name); }
    static bool Click(CTevPopControl& control, CTevPoint point, int kind = CTevMouseInfo::kButtonDown)
    {
        CTevMouseInfo mouse(kind, point.x, point.y, 0);
        return control.OnMouse(mouse);
    }

    CRecordingMidiOut out;
    CTestParentView panel{CTevPoint{1000, 2000}};
    CFakePopupMenu* popup = nullptr;
    std::vector<std::unique_ptr<CTevControl>> controls;
};

std::vector<std::string> Numbers(int from, int count)
{
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i)
        texts.push_back(std::to_string(from + i));
    return texts;
}

} // namespace

TEST_F(PopControlTest, ComboMenusDivideTheValuesAndLabelTheDivisions)
{
    const struct {
        const char* value;
        std::vector<CTevPair> extra;
        std::vector<std::string> tops;
        std::vector<std::string> leaves;
    } cases[] = {
        {"level", {}, {"  0...", " 32...", " 64...", " 96..."}, Numbers(0, 128)},
        {"level", {{"offsetValue", "1"}}, {"  1...", " 33...", " 65...", " 97..."}, Numbers(1, 128)},
        {"twenty", {}, Numbers(0, 20), Numbers(0, 20)},
        {"odd", {}, {" 0...", "17..."}, Numbers(0, 33)},
        {"hundred", {}, {" 0...", "25...", "50...", "75..."}, Numbers(0, 100)},
        // The table has fewer entries than the value has steps.
        {"wave", {{"stringTableRef", "waves"}}, {"Saw", "Square", "Tri"}, {"Saw", "Square", "Tri"}},
    };
    for (const auto& c : cases) {
        auto combo = std::make_unique<CTevPopComboControl>();
        CTevPairList attributes{{"name", "c"}, {"position", "10,20"}, {"size", "100,30"}, {"textWriterRef", "font"},
                                {"valueRef", std::string("ms.tone.") + c.value}};
        attributes.insert(attributes.end(), c.extra.begin(), c.extra.end());
        ASSERT_TRUE(combo->ReadAttributes(attributes) && combo->Create(&panel)) << Errors();
        combo->OpenPopup();
        EXPECT_EQ(popup->GetTopTexts(), c.tops) << c.value;
        EXPECT_EQ(popup->GetLeafTexts(), c.leaves) << c.value;
    }
}

TEST_F(PopControlTest, ComboSendsTheChosenItemAndReleasesItsButton)
{
    CTevPopComboControl* combo = Combo("ms.tone.wave", {{"stringTableRef", "waves"}, {"bitmapRef", "button"}});
    ASSERT_NE(combo, nullptr) << Errors();
    CTevValue* wave = Value("wave");
    // Defaults: button in the top-right corner, text to its left.
    EXPECT_EQ(combo->GetButtonPosition(), (CTevPoint{194, 70}));
    EXPECT_EQ(combo->GetTextRect(), (CTevRect{110, 70, 194, 100}));
    EXPECT_EQ(combo->GetText(), "Saw");

    // A click beside the button does not open the menu; one on it does. The
    // menu opens 2 pixels below the text area, the current index marked.
    EXPECT_FALSE(Click(*combo, {150, 80}));
    EXPECT_EQ(popup->GetCallCount(), 0);
    popup->SetChoice(2);
    EXPECT_TRUE(Click(*combo, {200, 75}));
    EXPECT_EQ(popup->GetCallCount(), 1);
    EXPECT_EQ(popup->GetPreselectedIndex(), 0);
    EXPECT_TRUE(popup->HadPoint());
    EXPECT_EQ(popup->GetPoint(), (CTevPoint{1110, 2102}));
    EXPECT_EQ(wave->GetInteger(), 2);
    ASSERT_EQ(out.dataSets.size(), 1u);
    EXPECT_EQ(out.dataSets[0].data, (std::vector<uint8_t>{2}));
    combo->Update();
    EXPECT_EQ(combo->GetText(), "Tri");
    EXPECT_FALSE(combo->IsPressed());
    EXPECT_EQ(CTevView::GetActiveView(), nullptr);

    // The item already selected is sent again; a cancelled menu sends nothing.
    EXPECT_TRUE(Click(*combo, {200, 75}, CTevMouseInfo::kDoubleClick));
    EXPECT_EQ(popup->GetPreselectedIndex(), 2);
    EXPECT_EQ(out.dataSets.size(), 2u);
    popup->SetChoice(-1);
    EXPECT_TRUE(Click(*combo, {200, 75}));
    EXPECT_EQ(out.dataSets.size(), 2u);
    // Releases, moves and points outside are not handled.
    EXPECT_FALSE(Click(*combo, {200, 75}, CTevMouseInfo::kButtonUp));
    EXPECT_FALSE(Click(*combo, {300, 75}));

    // Drawn: the text into its rect, the button released.
    CFakeDrawInfo everything;
    combo->Draw(everything);
    auto* font = static_cast<CFakeTextWriter*>(Manager().m_resourceManager.m_textWriters.FindByName("font"));
    ASSERT_FALSE(font->texts.empty());
    EXPECT_EQ(font->texts.back().text, "Tri");
    EXPECT_EQ(font->texts.back().rect, (CTevRect{110, 70, 194, 100}));
    auto* button = static_cast<CFakeStateBitmap*>(Manager().m_resourceManager.m_bitmaps.FindByName("button"));
    ASSERT_FALSE(button->cells.empty());
    EXPECT_EQ(button->cells.back().position, (CTevPoint{194, 70}));
    EXPECT_EQ(button->cells.back().sourceY, 0);

    // Moving and resizing the control carries text and button along.
    combo->SetRect(CTevRect{120, 80, 230, 120});
    EXPECT_EQ(combo->GetTextRect(), (CTevRect{120, 80, 214, 120}));
    EXPECT_EQ(combo->GetButtonPosition(), (CTevPoint{204, 80}));
}

TEST_F(PopControlTest, PlacesAndCreationChecks)
{
    // The edit puts its button top-left and the text to its right; without a
    // bitmap any click inside opens it.
    CScriptedPopEdit* edit = Edit("ms.tone.label", {{"bitmapRef", "button"}});
    ASSERT_NE(edit, nullptr) << Errors();
    EXPECT_EQ(edit->GetButtonPosition(), (CTevPoint{110, 70}));
    EXPECT_EQ(edit->GetTextRect(), (CTevRect{126, 70, 210, 100}));
    CScriptedPopEdit* plain = Edit("ms.tone.level", {{"textPosition", "5,5"}, {"textSize", "50,12"}});
    ASSERT_NE(plain, nullptr) << Errors();
    EXPECT_EQ(plain->GetTextRect(), (CTevRect{115, 75, 165, 87}));
    EXPECT_TRUE(Click(*plain, {205, 95}));
    EXPECT_EQ(plain->opened, 1);
    EXPECT_TRUE(plain->pressedWhileOpen);
    EXPECT_FALSE(plain->IsPressed());

    const struct {
        bool combo;
        const char* value;
        std::vector<CTevPair> extra;
        const char* message;
    } refused[] = {
        {true, "ms.tone.level", {{"bitmapRef", "button"}, {"buttonPosition", "200,0"}},
         "Button position is invalid for combo. : main.pop\n"},
        {false, "ms.tone.level", {{"textPosition", "5,40"}}, "Text position is invalid for edit. : main.pop\n"},
                // The text would start right of the button: no room is left for it.
        {true, "ms.tone.level", {{"bitmapRef", "button"}, {"textPosition", "90,0"}},
         "Text size is invalid for combo. : main.pop\n"},
        {true, "ms.tone.label", {}, "Referred value type must be integer for combo. : main.pop\n"},
        {false, "ms.tone.label", {{"stringTableRef", "waves"}},
         "Referred value type must be integer when string table is referred for pop control. : main.pop\n"
         "Unable to create edit. : main.pop\n"},
        {true, "", {}, "Value references are necessary for pop control. : main.pop\nUnable to create combo. : main.pop\n"},
        {true, "ms.tone.level", {{"offsetValue", "x"}}, "Offset value is invalid for pop control. : pop : x\n"},
        {true, "ms.tone.level", {{"divisionItemOffset", "?"}},
         "Division item offset value is invalid for pop combo control. : pop : ?\n"},
        {true, "ms.tone.level", {{"bitmapRef", "none"}}, "Unable to find bitmap for pop control. : pop : none\n"},
    };
    for (const auto& r : refused) {
        ClearErrors();
        std::unique_ptr<CTevPopControl> control;
        if (r.combo)
            control = std::make_unique<CTevPopComboControl>();
        else
            control = std::make_unique<CScriptedPopEdit>();
        CTevPairList attributes{{"name", "pop"}, {"position", "10,20"}, {"size", "100,30"}, {"textWriterRef", "font"}};
        if (*r.value)
            attributes.push_back({"valueRef", r.value});
        attributes.insert(attributes.end(), r.extra.begin(), r.extra.end());
        EXPECT_FALSE(control->ReadAttributes(attributes) && control->Create(&panel)) << r.message;
        EXPECT_EQ(Errors(), r.message);
    }
    // No text writer.
    ClearErrors();
    CTevPopComboControl bare;
    CTevPairList attributes{{"name", "pop"}, {"size", "10,10"}, {"valueRef", "ms.tone.level"}};
    EXPECT_TRUE(bare.ReadAttributes(attributes));
    EXPECT_FALSE(bare.Create(&panel));
    EXPECT_EQ(Errors(), "There is no text writer reference for pop control. : main.pop\nUnable to create combo. : main.pop\n");
    // The view factory knows the combo by its tag.
    CTevViewFactory factory;
    CTevElementDefinition definition;
    definition.type = "combo";
    auto made = factory.CreateControl(definition);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetTypeName(), "combo");
}

TEST_F(PopControlTest, EditCommitsTypedTextByTheValueKind)
{
    CScriptedPopEdit* number = Edit("ms.tone.level", {{"offsetValue", "1"}});
    CScriptedPopEdit* text = Edit("ms.tone.label");
    CScriptedPopEdit* table = Edit("ms.tone.wave", {{"stringTableRef", "tens"}});
    ASSERT_TRUE(number && text && table) << Errors();
    CTevValue* level = Value("level");
    CTevValue* label = Value("label");
    CTevValue* wave = Value("wave");
    EXPECT_EQ(number->GetText(), "65");

    const struct {
        CScriptedPopEdit* edit;
        std::string typed;
        CTevValue* value;
        std::string expected;
    } cases[] = {
        {number, "200", level, "127"},
        {number, "0", level, "0"},
        {number, "letters", level, "0"},
        {number, "64", level, "63"},
        {text, "Bass", label, "Bass        "},
        {text, "A\tB\x80x", label, "A B x       "},
        {text, "Fourteen chars", label, "Fourteen cha"},
        // The nearest table entry, but never past the value's last step.
        {table, "35", wave, "3"},
        {table, "65", wave, "5"},
    };
    for (const auto& c : cases) {
        c.edit->typed = c.typed;
        c.edit->OpenPopup();
        const std::string stored =
            c.value->GetKind() == CTevValueSpec::kText ? c.value->GetString() : std::to_string(c.value->GetInteger());
        EXPECT_EQ(stored, c.expected) << c.typed;
        c.edit->Update();
    }
    EXPECT_EQ(number->GetText(), "64");
    EXPECT_EQ(text->GetText(), "Fourteen cha");
    EXPECT_EQ(table->GetText(), "50");
    // Every commit sent its value, also the unchanged ones.
    EXPECT_EQ(out.dataSets.size(), 9u);
    // Cancelled: nothing changes, nothing is sent.
    number->confirm = false;
    number->typed = "5";
    number->OpenPopup();
    EXPECT_EQ(level->GetInteger(), 63);
    EXPECT_EQ(out.dataSets.size(), 9u);
}
