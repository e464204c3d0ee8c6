// The replay rig.
#include "harness/replay_rig.h"

#include <cstring>

#include "config/game_switches.h"
#include "config/settings_store.h"
#include "driver/module_state.h"
#include "engine/mixer.h"
#include "record/recording_path.h"
#include "util/mutex_lock.h"

namespace quorforce::harness {
namespace {

DeviceSettings* SettingsOfArea(DWORD area) {
    ProcessState& process = Module().process;
    if (process.table == nullptr || area >= kAreaCount) return nullptr;
    const std::int32_t place = process.placeOfArea[area];
    if (place < 0 || place >= static_cast<std::int32_t>(kJoystickCount)) return nullptr;
    return &process.table->settings[place];
}

float FromBits(std::uint32_t bits) {
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

ReplayRig::ReplayRig() = default;

ReplayRig::~ReplayRig() {
    for (auto& entry : objects_)
        entry.second->Release();
    objects_.clear();
    rig_.TearDown();
}

bool ReplayRig::Begin(DWORD pollingStep, std::uint32_t clock) {
    VirtualRig::ResetHost();
    VirtualRig::WriteSetting("POLLING_STEP", pollingStep, 0, 0, 0);
    if (!rig_.Attach(true, clock)) return false;
    return rig_.GetFactory() == S_OK;
}

void ReplayRig::SetClock(std::uint32_t clock) {
    const DWORD now = timeGetTime();
    if (clock >= now) {
        host::AdvanceClock(clock - now);
    } else {
        host::UseManualClock(clock);  // the 49.7-day wrap
    }
}

void ReplayRig::PlugDevice(DWORD area, DWORD joystick, WORD vendorId, WORD productId) {
    if (HasDevice(area)) return;
    host::VirtualHidConfig config = host::BuiltInWheel();
    config.vendorId = vendorId;
    config.productId = productId;
    config.path = host::HidDevicePath(vendorId, productId, "replay" + std::to_string(area));
    int sameModel = 0;
    for (const auto& wheel : rig_.wheels)
        if (wheel->Config().vendorId == vendorId && wheel->Config().productId == productId)
            ++sameModel;
    GUID instance = {0x51C0A000u + area, 0x1, 0x2, {0, 0, 0, 0, 0, 0, 0, 1}};
    rig_.PlugWheel(config, joystick, instance, sameModel);
    devices_[area] = rig_.wheels.size() - 1;
    seen_.push_back(0);
}

std::uint16_t ReplayRig::BuiltInOutputLength() const {
    return host::ParseReportDescriptor(host::BuiltInWheelDescriptor()).outputLength;
}

bool ReplayRig::WriteValue(const char* name, DWORD value, WORD vendorId, WORD productId,
                           int joystick) {
    return VirtualRig::WriteSetting(name, value, vendorId, productId, joystick);
}

bool ReplayRig::WriteSwitch(const char* name, DWORD value, WORD vendorId, WORD productId,
                            int place) {
    if (place < 0 || place >= static_cast<int>(kJoystickCount)) return false;
    SharedEffectTable names = {};
    names.vendorIds[place] = vendorId;
    names.productIds[place] = productId;
    char deviceKey[kKeyPathSize];
    char exe[kGameNameSize];
    char profile[kGameNameSize];
    char key[kKeyPathSize + kGameNameSize];
    ExecutableName(exe, sizeof exe);
    if (!DeviceKey(names, place, deviceKey) || !ProfileName(exe, profile) ||
        !ProfileKey(deviceKey, profile, key, sizeof key))
        return false;
    host::SetRegistryDword(HKEY_CURRENT_USER, key, name, value);
    return true;
}

IDirectInputEffectDriver* ReplayRig::Object(std::uint32_t object) {
    auto found = objects_.find(object);
    if (found != objects_.end()) return found->second;
    IDirectInputEffectDriver* driver = nullptr;
    if (rig_.NewDriverObject(&driver) != S_OK) return nullptr;
    objects_[object] = driver;
    return driver;
}

void ReplayRig::Tick(DWORD area, std::uint32_t now, const ReplayMotion* motion) {
    ProcessState& process = Module().process;
    MutexLock lock(process.tableMutex);
    if (motion != nullptr && area < kAreaCount) {
        MutexLock input(process.inputMutex);
        MotionState& m = process.motion[area];
        m.position = motion->position;
        m.velocity = motion->velocity;
        m.acceleration = motion->acceleration;
        m.positionDelta = motion->positionDelta;
        m.deltaChange = motion->deltaChange;
        m.smoothVelocity = FromBits(motion->smoothVelocityBits);
        m.smoothAcceleration = FromBits(motion->smoothAccelerationBits);
    }
    MixDevice(process, area, now);
}

void ReplayRig::ApplySettings(DWORD area, const ReplaySettings& s) {
    DeviceSettings* d = SettingsOfArea(area);
    if (d == nullptr) return;
    d->motorParameters = s.motorParameters;
    d->globalValue = s.globalValue;
    d->staticValue = s.staticValue;
    d->dynamicValue = s.dynamicValue;
    d->springValue = s.springValue;
    d->springEnabled = static_cast<std::uint8_t>(s.springEnabled);
    d->driveDefaultSpring = static_cast<std::uint8_t>(s.driveDefaultSpring);
    d->strictAngleDirection = static_cast<std::uint8_t>(s.strictAngleDirection);
    d->shockOrForceFeedback = static_cast<std::uint8_t>(s.shockOrForceFeedback);
    d->by10InertiaCoef = static_cast<std::uint8_t>(s.by10InertiaCoef);
    d->by10DamperCoef = static_cast<std::uint8_t>(s.by10DamperCoef);
    d->by10SpringCoef = static_cast<std::uint8_t>(s.by10SpringCoef);
    d->motionEstimate = static_cast<std::uint8_t>(s.motionEstimate);
    for (std::size_t i = 0; i < s.gains.size() && i < kSlotCount; ++i)
        d->gainOverride[i] = s.gains[i];
    ProcessState& process = Module().process;
    process.table->gainOverrideActive[process.placeOfArea[area]] = s.overrideActive;
}

bool ReplayRig::SameLoadedSettings(DWORD area, const ReplaySettings& s) const {
    const DeviceSettings* d = SettingsOfArea(area);
    return d != nullptr && d->motorParameters == s.motorParameters &&
           d->globalValue == s.globalValue && d->staticValue == s.staticValue &&
           d->dynamicValue == s.dynamicValue && d->springValue == s.springValue &&
           d->springEnabled == s.springEnabled && d->driveDefaultSpring == s.driveDefaultSpring &&
           d->strictAngleDirection == s.strictAngleDirection &&
           d->shockOrForceFeedback == s.shockOrForceFeedback &&
           d->by10InertiaCoef == s.by10InertiaCoef && d->by10DamperCoef == s.by10DamperCoef &&
           d->by10SpringCoef == s.by10SpringCoef && d->motionEstimate == s.motionEstimate;
}

std::vector<ReplayReport> ReplayRig::TakeReports() {
    std::vector<ReplayReport> taken;
    for (const auto& [area, index] : devices_) {
        const std::vector<host::RecordedReport> reports = rig_.wheels[index]->Reports();
        for (std::size_t i = seen_[index]; i < reports.size(); ++i) {
            ReplayReport r;
            r.area = static_cast<int>(area);
            r.feature = reports[i].kind == host::RecordedReport::Feature;
            r.bytes = reports[i].bytes;
            taken.push_back(std::move(r));
        }
        seen_[index] = reports.size();
    }
    return taken;
}

}  // namespace quorforce::harness
