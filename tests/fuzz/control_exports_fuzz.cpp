// The control panel's five exports with any joystick ids, handles, records and key paths,
// on a bound wheel, with hives that may refuse opening or writing.
#include <cstddef>
#include <cstdint>

#include "include/quorforce.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/fuzz_rig.h"

namespace {
constexpr std::uint32_t kIds[] = {0, 1, 7, 8, 0xFFFFFFFF, 0x80000000};
constexpr std::uint32_t kHandles[] = {0, 1, 64, 65, 0xFFFFFFFF};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorforce;
    using namespace quorforce::fuzz;
    SharedRig();
    host::ResetRegistry();
    FuzzInput in(data, size);
    for (int calls = 0; calls < 32 && !in.Empty(); ++calls) {
        const int joystick = static_cast<int>(in.OneOf(kIds));
        const int handle = static_cast<int>(in.OneOf(kHandles));
        ForceSettings settings = in.Take<ForceSettings>();
        DeviceConfig config = in.Take<DeviceConfig>();
        config.forceSettings = in.Chance(3) ? nullptr : &settings;
        DeviceConfig* record = in.Chance(8) ? nullptr : &config;
        std::unique_ptr<char[]> keyPath = GuardedText(in, 3000);
        const char* path = in.Chance(8) ? nullptr : keyPath.get();
        switch (in.Byte() % 7) {
        case 0: ZXGetDeviceConfig(joystick, record); break;
        case 1: ZXSetDeviceConfig(joystick, record); break;
        case 2: ModifyForcesNow(static_cast<int>(in.Word()), 0, joystick); break;
        case 3: GetAllEffectsParameters(path, handle, joystick); break;
        case 4:
            SetAllEffectsParameters(path, handle, joystick, static_cast<int>(in.OneOf(kIds)));
            break;
        case 5:
            host::RefuseOpening(in.Chance(2) ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                                in.Chance(2));
            break;
        case 6:
            host::RefuseWriting(in.Chance(2) ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                                in.Chance(2));
            break;
        }
    }
    Module().process.table->gainOverrideActive[0] = 0;
    return 0;
}
