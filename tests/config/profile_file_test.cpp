// Profile files: every refusal with the line it names and the message a player reads, the
// lenient edges (a byte order mark, CR LF, blanks, comments) and the round trip through the
// writer.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "config/profile_file.h"

namespace quorforce {
namespace {

struct Refused {
    const char* what;
    std::string text;
    ProfileProblem problem;
    std::size_t line;
    const char* message;
};

const std::string kHead = "quorforce profile 1\n";

TEST(ProfileFile, RefusesWithTheLineAndWhy) {
    const Refused cases[] = {
        {"empty file", "", ProfileProblem::FirstLine, 1,
         "line 1: the first line must be \"quorforce profile 1\""},
        {"another first line", "quorforce profile 2\ngame=a.exe\n", ProfileProblem::FirstLine, 1,
         "line 1: the first line must be \"quorforce profile 1\""},
        {"a comment first", "# mine\n" + kHead + "game=a.exe\n", ProfileProblem::FirstLine, 1,
         "line 1: the first line must be \"quorforce profile 1\""},
        {"no game", kHead + "# only a comment\n\nInvert_Force=1\n", ProfileProblem::NoGame, 4,
         "the file names no game (a line game=...)"},
        {"no equals", kHead + "game=a.exe\nInvert_Force 1\n", ProfileProblem::NotAnEntry, 3,
         "line 3: \"Invert_Force 1\" is not name=value"},
        {"no name", kHead + "game=a.exe\n=1\n", ProfileProblem::NotAnEntry, 3,
         "line 3: \"=1\" is not name=value"},
        {"unknown switch", kHead + "game=a.exe\n\nSpring_Gian=60\n", ProfileProblem::UnknownName, 4,
         "line 4: \"Spring_Gian\" is not a switch"},
        {"a tuning value is no switch", kHead + "game=a.exe\nBy10_Spring_Coef=40\n",
         ProfileProblem::UnknownName, 3, "line 3: \"By10_Spring_Coef\" is not a switch"},
        {"case of a switch", kHead + "game=a.exe\ninvert_force=1\n", ProfileProblem::WrongCase, 3,
         "line 3: \"invert_force\" must be spelt Invert_Force"},
        {"case of game", kHead + "Game=a.exe\n", ProfileProblem::WrongCase, 2,
         "line 2: \"Game\" must be spelt game"},
        {"above the range", kHead + "game=a.exe\nSpring_Gain=201\n", ProfileProblem::OutOfRange, 3,
         "line 3: Spring_Gain=201 is out of range (0 to 200)"},
        {"a 0/1 switch at 2", kHead + "game=a.exe\nInvert_Force=2\n", ProfileProblem::OutOfRange, 3,
         "line 3: Invert_Force=2 is out of range (0 to 1)"},
        {"digits past any integer", kHead + "game=a.exe\nMinimum_Force=99999999999999999999\n",
         ProfileProblem::OutOfRange, 3,
         "line 3: Minimum_Force=99999999999999999999 is out of range (0 to 100)"},
        {"negative", kHead + "game=a.exe\nAuto_Centre=-1\n", ProfileProblem::NotANumber, 3,
         "line 3: Auto_Centre=\"-1\" is not a decimal number"},
        {"hexadecimal", kHead + "game=a.exe\nRamp_Gain=0x10\n", ProfileProblem::NotANumber, 3,
         "line 3: Ramp_Gain=\"0x10\" is not a decimal number"},
        {"empty value", kHead + "game=a.exe\nRamp_Gain=\n", ProfileProblem::NotANumber, 3,
         "line 3: Ramp_Gain=\"\" is not a decimal number"},
        {"a comment after the value", kHead + "game=a.exe\nRamp_Gain=5 # five\n",
         ProfileProblem::NotANumber, 3, "line 3: Ramp_Gain=\"5 # five\" is not a decimal number"},
        {"a switch twice", kHead + "game=a.exe\nGame_Gain=1\n#\nGame_Gain=1\n",
         ProfileProblem::SwitchTwice, 5,
         "line 5: Game_Gain is given a second time (first on line 3)"},
        {"game twice", kHead + "game=a.exe\ngame=b.exe\n", ProfileProblem::GameTwice, 3,
         "line 3: game= is given a second time (first on line 2)"},
        {"empty game", kHead + "game=\n", ProfileProblem::BadGameName, 2,
         "line 2: \"\" is not a game's file name"},
        {"a path", kHead + "game=C:\\Games\\a.exe\n", ProfileProblem::BadGameName, 2,
         "line 2: \"C:\\Games\\a.exe\" is not a game's file name"},
        {"a slash", kHead + "game=../a.exe\n", ProfileProblem::BadGameName, 2,
         "line 2: \"../a.exe\" is not a game's file name"},
        {"a control character", kHead + "game=a\x01.exe\n", ProfileProblem::BadGameName, 2,
         "line 2: \"a?.exe\" is not a game's file name"},
        {"a zero byte", kHead + std::string("game=a\0.exe\n", 12), ProfileProblem::BadGameName, 2,
         "line 2: \"a?.exe\" is not a game's file name"},
        {"a last dot", kHead + "game=..\n", ProfileProblem::BadGameName, 2,
         "line 2: \"..\" is not a game's file name"},
        {"a name too long", kHead + "game=" + std::string(kGameNameSize, 'g') + "\n",
         ProfileProblem::BadGameName, 2,
         "line 2: \"gggggggggggggggggggggggggggggggggggggggg...\" is not a game's file name"},
        {"a line too long", kHead + "game=a.exe\n#" + std::string(kMaxProfileLineLength, '#'),
         ProfileProblem::LineTooLong, 3, "line 3: longer than 1024 characters"},
        {"a file too large", kHead + std::string(kMaxProfileFileSize, '\n'),
         ProfileProblem::TooLarge, 0, "the file is larger than 65536 bytes: not a profile"},
    };
    for (const Refused& c : cases) {
        SCOPED_TRACE(c.what);
        Profile profile;
        profile.switches.Set(GameSwitch::InvertForce, 1);
        ProfileRefusal refusal;
        EXPECT_FALSE(ParseProfile(c.text.data(), c.text.size(), &profile, &refusal));
        EXPECT_EQ(refusal.problem, c.problem);
        EXPECT_EQ(refusal.line, c.line);
        EXPECT_EQ(DescribeRefusal(refusal), c.message);
        // A refused file gives nothing to write.
        EXPECT_STREQ(profile.game, "");
        EXPECT_FALSE(profile.switches.Has(GameSwitch::InvertForce));
    }
}

TEST(ProfileFile, TakesWhatEditorsWriteAndWritesItBack) {
    const std::string text =
        "\xEF\xBB\xBFquorforce profile 1\r\n"
        "# Racer: the wheel pulls the wrong way\r\n"
        "\r\n"
        "  game = Racer.EXE \r\n"
        "Invert_Force=1\r\n"
        "\tSpring_Gain\t=\t060\r\n"
        "Global_Value=200\r\n"
        "Minimum_Force=0";
    Profile profile;
    ProfileRefusal refusal;
    ASSERT_TRUE(ParseProfile(text.data(), text.size(), &profile, &refusal))
        << DescribeRefusal(refusal);
    EXPECT_EQ(refusal.problem, ProfileProblem::None);
    EXPECT_STREQ(profile.game, "racer.exe");
    EXPECT_EQ(profile.switches.Get(GameSwitch::InvertForce), 1);
    EXPECT_EQ(profile.switches.Get(GameSwitch::SpringGain), 60);
    EXPECT_EQ(profile.switches.Get(GameSwitch::GlobalValue), 200);
    EXPECT_EQ(profile.switches.Get(GameSwitch::MinimumForce), 0);
    EXPECT_FALSE(profile.switches.Has(GameSwitch::AutoCentre));

    // The writer: the catalogue's order, CR LF; and it reads back the same.
    const std::string written = FormatProfile(profile);
    EXPECT_EQ(written,
              "quorforce profile 1\r\ngame=racer.exe\r\nGlobal_Value=200\r\nInvert_Force=1\r\n"
              "Spring_Gain=60\r\nMinimum_Force=0\r\n");
    Profile again;
    ASSERT_TRUE(ParseProfile(written.data(), written.size(), &again, &refusal));
    EXPECT_STREQ(again.game, profile.game);
    for (const GameSwitchEntry& entry : kGameSwitches)
        EXPECT_EQ(again.switches.Get(entry.id), profile.switches.Get(entry.id)) << entry.name;
}

TEST(ProfileFile, EverySwitchAtEachEndOfItsRangeRoundTrips) {
    for (bool top : {false, true}) {
        Profile profile;
        std::snprintf(profile.game, sizeof profile.game, "%s", "every.exe");
        for (const GameSwitchEntry& entry : kGameSwitches)
            profile.switches.Set(entry.id,
                                 static_cast<std::int32_t>(top ? entry.maximum : entry.minimum));
        const std::string written = FormatProfile(profile);
        Profile again;
        ProfileRefusal refusal;
        ASSERT_TRUE(ParseProfile(written.data(), written.size(), &again, &refusal))
            << DescribeRefusal(refusal);
        for (const GameSwitchEntry& entry : kGameSwitches)
            EXPECT_EQ(again.switches.Get(entry.id), profile.switches.Get(entry.id)) << entry.name;
    }
    // Just a game: a profile that sets nothing.
    const std::string bare = kHead + "game=bare.exe";
    Profile profile;
    ProfileRefusal refusal;
    ASSERT_TRUE(ParseProfile(bare.data(), bare.size(), &profile, &refusal));
    EXPECT_STREQ(profile.game, "bare.exe");
    EXPECT_FALSE(profile.switches.ChangesMix());
}

}  // namespace
}  // namespace quorforce
