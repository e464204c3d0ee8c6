// The driver loaded through its real entry points on the host, with the built-in virtual
// wheel as joystick 0: attach, the class factory, CreateInstance, DeviceID. In virtual
// time the engine threads are held and the test runs the force passes itself, one
// polling step at a time: a pass at the clock's time, then the clock moves 16 ms on.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "config/registry_layout.h"
#include "config/settings_store.h"
#include "driver/guids.h"
#include "driver/module_entry.h"
#include "driver/module_state.h"
#include "engine/engine_threads.h"
#include "harness/effect_builder.h"
#include "harness/virtual_rig.h"
#include "platform/host/virtual_hid.h"
#include "platform/win32.h"

namespace quorforce::test {

using Bytes = std::vector<std::uint8_t>;

inline const std::string kWheelDeviceKey = quorforce::kProductKey;
// The host's process is C:\Games\Game.exe: its profile is "game.exe".
inline const std::string kGameProfileKey = kWheelDeviceKey + "\\Profiles\\game.exe";

// The tests' effects: the builder's, pointing east (9000) on the X axis.
struct Effect : harness::DirectInputEffect {
    Effect() { directions[0] = 9000; }
    static Effect Constant(LONG magnitude) {
        Effect e;
        e.constant.lMagnitude = magnitude;
        e.Use(EffectKind::Constant);
        return e;
    }
};

class ModuleTest : public ::testing::Test {
protected:
    static constexpr DWORD kStartClock = 1000;

    void SetUp() override {
        harness::VirtualRig::ResetHost();
        const GUID instance = {0xB0000001, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
        rig.PlugWheel(host::BuiltInWheel(), 0, instance);
    }
    void TearDown() override { rig.TearDown(); }

    // Device values under the wheel's device key, before the module binds it.
    static void SetDeviceValue(const char* name, DWORD value) {
        host::SetRegistryDword(HKEY_LOCAL_MACHINE, kWheelDeviceKey, name, value);
    }
    // A switch of the host process's game profile, under the user's hive.
    static void SetProfileValue(const char* name, DWORD value) {
        host::SetRegistryDword(HKEY_CURRENT_USER, kGameProfileKey, name, value);
    }
    static void SetJoystickValue(const char* name, DWORD value) {
        host::SetRegistryDword(HKEY_LOCAL_MACHINE, kWheelDeviceKey + "\\0", name, value);
    }
    // A force-feedback wheel with one signed output value (the built-in one's default is
    // a vibration device with two halves).
    static void UseOneChannelForceWheel() {
        SetDeviceValue("Shock_or_Force_Feedback", 1);
        SetDeviceValue("Motor_Parameters", 1);
    }

    void Attach(bool virtualTime = true) { ASSERT_TRUE(rig.Attach(virtualTime, kStartClock)); }
    void Detach() { rig.Detach(); }

    // The class factory and a driver object, as DirectInput gets them.
    void CreateDriverObject() {
        ASSERT_EQ(rig.GetFactory(), S_OK);
        ASSERT_EQ(rig.CreateDriverObject(), S_OK);
    }

    // Attach, factory, driver object, DeviceID for joystick 0 on area 0.
    void Bind(bool virtualTime = true) {
        Attach(virtualTime);
        CreateDriverObject();
        ASSERT_EQ(rig.DeviceID(0, 0), S_OK);
    }

    // `steps` force passes in virtual time.
    void Run(int steps) {
        for (int i = 0; i < steps; ++i)
            rig.ForceStep();
    }

    // Downloads on device 0 (a constant force unless another id is given); the handle.
    DWORD Download(Effect e, DWORD flags = DIEP_START, DWORD effectId = kEffectConstant) {
        DWORD handle = 0;
        EXPECT_EQ(driver->DownloadEffect(0, effectId, &handle, &e.effect, flags), S_OK);
        return handle;
    }

    std::vector<Bytes> Reports() const { return wheel->OutputReports(); }
    // Real time: waits (at most `maxMs`) until the wheel has received `count` output reports.
    bool AwaitReports(std::size_t count, int maxMs = 2000) const {
        for (int i = 0; i < maxMs && wheel->OutputReports().size() < count; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return wheel->OutputReports().size() >= count;
    }
    void ClearReports() { wheel->ClearReports(); }

    SharedEffectTable& Table() { return *Module().process.table; }

    harness::VirtualRig rig;
    std::shared_ptr<host::VirtualHid>& wheel = rig.wheel;
    IClassFactory*& factory = rig.factory;
    IDirectInputEffectDriver*& driver = rig.driver;
    bool& attached = rig.attached;
};

}  // namespace quorforce::test
