// Reads a recording (docs/recordings.md) into its events, and refuses, with the line number
// and what is wrong, anything it does not understand: another format version, an unknown
// event, operation or word, a number that is not one or does not fit, a missing word. Every
// value an event's users read has been checked here, so they can take it as it is. Used by
// quorsim and the tests; the driver only writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorforce {

struct RecordedField {
    std::string key;
    std::string value;
};

struct RecordedEvent {
    int line = 0;
    std::uint32_t clock = 0;  // ms, the driver's millisecond clock
    std::string kind;         // "call", "tick", "report", ...
    std::string op;           // a call's operation ("Download", ...); a note's text
    std::vector<RecordedField> fields;

    // The value of `key`, or null.
    const std::string* Find(const char* key) const;
    bool Has(const char* key) const { return Find(key) != nullptr; }
    // A number (decimal or 0x hex) as checked by the reader; `fallback` when absent or
    // not a number (a "null").
    std::int64_t Number(const char* key, std::int64_t fallback = 0) const;
    std::uint32_t Dword(const char* key, std::uint32_t fallback = 0) const {
        return static_cast<std::uint32_t>(Number(key, fallback));
    }
    std::string Text(const char* key) const;
};

struct SessionInfo {
    std::uint32_t formatVersion = 0;
    std::uint32_t driverVersion = 0;
    std::uint32_t size = 0;  // 32 or 64: the build that recorded
    std::uint32_t pollingStep = 0;
    std::uint32_t startClock = 0;
    std::string exe;
};

struct ReadRecordingResult {
    bool ok = false;
    int errorLine = 0;
    std::string error;  // "line N: what is wrong"
    SessionInfo session;
    std::vector<RecordedEvent> events;
};

ReadRecordingResult ReadRecording(const std::string& text);

// A list value ("1,2,3"; hex or decimal items) as numbers; false on any bad item.
bool NumberList(const std::string& text, std::vector<std::int64_t>* numbers);
// A hex byte string ("0080FF") as bytes; false on an odd length or a bad digit.
bool HexBytes(const std::string& text, std::vector<std::uint8_t>* bytes);

}  // namespace quorforce
