// A test-only stand-in for DirectInput 8 (dinput8.dll) for one kind of device: a HID game
// controller whose force feedback a registered effect driver provides. Wine's own
// DirectInput never loads a registered effect driver; this one does what DirectInput does
// between an application and such a driver:
//   - creation by DirectInput8Create or by COM (CLSID_DirectInput8, then Initialize), with
//     the ANSI and the wide interfaces of the object and of its devices;
//   - it lists the present HID devices that have an OEMForceFeedback registration under the
//     joystick OEM key of their vendor and product id, as force-feedback game controllers;
//   - the device's objects come from its HID report descriptor (QUORFORCE_STAND_IN_AXES=1|2|3
//     overrides the axes: X; X, Y; X, Y, Rz); an axis is a force-feedback actuator only where
//     the registration says so, as DirectInput reads it: Axes\<n> under the device's OEM key,
//     "Attributes" with DIDOI_FFACTUATOR and "FFAttributes" with a maximum force above 0;
//   - capabilities, effect types and their parameters come from the registration;
//   - the registered driver is created with CoCreateInstance (the class id of that entry) with
//     the device, bound with DeviceID (fBegin true) at each exclusive acquisition and let go
//     (fBegin false) at each unacquisition, the device's "Joystick Id" as the external id, 0
//     inside;
//   - an effect keeps its parameters as the application gave them (a new one has gain 0 and
//     no trigger; parameters its registration does not list are ignored, apart from the
//     sample period and trigger repeat interval, which every effect keeps) and reads them back
//     as DirectInput does;
//   - an effect reaches the driver only complete (axes and type-specific record) and while
//     the device is acquired exclusively, as DownloadEffect with the object ids of its axes
//     and its direction as given where the registration lists the application's coordinates
//     for it, else converted to the first it lists (polar before cartesian);
//   - the device's input changes signal the application's event (SetEventNotification) and
//     are kept for GetDeviceData when the application has asked for a buffer.
// Every call it receives (app ...) and every driver call it makes (driver ...) is appended as
// one line to the file QUORFORCE_STAND_IN_LOG names:
//   app <Method> [details] -> 0xHHHHHHHH
//   driver DeviceID version=0x800 external=J begin=1 internal=0 -> 0xHHHHHHHH
//   driver SendForceFeedbackCommand command=0xC -> 0xHHHHHHHH
//   driver SetGain gain=G -> 0xHHHHHHHH
//   driver DownloadEffect id=N handle=H flags=0xF size=S cAxes=A duration=D gain=G
//          samplePeriod=P coords=0xC axes=I1,I2 direction=D1,D2 startDelay=T envelope=...
//          typeSpecific=BYTES:V1,V2,... -> 0xHHHHHHHH handle=H   (one line)
//   driver StartEffect handle=H mode=M iterations=I -> 0xHHHHHHHH
//   driver StopEffect handle=H -> ..., driver DestroyEffect handle=H -> ...,
//   driver GetEffectStatus handle=H -> 0xHHHHHHHH status=S
//   driver GetForceFeedbackState -> 0xHHHHHHHH state=0xS load=L
// Test code only: never shipped.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

namespace stand_in {

// One line of the record, printf-style.
void Record(const char* format, ...);

// An object of the device as DirectInput presents it.
struct DeviceObject {
    GUID guid = {};
    DWORD type = 0;         // DIDFT_ABSAXIS or DIDFT_PSHBUTTON with the instance
    DWORD flags = 0;        // DIDOI_ bits, from the registration
    DWORD jointOffset = 0;  // its offset in c_dfDIJoystick
    WORD usagePage = 0;
    WORD usage = 0;
    LONG logicalMin = 0;
    LONG logicalMax = 0;
    DWORD ffMaxForce = 0;
    DWORD ffResolution = 0;
    std::string name;

    bool IsAxis() const { return (type & DIDFT_AXIS) != 0; }
    bool IsActuator() const { return (flags & DIDOI_FFACTUATOR) != 0; }
    DWORD Instance() const { return DIDFT_GETINSTANCE(type); }
};

// An effect type of the registration.
struct EffectType {
    GUID guid = {};
    std::string name;
    DIEFFECTATTRIBUTES attributes = {};
};

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
    DIFFDEVICEATTRIBUTES attributes = {};
    std::vector<DeviceObject> objects;  // axes first, then buttons
    std::vector<EffectType> effects;
    BYTE inputReportId = 0;
    DWORD inputReportLength = 0;

    const EffectType* Effect(const GUID& guid) const;
    DWORD AxisCount() const;
    DWORD ButtonCount() const;
};

std::vector<ForceDevice> FindForceDevices();

std::string GuidText(const GUID& guid);

// A DIDEVICEINSTANCEA or DIDEVICEINSTANCEW of the device, as far as its dwSize reaches.
template <typename Instance>
void FillInstance(const ForceDevice& device, Instance& info);

class StandInDevice;
StandInDevice* CreateStandInDevice(const ForceDevice& device);
IDirectInputDevice8A* AnsiOf(StandInDevice* device);
IDirectInputDevice8W* WideOf(StandInDevice* device);

}  // namespace stand_in
