// DeviceLink: this process's record of one bound HID interface, one per internal device
// id. Written by the bind (under the TableMutex and the InputMutex); read by ForceThread
// (under the TableMutex), PollThread (under the InputMutex) and the driver's operations.
#pragma once

#include <cstdint>

#include "driver/shared_table.h"
#include "platform/win32.h"

namespace quorforce {

constexpr std::uint16_t kMaxInputAxes = 4;

struct AxisCaps {
    std::uint16_t usage;
    std::uint16_t usagePage;
    std::int32_t logicalMin;
    std::int32_t logicalMax;
    std::uint16_t bitSize;
    std::int32_t isSigned;  // 1 when logicalMin is negative
};

struct DeviceLink {
    HANDLE deviceHandle;
    PHIDP_PREPARSED_DATA preparsedData;
    AxisCaps inputAxes[kMaxInputAxes];
    std::uint16_t outputUsage;
    std::uint16_t outputUsagePage;
    std::uint16_t inputReportLength;
    std::uint16_t outputReportLength;
    std::uint16_t featureReportLength;
    std::int32_t inUse;       // 1 while bound
    std::int32_t lastFirst;   // channel bytes of the last output value; -1 after a bind
    std::int32_t lastSecond;
    std::uint8_t reportFormat;  // how the two channel bytes are packed
    std::uint16_t inputAxisCount;
    std::uint16_t vendorId;
    std::uint16_t productId;
};

extern DeviceLink deviceLinks[kAreaCount];

// 1 on an NT-family system above 4.0 (it selects the form of the device-class key).
extern std::int32_t isNtAbove4;

}  // namespace quorforce
