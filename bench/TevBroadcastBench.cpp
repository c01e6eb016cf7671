// Offering changed values to the panel tree.
//
// A generated script with 10,000 values per unit and a main panel of 10
// node panels per unit, each holding 100 knobs, every knob bound to a value
// of its own (1,000 knobs on 1,000 distinct values per unit). One broadcast
// offers every value of the model as changed, as a full dump from the
// device does: 10,000 values per unit, in chunks of 8192.
//
// The first argument is the number of units (1: 10,000 changes to 1,000
// knobs; 4: 40,000 changes to 4,000 knobs); the second is the order of the
// list: 0 in address order, as a dump arrives, 1 shuffled (a fixed order),
// which spreads the bound values over every chunk and defeats the caches.
//
// BM_Broadcast: through the view manager, which hands each view only the
// values it references, so the time should grow linearly with the units.
// BM_PlainWalk: the same lists through the root panel's own walk, in which
// every view searches every chunk, for comparison: it grows with the
// product of values and views.
#include "controls/TevKnob.h"
#include "core/TevManager.h"
#include "views/TevViewManager.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kValuesPerLeaf = 100;
constexpr int kLeavesPerUnit = 100;
constexpr int kPagesPerUnit = 10;
constexpr int kKnobsPerPage = 100;
constexpr int kCell = 40;
constexpr int kStates = 128;

// A knob strip that is never drawn.
class CBenchBitmap : public CTevStateBitmap {
public:
    void DrawCell(CTevDrawInfo&, const CTevPoint&, const CTevPoint&, int32_t, int32_t, int32_t, int32_t) override {}
    CTevPoint GetSize() const override { return {kCell, kCell * kStates}; }
    bool LoadBitmap(const std::string&) override { return true; }
    void Unload() override {}
};

class CBenchResources : public ITevResourceFactory {
public:
    std::unique_ptr<CTevStateBitmap> CreateStateBitmap() override { return std::make_unique<CBenchBitmap>(); }
    std::unique_ptr<CTevTextWriter> CreateTextWriter() override { return nullptr; }
    CTevGraphDrawer* CreateGraphDrawer() override { return nullptr; }
};

class CBenchTipBar : public CTevTipBar {
public:
    void Update() override {}
};

std::string Hex(int value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

// Knob k of page p is bound to ms.l[p].p<k>; leaves beyond the pages only
// change.
std::string GeneratedScript(int units)
{
    std::string script = "<script>\n<bitmap><name>strip</name><stateCount>" + std::to_string(kStates) +
                         "</stateCount></bitmap>\n<structType><type>Leaf</type><name>l</name><address>$adr</address>\n";
    for (int v = 0; v < kValuesPerLeaf; ++v)
        script += "  <value><name>p" + std::to_string(v) + "</name></value>\n";
    script += "</structType>\n<structType><type>Module</type><name>ms</name><address>10 00 00 00</address>\n"
              "  <struct><type>Leaf</type>";
    for (int leaf = 0; leaf < kLeavesPerUnit * units; ++leaf)
        script += "<adr>" + Hex(leaf / 128) + " " + Hex(leaf % 128) + " 00</adr>";
    script += "</struct>\n</structType>\n<struct><type>Module</type></struct>\n";

    script += "<panelType><type>Page</type><name>page$n</name><position>0,0</position><size>4000,400</size>\n";
    for (int k = 0; k < kKnobsPerPage; ++k) {
        script += "  <control><type>knob</type><name>k" + std::to_string(k) + "</name><position>" +
                  std::to_string(k % 100 * kCell) + "," + std::to_string(k / 100 * kCell) +
                  "</position><bitmapRef>strip</bitmapRef><valueRef>ms.l[$n].p" + std::to_string(k) +
                  "</valueRef></control>\n";
    }
    script += "</panelType>\n<panelType><type>Main</type><name>main</name><size>4000,4000</size>\n";
    for (int page = 0; page < kPagesPerUnit * units; ++page)
        script += "  <panel><type>Page</type><n>" + std::to_string(page) + "</n></panel>\n";
    script += "</panelType>\n<panel><type>Main</type></panel>\n</script>\n";
    return script;
}

// Loads the script and opens "main"; fills `changed` with every value of
// the model, in address order or in a fixed shuffled order.
bool Build(int units, bool shuffled, std::vector<CTevValue*>& changed)
{
    CTevManager& manager = CTevManager::Instance();
    manager.Destroy();
    manager.m_resourceManager.SetFactory(std::make_unique<CBenchResources>());
    manager.SetTipBar(std::make_unique<CBenchTipBar>());
    auto factory = std::make_unique<CTevViewFactory>();
    factory->RegisterControl(CTevKnobControl::kTypeName, TevCreateControl<CTevKnobControl>);
    manager.m_viewManager.SetViewFactory(std::move(factory));
    std::istringstream stream(GeneratedScript(units));
    if (!manager.ReadScript(stream) || !manager.Create() || !manager.m_viewManager.OpenRootPanel("main"))
        return false;
    changed.clear();
    for (int leaf = 0; leaf < kLeavesPerUnit * units; ++leaf) {
        for (int v = 0; v < kValuesPerLeaf; ++v) {
            CTevValue* value =
                manager.FindValue("ms.l[" + std::to_string(leaf) + "].p" + std::to_string(v));
            if (!value)
                return false;
            changed.push_back(value);
        }
    }
    if (shuffled)
        std::shuffle(changed.begin(), changed.end(), std::mt19937(20240601));
    return true;
}

template <bool kIndexed>
void Broadcast(benchmark::State& state)
{
    const int units = static_cast<int>(state.range(0));
    std::vector<CTevValue*> changed;
    if (!Build(units, state.range(1) != 0, changed)) {
        state.SkipWithError("the panel tree was not built");
        CTevManager::Instance().Destroy();
        return;
    }
    CTevViewManager& views = CTevManager::Instance().m_viewManager;
    CTevRootPanel* main = views.FindRootPanel("main");
    // The lists a broadcast offers, for the plain walk.
    std::vector<CTevValueList> chunks;
    for (size_t begin = 0; begin < changed.size(); begin += CTevViewManager::kChunkSize)
        chunks.emplace_back(changed.begin() + static_cast<std::ptrdiff_t>(begin),
                            changed.begin() + static_cast<std::ptrdiff_t>(
                                                  std::min(changed.size(), begin + CTevViewManager::kChunkSize)));
    bool reacted = false;
    for (auto _ : state) {
        if constexpr (kIndexed) {
            reacted = views.BroadcastValuesChanged(changed);
        } else {
            reacted = false;
            for (const CTevValueList& chunk : chunks)
                reacted |= main->OnValuesChanged(chunk);
        }
        benchmark::DoNotOptimize(reacted);
    }
    if (!reacted)
        state.SkipWithError("no view reacted");
    state.counters["changes"] = static_cast<double>(changed.size());
    state.counters["controls"] = kPagesPerUnit * kKnobsPerPage * units;
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(changed.size()));
    CTevManager::Instance().Destroy();
}

void BM_Broadcast(benchmark::State& state)
{
    Broadcast<true>(state);
}

void BM_PlainWalk(benchmark::State& state)
{
    Broadcast<false>(state);
}

} // namespace

BENCHMARK(BM_Broadcast)->Args({1, 0})->Args({4, 0})->Args({1, 1})->Args({4, 1})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainWalk)->Args({1, 0})->Args({4, 0})->Args({1, 1})->Args({4, 1})->Unit(benchmark::kMillisecond);
