// The driver loaded through its real entry points on the host, with the built-in virtual
// wheel as joystick 0: attach, the class factory, CreateInstance, DeviceID. In virtual
// time the engine threads are held and the test runs the force passes itself, one
// polling step at a time: a pass at the clock's time, then the clock moves 16 ms on.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "config/settings_store.h"
#include "driver/guids.h"
#include "driver/module_entry.h"
#include "driver/module_state.h"
#include "engine/engine_threads.h"
#include "state/motion_state.h"
#include "state/device_link.h"
#include "hid/report_io.h"
#include "platform/host/virtual_hid.h"
#include "platform/win32.h"

namespace quorforce::test {

using Bytes = std::vector<std::uint8_t>;

inline const std::string kWheelDeviceKey =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\"
    "VID_5A1C&PID_E410\\Quorvane\\FFB_API";

class ModuleTest : public ::testing::Test {
protected:
    static constexpr DWORD kStartClock = 1000;

    void SetUp() override {
        ResetHost();
        wheel = host::PlugVirtualHid(host::BuiltInWheel());
        const GUID instance = {0xB0000001, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
        host::SetDeviceParametersEntry(wheel->Config().path, instance, 0);
        host::SetCalibrationEntry(0x5A1C, 0xE410, 0, instance, 0);
    }

    void TearDown() override {
        if (driver != nullptr) driver->Release();
        if (factory != nullptr) factory->Release();
        driver = nullptr;
        factory = nullptr;
        if (attached) Detach();
        ResetHost();
    }

    // Device values under the wheel's device key, before the module binds it.
    static void SetDeviceValue(const char* name, DWORD value) {
        host::SetRegistryDword(HKEY_LOCAL_MACHINE, kWheelDeviceKey, name, value);
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

    void Attach(bool virtualTime = true) {
        if (virtualTime) {
            host::UseManualClock(kStartClock);
            host::HoldNewThreads(true);
        }
        ASSERT_EQ(DllMain(nullptr, DLL_PROCESS_ATTACH, nullptr), TRUE);
        attached = true;
    }

    void Detach() {
        // Held threads are let go once the stop is requested: they leave at once.
        RequestEngineStop(Module().engine);
        host::ReleaseHeldThreads();
        EXPECT_EQ(DllMain(nullptr, DLL_PROCESS_DETACH, nullptr), TRUE);
        attached = false;
    }

    // The class factory and a driver object, as DirectInput gets them.
    void CreateDriverObject() {
        ASSERT_EQ(DllGetClassObject(kEffectDriverClassId, kClassFactoryInterfaceId,
                                    reinterpret_cast<void**>(&factory)),
                  S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, kEffectDriverInterfaceId,
                                          reinterpret_cast<void**>(&driver)),
                  S_OK);
    }

    // Attach, factory, driver object, DeviceID for joystick 0 on area 0.
    void Bind(bool virtualTime = true) {
        Attach(virtualTime);
        CreateDriverObject();
        ASSERT_EQ(driver->DeviceID(0x0800, 0, TRUE, 0, nullptr), S_OK);
    }

    // `steps` force passes in virtual time.
    void Run(int steps) {
        for (int i = 0; i < steps; ++i) {
            ForcePass(Module().process, timeGetTime());
            host::AdvanceClock(Module().engine.pollingStep);
        }
    }

    std::vector<Bytes> Reports() const { return wheel->OutputReports(); }
    void ClearReports() { wheel->ClearReports(); }

    SharedEffectTable& Table() { return *Module().process.table; }

    static void ResetHost() {
        host::ResetStandIn();
        Module() = ModuleState{};
    }

    std::shared_ptr<host::VirtualHid> wheel;
    IClassFactory* factory = nullptr;
    IDirectInputEffectDriver* driver = nullptr;
    bool attached = false;
};

// A DIEFFECT with its records, as DirectInput passes it.
struct Effect {
    DWORD axes[2] = {DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(0), DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(1)};
    LONG directions[2] = {9000, 0};
    DICONSTANTFORCE constant = {0};
    DIRAMPFORCE ramp = {0, 0};
    DIPERIODIC periodic = {0, 0, 0, 0};
    DICONDITION condition = {0, 0, 0, 0, 0, 0};
    DIEFFECT effect = {};

    Effect() {
        effect.dwSize = sizeof(DIEFFECT);
        effect.dwFlags = DIEFF_OBJECTIDS | DIEFF_POLAR;
        effect.dwDuration = INFINITE;
        effect.dwGain = 10000;
        effect.dwTriggerButton = DIEB_NOTRIGGER;
        effect.dwTriggerRepeatInterval = INFINITE;
        effect.cAxes = 1;
        effect.rgdwAxes = axes;
        effect.rglDirection = directions;
    }
    static Effect Constant(LONG magnitude) {
        Effect e;
        e.constant.lMagnitude = magnitude;
        e.effect.cbTypeSpecificParams = sizeof e.constant;
        e.effect.lpvTypeSpecificParams = &e.constant;
        return e;
    }
    // The record points into this object: copies must point into the copy.
    Effect(const Effect& other) { *this = other; }
    Effect& operator=(const Effect& other) {
        std::memcpy(axes, other.axes, sizeof axes);
        std::memcpy(directions, other.directions, sizeof directions);
        constant = other.constant;
        ramp = other.ramp;
        periodic = other.periodic;
        condition = other.condition;
        effect = other.effect;
        effect.rgdwAxes = axes;
        effect.rglDirection = directions;
        if (other.effect.lpvTypeSpecificParams == &other.constant) effect.lpvTypeSpecificParams = &constant;
        if (other.effect.lpvTypeSpecificParams == &other.ramp) effect.lpvTypeSpecificParams = &ramp;
        if (other.effect.lpvTypeSpecificParams == &other.periodic) effect.lpvTypeSpecificParams = &periodic;
        if (other.effect.lpvTypeSpecificParams == &other.condition) effect.lpvTypeSpecificParams = &condition;
        return *this;
    }
};

}  // namespace quorforce::test
