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
    std::int32_t invert = 0;         // 1: the force mode's sum pushes the other way
    std::int32_t useDeviceGain = 0;  // 1: the game's SetGain scales the mix
    std::int32_t honourPause = 0;    // 1: pause and actuators-off give the neutral output
    std::int32_t minimumForce = 0;   // percent of full force; 0: none
    std::int32_t autoCentre = 0;     // percent; 0: none

    // Kept across DeviceID: the game's device gain (0..10000) and its pause.
    std::int32_t deviceGain = kFullDeviceGain;
    std::int32_t paused = 0;        // DISFFC_PAUSE until DISFFC_CONTINUE
    std::uint32_t pausedAt = 0;     // the clock when the pause began
    std::int32_t actuatorsOff = 0;  // DISFFC_SETACTUATORSOFF until DISFFC_SETACTUATORSON
    // The auto-centre's share, 0..kCentreFadeMs, and the tick that last moved it (0: none yet).
    std::int32_t centreLevel = 0;
    std::uint32_t lastTick = 0;
};

}  // namespace quorforce
