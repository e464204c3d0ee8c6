// A recording's line, built in a fixed buffer with no allocation: the hooks format their event
// here on the caller's thread (under the mutex the event happened under) and hand the text to
// the event queue. A line that would pass the buffer is cut and marked so that the reader
// refuses it rather than misread it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quorforce {

constexpr std::size_t kLineSize = 768;

class LineBuilder {
public:
    LineBuilder(char* buffer, std::size_t size) : text_(buffer), size_(size) { text_[0] = '\0'; }

    LineBuilder& Text(const char* text);
    LineBuilder& Char(char c);
    LineBuilder& Dec(std::int64_t value);
    LineBuilder& Unsigned(std::uint64_t value);
    LineBuilder& Hex(std::uint32_t value);  // 0x-prefixed, upper case
    // " key=" then the value.
    LineBuilder& Key(const char* key);
    LineBuilder& KeyDec(const char* key, std::int64_t value) { return Key(key).Dec(value); }
    LineBuilder& KeyHex(const char* key, std::uint32_t value) { return Key(key).Hex(value); }
    LineBuilder& KeyText(const char* key, const char* value) { return Key(key).Text(value); }
    // Two hex digits a byte, no separator.
    LineBuilder& Bytes(const std::uint8_t* bytes, std::size_t count);

    std::size_t Length() const { return length_; }
    bool Overflowed() const { return overflowed_; }
    const char* Data() const { return text_; }

private:
    char* text_;
    std::size_t size_;
    std::size_t length_ = 0;
    bool overflowed_ = false;
};

}  // namespace quorforce
