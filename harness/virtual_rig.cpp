// The virtual rig's load, bind and passes.
#include "harness/virtual_rig.h"

#include "driver/guids.h"
#include "driver/module_entry.h"
#include "driver/module_state.h"
#include "engine/engine_threads.h"

namespace quorforce::harness {

void VirtualRig::ResetHost() {
    host::ResetStandIn();
    Module() = ModuleState{};
}

void VirtualRig::PlugWheel(const host::VirtualHidConfig& config, DWORD joystick,
                           const GUID& instance, int calibrationIndex) {
    wheels.push_back(host::PlugVirtualHid(config));
    if (wheel == nullptr) wheel = wheels.back();
    host::SetDeviceParametersEntry(config.path, instance, joystick);
    host::SetCalibrationEntry(config.vendorId, config.productId, calibrationIndex, instance,
                              joystick);
}

bool VirtualRig::Attach(bool virtualTime, DWORD startClock) {
    if (virtualTime) {
        host::UseManualClock(startClock);
        Module().engine.beginOnUse = false;  // the rig runs the passes itself
    }
    attached = DllMain(nullptr, DLL_PROCESS_ATTACH, nullptr) == TRUE;
    return attached;
}

void VirtualRig::Detach() {
    DllMain(nullptr, DLL_PROCESS_DETACH, nullptr);
    attached = false;
    // The threads have left the driver's code; their last return into the system may still
    // be under way. The next run starts from a system without them (bounded: 1 s).
    for (int i = 0; i < 1000 && host::RunningThreadCount() != 0; ++i)
        Sleep(1);
}

HRESULT VirtualRig::GetFactory() {
    return DllGetClassObject(kEffectDriverClassId, kClassFactoryInterfaceId,
                             reinterpret_cast<void**>(&factory));
}

HRESULT VirtualRig::CreateDriverObject() {
    if (factory == nullptr) return E_POINTER;
    return factory->CreateInstance(nullptr, kEffectDriverInterfaceId,
                                   reinterpret_cast<void**>(&driver));
}

HRESULT VirtualRig::DeviceID(DWORD joystick, DWORD internalId) {
    if (driver == nullptr) return E_POINTER;
    return driver->DeviceID(0x0800, joystick, TRUE, internalId, nullptr);
}

void VirtualRig::Step(BYTE* pollBuffer) {
    PollPass(Module().process, pollBuffer, GetTickCount());
    ForceStep();
}

void VirtualRig::ForceStep() {
    ForcePass(Module().process, timeGetTime());
    host::AdvanceClock(Module().engine.pollingStep);
}

void VirtualRig::TearDown() {
    if (driver != nullptr) driver->Release();
    if (factory != nullptr) factory->Release();
    driver = nullptr;
    factory = nullptr;
    if (attached) Detach();
    wheel.reset();
    wheels.clear();
    ResetHost();
}

}  // namespace quorforce::harness
