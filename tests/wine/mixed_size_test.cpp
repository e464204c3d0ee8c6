// Both sizes of the driver at once, in one 64-bit prefix that runs programs of both sizes:
// a 32-bit and a 64-bit process load the quorforce.dll of their own size and share the one
// table, its settings and its slots, on the virtual wheel (its minidriver built for the
// prefix's 64-bit device host). The 64-bit programs stand beside this one; the 32-bit ones
// in the folder QUORFORCE_32BIT_PROGRAMS names (the win32 build's bin/).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "harness/wine/game_process.h"
#include "harness/wine/virtual_wheel.h"
#include "harness/wine/wheel_fixture.h"

namespace {

using namespace wine_test;

// The folder of the programs of a size, with a closing backslash.
std::string Folder(int bits) { return bits == 64 ? ThisFolder() : Programs32(); }

// The control panel client of a size, run to its end; its exit code.
int RunPanel(int bits, const std::string& arguments) {
    return RunCommandLine("\"" + Folder(bits) + "quorforce_control_panel_client.exe\" " +
                          arguments);
}

const Bytes kFull = {0x01, 0x00, 0x7F};    // 5000 at 90 degrees: 10000 on the first motor
const Bytes kHalved = {0x01, 0x00, 0x3F};  // the same at a global strength of 50 %
const char kImages[] = "Software\\quorforce-test\\images\\0";

class MixedSizes : public WheelTest<::testing::TestWithParam<int>> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(WheelTest::SetUp());
        ASSERT_NE(GetFileAttributesA((Folder(32) + "quorforce.dll").c_str()),
                  INVALID_FILE_ATTRIBUTES)
            << "no 32-bit quorforce.dll in '" << Folder(32) << "': build the win32 preset";
        ClearDeviceKey();
        SetDeviceValue("Shock_or_Force_Feedback", 0);  // vibration, two motors
        SetDeviceValue("Motor_Parameters", 0);
    }
    void TearDown() override {
        ClearDeviceKey();
        RegDeleteKeyA(HKEY_CURRENT_USER, kImages);
    }
    // The 160-byte slot image a panel stored for effect handle `handle`.
    static Bytes Image(int handle) {
        Bytes image(200);
        DWORD size = static_cast<DWORD>(image.size());
        const std::string name = "Value_Parameter_" + std::to_string(handle);
        if (RegGetValueA(HKEY_CURRENT_USER, kImages, name.c_str(), RRF_RT_REG_BINARY, nullptr,
                         image.data(), &size) != ERROR_SUCCESS) {
            return {};
        }
        image.resize(size);
        return image;
    }
};

// A game of one size plays; a control panel of the other size halves the global strength
// through its own DLL and the one header: from the next tick on the wheel gets half.
TEST_P(MixedSizes, APanelOfTheOtherSizeScalesTheGamesNextTicks) {
    const int gameBits = GetParam();
    const int panelBits = gameBits == 32 ? 64 : 32;
    GameProcess game(Folder(gameBits), 5000);
    ASSERT_TRUE(game.WaitUntilPlaying()) << "the " << gameBits << "-bit game did not start";
    auto reports = ReportsAfter(300);
    ASSERT_FALSE(reports.empty()) << "the game's engine sends nothing";
    EXPECT_EQ(reports.back().second, kFull);

    Received(channel_);
    ASSERT_EQ(RunPanel(panelBits, "global 0 50"), 0) << "the " << panelBits << "-bit panel";
    // Reports sent while the panel ran may carry either strength; once halved, all are.
    bool halved = false;
    for (const auto& report : Received(channel_)) {
        halved = halved || report.second == kHalved;
        if (halved) {
            EXPECT_EQ(report.second, kHalved);
        }
    }
    reports = ReportsAfter(300);
    ASSERT_GE(reports.size(), 3u);
    for (const auto& report : reports)
        EXPECT_EQ(report.second, kHalved);
    EXPECT_EQ(game.End(), 0);
}

INSTANTIATE_TEST_SUITE_P(GameOfEachSize, MixedSizes, ::testing::Values(32, 64),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Game" + std::to_string(info.param) + "Bit";
                         });

// A 32-bit and a 64-bit game download into the one area: each gets its own slot, the wheel
// gets the sum of both forces, and the slot images (stored by a panel of each size) hold
// each game's own parameters, whatever the size of the DIEFFECT it came from.
TEST_F(MixedSizes, BothSizesDownloadIntoOneAreaWithoutTouchingTheOthersSlot) {
    GameProcess game32(Folder(32), 2000);
    ASSERT_TRUE(game32.WaitUntilPlaying());
    GameProcess game64(Folder(64), 3000);
    ASSERT_TRUE(game64.WaitUntilPlaying());
    const auto reports = ReportsAfter(300);
    ASSERT_GE(reports.size(), 3u);
    EXPECT_EQ(reports.back().second, kFull) << "2000 + 3000 at 90 degrees";

    ASSERT_EQ(RunPanel(32, "image 0 1"), 0);
    ASSERT_EQ(RunPanel(64, "image 0 2"), 0);
    const LONG magnitudes[2] = {2000, 3000};
    for (int handle = 1; handle <= 2; ++handle) {
        SCOPED_TRACE(handle);
        const Bytes image = Image(handle);
        ASSERT_EQ(image.size(), 160u);
        auto at = [&image](std::size_t offset) {
            DWORD value = 0;
            std::memcpy(&value, &image[offset], sizeof value);
            return value;
        };
        const struct {
            std::size_t offset;
            DWORD expected;
            const char* field;
        } fields[] = {
            {0x00, 371, "effect id"},
            {0x0c, 0, "start delay"},
            {0x10, INFINITE, "duration"},
            {0x18, 10000, "gain"},
            {0x1c, DIEB_NOTRIGGER, "trigger button"},
            {0x24, 1, "axis count"},
            {0x28, DirectInputEffect::kXAxis, "first axis"},
            {0x2c, 0, "second axis"},
            {0x38, 9000, "direction"},
            {0x5c, static_cast<DWORD>(magnitudes[handle - 1]), "magnitude"},
        };
        for (const auto& field : fields)
            EXPECT_EQ(at(field.offset), field.expected) << field.field;
    }
    EXPECT_EQ(game64.End(), 0);
    EXPECT_EQ(game32.End(), 0);
}

}  // namespace
