// The real engine threads in real time: they start with the module, tick about every
// polling step, keep the motion estimate, and end with the unload, after which nothing
// more reaches the wheel. The measured periods are printed, not judged: timing belongs
// to benchmarks.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "tests/integration/module_fixture.h"
#include "util/mutex_lock.h"
#include "util/slim_lock.h"

namespace quorforce {
namespace {

using test::Effect;
using test::ModuleTest;

class EngineThreadsTest : public ModuleTest {};

// The unload returns once both threads have left the driver's code; their last return
// into the system follows a moment later.
int ThreadsLeftAfterExit() {
    for (int i = 0; i < 100 && host::RunningThreadCount() != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return host::RunningThreadCount();
}

TEST_F(EngineThreadsTest, ThreadsTickWhileLoadedAndEndWithTheUnload) {
    UseOneChannelForceWheel();
    Bind(/*virtualTime=*/false);
    EXPECT_EQ(host::RunningThreadCount(), 2);
    Effect e = Effect::Constant(5000);
    DWORD handle = 0;
    ASSERT_EQ(driver->DownloadEffect(0, 371, &handle, &e.effect, DIEP_START), S_OK);
    wheel->QueueInput({1, 0x2C, 0x01, 0, 0});  // X = 300
    std::this_thread::sleep_for(std::chrono::milliseconds(600));

    const std::vector<host::RecordedReport> reports = wheel->Reports();
    ASSERT_GE(reports.size(), 10u);
    EXPECT_EQ(reports.back().bytes, (test::Bytes{0x01, 0xBF, 0x80}));
    double sum = 0;
    DWORD worst = 0;
    for (std::size_t i = 1; i < reports.size(); ++i) {
        const DWORD period = reports[i].time - reports[i - 1].time;
        sum += period;
        worst = std::max(worst, period);
    }
    const double mean = sum / static_cast<double>(reports.size() - 1);
    std::printf("[ measured ] %zu ticks, period mean %.2f ms, worst %u ms (polling step 16)\n",
                reports.size(), mean, static_cast<unsigned>(worst));
    RecordProperty("tick_mean_ms", std::to_string(mean));
    RecordProperty("tick_worst_ms", std::to_string(worst));
    {
        MutexLock lock(Module().process.inputMutex);
        EXPECT_EQ(Module().process.motion[0].position, 300);  // PollThread read the wheel
    }

    driver->Release();
    driver = nullptr;
    factory->Release();
    factory = nullptr;
    EXPECT_EQ(DllMain(nullptr, DLL_PROCESS_DETACH, nullptr), TRUE);
    attached = false;
    EXPECT_EQ(ThreadsLeftAfterExit(), 0);
    const std::size_t atUnload = wheel->Reports().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(wheel->Reports().size(), atUnload);
    EXPECT_EQ(Module().process.reports.outputBufferLength,
              0);  // ForceThread released it as it ended
}

// Made at the first use, at the priority "THREAD_PRIORITY" asks for. The stop ends even
// the wait of the longest step at once: the unload takes far less than a step.
TEST_F(EngineThreadsTest, ThreadsIdleWithoutDevicesAndStopPromptly) {
    host::SetRegistryDword(HKEY_CURRENT_USER, kProductKey, "THREAD_PRIORITY", 3);
    host::SetRegistryDword(HKEY_LOCAL_MACHINE, kProductKey, "POLLING_STEP", 1000);
    Attach(/*virtualTime=*/false);
    ASSERT_EQ(rig.GetFactory(), S_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(host::RunningThreadCount(), 2);
    EXPECT_EQ(GetThreadPriority(Module().engine.force.handle), THREAD_PRIORITY_BELOW_NORMAL);
    EXPECT_EQ(GetThreadPriority(Module().engine.poll.handle), THREAD_PRIORITY_BELOW_NORMAL);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(DllMain(nullptr, DLL_PROCESS_DETACH, nullptr), TRUE);
    attached = false;
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(500));
    EXPECT_EQ(ThreadsLeftAfterExit(), 0);
}

// A program that frees the module before it ever asks for the class has made no thread.
TEST_F(EngineThreadsTest, ModuleFreedBeforeItsFirstUseMadeNoThread) {
    Attach(/*virtualTime=*/false);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(host::RunningThreadCount(), 0);
    EXPECT_EQ(DllMain(nullptr, DLL_PROCESS_DETACH, nullptr), TRUE);
    attached = false;
    EXPECT_EQ(ThreadsLeftAfterExit(), 0);
}

// A caller that asks for the class under the loader lock, gives up waiting for the threads
// to begin and frees the module: the threads never began, and the unload ends them where
// they stand, without waiting for them. (Held threads stand for threads kept out by the
// loader lock.)
TEST_F(EngineThreadsTest, ThreadsThatNeverBeganAreEndedByTheUnload) {
    Attach(/*virtualTime=*/false);
    host::HoldNewThreads(true);
    ASSERT_EQ(rig.GetFactory(), S_OK);  // after the bounded wait for the threads
    EXPECT_EQ(host::RunningThreadCount(), 2);
    factory->Release();
    factory = nullptr;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(DllMain(nullptr, DLL_PROCESS_DETACH, nullptr), TRUE);
    attached = false;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    host::HoldNewThreads(false);
    EXPECT_EQ(ThreadsLeftAfterExit(), 0);
    EXPECT_EQ(Module().engine.force.handle, nullptr);
}

// With Low_Latency the call mixes its extra pass itself and starts its report's write: at a
// one-second step an update reaches the wheel long before the next tick. Updates each
// followed by a rebind, which closes the device a held report may be meant for, leave no
// report held for a closed device (the thread sanitizer watches the held reports here).
TEST_F(EngineThreadsTest, LowLatencyWritesACallsReportBeforeTheNextTick) {
    UseOneChannelForceWheel();
    host::SetRegistryDword(HKEY_LOCAL_MACHINE, kProductKey, "POLLING_STEP", 1000);
    SetDeviceValue("Low_Latency", 1);
    Bind(/*virtualTime=*/false);
    Effect e = Effect::Constant(5000);
    DWORD handle = 0;
    ASSERT_EQ(driver->DownloadEffect(0, 371, &handle, &e.effect, DIEP_START), S_OK);
    ASSERT_TRUE(AwaitReports(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ClearReports();
    e = Effect::Constant(-5000);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(driver->DownloadEffect(0, 371, &handle, &e.effect, DIEP_TYPESPECIFICPARAMS), S_OK);
    ASSERT_TRUE(AwaitReports(1));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(500));  // the next tick is a second away
    EXPECT_EQ(Reports().front(), (test::Bytes{0x01, 0x40, 0x80}));

    for (int i = 0; i < 50; ++i) {
        e = Effect::Constant(i % 2 == 0 ? 3000 : -3000);
        ASSERT_EQ(driver->DownloadEffect(0, 371, &handle, &e.effect, DIEP_TYPESPECIFICPARAMS),
                  S_OK);
        ASSERT_EQ(rig.DeviceID(0, 0), S_OK);
    }
    SlimLock sending(Module().process.reports.sendLock);
    for (const HeldReport& held : Module().process.reports.held)
        EXPECT_EQ(held.device, nullptr);
}

}  // namespace
}  // namespace quorforce
