// ForcePair: what one effect contributes at one instant, two 16-bit force halves and a
// sign for each. The mixer adds or subtracts each half by its sign.
#pragma once

#include <cstdint>

namespace quorforce {

struct ForcePair {
    std::uint16_t first = 0;   // low half of the result word
    std::uint16_t second = 0;  // high half
    // 16 bits wide though they hold only 1 or -1: the pair is then 8 bytes of four equal
    // fields, which every synthesis routine returns in one register. With 8-bit signs the
    // compiler assembled the 6-byte pair through the stack with stores of mixed widths and
    // wider loads, a stall at every return, a third of the synthesis time.
    std::int16_t firstSign = 1;  // -1: the half is negative (force-feedback mode only)
    std::int16_t secondSign = 1;

    std::uint32_t Word() const { return first | (static_cast<std::uint32_t>(second) << 16); }
};

}  // namespace quorforce
