// The control panel's operations: strengths in and out, the override armed from stored
// effect images, and bad input that changes nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/registry_access.h"
#include "config/settings_store.h"
#include "driver/control_panel.h"
#include "platform/host/system.h"
#include "tests/driver/test_table.h"

namespace quorforce {
namespace {

const char* const kImages = "Software\\quorforce-tests\\images";

class ControlPanel : public ::testing::Test {
protected:
    void SetUp() override {
        host::ResetStandIn();
        table().vendorIds[0] = 0x5A1C;
        table().productIds[0] = 0xE410;
        settings.mask = 0x3F;
        config.forceSettings = &settings;
    }
    void TearDown() override { host::ResetStandIn(); }
    SharedEffectTable& table() { return *t.process.table; }
    DeviceSettings& strengths() { return table().settings[0]; }
    std::string JoystickKeyOf0() {
        char key[kKeyPathSize];
        JoystickKey(table(), 0, key);
        return key;
    }

    test::TestTable t;
    ForceSettings settings = {};
    DeviceConfig config = {};
};

TEST_F(ControlPanel, GetRefreshesFromTheRegistryAndFillsWhatTheMaskSelects) {
    WriteConfigDword(55, JoystickKeyOf0().c_str(), "Global_Value");
    strengths().driveDefaultSpring = 1;
    settings.mask = 0;  // nothing selected: still refreshed, filled and reported
    EXPECT_EQ(GetDeviceConfig(t.process, 0, &config), 0);
    EXPECT_EQ(strengths().globalValue, 55);
    EXPECT_EQ(strengths().staticValue, 100);
    EXPECT_EQ(config.filled, 1u);
    EXPECT_EQ(config.defaultSpringDriven, 1u);
    EXPECT_EQ(settings.global, 0);
    settings.mask = QUORFORCE_MASK_GLOBAL | QUORFORCE_MASK_STATIC_A | QUORFORCE_MASK_STATIC_B;
    EXPECT_EQ(GetDeviceConfig(t.process, 0, &config), 0);
    EXPECT_EQ(settings.global, 55);
    EXPECT_EQ(settings.staticA, 100);
    EXPECT_EQ(settings.staticB, 100);
    config.forceSettings = nullptr;  // as mask 0
    EXPECT_EQ(GetDeviceConfig(t.process, 0, &config), 0);
}

TEST_F(ControlPanel, SetAppliesOnlyWithTheFlagAndAlwaysSaves) {
    settings = {0,  QUORFORCE_MASK_STATIC_A | QUORFORCE_MASK_STATIC_B | QUORFORCE_MASK_SPRING_ON,
                0,  0,
                30, 70,
                0,  0x101};
    strengths().staticValue = 90;
    config.applyFlags = 0;
    EXPECT_EQ(SetDeviceConfig(t.process, 0, &config), 0);
    EXPECT_EQ(strengths().staticValue, 90);
    EXPECT_EQ(ReadConfigDword(JoystickKeyOf0().c_str(), "Static_Value"), 90u);  // saved
    config.applyFlags = QUORFORCE_APPLY_FORCE_SETTINGS;
    EXPECT_EQ(SetDeviceConfig(t.process, 0, &config), 0);
    EXPECT_EQ(strengths().staticValue, 30);   // staticA over staticB
    EXPECT_EQ(strengths().springEnabled, 1);  // the low byte
    EXPECT_EQ(ReadConfigDword(JoystickKeyOf0().c_str(), "Static_Value"), 30u);
}

TEST_F(ControlPanel, StoredImageArmsTheOverrideForItsHandle) {
    t.process.areaOfPlace[0] = 0;
    t.slot(0, 3).gain = 5000;
    EXPECT_EQ(SaveEffectImage(t.process, kImages, 3, 0), 0);
    EffectSlot image = {};
    DWORD length = 0;
    ASSERT_TRUE(ReadConfigBinary(&image, sizeof image, (std::string(kImages) + "\\0").c_str(),
                                 "Value_Parameter_3", &length));
    EXPECT_EQ(length, 160u);
    EXPECT_EQ(ArmGainOverride(t.process, kImages, 3, 0, 1), 1);
    EXPECT_EQ(strengths().gainOverride[2], 5000);
    EXPECT_EQ(table().gainOverrideActive[0], 1);
    // No image for handle 4: its entry stays, the override is armed all the same.
    strengths().gainOverride[3] = 77;
    EXPECT_EQ(ArmGainOverride(t.process, kImages, 4, 0, 1), 1);
    EXPECT_EQ(strengths().gainOverride[3], 77);
    EXPECT_EQ(ArmGainOverride(t.process, kImages, 3, 0, 2), 0);  // 2 disarms like 0
    EXPECT_EQ(table().gainOverrideActive[0], 0);
}

TEST_F(ControlPanel, BadInputChangesNothing) {
    const std::string longPath(kKeyPathSize - 2, 'k');
    const auto before = t.Snapshot();
    const DeviceConfig untouched = config;
    for (int joystick : {-1, 8, 0x7FFFFFFF}) {
        EXPECT_EQ(GetDeviceConfig(t.process, joystick, &config), 0);
        EXPECT_EQ(SetDeviceConfig(t.process, joystick, &config), 0);
        EXPECT_EQ(ReloadStrengths(t.process, joystick), 0);
        EXPECT_EQ(SaveEffectImage(t.process, kImages, 1, joystick), 0);
        EXPECT_EQ(ArmGainOverride(t.process, kImages, 1, joystick, 1), 0);
    }
    for (int h : {0, 65, -3}) {
        EXPECT_EQ(SaveEffectImage(t.process, kImages, h, 0), 0);
        EXPECT_EQ(ArmGainOverride(t.process, kImages, h, 0, 1), 0);
    }
    for (const char* key : {static_cast<const char*>(nullptr), longPath.c_str()}) {
        EXPECT_EQ(SaveEffectImage(t.process, key, 1, 0), 0);
        EXPECT_EQ(ArmGainOverride(t.process, key, 1, 0, 1), 0);
    }
    EXPECT_EQ(GetDeviceConfig(t.process, 0, nullptr), 0);
    EXPECT_EQ(SetDeviceConfig(t.process, 0, nullptr), 0);
    EXPECT_TRUE(t.Unchanged(*before));
    EXPECT_EQ(std::memcmp(&config, &untouched, sizeof config), 0);
    EXPECT_FALSE(host::RegistryKeyExists(HKEY_CURRENT_USER, kImages));
    EXPECT_FALSE(host::RegistryKeyExists(HKEY_CURRENT_USER, JoystickKeyOf0()));
}

}  // namespace
}  // namespace quorforce
