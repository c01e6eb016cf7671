// Building the parameter model and running changes through the protocol.
//
// BM_ReadScriptAndCreate: a generated script with 3,000 values in 200 leaves
// per unit (15 values of mixed types a leaf, 20 leaves a node) plus 128 user
// patch names from repeated address pairs, read and created; the argument
// is the number of units, so the time should grow linearly with it.
//
// BM_SetAndTransmit: 1,000 changes, each through the four calls a control
// makes (set, transmit, dispatch, clear), sent through a MIDI output that
// only keeps the last data set.
#include "core/TevManager.h"
#include "midi/TevMidiOut.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kLeavesPerNode = 20;
constexpr int kNodesPerUnit = 10;
constexpr int kValuesPerLeaf = 15;

std::string Hex(int value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

std::string LeafType(int n)
{
    static const char* const kTypes[] = {"int1x7", "int2x7", "int2x4", "int1x7", "int3x4", "int4x4", "int1x7"};
    std::string text = "<structType><type>Leaf" + std::to_string(n) + "</type><name>leaf" + std::to_string(n % kLeavesPerNode)
                       + "</name><address>" + Hex(n % kLeavesPerNode) + " 00</address>\n";
    for (int v = 0; v < kValuesPerLeaf; ++v) {
        text += "  <value><name>p" + std::to_string(v) + "</name><type>" + kTypes[(n + v) % 7]
                + "</type><range>0,100</range><default>50</default></value>\n";
    }
    return text + "</structType>\n";
}

std::string GeneratedScript(int units)
{
    const int nodes = kNodesPerUnit * units;
    std::string script = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<script>\n";
    std::string root = "<structType><type>Module</type><name>ms</name><address>10 00 00 00</address>\n";
    for (int node = 0; node < nodes; ++node) {
        std::string type = "<structType><type>Node" + std::to_string(node) + "</type><name>n" + std::to_string(node)
                           + "</name><address>" + Hex(node) + " 00 00</address>\n";
        for (int leaf = 0; leaf < kLeavesPerNode; ++leaf) {
            const int n = node * kLeavesPerNode + leaf;
            script += LeafType(n);
            type += "  <struct><type>Leaf" + std::to_string(n) + "</type></struct>\n";
        }
        script += type + "</structType>\n";
        root += "  <struct><type>Node" + std::to_string(node) + "</type></struct>\n";
    }
    script += "<structType><type>UserName</type><name>names</name><address>$at</address>"
              "<value><name>name</name><type>string</type><size>0C</size><default>INIT</default></value>"
              "</structType>\n<structType><type>UserNames</type><name>usr</name><address>"
              + Hex(nodes) + " 00 00</address>\n  <struct><type>UserName</type>";
    for (int i = 0; i < 128; ++i)
        script += "<at>" + Hex(i) + " 00</at>";
    script += "</struct>\n</structType>\n";
    root += "  <struct><type>UserNames</type></struct>\n</structType>\n";
    return script + root + "<struct><type>Module</type></struct>\n</script>\n";
}

class CLastDataSetOut : public ITevMidiOut {
public:
    bool SendShortMessage(const CTevShortMessage&) override { return true; }
    bool SendLongMessage(const CTevLongMessage&) override { return true; }
    bool SendLongMessage(const CTevDravikMessage&) override { return true; }
    bool SendDataSet(int32_t address, const std::vector<uint8_t>& data) override
    {
        lastAddress = address;
        last = data;
        ++count;
        return true;
    }
    bool SendRequest(int32_t, int32_t) override { return true; }

    int32_t lastAddress = 0;
    std::vector<uint8_t> last;
    int64_t count = 0;
};

void BM_ReadScriptAndCreate(benchmark::State& state)
{
    const int units = static_cast<int>(state.range(0));
    const std::string script = GeneratedScript(units);
    CTevManager& manager = CTevManager::Instance();
    manager.Destroy();
    for (auto _ : state) {
        std::istringstream stream(script);
        const bool ok = manager.ReadScript(stream) && manager.Create();
        benchmark::DoNotOptimize(ok);
        state.PauseTiming();
        if (!ok || !manager.FindValue("ms.usr.names[127].name"))
            state.SkipWithError("the model was not created");
        manager.Destroy();
        state.ResumeTiming();
    }
    state.counters["values"] = kNodesPerUnit * kLeavesPerNode * kValuesPerLeaf * units + 128;
    state.counters["bytes"] = static_cast<double>(script.size());
}

void BM_SetAndTransmit(benchmark::State& state)
{
    CTevManager& manager = CTevManager::Instance();
    manager.Destroy();
    std::istringstream stream(GeneratedScript(1));
    if (!manager.ReadScript(stream) || !manager.Create()) {
        state.SkipWithError("the model was not created");
        return;
    }
    CLastDataSetOut out;
    manager.GetRootStruct("ms")->SetMidiOut(&out);
    std::vector<CTevValue*> values;
    for (int n = 0; values.size() < 1000; ++n) {
        const std::string leaf = "ms.n" + std::to_string(n / kLeavesPerNode) + ".leaf" + std::to_string(n % kLeavesPerNode);
        for (int v = 0; v < kValuesPerLeaf && values.size() < 1000; ++v)
            values.push_back(manager.FindValue(leaf + ".p" + std::to_string(v)));
    }
    if (values.back() == nullptr) {
        state.SkipWithError("values not found");
        return;
    }
    int32_t step = 0;
    for (auto _ : state) {
        for (CTevValue* value : values) {
            manager.SetIntegerValue(value, step++ % 101);
            manager.TransmitChanges();
            manager.DispatchChanges();
            manager.ClearChanges();
        }
    }
    if (out.count != static_cast<int64_t>(state.iterations()) * 1000)
        state.SkipWithError("not every change was sent");
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 1000);
    manager.Destroy();
}

} // namespace

BENCHMARK(BM_ReadScriptAndCreate)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetAndTransmit)->Unit(benchmark::kMicrosecond);
