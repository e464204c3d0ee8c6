// The stand-in's HID parser and device I/O with descriptors and reports that a sloppy or
// hostile device may bring: no value lands outside its report, no length is cut, an empty
// report reads as zero bytes (the sanitizer builds catch what the expectations cannot).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/host/hid_descriptor.h"
#include "platform/host/virtual_hid.h"
#include "platform/win32.h"
#include "tests/hid/hid_test_support.h"

namespace {

using quorforce::test::Descriptor;

TEST(HidStandIn, UsagesPastARangesElementsHaveNoPlace) {
    // Output usages 1..255 on page 1, but only one 8-bit element: a 2-byte report.
    const Descriptor d = Descriptor()
                             .UsagePage(1)
                             .Usage(4)
                             .Application()
                             .ReportId(1)
                             .UsageRange(1, 255)
                             .Logical(0, 255)
                             .Size(8, 1)
                             .Output()
                             .End();
    _HIDP_PREPARSED_DATA preparsed{host::ParseReportDescriptor(d.Bytes()), false};
    ASSERT_EQ(preparsed.parsed.outputLength, 2u);
    const struct {
        USAGE usage;
        NTSTATUS status;
    } cases[] = {{1, HIDP_STATUS_SUCCESS},
                 {2, HIDP_STATUS_USAGE_NOT_FOUND},
                 {255, HIDP_STATUS_USAGE_NOT_FOUND}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.usage);
        std::vector<char> report(2, 0);
        EXPECT_EQ(
            HidP_SetUsageValue(HidP_Output, 1, 0, c.usage, 0x5A, &preparsed, report.data(), 2),
            c.status);
        ULONG value = 0;
        EXPECT_EQ(
            HidP_GetUsageValue(HidP_Output, 1, 0, c.usage, &value, &preparsed, report.data(), 2),
            c.status);
    }
}

TEST(HidStandIn, ReportsLongerThanTheCapabilitiesCanSayAreRefused) {
    // 65535 bytes of padding before X make a report of 65537 bytes; an 8-bit length
    // count of one more than fits is refused the same way.
    const auto withPadding = [](int paddingBytes) {
        Descriptor d;
        d.UsagePage(1).Usage(4).Application().Size(8, paddingBytes).Item(0x80, 0x01);
        return d.Usage(0x30).Logical(0, 255).Size(8, 1).Input().End().Bytes();
    };
    EXPECT_TRUE(host::ParseReportDescriptor(withPadding(0xFFFF - 2)).valid);
    EXPECT_EQ(host::ParseReportDescriptor(withPadding(0xFFFF - 2)).inputLength, 0xFFFFu);
    EXPECT_FALSE(host::ParseReportDescriptor(withPadding(0xFFFF)).valid);
    // A report size whose product with the count wraps 32 bits.
    Descriptor wrap;
    wrap.UsagePage(1).Usage(4).Application().Usage(0x30).Item(0x74, 0x80000).Item(0x94, 0x2000);
    EXPECT_FALSE(host::ParseReportDescriptor(wrap.Input().End().Bytes()).valid);
}

TEST(HidStandIn, AnEmptyQueuedReportReadsAsNothing) {
    host::ResetStandIn();
    auto wheel = host::PlugVirtualHid(host::BuiltInWheel());
    HANDLE device = CreateFileA(wheel->Config().path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    BYTE buffer[8] = {0xEE};
    OVERLAPPED overlapped = {};
    DWORD read = 99;
    wheel->QueueInput({});
    EXPECT_TRUE(ReadFile(device, buffer, sizeof buffer, &read, &overlapped));
    EXPECT_EQ(read, 0u);
    // A read left waiting takes an empty report the same way.
    EXPECT_FALSE(ReadFile(device, buffer, sizeof buffer, &read, &overlapped));
    wheel->QueueInput({});
    EXPECT_EQ(overlapped.InternalHigh, 0u);
    EXPECT_EQ(buffer[0], 0xEE);
    CloseHandle(device);
    host::ResetStandIn();
}

}  // namespace
