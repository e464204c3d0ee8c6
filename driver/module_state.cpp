// The module's process-wide state and its lock count.
#include "driver/module_state.h"

namespace quorforce {

ModuleState& Module() {
    static ModuleState module;
    return module;
}

LONG LockModule() { return InterlockedIncrement(&Module().lockCount); }
LONG UnlockModule() { return InterlockedDecrement(&Module().lockCount); }

}  // namespace quorforce
