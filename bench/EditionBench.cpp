// The Kappa edition against the simulated module, with replies delivered
// at once: the program's own time for a full read of the shipped script
// (the temporary patch and the 128 user-patch names) next to the time the
// bytes it moved take on a MIDI cable at 31,250 baud, and the time to
// resolve the edition's table of parameter paths.
#include "core/TevManager.h"
#include "kappa/BufferAccessor.h"
#include "midi/TevMidiManager.h"

#include "support/FakeMidiDevices.h"
#include "support/SimulatedModule.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <memory>

namespace {

namespace Edition = Quorva::Kappa;

class CBenchReader : public Edition::CReader {
public:
    CBenchReader(CSimulatedModule& module, CFakeMidiInDevice& in) : CReader(nullptr), m_module(module), m_in(in) {}
    void PumpWhileWaiting() override
    {
        m_module.DeliverAll();
        m_in.DeliverPending();
    }
    void Reserved() override {}

private:
    CSimulatedModule& m_module;
    CFakeMidiInDevice& m_in;
};

// The shipped script loaded once, its first ports on fake devices wired to
// the module, the edition started.
struct SSetup {
    CSimulatedModule module;
    CFakeMidiOutDevice* out = nullptr;
    CFakeMidiInDevice* in = nullptr;
    bool ready = false;

    SSetup()
    {
        CTevManager& manager = CTevManager::Instance();
        std::ifstream script(TEV_EDITION_SCRIPT_PATH);
        if (!script || !manager.ReadScript(script) || !manager.Create())
            return;
        CTevMidiManager& midi = manager.m_midiManager;
        out = static_cast<CFakeMidiOutDevice*>(midi.GetOutputDevices().Add(std::make_unique<CFakeMidiOutDevice>()));
        in = static_cast<CFakeMidiInDevice*>(midi.GetInputDevices().Add(std::make_unique<CFakeMidiInDevice>()));
        midi.GetOutputPorts().front().SetDevice(out);
        in->AddListener(&midi.GetInputPorts().front());
        module.SetModelId(midi.GetOutputPorts().front().GetModelId());
        module.AddLeavesOf(*manager.FindStruct("ms"));
        module.ConnectTo(*out, *in);
        Edition::CBufferAccessor::Instance().Initialize(std::make_unique<CBenchReader>(module, *in),
                                                        std::make_unique<Edition::CWriter>(), nullptr);
        ready = Edition::CBufferAccessor::Instance().IsMidiConnected();
    }
};

SSetup& Setup()
{
    static SSetup setup;
    return setup;
}

size_t CountBytes(const std::vector<CSimulatedModule::SReceived>& received)
{
    size_t bytes = 0;
    for (const auto& message : received)
        bytes += message.bytes.size();
    return bytes;
}

void BM_KappaFullRead(benchmark::State& state)
{
    SSetup& setup = Setup();
    if (!setup.ready) {
        state.SkipWithError("the shipped script did not load");
        return;
    }
    Edition::CBufferAccessor& accessor = Edition::CBufferAccessor::Instance();
    size_t bytesMoved = 0;
    double readSeconds = 0;
    for (auto _ : state) {
        setup.module.ClearRecords();
        setup.out->sent.clear();
        const auto start = std::chrono::steady_clock::now();
        const bool read = accessor.GetReader()->Read(Edition::kReadAll);
        readSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(read);
        // Requests out, replies in: every reply is a data set as long as its
        // request's leaf plus the message frame.
        bytesMoved = CountBytes(setup.module.GetReceived());
        for (const auto& request : setup.module.GetVendorMessages(CSimulatedModule::kRequestCommand)) {
            const int32_t size = (request.body[0] << 21) | (request.body[1] << 14) | (request.body[2] << 7) | request.body[3];
            bytesMoved += size + setup.module.BuildMessage(CSimulatedModule::kDataSetCommand, 0, {}).size();
        }
        CTevManager::Instance().ClearChanges();
    }
    // Ten bits a byte on the cable.
    const double wireSeconds = static_cast<double>(bytesMoved) * 10.0 / 31250.0;
    state.counters["bytes"] = static_cast<double>(bytesMoved);
    state.counters["wire_ms"] = wireSeconds * 1000.0;
    state.counters["requests"] = setup.module.GetRequestCount();
    // The program's own share of a read that the cable would take that long
    // for (the module's own work included, so the share is an upper bound).
    if (state.iterations() > 0)
        state.counters["program_share_percent"] = readSeconds / static_cast<double>(state.iterations()) / wireSeconds * 100.0;
}
BENCHMARK(BM_KappaFullRead)->Unit(benchmark::kMillisecond);

void BM_KappaResolveBuffers(benchmark::State& state)
{
    if (!Setup().ready) {
        state.SkipWithError("the shipped script did not load");
        return;
    }
    Edition::CBufferAccessor& accessor = Edition::CBufferAccessor::Instance();
    for (auto _ : state)
        benchmark::DoNotOptimize(accessor.Attach(&CTevManager::Instance()));
    state.counters["lookups"] = accessor.GetLookupCount();
}
BENCHMARK(BM_KappaResolveBuffers)->Unit(benchmark::kMicrosecond);

} // namespace
