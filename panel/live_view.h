// What the control panel shows of the driver's live state, worked out from the shared table
// and the monitor block as they stand in memory. Both are read through read-only views, with
// no lock, while other processes write them: each record is copied once and then only the
// copy is looked at, and nothing read from them is trusted. Ids index nothing unless they are
// in range, kinds the panel does not know read "unknown", values are clamped for display.
// Called on the panel's window thread, ten times a second.
#pragma once

#include <cstddef>
#include <cstdint>

#include "state/monitor_block.h"
#include "state/shared_table.h"

namespace quorforce::panel {

// One allocated slot as the live effects list shows it.
struct EffectRow {
    std::uint32_t handle = 0;  // 1..64
    const char* kind = "";     // the effect's short name, or "unknown"
    bool playing = false;
    bool condition = false;                // coefficients rather than a magnitude
    std::uint32_t gain = 0;                // 0..10000
    std::int32_t magnitude = 0;            // constant, periodic, the ramp's start; ±10000
    std::int32_t rampEnd = 0;              // ±10000
    std::int32_t positiveCoefficient = 0;  // ±10000
    std::int32_t negativeCoefficient = 0;
    std::int32_t direction = 0;   // hundredths of a degree, 0..35999
    bool started = false;         // the engine has stamped its start
    std::uint32_t elapsedMs = 0;  // since that stamp, at most kMaxElapsedMs
};

constexpr std::uint32_t kMaxElapsedMs = 99999999u;

// The allocated slots of `area` at `now` (timeGetTime ms), in handle order; their number. An
// area outside 0..7 has none.
std::size_t ReadEffects(const SharedEffectTable& table, std::uint32_t area, std::uint32_t now,
                        EffectRow (&rows)[kSlotCount]);
// "3  constant  playing  10000  mag +5000  90.00  12 s", tab-separated.
void FormatEffectRow(const EffectRow& row, char* text, std::size_t size);

// The joystick ids the table holds a vendor and product id for, in order; their number.
std::size_t BoundJoysticks(const SharedEffectTable& table, std::uint32_t (&ids)[kJoystickCount]);

// Whether the bytes are the driver's monitor block at all.
bool IsMonitorBlock(const MonitorBlock& monitor);
// The area whose last tick was for `joystickId`, or -1: the force pass names the joystick id
// of each area it mixes.
int AreaOfJoystick(const MonitorBlock& monitor, std::uint32_t joystickId);

// A channel byte as a meter level: -100..100 percent of full force for a force wheel (0x80
// is none), 0..100 for a vibration motor.
int ChannelPercent(std::uint32_t byte, bool forceMode);

// The last tick is older than this: nothing plays and the wheel holds its neutral value.
constexpr std::uint32_t kStaleMs = 250;
bool TickIsRecent(const AreaMonitor& record, std::uint32_t now);

// What the status line says of a joystick id. A game's bind leaves the wheel's vendor and
// product id in the table after the game has ended, so the ids alone cannot say that a game
// is there; a force pass that named the joystick id within kStaleMs can. A game that is bound
// but plays nothing does not tick either, and reads as Quiet.
enum class WheelUse {
    Unbound,  // no vendor or product id at the joystick id
    Quiet,    // ids left in the table, no recent tick: the game ended, or plays nothing
    Sending,  // a game's force pass named the joystick id within kStaleMs
};
// `monitor` may be null (no block yet) or another program's bytes.
WheelUse UseOf(const SharedEffectTable& table, const MonitorBlock* monitor,
               std::uint32_t joystickId, std::uint32_t now);
const char* UseText(WheelUse use);

// The clipped ticks of the last second, from the monitor's two counters sampled about ten
// times a second.
class ClipWindow {
public:
    void Add(std::uint32_t tickCount, std::uint32_t clippedCount);
    // Clipped ticks between the oldest kept sample and the newest; never more than the ticks
    // between them. 0 until two samples are kept.
    std::uint32_t LastSecond() const;
    void Clear() { size_ = 0; }

private:
    static constexpr std::size_t kSamples = 11;  // one second at ten refreshes a second
    struct Sample {
        std::uint32_t ticks;
        std::uint32_t clipped;
    };
    Sample samples_[kSamples] = {};
    std::size_t next_ = 0;
    std::size_t size_ = 0;
};

}  // namespace quorforce::panel
