// The driver's operations: binding, versions, device commands and state, and the slot
// commands with the neutral output when a device goes idle.
#include "driver/driver_operations.h"

#include "config/accepted_devices.h"
#include "config/settings_store.h"
#include "driver/game_profile.h"
#include "driver/place_claims.h"
#include "driver/slots.h"
#include "engine/game_fixes.h"
#include "hid/device_discovery.h"
#include "hid/report_io.h"
#include "state/joystick_places.h"
#include "util/mutex_lock.h"
#include "util/trace.h"

namespace quorforce {
namespace {

bool Bound(const ProcessState& process, DWORD area) {
    return area < kAreaCount && process.deviceLinks[area].inUse == 1;
}

// After the last playing effect stops, ForceThread sends nothing more for the area: the
// device must be put at rest now.
void RestIfIdle(ProcessState& process, DWORD area, bool idle) {
    if (idle && Bound(process, area)) SendNeutralOutput(process, area);
}

// The two vendors every installation serves, then the devices the installation names.
bool OpenAcceptedDevice(ProcessState& process, DeviceLink& link, int joystick) {
    if (ZXOpenDevice(process, kBuiltInVendorId, 0, &link, joystick, 1) == Done::Yes ||
        ZXOpenDevice(process, kSecondVendorId, 0, &link, joystick, 1) == Done::Yes) {
        return true;
    }
    AcceptedDevice accepted[kMaxAcceptedDevices];
    const int count = LoadAcceptedDevices(accepted);
    for (int i = 0; i < count; ++i) {
        const AcceptedDevice& d = accepted[i];
        const Done bound = d.anyProduct
                               ? ZXOpenDevice(process, d.vendorId, 0, &link, joystick, 1)
                               : ZXOpenDevice(process, d.vendorId, d.productId, &link, joystick, 0);
        if (bound == Done::Yes) return true;
    }
    QF_TRACE("WARNING  ", 1,
             "DeviceID joystick %d: no interface with an accepted vendor (5A1C, 7B3E and %d "
             "named in \"%s\") carries this joystick id\n",
             joystick, count, kAcceptedDevicesValue);
    return false;
}

// BindDevice once both ids are known to be in range, under the table mutex.
HRESULT BindInRange(ProcessState& process, int joystick, DWORD area, std::int32_t* firstBindPending,
                    DWORD* objectArea) {
    // The area's former binding goes; its place is released below unless this bind keeps it.
    process.areaHoldsPlace[area] = 0;
    bool lent = false;
    const int place = ClaimPlace(process, static_cast<std::uint32_t>(joystick), &lent);
    if (place < 0) {
        ReleaseUnusedPlaces(process);
        QF_TRACE("WARNING  ", 1, "DeviceID joystick %u: all %u places are held by other ids\n",
                 static_cast<unsigned>(joystick), static_cast<unsigned>(kJoystickCount));
        return E_FAIL;
    }
    *objectArea = area;
    process.placeOfArea[area] = place;
    process.areaOfPlace[place] = static_cast<std::int32_t>(area);
    process.areaHoldsPlace[area] = 1;
    ReleaseUnusedPlaces(process);
    DeviceLink& link = process.deviceLinks[area];
    if (!OpenAcceptedDevice(process, link, joystick)) {
        process.areaHoldsPlace[area] = 0;
        ReleaseUnusedPlaces(process);
        return E_FAIL;
    }
    QF_TRACE("INFO     ", 1, "DeviceID joystick %d area %u: bound VID_%04X&PID_%04X\n", joystick,
             static_cast<unsigned>(area), link.vendorId, link.productId);
    if (place != joystick) {
        QF_TRACE("INFO     ", 1, "DeviceID joystick %d: its values stand in place %d\n", joystick,
                 place);
    }
    SharedEffectTable& table = *process.table;
    table.vendorIds[place] = link.vendorId;
    table.productIds[place] = link.productId;
    LoadMotorParameters(table, place);
    if (*firstBindPending || lent) LoadStrengths(table, place, joystick);
    if (*firstBindPending) {
        ClearEffectImages(kEffectsKey, joystick);
        *firstBindPending = 0;
    }
    LoadDeviceSettings(table, link, place);
    LoadGameProfile(process, area, place);
    return S_OK;
}

// A game whose profile honours its pause: the mix sends the neutral output while paused or
// with the actuators off, and the effects' time stands still over a pause.
void NoteGamePause(ProcessState& process, DWORD area, DWORD command) {
    if (area >= kAreaCount || process.table == nullptr) return;
    GameTuning& game = process.gameTuning[area];
    if (game.honourPause == 0) return;
    switch (command) {
    case DISFFC_RESET: ResetGame(game); break;
    case DISFFC_PAUSE: PauseGame(game, timeGetTime()); break;
    case DISFFC_CONTINUE: ContinueGame(game, process.table->areas[area], timeGetTime()); break;
    case DISFFC_SETACTUATORSON: game.actuatorsOff = 0; break;
    case DISFFC_SETACTUATORSOFF: game.actuatorsOff = 1; break;
    default: break;
    }
}

}  // namespace

HRESULT BindDevice(ProcessState& process, DWORD joystick, DWORD area,
                   std::int32_t* firstBindPending, DWORD* objectArea) {
    MutexLock lock(process.tableMutex);
    if (area >= kAreaCount || joystick >= kJoystickIdCount || process.table == nullptr) {
        return E_FAIL;
    }
    return BindInRange(process, static_cast<int>(joystick), area, firstBindPending, objectArea);
}

HRESULT GetDriverVersions(DIDRIVERVERSIONS* versions) {
    if (versions == nullptr || versions->dwSize < sizeof(DIDRIVERVERSIONS)) return E_INVALIDARG;
    versions->dwSize = sizeof(DIDRIVERVERSIONS);
    versions->dwFirmwareRevision = 3;
    versions->dwHardwareRevision = 5;
    versions->dwFFDriverVersion = 0xF1F;
    return S_OK;
}

HRESULT SetGain(ProcessState& process, DWORD area, DWORD gain) {
    MutexLock lock(process.tableMutex);
    if (area < kAreaCount) KeepDeviceGain(process.gameTuning[area], gain);
    return S_OK;
}

HRESULT SendForceFeedbackCommand(ProcessState& process, DWORD area, DWORD command) {
    MutexLock lock(process.tableMutex);
    NoteGamePause(process, area, command);
    DeviceStateFlags& state = process.deviceState;
    switch (command) {
    case DISFFC_RESET: {
        const HRESULT result = ResetArea(process, area);
        if (FAILED(result)) return result;
        SendNeutralOutput(process, area);
        state.paused = 0;
        state.stopped = 0;
        return S_OK;
    }
    case DISFFC_STOPALL: {
        const HRESULT result = StopAllSlots(process, area);
        if (SUCCEEDED(result)) state.stopped = 1;
        return result;
    }
    case DISFFC_PAUSE: state.paused = 1; return S_OK;
    case DISFFC_CONTINUE:
        state.paused = 0;
        state.stopped = 0;
        return S_OK;
    case DISFFC_SETACTUATORSON: state.actuatorsOff = 0; return S_OK;
    case DISFFC_SETACTUATORSOFF: state.actuatorsOff = 1; return S_OK;
    default: return E_NOTIMPL;
    }
}

HRESULT GetForceFeedbackState(ProcessState& process, DWORD area, DIDEVICESTATE* state) {
    MutexLock lock(process.tableMutex);
    if (state == nullptr || state->dwSize < sizeof(DIDEVICESTATE)) return E_INVALIDARG;
    std::uint16_t total = 0, used = 0;
    const HRESULT result = CountSlots(process, area, &total, &used);
    if (FAILED(result)) return result;
    const DeviceStateFlags& flags = process.deviceState;
    state->dwSize = sizeof(DIDEVICESTATE);
    state->dwState = (used == 0 ? DIGFFS_EMPTY : 0) |
                     (flags.actuatorsOff == 1 ? DIGFFS_ACTUATORSOFF : DIGFFS_ACTUATORSON) |
                     (flags.paused == 1 ? DIGFFS_PAUSED : 0) |
                     (flags.stopped == 1 ? DIGFFS_STOPPED : 0);
    state->dwLoad = static_cast<DWORD>(MulDiv(100, used, kSlotCount));
    return S_OK;
}

HRESULT StartEffect(ProcessState& process, DWORD area, DWORD handle, DWORD mode, DWORD count) {
    MutexLock lock(process.tableMutex);
    return StartSlot(process, area, handle, mode, count);
}

HRESULT StopEffect(ProcessState& process, DWORD area, DWORD handle) {
    MutexLock lock(process.tableMutex);
    bool idle = false;
    const HRESULT result = StopSlot(process, area, handle, &idle);
    RestIfIdle(process, area, idle);
    return result;
}

HRESULT DestroyEffect(ProcessState& process, DWORD area, DWORD handle) {
    MutexLock lock(process.tableMutex);
    // A handle that is not allocated is refused before anything is stopped or sent.
    if (!IsSlotAllocated(process, area, handle)) return IsValidArea(area) ? E_HANDLE : E_INVALIDARG;
    bool idle = false;
    StopSlot(process, area, handle, &idle);
    RestIfIdle(process, area, idle);
    return FreeSlot(process, area, handle);
}

HRESULT GetEffectStatus(const ProcessState& process, DWORD area, DWORD handle, DWORD* status) {
    return GetSlotStatus(process, area, handle, status);
}

void SendNeutralOutput(ProcessState& process, DWORD area) {
    if (area >= kAreaCount) return;
    const DeviceLink& link = process.deviceLinks[area];
    // A failed rebind keeps the report length but not the device: nothing to send through.
    if (link.deviceHandle == nullptr || link.preparsedData == nullptr) return;
    SendOutputBuffer(process, link.deviceHandle, link.outputReportLength, link.preparsedData,
                     link.outputUsagePage, link.outputUsage, NeutralOutputValue(process, area));
}

}  // namespace quorforce
