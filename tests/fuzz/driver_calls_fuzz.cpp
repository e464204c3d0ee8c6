// DirectInput's calls on the driver object, in any order, with any handles, ids, flags and
// DIEFFECT contents: records of any declared size whose pointed-to parts are exactly as long
// as declared, so that a read beyond a declared size is caught.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/fuzz_rig.h"

namespace quorforce::fuzz {
namespace {

constexpr std::uint32_t kEffectIds[] = {32, 33, 35, 36, 615, 723, 371, 113,
                                        65, 66, 67, 68, 912, 34,  0};
constexpr std::uint32_t kHandles[] = {0, 1, 2, 3, 63, 64, 65, 0xFFFFFFFF};
constexpr std::uint32_t kDownloadFlags[] = {
    DIEP_START,    DIEP_NODOWNLOAD,         0,        0x3FF, 0xE00003FF,
    DIEP_ENVELOPE, DIEP_TYPESPECIFICPARAMS, DIEP_AXES};
constexpr std::uint32_t kCommands[] = {DISFFC_RESET,
                                       DISFFC_STOPALL,
                                       DISFFC_PAUSE,
                                       DISFFC_CONTINUE,
                                       DISFFC_SETACTUATORSON,
                                       DISFFC_SETACTUATORSOFF,
                                       3};
constexpr std::uint32_t kCounts[] = {0, 1, 2, 4, 5, 0x40000000, 0xFFFFFFFF};
constexpr std::uint32_t kRecordSizes[] = {0, 4, 8, 16, 20, 24, 48, 3};

// A DIEFFECT of a declared size, its axes, directions, envelope and type-specific record
// each in a block of exactly its declared length, or null.
struct HostileEffect {
    GuardedBlock record, axes, directions, envelope, typeSpecific;

    explicit HostileEffect(FuzzInput& in) {
        DIEFFECT effect = {};
        const std::uint8_t sizeChoice = in.Byte() % 4;
        effect.dwSize = sizeChoice == 0   ? in.Word()
                        : sizeChoice == 1 ? static_cast<DWORD>(offsetof(DIEFFECT, dwStartDelay))
                                          : static_cast<DWORD>(sizeof(DIEFFECT));
        effect.dwFlags = in.Word();
        effect.dwDuration = in.Word();
        effect.dwSamplePeriod = in.Word();
        effect.dwGain = in.Word();
        effect.dwTriggerButton = in.Chance(2) ? DIEB_NOTRIGGER : in.Word();
        effect.dwTriggerRepeatInterval = in.Chance(2) ? INFINITE : in.Word();
        effect.cAxes = in.OneOf(kCounts);
        effect.dwStartDelay = in.Word();
        const std::size_t given = effect.cAxes < 8 ? effect.cAxes : 8;
        if (!in.Chance(8)) axes = GuardedBlock(in, given * sizeof(DWORD));
        if (!in.Chance(8)) directions = GuardedBlock(in, given * sizeof(LONG));
        effect.rgdwAxes = axes.As<DWORD>();
        effect.rglDirection = directions.As<LONG>();
        if (in.Chance(2)) {
            const DWORD declared = in.OneOf(kRecordSizes);
            envelope = GuardedBlock(in, declared < 4 ? 4 : declared > 64 ? 64 : declared);
            envelope.As<DIENVELOPE>()->dwSize = declared;
            effect.lpEnvelope = envelope.As<DIENVELOPE>();
        }
        effect.cbTypeSpecificParams = in.OneOf(kRecordSizes);
        if (!in.Chance(8)) {
            const DWORD n = effect.cbTypeSpecificParams;
            typeSpecific = GuardedBlock(in, n > 256 ? 256 : n);
        }
        effect.lpvTypeSpecificParams = typeSpecific.As<void>();
        // The record itself: as long as it says, but never shorter than its size field.
        std::size_t length = effect.dwSize < 4 ? 4 : effect.dwSize;
        if (length > sizeof(DIEFFECT) + 16) length = sizeof(DIEFFECT) + 16;
        FuzzInput none(nullptr, 0);
        record = GuardedBlock(none, length);
        std::memcpy(record.As<void>(), &effect, length < sizeof effect ? length : sizeof effect);
    }
    const DIEFFECT* Get() { return record.As<const DIEFFECT>(); }
};

// Set by a DeviceID call: the next input starts with area 0 bound again.
bool rebound = false;

void OneCall(FuzzInput& in, IDirectInputEffectDriver& driver) {
    const DWORD joystick = in.Chance(4) ? in.Word() : 0;
    switch (in.Byte() % 13) {
    case 0: {
        const DWORD effectId = in.OneOf(kEffectIds);
        DWORD handle = in.OneOf(kHandles);
        const DWORD flags = in.OneOf(kDownloadFlags);
        HostileEffect effect(in);
        const bool noHandle = in.Chance(16);
        driver.DownloadEffect(joystick, effectId, noHandle ? nullptr : &handle, effect.Get(),
                              flags);
        break;
    }
    case 1: driver.DestroyEffect(joystick, in.OneOf(kHandles)); break;
    case 2: {
        const DWORD handle = in.OneOf(kHandles);
        driver.StartEffect(joystick, handle, in.Chance(2) ? DIES_SOLO : in.Word(), in.Word());
        break;
    }
    case 3: driver.StopEffect(joystick, in.OneOf(kHandles)); break;
    case 4: {
        DWORD status = 0;
        const DWORD handle = in.OneOf(kHandles);
        driver.GetEffectStatus(joystick, handle, in.Chance(8) ? nullptr : &status);
        break;
    }
    case 5:
        driver.SendForceFeedbackCommand(joystick, in.OneOf(kCounts) | in.OneOf(kCommands));
        break;
    case 6: {
        const DWORD declared = in.OneOf(kRecordSizes);
        GuardedBlock state(in, declared < 4 ? 4 : declared > 64 ? 64 : declared);
        state.As<DIDEVICESTATE>()->dwSize = declared;
        driver.GetForceFeedbackState(joystick, in.Chance(8) ? nullptr : state.As<DIDEVICESTATE>());
        break;
    }
    case 7: {
        const DWORD declared = in.OneOf(kRecordSizes);
        GuardedBlock versions(in, declared < 4 ? 4 : declared > 64 ? 64 : declared);
        versions.As<DIDRIVERVERSIONS>()->dwSize = declared;
        driver.GetVersions(in.Chance(8) ? nullptr : versions.As<DIDRIVERVERSIONS>());
        break;
    }
    case 8: {
        GuardedBlock escape(in, in.Byte() % 40);
        driver.Escape(joystick, in.OneOf(kHandles), escape.As<DIEFFESCAPE>());
        break;
    }
    case 9: driver.SetGain(joystick, in.Word()); break;
    case 10: {
        // Rebinding: a joystick id without a wheel, or any internal id.
        const DWORD area = in.Chance(2) ? in.Byte() % 9 : in.Word();
        rebound = true;
        driver.DeviceID(0x0800, in.Chance(2) ? 0 : in.Word(), in.Byte() & 1, area, nullptr);
        break;
    }
    case 11:
    case 12: SharedRig().ForceStep(); break;
    }
}

}  // namespace
}  // namespace quorforce::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorforce::fuzz;
    IDirectInputEffectDriver& driver = *SharedRig().driver;
    ClearAreas();
    // Back on area 0, bound to the wheel, as a fresh binding leaves it.
    if (rebound) driver.DeviceID(0x0800, 0, TRUE, 0, nullptr);
    rebound = false;
    FuzzInput in(data, size);
    for (int calls = 0; calls < 64 && !in.Empty(); ++calls)
        OneCall(in, driver);
    return 0;
}
