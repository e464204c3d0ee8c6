// The low-latency path: with a device's "Low_Latency" switch on, a driver call that changes
// what the wheel receives (a download of a playing effect, a start, a stop, a device
// command, the game's gain where honoured) asks for one extra force pass of its area at
// once instead of leaving the change to the next tick. The extra pass runs beside the
// tick's grid and never moves it; an area gets at most one extra pass per millisecond, a
// request within that millisecond waits for the next one. With the switch off for every
// area nothing here runs and the force thread waits as it always did.
//
// Threads: the driver's calls set `pending` and the event; the force thread (or, in
// virtual time, the calling thread at the call's clock) runs the passes, and alone keeps
// the times of the last ones.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "state/process_state.h"

namespace quorforce {

struct ForceWake {
    HANDLE event = nullptr;                    // auto-reset: a call asked for an extra pass
    volatile LONG enabled[kAreaCount] = {};    // the area's Low_Latency switch, set at DeviceID
    volatile LONG gainWakes[kAreaCount] = {};  // the game's gain reaches the area's force
    volatile LONG pending[kAreaCount] = {};    // an extra pass is asked for and not yet run
    volatile LONG anyEnabled = 0;              // some area has the switch: the thread listens
    std::uint32_t lastExtra[kAreaCount] = {};  // the clock of the area's last extra pass
    bool extraRun[kAreaCount] = {};            // the area has had an extra pass
};

// At a bind: the area's switch and whether its game's gain is honoured.
void SetLowLatency(ForceWake& wake, DWORD area, bool on, bool gainHonoured);
bool LowLatency(ForceWake& wake, DWORD area);
// The game's gain changes the area's force and the area has the switch.
bool GainWakes(ForceWake& wake, DWORD area);

// Marks the area's extra pass as asked for; true when the switch is on (the caller then
// signals the thread or runs the passes itself).
bool AskExtraPass(ForceWake& wake, DWORD area);

// Whether the force pass mixes the area: something plays, or the game's auto-centre ticks.
bool AreaTicks(const ProcessState& process, DWORD area);

// Some area's extra pass is asked for and not yet run.
bool ExtraPassWaiting(ForceWake& wake);

// The extra passes asked for, at `now`: each pending area whose last extra pass is a
// millisecond or more ago is mixed (under the TableMutex, recorded like a tick); an area
// the force pass does not mix only loses its request. True when a request is left for a later
// millisecond.
bool RunExtraPasses(ForceWake& wake, ProcessState& process, std::uint32_t now);

}  // namespace quorforce
