// The arithmetic of the switches that fix a game, at the points of the mix where each acts:
// the game's strengths before synthesis, each kind's gain on a slot's force, the auto-centre's
// spring and its fade, then, on the sum after the global value, the game's device gain, the
// inversion and the minimum force, and the neutral output while the game has paused. Also the
// commands' side: the game's device gain as kept and the effect times shifted past a pause.
// Runs on ForceThread (or a virtual-time pass) and on DirectInput's threads, with the
// TableMutex held.
#pragma once

#include <cstdint>

#include "config/game_switches.h"
#include "state/game_tuning.h"
#include "state/shared_table.h"
#include "synthesis/force_pair.h"

namespace quorforce {

// The switches into the area's record; the game's device gain, pause and fade are kept.
void ApplyGameSwitches(GameTuning& tuning, const GameSwitches& switches);

// The settings the mix uses: the table's, with the game's strengths copied over into `local`.
const DeviceSettings& GameSettings(const GameTuning& tuning, const DeviceSettings& table,
                                   DeviceSettings& local);

// The kind an effect id counts as for the kind gains; Count for an id of none.
GameKind GameKindOf(std::uint32_t effectTypeId);
// The pair scaled by the kind's percent (0..200), computed in 64 bits, each half saturating
// at its 16 bits (sums saturate at a fraction of that).
ForcePair ScaleForKind(const GameTuning& tuning, std::uint32_t effectTypeId, const ForcePair& pair);

// Whether the area ticks with nothing playing: the auto-centre in force mode.
bool CentresWhileIdle(const GameTuning& tuning, bool forceMode);
// The driver's own centring spring: a one-axis spring of the auto-centre's coefficient
// (percent x 100) about `axisCentre`, the steering axis's middle in its counts.
EffectSlot CentringSpring(const GameTuning& tuning, std::int64_t axisCentre);
// Moves the auto-centre's share toward full (no condition of the game plays) or none, by the
// time since the last tick (at most the fade); the share, 0..kCentreFadeMs.
std::int32_t MoveCentreShare(GameTuning& tuning, bool gameCondition, std::uint32_t now);
// The spring's pair at the given share of the fade.
ForcePair FadeCentre(const ForcePair& pair, std::int32_t share);

// True while the game's pause holds the effects' time; true too while its actuators are off.
bool GamePaused(const GameTuning& tuning);
bool GameMuted(const GameTuning& tuning);

// Force mode: the value after the global value through the device gain, the inversion and
// the minimum force; a value past full force is clamped and marks the tick clipped.
std::int32_t FinishForce(const GameTuning& tuning, std::int32_t value, bool& clipped);
// Shock mode: a channel byte through the device gain and the minimum force.
std::uint32_t FinishShock(const GameTuning& tuning, std::uint32_t byte);

// The value a device at rest is sent: 0 for a vibration device, 0x8080 for a two-half force
// device, 0x80 for a one-value one.
std::uint32_t NeutralValueOf(const DeviceSettings& settings);

// SetGain's value as kept for the mix, 0..10000.
void KeepDeviceGain(GameTuning& tuning, DWORD gain);
// DISFFC_PAUSE: the time stops (a pause already under way keeps its start).
void PauseGame(GameTuning& tuning, std::uint32_t now);
// DISFFC_CONTINUE: the playing slots already started are moved on by the pause's span, so
// that each plays what was left of it.
void ContinueGame(GameTuning& tuning, DeviceArea& slots, std::uint32_t now);
// DISFFC_RESET: the pause and the actuators' state go with the effects.
void ResetGame(GameTuning& tuning);

}  // namespace quorforce
