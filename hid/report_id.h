// The report id of a HID value, put in byte 0 of a report buffer. Some HID parsers (Wine's)
// leave byte 0 alone when they place a value; the device refuses a report without its id.
#pragma once

#include "platform/win32.h"

namespace quorforce {

// The id of the report that carries the value; false when the device describes no such
// value (or more than one).
bool ReportIdOf(HIDP_REPORT_TYPE type, PHIDP_PREPARSED_DATA preparsed, USAGE page, USAGE usage,
                UCHAR* id);

void PutReportId(HIDP_REPORT_TYPE type, PHIDP_PREPARSED_DATA preparsed, USAGE page, USAGE usage,
                 BYTE* report);

}  // namespace quorforce
