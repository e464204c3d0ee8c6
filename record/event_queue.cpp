// A bounded multi-producer, single-consumer queue of lines: each cell carries a sequence
// number that says whose turn it is (an adder's when it equals the add position, the
// writer's when it is one past), so adders claim cells with one compare-exchange and never
// wait for each other or for the writer.
#include "record/event_queue.h"

#include <cstring>

namespace quorforce {

EventQueue::EventQueue(std::size_t capacity) {
    std::size_t size = 2;
    while (size < capacity)
        size *= 2;
    cells_.reset(new Cell[size]);
    mask_ = size - 1;
    for (std::size_t i = 0; i < size; ++i)
        cells_[i].sequence.store(i, std::memory_order_relaxed);
}

bool EventQueue::Add(const char* text, std::size_t length) {
    if (length > kLineSize) length = kLineSize;
    std::size_t position = addAt_.load(std::memory_order_relaxed);
    Cell* cell = nullptr;
    for (;;) {
        cell = &cells_[position & mask_];
        const std::size_t sequence = cell->sequence.load(std::memory_order_acquire);
        const std::ptrdiff_t turn =
            static_cast<std::ptrdiff_t>(sequence) - static_cast<std::ptrdiff_t>(position);
        if (turn == 0) {
            if (addAt_.compare_exchange_weak(position, position + 1, std::memory_order_relaxed))
                break;
        } else if (turn < 0) {
            drops_.fetch_add(1, std::memory_order_relaxed);
            totalDrops_.fetch_add(1, std::memory_order_relaxed);
            return false;
        } else {
            position = addAt_.load(std::memory_order_relaxed);
        }
    }
    std::memcpy(cell->text, text, length);
    cell->length = static_cast<std::uint32_t>(length);
    cell->dropsBefore = drops_.exchange(0, std::memory_order_relaxed);
    cell->sequence.store(position + 1, std::memory_order_release);
    return true;
}

bool EventQueue::Take(char* text, std::size_t* length, std::uint32_t* dropsBefore) {
    Cell& cell = cells_[takeAt_ & mask_];
    if (cell.sequence.load(std::memory_order_acquire) != takeAt_ + 1) return false;
    std::memcpy(text, cell.text, cell.length);
    *length = cell.length;
    *dropsBefore = cell.dropsBefore;
    cell.sequence.store(takeAt_ + mask_ + 1, std::memory_order_release);
    ++takeAt_;
    return true;
}

}  // namespace quorforce
