// Looking up a value's report id in the preparsed data.
#include "hid/report_id.h"

namespace quorforce {

bool ReportIdOf(HIDP_REPORT_TYPE type, PHIDP_PREPARSED_DATA preparsed, USAGE page, USAGE usage,
                UCHAR* id) {
    HIDP_VALUE_CAPS caps;
    USHORT count = 1;
    if (HidP_GetSpecificValueCaps(type, page, 0, usage, &caps, &count, preparsed) !=
            HIDP_STATUS_SUCCESS ||
        count != 1) {
        return false;
    }
    *id = caps.ReportID;
    return true;
}

void PutReportId(HIDP_REPORT_TYPE type, PHIDP_PREPARSED_DATA preparsed, USAGE page, USAGE usage,
                 BYTE* report) {
    UCHAR id = 0;
    if (ReportIdOf(type, preparsed, page, usage, &id)) report[0] = id;
}

}  // namespace quorforce
