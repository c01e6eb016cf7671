// Receive speed of an input port: 10,000 data sets of 16 data bytes each,
// parsed, judged and applied to a root struct's image through
// CTevMidiIn::Receive. Reports messages per second and the heap
// allocations made per message, once with the real root struct and once
// with a root that takes the data without work, which isolates the port.
#include "core/TevBuffer.h"
#include "core/TevManager.h"
#include "core/TevValue.h"
#include "midi/TevMidi.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

std::atomic<long long> g_allocations{0};

// Out of line, so that the compiler does not pair the replaced operators'
// malloc and free with the new and delete expressions it sees inlined.
[[gnu::noinline]] void* AllocateBlock(std::size_t size) { return std::malloc(size ? size : 1); }
[[gnu::noinline]] void ReleaseBlock(void* p) { std::free(p); }

} // namespace

// Counts every allocation of the program; the benchmark reads the count
// around its loop.
void* operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = AllocateBlock(size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { ReleaseBlock(p); }
void operator delete(void* p, std::size_t) noexcept { ReleaseBlock(p); }

namespace {

constexpr int kMessages = 10000;
constexpr int kDataBytes = 16;
constexpr int kLeafSize = 256;

// Keeps the sent bytes, to build the received messages with the port's own
// encoder.
class CCollectingDevice : public CTevMidiOutDevice {
public:
    bool Send(const std::vector<uint8_t>& bytes) override
    {
        messages.push_back(bytes);
        return true;
    }
    std::vector<std::vector<uint8_t>> messages;
};

// Takes every data set without looking at it.
class CIdleRoot : public ITevRootStruct {
public:
    bool ApplyDataSet(const CTevDravikMessage&) override { return true; }
};

std::vector<std::vector<uint8_t>> MakeDataSets()
{
    CCollectingDevice device;
    CTevMidiOut out;
    out.SetModelId({0x42});
    out.SetDevice(&device);
    std::vector<uint8_t> data(kDataBytes);
    for (int i = 0; i < kMessages; ++i) {
        for (int b = 0; b < kDataBytes; ++b)
            data[static_cast<size_t>(b)] = static_cast<uint8_t>((i + b) & 0x7F);
        out.SendDataSet((i * kDataBytes) % kLeafSize, data);
    }
    return std::move(device.messages);
}

// A root "ms" with one leaf of 256 one-byte values at address 0.
struct SModel {
    SModel()
    {
        root = std::make_unique<CTevRootStruct>();
        root->SetSpec(registries.structSpecs.Intern(
            std::make_unique<CTevStructSpec>("ms", CTevAddressRange::FromSize(0, 0x4000))));
        auto leaf = std::make_unique<CTevLeafStruct>();
        leaf->SetSpec(registries.structSpecs.Intern(
            std::make_unique<CTevStructSpec>("leaf", CTevAddressRange::FromSize(0, kLeafSize))));
        for (int i = 0; i < kLeafSize; ++i) {
            std::string name = std::to_string(i);
            name.insert(name.begin(), 'v');
            const CTevValueSpec* spec = registries.valueSpecs.Intern(std::make_unique<CTevValueSpec>(
                name, CTevAddressRange::FromSize(i, 1), CTevValueSpec::kInt1x7, 0, 127, 0,
                std::string(), nullptr));
            leaf->GetValues()->push_back(CTevValue(spec));
        }
        root->GetChildStructs()->push_back(std::move(leaf));
        bound = root->Bind(nullptr);
    }

    CTevSpecRegistries registries;
    std::unique_ptr<CTevRootStruct> root;
    bool bound = false;
};

void RunReceive(benchmark::State& state, ITevRootStruct* root)
{
    const std::vector<std::vector<uint8_t>> messages = MakeDataSets();
    CTevMidiIn port;
    port.SetModelId({0x42});
    port.SetRootStruct(root);
    port.SetBufferManager(&CTevManager::Instance());
    // One warm-up pass, so that storage reused from message to message is
    // in place before counting.
    for (const auto& message : messages)
        port.Receive(message);

    const long long before = g_allocations.load();
    for (auto _ : state) {
        for (const auto& message : messages)
            port.Receive(message);
    }
    const long long allocations = g_allocations.load() - before;
    const double received = static_cast<double>(state.iterations()) * kMessages;
    state.SetItemsProcessed(static_cast<int64_t>(received));
    state.counters["messages/s"] = benchmark::Counter(received, benchmark::Counter::kIsRate);
    state.counters["allocs/message"] = static_cast<double>(allocations) / received;
}

void BM_ReceiveDataSetsIntoRootStruct(benchmark::State& state)
{
    SModel model;
    if (!model.bound) {
        state.SkipWithError("the model did not bind");
        return;
    }
    RunReceive(state, model.root.get());
}

void BM_ReceiveDataSetsPortOnly(benchmark::State& state)
{
    CIdleRoot root;
    RunReceive(state, &root);
}

} // namespace

BENCHMARK(BM_ReceiveDataSetsIntoRootStruct)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReceiveDataSetsPortOnly)->Unit(benchmark::kMillisecond);
