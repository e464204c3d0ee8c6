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

namespace {

// A short item with its data, the shortest form that holds `value` as HID reads it (signed).
void Item(std::vector<std::uint8_t>& d, std::uint8_t tag, std::int64_t value) {
    if (value >= -128 && value <= 127) {
        d.insert(d.end(), {static_cast<std::uint8_t>(tag | 1), static_cast<std::uint8_t>(value)});
    } else if (value >= -32768 && value <= 32767) {
        d.insert(d.end(), {static_cast<std::uint8_t>(tag | 2), static_cast<std::uint8_t>(value),
                           static_cast<std::uint8_t>(value >> 8)});
    } else {
        const auto v = static_cast<std::uint32_t>(value);
        d.insert(d.end(), {static_cast<std::uint8_t>(tag | 3), static_cast<std::uint8_t>(v),
                           static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
                           static_cast<std::uint8_t>(v >> 24)});
    }
}

int BitsFor(std::int64_t min, std::int64_t max) {
    int bits = 1;
    while (bits < 32 && ((min < 0 ? (max - min) : max) >> bits) != 0)
        ++bits;
    return min < 0 ? bits + 1 : bits;
}

}  // namespace

std::vector<std::uint8_t> ReplayRig::DescriptorOf(const DeviceLayout& l) {
    enum : std::uint8_t {
        kUsagePage = 0x04,
        kUsage = 0x08,
        kCollection = 0xA0,
        kEnd = 0xC0,
        kReportId = 0x84,
        kLogicalMin = 0x14,
        kLogicalMax = 0x24,
        kSize = 0x74,
        kCount = 0x94,
        kInput = 0x80,
        kOutput = 0x90,
        kUsageMin = 0x18,
        kUsageMax = 0x28
    };
    std::vector<std::uint8_t> d;
    Item(d, kUsagePage, 1);
    Item(d, kUsage, 4);  // a joystick
    Item(d, kCollection, 1);
    if (l.outputReportId != 0) Item(d, kReportId, l.outputReportId);
    // The steering axis with the recorded range, which sizes friction; eight buttons.
    Item(d, kUsage, 0x30);
    Item(d, kLogicalMin, l.axisMin);
    Item(d, kLogicalMax, l.axisMax);
    Item(d, kSize, BitsFor(l.axisMin, l.axisMax));
    Item(d, kCount, 1);
    Item(d, kInput, 2);
    Item(d, kUsagePage, 9);
    Item(d, kUsageMin, 1);
    Item(d, kUsageMax, 8);
    Item(d, kLogicalMin, 0);
    Item(d, kLogicalMax, 1);
    Item(d, kSize, 1);
    Item(d, kCount, 8);
    Item(d, kInput, 2);
    // The output value fills the report after its id byte, up to 32 bits; padding after it.
    const int bytes = l.outputLength > 1 ? l.outputLength - 1 : 1;
    const int valueBits = bytes >= 4 ? 32 : bytes * 8;
    Item(d, kUsagePage, l.usagePage);
    Item(d, kUsage, l.usage);
    Item(d, kLogicalMin, 0);
    Item(d, kLogicalMax, valueBits >= 32 ? 0x7FFFFFFF : (std::int64_t{1} << valueBits) - 1);
    Item(d, kSize, valueBits);
    Item(d, kCount, 1);
    Item(d, kOutput, 2);
    if (bytes > 4) {
        Item(d, kSize, 8);
        Item(d, kCount, bytes - 4);
        Item(d, kOutput, 3);  // constant
    }
    d.push_back(kEnd);
    return d;
}

void ReplayRig::PlugDevice(DWORD area, DWORD joystick, const DeviceLayout& layout) {
    if (HasDevice(area)) return;
    const WORD vendorId = layout.vendorId;
    const WORD productId = layout.productId;
    host::VirtualHidConfig config = host::BuiltInWheel();
    if (layout.outputLength != BuiltInOutputLength()) config.descriptor = DescriptorOf(layout);
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
