// The driver on a virtual wheel, loaded the way Windows and DirectInput load it: the
// wheel plugged with its DirectInput joystick entries, the module attached, the class
// factory, a driver object and its DeviceID. In virtual time the engine makes no threads
// and the owner runs the passes itself, one polling step at a time. Host build only.
#pragma once

#include <memory>
#include <vector>

#include "platform/host/virtual_hid.h"
#include "platform/win32.h"

namespace quorforce::harness {

class VirtualRig {
public:
    VirtualRig() = default;
    ~VirtualRig() { TearDown(); }
    VirtualRig(const VirtualRig&) = delete;
    VirtualRig& operator=(const VirtualRig&) = delete;

    // An empty system: no devices, registry, clock or module state left from before.
    static void ResetHost();

    // Plugs a wheel and gives it joystick id `joystick` through DirectInput's entries; a
    // second device of the same model takes the next calibration index.
    void PlugWheel(const host::VirtualHidConfig& config, DWORD joystick, const GUID& instance,
                   int calibrationIndex = 0);

    // DLL_PROCESS_ATTACH; in virtual time the clock starts at `startClock` and stands.
    bool Attach(bool virtualTime, DWORD startClock);
    // DLL_PROCESS_DETACH, the held threads let go first.
    void Detach();

    // DllGetClassObject, then CreateInstance of a driver object.
    HRESULT GetFactory();
    HRESULT CreateDriverObject();
    HRESULT DeviceID(DWORD joystick, DWORD internalId);

    // One polling step in virtual time: a poll pass and a force pass, then the clock moves on.
    void Step(BYTE* pollBuffer);
    // A force pass at the clock's time, then the clock moves one polling step on.
    void ForceStep();

    // Releases the objects, detaches and empties the system.
    void TearDown();

    std::shared_ptr<host::VirtualHid> wheel;  // the first one plugged
    std::vector<std::shared_ptr<host::VirtualHid>> wheels;
    IClassFactory* factory = nullptr;
    IDirectInputEffectDriver* driver = nullptr;
    bool attached = false;
};

}  // namespace quorforce::harness
