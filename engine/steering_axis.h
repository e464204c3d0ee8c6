// The scale of a device's steering axis (the X axis of its input report), which sizes the
// conditions that must feel the same on a wheel of any resolution. Read by ForceThread under
// the TableMutex, which guards the link's axis caps against a bind.
#pragma once

#include <cstdint>

#include "state/device_link.h"

namespace quorforce {

// The counts over the X axis's logical range (maximum - minimum + 1). The caps come from
// the device's report descriptor: a range that is empty or reversed (an unsigned maximum
// the descriptor wrote as negative) gives the counts its bit size holds instead, and a
// link without a usable X axis the 10-bit wheel's 1024.
std::int64_t SteeringAxisSpan(const DeviceLink& link);
// The X axis's middle in its own counts, where the driver's centring spring pulls: the middle
// of its logical range (512 on a 0..1023 axis), 0 on a signed axis whose range is unusable,
// half its span on an unsigned one, and the 10-bit wheel's 512 without an X axis.
std::int64_t SteeringAxisCentre(const DeviceLink& link);

}  // namespace quorforce
