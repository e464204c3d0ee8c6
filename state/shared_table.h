// The SharedEffectTable: the fixed-layout block of named shared memory that every process
// loading quorforce maps. Effects of 8 devices (64 slots each) and, per joystick id, the
// device ids, the tuning values and the gain override. Every process relies on these exact
// offsets, so each one is checked at compile time. No pointers: they would mean nothing in
// another process. Its contents are written by any process and are never trusted.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorforce {

constexpr std::uint32_t kAreaCount = 8;      // internal device ids 0..7
constexpr std::uint32_t kJoystickCount = 8;  // joystick ids 0..7
constexpr std::uint32_t kSlotCount = 64;     // effect handles 1..64
constexpr std::uint32_t kMaxAxes = 4;

// The DirectInput envelope as it stands in a slot (same layout as DIENVELOPE).
struct SlotEnvelope {
    std::uint32_t size;
    std::uint32_t attackLevel;
    std::uint32_t attackTime;
    std::uint32_t fadeLevel;
    std::uint32_t fadeTime;
};

struct SlotConstant {
    std::int32_t magnitude;
};

struct SlotRamp {
    std::int32_t start;
    std::int32_t end;
};

struct SlotPeriodic {
    std::uint32_t magnitude;
    std::int32_t offset;
    std::uint32_t phase;   // hundredths of a degree
    std::uint32_t period;  // microseconds
};

struct SlotCondition {
    std::int32_t offset;
    std::int32_t positiveCoefficient;
    std::int32_t negativeCoefficient;
    std::uint32_t positiveSaturation;
    std::uint32_t negativeSaturation;
    std::int32_t deadBand;
};

// One downloaded effect, in DirectInput's units. Each kind keeps its own type-specific
// record; a reused slot keeps the stale bytes of the others, which nobody reads.
struct EffectSlot {
    std::uint32_t effectTypeId;  // driver effect id
    std::uint32_t flags;         // DIEFF_ bits
    std::uint32_t startTime;   // timeGetTime ms at the first tick that saw it playing; 0 = not yet
    std::uint32_t startDelay;  // µs
    std::uint32_t duration;    // µs; 0xFFFFFFFF = infinite
    std::uint32_t samplePeriod;  // µs
    std::uint32_t gain;          // 0..10000
    std::uint32_t triggerButton;
    std::uint32_t triggerRepeatInterval;
    std::uint32_t axisCount;
    std::uint32_t axes[kMaxAxes];
    std::int32_t directions[kMaxAxes];  // the first is the angle, hundredths of a degree
    SlotEnvelope envelope;
    SlotConstant constant;
    SlotRamp ramp;
    SlotPeriodic periodic;
    SlotCondition condition;
    std::uint8_t custom[16];  // reserved, never written or read
};

struct DeviceArea {
    std::int32_t slotUsed[kSlotCount];
    std::int32_t slotPlaying[kSlotCount];
    EffectSlot slots[kSlotCount];
};

// Registry-backed tuning values of one joystick id.
struct DeviceSettings {
    std::int32_t motorParameters;  // 0: two halves; non-zero: one signed value
    std::int32_t globalValue;      // percent
    std::int32_t staticValue;      // percent, constant/ramp/periodic
    std::int32_t dynamicValue;     // percent, conditions
    std::int32_t springValue;      // percent, the device's built-in spring
    std::uint8_t springEnabled;
    std::uint8_t driveDefaultSpring;
    std::uint8_t strictAngleDirection;
    std::uint8_t shockOrForceFeedback;  // 0: vibration (shock) device; else force feedback
    std::uint8_t by10InertiaCoef;
    std::uint8_t by10DamperCoef;
    std::uint8_t by10SpringCoef;
    std::uint8_t motionEstimate;  // 0: difference of the last two reads; 1: the tracker
    std::int32_t gainOverride[kSlotCount];
};

struct SharedEffectTable {
    DeviceArea areas[kAreaCount];
    std::uint16_t vendorIds[kJoystickCount];
    std::uint16_t productIds[kJoystickCount];
    DeviceSettings settings[kJoystickCount];
    std::int32_t gainOverrideActive[kJoystickCount];
};

static_assert(sizeof(SlotEnvelope) == 20, "envelope");
static_assert(offsetof(EffectSlot, effectTypeId) == 0x00, "slot");
static_assert(offsetof(EffectSlot, flags) == 0x04, "slot");
static_assert(offsetof(EffectSlot, startTime) == 0x08, "slot");
static_assert(offsetof(EffectSlot, startDelay) == 0x0c, "slot");
static_assert(offsetof(EffectSlot, duration) == 0x10, "slot");
static_assert(offsetof(EffectSlot, samplePeriod) == 0x14, "slot");
static_assert(offsetof(EffectSlot, gain) == 0x18, "slot");
static_assert(offsetof(EffectSlot, triggerButton) == 0x1c, "slot");
static_assert(offsetof(EffectSlot, triggerRepeatInterval) == 0x20, "slot");
static_assert(offsetof(EffectSlot, axisCount) == 0x24, "slot");
static_assert(offsetof(EffectSlot, axes) == 0x28, "slot");
static_assert(offsetof(EffectSlot, directions) == 0x38, "slot");
static_assert(offsetof(EffectSlot, envelope) == 0x48, "slot");
static_assert(offsetof(EffectSlot, constant) == 0x5c, "slot");
static_assert(offsetof(EffectSlot, ramp) == 0x60, "slot");
static_assert(offsetof(EffectSlot, periodic) == 0x68, "slot");
static_assert(offsetof(EffectSlot, condition) == 0x78, "slot");
static_assert(offsetof(EffectSlot, custom) == 0x90, "slot");
static_assert(sizeof(EffectSlot) == 160, "slot");

static_assert(offsetof(DeviceArea, slotUsed) == 0x000, "area");
static_assert(offsetof(DeviceArea, slotPlaying) == 0x100, "area");
static_assert(offsetof(DeviceArea, slots) == 0x200, "area");
static_assert(sizeof(DeviceArea) == 10752, "area");

static_assert(offsetof(DeviceSettings, motorParameters) == 0x00, "settings");
static_assert(offsetof(DeviceSettings, globalValue) == 0x04, "settings");
static_assert(offsetof(DeviceSettings, staticValue) == 0x08, "settings");
static_assert(offsetof(DeviceSettings, dynamicValue) == 0x0c, "settings");
static_assert(offsetof(DeviceSettings, springValue) == 0x10, "settings");
static_assert(offsetof(DeviceSettings, springEnabled) == 0x14, "settings");
static_assert(offsetof(DeviceSettings, driveDefaultSpring) == 0x15, "settings");
static_assert(offsetof(DeviceSettings, strictAngleDirection) == 0x16, "settings");
static_assert(offsetof(DeviceSettings, shockOrForceFeedback) == 0x17, "settings");
static_assert(offsetof(DeviceSettings, by10InertiaCoef) == 0x18, "settings");
static_assert(offsetof(DeviceSettings, by10DamperCoef) == 0x19, "settings");
static_assert(offsetof(DeviceSettings, by10SpringCoef) == 0x1a, "settings");
static_assert(offsetof(DeviceSettings, motionEstimate) == 0x1b, "settings");
static_assert(offsetof(DeviceSettings, gainOverride) == 0x1c, "settings");
static_assert(sizeof(DeviceSettings) == 284, "settings");

static_assert(offsetof(SharedEffectTable, areas) == 0x00000, "table");
static_assert(offsetof(SharedEffectTable, vendorIds) == 0x15000, "table");
static_assert(offsetof(SharedEffectTable, productIds) == 0x15010, "table");
static_assert(offsetof(SharedEffectTable, settings) == 0x15020, "table");
static_assert(offsetof(SharedEffectTable, gainOverrideActive) == 0x15900, "table");
static_assert(sizeof(SharedEffectTable) == 88352, "table");

}  // namespace quorforce
