// The engine's lookup tables: sines of whole degrees and arcsines on a grid of 1/180.
// Filled once at engine start, read-only afterwards, so no trigonometric function runs
// per tick. Read on ForceThread.
#pragma once

#include <cstdint>

namespace quorforce {

extern float sinTable[360];
extern float asinTable[361];

void BuildTables();

// Any whole-degree index wrapped into 0..359, for table lookups with negative angles.
inline std::int32_t WrapDegrees(std::int64_t degrees) {
    std::int64_t wrapped = degrees % 360;
    return static_cast<std::int32_t>(wrapped < 0 ? wrapped + 360 : wrapped);
}

}  // namespace quorforce
