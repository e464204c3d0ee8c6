// GameTuning: what the switches of the game this process serves make of one area's mix, and
// the little the fixes keep from tick to tick (the game's device gain, its pause, the
// auto-centre's fade). Written at DeviceID, SetGain and the device commands, read by the mix,
// all under the TableMutex; the force pass reads `tickWhileIdle` without it (relaxed).
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorforce {

// The kinds of effect a game's switches scale, each by its own percent.
enum class GameKind : std::uint8_t {
    Constant,
    Periodic,
    Ramp,
    Spring,
    Damper,
    Inertia,
    Friction,
    Count
};
constexpr std::size_t kGameKindCount = static_cast<std::size_t>(GameKind::Count);

constexpr std::int32_t kFullDeviceGain = 10000;  // DirectInput's DI_FFNOMINALMAX
constexpr std::int32_t kCentreFadeMs = 250;      // the auto-centre's fade in and out

// Reconstruction's path of one force channel: the force moves from where it was to each new
// value of the mix over the game's update interval, learned from the times the value changed.
struct ForcePath {
    std::int32_t primed = 0;      // 0 until the first tick: the force starts where the mix is
    std::int32_t target = 0;      // the mix's newest value
    std::int32_t from = 0;        // the force when the target last changed
    std::int32_t output = 0;      // the force sent last
    std::uint32_t changedAt = 0;  // the clock when the target last changed
    std::uint32_t lastTick = 0;   // the clock of the tick before
    std::int32_t interval = 0;    // the learned update interval, ms × 16; 0 until one is seen
};

struct GameTuning {
    // 1 when some switch changes the mix; 0 leaves the plain mix, byte for byte.
    std::int32_t changesMix = 0;
    // 1: the area ticks with nothing playing (the auto-centre's menus); read relaxed.
    std::int32_t tickWhileIdle = 0;
    // The game's strengths in place of the table's, or -1 for the table's own.
    std::int32_t globalValue = -1;
    std::int32_t staticValue = -1;
    std::int32_t dynamicValue = -1;
    std::int32_t kindGain[kGameKindCount] = {100, 100, 100, 100, 100, 100, 100};  // percent
    std::int32_t invert = 0;            // 1: the force mode's sum pushes the other way
    std::int32_t useDeviceGain = 0;     // 1: the game's SetGain scales the mix
    std::int32_t honourPause = 0;       // 1: pause and actuators-off give the neutral output
    std::int32_t minimumForce = 0;      // percent of full force; 0: none
    std::int32_t autoCentre = 0;        // percent; 0: none
    std::int32_t springStabiliser = 0;  // 1: a spring reads the position a read step ahead
    std::int32_t reconstruction = 0;    // 1: the force follows a path between the game's values
    std::int32_t softLimit = 0;         // percent of full force: the knee; 0: the plain clamp
    std::uint32_t lastMix = 0;          // the clock of the area's last game tick (0: none yet)
    // The smooth velocity the conditions read at a game tick, for the stabiliser's next
    // lead, and that tick's clock (0: none read).
    float springVelocity = 0.0f;
    std::uint32_t springVelocityAt = 0;

    // Kept across DeviceID: the game's device gain (0..10000) and its pause.
    std::int32_t deviceGain = kFullDeviceGain;
    std::int32_t paused = 0;        // DISFFC_PAUSE until DISFFC_CONTINUE
    std::uint32_t pausedAt = 0;     // the clock when the pause began
    std::int32_t actuatorsOff = 0;  // DISFFC_SETACTUATORSOFF until DISFFC_SETACTUATORSON
    // The auto-centre's share, 0..kCentreFadeMs, and the tick that last moved it (0: none yet).
    std::int32_t centreLevel = 0;
    std::uint32_t lastTick = 0;
    // Reconstruction's two channels (force mode), kept across DeviceID.
    ForcePath paths[2] = {};
};

}  // namespace quorforce
