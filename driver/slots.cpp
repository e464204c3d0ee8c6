// Slot bookkeeping of the device areas in the shared table.
#include "driver/slots.h"

#include "engine/game_fixes.h"
#include "util/relaxed_access.h"

namespace quorforce {
namespace {

std::int32_t CountPlaying(const DeviceArea& area) {
    std::int32_t playing = 0;
    for (std::int32_t flag : area.slotPlaying)
        playing += flag == 1 ? 1 : 0;
    return playing;
}

}  // namespace

bool IsValidArea(DWORD area) { return area < kAreaCount; }
bool IsValidHandle(DWORD handle) { return handle >= 1 && handle <= kSlotCount; }

bool IsSlotAllocated(const ProcessState& process, DWORD area, DWORD handle) {
    return IsValidArea(area) && IsValidHandle(handle) &&
           process.table->areas[area].slotUsed[handle - 1] != 0;
}

HRESULT AllocateSlot(ProcessState& process, DWORD area, DWORD* handle) {
    if (handle == nullptr || !IsValidArea(area)) return E_INVALIDARG;
    *handle = 0;
    DeviceArea& a = process.table->areas[area];
    for (DWORD i = 0; i < kSlotCount; ++i) {
        if (a.slotUsed[i] == 0) {
            a.slotUsed[i] = 1;
            StoreRelaxed(a.slotPlaying[i], 0);
            *handle = i + 1;
            return S_OK;
        }
    }
    return DIERR_DEVICEFULL;
}

HRESULT FreeSlot(ProcessState& process, DWORD area, DWORD handle) {
    if (!IsValidArea(area)) return E_INVALIDARG;
    if (!IsValidHandle(handle)) return E_HANDLE;
    DeviceArea& a = process.table->areas[area];
    if (a.slotUsed[handle - 1] == 0) return E_HANDLE;
    a.slotUsed[handle - 1] = 0;
    StoreRelaxed(a.slotPlaying[handle - 1], 0);
    return S_OK;
}

HRESULT StartSlot(ProcessState& process, DWORD area, DWORD handle, DWORD mode, DWORD /*count*/) {
    if (!IsValidArea(area)) return E_INVALIDARG;
    if (!IsValidHandle(handle)) return E_HANDLE;
    if (!IsSlotAllocated(process, area, handle)) return E_HANDLE;
    DeviceArea& a = process.table->areas[area];
    if (mode & DIES_SOLO) {
        for (std::int32_t& flag : a.slotPlaying)
            StoreRelaxed(flag, 0);
    }
    std::int32_t playing = CountPlaying(a);
    if (a.slotPlaying[handle - 1] == 0) ++playing;
    StoreRelaxed(process.playingCount[area], playing);
    // The engine stamps the start time at its next tick, so the effect always starts
    // from its beginning, start delay included.
    a.slots[handle - 1].startTime = 0;
    StoreRelaxed(a.slotPlaying[handle - 1], 1);
    return S_OK;
}

HRESULT StopSlot(ProcessState& process, DWORD area, DWORD handle, bool* idle) {
    if (idle != nullptr) *idle = false;
    if (!IsValidArea(area)) return E_INVALIDARG;
    if (!IsValidHandle(handle)) return E_HANDLE;
    DeviceArea& a = process.table->areas[area];
    std::int32_t playing = CountPlaying(a);
    if (a.slotPlaying[handle - 1] == 1) --playing;
    a.slots[handle - 1].startTime = 0;
    StoreRelaxed(a.slotPlaying[handle - 1], 0);
    bool nothingPlays = playing <= 0;
    StoreRelaxed(process.playingCount[area], nothingPlays ? 0 : playing);
    if (idle != nullptr) *idle = nothingPlays;
    return S_OK;
}

HRESULT GetSlotStatus(const ProcessState& process, DWORD area, DWORD handle, DWORD* status) {
    if (status == nullptr || !IsValidArea(area)) return E_INVALIDARG;
    *status = 0;
    if (!IsValidHandle(handle)) return E_HANDLE;
    // Without the TableMutex: a status query never waits behind the engine.
    const std::int32_t playing = LoadRelaxed(process.table->areas[area].slotPlaying[handle - 1]);
    *status = playing != 0 ? DIEGES_PLAYING : 0;
    return S_OK;
}

HRESULT ResetArea(ProcessState& process, DWORD area) {
    if (!IsValidArea(area)) return E_INVALIDARG;
    DeviceArea& a = process.table->areas[area];
    for (DWORD i = 0; i < kSlotCount; ++i) {
        a.slotUsed[i] = 0;
        StoreRelaxed(a.slotPlaying[i], 0);
    }
    return S_OK;
}

HRESULT StopAllSlots(ProcessState& process, DWORD area) {
    if (!IsValidArea(area)) return E_INVALIDARG;
    for (std::int32_t& flag : process.table->areas[area].slotPlaying)
        StoreRelaxed(flag, 0);
    return S_OK;
}

HRESULT CountSlots(const ProcessState& process, DWORD area, std::uint16_t* total,
                   std::uint16_t* used) {
    if (total == nullptr || used == nullptr || !IsValidArea(area)) return E_INVALIDARG;
    std::uint16_t n = 0;
    for (std::int32_t flag : process.table->areas[area].slotUsed)
        n += flag != 0 ? 1 : 0;
    *total = kSlotCount;
    *used = n;
    return S_OK;
}

std::uint32_t NeutralOutputValue(const ProcessState& process, DWORD area) {
    if (!IsValidArea(area)) return 0;
    std::int32_t joystick = process.placeOfArea[area];
    if (joystick < 0 || joystick >= static_cast<std::int32_t>(kJoystickCount)) return 0;
    return NeutralValueOf(process.table->settings[joystick]);
}

}  // namespace quorforce
