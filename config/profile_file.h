// Profile files (.qfprofile): one game's switches as a small text that players share. Pure
// text in, records out, and back: the panel's import and export and the command line's
// /import call these, nothing else touches the registry here. The format:
//
//     quorforce profile 1          the first line, exactly (a UTF-8 byte order mark before it
//     # a comment                  and a carriage return after any line are taken)
//     game=game.exe                once: the game's executable file name
//     Invert_Force=1               a switch, named as the catalogue spells it, at most once,
//     Spring_Gain=60               a decimal number within the switch's range
//
// Blank lines and lines starting with '#' are skipped; spaces and tabs around a line, a name
// and a value are not part of them. Anything else refuses the whole file, naming the line.
#pragma once

#include <cstddef>
#include <string>

#include "config/game_switches.h"

namespace quorforce {

inline constexpr char kProfileFirstLine[] = "quorforce profile 1";
inline constexpr char kProfileGameName[] = "game";
// A profile is a few hundred bytes: a larger file is not one of ours.
constexpr std::size_t kMaxProfileFileSize = 64 * 1024;
constexpr std::size_t kMaxProfileLineLength = 1024;

struct Profile {
    char game[kGameNameSize] = "";  // the profile key's name: lower case
    GameSwitches switches;          // -1 for a switch the file does not set
};

enum class ProfileProblem {
    None,
    TooLarge,     // more than kMaxProfileFileSize bytes
    FirstLine,    // not kProfileFirstLine
    LineTooLong,  // more than kMaxProfileLineLength characters
    NotAnEntry,   // no '=' or nothing before it
    UnknownName,  // neither "game" nor a switch
    WrongCase,    // a switch's name in other letters' case (names are exact)
    NotANumber,   // not decimal digits only
    OutOfRange,   // outside the switch's range
    SwitchTwice,  // a switch given a second time
    GameTwice,    // a second game= line
    BadGameName,  // empty, too long, or a character no file name holds
    NoGame,       // no game= line at all
};

struct ProfileRefusal {
    ProfileProblem problem = ProfileProblem::None;
    std::size_t line = 0;     // 1-based; for NoGame and TooLarge the file's last line
    std::size_t earlier = 0;  // SwitchTwice, GameTwice: the line that gave it first
    const GameSwitchEntry* entry = nullptr;  // the switch concerned, when there is one
    std::string text;                        // the name or value concerned, shortened and printable
};

// Reads a whole file's bytes. True with `profile` filled; false with `refusal` saying the
// first problem and `profile` left empty.
bool ParseProfile(const char* text, std::size_t size, Profile* profile, ProfileRefusal* refusal);

// "line 4: Spring_Gain=250 is out of range (0 to 200)": for the player.
std::string DescribeRefusal(const ProfileRefusal& refusal);

// The file of `profile`: the first line, game=, then each set switch in the catalogue's
// order, lines ended by CR LF. What it writes, ParseProfile reads back the same.
std::string FormatProfile(const Profile& profile);

// Whether `name` may be a game's name in a file: 1 to kGameNameSize - 1 characters, none of
// them a control character or one of \ / : * ? " < > | (no Windows file name holds them).
bool IsGameFileName(const char* name, std::size_t length);

}  // namespace quorforce
