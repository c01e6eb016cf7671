// Reading speed of the script reader on a synthetic script: struct types
// with values, panels nested three deep and tables, repeated to the size
// asked for. Throughput is reported as bytes per second.
#include "core/TevManager.h"

#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

namespace {

std::string StructType(int n)
{
    std::string text = "<structType>\n  <type>Type" + std::to_string(n) + "</type>\n"
                       "  <name>leaf" + std::to_string(n) + "</name>\n  <address>$addr</address>\n";
    for (int v = 0; v < 16; ++v) {
        text += "  <value><name>param" + std::to_string(v) + "</name><type>int1x7</type>"
                "<range>0,127</range><default>64</default></value>\n";
    }
    return text + "  <!-- padding comment -->\n</structType>\n";
}

std::string Panel(int n)
{
    std::string control = "<control><type>knob</type><position>10,20</position>"
                          "<valueRef>ms.tmp.leaf" + std::to_string(n) + ".param1</valueRef></control>";
    std::string inner = "<panel><type>inner</type><name>c</name>" + control + control + "</panel>";
    std::string middle = "<panel><type>middle</type><name>b</name>" + inner + control + inner + "</panel>";
    return "<panel><type>outer</type><name>main" + std::to_string(n) + "</name>" + middle + control
           + middle + "</panel>\n";
}

std::string SyntheticScript(size_t minimumBytes)
{
    std::string script = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<script>\n";
    for (int n = 0; script.size() < minimumBytes; ++n) {
        script += StructType(n);
        script += "<struct><type>Type" + std::to_string(n) + "</type><addr>00 0" + std::to_string(n % 10)
                  + "</addr></struct>\n";
        script += Panel(n);
        script += "<stringTable><name>s" + std::to_string(n) + "</name><table>Off, On, Auto</table></stringTable>\n"
                  "<numberTable><name>t" + std::to_string(n) + "</name><table>1,2,4,8,16</table></numberTable>\n";
    }
    return script + "</script>\n";
}

void ClearDefinitions(CTevManager& manager)
{
    manager.m_structTypeDefinitions.clear();
    manager.m_rootStructDefinitions.clear();
    manager.m_viewManager.m_rootPanelDefinitions.clear();
    manager.m_resourceManager.m_stringTableDefinitions.clear();
    manager.m_resourceManager.m_numberTableDefinitions.clear();
}

void BM_ReadScript(benchmark::State& state)
{
    const std::string script = SyntheticScript(static_cast<size_t>(state.range(0)) << 20);
    CTevManager& manager = CTevManager::Instance();
    for (auto _ : state) {
        std::istringstream stream(script);
        bool ok = manager.ReadScript(stream);
        benchmark::DoNotOptimize(ok);
        state.PauseTiming();
        if (!ok)
            state.SkipWithError("script did not read");
        ClearDefinitions(manager);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * script.size()));
    state.counters["MiB"] = static_cast<double>(script.size()) / (1 << 20);
}

} // namespace

BENCHMARK(BM_ReadScript)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);
