// How long each driver call takes while the engine runs in real time with 64 playing
// constant forces at a 1 ms step (the host build, the stand-in's virtual wheel):
//   quorforce_call_latency [seconds] [step ms] [low latency 0|1]   (default 10 1 0)
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/call_timing.h"
#include "config/settings_store.h"
#include "harness/virtual_rig.h"

namespace {

using quorforce::harness::DirectInputEffect;
using quorforce::harness::VirtualRig;

constexpr int kEffects = 64;

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    const DWORD step = argc > 2 ? static_cast<DWORD>(std::atoi(argv[2])) : 1;
    const DWORD lowLatency = argc > 3 ? static_cast<DWORD>(std::atoi(argv[3])) : 0;
    VirtualRig::ResetHost();
    const WORD vid = 0x5A1C, pid = 0xE410;
    VirtualRig::WriteSetting("Shock_or_Force_Feedback", 1, vid, pid, 0);
    VirtualRig::WriteSetting("Motor_Parameters", 1, vid, pid, 0);
    VirtualRig::WriteSetting("POLLING_STEP", step, vid, pid, 0);
    if (lowLatency != 0) VirtualRig::WriteSwitch("Low_Latency", 1, vid, pid, 0);
    VirtualRig rig;
    rig.PlugWheel(host::BuiltInWheel(), 0, {0xCA11, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}});
    rig.wheel->keepReports = false;
    if (!rig.Attach(/*virtualTime=*/false, 0) || rig.GetFactory() != S_OK ||
        rig.CreateDriverObject() != S_OK || rig.DeviceID(0, 0) != S_OK) {
        std::printf("call-latency: the driver did not load and bind\n");
        return 1;
    }
    DirectInputEffect effect = DirectInputEffect::Constant(1500);
    effect.directions[0] = 9000;
    std::vector<DWORD> handles;
    for (int i = 0; i < kEffects; ++i) {
        DWORD handle = 0;
        if (rig.driver->DownloadEffect(0, quorforce::kEffectConstant, &handle, &effect.effect,
                                       DIEP_ALLPARAMS | DIEP_START) == S_OK)
            handles.push_back(handle);
    }
    std::printf("call-latency: host, %d s, %zu playing effects, step %lu ms, Low_Latency %lu\n",
                seconds, handles.size(), static_cast<unsigned long>(step),
                static_cast<unsigned long>(lowLatency));
    std::vector<quorforce::bench::CallSamples> times = quorforce::bench::TimeCalls(
        rig.driver, handles, &effect.effect, &effect.constant.lMagnitude, seconds,
        quorforce::kEffectConstant);
    quorforce::bench::PrintCallTimes(times);
    rig.TearDown();
    return 0;
}
