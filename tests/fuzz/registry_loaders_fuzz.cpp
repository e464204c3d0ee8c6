// Registry values of every type and size under every name the driver reads, then every
// loader: the engine settings, the device, motor and force values, the effect images of
// the gain override, DirectInput's joystick-id entries of the wheel, and a game's switches (the
// device key's and its profile's) with ticks of the mix they make, at any device gain.
#include <cstddef>
#include <cstdint>

#include "config/game_switches.h"
#include "config/settings_store.h"
#include "driver/control_panel.h"
#include "engine/game_fixes.h"
#include "engine/mixer.h"
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
    FuzzInput in(data, size);
    const std::string keys[] = {
        kProductKey,
        deviceKey,
        joystickKey,
        std::string(deviceKey) + "\\Profiles\\game.exe",
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
    for (const GameSwitchEntry& entry : kGameSwitches)
        names.push_back(entry.name);
    const DWORD deviceGain = in.Word();
    const EffectSlot hostileSlot = in.Take<EffectSlot>();  // what the switches scale
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
    GameTuning& game = process.gameTuning[0];
    ApplyGameSwitches(game, LoadGameSwitches(deviceKey, "game.exe"));
    KeepDeviceGain(game, deviceGain);
    DeviceArea& area = process.table->areas[0];
    area.slots[0] = hostileSlot;
    area.slotPlaying[0] = 1;
    process.playingCount[0] = 1;
    for (std::uint32_t tick = 0; tick < 4; ++tick)
        MixDevice(process, 0, deviceGain + 16 * tick);
    area.slotPlaying[0] = 0;
    process.playingCount[0] = 0;
    game = GameTuning{};
    rig.wheel->ClearReports();
    return 0;
}
