// The soft limit's compression.
#include "engine/soft_limit.h"

namespace quorforce {

std::int32_t SoftLimit(std::int64_t sum, std::int32_t full, std::int32_t kneePercent) {
    const std::int64_t limit = full > 0 ? full : 1;
    const std::int64_t size = sum < 0 ? -sum : sum;
    std::int64_t out = size > limit ? limit : size;
    if (kneePercent > 0) {
        const std::int64_t percent = kneePercent < kLeastKneePercent
                                         ? kLeastKneePercent
                                         : (kneePercent > 99 ? 99 : kneePercent);
        const std::int64_t knee = limit * percent / 100;
        const std::int64_t room = limit - knee;
        // The excess is capped so that e × r fits 64 bits; past the cap the force is a hair
        // below full force either way.
        constexpr std::int64_t kLargestExcess = std::int64_t{1} << 40;
        std::int64_t excess = size - knee;
        if (excess > kLargestExcess) excess = kLargestExcess;
        out = size <= knee ? size : knee + room * excess / (excess + room);
    }
    return static_cast<std::int32_t>(sum < 0 ? -out : out);
}

}  // namespace quorforce
