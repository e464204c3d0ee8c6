// The two default-spring feature reports.
#include "hid/default_spring.h"

#include <cstring>

#include "hid/report_id.h"
#include "record/event_lines.h"
#include "record/recorder.h"
#include "util/mutex_lock.h"

namespace quorforce {
namespace {

constexpr USAGE kVendorPage = 0xFF00;
constexpr USAGE kSwitchUsage = 1;
constexpr USAGE kSwitchCentreUsage = 2;
constexpr USAGE kStrengthUsage = 3;
constexpr USAGE kStrengthScaleUsage = 4;

// The link this process bound to the joystick id, or null. The map alone cannot tell: an
// id never bound maps to area 0, which may hold another device.
const DeviceLink* BoundLinkOf(const ProcessState& process, int place) {
    if (process.table == nullptr || place < 0 || place >= static_cast<int>(kJoystickCount)) {
        return nullptr;
    }
    const std::int32_t area = process.areaOfPlace[place];
    if (area < 0 || area >= static_cast<std::int32_t>(kAreaCount)) return nullptr;
    const DeviceLink& link = process.deviceLinks[area];
    if (process.placeOfArea[area] != place || link.inUse != 1 || link.deviceHandle == nullptr ||
        link.preparsedData == nullptr) {
        return nullptr;
    }
    return &link;
}

// Places the two values of one report into the zeroed buffer, with the report's id. Two
// values that the device puts in different reports cannot travel in one buffer.
bool PlacePair(const DeviceLink& link, BYTE* report, USAGE firstUsage, ULONG first,
               USAGE secondUsage, ULONG second) {
    UCHAR firstId = 0, secondId = 0;
    if (!ReportIdOf(HidP_Feature, link.preparsedData, kVendorPage, firstUsage, &firstId) ||
        !ReportIdOf(HidP_Feature, link.preparsedData, kVendorPage, secondUsage, &secondId) ||
        firstId != secondId) {
        return false;
    }
    std::memset(report, 0, link.featureReportLength);
    auto* bytes = reinterpret_cast<PCHAR>(report);
    if (HidP_SetUsageValue(HidP_Feature, kVendorPage, 0, firstUsage, first, link.preparsedData,
                           bytes, link.featureReportLength) != HIDP_STATUS_SUCCESS ||
        HidP_SetUsageValue(HidP_Feature, kVendorPage, 0, secondUsage, second, link.preparsedData,
                           bytes, link.featureReportLength) != HIDP_STATUS_SUCCESS) {
        return false;
    }
    PutReportId(HidP_Feature, link.preparsedData, kVendorPage, firstUsage, report);
    return true;
}

// Every feature report goes out here, so that a recorded session shows it.
bool SetFeature(const DeviceLink& link, BYTE* report) {
    if (Recording())
        RecordReportLine("feature", link.deviceHandle, report, link.featureReportLength);
    return HidD_SetFeature(link.deviceHandle, report, link.featureReportLength) != FALSE;
}

Done SendReports(const ProcessState& process, int place, const DeviceLink& link, BYTE* report) {
    const volatile DeviceSettings& settings = process.table->settings[place];
    const bool enabled = settings.springEnabled != 0;
    if (!PlacePair(link, report, kSwitchUsage, enabled ? 0xFFFF : 0, kSwitchCentreUsage, 0x8000) ||
        !SetFeature(link, report)) {
        return Done::No;
    }
    if (settings.springEnabled == 0)
        return Done::Yes;  // read again: a control panel may have changed it
    // Percent to the device's 0..127 scale, sent as the low 16 bits. The bytes are those of
    // 32-bit arithmetic, the same in every build of the driver: the product of a value past
    // 16,909,320 wraps before the division. It wraps through unsigned arithmetic, which
    // defines it.
    const auto product =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(settings.springValue) * 127u);
    const ULONG strength = static_cast<ULONG>(product / 100) & 0xFFFF;
    if (!PlacePair(link, report, kStrengthUsage, strength, kStrengthScaleUsage, 127))
        return Done::No;
    SetFeature(link, report);
    return Done::Yes;
}

}  // namespace

Done ZXSetDefaultSpring(ProcessState& process, int place) {
    // A DeviceID in this process may rebind the link at any moment (DirectInput calls it
    // at every acquire), closing its handle and freeing its preparsed data: the whole call
    // sees one binding.
    MutexLock lock(process.tableMutex);
    const DeviceLink* link = BoundLinkOf(process, place);
    if (link == nullptr || link->featureReportLength == 0) return Done::No;
    auto* report = static_cast<BYTE*>(LocalAlloc(LPTR, link->featureReportLength));
    if (report == nullptr) return Done::No;
    const Done result = SendReports(process, place, *link, report);
    LocalFree(report);
    return result;
}

}  // namespace quorforce
