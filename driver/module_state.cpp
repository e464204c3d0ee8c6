// The module's process-wide state and its lock count.
#include "driver/module_state.h"

#include "engine/motion.h"
#include "hid/device_link.h"
#include "hid/report_io.h"

namespace quorforce {

ModuleState& Module() {
    static ModuleState module;
    return module;
}

LONG LockModule() { return InterlockedIncrement(&Module().lockCount); }
LONG UnlockModule() { return InterlockedDecrement(&Module().lockCount); }

void ResetModuleState() {
    ModuleState& module = Module();
    module.process = ProcessState{};
    module.engine = EngineThreads{};
    module.settings = EngineSettings{16, 0};
    module.lockCount = 0;
    module.driverObjects = 0;
    for (DeviceLink& link : deviceLinks) link = DeviceLink{};
    writeOverlapped = OVERLAPPED{};
    readOverlapped = OVERLAPPED{};
    motionState = MotionState{};
}

}  // namespace quorforce
