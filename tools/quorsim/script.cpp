// Parsing scenario scripts.
#include "tools/quorsim/script.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "config/settings_catalogue.h"
#include "harness/virtual_rig.h"
#include "state/effect_ids.h"

namespace quorsim {
namespace {

const std::map<std::string, std::uint32_t> kDeviceCommands = {
    {"reset", 0x01},    {"stopall", 0x02}, {"pause", 0x04},
    {"continue", 0x08}, {"on", 0x10},      {"off", 0x20},
};

// Parameters that every download takes, and those of each record.
const std::set<std::string> kCommonParams = {
    "gain",  "duration",     "delay",       "direction",  "axes",
    "flags", "attack-level", "attack-time", "fade-level", "fade-time"};
const std::set<std::string> kPeriodicParams = {"magnitude", "offset", "phase", "period"};
const std::set<std::string> kConstantParams = {"magnitude"};
const std::set<std::string> kRampParams = {"start", "end"};
const std::set<std::string> kConditionParams = {"offset",  "pos-coef", "neg-coef",
                                                "pos-sat", "neg-sat",  "deadband"};
const std::set<std::string> kFlags = {
    "duration",  "sampleperiod", "gain",      "triggerbutton",      "triggerrepeatinterval",
    "axes",      "direction",    "envelope",  "typespecificparams", "startdelay",
    "allparams", "start",        "norestart", "nodownload"};

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

bool ParseNumber(const std::string& text, bool hex, std::int64_t* value) {
    if (text.empty()) return false;
    const char* start = text.c_str();
    char* end = nullptr;
    const bool prefixed = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    *value = std::strtoll(start, &end, hex || prefixed ? 16 : 10);
    return *end == '\0';
}

bool InRange(std::int64_t v, std::int64_t low, std::int64_t high) { return v >= low && v <= high; }

class Parser {
public:
    Parser(const std::string& baseFolder, ParseResult& out) : base_(baseFolder), out_(out) {}

    void Line(int number, const std::string& raw) {
        line_ = number;
        const std::string text = raw.substr(0, raw.find('#'));
        const std::vector<std::string> words = Words(text);
        if (words.empty()) return;
        const std::string& verb = words[0];
        if (verb == "set") return Set(words);
        if (verb == "profile") return Profile(words);
        if (verb == "wheel") return Wheel(words);
        if (verb == "at") return At(words, text);
        if (verb == "run") return Run(words);
        Error("unknown command '" + verb + "' (set, profile, wheel, at, run)");
    }

private:
    void Error(const std::string& message) {
        out_.errors.push_back("line " + std::to_string(line_) + ": " + message);
    }

    void Set(const std::vector<std::string>& w) {
        std::int64_t value = 0;
        int device = 0;
        if (w.size() == 5 && w[3] == "on" && !DeviceNamed(w[4], &device)) return;
        if (w.size() != 3 && !(w.size() == 5 && w[3] == "on")) {
            return Error("set takes a name, a value and optionally on DEVICE");
        }
        if (KeyOfSetting(w[1]).empty()) return Error("'" + w[1] + "' is not a driver setting");
        if (!ParseNumber(w[2], false, &value) || !InRange(value, 0, 0xFFFFFFFFLL)) {
            return Error("'" + w[2] + "' is not a number from 0 to 0xFFFFFFFF");
        }
        out_.script.settings.push_back({line_, w[1], static_cast<std::uint32_t>(value), device});
    }

    // A switch of the simulated game's profile; the rig refuses an unknown name or a value out
    // of the switch's range (the check writes nothing when it refuses; the run writes it again
    // after the host's reset).
    void Profile(const std::vector<std::string>& w) {
        int device = 0;
        if (w.size() == 4 && w[2] == "on" && !DeviceNamed(w[3], &device)) return;
        const std::size_t at = w.size() > 1 ? w[1].find('=') : std::string::npos;
        if ((w.size() != 2 && !(w.size() == 4 && w[2] == "on")) || at == std::string::npos) {
            return Error("profile takes NAME=VALUE and optionally on DEVICE");
        }
        const std::string name = w[1].substr(0, at);
        std::int64_t value = 0;
        if (!ParseNumber(w[1].substr(at + 1), false, &value) || !InRange(value, 0, 0xFFFFFFFFLL)) {
            return Error("'" + w[1].substr(at + 1) + "' is not a number from 0 to 0xFFFFFFFF");
        }
        std::string refusal;
        if (!quorforce::harness::VirtualRig::CheckGameSwitch(name.c_str(),
                                                             static_cast<DWORD>(value), &refusal)) {
            return Error(refusal);
        }
        out_.script.settings.push_back(
            {line_, name, static_cast<std::uint32_t>(value), device, true});
    }

    // The index of the wheel named `name`; wheels are named before they are used.
    bool DeviceNamed(const std::string& name, int* device) {
        const std::vector<WheelConfig>& wheels = out_.script.wheels;
        for (std::size_t i = 0; i < wheels.size(); ++i) {
            if (wheels[i].name == name) {
                *device = static_cast<int>(i);
                return true;
            }
        }
        Error("no wheel named '" + name + "' before this line");
        return false;
    }

    // A second device must not share the name, the joystick id or the internal id.
    void CheckNewWheel(const WheelConfig& wheel) {
        for (const WheelConfig& other : out_.script.wheels) {
            if (other.name == wheel.name) return Error("a wheel named '" + wheel.name + "' exists");
            if (other.joystick == wheel.joystick)
                return Error("joystick id taken by another wheel");
            if (other.area == wheel.area) {
                return Error("internal id taken by another wheel");
            }
        }
        out_.script.wheels.push_back(wheel);
    }

    void Wheel(const std::vector<std::string>& w) {
        WheelConfig wheel;
        for (std::size_t i = 1; i < w.size(); ++i) {
            const std::size_t eq = w[i].find('=');
            const std::string key = w[i].substr(0, eq);
            const std::string value = eq == std::string::npos ? "" : w[i].substr(eq + 1);
            std::int64_t n = 0;
            if (key == "vid" || key == "pid") {
                if (!ParseNumber(value, true, &n) || !InRange(n, 0, 0xFFFF)) {
                    return Error(key + " must be four hexadecimal digits");
                }
                (key == "vid" ? wheel.vendorId : wheel.productId) = static_cast<std::uint16_t>(n);
            } else if (key == "joystick" || key == "internal") {
                if (!ParseNumber(value, false, &n) || !InRange(n, 0, 7)) {
                    return Error(key + " must be 0 to 7");
                }
                (key == "joystick" ? wheel.joystick : wheel.area) = static_cast<int>(n);
            } else if (key == "name") {
                if (value.empty()) return Error("name takes a word");
                wheel.name = value;
            } else if (key == "descriptor") {
                if (!ReadDescriptor(value, &wheel.descriptor)) return;
            } else if (key == "model") {
                std::string error;
                if (!ParseWheelModel(value, &wheel.model, &error)) return Error(error);
            } else {
                return Error("unknown wheel field '" + key +
                             "' (name, vid, pid, joystick, internal, descriptor, model)");
            }
        }
        CheckNewWheel(wheel);
    }

    bool ReadDescriptor(const std::string& file, std::vector<std::uint8_t>* bytes) {
        std::ifstream in(file.size() && file[0] == '/' ? file : base_ + file);
        if (!in) {
            Error("cannot read descriptor file '" + file + "'");
            return false;
        }
        bytes->clear();
        for (std::string line; std::getline(in, line);) {
            std::string text = line.substr(0, line.find('#'));
            for (char& c : text)
                c = c == ',' ? ' ' : c;
            for (const std::string& word : Words(text)) {
                std::int64_t n = 0;
                if (!ParseNumber(word, true, &n) || !InRange(n, 0, 255)) {
                    Error("descriptor file '" + file + "': '" + word + "' is not a hex byte");
                    return false;
                }
                bytes->push_back(static_cast<std::uint8_t>(n));
            }
        }
        if (bytes->empty()) {
            Error("descriptor file '" + file + "' holds no bytes");
            return false;
        }
        return true;
    }

    void Run(const std::vector<std::string>& w) {
        std::int64_t ms = 0;
        if (w.size() != 2 || !ParseNumber(w[1], false, &ms) || !InRange(ms, 0, 86400000LL * 30)) {
            return Error("run takes a time in ms (up to 30 days)");
        }
        if (static_cast<std::uint32_t>(ms) < lastRun_) return Error("run goes back in time");
        lastRun_ = static_cast<std::uint32_t>(ms);
        Step step;
        step.isRun = true;
        step.ms = lastRun_;
        out_.script.steps.push_back(step);
    }

    void At(const std::vector<std::string>& w, const std::string& text) {
        std::int64_t ms = 0;
        if (w.size() < 3 || !ParseNumber(w[1], false, &ms) || !InRange(ms, 0, 86400000LL * 30)) {
            return Error("at takes a time in ms and a command");
        }
        if (static_cast<std::uint32_t>(ms) < lastRun_) {
            return Error("at " + std::to_string(ms) + " comes after a run that passed that time");
        }
        Step step;
        step.ms = static_cast<std::uint32_t>(ms);
        Command& c = step.command;
        c.line = line_;
        const std::size_t start = text.find(w[2], text.find(w[1]) + w[1].size());
        c.text = text.substr(start, text.find_last_not_of(" \t\r") + 1 - start);
        std::size_t first = 2;
        if (w[2] == "on") {
            if (w.size() < 5) return Error("at MS on NAME takes a command after the name");
            if (!DeviceNamed(w[3], &c.device)) return;
            first = 4;
        }
        if (!ParseCommand(std::vector<std::string>(w.begin() + first, w.end()), c)) return;
        out_.script.steps.push_back(step);
    }

    bool ParseCommand(const std::vector<std::string>& w, Command& c) {
        const std::string& verb = w[0];
        if (verb == "download") return Download(w, c);
        if (verb == "start" || verb == "stop" || verb == "destroy") return EffectCommand(w, c);
        if (verb == "command") {
            auto it = w.size() == 2 ? kDeviceCommands.find(w[1]) : kDeviceCommands.end();
            if (it == kDeviceCommands.end()) {
                Error("command takes one of reset, stopall, pause, continue, on, off");
                return false;
            }
            c.kind = Command::DeviceCommand;
            c.deviceCommand = it->second;
            return true;
        }
        if (verb == "hand") return HandCommand(w, c);
        if (verb == "gain") {
            // The device gain DirectInput hands down from DIPROP_FFGAIN (any DWORD).
            std::int64_t gain = 0;
            if (w.size() != 2 || !ParseNumber(w[1], false, &gain) ||
                !InRange(gain, 0, 0xFFFFFFFFLL)) {
                Error("gain takes the device gain, 0 to 10000");
                return false;
            }
            c.kind = Command::Gain;
            c.deviceCommand = static_cast<std::uint32_t>(gain);
            return true;
        }
        if (verb == "x") {
            if (out_.script.wheels.size() > static_cast<std::size_t>(c.device) &&
                out_.script.wheels[c.device].model.present) {
                return Refuse("x on a wheel with a model: its hand moves it");
            }
            std::int64_t x = 0;
            if (w.size() != 2 || !ParseNumber(w[1], false, &x) ||
                !InRange(x, INT32_MIN, INT32_MAX)) {
                Error("x takes a position");
                return false;
            }
            c.kind = Command::X;
            c.x = static_cast<std::int32_t>(x);
            return true;
        }
        if (verb == "config" || verb == "modify-forces" || verb == "image") {
            return ControlPanelCall(w, c);
        }
        Error("unknown command '" + verb +
              "' (download, start, stop, destroy, command, gain, x, hand, config, modify-forces, "
              "image)");
        return false;
    }

    // `hand free`, `hand hold POS`, `hand turn SPEED [noise=N]`, `hand trace FILE`, each but
    // free with [stiffness=K] [damping=D].
    bool HandCommand(const std::vector<std::string>& w, Command& c) {
        if (static_cast<std::size_t>(c.device) >= out_.script.wheels.size() ||
            !out_.script.wheels[c.device].model.present) {
            return Refuse("hand needs a wheel with a model (wheel model=...)");
        }
        static const std::map<std::string, HandAction::Kind> kKinds = {
            {"free", HandAction::Free},
            {"hold", HandAction::Hold},
            {"turn", HandAction::Turn},
            {"trace", HandAction::Trace}};
        auto kind = w.size() >= 2 ? kKinds.find(w[1]) : kKinds.end();
        if (kind == kKinds.end())
            return Refuse("hand takes free, hold POS, turn SPEED or trace FILE");
        c.kind = Command::Hand;
        HandAction& hand = c.hand;
        hand.kind = kind->second;
        const bool free = hand.kind == HandAction::Free;
        if (free != (w.size() == 2)) {
            return Refuse(free ? "hand free takes nothing more"
                               : "hand " + w[1] + " takes a value");
        }
        if (free) return true;
        if (hand.kind == HandAction::Trace) {
            std::string error;
            const std::string path = w[2].size() && w[2][0] == '/' ? w[2] : base_ + w[2];
            if (!ReadTrace(path, &hand.trace, &error)) return Refuse(error);
        } else if (!Real(w[2], &(hand.kind == HandAction::Hold ? hand.position : hand.speed))) {
            return Refuse("'" + w[2] + "' is not a number");
        }
        for (std::size_t i = 3; i < w.size(); ++i) {
            const std::size_t eq = w[i].find('=');
            const std::string name = w[i].substr(0, eq);
            double* field = name == "stiffness"                                ? &hand.stiffness
                            : name == "damping"                                ? &hand.damping
                            : name == "noise" && hand.kind == HandAction::Turn ? &hand.noise
                                                                               : nullptr;
            if (eq == std::string::npos || field == nullptr || !Real(w[i].substr(eq + 1), field) ||
                *field < 0) {
                return Refuse("'" + w[i] + "' is not a parameter of hand " + w[1] +
                              " (stiffness, damping" +
                              (hand.kind == HandAction::Turn ? ", noise)" : ")"));
            }
        }
        return true;
    }

    static bool Real(const std::string& text, double* value) {
        char* end = nullptr;
        *value = std::strtod(text.c_str(), &end);
        return !text.empty() && *end == '\0' && *value == *value && *value < 1e12 && *value > -1e12;
    }

    bool Refuse(const std::string& message) {
        Error(message);
        return false;
    }

    // The control panel's exports: `config get|set`, `modify-forces`, `image save|arm H`.
    bool ControlPanelCall(const std::vector<std::string>& w, Command& c) {
        static const std::map<std::string, std::set<std::string>> kCalls = {
            {"config get", {"mask"}},
            {"config set",
             {"apply", "mask", "global", "dynamic", "static-a", "static-b", "spring", "spring-on"}},
            {"modify-forces", {}},
            {"image save", {"key"}},
            {"image arm", {"enable", "key"}},
        };
        c.kind = Command::ControlPanel;
        std::size_t first = 1;
        c.call = w[0];
        if (w[0] != "modify-forces") {
            if (w.size() < 2) return Refuse(w[0] + " takes get/set or save/arm");
            c.call += " " + w[1];
            first = 2;
        }
        auto call = kCalls.find(c.call);
        if (call == kCalls.end()) return Refuse("unknown control panel call '" + c.call + "'");
        if (w[0] == "image") {
            std::int64_t handle = 0;
            if (w.size() < 3 || !ParseNumber(w[2], false, &handle) || !InRange(handle, 0, 0xFFFF)) {
                return Refuse(c.call + " takes an effect handle");
            }
            c.x = static_cast<std::int32_t>(handle);
            first = 3;
        }
        for (std::size_t i = first; i < w.size(); ++i) {
            const std::size_t eq = w[i].find('=');
            const std::string name = eq == std::string::npos ? w[i] : w[i].substr(0, eq);
            std::int64_t n = 0;
            if (eq == std::string::npos || call->second.count(name) == 0 ||
                (name != "key" && !ParseNumber(w[i].substr(eq + 1), false, &n))) {
                return Refuse("'" + w[i] + "' is not a parameter of " + c.call);
            }
            c.params[name] = w[i].substr(eq + 1);
        }
        return true;
    }

    bool EffectCommand(const std::vector<std::string>& w, Command& c) {
        c.kind = w[0] == "start"  ? Command::Start
                 : w[0] == "stop" ? Command::Stop
                                  : Command::Destroy;
        const bool soloAllowed = c.kind == Command::Start;
        if (w.size() < 2 || w.size() > 3 || (w.size() == 3 && (!soloAllowed || w[2] != "solo"))) {
            Error(w[0] + (soloAllowed ? " takes an effect name and optionally solo"
                                      : " takes an effect name"));
            return false;
        }
        if (names_.count(EffectKey(c.device, w[1])) == 0) {
            Error("no effect named '" + w[1] + "' was downloaded before");
            return false;
        }
        c.name = w[1];
        c.solo = w.size() == 3;
        return true;
    }

    bool Download(const std::vector<std::string>& w, Command& c) {
        if (w.size() < 3) {
            Error("download takes a name, a kind and parameters");
            return false;
        }
        c.kind = Command::Download;
        c.name = w[1];
        c.effect = w[2];
        std::int64_t number = 0;
        c.effectId = EffectIdOfKind(w[2]);
        const bool numeric = c.effectId == 0 && ParseNumber(w[2], false, &number) &&
                             InRange(number, 0, 0xFFFFFFFFLL);
        if (c.effectId == 0 && !numeric) {
            Error("unknown effect kind '" + w[2] +
                  "' (constant, ramp, square, triangle, sawup, sawdown, sine, spring, damper, "
                  "inertia, friction or an effect id)");
            return false;
        }
        if (numeric) c.effectId = static_cast<std::uint32_t>(number);
        for (std::size_t i = 3; i < w.size(); ++i) {
            if (!Param(w[i], c, numeric)) return false;
        }
        names_.insert(EffectKey(c.device, c.name));
        return true;
    }

    bool Param(const std::string& word, Command& c, bool numeric) {
        const std::size_t eq = word.find('=');
        if (eq == std::string::npos || eq == 0 || eq + 1 == word.size()) {
            Error("'" + word + "' is not name=value");
            return false;
        }
        const std::string name = word.substr(0, eq);
        const std::string value = word.substr(eq + 1);
        if (!numeric && !Applies(name, c.effect)) {
            Error("'" + name + "' is not a parameter of a " + c.effect + " effect");
            return false;
        }
        if (!ValueFits(name, value)) return false;
        c.params[name] = value;
        return true;
    }

    bool Applies(const std::string& name, const std::string& kind) const {
        if (kCommonParams.count(name)) return true;
        if (kind == "constant") return kConstantParams.count(name) > 0;
        if (kind == "ramp") return kRampParams.count(name) > 0;
        if (quorforce::KindOfEffect(EffectIdOfKind(kind)) == quorforce::EffectKind::Condition) {
            return kConditionParams.count(name) > 0;
        }
        return kPeriodicParams.count(name) > 0;
    }

    bool ValueFits(const std::string& name, const std::string& value) {
        std::int64_t n = 0;
        if (name == "flags") {
            std::istringstream in(value);
            for (std::string flag; std::getline(in, flag, ',');) {
                if (kFlags.count(flag) == 0) {
                    Error("'" + flag + "' is not a DIEP_ flag name");
                    return false;
                }
            }
            return true;
        }
        if (name == "direction") {
            std::istringstream in(value);
            int count = 0;
            for (std::string part; std::getline(in, part, ',');) {
                if (!ParseNumber(part, false, &n) || !InRange(n, INT32_MIN, INT32_MAX) ||
                    ++count > 2) {
                    Error("direction takes one or two angles in hundredths of a degree");
                    return false;
                }
            }
            return true;
        }
        if (name == "duration" && value == "infinite") return true;
        if (name == "axes") {
            if (!ParseNumber(value, false, &n) || !InRange(n, 0, 2)) {
                Error("axes must be 0, 1 or 2");
                return false;
            }
            return true;
        }
        if (!ParseNumber(value, false, &n) || !InRange(n, INT32_MIN, 0xFFFFFFFFLL)) {
            Error("'" + value + "' is not a number for " + name);
            return false;
        }
        return true;
    }

    // Effect names are the device's own.
    static std::string EffectKey(int device, const std::string& name) {
        return std::to_string(device) + " " + name;
    }

    std::string base_;
    ParseResult& out_;
    int line_ = 0;
    std::uint32_t lastRun_ = 0;
    std::set<std::string> names_;
};

}  // namespace

std::uint32_t EffectIdOfKind(const std::string& kind) {
    return quorforce::EffectIdNamed(kind.c_str());
}

std::string KeyOfSetting(const std::string& name) {
    const quorforce::SettingEntry* entry = quorforce::FindSetting(name.c_str());
    if (entry == nullptr) return "";
    switch (entry->key) {
    case quorforce::SettingKey::Product: return "product";
    case quorforce::SettingKey::Device: return "device";
    case quorforce::SettingKey::Joystick: return "joystick";
    }
    return "";
}

ParseResult ParseScript(const std::string& text, const std::string& baseFolder) {
    ParseResult result;
    Parser parser(baseFolder, result);
    std::istringstream in(text);
    int number = 0;
    bool anyRun = false;
    for (std::string line; std::getline(in, line);) {
        parser.Line(++number, line);
    }
    if (result.script.wheels.empty()) result.script.wheels.push_back(WheelConfig{});
    std::uint32_t end = 0;
    for (const Step& step : result.script.steps) {
        if (step.isRun) {
            anyRun = true;
            end = step.ms;
        }
    }
    for (const Step& step : result.script.steps) {
        if (!step.isRun && step.ms >= end && anyRun) {
            result.errors.push_back("line " + std::to_string(step.command.line) + ": at " +
                                    std::to_string(step.ms) + " is not before the last run (" +
                                    std::to_string(end) + "): it would never run");
        }
    }
    if (!anyRun) {
        result.errors.push_back("line " + std::to_string(number) +
                                ": the script has no run command");
    }
    return result;
}

}  // namespace quorsim
