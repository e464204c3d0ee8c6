// Looking up a value's report id in the preparsed data.
#include "hid/report_id.h"

namespace quorforce {

void PutReportId(HIDP_REPORT_TYPE type, PHIDP_PREPARSED_DATA preparsed, USAGE page, USAGE usage,
                 BYTE* report) {
    HIDP_VALUE_CAPS caps;
    USHORT count = 1;
    if (HidP_GetSpecificValueCaps(type, page, 0, usage, &caps, &count, preparsed) ==
            HIDP_STATUS_SUCCESS &&
        count == 1) {
        report[0] = caps.ReportID;
    }
}

}  // namespace quorforce
