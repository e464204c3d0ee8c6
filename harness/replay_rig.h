// The driver in virtual time for replaying a recording: the virtual rig, plus what a replay
// must set that no call carries (the clock of each event, the motion a tick's conditions
// used, the shared settings a control panel changed) and the reports each step made. The
// recorded calls go through the driver objects' own interface, the ticks through the mixer.
// Host build only; the owner's thread calls it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "harness/virtual_rig.h"
#include "platform/win32.h"

namespace quorforce::harness {

// What MotionState fields a condition reads, as a recording keeps them.
struct ReplayMotion {
    std::int32_t position = 0;
    std::int32_t velocity = 0;
    std::int32_t acceleration = 0;
    std::int32_t positionDelta = 0;
    std::int32_t deltaChange = 0;
    std::uint32_t smoothVelocityBits = 0;
    std::uint32_t smoothAccelerationBits = 0;
};

// The DeviceSettings of a settings line; gains holds 64 values or none.
struct ReplaySettings {
    std::int32_t motorParameters = 0, globalValue = 0, staticValue = 0, dynamicValue = 0,
                 springValue = 0;
    std::int32_t springEnabled = 0, driveDefaultSpring = 0, strictAngleDirection = 0,
                 shockOrForceFeedback = 0, by10InertiaCoef = 0, by10DamperCoef = 0,
                 by10SpringCoef = 0, motionEstimate = 0, overrideActive = 0;
    std::vector<std::int32_t> gains;
};

struct ReplayReport {
    int area = -1;
    bool feature = false;
    std::vector<std::uint8_t> bytes;
};

class ReplayRig {
public:
    ReplayRig();
    ~ReplayRig();
    ReplayRig(const ReplayRig&) = delete;
    ReplayRig& operator=(const ReplayRig&) = delete;

    // A fresh system with the recorded polling step, the module attached at `clock`.
    bool Begin(DWORD pollingStep, std::uint32_t clock);
    void SetClock(std::uint32_t clock);

    // What a recording says of a device's reports: enough to make one the driver binds and
    // that takes the same output reports.
    struct DeviceLayout {
        WORD vendorId = 0, productId = 0;
        std::uint16_t outputLength = 0;  // the id byte included
        std::uint8_t outputReportId = 0;
        std::uint16_t usagePage = 0, usage = 0;  // the output value's
        std::int32_t axisMin = 0, axisMax = 1023;
    };
    // The built-in wheel's layout when the output report is the built-in wheel's length, else
    // a device made to the recorded layout (no feature reports), plugged once per area with
    // its joystick id in DirectInput's entries.
    void PlugDevice(DWORD area, DWORD joystick, const DeviceLayout& layout);
    // The report descriptor of such a made device.
    static std::vector<std::uint8_t> DescriptorOf(const DeviceLayout& layout);
    bool HasDevice(DWORD area) const { return devices_.count(area) != 0; }
    // The output report length the plugged device's link will have.
    std::uint16_t BuiltInOutputLength() const;
    // A catalogue value under the device's or joystick's key, a switch in the device key's
    // profile of this process (the replaying game's).
    bool WriteValue(const char* name, DWORD value, WORD vendorId, WORD productId, int joystick);
    bool WriteSwitch(const char* name, DWORD value, WORD vendorId, WORD productId, int place);

    // The driver object a recording names `object`, made at its first use.
    IDirectInputEffectDriver* Object(std::uint32_t object);

    // The mix of one device at `now`, the conditions on `motion` when given.
    void Tick(DWORD area, std::uint32_t now, const ReplayMotion* motion);
    // The shared settings of the area's place, as a panel left them.
    void ApplySettings(DWORD area, const ReplaySettings& settings);
    // The values the registry gave the area's place (not the panel's gain override).
    bool SameLoadedSettings(DWORD area, const ReplaySettings& settings) const;

    // The reports the devices received since the last call, in the order of the areas.
    std::vector<ReplayReport> TakeReports();

private:
    VirtualRig rig_;
    std::map<DWORD, std::size_t> devices_;  // area -> index in rig_.wheels
    std::map<std::uint32_t, IDirectInputEffectDriver*> objects_;
    std::vector<std::size_t> seen_;  // reports taken per wheel
};

}  // namespace quorforce::harness
