// The whole force pass as ForceThread runs it: the TableMutex per device, the motion
// estimate's copy, the synthesis of every playing slot, the bytes, the packing and a send
// into a virtual wheel that completes it at once. 8 wheels × 64 playing effects of mixed
// kinds, with and without the monitor block, and the idle pass with nothing playing. Counts the
// heap allocations per tick.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <vector>

#include "driver/guids.h"
#include "driver/module_state.h"
#include "engine/engine_threads.h"
#include "harness/effect_builder.h"
#include "harness/virtual_rig.h"

namespace {
std::atomic<std::uint64_t> allocations{0};
}  // namespace

// The replaced operators pair malloc with free; GCC sees operator new's own pointer reach
// free and takes it for a mismatch.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
#pragma GCC diagnostic pop

namespace quorforce {
namespace {

using harness::DirectInputEffect;

constexpr DWORD kStep = 16;

// The kinds in turn: five waveforms, constant, ramp, spring, damper, inertia.
DirectInputEffect MixedEffect(int i, std::uint32_t* effectId) {
    static const std::uint32_t kIds[] = {
        kEffectSine,     kEffectSquare, kEffectTriangle, kEffectSawtoothUp, kEffectSawtoothDown,
        kEffectConstant, kEffectRamp,   kEffectSpring,   kEffectDamper,     kEffectInertia};
    *effectId = kIds[static_cast<std::size_t>(i) % (sizeof kIds / sizeof kIds[0])];
    DirectInputEffect e;
    e.directions[0] = 9000;
    e.effect.dwGain = 2000;
    e.constant.lMagnitude = 3000;
    e.ramp = {-4000, 4000};
    e.periodic = {5000, 0, 0, 200000};
    e.conditions[0] = {0, 6000, 6000, 10000, 10000, 50};
    return e.Use(KindOfEffect(*effectId)).WithEnvelope();
}

// `devices` wheels bound through their own driver objects, `effects` playing on each.
class FullTickRig {
public:
    FullTickRig(int devices, int effects) {
        harness::VirtualRig::ResetHost();
        for (int d = 0; d < devices; ++d) {
            host::VirtualHidConfig config = host::BuiltInWheel();
            char instance[16];
            std::snprintf(instance, sizeof instance, "%04d", d);
            config.path = host::HidDevicePath(config.vendorId, config.productId, instance);
            const GUID guid = {0x51B00000u + static_cast<std::uint32_t>(d),
                               0x5117,
                               0x0001,
                               {1, 2, 3, 4, 5, 6, 7, 8}};
            rig_.PlugWheel(config, static_cast<DWORD>(d), guid, d);
            rig_.wheels.back()->keepReports = false;
        }
        rig_.Attach(/*virtualTime=*/true, 1000);
        rig_.GetFactory();
        for (int d = 0; d < devices; ++d)
            Bind(static_cast<DWORD>(d), effects);
    }
    ~FullTickRig() {
        for (IDirectInputEffectDriver* driver : drivers_)
            driver->Release();
        rig_.TearDown();
    }

    std::uint64_t Received() const {
        std::uint64_t n = 0;
        for (const auto& wheel : rig_.wheels)
            n += wheel->ReceivedCount();
        return n;
    }

private:
    void Bind(DWORD device, int effects) {
        IDirectInputEffectDriver* driver = nullptr;
        rig_.factory->CreateInstance(nullptr, kEffectDriverInterfaceId,
                                     reinterpret_cast<void**>(&driver));
        if (driver == nullptr) return;
        drivers_.push_back(driver);
        driver->DeviceID(0x0800, device, TRUE, device, nullptr);
        for (int i = 0; i < effects; ++i) {
            std::uint32_t effectId = 0;
            DirectInputEffect e = MixedEffect(i, &effectId);
            DWORD handle = 0;
            driver->DownloadEffect(device, effectId, &handle, &e.effect, DIEP_START);
        }
    }

    harness::VirtualRig rig_;
    std::vector<IDirectInputEffectDriver*> drivers_;
};

// withMonitor false: the pass of a process that could not make the monitor block, so that
// the two figures side by side are the block's cost per tick.
void RunForcePasses(benchmark::State& state, int devices, int effects, bool withMonitor = true) {
    FullTickRig rig(devices, effects);
    ProcessState& process = Module().process;
    MonitorBlock* const monitor = process.monitor;
    if (!withMonitor) process.monitor = nullptr;
    const std::uint64_t receivedBefore = rig.Received();
    const std::uint64_t allocationsBefore = allocations.load();
    for (auto _ : state) {
        ForcePass(process, timeGetTime());
        host::AdvanceClock(kStep);
    }
    const auto ticks = static_cast<double>(state.iterations());
    state.counters["allocs_per_tick"] =
        static_cast<double>(allocations.load() - allocationsBefore) / ticks;
    state.counters["reports_per_tick"] =
        static_cast<double>(rig.Received() - receivedBefore) / ticks;
    process.monitor = monitor;
}

void BM_ForcePassFull(benchmark::State& state) { RunForcePasses(state, 8, 64); }
BENCHMARK(BM_ForcePassFull);

void BM_ForcePassFullNoMonitor(benchmark::State& state) { RunForcePasses(state, 8, 64, false); }
BENCHMARK(BM_ForcePassFullNoMonitor);

void BM_ForcePassOneWheel64(benchmark::State& state) { RunForcePasses(state, 1, 64); }
BENCHMARK(BM_ForcePassOneWheel64);

void BM_ForcePassIdle(benchmark::State& state) { RunForcePasses(state, 8, 0); }
BENCHMARK(BM_ForcePassIdle);

}  // namespace
}  // namespace quorforce
