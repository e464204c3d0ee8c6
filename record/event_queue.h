// The bounded buffer between the recorder's hooks and its writer thread. Any thread may add a
// line (DirectInput's callers, ForceThread, PollThread), only the writer takes them out. An
// add never waits: when every cell is taken the line is dropped and counted, and the count
// travels with the next line that gets in, so the file says where lines are missing.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "record/line_builder.h"

namespace quorforce {

class EventQueue {
public:
    // `capacity` is rounded up to a power of two (at least 2).
    explicit EventQueue(std::size_t capacity);

    // Adds one line of `length` characters; false (and counted) when the buffer is full.
    bool Add(const char* text, std::size_t length);
    // A line that could not be made counts as dropped too.
    void CountDrop() {
        drops_.fetch_add(1, std::memory_order_relaxed);
        totalDrops_.fetch_add(1, std::memory_order_relaxed);
    }
    // The oldest line into `text` (kLineSize bytes), with the drops that came just before
    // it; false when the buffer is empty.
    bool Take(char* text, std::size_t* length, std::uint32_t* dropsBefore);
    // Drops not yet carried by a line (those after the last line added).
    std::uint32_t PendingDrops() const { return drops_.load(std::memory_order_relaxed); }
    std::uint64_t TotalDrops() const { return totalDrops_.load(std::memory_order_relaxed); }

private:
    struct Cell {
        std::atomic<std::size_t> sequence{0};
        std::uint32_t dropsBefore = 0;
        std::uint32_t length = 0;
        char text[kLineSize];
    };
    std::unique_ptr<Cell[]> cells_;
    std::size_t mask_ = 0;
    std::atomic<std::size_t> addAt_{0};
    std::size_t takeAt_ = 0;  // the writer's own
    std::atomic<std::uint32_t> drops_{0};
    std::atomic<std::uint64_t> totalDrops_{0};
};

}  // namespace quorforce
