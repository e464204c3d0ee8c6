// The recorded tick and position.
#include "engine/recorded_tick.h"

#include "engine/mixer.h"
#include "record/event_lines.h"
#include "record/recorder.h"

namespace quorforce {

void MixRecorded(ProcessState& process, DWORD area, std::uint32_t now) {
    if (!Recording()) {
        MixDevice(process, area, now);
        return;
    }
    const std::int32_t place = area < kAreaCount ? process.placeOfArea[area] : -1;
    if (process.table != nullptr && place >= 0 && place < static_cast<std::int32_t>(kJoystickCount))
        RecordSettingsIfChanged(area, static_cast<std::uint32_t>(place), *process.table, false);
    MixDevice(process, area, now);
    RecordTickLine(area, now);
}

void RecordPosition(const ProcessState& process, int area, std::uint32_t now) {
    if (area < 0 || area >= static_cast<int>(kAreaCount)) return;
    RecordPositionLine(static_cast<std::uint32_t>(area), now, process.motion[area].position);
}

}  // namespace quorforce
