// The mixer tick: time windows, gain override, synthesis, sums, bytes, packing, send; and the
// tick of a game whose switches change its mix (their arithmetic in engine/game_fixes).
#include "engine/mixer.h"

#include <cstring>

#include "engine/game_fixes.h"
#include "engine/reconstruction.h"
#include "engine/steering_axis.h"
#include "hid/report_io.h"
#include "record/event_lines.h"
#include "record/recorder.h"
#include "synthesis/slot_synthesis.h"
#include "util/mutex_lock.h"
#include "util/safe_math.h"
#include "util/trace.h"

namespace quorforce {
namespace {

constexpr std::uint32_t kInfiniteDuration = 0xFFFFFFFFu;
constexpr std::int32_t kFullSum = 20000;

// A slot the engine meets for the first time since its start begins its time now.
void StampStart(EffectSlot& slot, std::uint32_t now) {
    if (slot.startTime == 0) slot.startTime = now;
}

// The stamped slot's elapsed time past its start delay, or false while it is waiting or
// done. The clock's 49.7-day wrap is harmless: only differences of its readings are used.
bool ActiveTime(const EffectSlot& slot, std::uint32_t now, std::int32_t* t) {
    const std::uint32_t elapsed = now - slot.startTime;
    const std::uint32_t delay = slot.startDelay / 1000;
    if (elapsed < delay) return false;
    const std::uint32_t playing = elapsed - delay;
    if (slot.duration != kInfiniteDuration && slot.duration / 1000 <= playing) return false;
    *t = SaturateToInt32(playing);
    return true;
}

// A condition pushes against its own device's motion. The estimate belongs to PollThread;
// it is copied under one short hold of the InputMutex, the first time a condition needs it
// in the tick (under Wine every take of the mutex is a round trip to the server).
struct MotionSnapshot {
    bool taken = false;
    MotionState motion;
    std::int64_t axisSpan = 0;  // the steering axis's counts, which size friction
};

// What the conditions (and the recorder's motion line) read of the estimate; the tracker's
// history of changes, most of the record, stays with PollThread: copying it whole every tick
// was a tenth of the full pass's stores.
void TakeConditionMotion(MotionState& to, const MotionState& from) {
    to.position = from.position;
    to.positionDelta = from.positionDelta;
    to.deltaChange = from.deltaChange;
    to.velocity = from.velocity;
    to.acceleration = from.acceleration;
    to.tickDelta = from.tickDelta;
    to.smoothVelocity = from.smoothVelocity;
    to.smoothAcceleration = from.smoothAcceleration;
}

// Inlined into the plain tick and the game's (as is Accumulate): as calls, they would cost
// the plain tick a twentieth more.
[[gnu::always_inline]] inline ForcePair SlotForce(ProcessState& process, DWORD area,
                                                  const EffectSlot& slot,
                                                  const DeviceSettings& settings, std::int32_t t,
                                                  MotionSnapshot& snapshot,
                                                  const SpringLead& springLead = kNoSpringLead) {
    if (IsConditionEffect(slot.effectTypeId) && !snapshot.taken) {
        MutexLock lock(process.inputMutex);
        TakeConditionMotion(snapshot.motion, process.motion[area]);
        snapshot.taken = true;
        if (Recording()) RecordMotionLine(area, snapshot.motion);
    }
    return SynthesizeSlot(slot, settings, t, snapshot.motion, snapshot.axisSpan, springLead);
}

struct Sums {
    std::int32_t first = 0;  // force-feedback mode, signed
    std::int32_t second = 0;
    std::uint32_t firstOut = 0;  // shock mode
    std::uint32_t secondOut = 0;
    bool clipped = false;  // some sum went past full force and the wheel gets less than asked
    // The game's tick only: the force mode's sums never clamped, which the soft limit takes.
    std::int64_t rawFirst = 0;
    std::int64_t rawSecond = 0;
};

// Clamped to ±20000; a sum past the limit (not one at it) marks the tick clipped.
std::int32_t ClampSum(std::int64_t sum, bool& clipped) {
    if (sum > kFullSum || sum < -kFullSum) clipped = true;
    return static_cast<std::int32_t>(sum > kFullSum ? kFullSum
                                                    : (sum < -kFullSum ? -kFullSum : sum));
}

[[gnu::always_inline]] inline void Accumulate(Sums& sums, const ForcePair& pair, bool forceMode) {
    if (forceMode) {
        sums.first = ClampSum(static_cast<std::int64_t>(sums.first) + pair.firstSign * pair.first,
                              sums.clipped);
        sums.second = ClampSum(
            static_cast<std::int64_t>(sums.second) + pair.secondSign * pair.second, sums.clipped);
        return;
    }
    sums.firstOut += pair.first;
    sums.secondOut += pair.second;
    if (sums.firstOut > static_cast<std::uint32_t>(kFullSum) ||
        sums.secondOut > static_cast<std::uint32_t>(kFullSum)) {
        sums.clipped = true;
    }
    if (sums.firstOut >= static_cast<std::uint32_t>(kFullSum)) sums.firstOut = kFullSum;
    if (sums.secondOut >= static_cast<std::uint32_t>(kFullSum)) sums.secondOut = kFullSum;
}

// The game's tick adds each pair to the sums never clamped too.
void AccumulateRaw(Sums& sums, const ForcePair& pair) {
    sums.rawFirst += static_cast<std::int64_t>(pair.firstSign) * pair.first;
    sums.rawSecond += static_cast<std::int64_t>(pair.secondSign) * pair.second;
}

// A force mode channel of the game's tick after the global value: the stages of the game's
// switches with the plain clamp (which the monitor's clipped count follows either way) or the
// soft limit's knee, then reconstruction's path.
std::int32_t GameForce(GameTuning& game, std::int32_t value, std::int64_t raw, float global,
                       ForcePath& path, std::uint32_t now, bool& clipped) {
    std::int32_t force = FinishForce(game, value, clipped);
    if (game.softLimit > 0) force = FinishSoftForce(game, Trunc(static_cast<float>(raw) * global));
    if (game.reconstruction == 1) force = Reconstruct(path, force, now);
    return force;
}

// A global value above 100 can take a sum within the limit past it: that clips too. The
// game's switches, when it has any, act on the value after the global one. Always inlined:
// called, it takes the sums' address, and the plain tick's loop then keeps them in memory
// instead of registers (a tenth more time per tick).
[[gnu::always_inline]] inline ChannelOutput ChannelBytes(Sums& sums, bool forceMode,
                                                         std::int32_t globalValue, GameTuning* game,
                                                         std::uint32_t now) {
    const float global = static_cast<float>(globalValue) / 100.0f;
    ChannelOutput out;
    if (forceMode) {
        std::int32_t first = Trunc(static_cast<float>(sums.first) * global);
        std::int32_t second = Trunc(static_cast<float>(sums.second) * global);
        ClampSum(first, sums.clipped);
        ClampSum(second, sums.clipped);
        if (game != nullptr) {
            first =
                GameForce(*game, first, sums.rawFirst, global, game->paths[0], now, sums.clipped);
            second =
                GameForce(*game, second, sums.rawSecond, global, game->paths[1], now, sums.clipped);
        }
        out.firstOut = ForceByte(first);
        out.secondOut = ForceByte(second);
    } else {
        out.firstOut = ShockByte(sums.firstOut, global);
        out.secondOut = ShockByte(sums.secondOut, global);
        if (game != nullptr) {
            out.firstOut = FinishShock(*game, out.firstOut);
            out.secondOut = FinishShock(*game, out.secondOut);
        }
    }
    return out;
}

// The tick as the monitor block shows it: a handful of aligned stores, no lock.
void RecordTick(MonitorBlock* monitor, DWORD area, std::int32_t joystickId, bool forceMode,
                const ChannelOutput& channels, DWORD value, std::uint32_t now, bool clipped) {
    if (monitor == nullptr) return;
    AreaMonitor& record = monitor->areas[area];
    record.joystickId = static_cast<std::uint32_t>(joystickId) + 1;
    record.forceMode = forceMode ? 1 : 0;
    record.firstByte = channels.firstOut;
    record.secondByte = channels.secondOut;
    record.outputValue = value;
    record.tickTime = now;
    if (clipped) record.clippedCount = record.clippedCount + 1;
    record.tickCount = record.tickCount + 1;
}

// A run of failed sends is traced at its start and at its end, not at every tick.
void NoteSendResult(DeviceLink& link, DWORD area, HidStatus result) {
    const std::int32_t failing = result != HidStatus::Ok ? 1 : 0;
    if (failing == link.sendFailing) return;
    link.sendFailing = failing;
    if (failing) {
        QF_TRACE("WARNING  ", 1, "area %u: output reports fail (result %d)\n",
                 static_cast<unsigned>(area), static_cast<int>(result));
    } else {
        QF_TRACE("INFO     ", 1, "area %u: output reports go through again\n",
                 static_cast<unsigned>(area));
    }
}

// The tick keeps each slot's pair as the 8-byte word the synthesis returns it in: an array of
// ForcePair would be initialised, 64 pairs of stores, at every tick.
using PairWord = std::uint64_t;
static_assert(sizeof(ForcePair) == sizeof(PairWord), "a pair is one register");

PairWord WordOf(const ForcePair& pair) {
    PairWord word;
    std::memcpy(&word, &pair, sizeof word);
    return word;
}

ForcePair PairOf(PairWord word) {
    ForcePair pair;  // trivially copyable: the copy is the pair
    std::memcpy(static_cast<void*>(&pair), &word, sizeof pair);
    return pair;
}

// The tick's forces of its playing slots, in slot order, and their count; with `kinds`, each
// slot's effect id beside its pair. Summed apart from the synthesis: in one loop with the
// synthesis call, the sums and the clip flag outgrew the registers that the call leaves alone
// and went through memory at every slot (a twentieth of the whole pass).
[[gnu::always_inline]] inline std::uint32_t SlotForces(
    ProcessState& process, DWORD area, std::int32_t place, const DeviceSettings& settings,
    std::uint32_t now, MotionSnapshot& motion, const SpringLead& springLead,
    PairWord (&forces)[kSlotCount], std::uint32_t* kinds) {
    SharedEffectTable& table = *process.table;
    DeviceArea& slots = table.areas[area];
    std::uint32_t count = 0;
    for (std::uint32_t i = 0; i < kSlotCount; ++i) {
        if (slots.slotPlaying[i] != 1) continue;
        EffectSlot& slot = slots.slots[i];
        StampStart(slot, now);
        std::int32_t t = 0;
        if (!ActiveTime(slot, now, &t)) continue;
        if (table.gainOverrideActive[place] == 1) {
            slot.gain = static_cast<std::uint32_t>(settings.gainOverride[i]);
        }
        if (kinds != nullptr) kinds[count] = slot.effectTypeId;
        forces[count++] = WordOf(SlotForce(process, area, slot, settings, t, motion, springLead));
    }
    return count;
}

// The game's playing slots into the sums, each scaled by its kind's gain first; true when one
// of the game's conditions played.
bool SumGameSlots(ProcessState& process, DWORD area, std::int32_t place,
                  const DeviceSettings& settings, std::uint32_t now, const GameTuning& game,
                  const SpringLead& springLead, MotionSnapshot& motion, Sums& sums) {
    const bool forceMode = settings.shockOrForceFeedback != 0;
    PairWord forces[kSlotCount];
    std::uint32_t kinds[kSlotCount];
    const std::uint32_t count =
        SlotForces(process, area, place, settings, now, motion, springLead, forces, kinds);
    bool gameCondition = false;
    for (std::uint32_t i = 0; i < count; ++i) {
        gameCondition = gameCondition || IsConditionEffect(kinds[i]);
        const ForcePair scaled = ScaleForKind(game, kinds[i], PairOf(forces[i]));
        Accumulate(sums, scaled, forceMode);
        AccumulateRaw(sums, scaled);
    }
    return gameCondition;
}

// The tick's bytes into the monitor block and, for a report format that packs them, to the
// device.
void Send(ProcessState& process, DWORD area, std::int32_t place, bool forceMode,
          const ChannelOutput& channels, std::uint32_t now, bool clipped) {
    DeviceLink& link = process.deviceLinks[area];
    link.lastFirst = static_cast<std::int32_t>(channels.firstOut);
    link.lastSecond = static_cast<std::int32_t>(channels.secondOut);
    DWORD value = 0;
    const bool packed = PackChannels(link.reportFormat, channels, &value);
    RecordTick(process.monitor, area, place, forceMode, channels, value, now, clipped);
    if (!packed) return;
    const HidStatus sent = ZXSendOutputBuffer(
        process, link.deviceHandle, link.outputReportLength, link.preparsedData,
        link.outputUsagePage, link.outputUsage, value, &process.reports.writeOverlapped);
    NoteSendResult(link, area, sent);
}

// While the game has paused or turned its actuators off, the tick sends the device's value
// at rest; the monitor shows its two bytes.
void SendMuted(ProcessState& process, DWORD area, std::int32_t place, bool forceMode,
               const DeviceSettings& settings, std::uint32_t now) {
    DeviceLink& link = process.deviceLinks[area];
    const DWORD value = NeutralValueOf(settings);
    ChannelOutput channels;
    channels.firstOut = (value >> 8) & 0xFF;
    channels.secondOut = value & 0xFF;
    link.lastFirst = static_cast<std::int32_t>(channels.firstOut);
    link.lastSecond = static_cast<std::int32_t>(channels.secondOut);
    RecordTick(process.monitor, area, place, forceMode, channels, value, now, false);
    if (link.reportFormat != 1 && link.reportFormat != 2) return;
    const HidStatus sent = ZXSendOutputBuffer(
        process, link.deviceHandle, link.outputReportLength, link.preparsedData,
        link.outputUsagePage, link.outputUsage, value, &process.reports.writeOverlapped);
    NoteSendResult(link, area, sent);
}

// The driver's centring spring, at its share of the fade, into the sums.
void AddCentring(ProcessState& process, DWORD area, const DeviceSettings& settings,
                 bool gameCondition, std::uint32_t now, const SpringLead& springLead,
                 MotionSnapshot& motion, Sums& sums) {
    GameTuning& game = process.gameTuning[area];
    const std::int32_t share = MoveCentreShare(game, gameCondition, now);
    if (share == 0) return;
    const EffectSlot spring = CentringSpring(game, SteeringAxisCentre(process.deviceLinks[area]));
    const ForcePair pair = SlotForce(process, area, spring, settings, 0, motion, springLead);
    const ForcePair faded = FadeCentre(pair, share);
    Accumulate(sums, faded, true);
    AccumulateRaw(sums, faded);
}

// The stabiliser's lead: the time since the area's last game tick, the engine's step, by
// which the spring's reads lag (a replay ticks on the same grid, so it leads alike), and the
// velocity read at that tick; step 0 with the switch off or at the first tick.
SpringLead SpringLeadOf(GameTuning& game, std::uint32_t now) {
    const std::uint32_t since = game.lastMix == 0 ? 0 : now - game.lastMix;
    // The previous velocity counts only from the tick just before (not across an idle gap).
    const bool previousRead = game.springVelocityAt != 0 && game.springVelocityAt == game.lastMix &&
                              since <= static_cast<std::uint32_t>(kLongestLeadMs);
    game.lastMix = now;
    SpringLead lead;
    if (game.springStabiliser != 1) return lead;
    lead.stepMs = since > static_cast<std::uint32_t>(kLongestLeadMs)
                      ? kLongestLeadMs
                      : static_cast<std::int32_t>(since);
    lead.previousKnown = previousRead;
    lead.previousVelocity = game.springVelocity;
    return lead;
}

// What the next tick's lead starts from: this tick's velocity, when it read the motion.
void KeepSpringVelocity(GameTuning& game, const MotionSnapshot& motion, std::uint32_t now) {
    game.springVelocityAt = motion.taken ? now : 0;
    game.springVelocity = motion.taken ? motion.motion.smoothVelocity : 0.0f;
}

// The tick of a game with switches: its own strengths, its kinds' gains, the auto-centre, the
// stages after the global value, and the neutral output while it has paused. Apart from the
// plain tick, whose sums then stay in registers.
[[gnu::noinline]] void MixGameTick(ProcessState& process, DWORD area, std::int32_t place,
                                   std::uint32_t now) {
    GameTuning& game = process.gameTuning[area];
    DeviceSettings local;
    const DeviceSettings& settings = GameSettings(game, process.table->settings[place], local);
    const bool forceMode = settings.shockOrForceFeedback != 0;
    if (process.playingCount[area] == 0 && !CentresWhileIdle(game, forceMode)) return;
    if (GamePaused(game)) {
        SendMuted(process, area, place, forceMode, settings, now);
        return;
    }
    const SpringLead springLead = SpringLeadOf(game, now);
    Sums sums;
    MotionSnapshot motion;
    DeviceLink& link = process.deviceLinks[area];
    if (link.axisSpan == 0) link.axisSpan = SteeringAxisSpan(link);
    motion.axisSpan = link.axisSpan;
    const bool gameCondition =
        SumGameSlots(process, area, place, settings, now, game, springLead, motion, sums);
    if (CentresWhileIdle(game, forceMode)) {
        AddCentring(process, area, settings, gameCondition, now, springLead, motion, sums);
    }
    KeepSpringVelocity(game, motion, now);
    const ChannelOutput channels = ChannelBytes(sums, forceMode, settings.globalValue, &game, now);
    if (GameMuted(game)) {
        SendMuted(process, area, place, forceMode, settings, now);
        return;
    }
    Send(process, area, place, forceMode, channels, now, sums.clipped);
}

}  // namespace

std::uint32_t ForceByte(std::int64_t sum) {
    const std::int64_t x = sum > kFullSum ? kFullSum : (sum < -kFullSum ? -kFullSum : sum);
    if (x >= 0) return static_cast<std::uint32_t>((((x * 255) / kFullSum) >> 1) + 128);
    return static_cast<std::uint32_t>(127 - ((((-x) * 255) / kFullSum) >> 1));
}

std::uint32_t ShockByte(std::uint32_t sum, float global) {
    const std::uint32_t scaled = ((sum * 255u) / kFullSum) % 256u;
    const std::int32_t value = Trunc(static_cast<float>(scaled) * global);
    return static_cast<std::uint32_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

bool PackChannels(std::uint8_t reportFormat, const ChannelOutput& channels, DWORD* value) {
    switch (reportFormat) {
    case 1: *value = channels.firstOut * 256 + channels.secondOut; return true;
    case 2: *value = (channels.firstOut & 0xF0) + (channels.secondOut >> 4); return true;
    default: return false;
    }
}

void MixDevice(ProcessState& process, DWORD area, std::uint32_t now) {
    if (area >= kAreaCount || process.table == nullptr) return;
    if (now == 0) now = 1;  // 0 marks a slot the engine has not stamped yet
    DeviceLink& link = process.deviceLinks[area];
    if (link.inUse != 1) return;
    const std::int32_t place = process.placeOfArea[area];
    if (place < 0 || place >= static_cast<std::int32_t>(kJoystickCount)) return;
    if (process.gameTuning[area].changesMix != 0) {
        MixGameTick(process, area, place, now);
        return;
    }
    if (process.playingCount[area] == 0) return;
    DeviceSettings& settings = process.table->settings[place];
    const bool forceMode = settings.shockOrForceFeedback != 0;
    Sums sums;
    MotionSnapshot motion;
    if (link.axisSpan == 0) link.axisSpan = SteeringAxisSpan(link);
    motion.axisSpan = link.axisSpan;
    PairWord forces[kSlotCount];
    const std::uint32_t count =
        SlotForces(process, area, place, settings, now, motion, kNoSpringLead, forces, nullptr);
    for (std::uint32_t i = 0; i < count; ++i)
        Accumulate(sums, PairOf(forces[i]), forceMode);
    const ChannelOutput channels =
        ChannelBytes(sums, forceMode, settings.globalValue, nullptr, now);
    Send(process, area, place, forceMode, channels, now, sums.clipped);
}

}  // namespace quorforce
