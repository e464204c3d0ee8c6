// The real engine threads on the host, with 8 client threads calling one driver object at
// random and a thread feeding the wheel input reports, for SECONDS (default 20). Then:
// no call hung (a watchdog ends the run when no client has made progress for 10 s), after
// quiescence every device's playing count equals its playing slots, and after the unload
// nothing more reaches the wheel and no engine thread is left. Under the address sanitizer
// LeakSanitizer checks the exit. Exit 0 when every check holds.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "config/registry_layout.h"
#include "driver/module_state.h"
#include "harness/virtual_rig.h"
#include "platform/host/registry.h"
#include "platform/host/system.h"
#include "tests/soak/random_calls.h"
#include "util/mutex_lock.h"

namespace {

using namespace quorforce;

const std::string kWheelKey = kProductKey;
constexpr int kClientThreads = 8;
const soak::ControlPanel kControlPanel = {ZXGetDeviceConfig, ZXSetDeviceConfig, ModifyForcesNow,
                                          GetAllEffectsParameters, SetAllEffectsParameters};

bool Fail(const char* what) {
    std::printf("soak: FAILED: %s\n", what);
    return false;
}

// Watches the clients until they are done; false when none made progress for 10 s.
bool WatchClients(std::vector<soak::Client>& clients) {
    long seen = -1;
    auto lastProgress = std::chrono::steady_clock::now();
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        long calls = 0;
        bool done = true;
        for (soak::Client& c : clients) {
            calls += InterlockedCompareExchange(&c.calls, 0, 0);
            done = done && GetTickCount() - c.stopAt < 0x80000000u;
        }
        if (done) return true;
        if (calls != seen) lastProgress = std::chrono::steady_clock::now();
        seen = calls;
        if (std::chrono::steady_clock::now() - lastProgress > std::chrono::seconds(10))
            return false;
    }
}

// STOPALL leaves the counts as they were (the next start or stop recounts), so quiescence
// is a stop of every handle after it: each stop recounts and takes its slot off.
void Quiesce(IDirectInputEffectDriver* driver) {
    driver->SendForceFeedbackCommand(0, DISFFC_STOPALL);
    for (DWORD handle = 1; handle <= kSlotCount; ++handle)
        driver->StopEffect(0, handle);
}

bool PlayingCountsMatchTheSlots() {
    ProcessState& process = Module().process;
    MutexLock lock(process.tableMutex);
    for (DWORD area = 0; area < kAreaCount; ++area) {
        std::int32_t playing = 0;
        for (std::uint32_t i = 0; i < kSlotCount; ++i)
            playing += process.table->areas[area].slotPlaying[i] == 1 ? 1 : 0;
        if (playing != process.playingCount[area]) {
            std::printf("soak: area %u counts %d playing, its slots %d\n",
                        static_cast<unsigned>(area), process.playingCount[area], playing);
            return false;
        }
    }
    return true;
}

bool Soak(int seconds) {
    harness::VirtualRig::ResetHost();
    host::SetRegistryDword(HKEY_LOCAL_MACHINE, kWheelKey, "Shock_or_Force_Feedback", 1);
    host::SetRegistryDword(HKEY_LOCAL_MACHINE, kWheelKey, "Motor_Parameters", 1);
    host::SetRegistryDword(HKEY_LOCAL_MACHINE, kWheelKey, "POLLING_STEP", 2);
    harness::VirtualRig rig;
    rig.PlugWheel(host::BuiltInWheel(), 0, {0x50A50001, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}});
    rig.wheel->keepReports = false;
    if (!rig.Attach(/*virtualTime=*/false, 0) || rig.GetFactory() != S_OK ||
        rig.CreateDriverObject() != S_OK || rig.DeviceID(0, 0) != S_OK) {
        return Fail("the driver did not load and bind");
    }
    const DWORD stopAt = GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    std::vector<soak::Client> clients(kClientThreads);
    std::vector<std::thread> threads;
    for (int i = 0; i < kClientThreads; ++i) {
        clients[i].driver = rig.driver;
        clients[i].panel = &kControlPanel;
        clients[i].seed = 777u + static_cast<DWORD>(i) * 7919u;
        clients[i].stopAt = stopAt;
        threads.emplace_back([&c = clients[i]] {
            while (GetTickCount() - c.stopAt > 0x80000000u)
                soak::OneCall(c);
        });
    }
    std::atomic<bool> feeding{true};
    std::thread input([&] {
        DWORD seed = 5;
        while (feeding) {
            const DWORD x = soak::Next(seed) % 1024;
            rig.wheel->QueueInput(
                {1, static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x >> 8), 0, 0});
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    if (!WatchClients(clients)) {
        std::printf("soak: FAILED: no client made progress for 10 s\n");
        std::_Exit(2);
    }
    for (std::thread& t : threads)
        t.join();
    feeding = false;
    input.join();
    long calls = 0;
    for (const soak::Client& c : clients)
        calls += c.calls;
    const std::uint64_t reports = rig.wheel->ReceivedCount();
    std::printf(
        "soak: %d s, %ld calls (%.0f a second) from %d threads, %llu reports (%.0f a second)\n",
        seconds, calls, static_cast<double>(calls) / seconds, kClientThreads,
        static_cast<unsigned long long>(reports), static_cast<double>(reports) / seconds);

    Quiesce(rig.driver);
    if (!PlayingCountsMatchTheSlots()) return Fail("a playing count differs from its slots");
    auto wheel = rig.wheel;
    rig.driver->Release();
    rig.driver = nullptr;
    rig.factory->Release();
    rig.factory = nullptr;
    rig.Detach();
    const std::uint64_t atUnload = wheel->ReceivedCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (wheel->ReceivedCount() != atUnload) return Fail("a report was sent after the unload");
    if (host::RunningThreadCount() != 0) return Fail("an engine thread is left after the unload");
    rig.TearDown();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
    return Soak(seconds > 0 ? seconds : 20) ? 0 : 1;
}
