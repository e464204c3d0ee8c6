// The game page's registry work on the host stand-in's registry: the games listed from both
// hives, a game's switches set, cleared and reset under the current user, profile files
// imported (all of it, or nothing when refused) and exported, the command line and the wheel
// the panel takes first.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "config/profile_file.h"
#include "config/registry_layout.h"
#include "panel/command_line.h"
#include "panel/device_choice.h"
#include "panel/game_profiles.h"
#include "platform/host/registry.h"
#include "platform/host/system.h"

namespace quorforce::panel {
namespace {

const std::string kDevice = std::string(kOemRoot) + "VID_5A1C&PID_E410" + kProductSubkey;
const std::string kRacer = kDevice + "\\Profiles\\racer.exe";

DWORD UserValue(const std::string& key, const char* name) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!host::GetRegistryValue(HKEY_CURRENT_USER, key, name, &type, &data) || data.size() != 4) {
        return 0xFFFFFFFFu;
    }
    return static_cast<DWORD>(data[0] | data[1] << 8 | data[2] << 16 | data[3] << 24);
}

class GameProfiles : public ::testing::Test {
protected:
    void SetUp() override { host::ResetStandIn(); }
    void TearDown() override { host::ResetStandIn(); }
    static const GameSwitchEntry& Entry(GameSwitch id) { return EntryOf(id); }
};

TEST_F(GameProfiles, ListsTheGamesOfBothHivesOnceEachSortedAndCapped) {
    EXPECT_TRUE(ListGames(kDevice).names.empty());
    host::SetRegistryDword(HKEY_CURRENT_USER, kDevice + "\\Profiles\\racer.exe", "Invert_Force", 1);
    host::SetRegistryDword(HKEY_CURRENT_USER, kDevice + "\\Profiles\\Arcade.exe", "Record", 0);
    host::SetRegistryDword(HKEY_LOCAL_MACHINE, kDevice + "\\Profiles\\RACER.EXE", "Record", 0);
    host::SetRegistryDword(HKEY_LOCAL_MACHINE, kDevice + "\\Profiles\\truck.exe", "Record", 0);
    // Another wheel's games are not this one's.
    host::SetRegistryDword(
        HKEY_CURRENT_USER,
        std::string(kOemRoot) + "VID_046D&PID_C294" + kProductSubkey + "\\Profiles\\other.exe",
        "Record", 0);
    GameList list = ListGames(kDevice);
    EXPECT_EQ(list.names, (std::vector<std::string>{"Arcade.exe", "racer.exe", "truck.exe"}));
    EXPECT_FALSE(list.more);

    for (int i = 0; i < 300; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "game%03d.exe", i);
        host::SetRegistryDword(HKEY_CURRENT_USER, kDevice + "\\Profiles\\" + name, "Record", 0);
    }
    list = ListGames(kDevice);
    ASSERT_EQ(list.names.size(), kMaxListedGames);
    EXPECT_TRUE(list.more);
    EXPECT_EQ(list.names[0], "Arcade.exe");
    EXPECT_EQ(list.names[1], "game000.exe");
    EXPECT_EQ(list.names.back(), "game254.exe");
}

TEST_F(GameProfiles, SwitchesAreSetAndClearedUnderTheUserAndReadAsTheDriverReadsThem) {
    const GameSwitchEntry& spring = Entry(GameSwitch::SpringGain);
    ASSERT_TRUE(StoreSwitch(kRacer, spring, 60));
    EXPECT_EQ(UserValue(kRacer, "Spring_Gain"), 60u);
    EXPECT_EQ(ReadStoredSwitches(kRacer, true).Get(GameSwitch::SpringGain), 60);
    EXPECT_FALSE(StoreSwitch(kRacer, spring, 201));  // out of range: not written
    EXPECT_EQ(UserValue(kRacer, "Spring_Gain"), 60u);

    // Cleared under the user, the machine's value shows through, as the driver would read it.
    host::SetRegistryDword(HKEY_LOCAL_MACHINE, kRacer, "Spring_Gain", 90);
    ASSERT_TRUE(StoreSwitch(kRacer, spring, -1));
    EXPECT_EQ(UserValue(kRacer, "Spring_Gain"), 0xFFFFFFFFu);
    EXPECT_EQ(ReadStoredSwitches(kRacer, true).Get(GameSwitch::SpringGain), 90);
    EXPECT_TRUE(StoreSwitch(kRacer, spring, -1));  // clearing what is not there
    EXPECT_TRUE(StoreSwitch(kDevice + "\\Profiles\\none.exe", spring, -1));

    // A stored value out of range is no switch; a strength is a profile's only.
    host::SetRegistryDword(HKEY_CURRENT_USER, kRacer, "Auto_Centre", 101);
    host::SetRegistryDword(HKEY_CURRENT_USER, kDevice, "Global_Value", 50);
    host::SetRegistryDword(HKEY_CURRENT_USER, kDevice, "Invert_Force", 1);
    EXPECT_FALSE(ReadStoredSwitches(kRacer, true).Has(GameSwitch::AutoCentre));
    const GameSwitches all = ReadStoredSwitches(kDevice, false);
    EXPECT_FALSE(all.Has(GameSwitch::GlobalValue));
    EXPECT_EQ(all.Get(GameSwitch::InvertForce), 1);
    EXPECT_FALSE(OfferedForAllGames(Entry(GameSwitch::GlobalValue)));
    EXPECT_TRUE(OfferedForAllGames(Entry(GameSwitch::Record)));

    host::RefuseWriting(HKEY_CURRENT_USER, true);
    EXPECT_FALSE(StoreSwitch(kRacer, spring, 10));
    EXPECT_FALSE(StoreSwitch(kRacer, Entry(GameSwitch::AutoCentre), -1));
}

TEST_F(GameProfiles, ResetClearsTheSwitchesAndKeepsTheGameAndTheOtherValues) {
    host::SetRegistryDword(HKEY_CURRENT_USER, kRacer, "Invert_Force", 1);
    host::SetRegistryDword(HKEY_CURRENT_USER, kRacer, "Global_Value", 70);
    host::SetRegistryDword(HKEY_CURRENT_USER, kDevice, "Invert_Force", 1);
    host::SetRegistryDword(HKEY_CURRENT_USER, kDevice, "Report_Format", 2);
    ResetSwitches(kRacer, true);
    EXPECT_EQ(UserValue(kRacer, "Invert_Force"), 0xFFFFFFFFu);
    EXPECT_EQ(UserValue(kRacer, "Global_Value"), 0xFFFFFFFFu);
    EXPECT_EQ(ListGames(kDevice).names, std::vector<std::string>{"racer.exe"});
    ResetSwitches(kDevice, false);
    EXPECT_EQ(UserValue(kDevice, "Invert_Force"), 0xFFFFFFFFu);
    EXPECT_EQ(UserValue(kDevice, "Report_Format"), 2u);
}

TEST_F(GameProfiles, ARefusedImportWritesNothing) {
    host::SetRegistryDword(HKEY_CURRENT_USER, kRacer, "Invert_Force", 1);
    const std::string head = "quorforce profile 1\ngame=racer.exe\nSpring_Gain=60\n";
    const std::string refused[] = {
        head + "Spring_Gain=61\n",
        head + "Damper_Gain=300\n",
        head + "Unknown=1\n",
        "quorforce profile 1\nSpring_Gain=60\n",
        "quorforce profile 1\ngame=new.exe\nInvert_Force=1\nbad line\n",
    };
    for (const std::string& text : refused) {
        SCOPED_TRACE(text);
        const ImportResult result = ImportProfile(kDevice, text.data(), text.size());
        EXPECT_EQ(result.outcome, ImportOutcome::Refused);
        EXPECT_EQ(result.message.rfind("Not imported: ", 0), 0u) << result.message;
        EXPECT_EQ(UserValue(kRacer, "Spring_Gain"), 0xFFFFFFFFu);
        EXPECT_EQ(UserValue(kRacer, "Invert_Force"), 1u);
        EXPECT_FALSE(host::RegistryKeyExists(HKEY_CURRENT_USER, kDevice + "\\Profiles\\new.exe"));
    }
    // Valid, but a key name past the registry's documented 255 characters (from the hive's
    // name on): refused before anything is written.
    const std::string longest = "quorforce profile 1\ngame=" + std::string(112, 'g') + "\n";
    const std::string tooLong = "quorforce profile 1\ngame=" + std::string(113, 'g') + "\n";
    EXPECT_EQ(ImportProfile(kDevice, longest.data(), longest.size()).outcome,
              ImportOutcome::Imported);
    const ImportResult refusedLong = ImportProfile(kDevice, tooLong.data(), tooLong.size());
    EXPECT_EQ(refusedLong.outcome, ImportOutcome::Refused);
    EXPECT_EQ(refusedLong.message,
              "Not imported: the game's name makes too long a registry key. Nothing was changed.");
    EXPECT_FALSE(host::RegistryKeyExists(HKEY_CURRENT_USER,
                                         kDevice + "\\Profiles\\" + std::string(113, 'g')));
    const ImportResult result = ImportProfile(kDevice, refused[0].data(), refused[0].size());
    EXPECT_EQ(result.message,
              "Not imported: line 4: Spring_Gain is given a second time (first on line 3). "
              "Nothing was changed.");
}

TEST_F(GameProfiles, AnImportMakesTheGamesProfileThatOfTheFile) {
    host::SetRegistryDword(HKEY_CURRENT_USER, kRacer, "Invert_Force", 1);
    host::SetRegistryDword(HKEY_CURRENT_USER, kRacer, "Spring_Gain", 150);
    host::SetRegistryDword(HKEY_CURRENT_USER, kRacer, "Other_Value", 7);
    const std::string text = "quorforce profile 1\ngame=Racer.exe\nSpring_Gain=60\nGame_Pause=1\n";
    const ImportResult result = ImportProfile(kDevice, text.data(), text.size());
    EXPECT_EQ(result.outcome, ImportOutcome::Imported);
    EXPECT_EQ(result.game, "racer.exe");
    EXPECT_EQ(result.message,
              "Imported the profile of racer.exe: 2 switches set, the others cleared. A running "
              "game takes it the next time it opens the wheel.");
    EXPECT_EQ(UserValue(kRacer, "Spring_Gain"), 60u);
    EXPECT_EQ(UserValue(kRacer, "Game_Pause"), 1u);
    EXPECT_EQ(UserValue(kRacer, "Invert_Force"), 0xFFFFFFFFu);
    EXPECT_EQ(UserValue(kRacer, "Other_Value"), 7u);  // not a switch: not ours to clear

    // Exported, it is the same profile again.
    std::string exported;
    ASSERT_TRUE(ExportProfile(kDevice, "racer.exe", &exported));
    EXPECT_EQ(exported,
              "quorforce profile 1\r\ngame=racer.exe\r\nGame_Pause=1\r\nSpring_Gain=60\r\n");
    EXPECT_FALSE(ExportProfile(kDevice, "", &exported));  // all games: no file names them
    EXPECT_FALSE(ExportProfile(kDevice, "a:b", &exported));

    host::RefuseWriting(HKEY_CURRENT_USER, true);
    EXPECT_EQ(ImportProfile(kDevice, text.data(), text.size()).outcome, ImportOutcome::NotWritten);
}

TEST_F(GameProfiles, ImportsAFileFromDisk) {
    const std::string path = ::testing::TempDir() + "quorforce-profile-test.qfprofile";
    ASSERT_TRUE(
        WriteTextFile(path.c_str(), "quorforce profile 1\r\ngame=truck.exe\r\nRecord=1\r\n"));
    EXPECT_EQ(ImportProfileFile(kDevice, path.c_str()).outcome, ImportOutcome::Imported);
    EXPECT_EQ(UserValue(kDevice + "\\Profiles\\truck.exe", "Record"), 1u);
    std::remove(path.c_str());
    const ImportResult missing = ImportProfileFile(kDevice, path.c_str());
    EXPECT_EQ(missing.outcome, ImportOutcome::Refused);
    EXPECT_EQ(missing.message, "Not imported: the file cannot be opened. Nothing was changed.");
}

TEST(PanelCommandLine, ReadsImportAndQuiet) {
    struct Case {
        const char* line;
        bool import;
        bool quiet;
        const char* file;
        bool error;
    };
    const Case cases[] = {
        {"", false, false, "", false},
        {"/quiet", false, true, "", false},
        {"/import racer.qfprofile", true, false, "racer.qfprofile", false},
        {"/IMPORT \"C:\\My Profiles\\racer.qfprofile\" /Quiet", true, true,
         "C:\\My Profiles\\racer.qfprofile", false},
        {"/quiet\t/import  a.qfprofile ", true, true, "a.qfprofile", false},
        {"/import", true, false, "", true},
        {"/import /quiet", true, true, "", true},
        {"/import \"\"", true, false, "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const PanelCommand command = ParseCommandLine(c.line);
        EXPECT_EQ(command.import, c.import);
        EXPECT_EQ(command.quiet, c.quiet);
        EXPECT_EQ(command.file, c.file);
        EXPECT_EQ(!command.error.empty(), c.error);
    }
    EXPECT_FALSE(ParseCommandLine(nullptr).import);
}

TEST(PanelDevices, TheFirstChoiceAndItsKey) {
    DeviceChoice devices[kJoystickCount] = {};
    EXPECT_EQ(ListDevices(nullptr, nullptr, devices), 0u);
    const DeviceChoice none = FirstChoice(devices, 0, 3);
    EXPECT_EQ(none.joystick, 0u);
    // No ids: the built-in wheel's key, the model the setup installs.
    EXPECT_EQ(DeviceKeyOf(none), kDevice);
    devices[0] = {2, 0x046D, 0xC294};
    devices[1] = {3, 0x5A1C, 0xE410};
    EXPECT_EQ(FirstChoice(devices, 2, 3).joystick, 3u);
    EXPECT_EQ(FirstChoice(devices, 2, 0).joystick, 2u);
    EXPECT_EQ(DeviceKeyOf(devices[0]),
              std::string(kOemRoot) + "VID_046D&PID_C294" + kProductSubkey);
}

}  // namespace
}  // namespace quorforce::panel
