// Host stand-in: a HID report-descriptor parser, enough for joysticks, wheels and vendor
// feature pages (report ids, sizes and counts, signed logical ranges, usages and usage
// ranges, collections). It is what the stand-in's preparsed data holds.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/host/hid.h"

namespace host {

// One run of report elements that share a usage (or a usage range) in one report.
struct HidField {
    HIDP_REPORT_TYPE type = HidP_Input;
    std::uint8_t reportId = 0;
    std::uint32_t bitOffset = 0;  // from the start of the report, the id byte included
    std::uint16_t bitSize = 0;
    std::uint16_t count = 0;  // elements in the run
    std::uint16_t usagePage = 0;
    std::uint16_t usageMin = 0;
    std::uint16_t usageMax = 0;
    bool isRange = false;
    bool isArray = false;
    bool isButton = false;  // arrays and one-bit variables
    bool isConstant = false;
    std::int32_t logicalMin = 0;
    std::int32_t logicalMax = 0;
    std::uint16_t linkCollection = 0;
};

struct ParsedDescriptor {
    bool valid = false;
    std::vector<HidField> fields;
    std::uint16_t usage = 0;  // of the first top-level collection
    std::uint16_t usagePage = 0;
    std::uint16_t collections = 0;
    std::uint16_t inputLength = 0;  // report byte lengths, the id byte included
    std::uint16_t outputLength = 0;
    std::uint16_t featureLength = 0;

    std::uint16_t LengthOf(HIDP_REPORT_TYPE type) const;
};

ParsedDescriptor ParseReportDescriptor(const std::vector<std::uint8_t>& descriptor);

}  // namespace host

// What HidD_GetPreparsedData hands out.
struct _HIDP_PREPARSED_DATA {
    host::ParsedDescriptor parsed;
    bool refuseCaps = false;  // the device's fault switch when it was taken
};
