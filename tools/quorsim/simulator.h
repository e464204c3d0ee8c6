// Runs a scenario on the driver's own code, through its module entry points and
// IDirectInputEffectDriver as DirectInput would, against a virtual wheel. In virtual time
// the engine threads are held and the run calls the engine's passes one polling step at a
// time; in real time the real threads run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/quorsim/script.h"
#include "tools/quorsim/simulated_wheels.h"

namespace quorsim {

struct ReportRecord {
    std::uint32_t ms = 0;
    int device = 0;  // index into RunLog::devices
    bool feature = false;
    std::vector<std::uint8_t> bytes;
};

// A call the script made and what the driver answered.
struct CallRecord {
    std::uint32_t ms = 0;
    int line = 0;
    std::string text;
    std::string result;  // the result code by name, and a handle where one came back
};

// An effect starting or stopping, for the plot.
struct Marker {
    std::uint32_t ms = 0;
    int device = 0;
    std::string label;
};

// A device of the run: its name, the report format its link packs and its kind (a force
// device's channels are centred on 0x80, a vibration device's start at 0).
struct DeviceLog {
    std::string name;
    std::uint8_t reportFormat = 1;
    bool forceFeedback = false;
};

struct RunLog {
    std::vector<DeviceLog> devices;
    std::vector<ReportRecord> reports;  // in time order, devices in script order at one instant
    std::vector<CallRecord> calls;
    std::vector<Marker> markers;
    std::vector<PositionRecord> positions;  // wheels with a model, one a polling step each
    std::vector<std::pair<std::uint32_t, double>> trace;  // the first such wheel, each ms
    std::uint32_t pollingStep = 16;
    std::uint32_t endMs = 0;
    bool realtime = false;
};

RunLog RunScenario(const Script& script, bool realtime);

// S_OK, E_NOTIMPL, DIERR_DEVICEFULL, ... or the code in hexadecimal.
std::string ResultName(std::int32_t result);

// The two channel bytes an output report carries, by the report format.
void ChannelBytes(const std::vector<std::uint8_t>& report, std::uint8_t reportFormat, int* first,
                  int* second);

}  // namespace quorsim
