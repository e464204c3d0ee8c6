// The game's switches in the mix, and the commands' side of them.
#include "engine/game_fixes.h"

#include "state/effect_ids.h"
#include "util/relaxed_access.h"
#include "util/safe_math.h"

namespace quorforce {
namespace {

constexpr std::int64_t kFullForce = 20000;            // the sums' limit, as the mix clamps them
constexpr std::int32_t kForceModePositionScale = 20;  // the spring's x per axis count
constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;
constexpr std::int32_t kEast = 9000;  // a one-axis effect's angle along the X axis

std::int32_t Switch(const GameSwitches& switches, GameSwitch id, std::int32_t absent) {
    return switches.Has(id) ? switches.Get(id) : absent;
}

// The records hold only checked values; the clamps keep the arithmetic sound all the same.
std::uint16_t ScaleHalf(std::uint16_t half, std::int32_t percent) {
    const std::int64_t scaled = static_cast<std::int64_t>(half) * (percent < 0 ? 0 : percent) / 100;
    return static_cast<std::uint16_t>(scaled > 0xFFFF ? 0xFFFF : scaled);
}

std::uint16_t FadeHalf(std::uint16_t half, std::int32_t share) {
    const std::int64_t s = share < 0 ? 0 : (share > kCentreFadeMs ? kCentreFadeMs : share);
    return static_cast<std::uint16_t>(static_cast<std::int64_t>(half) * s / kCentreFadeMs);
}

std::int32_t ClampForce(std::int64_t value, bool& clipped) {
    if (value > kFullForce || value < -kFullForce) clipped = true;
    return static_cast<std::int32_t>(
        value > kFullForce ? kFullForce : (value < -kFullForce ? -kFullForce : value));
}

}  // namespace

void ApplyGameSwitches(GameTuning& tuning, const GameSwitches& switches) {
    // Field by field: what the game did before this DeviceID stays (its gain, its pause, the
    // fade), and the force pass reads the idle tick without the lock.
    tuning.globalValue = Switch(switches, GameSwitch::GlobalValue, -1);
    tuning.staticValue = Switch(switches, GameSwitch::StaticValue, -1);
    tuning.dynamicValue = Switch(switches, GameSwitch::DynamicValue, -1);
    const GameSwitch kinds[kGameKindCount] = {GameSwitch::ConstantGain, GameSwitch::PeriodicGain,
                                              GameSwitch::RampGain,     GameSwitch::SpringGain,
                                              GameSwitch::DamperGain,   GameSwitch::InertiaGain,
                                              GameSwitch::FrictionGain};
    for (std::size_t i = 0; i < kGameKindCount; ++i)
        tuning.kindGain[i] = Switch(switches, kinds[i], 100);
    tuning.invert = Switch(switches, GameSwitch::InvertForce, 0);
    tuning.useDeviceGain = Switch(switches, GameSwitch::GameGain, 0);
    tuning.honourPause = Switch(switches, GameSwitch::GamePause, 0);
    tuning.minimumForce = Switch(switches, GameSwitch::MinimumForce, 0);
    tuning.autoCentre = Switch(switches, GameSwitch::AutoCentre, 0);
    tuning.changesMix = switches.ChangesMix() ? 1 : 0;
    StoreRelaxed(tuning.tickWhileIdle, tuning.autoCentre > 0 ? 1 : 0);
}

const DeviceSettings& GameSettings(const GameTuning& tuning, const DeviceSettings& table,
                                   DeviceSettings& local) {
    if (tuning.globalValue < 0 && tuning.staticValue < 0 && tuning.dynamicValue < 0) return table;
    local = table;
    if (tuning.globalValue >= 0) local.globalValue = tuning.globalValue;
    if (tuning.staticValue >= 0) local.staticValue = tuning.staticValue;
    if (tuning.dynamicValue >= 0) local.dynamicValue = tuning.dynamicValue;
    return local;
}

GameKind GameKindOf(std::uint32_t effectTypeId) {
    switch (KindOfEffect(effectTypeId)) {
    case EffectKind::Constant: return GameKind::Constant;
    case EffectKind::Ramp: return GameKind::Ramp;
    case EffectKind::Periodic: return GameKind::Periodic;
    case EffectKind::Condition: break;
    case EffectKind::None: return GameKind::Count;
    }
    if (SynthesisOf(effectTypeId) == Synthesis::Friction) return GameKind::Friction;
    switch (MotionFieldOf(effectTypeId)) {
    case MotionField::Position: return GameKind::Spring;
    case MotionField::Velocity: return GameKind::Damper;
    case MotionField::Acceleration: return GameKind::Inertia;
    case MotionField::None: break;
    }
    return GameKind::Count;
}

ForcePair ScaleForKind(const GameTuning& tuning, std::uint32_t effectTypeId,
                       const ForcePair& pair) {
    const GameKind kind = GameKindOf(effectTypeId);
    if (kind == GameKind::Count) return pair;
    const std::int32_t percent = tuning.kindGain[static_cast<std::size_t>(kind)];
    if (percent == 100) return pair;
    ForcePair scaled = pair;
    scaled.first = ScaleHalf(pair.first, percent);
    scaled.second = ScaleHalf(pair.second, percent);
    return scaled;
}

bool CentresWhileIdle(const GameTuning& tuning, bool forceMode) {
    return forceMode && tuning.autoCentre > 0;
}

EffectSlot CentringSpring(const GameTuning& tuning, std::int64_t axisCentre) {
    EffectSlot spring = {};
    spring.effectTypeId = kEffectSpring;
    spring.duration = kInfinite;
    spring.gain = 10000;
    spring.axisCount = 1;
    spring.directions[0] = kEast;
    const std::int32_t coefficient = SaturateToInt32(std::int64_t{tuning.autoCentre} * 100);
    spring.condition.offset = SaturateToInt32(axisCentre * kForceModePositionScale);
    spring.condition.positiveCoefficient = coefficient;
    spring.condition.negativeCoefficient = coefficient;
    spring.condition.positiveSaturation = 10000;
    spring.condition.negativeSaturation = 10000;
    return spring;
}

std::int32_t MoveCentreShare(GameTuning& tuning, bool gameCondition, std::uint32_t now) {
    // The first tick since the bind starts the fade; later ones move it by the time between
    // them (the clock's wrap is harmless: only differences are used).
    const std::uint32_t elapsed = tuning.lastTick == 0 ? 0 : now - tuning.lastTick;
    tuning.lastTick = now;
    const std::int32_t step = elapsed > static_cast<std::uint32_t>(kCentreFadeMs)
                                  ? kCentreFadeMs
                                  : static_cast<std::int32_t>(elapsed);
    std::int32_t level = tuning.centreLevel + (gameCondition ? -step : step);
    if (level < 0) level = 0;
    if (level > kCentreFadeMs) level = kCentreFadeMs;
    tuning.centreLevel = level;
    return level;
}

ForcePair FadeCentre(const ForcePair& pair, std::int32_t share) {
    ForcePair faded = pair;
    faded.first = FadeHalf(pair.first, share);
    faded.second = FadeHalf(pair.second, share);
    return faded;
}

bool GamePaused(const GameTuning& tuning) { return tuning.honourPause != 0 && tuning.paused != 0; }

bool GameMuted(const GameTuning& tuning) {
    return tuning.honourPause != 0 && (tuning.paused != 0 || tuning.actuatorsOff != 0);
}

std::int32_t FinishForce(const GameTuning& tuning, std::int32_t value, bool& clipped) {
    std::int64_t force = ClampForce(value, clipped);
    if (tuning.useDeviceGain != 0) force = force * tuning.deviceGain / kFullDeviceGain;
    if (tuning.invert != 0) force = -force;
    const std::int64_t minimum = static_cast<std::int64_t>(tuning.minimumForce) * kFullForce / 100;
    if (force > 0 && force < minimum) force = minimum;
    if (force < 0 && force > -minimum) force = -minimum;
    return ClampForce(force, clipped);
}

std::uint32_t FinishShock(const GameTuning& tuning, std::uint32_t byte) {
    std::uint64_t value = byte > 255 ? 255 : byte;
    if (tuning.useDeviceGain != 0) {
        value = value * static_cast<std::uint64_t>(tuning.deviceGain) / kFullDeviceGain;
    }
    const std::uint64_t minimum = static_cast<std::uint64_t>(tuning.minimumForce) * 255 / 100;
    if (value > 0 && value < minimum) value = minimum;
    return static_cast<std::uint32_t>(value);
}

std::uint32_t NeutralValueOf(const DeviceSettings& settings) {
    if (settings.shockOrForceFeedback == 0) return 0;  // a vibration device at rest
    return settings.motorParameters == 0 ? 0x8080u : 0x80u;
}

void KeepDeviceGain(GameTuning& tuning, DWORD gain) {
    tuning.deviceGain = gain > static_cast<DWORD>(kFullDeviceGain)
                            ? kFullDeviceGain
                            : static_cast<std::int32_t>(gain);
}

void PauseGame(GameTuning& tuning, std::uint32_t now) {
    if (tuning.paused != 0) return;
    tuning.paused = 1;
    tuning.pausedAt = now;
}

void ContinueGame(GameTuning& tuning, DeviceArea& slots, std::uint32_t now) {
    if (tuning.paused == 0) return;
    tuning.paused = 0;
    const std::uint32_t span = now - tuning.pausedAt;
    for (std::uint32_t i = 0; i < kSlotCount; ++i) {
        EffectSlot& slot = slots.slots[i];
        if (slots.slotPlaying[i] != 1 || slot.startTime == 0) continue;
        slot.startTime += span;
        if (slot.startTime == 0) slot.startTime = 1;  // 0 would mean "not yet started"
    }
}

void ResetGame(GameTuning& tuning) {
    tuning.paused = 0;
    tuning.actuatorsOff = 0;
}

}  // namespace quorforce
