// Finding the HID interface that DirectInput means by a joystick id, opening it and
// binding it to a DeviceLink. Runs inside DeviceID, with the TableMutex held.
#pragma once

#include <cstdint>

#include "hid/hid_result.h"
#include "platform/win32.h"
#include "state/process_state.h"

namespace quorforce {

constexpr int kDevicePathSize = 1024;

// Binds the first present interface that carries the joystick id and the vendor id (the
// product id ANDed with `productId` in mask mode 1, compared whole otherwise). 1 = bound;
// 0 = nothing matched, or its preparsed data or capabilities could not be read. A link
// that was bound before is released first (its handle closed, its preparsed data freed).
Done ZXOpenDevice(ProcessState& process, std::uint16_t vendorId, std::uint16_t productId,
                  DeviceLink* link, int joystickId, int maskMode);

// Opens the index-th present interface of the class, copying its device path into `path`
// (kDevicePathSize characters). Sets *noMore when the enumeration is over (or cannot go
// on); returns the handle or null.
HANDLE ZXOpenInterface(const GUID& classGuid, DWORD index, char* path, bool* noMore);

// DirectInput's joystick id of an interface (0..254), or 255. Key names that do not fit
// their 256-character buffers count as not found.
JoystickIdOrNotFound ZXJoystickIdFromCalibration(const ProcessState& process, const char* path,
                                                 std::uint16_t vendorId, std::uint16_t productId);
JoystickIdOrNotFound ZXJoystickIdFromDeviceParameters(const ProcessState& process,
                                                      const char* path);

// Records up to four input axes (X, Y, Z, Rx, Ry, Rz, Slider) in value-caps order.
void ZXReadAxisCaps(DeviceLink* link, const HIDP_CAPS& caps);

// 0 = done; 1 = the attributes, preparsed data or capabilities could not be read.
HidStatus ZXGetCapabilities(HANDLE device, PHIDP_PREPARSED_DATA* preparsed,
                            std::uint16_t* inputReportLength, std::uint16_t* outputReportLength);
// 0 = freed; 1 = failed.
HidStatus ZXFreePreparsedData(PHIDP_PREPARSED_DATA preparsed);

}  // namespace quorforce
