// The extra force passes of the low-latency path.
#include "engine/force_wake.h"

#include "engine/recorded_tick.h"
#include "util/mutex_lock.h"
#include "util/relaxed_access.h"

namespace quorforce {
namespace {

bool IsSet(volatile LONG& word) { return InterlockedCompareExchange(&word, 0, 0) != 0; }

}  // namespace

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

bool RunExtraPasses(ForceWake& wake, ProcessState& process, std::uint32_t now) {
    bool left = false;
    for (DWORD area = 0; area < kAreaCount; ++area) {
        if (!IsSet(wake.pending[area])) continue;
        // The clock in whole milliseconds: a second request in the same one waits for the next.
        if (wake.extraRun[area] && now == wake.lastExtra[area]) {
            left = true;
            continue;
        }
        InterlockedExchange(&wake.pending[area], 0);
        if (!AreaTicks(process, area)) continue;
        wake.extraRun[area] = true;
        wake.lastExtra[area] = now;
        MutexLock lock(process.tableMutex);
        MixRecorded(process, area, now);
    }
    return left;
}

}  // namespace quorforce
