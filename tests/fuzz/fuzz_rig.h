// The virtual rig the fuzz targets share: built once per process (attach, factory, driver
// object, DeviceID on the built-in wheel), in virtual time with the engine threads held,
// so that each input only resets what it touched.
#pragma once

#include <cstring>

#include "config/registry_layout.h"
#include "driver/module_state.h"
#include "engine/engine_threads.h"
#include "harness/virtual_rig.h"
#include "platform/host/registry.h"
#include "platform/host/virtual_hid.h"

namespace quorforce::fuzz {

inline const GUID kWheelInstance = {0xB0000001, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}};

// The rig with the built-in wheel as joystick 0, a one-channel force device, area 0 bound.
// With `everyArea`, the wheel is bound to all eight areas, so that every area mixes.
inline harness::VirtualRig& SharedRig(bool everyArea = false) {
    static harness::VirtualRig* rig = [everyArea] {
        auto* r = new harness::VirtualRig();  // lives to the process's end
        harness::VirtualRig::ResetHost();
        r->PlugWheel(host::BuiltInWheel(), 0, kWheelInstance);
        const std::string deviceKey = kProductKey;
        host::SetRegistryDword(HKEY_LOCAL_MACHINE, deviceKey, "Shock_or_Force_Feedback", 1);
        host::SetRegistryDword(HKEY_LOCAL_MACHINE, deviceKey, "Motor_Parameters", 1);
        if (!r->Attach(true, 1000) || r->GetFactory() != S_OK || r->CreateDriverObject() != S_OK)
            __builtin_trap();
        for (DWORD area = everyArea ? kAreaCount : 1; area-- > 0;) {
            if (r->DeviceID(0, area) != S_OK) __builtin_trap();
        }
        return r;
    }();
    return *rig;
}

// Every area empty and stopped, the counts and flags back at their start, no reports kept.
inline void ClearAreas() {
    ProcessState& process = Module().process;
    std::memset(process.table->areas, 0, sizeof process.table->areas);
    std::memset(process.playingCount, 0, sizeof process.playingCount);
    process.deviceState = DeviceStateFlags{};
    for (auto& wheel : SharedRig().wheels)
        wheel->ClearReports();
}

}  // namespace quorforce::fuzz
