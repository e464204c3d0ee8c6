// Module load and unload, and the COM exports.
#include "driver/module_entry.h"

#include "config/accepted_devices.h"
#include "config/settings_store.h"
#include "driver/class_factory.h"
#include "driver/game_profile.h"
#include "driver/guids.h"
#include "driver/module_state.h"
#include "driver/place_claims.h"
#include "driver/registration.h"
#include "driver/shared_objects.h"
#include "hid/device_discovery.h"
#include "hid/held_reports.h"
#include "hid/report_io.h"
#include "record/recorder.h"
#include "util/trace.h"

namespace quorforce {
namespace {

// Bounded too, for a caller that asks for the class while it holds the loader lock itself.
constexpr DWORD kEngineBeginWaitMs = 2000;
// A session still recorded at the unload (a driver object left unreleased): its writer is
// given this long, under the loader lock, to close the file.
constexpr DWORD kRecordingStopWaitMs = 500;

void SaveStrengthsOfBoundLinks(ModuleState& module) {
    for (DWORD area = 0; area < kAreaCount; ++area) {
        if (module.process.deviceLinks[area].inUse != 1) continue;
        const std::int32_t place = module.process.placeOfArea[area];
        if (place < 0 || place >= static_cast<std::int32_t>(kJoystickCount)) continue;
        const std::uint32_t p = static_cast<std::uint32_t>(place);
        SaveStrengths(*module.process.table, place, JoystickOfPlace(module.process, p));
    }
}

void CloseDeviceLinks(ModuleState& module) {
    for (DWORD area = 0; area < kAreaCount; ++area) {
        DeviceLink& link = module.process.deviceLinks[area];
        if (link.inUse != 1) continue;
        CloseHandle(link.deviceHandle);
        if (link.preparsedData != nullptr) ZXFreePreparsedData(link.preparsedData);
        link.deviceHandle = nullptr;
        link.preparsedData = nullptr;
        link.inUse = 0;
    }
}

}  // namespace

bool AttachModule(HINSTANCE instance) {
    ModuleState& module = Module();
    module.instance = instance;
    ZXLoadCancelIo(module.process);
    DisableThreadLibraryCalls(instance);
    if (!OpenSharedObjects(module.process)) {
        ZXReleaseCancelIo(module.process);
        return false;
    }
    module.settings = LoadEngineSettings();
    EnableTrace(module.settings.trace != 0);
    module.engine.process = &module.process;
    module.engine.pollingStep = module.settings.pollingStep;
    StartEngine(module.engine, module.settings.priorityCode);
    return true;
}

void DetachModule(bool processExiting) {
    ModuleState& module = Module();
    // The threads end before anything they use goes: device handles, the cancel entry,
    // the output buffer, the table.
    RequestEngineStop(module.engine);
    ReleaseGame(module.process);
    const bool ended = AwaitEngineStop(module.engine, processExiting ? 0 : module.engineStopWaitMs);
    if (module.process.table != nullptr) SaveStrengthsOfBoundLinks(module);
    StopRecording(processExiting ? 0 : kRecordingStopWaitMs);
    if (!ended && !processExiting) {
        // A thread still runs, blocked on a mutex that a hung or debugged process holds:
        // freeing what it uses would have it write into freed memory or a reused handle
        // once it wakes. Left behind: the device handles and their data, the output
        // buffer, the table's view and mutexes, the threads' events.
        QF_TRACE("ERROR    ", 1,
                 "unload: an engine thread did not end within %u ms; its device handles, "
                 "buffer, table and mutexes are left behind\n",
                 static_cast<unsigned>(module.engineStopWaitMs));
        return;
    }
    QF_TRACE("INFO     ", 1, "unload: engine threads ended, everything closed\n");
    ZXReleaseCancelIo(module.process);
    // A low-latency write still in flight: the system writes its result into the module's
    // memory (at the process's exit nothing runs after the unload).
    if (!processExiting) CloseHeldEvent(module.process.reports);
    CloseDeviceLinks(module);
    ZXReleaseBuffer(module.process);
    CloseSharedObjects(module.process);
}

}  // namespace quorforce

using namespace quorforce;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH: return AttachModule(instance) ? TRUE : FALSE;
    case DLL_PROCESS_DETACH: DetachModule(reserved != nullptr); return TRUE;
    default: return TRUE;
    }
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualGUID(rclsid, kEffectDriverClassId)) return CLASS_E_CLASSNOTAVAILABLE;
    // The first use, on the caller's thread: the engine's threads are made now.
    BeginEngine(Module().engine, kEngineBeginWaitMs);
    return TheClassFactory()->QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow(void) { return Module().lockCount != 0 ? S_FALSE : S_OK; }

// regsvr32's entry points: the class and the wheel's force-feedback registration.
STDAPI DllRegisterServer(void) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(Module().instance, path, sizeof path);
    if (length == 0 || length >= sizeof path) return E_UNEXPECTED;
    return RegisterServer(path);
}

STDAPI DllUnregisterServer(void) { return UnregisterServer(); }

// regsvr32 /i:"VID_046D&PID_C294" (or /u /i:...) registers (or unregisters) the wheel model
// the command line names: its force-feedback entry, its actuator axis and its place in the
// accepted devices; /i:"page" (or "VID_046D&PID_C294 page") the wheel's Game Controllers
// page. Run with /n, it leaves the class alone.
STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
    char text[64] = {};
    for (int i = 0; commandLine != nullptr && commandLine[i] != 0; ++i) {
        if (i >= static_cast<int>(sizeof text) - 1 || commandLine[i] > 0x7F) return E_INVALIDARG;
        text[i] = static_cast<char>(commandLine[i]);
    }
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(Module().instance, path, sizeof path);
    if (length == 0 || length >= sizeof path) return E_UNEXPECTED;
    return RunInstallCommand(install != FALSE, text, path);
}
