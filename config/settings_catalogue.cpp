// The catalogue of registry values and the moves between a value and its field.
#include "config/settings_catalogue.h"

#include <cstring>

namespace quorforce {
namespace {

constexpr DWORD kByte = 0xFF;
constexpr DWORD kWhole = 0xFFFFFFFFu;

#define QF_FIELD(record, type, field) \
    SettingRecord::record, offsetof(type, field), sizeof(type::field)

}  // namespace

const SettingEntry kSettings[kSettingCount] = {
    {"POLLING_STEP", SettingKey::Product, SettingGroup::Engine, kWhole, kDefaultPollingStep,
     QF_FIELD(Engine, EngineSettings, pollingStep)},
    {"THREAD_PRIORITY", SettingKey::Product, SettingGroup::Engine, kWhole, 0,
     QF_FIELD(Engine, EngineSettings, priorityCode)},
    {"Trace", SettingKey::Product, SettingGroup::Engine, kWhole, 0,
     QF_FIELD(Engine, EngineSettings, trace)},
    {"Report_Format", SettingKey::Device, SettingGroup::Device, kByte, 1,
     QF_FIELD(Link, DeviceLink, reportFormat)},
    {"Usage_Page", SettingKey::Device, SettingGroup::Device, kByte, 1,
     QF_FIELD(Link, DeviceLink, outputUsagePage)},
    {"Usage", SettingKey::Device, SettingGroup::Device, kByte, 0xBB,
     QF_FIELD(Link, DeviceLink, outputUsage)},
    {"Drive_Default_Spring", SettingKey::Device, SettingGroup::Device, kByte, 0,
     QF_FIELD(Device, DeviceSettings, driveDefaultSpring)},
    {"Strict_Angle_Direction", SettingKey::Device, SettingGroup::Device, kByte, 0,
     QF_FIELD(Device, DeviceSettings, strictAngleDirection)},
    {"Shock_or_Force_Feedback", SettingKey::Device, SettingGroup::Device, kByte, 0,
     QF_FIELD(Device, DeviceSettings, shockOrForceFeedback)},
    {"By10_Inertia_Coef", SettingKey::Device, SettingGroup::Device, kByte, 20,
     QF_FIELD(Device, DeviceSettings, by10InertiaCoef)},
    {"By10_Damper_Coef", SettingKey::Device, SettingGroup::Device, kByte, 20,
     QF_FIELD(Device, DeviceSettings, by10DamperCoef)},
    {"By10_Spring_Coef", SettingKey::Device, SettingGroup::Device, kByte, 40,
     QF_FIELD(Device, DeviceSettings, by10SpringCoef)},
    {"Motion_Estimate", SettingKey::Device, SettingGroup::Device, kByte, 0,
     QF_FIELD(Device, DeviceSettings, motionEstimate)},
    {"Motor_Parameters", SettingKey::Device, SettingGroup::Motor, kWhole, 0,
     QF_FIELD(Device, DeviceSettings, motorParameters)},
    {"Global_Value", SettingKey::Joystick, SettingGroup::Strengths, kWhole, 100,
     QF_FIELD(Device, DeviceSettings, globalValue)},
    {"Static_Value", SettingKey::Joystick, SettingGroup::Strengths, kWhole, 100,
     QF_FIELD(Device, DeviceSettings, staticValue)},
    {"Dynamic_Value", SettingKey::Joystick, SettingGroup::Strengths, kWhole, 100,
     QF_FIELD(Device, DeviceSettings, dynamicValue)},
    {"Spring_Value", SettingKey::Joystick, SettingGroup::Strengths, kWhole, 100,
     QF_FIELD(Device, DeviceSettings, springValue)},
    {"Spring_Enabled", SettingKey::Joystick, SettingGroup::Strengths, kByte, 0,
     QF_FIELD(Device, DeviceSettings, springEnabled)},
};

#undef QF_FIELD

const SettingEntry* FindSetting(const char* name) {
    if (name == nullptr) return nullptr;
    for (const SettingEntry& entry : kSettings) {
        if (std::strcmp(entry.name, name) == 0) return &entry;
    }
    return nullptr;
}

namespace {

void* FieldAddress(const SettingEntry& entry, const SettingRecords& records) {
    void* base = nullptr;
    switch (entry.record) {
    case SettingRecord::Engine: base = records.engine; break;
    case SettingRecord::Link: base = records.link; break;
    case SettingRecord::Device: base = records.device; break;
    }
    return base != nullptr ? static_cast<char*>(base) + entry.offset : nullptr;
}

}  // namespace

void StoreSetting(const SettingEntry& entry, const SettingRecords& records, DWORD value) {
    void* field = FieldAddress(entry, records);
    if (field == nullptr) return;
    value &= entry.keptBits;
    switch (entry.size) {
    case 1: *static_cast<std::uint8_t*>(field) = static_cast<std::uint8_t>(value); break;
    case 2: *static_cast<std::uint16_t*>(field) = static_cast<std::uint16_t>(value); break;
    default: std::memcpy(field, &value, sizeof value); break;
    }
}

DWORD FieldOfSetting(const SettingEntry& entry, const void* record) {
    if (record == nullptr) return 0;
    const void* field = static_cast<const char*>(record) + entry.offset;
    switch (entry.size) {
    case 1: return *static_cast<const std::uint8_t*>(field);
    case 2: return *static_cast<const std::uint16_t*>(field);
    default: {
        DWORD value = 0;
        std::memcpy(&value, field, sizeof value);
        return value;
    }
    }
}

}  // namespace quorforce
