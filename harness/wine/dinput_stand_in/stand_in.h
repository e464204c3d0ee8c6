// A test-only stand-in for DirectInput 8 (dinput8.dll), for the one client the tests run
// through it: quortest.exe. Wine's own DirectInput never loads a registered effect driver;
// this one does what DirectInput does for a HID game controller whose force feedback a
// registered effect driver provides, and no more:
//   - it lists the present HID devices that have an OEMForceFeedback registration under the
//     joystick OEM key of their vendor and product id, as force-feedback game controllers;
//   - it creates the registered driver with CoCreateInstance (the class id of that entry)
//     and binds it with DeviceID, the device's "Joystick Id" as the external id, 0 inside;
//   - it reports X and Y as axes (QUORFORCE_STAND_IN_AXES=1|2|3: X; X, Y; X, Y, Rz), each a
//     force-feedback actuator only where the registration says so, as DirectInput reads it:
//     Axes\<n> under the device's OEM key, "Attributes" with DIDOI_FFACTUATOR and
//     "FFAttributes" with a maximum force above 0; an effect on any other axis is refused;
//   - an effect takes the driver effect id of Effects\{GUID}\Attributes; its parameters,
//     Start, Stop, Unload and GetEffectStatus become DownloadEffect (with DIEP_START for an
//     effect not yet downloaded), StartEffect, StopEffect, DestroyEffect, GetEffectStatus.
// Every call it receives (app ...) and every driver call it makes (driver ...) is appended as
// one line to the file QUORFORCE_STAND_IN_LOG names:
//   app <Method> [details] -> 0xHHHHHHHH
//   driver DeviceID version=0x800 external=J begin=1 internal=0 -> 0xHHHHHHHH
//   driver SendForceFeedbackCommand command=0xC -> 0xHHHHHHHH
//   driver DownloadEffect id=N handle=H flags=0xF size=S cAxes=A duration=D gain=G
//          direction=D1,D2 typeSpecific=BYTES:V1,V2,... -> 0xHHHHHHHH handle=H   (one line)
//   driver StartEffect handle=H mode=M iterations=I -> 0xHHHHHHHH
//   driver StopEffect handle=H -> ..., driver DestroyEffect handle=H -> ...,
//   driver GetEffectStatus handle=H -> 0xHHHHHHHH status=S
// Test code only: never shipped.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

namespace stand_in {

// One line of the record, printf-style.
void Record(const char* format, ...);

// A HID game controller with a force-feedback registration.
struct ForceDevice {
    std::string path;
    std::string product;
    WORD vendor = 0;
    WORD product_id = 0;
    GUID instance = {};
    CLSID driverClass = {};
    DWORD joystickId = 0;
    std::string registrationKey;  // its OEMForceFeedback key under the local machine
    DWORD actuators = 0;          // bit n: axis n is an actuator by its registration
};

std::vector<ForceDevice> FindForceDevices();

// The axes the device reports: 1, 2 (default) or 3.
DWORD AxisCount();

IDirectInputDevice8A* CreateStandInDevice(const ForceDevice& device);

}  // namespace stand_in
