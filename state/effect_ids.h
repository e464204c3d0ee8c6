// The driver effect ids DirectInput passes to DownloadEffect (from the device's
// force-feedback registration) and the kind of slot record each is stored as.
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
};

enum class EffectKind { None, Periodic, Constant, Ramp, Condition };

// None for every id the driver does not accept (34 included).
EffectKind KindOfEffect(std::uint32_t effectId);

// Bytes of the type-specific record the kind keeps (0 for None).
std::size_t RecordSizeOfKind(EffectKind kind);

}  // namespace quorforce
