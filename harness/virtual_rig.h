// The driver on a virtual wheel, loaded the way Windows and DirectInput load it: the
// wheel plugged with its DirectInput joystick entries, the module attached, the class
// factory, a driver object and its DeviceID. In virtual time the engine makes no threads
// and the owner runs the passes itself, one polling step at a time. Besides, what a tool
// that watches the driver from outside may read of the module (quorsim reads the module
// only through here). Host build only; the owner's thread calls it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/host/virtual_hid.h"
#include "platform/win32.h"

namespace quorforce::harness {

class VirtualRig {
public:
    VirtualRig();
    ~VirtualRig() { TearDown(); }
    VirtualRig(const VirtualRig&) = delete;
    VirtualRig& operator=(const VirtualRig&) = delete;

    // An empty system: no devices, registry, clock or module state left from before.
    static void ResetHost();

    // A tuning value of the driver's settings catalogue, written under the current user in
    // the key the catalogue keeps it in: the product key, or the device or joystick key of
    // the wheel (vendorId, productId) at joystick id `joystick`. False, and nothing written,
    // for a name the catalogue does not know or a joystick id outside 0..7.
    static bool WriteSetting(const char* name, DWORD value, WORD vendorId, WORD productId,
                             int joystick);
    // The names of the game switches too (Record, Invert_Force, ...): those go to the device
    // key of joystick id `joystick`'s place.
    static bool WriteSwitch(const char* name, DWORD value, WORD vendorId, WORD productId,
                            int place);
    // A switch of the simulated game's profile (the host process's executable, "game.exe" by
    // default), written under the current user below the device key of the wheel (vendorId,
    // productId), where DeviceID finds it. `refusal` says why a switch is refused: a name the
    // catalogue does not know or a value outside its range; nothing is written then.
    static bool WriteGameSwitch(const char* name, DWORD value, WORD vendorId, WORD productId,
                                std::string* refusal);
    // The same check alone, writing nothing.
    static bool CheckGameSwitch(const char* name, DWORD value, std::string* refusal);
    // The profile's name of the simulated game.
    static std::string SimulatedGame();

    // The driver's effects key, under which a control panel keeps effect images by default.
    static const char* EffectsKey();

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
    // One more driver object of the factory, the caller's to release (DirectInput makes one
    // per device).
    HRESULT NewDriverObject(IDirectInputEffectDriver** object);
    HRESULT DeviceID(DWORD joystick, DWORD area);

    // One polling step in virtual time: a poll pass and a force pass, then the clock moves on.
    void Step(BYTE* pollBuffer);
    void Step() { Step(pollBuffer_.data()); }
    // A force pass at the clock's time, then the clock moves one polling step on. In virtual
    // time a low-latency call runs its extra pass itself, at the call's clock; one that the
    // once-a-millisecond limit held back runs here, a millisecond after this pass.
    void ForceStep();

    // Releases the objects, detaches and empties the system.
    void TearDown();

    // What the loaded module made of its settings and bindings. An area or joystick id
    // outside 0..7, or a module without its table, reads as nothing bound.
    DWORD PollingStep() const;  // the engine's polling step in ms
    // How the area's link packs its two channel bytes (0 before any bind).
    std::uint8_t ReportFormat(DWORD area) const;
    // Whether joystick id `joystick`'s settings make it a force-feedback device, not a
    // vibration one.
    bool ForceFeedback(int joystick) const;
    // The velocity the conditions of `area` take from its reads, in axis units per ms × 32:
    // the difference of two reads or the tracker's, as joystick id `joystick`'s
    // Motion_Estimate selects.
    double ConditionVelocity(DWORD area, int joystick) const;

    // An input report for wheel `wheel` (in plugging order) with its X axis at `x`, laid
    // out as the bound area's link reads it, queued on the wheel.
    enum class InputResult { Queued, NotBound, NoXAxis };
    InputResult QueueSteering(DWORD area, std::size_t wheel, std::int32_t x);

    std::shared_ptr<host::VirtualHid> wheel;  // the first one plugged
    std::vector<std::shared_ptr<host::VirtualHid>> wheels;
    IClassFactory* factory = nullptr;
    IDirectInputEffectDriver* driver = nullptr;
    bool attached = false;

private:
    std::vector<BYTE> pollBuffer_;  // the passes' scratch for input reports
};

}  // namespace quorforce::harness
