// A game's switches: the profile wins over the device key, a value outside its range counts as
// absent, the strengths are read from a profile only, and a profile's name is the executable's
// file name in lower case.
#include <gtest/gtest.h>

#include "config/game_switches.h"
#include "config/registry_access.h"
#include "platform/host/system.h"

namespace quorforce {
namespace {

constexpr char kDevice[] = "Software\\Test\\VID_5A1C&PID_E410\\Quorvane\\FFB_API";
constexpr char kProfile[] =
    "Software\\Test\\VID_5A1C&PID_E410\\Quorvane\\FFB_API\\Profiles\\game.exe";

class GameSwitchesTest : public ::testing::Test {
protected:
    void SetUp() override { host::ResetStandIn(); }
    void TearDown() override { host::ResetStandIn(); }
};

TEST_F(GameSwitchesTest, ProfileWinsAndRangesHold) {
    WriteConfigDword(1, kDevice, "Invert_Force");
    WriteConfigDword(150, kDevice, "Spring_Gain");
    WriteConfigDword(80, kDevice, "Global_Value");  // a strength of the device key is no switch
    WriteConfigDword(0, kProfile, "Invert_Force");
    WriteConfigDword(201, kProfile, "Spring_Gain");  // out of range: the device key's stands
    WriteConfigDword(60, kProfile, "Global_Value");
    const GameSwitches none = LoadGameSwitches(kDevice, nullptr);
    EXPECT_EQ(none.Get(GameSwitch::InvertForce), 1);
    EXPECT_EQ(none.Get(GameSwitch::SpringGain), 150);
    EXPECT_FALSE(none.Has(GameSwitch::GlobalValue));
    const GameSwitches game = LoadGameSwitches(kDevice, "game.exe");
    EXPECT_EQ(game.Get(GameSwitch::InvertForce), 0);
    EXPECT_EQ(game.Get(GameSwitch::SpringGain), 150);
    EXPECT_EQ(game.Get(GameSwitch::GlobalValue), 60);
    EXPECT_FALSE(game.Has(GameSwitch::AutoCentre));
    EXPECT_FALSE(LoadGameSwitches(kDevice, "other.exe").Has(GameSwitch::GlobalValue));
    host::ResetStandIn();
    EXPECT_FALSE(LoadGameSwitches(kDevice, "game.exe").ChangesMix());
    WriteConfigDword(1, kProfile, "Record");
    EXPECT_FALSE(LoadGameSwitches(kDevice, "game.exe").ChangesMix());
    EXPECT_EQ(LoadGameSwitches(kDevice, "game.exe").Get(GameSwitch::Record), 1);
    WriteConfigDword(1, kProfile, "Low_Latency");  // when the force goes out, not what it is
    EXPECT_FALSE(LoadGameSwitches(kDevice, "game.exe").ChangesMix());
    EXPECT_EQ(LoadGameSwitches(kDevice, "game.exe").Get(GameSwitch::LowLatency), 1);
}

TEST_F(GameSwitchesTest, NamesAndKeys) {
    char name[kGameNameSize];
    EXPECT_TRUE(ProfileName("Game.EXE", name));
    EXPECT_STREQ(name, "game.exe");
    EXPECT_FALSE(ProfileName("", name));
    EXPECT_FALSE(ProfileName("a\\b.exe", name));
    std::string longName(kGameNameSize, 'x');
    EXPECT_FALSE(ProfileName(longName.c_str(), name));
    char key[64];
    EXPECT_TRUE(ProfileKey("Dev", "g.exe", key, sizeof key));
    EXPECT_STREQ(key, "Dev\\Profiles\\g.exe");
    EXPECT_FALSE(ProfileKey("Dev", "g.exe", key, 12));
    for (const GameSwitchEntry& entry : kGameSwitches) {
        EXPECT_EQ(FindGameSwitch(entry.name), &entry);
        EXPECT_EQ(&EntryOf(entry.id), &entry);
    }
    EXPECT_EQ(FindGameSwitch("invert_force"), nullptr);
}

}  // namespace
}  // namespace quorforce
