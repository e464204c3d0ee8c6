// Discovery and binding: joystick ids from DirectInput's calibration entries and Device
// Parameters keys, vendor and product matching, the axis caps, and rebinding.
#include <string>

#include "tests/hid/hid_test_support.h"

namespace quorforce {
namespace {

using test::DeviceLinkTest;
using test::InstanceGuid;

TEST_F(DeviceLinkTest, BindsTheBuiltInWheelWithItsCapabilities) {
    Plug(host::BuiltInWheel(), 0);
    DeviceLink& link = process.deviceLinks[0];
    ASSERT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &link, 0, 1), Done::Yes);
    EXPECT_EQ(link.inUse, 1);
    EXPECT_EQ(link.vendorId, 0x5A1C);
    EXPECT_EQ(link.productId, 0xE410);
    EXPECT_EQ(link.inputReportLength, 5);
    EXPECT_EQ(link.outputReportLength, 3);
    EXPECT_EQ(link.featureReportLength, 5);
    EXPECT_EQ(link.outputUsagePage, 1);  // the top-level collection: a joystick
    EXPECT_EQ(link.outputUsage, 4);
    EXPECT_EQ(link.lastFirst, -1);
    EXPECT_EQ(link.lastSecond, -1);
    ASSERT_EQ(link.inputAxisCount, 2);
    EXPECT_EQ(link.inputAxes[0].usage, 0x30);
    EXPECT_EQ(link.inputAxes[0].bitSize, 10);
    EXPECT_EQ(link.inputAxes[0].logicalMax, 1023);
    EXPECT_EQ(link.inputAxes[0].isSigned, 0);
    EXPECT_EQ(link.inputAxes[1].usage, 0x31);
    EXPECT_NE(link.deviceHandle, nullptr);
    EXPECT_NE(process.reports.writeOverlapped.hEvent, nullptr);
    EXPECT_NE(process.reports.readOverlapped.hEvent, nullptr);
}

TEST_F(DeviceLinkTest, TwoWheelsOfOneVendorAreToldApartByJoystickId) {
    Plug(Config(host::BuiltInWheelDescriptor(), 0x5A1C, 0xE410, "0000"), 0);
    Plug(Config(host::BuiltInWheelDescriptor(), 0x5A1C, 0xE410, "0001"), 1, 1);
    ASSERT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[3], 1, 1), Done::Yes);
    ASSERT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[4], 0, 1), Done::Yes);
    EXPECT_EQ(host::OpenDeviceHandleCount(), 2);  // the interfaces passed over were closed
    // Each link talks to its own device.
    char path[kDevicePathSize];
    bool noMore = false;
    GUID hid;
    HidD_GetHidGuid(&hid);
    HANDLE second = ZXOpenInterface(hid, 1, path, &noMore);
    EXPECT_NE(std::string(path).find("#0001#"), std::string::npos);
    CloseHandle(second);
    EXPECT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[5], 2, 1), Done::No);
    EXPECT_EQ(process.deviceLinks[5].inUse, 0);
}

// A wanted interface whose preparsed data or capabilities cannot be had ends the bind at
// once: a second interface that would match is not tried.
TEST_F(DeviceLinkTest, ABindThatFailsOnTheWantedInterfaceEndsAtOnce) {
    for (bool caps : {false, true}) {
        SCOPED_TRACE(caps ? "caps" : "preparsed data");
        host::UnplugAllVirtualHids();
        auto first = Plug(Config(host::BuiltInWheelDescriptor(), 0x5A1C, 0xE410, "0000"), 0);
        Plug(Config(host::BuiltInWheelDescriptor(), 0x5A1C, 0xE410, "0001"), 0, 1);
        (caps ? first->RefuseCaps(true) : first->RefusePreparsedData(true));
        EXPECT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[0], 0, 1), Done::No);
        EXPECT_EQ(process.deviceLinks[0].inUse, 0);
        EXPECT_EQ(host::OpenDeviceHandleCount(), 0);
        EXPECT_EQ(host::LivePreparsedDataCount(), 0);
    }
}

// The report events are made at the bind; without them the device is bound all the same.
TEST_F(DeviceLinkTest, AFailedEventCreationStillBinds) {
    Plug(host::BuiltInWheel(), 0);
    host::FailNextCreate(host::ObjectKind::Event);
    EXPECT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[0], 0, 1), Done::Yes);
    EXPECT_EQ(process.deviceLinks[0].inUse, 1);
    EXPECT_EQ(process.reports.writeEvent, nullptr);
    EXPECT_NE(process.reports.readEvent, nullptr);
}

TEST_F(DeviceLinkTest, SecondVendorIsFoundByTheSecondCall) {
    Plug(Config(host::BuiltInWheelDescriptor(), 0x7B3E, 0x0042, "0000"), 0);
    EXPECT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[0], 0, 1), Done::No);
    EXPECT_EQ(host::OpenDeviceHandleCount(), 0);
    EXPECT_EQ(ZXOpenDevice(process, 0x7B3E, 0, &process.deviceLinks[0], 0, 1), Done::Yes);
    EXPECT_EQ(process.deviceLinks[0].vendorId, 0x7B3E);
}

TEST_F(DeviceLinkTest, MaskModeAndsTheProductId) {
    Plug(Config(host::BuiltInWheelDescriptor(), 0x5A1C, 6, "0000"), 0);
    EXPECT_EQ(ZXOpenDevice(process, 0x5A1C, 4, &process.deviceLinks[0], 0, 0), Done::No);
    EXPECT_EQ(ZXOpenDevice(process, 0x5A1C, 4, &process.deviceLinks[0], 0, 1), Done::Yes);
    EXPECT_EQ(process.deviceLinks[0].productId, 6);
    EXPECT_EQ(ZXOpenDevice(process, 0x5A1C, 6, &process.deviceLinks[1], 0, 0), Done::Yes);
}

TEST_F(DeviceLinkTest, HighestMatchingCalibrationEntryWins) {
    const host::VirtualHidConfig config = host::BuiltInWheel();
    host::PlugVirtualHid(config);
    const GUID instance = InstanceGuid(7);
    host::SetDeviceParametersEntry(config.path, instance, 200);
    host::SetCalibrationEntry(0x5A1C, 0xE410, 2, instance, 3);
    host::SetCalibrationEntry(0x5A1C, 0xE410, 9, instance, 0x105);  // the low byte counts
    host::SetCalibrationEntry(0x5A1C, 0xE410, 12, InstanceGuid(8), 6);
    EXPECT_EQ(ZXJoystickIdFromCalibration(process, config.path.c_str(), 0x5A1C, 0xE410), 5);
    EXPECT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[0], 5, 1), Done::Yes);
}

// Only whole 16-byte GUID values are compared: a shorter one never matches, whatever lies
// in the bytes it does not fill.
TEST_F(DeviceLinkTest, CalibrationGuidOfTheWrongLengthNeverMatches) {
    const host::VirtualHidConfig config = host::BuiltInWheel();
    host::PlugVirtualHid(config);
    const GUID instance = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
    host::SetDeviceParametersEntry(config.path, instance, 4);
    host::SetCalibrationEntry(0x5A1C, 0xE410, 0, instance, 3);
    const std::string calibration =
        "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\"
        "DirectInput\\VID_5A1C&PID_E410\\Calibration\\0";
    host::SetRegistryValue(HKEY_LOCAL_MACHINE, calibration, "GUID", REG_BINARY,
                           std::vector<std::uint8_t>(8, 0));
    EXPECT_EQ(ZXJoystickIdFromCalibration(process, config.path.c_str(), 0x5A1C, 0xE410), 255);
    EXPECT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[0], 4, 1), Done::Yes);
}

TEST_F(DeviceLinkTest, DeviceParametersServeWhenNoCalibrationMatches) {
    const host::VirtualHidConfig config = host::BuiltInWheel();
    host::PlugVirtualHid(config);
    host::SetDeviceParametersEntry(config.path, InstanceGuid(1), 4);
    EXPECT_EQ(ZXJoystickIdFromCalibration(process, config.path.c_str(), 0x5A1C, 0xE410), 255);
    EXPECT_EQ(ZXJoystickIdFromDeviceParameters(process, config.path.c_str()), 4);
    EXPECT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[0], 4, 1), Done::Yes);
}

TEST_F(DeviceLinkTest, InterfacesWithoutEntriesAreSkipped) {
    host::PlugVirtualHid(Config(host::BuiltInWheelDescriptor(), 0x5A1C, 0xE410, "0000"));
    Plug(Config(host::BuiltInWheelDescriptor(), 0x5A1C, 0xE410, "0001"), 0);
    ASSERT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[0], 0, 1), Done::Yes);
    EXPECT_EQ(host::OpenDeviceHandleCount(), 1);
}

// The device-class key takes the path from its fifth character: "##?#" on NT above 4.0,
// "##.#" elsewhere.
TEST_F(DeviceLinkTest, DeviceClassKeyFormFollowsTheSystem) {
    const host::VirtualHidConfig config = host::BuiltInWheel();
    host::PlugVirtualHid(config);
    const std::string nt = host::DeviceParametersKey(config.path, true);
    const std::string old = host::DeviceParametersKey(config.path, false);
    EXPECT_NE(nt.find("\\##?#hid#vid_5a1c&pid_e410#0000#{4d1e55b2"), std::string::npos);
    host::SetRegistryDword(HKEY_LOCAL_MACHINE, nt, "Joystick Id", 1);
    host::SetRegistryDword(HKEY_LOCAL_MACHINE, old, "Joystick Id", 2);
    EXPECT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[0], 1, 1), Done::Yes);
    EXPECT_EQ(process.isNtAbove4, 1);
    host::SetSystemVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 10);
    EXPECT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[0], 2, 1), Done::Yes);
    EXPECT_EQ(process.isNtAbove4, 0);
    host::SetSystemVersion(VER_PLATFORM_WIN32_NT, 4, 0);  // NT 4.0 is not above 4.0
    EXPECT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[0], 2, 1), Done::Yes);
}

TEST_F(DeviceLinkTest, OverlongPathsCountAsNotFound) {
    host::VirtualHidConfig config = host::BuiltInWheel();
    config.path = host::HidDevicePath(0x5A1C, 0xE410, std::string(300, 'a'));
    Plug(config, 0);
    EXPECT_EQ(ZXJoystickIdFromDeviceParameters(process, config.path.c_str()), 255);
    EXPECT_EQ(ZXJoystickIdFromCalibration(process, config.path.c_str(), 0x5A1C, 0xE410), 255);
    EXPECT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[0], 0, 1), Done::No);
    EXPECT_EQ(ZXJoystickIdFromDeviceParameters(process, "ab"), 255);
}

TEST_F(DeviceLinkTest, AxisCapsKeepValueCapsOrderAndFour) {
    test::Descriptor d;
    d.UsagePage(1).Usage(4).Application();
    d.Logical(0, 255).Size(8, 1);
    for (int usage : {0x36, 0x37, 0x30, 0x31, 0x32, 0x33})
        d.Usage(usage).Input();
    d.Buttons(4).ForceOutput(16).End();
    Plug(Config(d.Bytes(), 0x5A1C, 1, "0000"), 0);
    ASSERT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[0], 0, 1), Done::Yes);
    const DeviceLink& link = process.deviceLinks[0];
    ASSERT_EQ(link.inputAxisCount, 4);
    EXPECT_EQ(link.inputAxes[0].usage, 0x36);  // Slider; the Dial is passed over
    EXPECT_EQ(link.inputAxes[1].usage, 0x30);
    EXPECT_EQ(link.inputAxes[2].usage, 0x31);
    EXPECT_EQ(link.inputAxes[3].usage, 0x32);
}

TEST_F(DeviceLinkTest, RebindReleasesTheEarlierBinding) {
    Plug(host::BuiltInWheel(), 0);
    ASSERT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[0], 0, 1), Done::Yes);
    HANDLE writeEvent = process.reports.writeOverlapped.hEvent;
    ASSERT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[0], 0, 1), Done::Yes);
    EXPECT_EQ(host::OpenDeviceHandleCount(), 1);
    EXPECT_EQ(host::LivePreparsedDataCount(), 1);
    EXPECT_EQ(process.reports.writeOverlapped.hEvent,
              writeEvent);  // the events are kept, not reopened
    // A rebind that finds nothing leaves the link unbound with nothing open.
    EXPECT_EQ(ZXOpenDevice(process, 0x5A1C, 0, &process.deviceLinks[0], 6, 1), Done::No);
    EXPECT_EQ(process.deviceLinks[0].inUse, 0);
    EXPECT_EQ(host::OpenDeviceHandleCount(), 0);
    EXPECT_EQ(host::LivePreparsedDataCount(), 0);
}

TEST_F(DeviceLinkTest, CapabilitiesAndPreparsedDataHelpers) {
    Plug(host::BuiltInWheel(), 0);
    char path[kDevicePathSize];
    bool noMore = true;
    GUID hid;
    HidD_GetHidGuid(&hid);
    HANDLE device = ZXOpenInterface(hid, 0, path, &noMore);
    ASSERT_NE(device, nullptr);
    EXPECT_FALSE(noMore);
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    std::uint16_t input = 0, output = 0;
    EXPECT_EQ(ZXGetCapabilities(device, &preparsed, &input, &output), HidStatus::Ok);
    EXPECT_EQ(input, 5);
    EXPECT_EQ(output, 3);
    EXPECT_EQ(ZXFreePreparsedData(preparsed), HidStatus::Ok);
    EXPECT_EQ(ZXFreePreparsedData(nullptr), HidStatus::Failed);
    CloseHandle(device);
    EXPECT_EQ(ZXOpenInterface(hid, 1, path, &noMore), nullptr);
    EXPECT_TRUE(noMore);
}

}  // namespace
}  // namespace quorforce
