// The low-latency path: with a device's "Low_Latency" switch on, a driver call that changes
// what the wheel receives (a download of a playing effect, a start, a stop, a device
// command, the game's gain where honoured) asks for one extra force pass of its area at
// once instead of leaving the change to the next tick. The extra pass runs beside the
// tick's grid and never moves it; an area gets at most one extra pass per millisecond, a
// request within that millisecond waits for the next one. With the switch off for every
// area nothing here runs and the force thread waits as it always did.
//
// Threads: a driver call mixes its area's extra pass itself, under the TableMutex, and starts
// the report's write (hid/held_reports.h; the force thread writes one held behind the previous
// write); where it cannot (while recording, for a long report, or a second request in one
// millisecond) it sets `pending` and the force thread mixes the pass. In virtual time the
// calling thread runs the passes at the call's clock. The times of the last passes are kept
// under the TableMutex.
//
// The wake: where the system waits on an address (WaitOnAddress, Windows 8 on), the thread
// waits on the count of wakes, which a call raises and wakes it by. That wait is the
// process's own: an event's set and wait are each a round trip through the kernel's object
// manager (under Wine, through its one server, which every other call of the process and
// the device queues behind), and that trip was the largest part of the path's slowest
// wakes. Where the system has no such wait, the auto-reset event.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "state/process_state.h"

namespace quorforce {

using AddressWait = BOOL(WINAPI*)(volatile void* address, PVOID compare, SIZE_T size,
                                  DWORD milliseconds);
using AddressWake = void(WINAPI*)(PVOID address);

struct ForceWake {
    HANDLE event = nullptr;               // auto-reset: a call asked for an extra pass
    volatile LONG wakes = 0;              // raised by every wake: the address waited on
    AddressWait waitOnAddress = nullptr;  // both or neither: the system's address wait
    AddressWake wakeByAddress = nullptr;
    volatile LONG enabled[kAreaCount] = {};    // the area's Low_Latency switch, set at DeviceID
    volatile LONG gainWakes[kAreaCount] = {};  // the game's gain reaches the area's force
    volatile LONG pending[kAreaCount] = {};    // an extra pass is asked for and not yet run
    volatile LONG anyEnabled = 0;              // some area has the switch: the thread listens
    std::uint32_t lastExtra[kAreaCount] = {};  // the clock of the area's last extra pass
    bool extraRun[kAreaCount] = {};            // the area has had an extra pass (both: TableMutex)
};

// At a bind: the area's switch and whether its game's gain is honoured.
void SetLowLatency(ForceWake& wake, DWORD area, bool on, bool gainHonoured);
bool LowLatency(ForceWake& wake, DWORD area);
// The game's gain changes the area's force and the area has the switch.
bool GainWakes(ForceWake& wake, DWORD area);

// Finds the system's address wait, if it has one (the event serves otherwise).
void FindAddressWait(ForceWake& wake);
// Wakes the waiting force thread (a request or the stop).
void SignalWake(ForceWake& wake);
// The count of wakes, taken before looking for requests: a wait from it ends at once when a
// wake came between.
LONG WakesSeen(ForceWake& wake);
// Waits at most `milliseconds` for a wake after `seen`; false when the wait failed (the
// caller then sleeps, so that a failing wait never spins). A wake may end it early for
// nothing: the caller looks at the requests either way.
bool WaitForWake(ForceWake& wake, LONG seen, DWORD milliseconds);

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

// On the calling thread, at `now`: the area's extra pass mixed, its report's write started or
// the report held for the force thread; an area the force pass does not mix only loses its
// request. False when the pass is left to the force thread: while recording (a tick's lines
// stay together in the file), for a report too long to hold, or when the area had its extra
// pass in this millisecond already.
bool MixHeldPass(ForceWake& wake, ProcessState& process, DWORD area, std::uint32_t now);

}  // namespace quorforce
