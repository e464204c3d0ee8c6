// Words one thread writes under a lock and another reads without it: the force pass looks
// whether a device has anything playing, a status query looks at one slot, neither waits
// behind the lock for it. Both sides go through these single aligned loads and stores, never
// torn and never kept in a register; a stale value costs one tick or one answer, which the
// readers accept.
#pragma once

#include <cstdint>

namespace quorforce {

inline std::int32_t LoadRelaxed(const std::int32_t& word) {
    return __atomic_load_n(&word, __ATOMIC_RELAXED);
}

inline void StoreRelaxed(std::int32_t& word, std::int32_t value) {
    __atomic_store_n(&word, value, __ATOMIC_RELAXED);
}

}  // namespace quorforce
