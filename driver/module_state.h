// What the loaded module keeps for its process: the shared table's companions, the engine
// threads, the engine settings, the module lock count and the number of live driver
// objects. One instance per process, created zero at load; a host that loads and unloads
// the module's code without unmapping it (tests, quorsim) starts afresh with
// `Module() = ModuleState{}`.
#pragma once

#include "config/settings_store.h"
#include "engine/engine_threads.h"
#include "platform/win32.h"
#include "state/process_state.h"

namespace quorforce {

struct ModuleState {
    ProcessState process;
    EngineThreads engine;
    EngineSettings settings;
    volatile LONG lockCount = 0;      // DllCanUnloadNow answers S_FALSE while not 0
    volatile LONG driverObjects = 0;  // the device link's events go with the last one
    HMODULE instance = nullptr;       // the DLL itself, for its registration's path
    // How long the unload waits for the engine threads: long enough for a pass stretched by
    // a stalled device (100 ms per device), bounded so that a stuck thread cannot hang it.
    DWORD engineStopWaitMs = 5000;
};

ModuleState& Module();

LONG LockModule();
LONG UnlockModule();

}  // namespace quorforce
