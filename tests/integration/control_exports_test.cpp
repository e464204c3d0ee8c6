// The control panel's exports against a bound wheel: when the wheel's own spring is sent
// feature reports and when not, the override silencing what was never stored, the image
// of a joystick id this process never bound, and the spring's reports while DeviceID rebinds
// the link between wheels with feature reports of different lengths.
#include <atomic>
#include <thread>

#include "config/registry_layout.h"
#include "include/quorforce.h"
#include "tests/hid/hid_test_support.h"
#include "tests/integration/module_fixture.h"

namespace quorforce {
namespace {

using test::Effect;
using test::ModuleTest;

const char* const kImages = "Software\\quorforce-tests\\images";

class ControlExports : public ModuleTest {
protected:
    std::size_t FeatureCount() const {
        std::size_t count = 0;
        for (const host::RecordedReport& r : wheel->Reports())
            count += r.kind == host::RecordedReport::Feature;
        return count;
    }
    // Applies (set) or fills (get) what `mask` selects, for joystick 0.
    void Set(std::uint32_t mask) {
        settings.mask = mask;
        DeviceConfig config = {0, QUORFORCE_APPLY_FORCE_SETTINGS, 0, &settings, 0};
        EXPECT_EQ(ZXSetDeviceConfig(0, &config), 0);
    }
    void Get(std::uint32_t mask) {
        settings.mask = mask;
        DeviceConfig config = {0, 0, 0, &settings, 0};
        EXPECT_EQ(ZXGetDeviceConfig(0, &config), 0);
    }
    ForceSettings settings = {0, 0, 80, 80, 80, 80, 60, 0};
};

TEST_F(ControlExports, TheWheelsSpringIsSentReportsOnlyWhenTheDriverDrivesIt) {
    Bind();
    Set(0x3F);
    Get(0x3F);
    EXPECT_EQ(FeatureCount(), 0u);  // "Drive_Default_Spring" 0

    SetDeviceValue("Drive_Default_Spring", 1);
    ASSERT_EQ(driver->DeviceID(0x0800, 0, TRUE, 0, nullptr), S_OK);
    Get(QUORFORCE_MASK_SPRING_ON);
    ASSERT_EQ(FeatureCount(), 1u);  // the switch alone: the spring is off
    EXPECT_EQ(wheel->Reports().back().bytes, (test::Bytes{2, 0, 0, 0, 0x80}));
}

// While the override is armed each playing effect plays at its stored gain: one whose image
// was never stored plays at 0.
TEST_F(ControlExports, AnOverrideArmedForOneHandleSilencesAnotherThatPlays) {
    UseOneChannelForceWheel();
    Bind();
    const DWORD first = Download(Effect::Constant(5000), 0);
    const DWORD second = Download(Effect::Constant(5000));
    ASSERT_EQ(first, 1u);
    ASSERT_EQ(second, 2u);
    Run(1);
    ASSERT_NE(Reports().back(), (test::Bytes{1, 0x80, 0x80}));
    EXPECT_EQ(GetAllEffectsParameters(kImages, 1, 0), 0);
    EXPECT_EQ(SetAllEffectsParameters(kImages, 1, 0, 1), 1);
    Run(1);
    EXPECT_EQ(Reports().back(), (test::Bytes{1, 0x80, 0x80}));  // no force
}

// A control panel's process binds nothing: every joystick id maps to area 0 there, so the
// image of any joystick id is the slot of area 0.
TEST_F(ControlExports, TheImageOfAJoystickIdNeverBoundIsAreaZerosSlot) {
    Bind();
    Download(Effect::Constant(4321), 0);
    EXPECT_EQ(GetAllEffectsParameters(kImages, 1, 5), 0);
    EffectSlot image = {};
    std::vector<BYTE> data;
    ASSERT_TRUE(host::GetRegistryValue(HKEY_CURRENT_USER, std::string(kImages) + "\\5",
                                       "Value_Parameter_1", nullptr, &data));
    ASSERT_EQ(data.size(), sizeof image);
    std::memcpy(&image, data.data(), sizeof image);
    EXPECT_EQ(image.constant.magnitude, 4321);
}

// The built-in wheel's spring reports are 5 bytes long; this one's 64.
test::Bytes LongFeatureWheel() {
    test::Descriptor d;
    d.UsagePage(1).Usage(4).Application().ReportId(1);
    d.Usage(0x30).Logical(0, 1023).Size(10, 1).Input().Size(6, 1).Item(0x80, 0x03);
    d.Buttons(8).ForceOutput(16);
    d.UsagePage(0xFF00).Logical(0, 0xFFFF);
    d.ReportId(2).Usage(1).Usage(2).Size(16, 2).Feature().Size(8, 59).Item(0xB0, 0x03);
    d.ReportId(3).Usage(3).Usage(4).Size(16, 2).Feature();
    d.End();
    return d.Bytes();
}

// One thread drives the wheel's spring while another rebinds the area between two wheels:
// the spring's call must see one binding from its buffer's size to its last report.
TEST_F(ControlExports, TheSpringSeesOneBindingWhileDeviceIdRebinds) {
    host::VirtualHidConfig other = host::BuiltInWheel();
    other.descriptor = LongFeatureWheel();
    other.productId = 0xE411;
    other.path = host::HidDevicePath(0x5A1C, 0xE411, "0001");
    rig.PlugWheel(other, 1, {0xB0000004, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}});
    for (const char* key : {"VID_5A1C&PID_E410", "VID_5A1C&PID_E411"}) {
        host::SetRegistryDword(HKEY_LOCAL_MACHINE, std::string(kOemRoot) + key + kProductSubkey,
                               "Drive_Default_Spring", 1);
    }
    Bind();
    std::atomic<bool> done{false};
    std::atomic<int> calls{0};
    std::thread panel([&done, &calls] {
        ForceSettings s = {0, QUORFORCE_MASK_SPRING | QUORFORCE_MASK_SPRING_ON, 0, 0, 0, 0, 70, 1};
        DeviceConfig config = {0, QUORFORCE_APPLY_FORCE_SETTINGS, 0, &s, 0};
        for (int i = 0; !done.load(); ++i, ++calls)
            ZXSetDeviceConfig(i & 1, &config);
    });
    // Without the TableMutex around the spring's call, ASan finds freed preparsed data or a
    // buffer overrun here within a few hundred rebinds.
    for (int i = 0; i < 1500 || calls.load() < 100; ++i)
        driver->DeviceID(0x0800, static_cast<DWORD>(i & 1), TRUE, 0, nullptr);
    done = true;
    panel.join();
}

}  // namespace
}  // namespace quorforce
