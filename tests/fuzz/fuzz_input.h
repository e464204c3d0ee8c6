// What every fuzz target shares: a reader that turns libFuzzer's bytes into choices, and
// records placed at the end of heap blocks of exactly their declared size, so that the
// address sanitizer catches a read or write past what the caller handed over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace quorforce::fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return used_ >= size_; }
    std::size_t Left() const { return size_ - used_; }

    // The next sizeof(T) bytes, zero-padded once the input is used up.
    template <typename T>
    T Take() {
        T value{};
        std::uint8_t bytes[sizeof(T)] = {};
        const std::size_t n = Left() < sizeof(T) ? Left() : sizeof(T);
        if (n > 0) std::memcpy(bytes, data_ + used_, n);
        used_ += n;
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }
    std::uint8_t Byte() { return Take<std::uint8_t>(); }
    std::uint32_t Word() { return Take<std::uint32_t>(); }
    bool Chance(int outOf) { return Byte() % outOf == 0; }

    // Mostly one of the values that matter, sometimes any 32-bit word.
    template <std::size_t N>
    std::uint32_t OneOf(const std::uint32_t (&values)[N]) {
        const std::uint8_t pick = Byte();
        return pick < N * 8 ? values[pick % N] : Word();
    }

    std::vector<std::uint8_t> Bytes(std::size_t n) {
        if (n > Left()) n = Left();
        std::vector<std::uint8_t> out(data_ + used_, data_ + used_ + n);
        used_ += n;
        return out;
    }
    std::vector<std::uint8_t> Rest() { return Bytes(Left()); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t used_ = 0;
};

// A heap block of exactly `size` bytes from the input (zero beyond it); null for size 0
// when `nullWhenEmpty`.
class GuardedBlock {
public:
    GuardedBlock() = default;
    GuardedBlock(FuzzInput& in, std::size_t size) : size_(size) {
        if (size == 0) return;
        block_.reset(new std::uint8_t[size]);
        const std::vector<std::uint8_t> bytes = in.Bytes(size);
        std::memset(block_.get(), 0, size);
        if (!bytes.empty()) std::memcpy(block_.get(), bytes.data(), bytes.size());
    }
    template <typename T>
    T* As() {
        return reinterpret_cast<T*>(block_.get());
    }
    std::size_t Size() const { return size_; }

private:
    std::unique_ptr<std::uint8_t[]> block_;
    std::size_t size_ = 0;
};

// A text of the input's choosing with its terminator at the block's very end.
inline std::unique_ptr<char[]> GuardedText(FuzzInput& in, std::size_t maxLength) {
    std::size_t length = in.Byte();
    if (in.Chance(8)) length = length * 16;
    if (length > maxLength) length = maxLength;
    std::vector<std::uint8_t> bytes = in.Bytes(length);
    std::unique_ptr<char[]> text(new char[bytes.size() + 1]);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        text[i] = bytes[i] == 0 ? 'k' : static_cast<char>(bytes[i]);
    text[bytes.size()] = '\0';
    return text;
}

}  // namespace quorforce::fuzz
