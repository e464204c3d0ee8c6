// quorsim's scenario scripts: one command a line, '#' starts a comment. Parsing checks
// every line before anything runs; a bad line is refused with its number and the reason.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/quorsim/hand.h"
#include "tools/quorsim/wheel_model.h"

namespace quorsim {

// `set NAME VALUE [on DEVICE]`: a value of the driver's registry catalogue, for one device;
// `profile NAME=VALUE [on DEVICE]`: a switch of the simulated game's profile for that device.
struct Setting {
    int line = 0;
    std::string name;
    std::uint32_t value = 0;
    int device = 0;        // index into Script::wheels
    bool profile = false;  // a game's switch, checked against its range when parsed
};

// `wheel [name=NAME] [vid=HEX] [pid=HEX] [joystick=N] [internal=N] [descriptor=FILE]
// [model=FIELDS]`: one device each line; with a model the wheel moves by itself.
struct WheelConfig {
    std::string name = "wheel";
    int area = 0;  // the wheel's area, given as `internal=N`
    std::uint16_t vendorId = 0x5A1C;
    std::uint16_t productId = 0xE410;
    int joystick = 0;
    std::vector<std::uint8_t> descriptor;  // empty: the built-in wheel's
    WheelModelConfig model;
};

struct Command {
    enum Kind { Download, Start, Stop, Destroy, DeviceCommand, Gain, X, ControlPanel, Hand };
    Kind kind = Download;
    int line = 0;
    std::string text;    // the command as written, for the output
    std::string name;    // the effect's name
    std::string effect;  // download: the kind word or a number
    std::uint32_t effectId = 0;
    std::map<std::string, std::string> params;  // download: lower-case name -> value
    bool solo = false;
    std::uint32_t deviceCommand = 0;  // DISFFC_ value; gain: SetGain's value
    std::int32_t x = 0;               // x: the position; image: the effect handle
    std::string call;  // control panel: "config get", "config set", "modify-forces", ...
    int device = 0;    // `at MS on NAME ...`: index into Script::wheels; the first by default
    HandAction hand;   // hand: what the hand does from then on
};

// `at MS COMMAND` or `run MS`, in file order.
struct Step {
    bool isRun = false;
    std::uint32_t ms = 0;
    Command command;
};

struct Script {
    std::vector<Setting> settings;
    std::vector<WheelConfig> wheels;  // at least one: the built-in wheel when none is given
    std::vector<Step> steps;
};

struct ParseResult {
    Script script;
    std::vector<std::string> errors;  // "line N: ..."
    bool ok() const { return errors.empty(); }
};

// `baseFolder` resolves descriptor files named relative to the script.
ParseResult ParseScript(const std::string& text, const std::string& baseFolder);

// The driver effect id of a kind word (constant, ramp, square, ...), 0 if none.
std::uint32_t EffectIdOfKind(const std::string& kind);
// Which key of the catalogue holds a value: "product", "device", "joystick", or "".
std::string KeyOfSetting(const std::string& name);

}  // namespace quorsim
