// The tester's three sample effects: a constant, a ramp and a sine, five seconds each on
// the first actuator axes, filled into one DIEFFECT and its type-specific block. The
// dialog's buttons play them; a host test checks them byte for byte.
#pragma once

#include "platform/win32.h"

namespace quortest {

enum SampleKind { kConstantSample = 1, kRampSample = 2, kPeriodicSample = 3 };

// An effect with the records it points to. Not copyable: the DIEFFECT points into it.
struct SampleEffect {
    SampleEffect() = default;
    SampleEffect(const SampleEffect&) = delete;
    SampleEffect& operator=(const SampleEffect&) = delete;

    DIEFFECT effect = {};
    DWORD axes[2] = {};
    LONG directions[2] = {};
    union {
        DICONSTANTFORCE constant;
        DIRAMPFORCE ramp;
        DIPERIODIC periodic;
    } block = {};
};

// The DIEFFECT of DirectInput 6 and later, the size that includes dwStartDelay: 56 bytes on
// x86, 80 on x86-64, where its four pointers are 8 bytes. DirectInput refuses any other size.
constexpr DWORD kSampleEffectSize = sizeof(void*) == 8 ? 80 : 56;

// Fills `sample` for kind 1..3 on `axisCount` axes (X, then Y); E_FAIL for another kind.
HRESULT FillSampleEffect(int kind, DWORD axisCount, SampleEffect& sample);

}  // namespace quortest
