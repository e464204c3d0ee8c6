// DeviceLink: this process's record of one bound HID interface, one per internal device
// id. Written by the bind (under the TableMutex and the InputMutex); read by ForceThread
// (under the TableMutex), PollThread (under the InputMutex) and the driver's operations.
#pragma once

#include <cstdint>

#include "platform/win32.h"

namespace quorforce {

constexpr std::uint16_t kMaxInputAxes = 4;

struct AxisCaps {
    std::uint16_t usage = 0;
    std::uint16_t usagePage = 0;
    std::int32_t logicalMin = 0;
    std::int32_t logicalMax = 0;
    std::uint16_t bitSize = 0;
    std::int32_t isSigned = 0;  // 1 when logicalMin is negative
};

struct DeviceLink {
    HANDLE deviceHandle = nullptr;
    PHIDP_PREPARSED_DATA preparsedData = nullptr;
    AxisCaps inputAxes[kMaxInputAxes] = {};
    std::uint16_t outputUsage = 0;
    std::uint16_t outputUsagePage = 0;
    std::uint16_t inputReportLength = 0;
    std::uint16_t outputReportLength = 0;
    std::uint16_t featureReportLength = 0;
    std::int32_t inUse = 0;      // 1 while bound
    std::int32_t lastFirst = 0;  // channel bytes of the last output value; -1 after a bind
    std::int32_t lastSecond = 0;
    std::uint8_t reportFormat = 0;  // how the two channel bytes are packed
    std::uint16_t inputAxisCount = 0;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::int32_t sendFailing = 0;  // 1 from a failed send to the next one that succeeds
    // The steering axis's counts as the mixer took them from the caps, 0 until it does: the
    // caps change only at a bind, which clears it, and the mix needs them in every tick.
    std::int64_t axisSpan = 0;
};

}  // namespace quorforce
