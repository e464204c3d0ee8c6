// The catalogue of the driver's registry values: for each value its name, the key it lives
// under, the bits the driver keeps, its default, and the field it lands in. The loaders, the
// saver, quorsim's `set` and the tests all walk this one table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32.h"
#include "state/device_link.h"
#include "state/shared_table.h"

namespace quorforce {

constexpr DWORD kDefaultPollingStep = 16;  // ms
constexpr DWORD kMaxPollingStep = 1000;

// "POLLING_STEP", "THREAD_PRIORITY" and "Trace" of the product key.
struct EngineSettings {
    DWORD pollingStep = kDefaultPollingStep;  // ms, kept within 1..kMaxPollingStep
    DWORD priorityCode = 0;
    DWORD trace = 0;  // non-zero: trace lines go to the debugger's output
};

// Where a value is stored: the product key, the device key of a joystick id, or its
// joystick key (the device key + "\j").
enum class SettingKey { Product, Device, Joystick };

// Which record a value lands in.
enum class SettingRecord { Engine, Link, Device };

// The values that are read together.
enum class SettingGroup { Engine, Device, Motor, Strengths };

struct SettingEntry {
    const char* name;
    SettingKey key;
    SettingGroup group;
    DWORD keptBits;  // 0xFF for the byte-wide values, all bits for the others
    DWORD fallback;  // the value when none is stored
    SettingRecord record;
    std::size_t offset;  // of the field in its record
    std::size_t size;    // of the field: 1, 2 or 4 bytes
};

constexpr std::size_t kSettingCount = 19;
extern const SettingEntry kSettings[kSettingCount];

// The entry of a value name, or null.
const SettingEntry* FindSetting(const char* name);

// Where the values land: whichever records the caller has (a null one is skipped).
struct SettingRecords {
    EngineSettings* engine = nullptr;
    DeviceLink* link = nullptr;
    DeviceSettings* device = nullptr;
};

// Stores `value` (cut to the entry's kept bits) in its field.
void StoreSetting(const SettingEntry& entry, const SettingRecords& records, DWORD value);
// The entry's field in `record`, which must be a record of the entry's kind.
DWORD FieldOfSetting(const SettingEntry& entry, const void* record);

}  // namespace quorforce
