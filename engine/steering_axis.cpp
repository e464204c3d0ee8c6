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

// The input read keeps the last X axis it finds; so do the scale and the centre.
const AxisCaps* SteeringAxis(const DeviceLink& link) {
    const std::uint16_t axes =
        link.inputAxisCount < kMaxInputAxes ? link.inputAxisCount : kMaxInputAxes;
    const AxisCaps* steering = nullptr;
    for (std::uint16_t i = 0; i < axes; ++i) {
        const AxisCaps& axis = link.inputAxes[i];
        if (axis.usage == kXUsage && axis.usagePage == kGenericDesktopPage) steering = &axis;
    }
    return steering;
}

}  // namespace

std::int64_t SteeringAxisSpan(const DeviceLink& link) {
    const AxisCaps* axis = SteeringAxis(link);
    return axis != nullptr ? SpanOf(*axis) : kTenBitAxisSpan;
}

std::int64_t SteeringAxisCentre(const DeviceLink& link) {
    const AxisCaps* axis = SteeringAxis(link);
    if (axis == nullptr) return kTenBitAxisSpan / 2;
    const std::int64_t low = axis->logicalMin, high = axis->logicalMax;
    if (high - low + 1 >= 2) return (low + high + 1) / 2;
    return axis->isSigned != 0 ? 0 : SpanOf(*axis) / 2;
}

}  // namespace quorforce
