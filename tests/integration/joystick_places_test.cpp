// Joystick ids 8 to 15: a wheel that DirectInput numbers 9 binds in one of the table's eight
// places, gets its forces and its strengths (named after id 9 in the registry), and several
// processes share, join, lose by a crash and release places through the map in the monitor
// block.
#include <gtest/gtest.h>

#include <string>

#include "config/registry_access.h"
#include "driver/control_panel.h"
#include "driver/driver_operations.h"
#include "driver/shared_objects.h"
#include "hid/device_discovery.h"
#include "state/joystick_places.h"
#include "tests/integration/module_fixture.h"

namespace quorforce::test {
namespace {

class JoystickPlaces : public ModuleTest {
protected:
    // A wheel of the built-in model at `joystick`, with a path of its own.
    std::shared_ptr<host::VirtualHid> PlugAt(DWORD joystick) {
        host::VirtualHidConfig config = host::BuiltInWheel();
        config.path =
            host::HidDevicePath(config.vendorId, config.productId, "10" + std::to_string(joystick));
        const GUID instance = {0xB0000100 + joystick, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
        rig.PlugWheel(config, joystick, instance, static_cast<int>(rig.wheels.size()));
        return rig.wheels.back();
    }
    // What the module's unload does for a process's bound devices.
    static void CloseLinks(ProcessState& process) {
        for (DeviceLink& link : process.deviceLinks) {
            if (link.inUse != 1) continue;
            CloseHandle(link.deviceHandle);
            ZXFreePreparsedData(link.preparsedData);
            link = DeviceLink{};
        }
    }
    static std::string JoystickKeyOf(int joystick) {
        return kWheelDeviceKey + "\\" + std::to_string(joystick);
    }
};

TEST_F(JoystickPlaces, WheelAtJoystickNineGetsItsForcesAndItsStrengths) {
    std::shared_ptr<host::VirtualHid> nine = PlugAt(9);
    UseOneChannelForceWheel();
    host::SetRegistryDword(HKEY_LOCAL_MACHINE, JoystickKeyOf(9), "Global_Value", 50);
    Attach();
    CreateDriverObject();
    ASSERT_EQ(rig.DeviceID(9, 0), S_OK);
    ProcessState& process = Module().process;
    EXPECT_EQ(process.placeOfArea[0], 7);  // the highest place, lent to id 9
    EXPECT_EQ(process.monitor->placeHolder[7], 10u);
    EXPECT_EQ(Table().vendorIds[7], 0x5A1C);
    EXPECT_EQ(Table().settings[7].globalValue, 50);
    for (int place = 0; place < 7; ++place)
        EXPECT_EQ(Table().vendorIds[place], 0) << place;

    Download(Effect::Constant(5000));
    Run(2);
    ASSERT_FALSE(nine->OutputReports().empty());
    EXPECT_TRUE(wheel->OutputReports().empty());  // joystick 0's wheel is not bound

    // The control exports reach id 9's place and name its registry key; id 7's own place is
    // lent, so id 7 reaches nothing, and id 12 has no place at all.
    ForceSettings settings = {};
    settings.mask = QUORFORCE_MASK_GLOBAL;
    DeviceConfig config = {};
    config.forceSettings = &settings;
    GetDeviceConfig(process, 9, &config);
    EXPECT_EQ(config.filled, 1);
    EXPECT_EQ(settings.global, 50);
    settings.global = 70;
    config.applyFlags = QUORFORCE_APPLY_FORCE_SETTINGS;
    SetDeviceConfig(process, 9, &config);
    EXPECT_EQ(Table().settings[7].globalValue, 70);
    EXPECT_EQ(ReadConfigDword(JoystickKeyOf(9).c_str(), "Global_Value"), 70u);
    for (int refused : {7, 12, 16, -1}) {
        DeviceConfig other = {};
        other.forceSettings = &settings;
        GetDeviceConfig(process, refused, &other);
        EXPECT_EQ(other.filled, 0) << refused;
    }
    Detach();
    EXPECT_FALSE(PlaceIsHeld(7));  // the unload lets the place go
}

// Each ProcessState is a process of its own over the same named objects and wheels.
TEST_F(JoystickPlaces, ProcessesShareJoinLoseAndReleasePlaces) {
    for (DWORD joystick : {9u, 10u, 7u, 11u, 3u})
        PlugAt(joystick);
    ProcessState a, b;
    ASSERT_TRUE(OpenSharedObjects(a));
    ASSERT_TRUE(OpenSharedObjects(b));
    struct Step {
        const char* what;
        ProcessState* process;  // null: process a crashes
        DWORD area;
        DWORD joystick;
        int place;  // the place bound; -1: refused
    };
    const Step steps[] = {
        {"id 9 takes the highest place", &a, 0, 9, 7},
        {"a second game binding id 9 joins its place", &b, 0, 9, 7},
        {"id 10 takes the next one down", &a, 1, 10, 6},
        {"id 7 finds its own place lent and takes a free one", &b, 1, 7, 5},
        {"a crashes: its handles close, its map entries stay", nullptr, 0, 0, 0},
        {"id 11 gets the place a alone held", &b, 2, 11, 6},
        {"id 3 has its own place", &b, 0, 3, 3},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.process == nullptr) {
            for (HANDLE& place : a.placeObjects) {
                if (place != nullptr) CloseHandle(place);
                place = nullptr;
            }
            continue;
        }
        std::int32_t firstBind = 1;
        DWORD objectArea = 99;
        EXPECT_EQ(BindDevice(*step.process, step.joystick, step.area, &firstBind, &objectArea),
                  S_OK);
        EXPECT_EQ(step.process->placeOfArea[step.area], step.place);
        EXPECT_EQ(step.process->monitor->placeHolder[step.place], step.joystick + 1);
    }
    // b's area 0 left id 9 for id 3: no process holds place 7 any more.
    EXPECT_FALSE(PlaceIsHeld(7));
    EXPECT_EQ(HeldPlaceOf(b.monitor, 9), -1);
    EXPECT_EQ(HeldPlaceOf(b.monitor, 7), 5);
    EXPECT_EQ(SettingsPlaceOf(b.monitor, 7), 5);
    EXPECT_EQ(SettingsPlaceOf(b.monitor, 4), 4);    // never bound: its own place
    EXPECT_EQ(SettingsPlaceOf(b.monitor, 12), -1);  // never bound: none
    // What the panel lists each place as: its holder while held, else its own number, and
    // never a holder word out of range.
    EXPECT_EQ(HolderOfPlace(b.monitor, 5), 7u);
    EXPECT_EQ(HolderOfPlace(b.monitor, 6), 11u);
    EXPECT_EQ(HolderOfPlace(b.monitor, 7), 7u);  // released: id 9's entry no longer counts
    b.monitor->placeHolder[6] = 0xFFFFFFFFu;
    EXPECT_EQ(HolderOfPlace(b.monitor, 6), 6u);
    EXPECT_EQ(HolderOfPlace(b.monitor, 99), 99u);
    b.monitor->placeHolder[6] = 12;
    CloseLinks(b);
    CloseLinks(a);
    CloseSharedObjects(b);
    CloseSharedObjects(a);
    for (std::uint32_t place = 0; place < kJoystickCount; ++place)
        EXPECT_FALSE(PlaceIsHeld(place)) << place;
}

// With every place held by other processes, an id of 8 or more is refused and an id of 0..7
// still binds in its own place, as it always did.
TEST_F(JoystickPlaces, WithEveryPlaceHeldOnlyTheOwnPlaceRemains) {
    PlugAt(12);
    PlugAt(2);
    Attach();
    CreateDriverObject();
    // Held by ids 8, 9, 10, 11, 13, 14, 15 and 0: neither 12 nor 2 can join one.
    const std::uint32_t holders[kJoystickCount] = {8, 9, 10, 11, 13, 14, 15, 0};
    HANDLE others[kJoystickCount] = {};
    for (std::uint32_t place = 0; place < kJoystickCount; ++place) {
        char name[kGuidTextSize];
        FormatPlaceName(place, name);
        others[place] = CreateMutexA(nullptr, FALSE, name);
        Module().process.monitor->placeHolder[place] = holders[place] + 1;
    }
    EXPECT_EQ(rig.DeviceID(12, 1), E_FAIL);
    EXPECT_EQ(rig.DeviceID(2, 1), S_OK);
    EXPECT_EQ(Module().process.placeOfArea[1], 2);
    EXPECT_EQ(Module().process.monitor->placeHolder[2], 11u);  // the map is left as it was
    for (HANDLE other : others)
        CloseHandle(other);
}

}  // namespace
}  // namespace quorforce::test
