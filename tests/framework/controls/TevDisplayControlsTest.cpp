// The four displays (envelope, bias, fade range, LFO) on a panel loaded
// from a script: their worked examples as the drawer calls they record,
// the curves following value changes through the change protocol, their
// reading and creation failures, and the sound behaviour at the edges
// (degenerate rects, values outside the scale, unknown directions, fast
// random waves).
#include "controls/TevBias.h"
#include "controls/TevEnvelope.h"
#include "controls/TevFadeRange.h"
#include "controls/TevLfo.h"
#include "core/TevHelpers.h"
#include "core/TevValue.h"

#include "support/ControlTestSupport.h"
#include "support/FakeDrawing.h"
#include "support/MemoryArchive.h"
#include "support/ViewTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using Points = std::vector<CTevPoint>;
using Call = CRecordingGraphDrawer::CCall;
using Drawer = CRecordingGraphDrawer;

const char kModel[] = R"(
<structType><type>Env</type><name>env</name>
  <value><name>l0</name><default>0</default></value><value><name>l1</name><default>0</default></value>
  <value><name>l2</name><default>0</default></value><value><name>l3</name><default>0</default></value>
  <value><name>l4</name><default>0</default></value><value><name>t1</name><default>0</default></value>
  <value><name>t2</name><default>0</default></value><value><name>t3</name><default>0</default></value>
  <value><name>t4</name><default>0</default></value>
</structType>
<structType><type>Bias</type><name>bias</name>
  <value><name>level</name><range>0,10</range><default>0</default></value>
  <value><name>position</name><range>0,10</range><default>5</default></value>
  <value><name>direction</name><range>0,7</range><default>2</default></value>
  <value><name>single</name><range>3,3</range><default>3</default></value>
</structType>
<structType><type>Fade</type><name>fade</name>
  <value><name>lo</name><default>20</default></value><value><name>hi</name><default>60</default></value>
  <value><name>fl</name><default>10</default></value><value><name>fu</name><default>30</default></value>
</structType>
<structType><type>Lfo</type><name>lfo</name>
  <value><name>wave</name><range>0,15</range><default>0</default></value>
  <value><name>rate</name><range>0,149</range><default>0</default></value>
  <value><name>offset</name><range>0,4</range><default>2</default></value>
  <value><name>delay</name><default>127</default></value>
  <value><name>mode</name><range>0,7</range><default>0</default></value>
  <value><name>time</name><type>int2x7</type><range>0,255</range><default>0</default></value>
</structType>
<structType><type>Root</type><name>ms</name><address>10 00 00</address><size>01 00</size>
  <struct><type>Env</type></struct><struct><type>Bias</type></struct>
  <struct><type>Fade</type></struct><struct><type>Lfo</type></struct>
</structType>
<struct><type>Root</type></struct>
)";

std::string Refs(const char* folder, std::initializer_list<std::pair<const char*, const char*>> refs)
{
    std::string text;
    for (const auto& [tag, value] : refs)
        text += std::string("<") + tag + ">ms." + folder + "." + value + "</" + tag + ">";
    return text;
}

// The script: the model above and a panel of every display.
std::string Script()
{
    const std::string levels = Refs("env", {{"L1ValueRef", "l1"}, {"L2ValueRef", "l2"}, {"L3ValueRef", "l3"}});
    const std::string times =
        Refs("env", {{"T1ValueRef", "t1"}, {"T2ValueRef", "t2"}, {"T3ValueRef", "t3"}, {"T4ValueRef", "t4"}});
    const std::string bias = Refs("bias", {{"levelValueRef", "level"}, {"positionValueRef", "position"},
                                           {"directionValueRef", "direction"}});
    const std::string range = Refs("fade", {{"rangeLowerValueRef", "lo"}, {"rangeUpperValueRef", "hi"}});
    const std::string fades = Refs("fade", {{"fadeWidthLowerValueRef", "fl"}, {"fadeWidthUpperValueRef", "fu"}});
    const std::string lfo = Refs("lfo", {{"waveFormValueRef", "wave"}, {"rateValueRef", "rate"},
                                         {"offsetValueRef", "offset"}, {"delayTimeValueRef", "delay"},
                                         {"fadeModeValueRef", "mode"}, {"fadeTimeValueRef", "time"}});
    const std::string ends = Refs("env", {{"L0ValueRef", "l0"}, {"L4ValueRef", "l4"}});
    struct {
        const char* type;
        const char* name;
        const char* position;
        const char* size;
        std::string rest;
    } controls[] = {
        {"envelope", "env", "10,10", "102,66", ends + levels + times},
        {"envelope", "envShort", "10,100", "102,66", levels + times},
        {"bias", "bias", "150,10", "103,53", bias},
        {"bias", "low", "150,100", "103,2", bias},
        {"bias", "thin", "300,100", "3,40", bias},
        {"fadeRange", "fade", "10,200", "127,20", "<displayRange>0,127</displayRange>" + range + fades},
        {"fadeRange", "fadeTwo", "150,200", "128,20", "<displayRange>0,128</displayRange>" + range},
        {"fadeRange", "fadeNarrow", "150,230", "100,20", "<displayRange>20,40</displayRange>" + range},
        {"fadeRange", "fadeEmpty", "150,260", "100,20", range},
        {"lfo", "lfo", "200,300", "92,82", lfo},
        {"lfo", "twin", "200,400", "92,82", lfo},
    };
    std::string text = std::string(kModel) + "<panelType><type>Main</type><name>main</name><size>800,600</size>";
    for (const auto& c : controls) {
        text += std::string("<control><type>") + c.type + "</type><name>" + c.name + "</name><position>" +
                c.position + "</position><size>" + c.size + "</size>" + c.rest + "</control>";
    }
    return text + "</panelType><panel><type>Main</type></panel>";
}

const CTevColor kPurple{0x2B00, 0x1300, 0x5800};
const CTevColor kCyan{0x0000, 0xFF00, 0xDE00};
const CTevColor kGlow{7705, 22988, 32819};
const CTevColor kMagenta{0xDE00, 0x0000, 0xFF00};

class DisplayControlsTest : public CViewTest {
protected:
    void SetUp() override
    {
        CViewTest::SetUp();
        // The controls make their drawers in script order.
        resources->makeGraphDrawer = [this]() {
            drawers.push_back(new Drawer);
            return drawers.back();
        };
        ASSERT_TRUE(Load(Script())) << Errors();
        ASSERT_TRUE(Views().OpenRootPanel("main")) << Errors();
        ASSERT_EQ(drawers.size(), 11u);
    }

    template <class T>
    static T* Control(const std::string& name)
    {
        CTevControl* control = nullptr;
        if (!Views().GetRootPanel(0)->FindControl("main." + name, control))
            return nullptr;
        return dynamic_cast<T*>(control);
    }
    static void SetIndex(const std::string& path, int32_t index)
    {
        CTevValue* value = Value(path);
        ASSERT_NE(value, nullptr) << path;
        Manager().SetValueByIndex(value, index);
        Manager().TransmitChanges();
        Manager().DispatchChanges();
        Manager().ClearChanges();
    }
    // The calls of one paint of the control whose drawer is the n-th made.
    std::vector<Call> Paint(CTevView& view, size_t n)
    {
        drawers[n]->calls.clear();
        view.Draw(paint);
        return drawers[n]->calls;
    }

    CFakeDrawInfo paint;
    std::vector<Drawer*> drawers;
};

TEST_F(DisplayControlsTest, EnvelopePointsFollowLevelsAndTimes)
{
    auto* env = Control<CTevEnvelopeControl>("env");
    auto* envShort = Control<CTevEnvelopeControl>("envShort");
    ASSERT_TRUE(env && envShort);
    // The rect is (10, 10, 112, 76): inner width 100, B - 2 = 74.
    struct {
        const char* what;
        std::vector<std::pair<const char*, int32_t>> indices;
        Points points;
    } cases[] = {
        {"all at 0: P0..P3 together, the sustain a fifth of the width on",
         {},
         {{11, 74}, {11, 74}, {11, 74}, {11, 74}, {31, 74}, {31, 74}, {110, 74}}},
        {"every time at its top index: (100 * 127 / 128) / 5 = 19 each",
         {{"t1", 127}, {"t2", 127}, {"t3", 127}, {"t4", 127}},
         {{11, 74}, {30, 74}, {49, 74}, {68, 74}, {88, 74}, {107, 74}, {110, 74}}},
        {"level index 64 of 128 on 66 pixels: h = 32, y = B - 34",
         {{"l0", 64}, {"l1", 127}, {"l2", 64}, {"l3", 32}, {"l4", 1}},
         {{11, 42}, {30, 11}, {49, 42}, {68, 58}, {88, 58}, {107, 74}, {110, 74}}},
        {"a shorter time 1 moves every later point, not the end",
         {{"t1", 10}},
         {{11, 42}, {12, 11}, {31, 42}, {50, 58}, {70, 58}, {89, 74}, {110, 74}}},
    };
    for (const auto& c : cases) {
        for (const auto& [name, index] : c.indices)
            SetIndex(std::string("ms.env.") + name, index);
        EXPECT_EQ(env->GetPoints(), c.points) << c.what;
    }

    // Drawn as a fill and the curve twice, from the stored points.
    EXPECT_EQ(Paint(*env, 0), (std::vector<Call>{Drawer::Fill(&paint, {10, 10, 112, 76}, kPurple),
                                                 Drawer::Line(&paint, cases[3].points, 3, kGlow),
                                                 Drawer::Line(&paint, cases[3].points, 1, kCyan)}));
    // Outside the update area nothing is drawn.
    CFakeDrawInfo elsewhere({{500, 500, 600, 600}});
    env->Draw(elsewhere);
    EXPECT_EQ(drawers[0]->calls.size(), 3u);

    // Without L0 and L4 the start and the end sit at the bottom.
    EXPECT_EQ(envShort->GetPoints(),
              (Points{{11, 164}, {12, 101}, {31, 132}, {50, 148}, {70, 148}, {89, 164}, {110, 164}}));
}

// A level whose value has no steps (a range of 5..4 read from an archive)
// or an index outside its range reads as the bottom or the top of the
// range: never a division by 0, never a point outside the rect.
TEST(EnvelopeSlots, ValuesWithoutStepsOrOutsideTheirRange)
{
    class CEnvelopeOver : public CTevEnvelopeControl {
    public:
        CTevValue* GetValue(int index) const override { return index == 0 ? empty : index == 1 ? wide : nullptr; }
        CTevValue* empty = nullptr;
        CTevValue* wide = nullptr;
    };
    const CTevValueSpec noSteps("n", CTevAddressRange{}, CTevValueSpec::kInt1x7, 5, 4, 4, "", nullptr);
    const CTevValueSpec fromTen("w", CTevAddressRange{}, CTevValueSpec::kInt1x7, 10, 20, 10, "", nullptr);
    CTevValue empty(&noSteps);
    CTevValue wide(&fromTen); // unbound: integer 0, index -10
    CEnvelopeOver envelope;
    envelope.empty = &empty;
    envelope.wide = &wide;
    CTevPairList attributes{{"L0ValueRef", "a"}, {"L1ValueRef", "b"}};
    ASSERT_TRUE(envelope.ReadAttributes(attributes));
    envelope.SetRect(CTevRect{0, 0, 102, 66});
    int32_t index = 0;
    int32_t count = 0;
    envelope.GetSlotPosition(0, index, count);
    EXPECT_EQ(std::make_pair(index, count), std::make_pair(0, 1));
    envelope.GetSlotPosition(1, index, count);
    EXPECT_EQ(std::make_pair(index, count), std::make_pair(0, 11));
    EXPECT_EQ(envelope.GetPoints()[0], (CTevPoint{1, 64}));
    EXPECT_EQ(envelope.GetPoints()[1], (CTevPoint{1, 64}));
}

TEST_F(DisplayControlsTest, BiasCurveFollowsLevelPositionAndDirection)
{
    auto* bias = Control<CTevBiasControl>("bias");
    auto* low = Control<CTevBiasControl>("low");
    auto* thin = Control<CTevBiasControl>("thin");
    ASSERT_TRUE(bias && low && thin);
    // Rect (150, 10, 253, 63): inner box x 151..251, y 11..61, middle y 36.
    struct {
        const char* what;
        int32_t level, position, direction;
        Points points;
    } cases[] = {
        {"level 0 on both sides: bottom corners", 0, 5, 2, {{151, 61}, {201, 36}, {251, 61}}},
        {"top level on both sides: top corners", 10, 5, 2, {{151, 11}, {201, 36}, {251, 11}}},
        {"middle level: flat", 5, 5, 2, {{151, 36}, {201, 36}, {251, 36}}},
        {"one straight line through the middle", 0, 5, 3, {{151, 11}, {201, 36}, {251, 61}}},
        {"left side only", 0, 5, 0, {{151, 61}, {201, 36}, {251, 36}}},
        {"right side only, cut at the bottom", 0, 0, 1, {{151, 36}, {151, 36}, {201, 61}}},
        {"left side from the right edge, cut at the top", 10, 10, 0, {{201, 11}, {251, 36}, {251, 36}}},
        {"an unknown direction lies flat", 0, 5, 7, {{151, 36}, {201, 36}, {251, 36}}},
    };
    for (const auto& c : cases) {
        SetIndex("ms.bias.level", c.level);
        SetIndex("ms.bias.position", c.position);
        SetIndex("ms.bias.direction", c.direction);
        EXPECT_EQ(bias->GetPoints(), c.points) << c.what;
        // Two pixels high or three wide: no slope to show, no division by
        // zero, the curve on the middle line.
        EXPECT_EQ(low->GetPoints()[0].y, 100) << c.what;
        EXPECT_EQ(low->GetPoints()[2].y, 100) << c.what;
        EXPECT_EQ(thin->GetPoints()[0], (CTevPoint{301, 119})) << c.what;
        EXPECT_EQ(thin->GetPoints()[2], (CTevPoint{301, 119})) << c.what;
    }

    SetIndex("ms.bias.direction", 2);
    const Points corners{{151, 61}, {201, 36}, {251, 61}};
    EXPECT_EQ(Paint(*bias, 2),
              (std::vector<Call>{Drawer::Fill(&paint, {150, 10, 253, 63}, kPurple), Drawer::Move(&paint, {150, 36}),
                                 Drawer::LineEnd(&paint, {253, 36}, 1, kMagenta), Drawer::Move(&paint, {201, 10}),
                                 Drawer::LineEnd(&paint, {201, 63}, 1, kMagenta),
                                 Drawer::Line(&paint, corners, 3, kGlow), Drawer::Line(&paint, corners, 1, kCyan)}));
}

TEST_F(DisplayControlsTest, FadeRangeBandsOnTheScale)
{
    auto* fade = Control<CTevFadeRangeControl>("fade");
    auto* fadeTwo = Control<CTevFadeRangeControl>("fadeTwo");
    auto* fadeNarrow = Control<CTevFadeRangeControl>("fadeNarrow");
    auto* fadeEmpty = Control<CTevFadeRangeControl>("fadeEmpty");
    ASSERT_TRUE(fade && fadeTwo && fadeNarrow && fadeEmpty);
    using Edges = std::vector<std::pair<int32_t, int32_t>>;
    auto edgesOf = [](const CTevFadeRangeControl& control) {
        CTevRect bands[5];
        control.GetBands(bands);
        Edges edges;
        for (const CTevRect& band : bands)
            edges.emplace_back(band.left, band.right);
        return edges;
    };
    // "fade": 0..127 on 127 pixels from x = 10, so X(v) = 10 + v.
    // "fadeTwo": 0..128 on 128 pixels from 150, no fade widths.
    // "fadeNarrow": 20..40 on 100 pixels from 150, X(v) = 50 + 5v.
    struct {
        const char* what;
        int32_t lo, hi, fl, fu;
        Edges fade, fadeTwo, fadeNarrow;
    } cases[] = {
        // On "fadeNarrow" the upper bound lies beyond the scale and stops at
        // the rect's right edge.
        {"the range with both fades", 20, 60, 10, 30,
         {{10, 20}, {20, 29}, {29, 70}, {70, 100}, {100, 137}},
         {{150, 170}, {170, 169}, {169, 210}, {210, 210}, {210, 278}},
         {{150, 150}, {150, 150}, {150, 250}, {250, 250}, {250, 250}}},
        {"a lower fade past the scale's start is cut there", 20, 60, 30, 0,
         {{10, 10}, {10, 29}, {29, 70}, {70, 70}, {70, 137}},
         {{150, 170}, {170, 169}, {169, 210}, {210, 210}, {210, 278}},
         {{150, 150}, {150, 150}, {150, 250}, {250, 250}, {250, 250}}},
        {"a range from the scale's start begins at the left edge", 0, 127, 0, 0,
         {{10, 10}, {10, 10}, {10, 137}, {137, 137}, {137, 137}},
         {{150, 150}, {150, 150}, {150, 277}, {277, 277}, {277, 278}},
         {{150, 150}, {150, 150}, {150, 250}, {250, 250}, {250, 250}}},
        {"a narrow range with a wide upper fade", 25, 30, 0, 50,
         {{10, 35}, {35, 34}, {34, 40}, {40, 90}, {90, 137}},
         {{150, 175}, {175, 174}, {174, 180}, {180, 180}, {180, 278}},
         {{150, 175}, {175, 174}, {174, 200}, {200, 200}, {200, 250}}},
    };
    for (const auto& c : cases) {
        SetIndex("ms.fade.lo", c.lo);
        SetIndex("ms.fade.hi", c.hi);
        SetIndex("ms.fade.fl", c.fl);
        SetIndex("ms.fade.fu", c.fu);
        EXPECT_EQ(edgesOf(*fade), c.fade) << c.what;
        EXPECT_EQ(edgesOf(*fadeTwo), c.fadeTwo) << c.what;
        EXPECT_EQ(edgesOf(*fadeNarrow), c.fadeNarrow) << c.what;
        // Without a display range every value sits at the left edge.
        EXPECT_EQ(edgesOf(*fadeEmpty), (Edges{{150, 150}, {150, 150}, {150, 150}, {150, 150}, {150, 250}}))
            << c.what;
    }

    // Each band: its fill, two light lines at the top, two dark ones at the
    // bottom, across the band's width.
    const CTevColor white{0xFF00, 0xFF00, 0xFF00};
    const CTevColor black{0, 0, 0};
    std::vector<Call> expected;
    const CTevColor colours[5] = {CTevFadeRangeControl::kOutside, CTevFadeRangeControl::kFade,
                                  CTevFadeRangeControl::kRange, CTevFadeRangeControl::kFade,
                                  CTevFadeRangeControl::kOutside};
    for (int band = 0; band < 5; ++band) {
        const auto [left, right] = cases[3].fade[static_cast<size_t>(band)];
        const CTevColor& c = colours[band];
        expected.push_back(Drawer::Fill(&paint, {left, 200, right, 220}, c));
        expected.push_back(Drawer::Line(&paint, {{left, 200}, {right, 200}}, 1, BlendColor(c, white, 0.4)));
        expected.push_back(Drawer::Line(&paint, {{left, 201}, {right, 201}}, 1, BlendColor(c, white, 0.8)));
        expected.push_back(Drawer::Line(&paint, {{left, 218}, {right, 218}}, 1, BlendColor(c, black, 0.3)));
        expected.push_back(Drawer::Line(&paint, {{left, 219}, {right, 219}}, 1, BlendColor(c, black, 0.6)));
    }
    EXPECT_EQ(Paint(*fade, 5), expected);
}

TEST(LfoWaveForms, RateGivesThePeriodAndRandomDrawsAreReproducible)
{
    // 360 pixels show 1.125 time units: one unit is 320 pixels.
    const CTevRect wide{0, 0, 362, 82};
    struct {
        int32_t rate;
        CTevRect frame;
        double period;
    } cases[] = {
        {0, wide, 160.0},        // 2 cycles per unit
        {127, wide, 10.0},       // 32
        {128, wide, 10.0},       // as 127
        {149, wide, 160.0},      // as 0
        {64, wide, 19.0},        // 17.1 cycles: 18.69 pixels, rounded
        {127, {0, 0, 22, 82}, 4.0}, // never shorter than 4 pixels
    };
    for (const auto& c : cases) {
        auto wave = CTevLfoControl::createWaveForm(0, c.rate, 2, c.frame);
        auto* sine = dynamic_cast<CTevLfoControl::CWave*>(wave.get());
        ASSERT_NE(sine, nullptr);
        EXPECT_DOUBLE_EQ(1.0 / sine->GetFrequency(), c.period) << c.rate;
        EXPECT_DOUBLE_EQ(sine->GetAmplitude(), -20.0);
        EXPECT_DOUBLE_EQ(sine->GetStartX(), 1.0);
    }
    EXPECT_EQ(CTevLfoControl::createWaveForm(11, 0, 2, wide), nullptr);
    EXPECT_EQ(CTevLfoControl::createFader(4, 0, 0), nullptr);

    // The same sequence on every platform.
    CTevLfoControl::SeedRandom(1);
    std::vector<int> draws;
    for (int i = 0; i < 5; ++i)
        draws.push_back(CTevLfoControl::NextRandom());
    EXPECT_EQ(draws, (std::vector<int>{41, 18467, 6334, 26500, 19169}));
}

TEST_F(DisplayControlsTest, LfoCurveWithDelayFadeAndOffset)
{
    auto* lfo = Control<CTevLfoControl>("lfo");
    ASSERT_NE(lfo, nullptr);
    // Rect (200, 300, 292, 382): columns 201..290, one time unit is 80
    // pixels, the middle line y = 341, a level of 100 is 20 pixels.
    auto at = [lfo](int32_t x) { return lfo->GetCurve().at(static_cast<size_t>(x - 201)).y; };
    ASSERT_EQ(lfo->GetCurve().size(), 90u);
    EXPECT_EQ(lfo->GetCurve().front().x, 201);
    EXPECT_EQ(lfo->GetCurve().back().x, 290);

    struct {
        const char* what;
        int32_t offset, delay, mode, time;
        int32_t delayX, fadeX;
        std::vector<std::pair<int32_t, int32_t>> samples; // (x, y)
    } cases[] = {
        {"fade in after a delay of half a unit: flat, then full size at once", 2, 127, 0, 0, 241, 241,
         {{201, 341}, {211, 341}, {240, 341}, {251, 321}, {261, 341}, {271, 361}}},
        {"fade out over half a unit from the start", 2, 0, 1, 127, 201, 241,
         {{201, 341}, {211, 326}, {221, 341}, {231, 346}, {241, 341}, {251, 341}, {271, 341}}},
        {"offset 0: a quarter lower, the trough on the inner edge", 0, 0, 4, 0, 201, 201,
         {{201, 361}, {211, 341}, {231, 381}}},
        {"offset 4: a quarter higher, the peak on the inner edge", 4, 0, 4, 0, 201, 201,
         {{201, 321}, {211, 301}, {231, 341}}},
        {"markers stay inside however long the times", 2, 127, 0, 255, 241, 291, {}},
    };
    for (const auto& c : cases) {
        SetIndex("ms.lfo.offset", c.offset);
        SetIndex("ms.lfo.delay", c.delay);
        SetIndex("ms.lfo.mode", c.mode);
        SetIndex("ms.lfo.time", c.time);
        EXPECT_EQ(lfo->GetDelayMarkerX(), c.delayX) << c.what;
        EXPECT_EQ(lfo->GetFadeMarkerX(), c.fadeX) << c.what;
        for (const auto& [x, y] : c.samples)
            EXPECT_EQ(at(x), y) << c.what << " at x = " << x;
    }

    const Points curve = lfo->GetCurve();
    EXPECT_EQ(Paint(*lfo, 9),
              (std::vector<Call>{Drawer::Fill(&paint, {200, 300, 292, 382}, kPurple), Drawer::Move(&paint, {200, 341}),
                                 Drawer::LineEnd(&paint, {292, 341}, 1, kMagenta), Drawer::Move(&paint, {241, 300}),
                                 Drawer::LineEnd(&paint, {241, 382}, 1, kMagenta), Drawer::Move(&paint, {291, 300}),
                                 Drawer::LineEnd(&paint, {291, 382}, 1, kMagenta),
                                 Drawer::Line(&paint, curve, 3, kGlow), Drawer::Line(&paint, curve, 1, kCyan)}));

    // An unknown wave form draws no curve, only the lines.
    SetIndex("ms.lfo.wave", 12);
    EXPECT_TRUE(lfo->GetCurve().empty());
    EXPECT_EQ(Paint(*lfo, 9).size(), 7u);
}

TEST_F(DisplayControlsTest, LfoRandomWavesDrawTheSameEveryTime)
{
    auto* lfo = Control<CTevLfoControl>("lfo");
    auto* twin = Control<CTevLfoControl>("twin");
    ASSERT_TRUE(lfo && twin);
    SetIndex("ms.lfo.delay", 0);
    SetIndex("ms.lfo.mode", 4); // no fade
    for (int32_t wave : {5, 9, 10}) {
        for (int32_t rate : {0, 64, 127}) {
            SetIndex("ms.lfo.wave", wave);
            SetIndex("ms.lfo.rate", rate);
            Points curve = lfo->GetCurve();
            ASSERT_EQ(curve.size(), 90u);
            // Both controls were updated by the same change, one after the
            // other, and show the same picture.
            for (size_t i = 0; i < curve.size(); ++i)
                EXPECT_EQ(curve[i].y - 300, twin->GetCurve()[i].y - 400) << wave << " " << rate << " " << i;
            // A change of another value leaves the picture as it was.
            SetIndex("ms.bias.level", rate % 10);
            lfo->Update();
            EXPECT_EQ(lfo->GetCurve(), curve) << wave << " " << rate;
            // A random level never leaves the wave's swing (level 100 =
            // 20 pixels), even where several random points fall within one
            // pixel column.
            for (const CTevPoint& point : curve)
                EXPECT_LE(std::abs(point.y - 341), 20) << wave << " " << rate << " at x = " << point.x;
        }
    }
}

TEST_F(DisplayControlsTest, BadDefinitionsAreRefusedWithTheirMessage)
{
    const CTevPair lo{"rangeLowerValueRef", "ms.fade.lo"};
    const CTevPair hi{"rangeUpperValueRef", "ms.fade.hi"};
    const CTevPair level{"levelValueRef", "ms.bias.level"};
    const CTevPair position{"positionValueRef", "ms.bias.position"};
    const CTevPair direction{"directionValueRef", "ms.bias.direction"};
    const CTevPair size{"size", "50,20"};
    struct {
        const char* type;
        CTevPairList attributes;
        const char* message; // null: accepted
    } cases[] = {
        {"envelope", {{"L1ValueRef", "ms.env.l1"}, {"L2ValueRef", "ms.env.l2"}, {"T1ValueRef", "ms.env.t1"},
                      {"T3ValueRef", "ms.env.t3"}, {"T4ValueRef", "ms.env.t4"}},
         "There is no value reference L3, T2 for envelope control x.\n"},
        {"bias", {size, {"levelValueRef", "ms.bias.single"}, position, direction},
         "Level value for bias control main.x must have some range.\n"},
        {"bias", {size, level, {"positionValueRef", "ms.bias.single"}, direction},
         "Position value for bias control main.x must have some range.\n"},
        {"bias", {{"size", "0,20"}, level, position, direction}, "Rectangle width for bias control main.x can not be 0.\n"},
        {"bias", {size, {"valueRef", "ms.bias.level"}, level, position, direction},
         "There is no value reference for bias control main.x.\n"},
        {"bias", {size, level, position}, "Unable to create bias control x.\n"},
        {"fadeRange", {{"displayRange", "0,128"}, lo, hi}, nullptr},
        {"fadeRange", {{"displayRange", "0,129"}, lo, hi}, "Display range upper is invalid for fade range. : x : 0,129\n"},
        {"fadeRange", {{"displayRange", "-1,10"}, lo, hi}, "Display range lower is invalid for fade range. : x : -1,10\n"},
        {"fadeRange", {{"displayRange", "20,10"}, lo, hi}, "Display range lower is invalid for fade range. : x : 20,10\n"},
        {"fadeRange", {{"displayRange", "20"}, lo, hi}, "Display range is invalid for fade range. : x :20\n"},
        {"fadeRange", {lo, hi, {"fadeWidthLowerValueRef", "ms.fade.fl"}},
         "Either of fade width value references is not defined for fade range. : x\n"},
        {"fadeRange", {hi}, "Either or both of range value references are not defined for fade range. : x\n"},
        {"lfo", {{"valueRef", "ms.lfo.wave"}, {"waveFormValueRef", "ms.lfo.wave"}, {"rateValueRef", "ms.lfo.rate"},
                 {"offsetValueRef", "ms.lfo.offset"}, {"delayTimeValueRef", "ms.lfo.delay"},
                 {"fadeModeValueRef", "ms.lfo.mode"}, {"fadeTimeValueRef", "ms.lfo.time"}},
         "LFO control main.x needs exactly six value references, not 7.\n"},
    };
    CTestParentView parent({0, 0});
    for (auto& c : cases) {
        ClearErrors();
        CTevElementDefinition definition;
        definition.type = c.type;
        std::unique_ptr<CTevControl> control = Views().GetViewFactory().CreateControl(definition);
        ASSERT_NE(control, nullptr) << c.type;
        c.attributes.insert(c.attributes.begin(), CTevPair{"name", "x"});
        const bool made = control->ReadAttributes(c.attributes) && control->Create(&parent);
        EXPECT_EQ(made, c.message == nullptr) << Errors();
        if (c.message) {
            EXPECT_NE(Errors().find(c.message), std::string::npos) << Errors();
        }
    }
}

} // namespace
