// What tells Windows and DirectInput that this DLL drives a wheel: the COM class (its
// InprocServer32 path and threading model) and, for each wheel model, its force-feedback
// entry under the joystick OEM key (the device's and every computed effect type's
// attributes), its X axis as the actuator, and, for a vendor the binding does not know, its
// name in the accepted devices. DllRegisterServer writes the class and the built-in wheel's
// entry; DllInstall writes another wheel's; never at load.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/win32.h"

namespace quorforce {

// One effect type DirectInput may create on the wheel, and what the driver honours of it.
struct RegisteredEffect {
    const char* guid;  // the effect type's GUID, in registry text form
    const char* name;
    DIEFFECTATTRIBUTES attributes;
};

extern const RegisteredEffect kRegisteredEffects[];
extern const std::size_t kRegisteredEffectCount;
extern const DIFFDEVICEATTRIBUTES kDeviceAttributes;
// The X axis (generic desktop usage 0x30), the one the driver pushes.
extern const DIOBJECTATTRIBUTES kActuatorAxisAttributes;
extern const DIFFOBJECTATTRIBUTES kActuatorAxisForce;

constexpr std::uint16_t kBuiltInVendorId = 0x5A1C;
constexpr std::uint16_t kBuiltInProductId = 0xE410;

// "System\...\Joystick\OEM\VID_XXXX&PID_XXXX", the wheel model's OEM key.
std::string OemKeyOf(std::uint16_t vendorId, std::uint16_t productId);
// Below the OEM key: the force-feedback entry and the first axis's object key.
constexpr const char* kForceFeedbackSubkey = "\\OEMForceFeedback";
constexpr const char* kActuatorAxisSubkey = "\\Axes\\0";

// The class under Software\Classes\CLSID of the local machine (the registry view of the
// DLL's own size) and the built-in wheel's entry. S_OK, or SELFREG_E_CLASS (0x80040201) when
// a key or value cannot be written.
HRESULT RegisterServer(const char* modulePath);
// Removes the class of this view; the built-in wheel's entry, which both sizes share, goes
// with the last view that has the class. S_OK also when nothing was there.
HRESULT UnregisterServer();

// One wheel model's entry, as above. A per-user force-feedback entry of the same model that
// names another driver's class is removed: DirectInput reads the user's copy too, and a stale
// one would keep loading that driver.
HRESULT RegisterDevice(std::uint16_t vendorId, std::uint16_t productId);
// Removes what RegisterDevice wrote and nothing else.
HRESULT UnregisterDevice(std::uint16_t vendorId, std::uint16_t productId);

}  // namespace quorforce
