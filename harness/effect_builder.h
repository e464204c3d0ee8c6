// A DIEFFECT with its own arrays and records, as DirectInput passes it to DownloadEffect:
// the one builder of the host tests, quorsim and the Windows test programs. Every pointer
// of the DIEFFECT points into the object itself, and a copy points into the copy.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"
#include "state/effect_ids.h"

namespace quorforce::harness {

class DirectInputEffect {
public:
    static constexpr DWORD kXAxis = DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(0);
    static constexpr DWORD kYAxis = DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(1);

    DWORD axes[4] = {kXAxis, kYAxis, 0, 0};
    LONG directions[4] = {};
    DIENVELOPE envelope = {sizeof(DIENVELOPE), 10000, 0, 10000, 0};
    DICONSTANTFORCE constant = {};
    DIRAMPFORCE ramp = {};
    DIPERIODIC periodic = {};
    DICONDITION conditions[2] = {};
    DIEFFECT effect = {};

    // Polar on the X axis, direction 0, infinite, full gain, no trigger, no start delay,
    // no envelope and no type-specific record.
    DirectInputEffect() {
        effect.dwSize = sizeof(DIEFFECT);
        effect.dwFlags = DIEFF_OBJECTIDS | DIEFF_POLAR;
        effect.dwDuration = INFINITE;
        effect.dwGain = 10000;
        effect.dwTriggerButton = DIEB_NOTRIGGER;
        effect.dwTriggerRepeatInterval = INFINITE;
        effect.cAxes = 1;
        effect.rgdwAxes = axes;
        effect.rglDirection = directions;
    }

    // A constant force of `magnitude`, the rest as above.
    static DirectInputEffect Constant(LONG magnitude) {
        DirectInputEffect e;
        e.constant.lMagnitude = magnitude;
        return e.Use(EffectKind::Constant);
    }

    // Points the type-specific parameters at the kind's record (a condition: one per axis).
    DirectInputEffect& Use(EffectKind kind) {
        switch (kind) {
        case EffectKind::Constant: return Point(&constant, sizeof constant);
        case EffectKind::Ramp: return Point(&ramp, sizeof ramp);
        case EffectKind::Periodic: return Point(&periodic, sizeof periodic);
        case EffectKind::Condition:
            return Point(conditions, sizeof(DICONDITION) * (effect.cAxes < 2 ? 1 : 2));
        case EffectKind::None: break;
        }
        return Point(nullptr, 0);
    }
    DirectInputEffect& Point(void* record, std::size_t size) {
        effect.lpvTypeSpecificParams = record;
        effect.cbTypeSpecificParams = static_cast<DWORD>(size);
        return *this;
    }
    DirectInputEffect& WithEnvelope() {
        effect.lpEnvelope = &envelope;
        return *this;
    }

    DirectInputEffect(const DirectInputEffect& other) { *this = other; }
    DirectInputEffect& operator=(const DirectInputEffect& other) {
        if (this == &other) return *this;
        Copy(axes, other.axes);
        Copy(directions, other.directions);
        envelope = other.envelope;
        constant = other.constant;
        ramp = other.ramp;
        periodic = other.periodic;
        Copy(conditions, other.conditions);
        effect = other.effect;
        effect.rgdwAxes = Into(other, other.effect.rgdwAxes);
        effect.rglDirection = Into(other, other.effect.rglDirection);
        effect.lpEnvelope = Into(other, other.effect.lpEnvelope);
        effect.lpvTypeSpecificParams = Into(other, other.effect.lpvTypeSpecificParams);
        return *this;
    }

private:
    template <typename T, std::size_t N>
    static void Copy(T (&to)[N], const T (&from)[N]) {
        for (std::size_t i = 0; i < N; ++i)
            to[i] = from[i];
    }
    // A pointer into `other` becomes the same place in this object; any other stays.
    template <typename T>
    T* Into(const DirectInputEffect& other, T* pointer) const {
        const auto from = reinterpret_cast<std::uintptr_t>(pointer);
        const auto base = reinterpret_cast<std::uintptr_t>(&other);
        if (from < base || from >= base + sizeof other) return pointer;
        return reinterpret_cast<T*>(reinterpret_cast<std::uintptr_t>(this) + (from - base));
    }
};

}  // namespace quorforce::harness
