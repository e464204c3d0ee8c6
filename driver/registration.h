// What tells Windows and DirectInput that this DLL drives a wheel: the COM class (its
// InprocServer32 path and threading model) and, for each wheel model, its force-feedback
// entry under the joystick OEM key (the device's and every computed effect type's
// attributes), its X axis as the actuator, and, for a vendor the binding does not know, its
// name in the accepted devices; and, when asked for, the wheel's page in Game Controllers.
// DllRegisterServer writes the class and the built-in wheel's entry; DllInstall writes
// another wheel's, or the page; never at load. Another driver's entry for the same wheel is
// set aside while ours is there and put back when ours goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "config/accepted_devices.h"
#include "config/registry_layout.h"
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

// "System\...\Joystick\OEM\VID_XXXX&PID_XXXX", the wheel model's OEM key.
std::string OemKeyOf(std::uint16_t vendorId, std::uint16_t productId);
// Below it the keys of config/registry_layout.h: kForceFeedbackSubkey, kActuatorAxisSubkey.

// The class under Software\Classes\CLSID of the local machine (the registry view of the
// DLL's own size) and the built-in wheel's entry. S_OK, or SELFREG_E_CLASS (0x80040201) when
// a key or value cannot be written.
HRESULT RegisterServer(const char* modulePath);
// Removes the class of this view; the built-in wheel's entry, which both sizes share, goes
// with the last view that has the class. S_OK also when nothing was there.
HRESULT UnregisterServer();

// One wheel model's entry, as above. Where the wheel's entry names another driver's class,
// that entry is set aside first (and put back by UnregisterDevice); when it cannot be,
// nothing is written and the result is SELFREG_E_CLASS. A per-user force-feedback entry of the same
// model that names another driver's class is removed: DirectInput reads the user's copy too, and a
// stale one would keep loading that driver.
HRESULT RegisterDevice(std::uint16_t vendorId, std::uint16_t productId);
// Removes what RegisterDevice wrote, unless the entry names another driver by now, and puts
// back the entry RegisterDevice set aside.
HRESULT UnregisterDevice(std::uint16_t vendorId, std::uint16_t productId);

// The wheel's ConfigCLSID naming quorpage.dll beside `modulePath`, and that page's class.
// A ConfigCLSID takes the applet's own Test and Settings pages away from the wheel, so it is
// written only on request, and only when quorpage.dll is there (else 0x80070002, nothing
// written).
HRESULT RegisterPage(const char* modulePath, std::uint16_t vendorId, std::uint16_t productId);
// The wheel's ConfigCLSID when it names our page; another maker's stays.
HRESULT UnregisterPage(std::uint16_t vendorId, std::uint16_t productId);

// What regsvr32 /i:"..." asks of DllInstall: a wheel model ("VID_046D&PID_C294"), "page"
// (the wheel's page; the built-in wheel's without a model), or both, separated by spaces.
struct InstallCommand {
    bool hasDevice = false;
    AcceptedDevice device;
    bool page = false;
};
// false for an empty command, an unknown or repeated word, or a vendor without a product.
bool ParseInstallCommand(const char* text, InstallCommand* command);
// DllInstall's work: registers (or, with `install` false, unregisters) what the command
// names. E_INVALIDARG for a command that does not parse.
HRESULT RunInstallCommand(bool install, const char* commandLine, const char* modulePath);

}  // namespace quorforce
