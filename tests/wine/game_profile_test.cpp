// A game's profile with the real quorforce.dll on Wine's HID stack: the profile named after
// this test program's own executable (as the driver finds it with GetModuleFileName in the
// real process) changes the exact bytes the virtual wheel receives, and the first DeviceID
// leaves the game's empty profile key under the user's hive.
#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>

#include "harness/wine/registry.h"
#include "harness/wine/virtual_wheel.h"
#include "harness/wine/wheel_fixture.h"

namespace {

using namespace wine_test;

// This program's profile name: its file name in lower case.
std::string OwnProfileName() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string name = path;
    name = name.substr(name.find_last_of("\\/") + 1);
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

std::vector<Bytes> OutputReports(const std::vector<std::pair<int, Bytes>>& reports) {
    std::vector<Bytes> output;
    for (const auto& report : reports)
        if (report.first == 1) output.push_back(report.second);
    return output;
}

class WineGameProfile : public WheelTest<> {
protected:
    void TearDown() override {
        if (driver_ != nullptr) driver_->Release();
        if (factory_ != nullptr) factory_->Release();
        driver_ = nullptr;
        factory_ = nullptr;
        dll_.reset();
        ClearDeviceKey();
    }

    // A one-value force wheel playing a constant of 5000 (a sum of 10000) at 90 degrees; the
    // reports it received over 150 ms.
    std::vector<std::pair<int, Bytes>> PlayConstant() {
        StartConstant(5000);
        Sleep(50);
        return ReportsAfter(150);
    }

    // The driver loaded and bound, the constant downloaded and started: its handle.
    DWORD StartConstant(LONG magnitude) {
        SetDeviceValue("Shock_or_Force_Feedback", 1);
        SetDeviceValue("Motor_Parameters", 1);
        dll_ = std::make_unique<LoadedDriver>();
        factory_ = dll_->CreateFactory();
        EXPECT_NE(factory_, nullptr);
        if (factory_ == nullptr) return 0;
        EXPECT_EQ(
            factory_->CreateInstance(nullptr, kEffectDriver, reinterpret_cast<void**>(&driver_)),
            S_OK);
        if (driver_ == nullptr) return 0;
        EXPECT_EQ(driver_->DeviceID(0x0800, 0, TRUE, 0, nullptr), S_OK);
        DWORD handle = 0;
        EXPECT_EQ(Download(&handle, magnitude, DIEP_START), S_OK);
        return handle;
    }

    HRESULT Download(DWORD* handle, LONG magnitude, DWORD flags) {
        DICONSTANTFORCE force = {magnitude};
        DirectInputEffect effect = Effect(&force, sizeof force, 9000);
        return driver_->DownloadEffect(0, 371, handle, &effect.effect, flags);
    }

    std::unique_ptr<LoadedDriver> dll_;
    IClassFactory* factory_ = nullptr;
    IDirectInputEffectDriver* driver_ = nullptr;
};

// Without a profile: 128 + ((10000 x 255 / 20000) >> 1) = 191. With this program's profile
// inverting and halving constants: -5000, 127 - ((5000 x 255 / 20000) >> 1) = 96.
TEST_F(WineGameProfile, ThisProgramsProfileChangesTheBytes) {
    const std::string game = OwnProfileName();
    for (bool profiled : {false, true}) {
        SCOPED_TRACE(profiled ? "with the profile" : "without");
        if (profiled) {
            SetDeviceValue(("Profiles\\" + game + "\\Invert_Force").c_str(), 1);
            SetDeviceValue(("Profiles\\" + game + "\\Constant_Gain").c_str(), 50);
        }
        const auto reports = PlayConstant();
        ASSERT_FALSE(reports.empty());
        const Bytes expected = {0x01, static_cast<unsigned char>(profiled ? 96 : 191), 0x80};
        for (const auto& report : reports)
            EXPECT_EQ(report.second, expected);
        TearDown();
    }
}

TEST_F(WineGameProfile, TheFirstDeviceIdMakesTheGameKnown) {
    const std::string key = std::string(kDeviceKey) + "\\Profiles\\" + OwnProfileName();
    ClearProfiles();
    HKEY opened = nullptr;
    ASSERT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened), 0);
    PlayConstant();
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened), 0);
    DWORD values = 1;
    RegQueryInfoKeyA(opened, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    EXPECT_EQ(values, 0u);  // empty: the panel fills it
    RegCloseKey(opened);
}

// With a one-second step the next tick is far off: with Low_Latency an update soon after the
// bind reaches the wheel at once, in one report (127 - ((10000 x 255 / 20000) >> 1) = 64),
// though the force thread was already in its long wait when the bind turned the switch on;
// without it, not before that tick.
TEST_F(WineGameProfile, LowLatencySendsAnUpdateBeforeTheNextTick) {
    for (bool lowLatency : {false, true}) {
        SCOPED_TRACE(lowLatency ? "with Low_Latency" : "without");
        WriteDword(HKEY_CURRENT_USER, quorforce::kProductKey, "POLLING_STEP", 1000);
        if (lowLatency) SetDeviceValue("Low_Latency", 1);
        DWORD handle = StartConstant(5000);
        Sleep(300);  // past the engine's first tick, which may fall on the start
        Received(channel_);
        ASSERT_EQ(Download(&handle, -5000, DIEP_TYPESPECIFICPARAMS), S_OK);
        Sleep(300);
        const auto updated = OutputReports(Received(channel_));
        const std::vector<Bytes> update = {{0x01, 64, 0x80}};
        EXPECT_EQ(updated, lowLatency ? update : std::vector<Bytes>());
        TearDown();  // clears the key, the step with it
    }
}

}  // namespace
