// DeviceID and the control exports with joystick ids 0 to 15 and beyond, over a place map in
// the monitor block that holds any words, while "other processes" hold any of the places: no
// place outside 0..7 may ever be bound or reached, and the readers never index out of bounds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "driver/module_state.h"
#include "include/quorforce.h"
#include "state/joystick_places.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/fuzz_rig.h"

namespace {

using namespace quorforce;

constexpr std::uint32_t kIds[] = {0, 2, 7, 8, 9, 12, 15, 16, 0xFFFFFFFF};
constexpr std::uint32_t kWheelIds[] = {9, 12, 15, 7};

// The shared rig with wheels also at the ids above 8 and at 7, plugged once.
harness::VirtualRig& Rig() {
    static harness::VirtualRig& rig = []() -> harness::VirtualRig& {
        harness::VirtualRig& r = fuzz::SharedRig();
        for (std::uint32_t joystick : kWheelIds) {
            host::VirtualHidConfig config = host::BuiltInWheel();
            config.path = host::HidDevicePath(config.vendorId, config.productId,
                                              "20" + std::to_string(joystick));
            const GUID instance = {0xB0000200 + joystick, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};
            r.PlugWheel(config, joystick, instance, static_cast<int>(r.wheels.size()));
        }
        return r;
    }();
    return rig;
}

// A place some other process holds (or lets go) for the length of one input.
HANDLE others[kJoystickCount] = {};

void ToggleOtherHolder(std::uint32_t place) {
    place %= kJoystickCount;
    if (others[place] != nullptr) {
        CloseHandle(others[place]);
        others[place] = nullptr;
        return;
    }
    char name[kGuidTextSize];
    FormatPlaceName(place, name);
    others[place] = CreateMutexA(nullptr, FALSE, name);
}

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

void CheckReaders(const MonitorBlock* monitor, std::uint32_t joystick) {
    const int held = HeldPlaceOf(monitor, joystick);
    Check(held >= -1 && held < static_cast<int>(kJoystickCount));
    const int settings = SettingsPlaceOf(monitor, joystick);
    Check(settings >= -1 && settings < static_cast<int>(kJoystickCount));
    Check(HolderOfPlace(monitor, joystick % kJoystickCount) < kJoystickIdCount);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorforce::fuzz;
    harness::VirtualRig& rig = Rig();
    ProcessState& process = Module().process;
    FuzzInput in(data, size);
    for (std::uint32_t& holder : process.monitor->placeHolder)
        holder = in.Chance(2) ? in.OneOf(kIds) + 1 : in.Word();
    for (int calls = 0; calls < 24 && !in.Empty(); ++calls) {
        const std::uint32_t joystick = in.OneOf(kIds);
        switch (in.Byte() % 5) {
        case 0: {
            const DWORD area = in.Byte() % (kAreaCount + 1);
            if (rig.DeviceID(joystick, area) == S_OK) {
                const std::int32_t place = process.placeOfArea[area];
                Check(place >= 0 && place < static_cast<std::int32_t>(kJoystickCount));
                Check(process.placeObjects[place] != nullptr || process.monitor == nullptr);
            }
            break;
        }
        case 1: {
            ForceSettings settings = in.Take<ForceSettings>();
            DeviceConfig config = {};
            config.forceSettings = &settings;
            ZXGetDeviceConfig(static_cast<int>(joystick), &config);
            break;
        }
        case 2: ToggleOtherHolder(in.Byte()); break;
        case 3: process.monitor->placeHolder[in.Byte() % kJoystickCount] = in.Word(); break;
        case 4: CheckReaders(process.monitor, joystick); break;
        }
    }
    for (HANDLE& other : others) {
        if (other != nullptr) CloseHandle(other);
        other = nullptr;
    }
    // Back to the rig's start: area 0 on joystick 0, the other areas let go.
    for (DWORD area = 1; area < kAreaCount; ++area)
        process.areaHoldsPlace[area] = 0;
    rig.DeviceID(0, 0);
    return 0;
}
