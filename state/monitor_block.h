// The MonitorBlock: a second block of named shared memory, beside the SharedEffectTable,
// where the force pass of every process records what it last sent to each device. A control
// panel cannot see output reports; it reads this block (and the table) through a read-only
// view to show the force a wheel receives and whether it clips.
//
// Written only by the ForceThread of the process that has the area bound, with plain aligned
// 32-bit stores and no lock: a reader may see one field of a tick beside another of the
// previous tick, which a display of ten refreshes a second does not notice. The place map at
// its end is written only under the TableMutex, by DeviceID. Every process
// relies on these exact offsets, so each one is checked at compile time. The contents are
// never trusted by a reader: the magic tells this block from another program's bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "state/shared_table.h"

namespace quorforce {

constexpr std::uint32_t kMonitorMagic = 0x424D4651u;  // "QFMB" in memory order
// 2: the place map was added after the areas; every earlier offset is as in 1.
constexpr std::uint32_t kMonitorVersion = 2;

// What the force pass of one internal device id last did.
struct AreaMonitor {
    std::uint32_t joystickId;   // joystick id + 1 the area was bound to at its last tick; 0: none
    std::uint32_t outputValue;  // the packed output value of the last tick
    std::uint32_t firstByte;    // the two channel bytes behind it
    std::uint32_t secondByte;
    std::uint32_t tickTime;      // timeGetTime ms of the last tick
    std::uint32_t tickCount;     // ticks mixed since the block was made (wraps)
    std::uint32_t clippedCount;  // of those, ticks whose sum went past ±20000 (wraps)
    std::uint32_t forceMode;     // 1: signed force bytes (0x80 at rest); 0: vibration bytes
};

struct MonitorBlock {
    std::uint32_t magic;      // kMonitorMagic, written by every process that maps the block
    std::uint32_t version;    // kMonitorVersion
    std::uint32_t areaCount;  // kAreaCount
    std::uint32_t reserved;
    AreaMonitor areas[kAreaCount];  // AreaMonitor::joystickId names the area's place + 1
    // The joystick id + 1 that holds each per-joystick place of the table (joystick ids 0..15
    // share the 8 places); 0: never held. It counts only while the place's named object
    // exists (state/joystick_places.h): a holder that crashed leaves its id here, and the
    // object, gone with its last handle, tells that the place is free.
    std::uint32_t placeHolder[kJoystickCount];
};

static_assert(offsetof(AreaMonitor, joystickId) == 0x00, "area monitor");
static_assert(offsetof(AreaMonitor, outputValue) == 0x04, "area monitor");
static_assert(offsetof(AreaMonitor, firstByte) == 0x08, "area monitor");
static_assert(offsetof(AreaMonitor, secondByte) == 0x0c, "area monitor");
static_assert(offsetof(AreaMonitor, tickTime) == 0x10, "area monitor");
static_assert(offsetof(AreaMonitor, tickCount) == 0x14, "area monitor");
static_assert(offsetof(AreaMonitor, clippedCount) == 0x18, "area monitor");
static_assert(offsetof(AreaMonitor, forceMode) == 0x1c, "area monitor");
static_assert(sizeof(AreaMonitor) == 32, "area monitor");

static_assert(offsetof(MonitorBlock, magic) == 0x00, "monitor");
static_assert(offsetof(MonitorBlock, version) == 0x04, "monitor");
static_assert(offsetof(MonitorBlock, areaCount) == 0x08, "monitor");
static_assert(offsetof(MonitorBlock, areas) == 0x10, "monitor");
static_assert(offsetof(MonitorBlock, placeHolder) == 0x110, "monitor");
static_assert(sizeof(MonitorBlock) == 304, "monitor");

}  // namespace quorforce
