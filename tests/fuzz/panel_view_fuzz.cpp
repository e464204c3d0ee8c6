// The control panel's live view over any bytes in the shared table and the monitor block
// (any process may map them, and another program may own objects of their names): every
// reading the panel makes on a refresh, for any joystick id and area and at any time. Nothing
// may read past either block, divide by zero, overflow or loop without end, and every row
// and level stays in the ranges the window draws.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "panel/live_view.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

using namespace quorforce;
using namespace quorforce::panel;

constexpr std::uint32_t kIds[] = {0, 1, 7, 8, 0xFFFFFFFF};

void Check(bool condition) {
    if (!condition) std::abort();
}

// The rows of every area, formatted into buffers of the input's size.
void ReadEveryArea(const SharedEffectTable& table, std::uint32_t now,
                   quorforce::fuzz::FuzzInput& in) {
    static EffectRow rows[kSlotCount];
    for (std::uint32_t area = 0; area <= kAreaCount; ++area) {
        const std::size_t count = ReadEffects(table, area, now, rows);
        Check(count <= kSlotCount);
        for (std::size_t i = 0; i < count; ++i) {
            const EffectRow& row = rows[i];
            Check(row.handle >= 1 && row.handle <= kSlotCount && row.gain <= 10000);
            Check(row.direction >= 0 && row.direction < 36000 && row.elapsedMs <= kMaxElapsedMs);
            const std::size_t size = in.Byte();
            std::unique_ptr<char[]> text(new char[size == 0 ? 1 : size]);
            FormatEffectRow(row, size == 0 ? nullptr : text.get(), size);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quorforce::fuzz::FuzzInput in(data, size);
    std::uint32_t now = in.Word();
    const std::uint32_t joystick = in.OneOf(kIds);
    // Both blocks on the heap at exactly their size: a read past either one is reported.
    auto monitor = std::make_unique<MonitorBlock>(in.Take<MonitorBlock>());
    if (in.Chance(2)) {  // half the time the driver's header, so that the records are read
        monitor->magic = kMonitorMagic;
        monitor->version = kMonitorVersion;
        monitor->areaCount = kAreaCount;
    }
    const std::vector<std::uint8_t> pattern = in.Rest();
    auto table = std::make_unique<SharedEffectTable>();
    auto* bytes = reinterpret_cast<std::uint8_t*>(table.get());
    for (std::size_t i = 0; !pattern.empty() && i < sizeof(SharedEffectTable); ++i)
        bytes[i] = pattern[i % pattern.size()];
    quorforce::fuzz::FuzzInput choices(pattern.data(), pattern.size());

    // A second of refreshes, as the window makes them.
    ClipWindow clips;
    for (int refresh = 0; refresh < 12; ++refresh, now += 100) {
        std::uint32_t ids[kJoystickCount];
        const std::size_t bound = BoundJoysticks(*table, ids);
        Check(bound <= kJoystickCount);
        for (std::size_t i = 0; i < bound; ++i)
            Check(ids[i] < kJoystickCount);
        const WheelUse use =
            UseOf(*table, choices.Chance(8) ? nullptr : monitor.get(), joystick, now);
        Check(UseText(use) != nullptr);
        const int area = AreaOfJoystick(*monitor, joystick);
        Check(area >= -1 && area < static_cast<int>(kAreaCount));
        ReadEveryArea(*table, now, choices);
        for (const AreaMonitor& record : monitor->areas) {
            for (std::uint32_t byte : {record.firstByte, record.secondByte}) {
                const int level = ChannelPercent(byte, record.forceMode != 0);
                Check(level >= -100 && level <= 100);
            }
            TickIsRecent(record, now);
        }
        // The counters move on (or back) between refreshes as another process writes them.
        const AreaMonitor& shown = monitor->areas[area >= 0 ? area : 0];
        const std::uint32_t ticks =
            shown.tickCount + choices.Word() * static_cast<unsigned>(refresh);
        clips.Add(ticks, shown.clippedCount + choices.Word() * static_cast<unsigned>(refresh));
        clips.LastSecond();
        if (choices.Chance(16)) clips.Clear();
    }
    return 0;
}
