// The sign-extension masks.
#include "util/sign_extend.h"

namespace quorforce {

std::uint32_t signMasks[32];

void BuildSignMasks() {
    for (std::uint32_t i = 0; i < 32; ++i)
        signMasks[i] = 0xFFFFFFFFu << i;
}

std::uint32_t SignExtend(std::uint16_t bitSize, std::uint32_t raw) {
    if (bitSize == 0 || bitSize >= 32) return raw;
    const bool negative = (raw >> (bitSize - 1)) & 1u;
    return negative ? raw | signMasks[bitSize] : raw;
}

}  // namespace quorforce
