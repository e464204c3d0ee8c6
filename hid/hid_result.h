// The two conventions of the device library's results, each named by its type so that a
// caller sees which one a function follows. The values are the ones the driver has always
// returned and traced: a test or a trace that prints one sees the same number.
#pragma once

namespace quorforce {

// 1 = it was done, 0 = it was not: binding an interface, reading input, setting the spring.
enum class Done : int { No = 0, Yes = 1 };

// 0 = success, else what went wrong: the report buffer, a report's write, the device's
// capabilities and preparsed data.
enum class HidStatus : int {
    Ok = 0,
    Failed = 1,        // not written, not read, not freed
    NoBuffer = 2,      // the report buffer could not be allocated
    NotConnected = 3,  // the device is gone
};

// DirectInput's joystick id of an interface (0..254), or kJoystickIdNotFound.
using JoystickIdOrNotFound = int;
constexpr JoystickIdOrNotFound kJoystickIdNotFound = 255;

}  // namespace quorforce
