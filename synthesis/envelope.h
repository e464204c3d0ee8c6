// The effect envelope: attack from the attack level to the magnitude, sustain, fade to
// the fade level, silence after the end. Runs on ForceThread.
#pragma once

#include <cstdint>

namespace quorforce {

// The envelope inputs of one slot, times in milliseconds. end 0 means no end (no fade).
struct EnvelopeInputs {
    std::int32_t attackLevel = 10000;
    std::int32_t magnitude = 0;
    std::int32_t fadeLevel = 10000;
    std::int32_t attackTime = 0;
    std::int32_t fadeStart = 0;
    std::int32_t end = 0;
};

// The enveloped magnitude at t ms. Levels keep their signs. The products are computed
// wide, so long times and extreme levels cannot overflow.
std::int32_t ApplyEnvelope(std::int32_t t, const EnvelopeInputs& envelope);

}  // namespace quorforce
