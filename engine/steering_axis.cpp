// The steering axis's span from the link's axis caps.
#include "engine/steering_axis.h"

#include "synthesis/conditions.h"

namespace quorforce {
namespace {

constexpr std::uint16_t kXUsage = 0x30;
constexpr std::uint16_t kGenericDesktopPage = 1;

std::int64_t SpanOf(const AxisCaps& axis) {
    const std::int64_t range =
        static_cast<std::int64_t>(axis.logicalMax) - static_cast<std::int64_t>(axis.logicalMin) + 1;
    if (range >= 2) return range;
    if (axis.bitSize >= 2 && axis.bitSize <= 32) return std::int64_t{1} << axis.bitSize;
    return kTenBitAxisSpan;
}

}  // namespace

std::int64_t SteeringAxisSpan(const DeviceLink& link) {
    const std::uint16_t axes =
        link.inputAxisCount < kMaxInputAxes ? link.inputAxisCount : kMaxInputAxes;
    // The input read keeps the last X axis it finds; so does the scale.
    std::int64_t span = kTenBitAxisSpan;
    for (std::uint16_t i = 0; i < axes; ++i) {
        const AxisCaps& axis = link.inputAxes[i];
        if (axis.usage == kXUsage && axis.usagePage == kGenericDesktopPage) span = SpanOf(axis);
    }
    return span;
}

}  // namespace quorforce
