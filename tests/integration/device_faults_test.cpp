// A wheel that vanishes, returns, or stalls a write while an effect plays: the engine keeps
// running, sends fail without harm, a new DeviceID binds the returned wheel, and a stalled
// write costs the tick it stalls and not the ones after it.
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

}  // namespace
}  // namespace quorforce
