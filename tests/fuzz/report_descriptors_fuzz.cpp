// A device with any report descriptor: discovery and binding, then its input reports
// through the poll pass, an output value and the default-spring feature reports, all with
// the lengths and places its descriptor gives.
#include <cstddef>
#include <cstdint>

#include "hid/default_spring.h"
#include "hid/device_discovery.h"
#include "hid/report_io.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/fuzz_rig.h"

namespace {
constexpr std::uint32_t kUsages[] = {0xBB, 0x30, 0x31, 1, 2, 3, 4};
constexpr std::uint32_t kPages[] = {1, 9, 0xFF00};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorforce;
    using namespace quorforce::fuzz;
    SharedRig();
    ProcessState& process = Module().process;
    static BYTE* buffer = new BYTE[kPollBufferSize];
    FuzzInput in(data, size);
    host::VirtualHidConfig config;
    config.vendorId = 0x7B3E;
    config.productId = 0x0001;
    config.path = host::HidDevicePath(config.vendorId, config.productId, "fuzz");
    const std::size_t descriptorLength = in.Byte() + (in.Chance(8) ? 256 * in.Byte() : 0);
    config.descriptor = in.Bytes(descriptorLength);
    std::shared_ptr<host::VirtualHid> device = host::PlugVirtualHid(config);
    static const bool registered = [&config] {
        const GUID instance = {0xB0000002, 1, 2, {1, 2, 3, 4, 5, 6, 7, 9}};
        host::SetDeviceParametersEntry(config.path, instance, 1);
        host::SetCalibrationEntry(config.vendorId, config.productId, 0, instance, 1);
        return true;
    }();
    (void)registered;
    DeviceLink& link = process.deviceLinks[1];
    if (ZXOpenDevice(process, config.vendorId, 0, &link, 1, 1) == Done::Yes) {
        link.outputUsagePage = static_cast<std::uint16_t>(in.OneOf(kPages));
        link.outputUsage = static_cast<std::uint16_t>(in.OneOf(kUsages));
        const int reports = in.Byte() % 4;
        for (int i = 0; i < reports; ++i)
            device->QueueInput(in.Bytes(in.Byte()));
        PollPass(process, buffer, in.Word());
        SendOutputBuffer(process, link.deviceHandle, link.outputReportLength, link.preparsedData,
                         link.outputUsagePage, link.outputUsage, in.Word());
        process.areaOfPlace[1] = 1;
        process.table->settings[1].springEnabled = in.Byte();
        process.table->settings[1].springValue = static_cast<std::int32_t>(in.Word());
        ZXSetDefaultSpring(process, 1);
        process.areaOfPlace[1] = 0;
    }
    // Nothing of this device stays for the next input but the link's handle, which the
    // next binding releases.
    device->inputQueue.clear();
    host::RemoveVirtualHid(device);
    return 0;
}
