// The extra force passes of the low-latency path.
#include "engine/force_wake.h"

#include "engine/mixer.h"
#include "engine/recorded_tick.h"
#include "hid/held_reports.h"
#include "record/recorder.h"
#include "util/mutex_lock.h"
#include "util/relaxed_access.h"

namespace quorforce {
namespace {

bool IsSet(volatile LONG& word) { return InterlockedCompareExchange(&word, 0, 0) != 0; }

}  // namespace

// Found by name in the system's base module (loaded in every process, so looking it up
// loads nothing, which the loader lock at attach forbids); an older system lacks the export.
void FindAddressWait(ForceWake& wake) {
    const HMODULE base = GetModuleHandleA("KERNELBASE.DLL");
    FARPROC wait = base != nullptr ? GetProcAddress(base, "WaitOnAddress") : nullptr;
    FARPROC wakeOne = base != nullptr ? GetProcAddress(base, "WakeByAddressSingle") : nullptr;
    if (wait == nullptr || wakeOne == nullptr) return;
    wake.waitOnAddress = reinterpret_cast<AddressWait>(reinterpret_cast<void (*)()>(wait));
    wake.wakeByAddress = reinterpret_cast<AddressWake>(reinterpret_cast<void (*)()>(wakeOne));
}

void SignalWake(ForceWake& wake) {
    InterlockedIncrement(&wake.wakes);
    if (wake.wakeByAddress != nullptr) {
        wake.wakeByAddress(const_cast<LONG*>(&wake.wakes));
    } else if (wake.event != nullptr) {
        SetEvent(wake.event);
    }
}

LONG WakesSeen(ForceWake& wake) { return InterlockedCompareExchange(&wake.wakes, 0, 0); }

bool WaitForWake(ForceWake& wake, LONG seen, DWORD milliseconds) {
    if (wake.waitOnAddress != nullptr) {
        return wake.waitOnAddress(&wake.wakes, &seen, sizeof seen, milliseconds) != FALSE ||
               GetLastError() == ERROR_TIMEOUT;
    }
    return wake.event != nullptr && WaitForSingleObject(wake.event, milliseconds) != WAIT_FAILED;
}

void SetLowLatency(ForceWake& wake, DWORD area, bool on, bool gainHonoured) {
    if (area >= kAreaCount) return;
    InterlockedExchange(&wake.enabled[area], on ? 1 : 0);
    InterlockedExchange(&wake.gainWakes[area], on && gainHonoured ? 1 : 0);
    if (on) InterlockedExchange(&wake.anyEnabled, 1);
}

bool LowLatency(ForceWake& wake, DWORD area) {
    return area < kAreaCount && IsSet(wake.enabled[area]);
}

bool GainWakes(ForceWake& wake, DWORD area) {
    return area < kAreaCount && IsSet(wake.gainWakes[area]);
}

bool AskExtraPass(ForceWake& wake, DWORD area) {
    if (!LowLatency(wake, area)) return false;
    InterlockedExchange(&wake.pending[area], 1);
    return true;
}

bool AreaTicks(const ProcessState& process, DWORD area) {
    return area < kAreaCount && (LoadRelaxed(process.playingCount[area]) != 0 ||
                                 LoadRelaxed(process.gameTuning[area].tickWhileIdle) != 0);
}

bool ExtraPassWaiting(ForceWake& wake) {
    for (volatile LONG& pending : wake.pending)
        if (IsSet(pending)) return true;
    return false;
}

namespace {

// Under the TableMutex: the area had its extra pass in this millisecond of the clock, so a
// second request waits for the next one.
bool RanThisMillisecond(const ForceWake& wake, DWORD area, std::uint32_t now) {
    return wake.extraRun[area] && now == wake.lastExtra[area];
}

void MarkExtraPass(ForceWake& wake, DWORD area, std::uint32_t now) {
    wake.extraRun[area] = true;
    wake.lastExtra[area] = now;
}

}  // namespace

bool RunExtraPasses(ForceWake& wake, ProcessState& process, std::uint32_t now) {
    bool left = false;
    for (DWORD area = 0; area < kAreaCount; ++area) {
        if (!IsSet(wake.pending[area])) continue;
        MutexLock lock(process.tableMutex);
        if (RanThisMillisecond(wake, area, now)) {
            left = true;
            continue;
        }
        InterlockedExchange(&wake.pending[area], 0);
        if (!AreaTicks(process, area)) continue;
        MarkExtraPass(wake, area, now);
        MixRecorded(process, area, now);
    }
    return left;
}

bool MixHeldPass(ForceWake& wake, ProcessState& process, DWORD area, std::uint32_t now) {
    if (area >= kAreaCount) return false;
    MutexLock lock(process.tableMutex);
    if (Recording() || !CanHoldReport(process, area) || RanThisMillisecond(wake, area, now))
        return false;
    if (!AreaTicks(process, area)) return true;  // nothing to mix: the request ends here
    MarkExtraPass(wake, area, now);
    process.reports.holdingArea = area;
    MixDevice(process, area, now);
    process.reports.holdingArea = kNotHolding;
    return true;
}

}  // namespace quorforce
