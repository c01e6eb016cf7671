// Computing and painting the curve displays.
//
// A panel like the shipped ones: three envelopes, two LFOs, a bias and a
// fade range at their usual sizes.
//
// BM_LfoUpdate: one recomputation of a 200-pixel LFO curve, by wave form
// (0 sine, 5 random, 9 sample and hold, 10 chaos) at the fastest rate, as
// a knob turn causes it.
// BM_DisplayPaint: one paint of the whole panel with every rect invalid,
// into a drawer that only counts the calls; the drawing itself is the
// platform's.
#include "controls/TevLfo.h"
#include "core/TevManager.h"
#include "core/TevValue.h"
#include "views/TevDrawing.h"
#include "views/TevViewManager.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>
#include <string>

namespace {

class CCountingDrawer : public CTevGraphDrawer {
public:
    void FillRect(CTevDrawInfo&, const CTevRect&, const CTevColor&) override { ++calls; }
    void Polyline(CTevDrawInfo&, const std::vector<CTevPoint>& points, int, const CTevColor&) override
    {
        calls += static_cast<int64_t>(points.size());
    }
    void MoveTo(CTevDrawInfo&, const CTevPoint&) override { ++calls; }
    void LineTo(CTevDrawInfo&, const CTevPoint&, int, const CTevColor&) override { ++calls; }
    static inline int64_t calls = 0;
};

class CBenchResources : public ITevResourceFactory {
public:
    std::unique_ptr<CTevStateBitmap> CreateStateBitmap() override { return nullptr; }
    std::unique_ptr<CTevTextWriter> CreateTextWriter() override { return nullptr; }
    CTevGraphDrawer* CreateGraphDrawer() override { return new CCountingDrawer; }
};

class CEverywhere : public CTevDrawInfo {
public:
    bool IntersectsUpdate(const CTevRect&) override { return true; }
};

const char kScript[] = R"(<script>
<structType><type>Voice</type><name>v</name>
  <value><name>l</name></value><value><name>t</name></value>
  <value><name>wave</name><range>0,10</range><default>0</default></value>
  <value><name>rate</name><default>127</default></value>
  <value><name>offset</name><range>0,4</range><default>2</default></value>
  <value><name>mode</name><range>0,3</range><default>0</default></value>
  <value><name>dir</name><range>0,3</range><default>2</default></value>
</structType>
<structType><type>Module</type><name>ms</name><address>10 00 00</address><size>01 00</size>
  <struct><type>Voice</type></struct>
</structType>
<struct><type>Module</type></struct>
<panelType><type>Env</type><name>env$n</name><position>$x,0</position><size>200,80</size>
  <control><type>envelope</type><name>e</name><size>200,80</size><L0ValueRef>ms.v.l</L0ValueRef>
  <L1ValueRef>ms.v.l</L1ValueRef><L2ValueRef>ms.v.l</L2ValueRef><L3ValueRef>ms.v.l</L3ValueRef>
  <L4ValueRef>ms.v.l</L4ValueRef><T1ValueRef>ms.v.t</T1ValueRef><T2ValueRef>ms.v.t</T2ValueRef>
  <T3ValueRef>ms.v.t</T3ValueRef><T4ValueRef>ms.v.t</T4ValueRef></control>
</panelType>
<panelType><type>Lfo</type><name>lfo$n</name><position>$x,100</position><size>200,80</size>
  <control><type>lfo</type><name>o</name><size>200,80</size><waveFormValueRef>ms.v.wave</waveFormValueRef>
  <rateValueRef>ms.v.rate</rateValueRef><offsetValueRef>ms.v.offset</offsetValueRef>
  <delayTimeValueRef>ms.v.t</delayTimeValueRef><fadeModeValueRef>ms.v.mode</fadeModeValueRef>
  <fadeTimeValueRef>ms.v.t</fadeTimeValueRef></control>
</panelType>
<panelType><type>Main</type><name>main</name><size>700,300</size>
  <panel><type>Env</type><n>1</n><x>0</x></panel><panel><type>Env</type><n>2</n><x>220</x></panel>
  <panel><type>Env</type><n>3</n><x>440</x></panel>
  <panel><type>Lfo</type><n>1</n><x>0</x></panel><panel><type>Lfo</type><n>2</n><x>220</x></panel>
  <control><type>bias</type><name>b</name><position>440,100</position><size>120,60</size>
  <levelValueRef>ms.v.l</levelValueRef><positionValueRef>ms.v.t</positionValueRef>
  <directionValueRef>ms.v.dir</directionValueRef></control>
  <control><type>fadeRange</type><name>f</name><position>0,200</position><size>256,20</size>
  <displayRange>0,127</displayRange><rangeLowerValueRef>ms.v.l</rangeLowerValueRef>
  <rangeUpperValueRef>ms.v.rate</rangeUpperValueRef></control>
</panelType>
<panel><type>Main</type></panel>
</script>
)";

bool Build()
{
    CTevManager& manager = CTevManager::Instance();
    manager.Destroy();
    manager.m_resourceManager.SetFactory(std::make_unique<CBenchResources>());
    manager.m_viewManager.SetViewFactory(std::make_unique<CTevViewFactory>());
    std::istringstream stream(kScript);
    return manager.ReadScript(stream) && manager.Create() && manager.m_viewManager.OpenRootPanel("main");
}

void BM_LfoUpdate(benchmark::State& state)
{
    CTevManager& manager = CTevManager::Instance();
    CTevControl* control = nullptr;
    if (!Build() || !manager.m_viewManager.FindRootPanel("main")->FindControl("main.lfo1.o", control)) {
        state.SkipWithError("the panel was not built");
        return;
    }
    manager.FindValue("ms.v.wave")->SetIndex(static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        control->Update();
        benchmark::DoNotOptimize(static_cast<CTevLfoControl*>(control)->GetCurve().data());
    }
    manager.Destroy();
}
BENCHMARK(BM_LfoUpdate)->Arg(0)->Arg(5)->Arg(9)->Arg(10);

void BM_DisplayPaint(benchmark::State& state)
{
    CTevManager& manager = CTevManager::Instance();
    if (!Build()) {
        state.SkipWithError("the panel was not built");
        return;
    }
    CTevRootPanel* main = manager.m_viewManager.FindRootPanel("main");
    CEverywhere paint;
    CCountingDrawer::calls = 0;
    for (auto _ : state)
        main->Draw(paint);
    state.counters["drawer calls"] =
        benchmark::Counter(static_cast<double>(CCountingDrawer::calls), benchmark::Counter::kAvgIterations);
    manager.Destroy();
}
BENCHMARK(BM_DisplayPaint);

} // namespace
