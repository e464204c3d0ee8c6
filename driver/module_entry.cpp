// Module load and unload, and the COM exports.
#include "driver/module_entry.h"

#include "config/settings_store.h"
#include "driver/class_factory.h"
#include "driver/guids.h"
#include "driver/module_state.h"
#include "driver/registration.h"
#include "driver/shared_objects.h"
#include "hid/device_discovery.h"
#include "hid/report_io.h"

namespace quorforce {
namespace {

// Long enough for a pass stretched by a stalled device (100 ms per device), bounded so
// that a stuck thread cannot hang the unload.
constexpr DWORD kEngineStopWaitMs = 5000;
// Bounded too, for a caller that asks for the class while it holds the loader lock itself.
constexpr DWORD kEngineBeginWaitMs = 2000;

void CloseDeviceLinks(ModuleState& module) {
    for (DWORD area = 0; area < kAreaCount; ++area) {
        DeviceLink& link = module.process.deviceLinks[area];
        if (link.inUse != 1) continue;
        CloseHandle(link.deviceHandle);
        if (link.preparsedData != nullptr) ZXFreePreparsedData(link.preparsedData);
        link.deviceHandle = nullptr;
        link.preparsedData = nullptr;
        link.inUse = 0;
        SaveForceGains(*module.process.table, module.process.externalIdOfArea[area]);
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
    AwaitEngineStop(module.engine, processExiting ? 0 : kEngineStopWaitMs);
    ZXReleaseCancelIo(module.process);
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
