// The real quorforce.dll with a wheel on Wine's own HID stack: a virtual HID minidriver
// (harness/wine/virtual_hid/) installed in the prefix, found by SetupAPI, bound by DeviceID, and
// the exact output reports it receives through hidclass, hid.dll and the real HidP_ parser.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "harness/wine/object_security.h"
#include "harness/wine/virtual_wheel.h"
#include "harness/wine/wheel_fixture.h"
#include "include/quorforce.h"

namespace {

using namespace wine_test;
// The wheel is installed once for the suite; each test loads the driver afresh.
class WineHidWheel : public WheelTest<> {
protected:
    void TearDown() override {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        SetWriteFault(channel_, WriteFault::None);
        if (driver_ != nullptr) driver_->Release();
        if (factory_ != nullptr) factory_->Release();
        dll_.reset();
        ClearDeviceKey();
    }

    // Loads the DLL, creates a driver object and binds joystick 0.
    void Bind() {
        dll_ = std::make_unique<LoadedDriver>();
        factory_ = dll_->CreateFactory();
        ASSERT_NE(factory_, nullptr);
        ASSERT_EQ(
            factory_->CreateInstance(nullptr, kEffectDriver, reinterpret_cast<void**>(&driver_)),
            S_OK);
        ASSERT_EQ(driver_->DeviceID(0x0800, 0, TRUE, 0, nullptr), S_OK);
    }

    DWORD Download(DWORD effectId, void* record, DWORD size, LONG direction) {
        DirectInputEffect effect = Effect(record, size, direction);
        DWORD handle = 0;
        EXPECT_EQ(driver_->DownloadEffect(0, effectId, &handle, &effect.effect, DIEP_START), S_OK);
        return handle;
    }

    // Binds with the given device settings and plays a constant force of 5000 at 90 degrees.
    void BindPlaying(DWORD forceFeedback, DWORD motors) {
        SetDeviceValue("Shock_or_Force_Feedback", forceFeedback);
        SetDeviceValue("Motor_Parameters", motors);
        Bind();
        DICONSTANTFORCE force = {5000};
        Download(371, &force, sizeof force, 9000);
        Sleep(100);
    }

    // The control panel's ZXSetDeviceConfig in this process, applying `settings`.
    int SetDeviceConfig(ForceSettings settings) {
        typedef int(__cdecl * SetDeviceConfigFunction)(int, DeviceConfig*);
        SetDeviceConfigFunction setDeviceConfig = nullptr;
        if (!dll_->Find(setDeviceConfig, "ZXSetDeviceConfig")) return -1;
        DeviceConfig config = {};
        config.applyFlags = QUORFORCE_APPLY_FORCE_SETTINGS;
        config.forceSettings = &settings;
        return setDeviceConfig(0, &config);
    }

    std::unique_ptr<LoadedDriver> dll_;
    IClassFactory* factory_ = nullptr;
    IDirectInputEffectDriver* driver_ = nullptr;
};

// With "Trace" set the bind is traced to the debugger's output: the hid-wheel-trace test
// runs this one under WINEDEBUG=+debugstr and looks for the line.
TEST_F(WineHidWheel, BindWithTraceOn) {
    SetDeviceValue("Trace", 1);
    Bind();
}

// The reports' named events, made at the bind, carry the security of the other shared
// objects: a normal game opens them whoever made them first.
TEST_F(WineHidWheel, TheReportsEventsCarryTheirSecurity) {
    Bind();
    const std::vector<BYTE> users = WellKnownSid(WinAuthenticatedUserSid);
    const std::vector<AccessEntry> expected = {
        {ACCESS_ALLOWED_ACE_TYPE, EVENT_ALL_ACCESS, WellKnownSid(WinLocalSystemSid)},
        {ACCESS_ALLOWED_ACE_TYPE, EVENT_ALL_ACCESS, WellKnownSid(WinBuiltinAdministratorsSid)},
        {ACCESS_ALLOWED_ACE_TYPE, SYNCHRONIZE | EVENT_MODIFY_STATE, users}};
    for (const char* name : {"WRITE_EVENT", "READ_EVENT"}) {
        SCOPED_TRACE(name);
        HANDLE event = OpenEventA(READ_CONTROL, FALSE, name);
        ASSERT_NE(event, nullptr) << GetLastError();
        const ObjectSecurity security = ReadObjectSecurity(event);
        CloseHandle(event);
        ASSERT_TRUE(security.read);
        EXPECT_TRUE(security.protectedDacl);
        EXPECT_EQ(security.dacl, expected);
    }
}

TEST_F(WineHidWheel, IsBoundAndReceivesTheExactReports) {
    SetDeviceValue("Shock_or_Force_Feedback", 0);
    SetDeviceValue("Motor_Parameters", 0);
    Bind();
    // A constant force of 5000 at 90 degrees on the default (vibration, two motors) settings:
    // 10000 on the first motor, byte 127; the value 0x7F00 as report 1: 01 00 7F.
    DICONSTANTFORCE force = {5000};
    const DWORD handle = Download(371, &force, sizeof force, 9000);
    Sleep(200);
    EXPECT_EQ(driver_->StopEffect(0, handle), S_OK);
    Sleep(50);
    const auto reports = Received(channel_);
    ASSERT_GE(reports.size(), 3u);
    for (std::size_t i = 0; i + 1 < reports.size(); ++i) {
        EXPECT_EQ(reports[i].first, 1);
        EXPECT_EQ(reports[i].second, (Bytes{0x01, 0x00, 0x7F})) << "report " << i;
    }
    // The stop of the last effect puts the vibration device at rest: the value 0.
    EXPECT_EQ(reports.back().second, (Bytes{0x01, 0x00, 0x00}));
    std::printf("[ measured ] %u reports through Wine's HID stack in about 200 ms\n",
                static_cast<unsigned>(reports.size()));
}

// Writes that fail as from an unplugged wheel, then writes the wheel never completes: the
// engine goes on ticking through both, and sends the playing force again once the wheel
// takes writes. How many reports came through in each phase is printed.
TEST_F(WineHidWheel, EngineTicksThroughFailedAndStalledWrites) {
    BindPlaying(1, 1);
    const Bytes playing = {0x01, 0xBF, 0x80};
    for (WriteFault fault : {WriteFault::Unplugged, WriteFault::Stall}) {
        SCOPED_TRACE(static_cast<int>(fault));
        ASSERT_TRUE(SetWriteFault(channel_, fault));
        Received(channel_);
        Sleep(300);
        const std::size_t during = Received(channel_).size();
        ASSERT_TRUE(SetWriteFault(channel_, WriteFault::None));
        Sleep(200);
        const auto after = Received(channel_);
        ASSERT_GE(after.size(), 3u) << "the engine sent nothing once the wheel took writes";
        EXPECT_EQ(after.back().second, playing);
        std::printf("[ measured ] write fault %d: %zu reports in 300 ms, %zu in 200 ms after\n",
                    static_cast<int>(fault), during, after.size());
    }
}

// While the wheel refuses feature requests and the current user's hive refuses writes (its
// key replaced, for this process, by a volatile one, under which no lasting key can be
// made), the control panel's calls and the unload fail quietly and the engine goes on
// sending the playing force.
TEST_F(WineHidWheel, RefusedFeaturesAndARefusingUserHiveLeaveTheEngineTicking) {
    SetDeviceValue("Drive_Default_Spring", 1);
    BindPlaying(0, 0);
    HKEY volatileHive = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\quorforce-tests\\volatile", 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &volatileHive, nullptr),
              ERROR_SUCCESS);
    ASSERT_TRUE(SetWriteFault(channel_, WriteFault::RefuseFeatures));
    ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, volatileHive), ERROR_SUCCESS);
    HKEY lasting = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "lasting", 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &lasting, nullptr),
              ERROR_CHILD_MUST_BE_VOLATILE)
        << "the hive does not refuse";
    Received(channel_);
    ForceSettings settings = {};
    settings.mask = QUORFORCE_MASK_SPRING | QUORFORCE_MASK_SPRING_ON | QUORFORCE_MASK_GLOBAL;
    settings.global = 50;
    settings.spring = 50;
    settings.springOn = 1;
    EXPECT_EQ(SetDeviceConfig(settings), 0);
    Sleep(100);
    const auto reports = Received(channel_);
    ASSERT_GE(reports.size(), 3u) << "the engine stopped";
    for (const auto& report : reports)
        EXPECT_EQ(report.first, 1) << "a refused feature request was recorded";
    EXPECT_EQ(reports.back().second, (Bytes{0x01, 0x00, 0x3F}));  // the halved global strength
    driver_->Release();
    factory_->Release();
    dll_.reset();  // the unload saves the strengths: refused too
    driver_ = nullptr;
    factory_ = nullptr;
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(volatileHive);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\quorforce-tests\\volatile");
    SetWriteFault(channel_, WriteFault::None);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, std::string(kDeviceKey) + "\\0"))
        << "the refusing hive stored the strengths";
}

// The input side through hidclass: the wheel's X position reaches the spring.
TEST_F(WineHidWheel, SpringFollowsTheInjectedPosition) {
    SetDeviceValue("Shock_or_Force_Feedback", 1);
    SetDeviceValue("Motor_Parameters", 1);
    Bind();
    DICONDITION spring = {10240, 10000, 10000, 10000, 10000, 0};  // centre 512 x 20
    Download(912, &spring, sizeof spring, 0);
    Sleep(100);
    // X = 600 in report 1: 2 x 4 x (12000 - 10240) = 14080, byte 128 + 89 = 0xD9.
    ASSERT_TRUE(InjectPosition(channel_, 600, 0));
    Sleep(200);
    const auto reports = Received(channel_);
    ASSERT_GE(reports.size(), 5u);
    EXPECT_EQ(reports.front().second, (Bytes{0x01, 0x00, 0x80}));  // at 0: full force right
    EXPECT_EQ(reports.back().second, (Bytes{0x01, 0xD9, 0x80}));
}

// The control panel's call in the game's process: with "Drive_Default_Spring" on, turning the
// device's own spring on at 50 % sends the switch report and the strength report, 50 % on the
// device's 0..127 scale.
TEST_F(WineHidWheel, ControlPanelDrivesTheDevicesOwnSpring) {
    SetDeviceValue("Drive_Default_Spring", 1);
    Bind();
    ForceSettings settings = {};
    settings.mask = QUORFORCE_MASK_SPRING | QUORFORCE_MASK_SPRING_ON;
    settings.spring = 50;
    settings.springOn = 1;
    EXPECT_EQ(SetDeviceConfig(settings), 0);
    std::vector<Bytes> features;
    for (const auto& report : Received(channel_)) {
        if (report.first == 2) features.push_back(report.second);
    }
    // The strength is applied first, while the spring is still off: the switch alone; then
    // the switch on and the strength.
    const std::vector<Bytes> expected = {{0x02, 0x00, 0x00, 0x00, 0x80},
                                         {0x02, 0xFF, 0xFF, 0x00, 0x80},
                                         {0x03, 63, 0x00, 127, 0x00}};
    EXPECT_EQ(features, expected);
}

// A control panel in another process halves the global strength: from its next tick on, the
// game's process sends the halved force.
TEST_F(WineHidWheel, ControlPanelInAnotherProcessScalesTheNextTicks) {
    BindPlaying(0, 0);
    ASSERT_EQ(Received(channel_).back().second, (Bytes{0x01, 0x00, 0x7F}));
    ASSERT_EQ(RunProgram("quorforce_control_panel_client.exe", "global 0 50"), 0);
    // Reports sent while the other process ran may carry either strength, but once halved
    // every later one is.
    bool halved = false;
    for (const auto& report : Received(channel_)) {
        if (report.second == Bytes{0x01, 0x00, 0x3F}) halved = true;
        if (halved) {
            EXPECT_EQ(report.second, (Bytes{0x01, 0x00, 0x3F}));
        }
    }
    Sleep(100);
    const auto after = Received(channel_);
    ASSERT_GE(after.size(), 3u);
    for (const auto& report : after)
        EXPECT_EQ(report.second, (Bytes{0x01, 0x00, 0x3F}));
}

// A second wheel of the same model beside the first, joystick ids 0 and 1, each bound by
// its own driver object: each receives the force of its own effect only.
TEST(WineTwoWheels, EachReceivesItsOwnForce) {
    HANDLE channels[2] = {OpenWheelChannel(0, 0), OpenWheelChannel(1, 1)};
    ASSERT_NE(channels[0], INVALID_HANDLE_VALUE);
    ASSERT_NE(channels[1], INVALID_HANDLE_VALUE) << "the second wheel did not install";
    SetDeviceValue("Shock_or_Force_Feedback", 0);
    SetDeviceValue("Motor_Parameters", 0);
    LoadedDriver dll;
    IClassFactory* factory = dll.CreateFactory();
    ASSERT_NE(factory, nullptr);
    IDirectInputEffectDriver* drivers[2] = {};
    // 5000 and 2500 at 90 degrees: 10000 and 5000 on the first motor, bytes 127 and 63.
    DICONSTANTFORCE forces[2] = {{5000}, {2500}};
    const Bytes expected[2] = {{0x01, 0x00, 0x7F}, {0x01, 0x00, 0x3F}};
    for (DWORD wheel = 0; wheel < 2; ++wheel) {
        Received(channels[wheel]);
        ASSERT_EQ(factory->CreateInstance(nullptr, kEffectDriver,
                                          reinterpret_cast<void**>(&drivers[wheel])),
                  S_OK);
        ASSERT_EQ(drivers[wheel]->DeviceID(0x0800, wheel, TRUE, wheel, nullptr), S_OK) << wheel;
        DirectInputEffect effect = Effect(&forces[wheel], sizeof forces[wheel], 9000);
        DWORD handle = 0;
        EXPECT_EQ(drivers[wheel]->DownloadEffect(wheel, 371, &handle, &effect.effect, DIEP_START),
                  S_OK);
    }
    Sleep(200);
    for (DWORD wheel = 0; wheel < 2; ++wheel) {
        SCOPED_TRACE(wheel);
        const auto reports = Received(channels[wheel]);
        EXPECT_GE(reports.size(), 3u);
        // The second wheel's first reports may come before its own effect was downloaded.
        for (std::size_t i = wheel; i < reports.size(); ++i)
            EXPECT_EQ(reports[i].second, expected[wheel]);
        drivers[wheel]->Release();
    }
    factory->Release();
    dll.Free();
    ClearDeviceKey();
    for (HANDLE channel : channels)
        CloseHandle(channel);
}

// A maker's own wheel, vendor 046D, as joystick 2: the driver binds it once the installation
// names it among the accepted devices, and not before.
TEST(WineOtherVendor, BindsOnceNamedInTheAcceptedDevices) {
    const HANDLE channel = OpenWheelChannel(0, 2, "VID_046D&PID_C294");
    ASSERT_NE(channel, INVALID_HANDLE_VALUE) << "the other vendor's wheel did not install";
    LoadedDriver dll;
    IDirectInputEffectDriver* driver = dll.CreateDriver();
    ASSERT_NE(driver, nullptr);
    EXPECT_EQ(driver->DeviceID(0x0800, 2, TRUE, 2, nullptr), E_FAIL);
    ASSERT_TRUE(WriteText(HKEY_LOCAL_MACHINE, kDeviceKey, "Accepted_Devices", "VID_046D&PID_C294"));
    EXPECT_EQ(driver->DeviceID(0x0800, 2, TRUE, 2, nullptr), S_OK);
    DeleteValue(HKEY_LOCAL_MACHINE, kDeviceKey, "Accepted_Devices");
    driver->Release();
    dll.Free();
    CloseHandle(channel);
}

// A racer with many controllers: the wheel is DirectInput's joystick 9. It binds in a place of
// the table lent to it, receives the force of its effect, and the control export reaches it
// by its own id.
TEST(WineJoystickNine, BindsAndReceivesItsForces) {
    const HANDLE channel = OpenWheelChannel(0, 9);
    ASSERT_NE(channel, INVALID_HANDLE_VALUE);
    SetDeviceValue("Shock_or_Force_Feedback", 0);
    SetDeviceValue("Motor_Parameters", 0);
    Received(channel);
    {
        LoadedDriver dll;
        IDirectInputEffectDriver* driver = dll.CreateDriver();
        ASSERT_NE(driver, nullptr);
        EXPECT_EQ(driver->DeviceID(0x0800, 0, TRUE, 0, nullptr), E_FAIL);  // no longer joystick 0
        ASSERT_EQ(driver->DeviceID(0x0800, 9, TRUE, 0, nullptr), S_OK);
        DICONSTANTFORCE force = {5000};
        DirectInputEffect effect = Effect(&force, sizeof force, 9000);
        DWORD handle = 0;
        EXPECT_EQ(driver->DownloadEffect(9, 371, &handle, &effect.effect, DIEP_START), S_OK);
        Sleep(200);
        const auto reports = Received(channel);
        ASSERT_GE(reports.size(), 3u);
        for (const auto& report : reports)  // 10000 on the first motor: byte 127
            EXPECT_EQ(report.second, (Bytes{0x01, 0x00, 0x7F}));
        typedef int(__cdecl * GetDeviceConfigFunction)(int, DeviceConfig*);
        GetDeviceConfigFunction getDeviceConfig = nullptr;
        ASSERT_TRUE(dll.Find(getDeviceConfig, "ZXGetDeviceConfig"));
        ForceSettings settings = {};
        settings.mask = QUORFORCE_MASK_GLOBAL;
        DeviceConfig config = {};
        config.forceSettings = &settings;
        getDeviceConfig(9, &config);
        EXPECT_EQ(config.filled, 1);
        EXPECT_EQ(settings.global, 100);
        driver->Release();
        dll.Free();
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(kDeviceKey) + "\\9").c_str());
    ClearDeviceKey();
    CloseHandle(channel);
    CloseHandle(OpenWheelChannel(0, 0));  // the other suites' wheel is joystick 0
}

}  // namespace
