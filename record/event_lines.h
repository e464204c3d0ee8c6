// The engine's and the device library's events as recording lines: the tick, the motion a
// tick's conditions used, a change of the shared settings a tick found, a report sent, a
// position read. Each is called only while Recording(), under the mutex of its event: the
// TableMutex for all but the position (the InputMutex).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"
#include "state/motion_state.h"
#include "state/shared_table.h"

namespace quorforce {

// The largest part of a report the file keeps; its length is always written whole.
constexpr std::size_t kRecordedReportBytes = 64;

void RecordTickLine(std::uint32_t area, std::uint32_t now);
// The copy of the motion estimate a tick's conditions were computed from.
void RecordMotionLine(std::uint32_t area, const MotionState& motion);
// The settings of the area's place, when they differ from the last ones recorded for the
// area (a panel's slider, an override of the gains, a bind); `force` writes them anyway.
void RecordSettingsIfChanged(std::uint32_t area, std::uint32_t place,
                             const SharedEffectTable& table, bool force);
// An output ("report") or feature ("feature") report as it goes to the device.
void RecordReportLine(const char* kind, HANDLE device, const BYTE* bytes, std::size_t length);
// An output report not made because the device's earlier write is still in flight: a
// replay, whose device is never busy, must leave out the report it makes there.
void RecordBusyLine(HANDLE device);
void RecordPositionLine(std::uint32_t area, std::uint32_t now, std::int32_t position);

}  // namespace quorforce
