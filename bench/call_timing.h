// The driver's calls as a game feels them: each timed from its entry to its return while the
// engine runs with every effect playing, round after round at changing phases of the tick.
// Shared by the host's call-latency program and the measuring program under Wine; it prints
// the median, the p99 and the worst of each call in microseconds.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "harness/effect_builder.h"

namespace quorforce::bench {

struct CallSamples {
    const char* name;
    std::vector<double> us;
};

inline double PercentileOf(std::vector<double>& sorted, std::size_t percent) {
    return sorted[std::min(sorted.size() - 1, sorted.size() * percent / 100)];
}

// Times `call` once into `samples`.
template <typename Call>
void Timed(CallSamples& samples, Call call) {
    const auto begun = std::chrono::steady_clock::now();
    call();
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - begun;
    samples.us.push_back(took.count());
}

// Rounds of the calls a game makes, one playing effect after another, a millisecond's sleep
// between rounds, for `seconds`. `update` is a constant force (its magnitude at `magnitude`)
// downloaded over the playing effects.
inline std::vector<CallSamples> TimeCalls(IDirectInputEffectDriver* driver,
                                          const std::vector<DWORD>& handles, DIEFFECT* update,
                                          LONG* magnitude, int seconds, DWORD effectType) {
    std::vector<CallSamples> all = {{"DownloadEffect", {}},
                                    {"GetEffectStatus", {}},
                                    {"StopEffect", {}},
                                    {"StartEffect", {}},
                                    {"GetForceFeedbackState", {}},
                                    {"SetGain", {}},
                                    {"SendForceFeedbackCommand", {}}};
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (std::size_t i = 0; std::chrono::steady_clock::now() < end && !handles.empty(); ++i) {
        DWORD handle = handles[i % handles.size()];
        *magnitude = i % 2 == 0 ? 1500 : -1500;
        Timed(all[0], [&] {
            driver->DownloadEffect(0, effectType, &handle, update, DIEP_TYPESPECIFICPARAMS);
        });
        DWORD status = 0;
        Timed(all[1], [&] { driver->GetEffectStatus(0, handle, &status); });
        Timed(all[2], [&] { driver->StopEffect(0, handle); });
        Timed(all[3], [&] { driver->StartEffect(0, handle, 0, 1); });
        DIDEVICESTATE state = {sizeof state, 0, 0};
        Timed(all[4], [&] { driver->GetForceFeedbackState(0, &state); });
        Timed(all[5], [&] { driver->SetGain(0, 10000); });
        Timed(all[6], [&] { driver->SendForceFeedbackCommand(0, DISFFC_SETACTUATORSON); });
        Sleep(1);
    }
    return all;
}

inline void PrintCallTimes(std::vector<CallSamples>& all) {
    for (CallSamples& c : all) {
        if (c.us.empty()) continue;
        std::sort(c.us.begin(), c.us.end());
        std::printf("%-25s p50 %8.1f us, p99 %8.1f us, worst %9.1f us (%zu calls)\n", c.name,
                    PercentileOf(c.us, 50), PercentileOf(c.us, 99), c.us.back(), c.us.size());
    }
}

}  // namespace quorforce::bench
