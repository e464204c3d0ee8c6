// One tick of the force engine for one device: every playing slot inside its time window
// is synthesized, the forces are summed into two channels, scaled by globalValue, turned
// into bytes, packed by the link's report format and sent as one output report, and the tick is
// recorded in the monitor block (when the process has one). Runs on ForceThread (or a virtual-time
// pass) with the TableMutex held.
#pragma once

#include <cstdint>

#include "state/process_state.h"

namespace quorforce {

// The two channel sums and bytes of one tick.
struct ChannelOutput {
    std::uint32_t firstOut = 0;
    std::uint32_t secondOut = 0;
};

// The channel byte of a force-feedback sum: 0x80 is no force, 0 and 255 full force. Sums
// beyond ±20000 (a globalValue above 100) give the byte limits instead of wrapping.
std::uint32_t ForceByte(std::int64_t sum);
// The byte of a shock (vibration) sum, scaled by the global factor, saturated at 0..255.
std::uint32_t ShockByte(std::uint32_t sum, float global);

// The output value for the report format (1: first × 256 + second; 2: the high nibbles
// of both in one byte); false for any other format, which sends nothing.
bool PackChannels(std::uint8_t reportFormat, const ChannelOutput& channels, DWORD* value);

// The tick at `now` (timeGetTime, ms). A playing slot not yet stamped starts its time at
// `now`. Nothing happens while the area's link is unbound, nor while its playing count is 0
// unless the game's auto-centre is on. The game's switches (engine/game_fixes.h) act only
// when it has some: without them every byte is the plain mix's.
void MixDevice(ProcessState& process, DWORD area, std::uint32_t now);

}  // namespace quorforce
