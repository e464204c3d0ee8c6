// The cost of one synthesis call per effect kind, and of a whole table's worth (8 devices
// × 64 slots) of calls, as ForceThread makes them.
#include <benchmark/benchmark.h>

#include <memory>

#include "state/effect_ids.h"
#include "synthesis/slot_synthesis.h"
#include "synthesis/tables.h"

namespace quorforce {
namespace {

DeviceSettings ForceSettings() {
    DeviceSettings s = {};
    s.shockOrForceFeedback = 1;
    s.staticValue = 100;
    s.dynamicValue = 100;
    s.by10SpringCoef = 40;
    return s;
}

EffectSlot SlotOf(std::uint32_t effectId) {
    EffectSlot slot = {};
    slot.effectTypeId = effectId;
    slot.gain = 8000;
    slot.duration = 0xFFFFFFFFu;
    slot.axisCount = 2;
    slot.directions[0] = 9000;
    slot.envelope = {20, 2000, 500000, 3000, 0};
    slot.constant.magnitude = 6000;
    slot.ramp = {-5000, 7000};
    slot.periodic = {9000, 300, 4500, 170000};
    slot.condition = {0, 8000, 8000, 10000, 10000, 100};
    return slot;
}

void BM_SynthesizeSlot(benchmark::State& state) {
    BuildTables();
    const EffectSlot slot = SlotOf(static_cast<std::uint32_t>(state.range(0)));
    const DeviceSettings settings = ForceSettings();
    MotionState motion;
    motion.position = 300;
    std::int32_t t = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SynthesizeSlot(slot, settings, t, motion));
        t = (t + 16) & 0xFFFFF;
    }
}
BENCHMARK(BM_SynthesizeSlot)
    ->ArgName("effectId")
    ->Arg(kEffectSine)
    ->Arg(kEffectSquare)
    ->Arg(kEffectTriangle)
    ->Arg(kEffectSawtoothUp)
    ->Arg(kEffectConstant)
    ->Arg(kEffectRamp)
    ->Arg(kEffectSpring)
    ->Arg(kEffectDamper);

// A full table: every slot of every area, kinds mixed.
void BM_FullTable(benchmark::State& state) {
    BuildTables();
    const std::uint32_t kinds[] = {kEffectSine,       kEffectSquare,   kEffectTriangle,
                                   kEffectSawtoothUp, kEffectConstant, kEffectRamp,
                                   kEffectSpring,     kEffectDamper};
    auto table = std::make_unique<SharedEffectTable>();
    for (std::uint32_t a = 0; a < kAreaCount; ++a) {
        for (std::uint32_t i = 0; i < kSlotCount; ++i)
            table->areas[a].slots[i] = SlotOf(kinds[i % 8]);
    }
    const DeviceSettings settings = ForceSettings();
    MotionState motion;
    std::int32_t t = 0;
    for (auto _ : state) {
        for (const DeviceArea& area : table->areas) {
            for (const EffectSlot& slot : area.slots) {
                benchmark::DoNotOptimize(SynthesizeSlot(slot, settings, t, motion));
            }
        }
        t += 16;
    }
    state.SetItemsProcessed(state.iterations() * kAreaCount * kSlotCount);
}
BENCHMARK(BM_FullTable);

}  // namespace
}  // namespace quorforce
