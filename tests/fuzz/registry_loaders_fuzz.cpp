// Registry values of every type and size under every name the driver reads, then every
// loader: the engine settings, the device, motor and force values, the effect images of
// the gain override, and DirectInput's joystick-id entries of the wheel.
#include <cstddef>
#include <cstdint>

#include "config/settings_store.h"
#include "driver/control_panel.h"
#include "hid/device_discovery.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/fuzz_rig.h"

namespace {
constexpr std::uint32_t kTypes[] = {REG_NONE, REG_SZ, REG_BINARY, REG_DWORD};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorforce;
    using namespace quorforce::fuzz;
    harness::VirtualRig& rig = SharedRig();
    ProcessState& process = Module().process;
    host::ResetRegistry();
    const std::string wheelPath = rig.wheel->Config().path;
    char deviceKey[kKeyPathSize], joystickKey[kKeyPathSize];
    DeviceKey(*process.table, 0, deviceKey);
    JoystickKey(*process.table, 0, joystickKey);
    const std::string keys[] = {
        kProductKey,
        deviceKey,
        joystickKey,
        std::string(kEffectsKey) + "\\0",
        "effects",
        host::DeviceParametersKey(wheelPath, true),
        "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\DirectInput\\"
        "VID_5A1C&PID_E410\\Calibration\\0",
    };
    std::vector<std::string> names = {
        "POLLING_STEP", "THREAD_PRIORITY", "Value_Parameter_1", "Value_Parameter_64",
        "GUID",         "Joystick Id"};
    for (const SettingEntry& entry : kSettings)
        names.push_back(entry.name);
    FuzzInput in(data, size);
    while (!in.Empty()) {
        const HKEY hive = in.Chance(2) ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        const std::string& key = keys[in.Byte() % std::size(keys)];
        const std::string& name = names[in.Byte() % names.size()];
        const DWORD type = in.OneOf(kTypes);
        std::size_t length = in.Byte() % 24;
        if (in.Chance(16)) length = 160 + in.Byte();
        host::SetRegistryValue(hive, key, name, type, in.Bytes(length));
    }
    LoadEngineSettings();
    DeviceLink link = process.deviceLinks[0];
    LoadDeviceSettings(*process.table, link, 0);
    LoadMotorParameters(*process.table, 0);
    LoadStrengths(*process.table, 0);
    ArmGainOverride(process, "effects", 1, 0, 1);
    ArmGainOverride(process, "effects", 64, 0, 1);
    ZXJoystickIdFromDeviceParameters(process, wheelPath.c_str());
    ZXJoystickIdFromCalibration(process, wheelPath.c_str(), 0x5A1C, 0xE410);
    ClearEffectImages(kEffectsKey, 0);
    process.table->gainOverrideActive[0] = 0;
    return 0;
}
