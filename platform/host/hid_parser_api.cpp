// Host stand-in: the HidP_ functions, answered from the parsed report descriptor.
#include <cstring>

#include "platform/host/hid.h"
#include "platform/host/hid_descriptor.h"

using host::HidField;
using host::ParsedDescriptor;

namespace {

bool Matches(const HidField& f, HIDP_REPORT_TYPE type, USAGE page, USHORT collection, USAGE usage) {
    return f.type == type && (page == 0 || f.usagePage == page) &&
           (collection == 0 || f.linkCollection == collection) &&
           (usage == 0 || (usage >= f.usageMin && usage <= f.usageMax));
}

// A usage range may name more usages than the field has elements: those past the last
// element have no place in the report.
bool HasElement(const HidField& f, USAGE usage) {
    return !f.isRange || usage == 0 || static_cast<std::uint32_t>(usage - f.usageMin) < f.count;
}

const HidField* FindValue(const ParsedDescriptor& d, HIDP_REPORT_TYPE type, USAGE page,
                          USHORT collection, USAGE usage) {
    for (const HidField& f : d.fields) {
        if (!f.isButton && f.usagePage == page && Matches(f, type, page, collection, usage) &&
            HasElement(f, usage)) {
            return &f;
        }
    }
    return nullptr;
}

std::uint32_t ElementOffset(const HidField& f, USAGE usage) {
    const std::uint32_t index = f.isRange ? static_cast<std::uint32_t>(usage - f.usageMin) : 0;
    return f.bitOffset + index * f.bitSize;
}

std::uint32_t ReadBits(const unsigned char* report, std::uint32_t offset, std::uint16_t size) {
    std::uint32_t value = 0;
    for (std::uint16_t b = 0; b < size && b < 32; ++b) {
        const std::uint32_t bit = offset + b;
        if ((report[bit / 8] >> (bit % 8)) & 1u) value |= 1u << b;
    }
    return value;
}

void WriteBits(unsigned char* report, std::uint32_t offset, std::uint16_t size,
               std::uint32_t value) {
    for (std::uint16_t b = 0; b < size; ++b) {
        const std::uint32_t bit = offset + b;
        const unsigned char mask = static_cast<unsigned char>(1u << (bit % 8));
        const bool set = b < 32 && ((value >> b) & 1u);
        report[bit / 8] =
            static_cast<unsigned char>(set ? report[bit / 8] | mask : report[bit / 8] & ~mask);
    }
}

NTSTATUS CheckReport(const ParsedDescriptor* d, HIDP_REPORT_TYPE type, PCHAR report, ULONG length) {
    if (d == nullptr || !d->valid) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    if (type != HidP_Input && type != HidP_Output && type != HidP_Feature) {
        return HIDP_STATUS_INVALID_REPORT_TYPE;
    }
    if (report == nullptr || length != d->LengthOf(type)) return HIDP_STATUS_INVALID_REPORT_LENGTH;
    return HIDP_STATUS_SUCCESS;
}

const ParsedDescriptor* Parsed(PHIDP_PREPARSED_DATA preparsed) {
    return preparsed != nullptr ? &preparsed->parsed : nullptr;
}

// The one value field a HidP_Set/GetUsageValue call means, after checking the report.
NTSTATUS LocateValue(HIDP_REPORT_TYPE type, USAGE page, USHORT collection, USAGE usage,
                     PHIDP_PREPARSED_DATA preparsed, PCHAR report, ULONG length,
                     const HidField** field) {
    const ParsedDescriptor* d = Parsed(preparsed);
    const NTSTATUS status = CheckReport(d, type, report, length);
    if (status != HIDP_STATUS_SUCCESS) return status;
    *field = FindValue(*d, type, page, collection, usage);
    if (*field == nullptr) return HIDP_STATUS_USAGE_NOT_FOUND;
    if (!(*field)->isRange && (*field)->count > 1) return HIDP_STATUS_IS_VALUE_ARRAY;
    return HIDP_STATUS_SUCCESS;
}

}  // namespace

NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA preparsed, PHIDP_CAPS caps) {
    const ParsedDescriptor* d = Parsed(preparsed);
    if (d == nullptr || !d->valid || caps == nullptr || preparsed->refuseCaps) {
        return HIDP_STATUS_INVALID_PREPARSED_DATA;
    }
    std::memset(caps, 0, sizeof *caps);
    caps->Usage = d->usage;
    caps->UsagePage = d->usagePage;
    caps->InputReportByteLength = d->inputLength;
    caps->OutputReportByteLength = d->outputLength;
    caps->FeatureReportByteLength = d->featureLength;
    caps->NumberLinkCollectionNodes = d->collections;
    for (const HidField& f : d->fields) {
        USHORT* buttons = f.type == HidP_Input    ? &caps->NumberInputButtonCaps
                          : f.type == HidP_Output ? &caps->NumberOutputButtonCaps
                                                  : &caps->NumberFeatureButtonCaps;
        USHORT* values = f.type == HidP_Input    ? &caps->NumberInputValueCaps
                         : f.type == HidP_Output ? &caps->NumberOutputValueCaps
                                                 : &caps->NumberFeatureValueCaps;
        ++*(f.isButton ? buttons : values);
    }
    return HIDP_STATUS_SUCCESS;
}

NTSTATUS HidP_GetSpecificValueCaps(HIDP_REPORT_TYPE type, USAGE page, USHORT collection,
                                   USAGE usage, PHIDP_VALUE_CAPS caps, PUSHORT capsLength,
                                   PHIDP_PREPARSED_DATA preparsed) {
    const ParsedDescriptor* d = Parsed(preparsed);
    if (d == nullptr || !d->valid) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    if (capsLength == nullptr || caps == nullptr) return HIDP_STATUS_BUFFER_TOO_SMALL;
    USHORT filled = 0;
    for (const HidField& f : d->fields) {
        if (f.isButton || !Matches(f, type, page, collection, usage)) continue;
        if (filled == *capsLength) break;
        HIDP_VALUE_CAPS& c = caps[filled++];
        std::memset(&c, 0, sizeof c);
        c.UsagePage = f.usagePage;
        c.ReportID = f.reportId;
        c.LinkCollection = f.linkCollection;
        c.IsRange = f.isRange;
        c.IsAbsolute = 1;
        c.BitSize = f.bitSize;
        c.ReportCount = f.count;
        c.LogicalMin = f.logicalMin;
        c.LogicalMax = f.logicalMax;
        if (f.isRange) {
            c.Range.UsageMin = f.usageMin;
            c.Range.UsageMax = f.usageMax;
        } else {
            c.NotRange.Usage = f.usageMin;
        }
    }
    *capsLength = filled;
    return filled == 0 ? HIDP_STATUS_USAGE_NOT_FOUND : HIDP_STATUS_SUCCESS;
}

NTSTATUS HidP_SetUsageValue(HIDP_REPORT_TYPE type, USAGE page, USHORT collection, USAGE usage,
                            ULONG value, PHIDP_PREPARSED_DATA preparsed, PCHAR report,
                            ULONG length) {
    const HidField* f = nullptr;
    const NTSTATUS status =
        LocateValue(type, page, collection, usage, preparsed, report, length, &f);
    if (status != HIDP_STATUS_SUCCESS) return status;
    auto* bytes = reinterpret_cast<unsigned char*>(report);
    if (bytes[0] != 0 && bytes[0] != f->reportId) return HIDP_STATUS_INCOMPATIBLE_REPORT_ID;
    bytes[0] = f->reportId;  // the HidP_Set routines set the report id
    WriteBits(bytes, ElementOffset(*f, usage), f->bitSize, value);
    return HIDP_STATUS_SUCCESS;
}

NTSTATUS HidP_GetUsageValue(HIDP_REPORT_TYPE type, USAGE page, USHORT collection, USAGE usage,
                            PULONG value, PHIDP_PREPARSED_DATA preparsed, PCHAR report,
                            ULONG length) {
    const HidField* f = nullptr;
    const NTSTATUS status =
        LocateValue(type, page, collection, usage, preparsed, report, length, &f);
    if (status != HIDP_STATUS_SUCCESS) return status;
    const auto* bytes = reinterpret_cast<const unsigned char*>(report);
    if (bytes[0] != f->reportId) return HIDP_STATUS_INCOMPATIBLE_REPORT_ID;
    if (value != nullptr) *value = ReadBits(bytes, ElementOffset(*f, usage), f->bitSize);
    return HIDP_STATUS_SUCCESS;
}

NTSTATUS HidP_GetUsages(HIDP_REPORT_TYPE type, USAGE page, USHORT collection, PUSAGE list,
                        PULONG listLength, PHIDP_PREPARSED_DATA preparsed, PCHAR report,
                        ULONG length) {
    const ParsedDescriptor* d = Parsed(preparsed);
    NTSTATUS status = CheckReport(d, type, report, length);
    if (status != HIDP_STATUS_SUCCESS) return status;
    if (listLength == nullptr) return HIDP_STATUS_BUFFER_TOO_SMALL;
    const auto* bytes = reinterpret_cast<const unsigned char*>(report);
    bool anyField = false, inThisReport = false;
    ULONG found = 0;
    for (const HidField& f : d->fields) {
        if (!f.isButton || !Matches(f, type, page, collection, 0)) continue;
        anyField = true;
        if (f.reportId != bytes[0]) continue;
        inThisReport = true;
        for (std::uint16_t i = 0; i < f.count; ++i) {
            const std::uint32_t raw = ReadBits(bytes, f.bitOffset + i * f.bitSize, f.bitSize);
            USAGE usage = 0;
            if (f.isArray) {
                const std::int64_t index = static_cast<std::int64_t>(raw) - f.logicalMin;
                if (index < 0 || raw > static_cast<std::uint32_t>(f.logicalMax) ||
                    (raw == 0 && f.logicalMin > 0)) {
                    continue;
                }
                usage = static_cast<USAGE>(f.usageMin + index);
            } else if (raw != 0) {
                usage = static_cast<USAGE>(f.usageMin + (f.isRange ? i : 0));
            } else {
                continue;
            }
            if (found < *listLength && list != nullptr) list[found] = usage;
            ++found;
        }
    }
    if (!anyField) return HIDP_STATUS_USAGE_NOT_FOUND;
    if (!inThisReport) return HIDP_STATUS_INCOMPATIBLE_REPORT_ID;
    const bool fits = found <= *listLength;
    *listLength = found;
    return fits ? HIDP_STATUS_SUCCESS : HIDP_STATUS_BUFFER_TOO_SMALL;
}
