// What tells Windows and DirectInput that this DLL drives the wheel: the COM class (its
// InprocServer32 path and threading model) and the built-in wheel's force-feedback entry
// under the joystick OEM key, with the device's and every computed effect type's attributes.
// Written by DllRegisterServer, removed by DllUnregisterServer; never at load.
#pragma once

#include <cstddef>

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

// "...\Joystick\OEM\VID_5A1C&PID_E410\OEMForceFeedback" under the local machine.
extern const char* const kForceFeedbackKey;
// The class is written under the local machine's Software\Classes\CLSID, the machine-wide
// source of HKEY_CLASSES_ROOT.

// Writes every entry; S_OK, or SELFREG_E_CLASS (0x80040201) when a key or value cannot be written.
HRESULT RegisterServer(const char* modulePath);
// Removes what RegisterServer wrote and nothing else; S_OK also when nothing was there.
HRESULT UnregisterServer();

}  // namespace quorforce
