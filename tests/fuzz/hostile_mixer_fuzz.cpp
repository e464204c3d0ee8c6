// Any bytes in the whole shared table (any process may write it) and in the motion
// estimate, then the force pass and each area's tick: nothing may crash, leave its arrays
// or overflow.
#include <cstddef>
#include <cstdint>

#include "engine/mixer.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/fuzz_rig.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorforce;
    using namespace quorforce::fuzz;
    harness::VirtualRig& rig = SharedRig(true);
    ProcessState& process = Module().process;
    FuzzInput in(data, size);
    const std::uint32_t now = in.Word();
    for (std::uint32_t area = 0; area < kAreaCount; ++area) {
        process.motion[area] = in.Take<MotionState>();
        process.playingCount[area] = in.Chance(8) ? 0 : 1;
        process.placeOfArea[area] = in.Chance(16) ? static_cast<std::int32_t>(in.Word()) : 0;
    }
    // The rest of the input, repeated over the whole table.
    const std::vector<std::uint8_t> pattern = in.Rest();
    auto* table = reinterpret_cast<std::uint8_t*>(process.table);
    for (std::size_t i = 0; !pattern.empty() && i < sizeof(SharedEffectTable); ++i)
        table[i] = pattern[i % pattern.size()];
    ForcePass(process, now);
    for (std::uint32_t area = 0; area < kAreaCount; ++area)
        MixDevice(process, area, now + 16 * area);
    rig.wheel->ClearReports();
    return 0;
}
