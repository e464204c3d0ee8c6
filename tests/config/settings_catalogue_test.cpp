// The settings catalogue through the loaders and the saver: every value comes from its own
// key, keeps only its bits, lands in its own field, and has its default when absent.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "config/registry_access.h"
#include "config/settings_store.h"
#include "platform/host/system.h"

namespace quorforce {
namespace {

constexpr int kJoystick = 3;
constexpr DWORD kStored = 0x1C3;  // 0xC3 in its low byte: a byte-wide value is seen cut

struct Loaded {
    EngineSettings engine;
    DeviceLink link;
    DeviceSettings device = {};
    const void* RecordOf(const SettingEntry& entry) const {
        switch (entry.record) {
        case SettingRecord::Engine: return &engine;
        case SettingRecord::Link: return &link;
        case SettingRecord::Device: return &device;
        }
        return nullptr;
    }
};

class SettingsCatalogue : public ::testing::Test {
protected:
    void SetUp() override {
        host::ResetStandIn();
        table_->vendorIds[kJoystick] = 0x5A1C;
        table_->productIds[kJoystick] = 0xE410;
    }
    void TearDown() override { host::ResetStandIn(); }

    void Store(const SettingEntry& entry, DWORD value) {
        char key[kKeyPathSize];
        switch (entry.key) {
        case SettingKey::Product: WriteConfigDword(value, kProductKey, entry.name); return;
        case SettingKey::Device: ASSERT_TRUE(DeviceKey(*table_, kJoystick, key)); break;
        case SettingKey::Joystick: ASSERT_TRUE(JoystickKey(*table_, kJoystick, key)); break;
        }
        ASSERT_EQ(WriteConfigDword(value, key, entry.name), 1);
    }

    // Every loader, as the module's load and DeviceID run them.
    Loaded LoadAll() {
        Loaded loaded;
        loaded.engine = LoadEngineSettings();
        LoadMotorParameters(*table_, kJoystick);
        LoadStrengths(*table_, kJoystick);
        LoadDeviceSettings(*table_, loaded.link, kJoystick);
        loaded.device = table_->settings[kJoystick];
        return loaded;
    }

    std::unique_ptr<SharedEffectTable> table_ = std::make_unique<SharedEffectTable>();
};

TEST_F(SettingsCatalogue, EachValueLandsInItsOwnFieldWithItsKeptBits) {
    for (const SettingEntry& stored : kSettings) {
        SCOPED_TRACE(stored.name);
        SetUp();
        Store(stored, kStored);
        const Loaded loaded = LoadAll();
        for (const SettingEntry& entry : kSettings) {
            const DWORD expected = &entry == &stored ? (kStored & entry.keptBits) : entry.fallback;
            EXPECT_EQ(FieldOfSetting(entry, loaded.RecordOf(entry)), expected) << entry.name;
        }
    }
}

TEST_F(SettingsCatalogue, StrengthsSurviveASaveAndALoad) {
    DeviceSettings& s = table_->settings[kJoystick];
    s.globalValue = 55;
    s.staticValue = 66;
    s.dynamicValue = 77;
    s.springValue = 88;
    s.springEnabled = 1;
    SaveStrengths(*table_, kJoystick);
    const DeviceSettings saved = s;
    s = DeviceSettings{};
    LoadStrengths(*table_, kJoystick);
    for (const SettingEntry& entry : kSettings) {
        if (entry.group != SettingGroup::Strengths) continue;
        EXPECT_EQ(FieldOfSetting(entry, &s), FieldOfSetting(entry, &saved)) << entry.name;
    }
}

TEST_F(SettingsCatalogue, OutOfRangeJoystickIdsTouchNothing) {
    const auto before = std::make_unique<SharedEffectTable>(*table_);
    DeviceLink link;
    for (int joystick : {-1, 8, 1000}) {
        EXPECT_EQ(LoadMotorParameters(*table_, joystick), 0);
        LoadStrengths(*table_, joystick);
        SaveStrengths(*table_, joystick);
        EXPECT_EQ(LoadDeviceSettings(*table_, link, joystick), 1);
    }
    EXPECT_EQ(std::memcmp(before.get(), table_.get(), sizeof *before), 0);
    EXPECT_EQ(link.reportFormat, 1);  // the link still has its defaults
    EXPECT_EQ(link.outputUsage, 0xBB);
}

}  // namespace
}  // namespace quorforce
