// A wheel that vanishes, returns, or stalls a write while an effect plays: the engine keeps
// running, sends fail without harm, a new DeviceID binds the returned wheel, and a stalled
// write costs the tick it stalls and not the ones after it.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "tests/integration/module_fixture.h"

namespace quorforce {
namespace {

using test::Bytes;
using test::Effect;
using test::ModuleTest;

class DeviceFaults : public ModuleTest {};

TEST_F(DeviceFaults, UnplugWhilePlayingThenANewDeviceIdBindsTheReturnedWheel) {
    UseOneChannelForceWheel();
    Bind();
    const DWORD handle = Download(Effect::Constant(5000));
    Run(3);
    ASSERT_FALSE(Reports().empty());
    const Bytes playing = Reports().back();

    wheel->Unplug();
    Run(5);  // every send fails: device not connected
    DWORD status = 0;
    EXPECT_EQ(driver->GetEffectStatus(0, handle, &status), S_OK);
    EXPECT_EQ(status, static_cast<DWORD>(DIEGES_PLAYING));

    host::RemoveVirtualHid(wheel);
    auto returned = host::PlugVirtualHid(host::BuiltInWheel());
    EXPECT_EQ(driver->DeviceID(0x0800, 0, TRUE, 0, nullptr), S_OK);
    Run(2);
    ASSERT_FALSE(returned->OutputReports().empty());
    EXPECT_EQ(returned->OutputReports().back(), playing);
}

// Real time: the wheel holds the writes for a while. Each stalled send gives up after about
// 100 ms; once the wheel completes writes again, the ticks come at the step. The gaps are
// printed, not judged.
TEST_F(DeviceFaults, StalledWritesCostTheirTicksAndTheEngineGoesOn) {
    UseOneChannelForceWheel();
    Bind(/*virtualTime=*/false);
    Download(Effect::Constant(5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    wheel->HoldWrites(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_LE(wheel->PendingCount(), 1u);  // a stalled write is cancelled, not left behind
    wheel->ClearReports();
    wheel->HoldWrites(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::vector<host::RecordedReport> after = wheel->Reports();
    ASSERT_GE(after.size(), 2u) << "the engine sent nothing after the stall";
    DWORD worst = 0;
    for (std::size_t i = 1; i < after.size(); ++i)
        worst = std::max(worst, after[i].time - after[i - 1].time);
    std::printf("[ measured ] %zu reports in 300 ms after a stall, worst period %u ms\n",
                after.size(), static_cast<unsigned>(worst));
}

// Real time, Low_Latency at a one-second step: the wheel stalls the write an update's call
// started. The next update's report waits behind it; about 100 ms later the force thread
// cancels the stalled write, though another thread started it, and writes the report, long
// before the next tick; nothing is left pending.
TEST_F(DeviceFaults, AStalledLowLatencyWriteIsCancelledAndTheNextReportGoesOut) {
    UseOneChannelForceWheel();
    host::SetRegistryDword(HKEY_LOCAL_MACHINE, kProductKey, "POLLING_STEP", 1000);
    SetDeviceValue("Low_Latency", 1);
    Bind(/*virtualTime=*/false);
    DWORD handle = Download(Effect::Constant(5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    wheel->HoldWrites(true);
    Effect update = Effect::Constant(-5000);
    ASSERT_EQ(driver->DownloadEffect(0, 371, &handle, &update.effect, DIEP_TYPESPECIFICPARAMS),
              S_OK);
    EXPECT_EQ(wheel->PendingCount(), 1u);
    wheel->HoldWrites(false);  // the stalled write stays pending
    wheel->ClearReports();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    update = Effect::Constant(-2500);
    ASSERT_EQ(driver->DownloadEffect(0, 371, &handle, &update.effect, DIEP_TYPESPECIFICPARAMS),
              S_OK);
    AwaitReports(1, 500);  // well before the tick, which would bring the same bytes
    ASSERT_EQ(Reports().size(), 1u);
    EXPECT_EQ(Reports().front(), (Bytes{0x01, 0x60, 0x80}));
    EXPECT_EQ(wheel->PendingCount(), 0u);
}

// An engine thread blocked on the TableMutex that another process holds (here another
// thread) outlives the unload's wait: the unload then leaves everything the thread uses in
// place, and says so. Once the thread has gone a later unload frees it all.
TEST_F(DeviceFaults, UnloadPastAStuckThreadLeavesWhatItUses) {
    host::SetRegistryDword(HKEY_LOCAL_MACHINE, kProductKey, "Trace", 1);
    UseOneChannelForceWheel();
    Bind(/*virtualTime=*/false);
    Download(Effect::Constant(5000));
    std::atomic<int> stage{0};
    std::thread holder([&stage] {
        WaitForSingleObject(Module().process.tableMutex, INFINITE);
        stage = 1;
        while (stage.load() != 2)
            Sleep(1);
        ReleaseMutex(Module().process.tableMutex);
    });
    while (stage.load() != 1)
        Sleep(1);
    Sleep(50);  // ForceThread now waits for the mutex
    Module().engineStopWaitMs = 100;
    DllMain(nullptr, DLL_PROCESS_DETACH, nullptr);
    EXPECT_NE(Module().process.table, nullptr);
    EXPECT_NE(Module().process.tableMutex, nullptr);
    EXPECT_NE(Module().process.deviceLinks[0].deviceHandle, nullptr);
    bool traced = false;
    for (const std::string& line : host::DebugOutput())
        traced |= line.find("did not end within 100 ms") != std::string::npos;
    EXPECT_TRUE(traced);

    stage = 2;
    holder.join();
    for (int i = 0; i < 1000 && host::RunningThreadCount() != 0; ++i)
        Sleep(1);
    ASSERT_EQ(host::RunningThreadCount(), 0);
    Detach();
    EXPECT_EQ(Module().process.table, nullptr);
    EXPECT_EQ(host::OpenDeviceHandleCount(), 0);
}

}  // namespace
}  // namespace quorforce
