// Sign extension of raw HID values: a signed field of n bits becomes a 32-bit value. The
// masks are a lookup table written once (at engine start and at each bind), read-only
// afterwards.
#pragma once

#include <cstdint>

namespace quorforce {

extern std::uint32_t signMasks[32];

// Entry i of signMasks: every bit from bit i up.
void BuildSignMasks();

// raw with every bit from bitSize up set when bit bitSize-1 is set; raw itself for a bit
// size of 0 or 32 and more.
std::uint32_t SignExtend(std::uint16_t bitSize, std::uint32_t raw);

}  // namespace quorforce
