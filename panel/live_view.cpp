// The panel's reading of the shared table and the monitor block.
#include "panel/live_view.h"

#include <cstdio>
#include <cstring>

#include "state/effect_ids.h"

namespace quorforce::panel {
namespace {

constexpr std::int32_t kFullLevel = 10000;  // DirectInput's full magnitude and coefficient

std::int32_t ClampLevel(std::int64_t value) {
    return static_cast<std::int32_t>(
        value > kFullLevel ? kFullLevel : (value < -kFullLevel ? -kFullLevel : value));
}

std::int32_t DirectionOf(std::int32_t angle) {
    const std::int32_t wrapped = angle % 36000;
    return wrapped < 0 ? wrapped + 36000 : wrapped;
}

// The slot's elapsed time past its stamp: 0 before the stamp, a playing slot's time since it.
void FillTime(const EffectSlot& slot, std::uint32_t now, EffectRow& row) {
    row.started = row.playing && slot.startTime != 0;
    if (!row.started) return;
    const std::uint32_t elapsed = now - slot.startTime;
    row.elapsedMs = elapsed > kMaxElapsedMs ? kMaxElapsedMs : elapsed;
}

EffectRow RowOf(std::uint32_t index, const EffectSlot& slot, bool playing, std::uint32_t now) {
    EffectRow row;
    row.handle = index + 1;
    row.playing = playing;
    const EffectIdEntry* entry = FindEffectId(slot.effectTypeId);
    row.kind = entry != nullptr ? entry->name : "unknown";
    row.gain = slot.gain > 10000 ? 10000 : slot.gain;
    row.direction = DirectionOf(slot.directions[0]);
    switch (entry != nullptr ? entry->kind : EffectKind::None) {
    case EffectKind::Constant: row.magnitude = ClampLevel(slot.constant.magnitude); break;
    case EffectKind::Ramp:
        row.magnitude = ClampLevel(slot.ramp.start);
        row.rampEnd = ClampLevel(slot.ramp.end);
        break;
    case EffectKind::Periodic: row.magnitude = ClampLevel(slot.periodic.magnitude); break;
    case EffectKind::Condition:
        row.condition = true;
        row.positiveCoefficient = ClampLevel(slot.condition.positiveCoefficient);
        row.negativeCoefficient = ClampLevel(slot.condition.negativeCoefficient);
        break;
    case EffectKind::None: break;
    }
    FillTime(slot, now, row);
    return row;
}

}  // namespace

std::size_t ReadEffects(const SharedEffectTable& table, std::uint32_t area, std::uint32_t now,
                        EffectRow (&rows)[kSlotCount]) {
    if (area >= kAreaCount) return 0;
    const DeviceArea& source = table.areas[area];
    std::size_t count = 0;
    for (std::uint32_t i = 0; i < kSlotCount; ++i) {
        // One copy of each word and record: a game may change them while the panel reads.
        std::int32_t used = 0;
        std::int32_t playing = 0;
        std::memcpy(&used, &source.slotUsed[i], sizeof used);
        if (used != 1) continue;
        std::memcpy(&playing, &source.slotPlaying[i], sizeof playing);
        EffectSlot slot;
        std::memcpy(&slot, &source.slots[i], sizeof slot);
        rows[count++] = RowOf(i, slot, playing == 1, now);
    }
    return count;
}

void FormatEffectRow(const EffectRow& row, char* text, std::size_t size) {
    if (text == nullptr || size == 0) return;
    char values[64];
    if (row.condition) {
        std::snprintf(values, sizeof values, "coef %+d/%+d",
                      static_cast<int>(row.positiveCoefficient),
                      static_cast<int>(row.negativeCoefficient));
    } else if (std::strcmp(row.kind, "ramp") == 0) {
        std::snprintf(values, sizeof values, "%+d..%+d", static_cast<int>(row.magnitude),
                      static_cast<int>(row.rampEnd));
    } else if (std::strcmp(row.kind, "unknown") == 0) {
        std::snprintf(values, sizeof values, "-");
    } else {
        std::snprintf(values, sizeof values, "mag %+d", static_cast<int>(row.magnitude));
    }
    // Whole seconds: a row that changed every refresh would be repainted every refresh.
    char time[32] = "-";
    if (row.started) {
        std::snprintf(time, sizeof time, "%u s", static_cast<unsigned>(row.elapsedMs / 1000));
    }
    std::snprintf(text, size, "%u\t%s\t%s\t%u\t%s\t%d.%02d\t%s", static_cast<unsigned>(row.handle),
                  row.kind, row.playing ? "playing" : "stopped", static_cast<unsigned>(row.gain),
                  values, static_cast<int>(row.direction / 100),
                  static_cast<int>(row.direction % 100), time);
}

std::size_t BoundJoysticks(const SharedEffectTable& table, std::uint32_t (&ids)[kJoystickCount]) {
    std::size_t count = 0;
    for (std::uint32_t place = 0; place < kJoystickCount; ++place) {
        std::uint16_t vendor = 0;
        std::uint16_t product = 0;
        std::memcpy(&vendor, &table.vendorIds[place], sizeof vendor);
        std::memcpy(&product, &table.productIds[place], sizeof product);
        if (vendor != 0 || product != 0) ids[count++] = place;
    }
    return count;
}

bool IsMonitorBlock(const MonitorBlock& monitor) {
    return monitor.magic == kMonitorMagic && monitor.version == kMonitorVersion &&
           monitor.areaCount == kAreaCount;
}

int AreaOfJoystick(const MonitorBlock& monitor, std::uint32_t joystickId) {
    if (!IsMonitorBlock(monitor) || joystickId >= kJoystickCount) return -1;
    for (std::uint32_t area = 0; area < kAreaCount; ++area) {
        if (monitor.areas[area].joystickId == joystickId + 1) return static_cast<int>(area);
    }
    return -1;
}

int ChannelPercent(std::uint32_t byte, bool forceMode) {
    const int value = byte > 255 ? 255 : static_cast<int>(byte);
    if (!forceMode) return value * 100 / 255;
    // The force byte: 0x80 at rest, 255 full force one way, 0 the other.
    return value >= 128 ? (value - 128) * 100 / 127 : -((127 - value) * 100 / 127);
}

bool TickIsRecent(const AreaMonitor& record, std::uint32_t now) {
    return record.tickCount != 0 && now - record.tickTime <= kStaleMs;
}

WheelUse UseOf(const SharedEffectTable& table, const MonitorBlock* monitor,
               std::uint32_t joystickId, std::uint32_t now) {
    if (joystickId >= kJoystickCount) return WheelUse::Unbound;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::memcpy(&vendor, &table.vendorIds[joystickId], sizeof vendor);
    std::memcpy(&product, &table.productIds[joystickId], sizeof product);
    if (vendor == 0 && product == 0) return WheelUse::Unbound;
    if (monitor == nullptr || !IsMonitorBlock(*monitor)) return WheelUse::Quiet;
    // Every area, not only the first that names it: an area the game left keeps its last
    // joystick id while another area carries the game's ticks now.
    for (std::uint32_t area = 0; area < kAreaCount; ++area) {
        AreaMonitor record;
        std::memcpy(&record, &monitor->areas[area], sizeof record);
        if (record.joystickId == joystickId + 1 && TickIsRecent(record, now)) {
            return WheelUse::Sending;
        }
    }
    return WheelUse::Quiet;
}

const char* UseText(WheelUse use) {
    switch (use) {
    case WheelUse::Sending: return "Bound by a game.";
    case WheelUse::Quiet: return "No game is sending forces.";
    case WheelUse::Unbound: break;
    }
    return "No game is using the wheel.";
}

void ClipWindow::Add(std::uint32_t tickCount, std::uint32_t clippedCount) {
    samples_[next_] = {tickCount, clippedCount};
    next_ = (next_ + 1) % kSamples;
    if (size_ < kSamples) ++size_;
}

std::uint32_t ClipWindow::LastSecond() const {
    if (size_ < 2) return 0;
    const Sample& newest = samples_[(next_ + kSamples - 1) % kSamples];
    const Sample& oldest = samples_[(next_ + kSamples - size_) % kSamples];
    const std::uint32_t ticks = newest.ticks - oldest.ticks;
    const std::uint32_t clipped = newest.clipped - oldest.clipped;
    // Counters that ran backwards (a block made anew, foreign bytes) show no clipping.
    return clipped > ticks ? 0 : clipped;
}

}  // namespace quorforce::panel
