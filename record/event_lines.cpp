// The engine's and the device library's recording lines.
#include "record/event_lines.h"

#include <cstring>

#include "record/recorder.h"

namespace quorforce {
namespace {

struct SeenSettings {
    bool valid = false;
    DeviceSettings settings;
    std::int32_t overrideActive = 0;
};

// The settings last recorded per area; written only under the TableMutex.
SeenSettings seen[kAreaCount];

std::uint32_t FloatBits(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

bool SameSettings(const SeenSettings& last, const DeviceSettings& now, std::int32_t active) {
    return last.valid && last.overrideActive == active &&
           std::memcmp(&last.settings, &now, sizeof now) == 0;
}

}  // namespace

void RecordTickLine(std::uint32_t area, std::uint32_t now) {
    RecordLine line(now, "tick");
    line.Line().KeyDec("area", area);
    line.Commit();
}

void RecordMotionLine(std::uint32_t area, const MotionState& motion) {
    RecordLine line(timeGetTime(), "motion");
    line.Line()
        .KeyDec("area", area)
        .KeyDec("position", motion.position)
        .KeyDec("velocity", motion.velocity)
        .KeyDec("acceleration", motion.acceleration)
        .KeyDec("delta", motion.positionDelta)
        .KeyDec("delta-change", motion.deltaChange)
        .KeyHex("smooth-velocity", FloatBits(motion.smoothVelocity))
        .KeyHex("smooth-acceleration", FloatBits(motion.smoothAcceleration));
    line.Commit();
}

void RecordSettingsIfChanged(std::uint32_t area, std::uint32_t place,
                             const SharedEffectTable& table, bool force) {
    if (area >= kAreaCount || place >= kJoystickCount) return;
    // One copy of the words the panel may be writing, then compared and written from it.
    DeviceSettings now;
    std::memcpy(&now, &table.settings[place], sizeof now);
    const std::int32_t active = table.gainOverrideActive[place];
    SeenSettings& last = seen[area];
    if (!force && SameSettings(last, now, active)) return;
    last.valid = true;
    last.settings = now;
    last.overrideActive = active;
    RecordLine line(timeGetTime(), "settings");
    LineBuilder& b = line.Line();
    b.KeyDec("area", area)
        .KeyDec("place", place)
        .KeyDec("motor", now.motorParameters)
        .KeyDec("global", now.globalValue)
        .KeyDec("static", now.staticValue)
        .KeyDec("dynamic", now.dynamicValue)
        .KeyDec("spring", now.springValue)
        .KeyDec("spring-on", now.springEnabled)
        .KeyDec("default-spring", now.driveDefaultSpring)
        .KeyDec("strict-angle", now.strictAngleDirection)
        .KeyDec("force-feedback", now.shockOrForceFeedback)
        .KeyDec("inertia-coef", now.by10InertiaCoef)
        .KeyDec("damper-coef", now.by10DamperCoef)
        .KeyDec("spring-coef", now.by10SpringCoef)
        .KeyDec("estimate", now.motionEstimate)
        .KeyDec("override", active)
        .Key("gains");
    for (std::uint32_t i = 0; i < kSlotCount; ++i) {
        if (i != 0) b.Char(',');
        b.Dec(now.gainOverride[i]);
    }
    line.Commit();
}

void RecordReportLine(const char* kind, HANDLE device, const BYTE* bytes, std::size_t length) {
    RecordLine line(timeGetTime(), kind);
    const std::size_t kept = length < kRecordedReportBytes ? length : kRecordedReportBytes;
    line.Line()
        .KeyDec("area", AreaOfDevice(device))
        .KeyDec("length", static_cast<std::int64_t>(length))
        .Key("bytes")
        .Bytes(bytes, bytes != nullptr ? kept : 0);
    line.Commit();
}

void RecordBusyLine(HANDLE device) {
    RecordLine line(timeGetTime(), "busy");
    line.Line().KeyDec("area", AreaOfDevice(device));
    line.Commit();
}

void RecordPositionLine(std::uint32_t area, std::uint32_t now, std::int32_t position) {
    RecordLine line(now, "position");
    line.Line().KeyDec("area", area).KeyDec("x", position);
    line.Commit();
}

}  // namespace quorforce
