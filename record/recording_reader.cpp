// The recording reader: a table of the words each event may carry and what their values are.
#include "record/recording_reader.h"

#include <cstring>
#include <sstream>

#include "config/game_switches.h"
#include "config/settings_catalogue.h"
#include "record/recorder.h"

namespace quorforce {
namespace {

// What a word's value is.
enum class Value {
    Number,     // decimal (may be negative) or 0x hex, within -2^31 .. 2^32-1
    Handle,     // a number or "null" (a pointer the caller left out)
    Word,       // any text without spaces
    Bytes,      // hex bytes, maybe none
    List,       // numbers separated by commas, or "null"
    Envelope,   // "none", "short" or four numbers
    TypeBytes,  // "null", "unread" or hex bytes
};

struct WordRule {
    const char* key;
    Value value;
    bool required;
};

struct EventRule {
    const char* kind;
    std::vector<WordRule> words;
    bool openNames;  // also the catalogue's names (values) or the switches' (switches)
};

const std::vector<EventRule>& Rules() {
    static const std::vector<EventRule> rules = {
        {"session",
         {{"driver", Value::Number, true},
          {"size", Value::Number, true},
          {"polling-step", Value::Number, true},
          {"exe", Value::Word, true}},
         false},
        {"device",
         {{"area", Value::Number, true},
          {"joystick", Value::Number, true},
          {"place", Value::Number, true},
          {"vid", Value::Number, true},
          {"pid", Value::Number, true},
          {"output-length", Value::Number, true},
          {"input-length", Value::Number, true},
          {"feature-length", Value::Number, true},
          {"usage-page", Value::Number, true},
          {"usage", Value::Number, true},
          {"axis-min", Value::Number, false},
          {"axis-max", Value::Number, false}},
         false},
        {"values", {{"area", Value::Number, true}}, true},
        {"switches", {{"area", Value::Number, true}}, true},
        {"settings",
         {{"area", Value::Number, true},
          {"place", Value::Number, true},
          {"motor", Value::Number, true},
          {"global", Value::Number, true},
          {"static", Value::Number, true},
          {"dynamic", Value::Number, true},
          {"spring", Value::Number, true},
          {"spring-on", Value::Number, true},
          {"default-spring", Value::Number, true},
          {"strict-angle", Value::Number, true},
          {"force-feedback", Value::Number, true},
          {"inertia-coef", Value::Number, true},
          {"damper-coef", Value::Number, true},
          {"spring-coef", Value::Number, true},
          {"estimate", Value::Number, true},
          {"override", Value::Number, true},
          {"gains", Value::List, true}},
         false},
        {"call",
         {{"obj", Value::Number, true},         {"result", Value::Number, true},
          {"area", Value::Number, true},        {"joystick", Value::Number, false},
          {"versions", Value::Word, false},     {"handle", Value::Handle, false},
          {"gain", Value::Number, false},       {"command", Value::Number, false},
          {"state", Value::Word, false},        {"out-state", Value::Number, false},
          {"out-load", Value::Number, false},   {"id", Value::Number, false},
          {"flags", Value::Number, false},      {"effect", Value::Word, false},
          {"eff-flags", Value::Number, false},  {"duration", Value::Number, false},
          {"sample", Value::Number, false},     {"trigger", Value::Number, false},
          {"repeat", Value::Number, false},     {"start-delay", Value::Number, false},
          {"axes-count", Value::Number, false}, {"axes", Value::List, false},
          {"directions", Value::List, false},   {"envelope", Value::Envelope, false},
          {"type-size", Value::Number, false},  {"type", Value::TypeBytes, false},
          {"out-handle", Value::Number, false}, {"mode", Value::Number, false},
          {"count", Value::Number, false},      {"status", Value::Word, false},
          {"out-status", Value::Number, false}},
         false},
        {"tick", {{"area", Value::Number, true}}, false},
        {"motion",
         {{"area", Value::Number, true},
          {"position", Value::Number, true},
          {"velocity", Value::Number, true},
          {"acceleration", Value::Number, true},
          {"delta", Value::Number, true},
          {"delta-change", Value::Number, true},
          {"smooth-velocity", Value::Number, true},
          {"smooth-acceleration", Value::Number, true}},
         false},
        {"report",
         {{"area", Value::Number, true},
          {"length", Value::Number, true},
          {"bytes", Value::Bytes, true}},
         false},
        {"feature",
         {{"area", Value::Number, true},
          {"length", Value::Number, true},
          {"bytes", Value::Bytes, true}},
         false},
        {"position", {{"area", Value::Number, true}, {"x", Value::Number, true}}, false},
        {"busy", {{"area", Value::Number, true}}, false},
        {"drop", {{"count", Value::Number, true}}, false},
        {"end", {{"drops", Value::Number, true}}, false},
    };
    return rules;
}

// The words each operation of a call needs beyond obj, area and result.
struct OpRule {
    const char* op;
    std::vector<const char*> needs;
};

const std::vector<OpRule>& Ops() {
    static const std::vector<OpRule> ops = {
        {"DeviceID", {"joystick"}},
        {"GetVersions", {"versions"}},
        {"Escape", {"handle"}},
        {"SetGain", {"gain"}},
        {"Command", {"command"}},
        {"GetState", {"state"}},
        {"Download", {"id", "handle", "flags", "effect"}},
        {"Destroy", {"handle"}},
        {"Start", {"handle", "mode", "count"}},
        {"Stop", {"handle"}},
        {"Status", {"handle", "status"}},
    };
    return ops;
}

bool ParseNumber(const std::string& text, std::int64_t* value) {
    if (text.empty() || text.size() > 12) return false;
    std::int64_t v = 0;
    if (text.size() > 2 && text[0] == '0' && text[1] == 'x') {
        if (text.size() > 10) return false;
        for (std::size_t i = 2; i < text.size(); ++i) {
            const char c = text[i];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                     : -1;
            if (digit < 0) return false;
            v = v * 16 + digit;
        }
    } else {
        const bool negative = text[0] == '-';
        const std::size_t first = negative ? 1 : 0;
        if (first == text.size()) return false;
        for (std::size_t i = first; i < text.size(); ++i) {
            if (text[i] < '0' || text[i] > '9') return false;
            v = v * 10 + (text[i] - '0');
        }
        if (negative) v = -v;
    }
    if (v < -2147483648LL || v > 4294967295LL) return false;
    *value = v;
    return true;
}

bool CheckValue(Value kind, const std::string& text) {
    std::int64_t n = 0;
    std::vector<std::int64_t> list;
    std::vector<std::uint8_t> bytes;
    switch (kind) {
    case Value::Number: return ParseNumber(text, &n);
    case Value::Handle: return text == "null" || ParseNumber(text, &n);
    case Value::Word: return !text.empty();
    case Value::Bytes: return HexBytes(text, &bytes);
    case Value::List: return text == "null" || NumberList(text, &list);
    case Value::Envelope:
        return text == "none" || text == "short" || (NumberList(text, &list) && list.size() == 4);
    case Value::TypeBytes: return text == "null" || text == "unread" || HexBytes(text, &bytes);
    }
    return false;
}

bool OpenName(const std::string& kind, const std::string& key) {
    if (kind == "values") {
        const SettingEntry* entry = FindSetting(key.c_str());
        return entry != nullptr && entry->record != SettingRecord::Engine;
    }
    return FindGameSwitch(key.c_str()) != nullptr;
}

const EventRule* RuleOf(const std::string& kind) {
    for (const EventRule& rule : Rules())
        if (kind == rule.kind) return &rule;
    return nullptr;
}

const OpRule* OpOf(const std::string& op) {
    for (const OpRule& rule : Ops())
        if (op == rule.op) return &rule;
    return nullptr;
}

// Checks one event's words against its rule; an empty text when it passes.
std::string CheckWords(const RecordedEvent& event, const EventRule& rule) {
    for (const RecordedField& field : event.fields) {
        const WordRule* word = nullptr;
        for (const WordRule& w : rule.words)
            if (field.key == w.key) word = &w;
        if (word == nullptr) {
            if (rule.openNames && OpenName(event.kind, field.key)) {
                std::int64_t n = 0;
                if (!ParseNumber(field.value, &n)) return "'" + field.key + "' is not a number";
                continue;
            }
            return "unknown word '" + field.key + "' in " + event.kind;
        }
        if (!CheckValue(word->value, field.value))
            return "bad value '" + field.value + "' for " + field.key;
    }
    for (const WordRule& w : rule.words)
        if (w.required && !event.Has(w.key)) return std::string("missing ") + w.key;
    if (event.kind == "call") {
        const OpRule* op = OpOf(event.op);
        if (op == nullptr) return "unknown call '" + event.op + "'";
        for (const char* need : op->needs)
            if (!event.Has(need)) return event.op + " without " + need;
    }
    return "";
}

// "<clock> <kind> [op] key=value ..." into `event`; an empty text when it passes.
std::string ParseEvent(const std::string& line, RecordedEvent* event) {
    std::istringstream in(line);
    std::string clock;
    in >> clock >> event->kind;
    std::int64_t ms = 0;
    if (!ParseNumber(clock, &ms) || ms < 0) return "no clock at the start";
    event->clock = static_cast<std::uint32_t>(ms);
    if (event->kind == "note") {
        std::getline(in, event->op);
        return "";
    }
    const EventRule* rule = RuleOf(event->kind);
    if (rule == nullptr) return "unknown event '" + event->kind + "'";
    std::string token;
    while (in >> token) {
        const std::size_t equals = token.find('=');
        if (equals == std::string::npos) {
            if (event->kind != "call" || !event->op.empty() || event->fields.size() != 1)
                return "'" + token + "' is not key=value";
            event->op = token;
            continue;
        }
        event->fields.push_back({token.substr(0, equals), token.substr(equals + 1)});
    }
    return CheckWords(*event, *rule);
}

}  // namespace

const std::string* RecordedEvent::Find(const char* key) const {
    for (const RecordedField& field : fields)
        if (field.key == key) return &field.value;
    return nullptr;
}

std::int64_t RecordedEvent::Number(const char* key, std::int64_t fallback) const {
    const std::string* text = Find(key);
    std::int64_t value = 0;
    return text != nullptr && ParseNumber(*text, &value) ? value : fallback;
}

std::string RecordedEvent::Text(const char* key) const {
    const std::string* text = Find(key);
    return text != nullptr ? *text : std::string();
}

bool NumberList(const std::string& text, std::vector<std::int64_t>* numbers) {
    numbers->clear();
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = text.find(',', start);
        const std::size_t end = comma == std::string::npos ? text.size() : comma;
        std::int64_t value = 0;
        if (!ParseNumber(text.substr(start, end - start), &value)) return false;
        numbers->push_back(value);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return !numbers->empty();
}

bool HexBytes(const std::string& text, std::vector<std::uint8_t>* bytes) {
    bytes->clear();
    if (text.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        std::int64_t value = 0;
        if (!ParseNumber("0x" + text.substr(i, 2), &value)) return false;
        bytes->push_back(static_cast<std::uint8_t>(value));
    }
    return true;
}

ReadRecordingResult ReadRecording(const std::string& text) {
    ReadRecordingResult result;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    auto refuse = [&](const std::string& what) {
        result.ok = false;
        result.errorLine = number;
        result.error = "line " + std::to_string(number) + ": " + what;
        return result;
    };
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (number == 1) {
            const std::string expected = "qfrec " + std::to_string(kRecordFormatVersion);
            if (line.rfind("qfrec ", 0) != 0) return refuse("not a recording (no qfrec line)");
            if (line != expected)
                return refuse("format '" + line + "', this reader knows '" + expected + "'");
            result.session.formatVersion = kRecordFormatVersion;
            continue;
        }
        if (line.empty() || line[0] == '#') continue;
        RecordedEvent event;
        event.line = number;
        const std::string error = ParseEvent(line, &event);
        if (!error.empty()) return refuse(error);
        if (event.kind == "session") {
            if (!result.events.empty() || result.session.size != 0)
                return refuse("a second session line");
            result.session.driverVersion = event.Dword("driver");
            result.session.size = event.Dword("size");
            result.session.pollingStep = event.Dword("polling-step");
            result.session.startClock = event.clock;
            result.session.exe = event.Text("exe");
            continue;
        }
        if (result.session.size == 0) return refuse("an event before the session line");
        result.events.push_back(std::move(event));
    }
    if (number == 0) return refuse("empty");
    if (result.session.size == 0) return refuse("no session line");
    result.ok = true;
    return result;
}

}  // namespace quorforce
