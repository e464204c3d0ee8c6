// The driver effect ids DirectInput passes to DownloadEffect (from the device's
// force-feedback registration), in one table: for each id the kind of slot record it is
// stored as, the synthesis that computes it, the motion quantity a condition follows, and
// its short name. Download, synthesis, conditions and quorsim all classify through it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorforce {

enum EffectId : std::uint32_t {
    kEffectSquare = 32,
    kEffectTriangle = 33,
    kEffectSawtoothUp = 35,
    kEffectSawtoothDown = 36,
    kEffectSine = 615,
    kEffectSineAlt = 723,
    kEffectConstant = 371,
    kEffectRamp = 113,
    kEffectDamper = 65,
    kEffectInertia = 66,
    kEffectInertiaAlt = 67,
    kEffectSpring = 912,
    kEffectFriction = 68,
};

enum class EffectKind { None, Periodic, Constant, Ramp, Condition };

enum class Synthesis {
    None,
    Square,
    Triangle,
    SawtoothUp,
    SawtoothDown,
    Sine,
    Constant,
    Ramp,
    Condition,  // a force in proportion to the motion beyond the dead band
    Friction    // a force of the coefficient's size against the direction of motion
};

// What a condition effect pushes against: the wheel's position (spring), its velocity
// (damper, friction) or its acceleration (inertia).
enum class MotionField { None, Position, Velocity, Acceleration };

struct EffectIdEntry {
    std::uint32_t id;
    EffectKind kind;
    Synthesis synthesis;
    MotionField motion;
    const char* name;  // the first entry of a name is the id that name stands for
};

constexpr std::size_t kEffectIdCount = 13;
extern const EffectIdEntry kEffectIds[kEffectIdCount];

// The entry of an accepted id, or null for every id the driver does not accept (34 too).
const EffectIdEntry* FindEffectId(std::uint32_t effectId);
// The id a short name stands for ("constant", "sawup", ...), or 0.
std::uint32_t EffectIdNamed(const char* name);

EffectKind KindOfEffect(std::uint32_t effectId);
Synthesis SynthesisOf(std::uint32_t effectId);
MotionField MotionFieldOf(std::uint32_t effectId);

// Bytes of the type-specific record the kind keeps (0 for None).
std::size_t RecordSizeOfKind(EffectKind kind);

}  // namespace quorforce
