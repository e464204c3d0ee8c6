// The switches that fix a game: each a DWORD read at DeviceID from the device key (for every
// game) and from the game's profile below it ("Profiles\<exe>", the executable's file name in
// lower case); a value in the profile wins, an absent one means the driver's plain behaviour.
// The driver's loader, the panel's game page, the profile files and quorsim all walk this one
// table, so a switch is named and bounded once.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"

namespace quorforce {

// The key below the device key that holds one profile per game.
inline constexpr char kProfilesSubkey[] = "\\Profiles";
// Room for a game's executable name (a file name, so at most MAX_PATH characters).
constexpr std::size_t kGameNameSize = 260;

enum class GameSwitch : std::uint8_t {
    GlobalValue,  // this game's strengths in place of the joystick key's (profile only)
    StaticValue,
    DynamicValue,
    InvertForce,   // 1: every force pushes the other way (force mode)
    GameGain,      // 1: the game's device gain (SetGain) scales its mixed force
    GamePause,     // 1: pause and actuators-off give the neutral output
    ConstantGain,  // percent of each kind's force before the mix
    PeriodicGain,
    RampGain,
    SpringGain,
    DamperGain,
    InertiaGain,
    FrictionGain,
    MinimumForce,      // percent: a smaller non-zero mixed force is raised to it
    AutoCentre,        // percent: a centring spring while the game plays no condition
    Record,            // 1: the session is recorded (changes nothing the wheel receives)
    SpringStabiliser,  // 1: a spring is read at the position one read step ahead (damps it)
    Reconstruction,    // 1: the force moves to each new value over the game's update interval
    SoftLimit,         // percent of full force: the knee above which the sum is compressed
    LowLatency,        // 1: a call that changes the force wakes the force thread (when, not what)
    Count
};
constexpr std::size_t kGameSwitchCount = static_cast<std::size_t>(GameSwitch::Count);

struct GameSwitchEntry {
    GameSwitch id;
    const char* name;  // the registry value's name
    DWORD minimum;
    DWORD maximum;
    bool profileOnly;  // read from a game's profile only, never from the device key
};
extern const GameSwitchEntry kGameSwitches[kGameSwitchCount];

// The entry of a value name (exact, as the registry spells it), or null.
const GameSwitchEntry* FindGameSwitch(const char* name);
const GameSwitchEntry& EntryOf(GameSwitch id);

// One game's switches as read: -1 for a switch that is absent or out of its range.
struct GameSwitches {
    std::int32_t value[kGameSwitchCount];
    GameSwitches() {
        for (std::int32_t& v : value)
            v = -1;
    }
    bool Has(GameSwitch id) const { return value[static_cast<std::size_t>(id)] >= 0; }
    std::int32_t Get(GameSwitch id) const { return value[static_cast<std::size_t>(id)]; }
    void Set(GameSwitch id, std::int32_t v) { value[static_cast<std::size_t>(id)] = v; }
    // Record and LowLatency change when reports go out or what is written beside them, never
    // what a tick computes.
    static bool Timing(std::size_t i) {
        return i == static_cast<std::size_t>(GameSwitch::Record) ||
               i == static_cast<std::size_t>(GameSwitch::LowLatency);
    }
    // True when any switch that changes the mix is set: with none, the mix is the plain one,
    // byte for byte.
    bool ChangesMix() const {
        for (std::size_t i = 0; i < kGameSwitchCount; ++i)
            if (value[i] >= 0 && !Timing(i)) return true;
        return false;
    }
};

// True for a value inside the switch's range.
bool InRange(const GameSwitchEntry& entry, DWORD value);

// `exe` lower-cased into `name` (the profile key's name); false for an empty name, one that
// does not fit, or one with a character a key name cannot hold ('\\').
bool ProfileName(const char* exe, char (&name)[kGameNameSize]);

// The game's profile key: the device key + "\Profiles\" + name. False when it does not fit.
bool ProfileKey(const char* deviceKey, const char* name, char* key, std::size_t size);

// The switches of the device key, then the profile's over them (HKEY_CURRENT_USER first, then
// HKEY_LOCAL_MACHINE, like every tuning value). A stored value outside its range counts as
// absent. `profileName` may be null or empty: the device key's switches only.
GameSwitches LoadGameSwitches(const char* deviceKey, const char* profileName);

}  // namespace quorforce
