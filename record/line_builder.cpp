// The fixed-buffer line of a recording.
#include "record/line_builder.h"

namespace quorforce {

LineBuilder& LineBuilder::Char(char c) {
    // One byte stays for the terminating zero.
    if (length_ + 1 >= size_) {
        overflowed_ = true;
        return *this;
    }
    text_[length_++] = c;
    text_[length_] = '\0';
    return *this;
}

LineBuilder& LineBuilder::Text(const char* text) {
    for (; text != nullptr && *text != '\0'; ++text)
        Char(*text);
    return *this;
}

LineBuilder& LineBuilder::Unsigned(std::uint64_t value) {
    char digits[24];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0)
        Char(digits[--count]);
    return *this;
}

LineBuilder& LineBuilder::Dec(std::int64_t value) {
    if (value >= 0) return Unsigned(static_cast<std::uint64_t>(value));
    Char('-');
    // The magnitude of the most negative value still fits the unsigned type.
    return Unsigned(0 - static_cast<std::uint64_t>(value));
}

LineBuilder& LineBuilder::Hex(std::uint32_t value) {
    static const char kDigits[] = "0123456789ABCDEF";
    Text("0x");
    bool started = false;
    for (int shift = 28; shift >= 0; shift -= 4) {
        const std::uint32_t digit = (value >> shift) & 0xF;
        if (digit == 0 && !started && shift != 0) continue;
        started = true;
        Char(kDigits[digit]);
    }
    return *this;
}

LineBuilder& LineBuilder::Key(const char* key) {
    Char(' ');
    Text(key);
    return Char('=');
}

LineBuilder& LineBuilder::Bytes(const std::uint8_t* bytes, std::size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < count; ++i) {
        Char(kDigits[bytes[i] >> 4]);
        Char(kDigits[bytes[i] & 0xF]);
    }
    return *this;
}

}  // namespace quorforce
