// The monitor block through the force pass, in virtual time: what the wheel was sent, when,
// how many ticks and how many of them clipped (a sum past ±20000, not one at it), and a
// process that cannot make the block sending as before.
#include "driver/shared_objects.h"
#include "tests/integration/module_fixture.h"

namespace quorforce {
namespace {

using test::Bytes;
using test::Effect;
using test::ModuleTest;

class MonitorBlockTest : public ModuleTest {
protected:
    MonitorBlock& Monitor() { return *Module().process.monitor; }
    const AreaMonitor& Area0() { return Monitor().areas[0]; }

    // The two effects of a row, started; the tick; both destroyed again.
    std::uint32_t ClippedTicksOf(std::int32_t first, std::int32_t second) {
        const std::uint32_t before = Area0().clippedCount;
        const DWORD a = Download(Effect::Constant(first));
        const DWORD b = Download(Effect::Constant(second));
        Run(1);
        EXPECT_EQ(driver->DestroyEffect(0, a), S_OK);
        EXPECT_EQ(driver->DestroyEffect(0, b), S_OK);
        return Area0().clippedCount - before;
    }
};

TEST_F(MonitorBlockTest, RecordsWhatTheWheelWasSent) {
    UseOneChannelForceWheel();
    Bind();
    ASSERT_NE(Module().process.monitor, nullptr);
    EXPECT_EQ(Monitor().magic, kMonitorMagic);
    EXPECT_EQ(Monitor().version, kMonitorVersion);
    EXPECT_EQ(Monitor().areaCount, kAreaCount);
    EXPECT_EQ(Area0().tickCount, 0u);  // nothing plays: no tick is mixed

    Download(Effect::Constant(5000));
    Run(3);
    const std::vector<Bytes> reports = Reports();
    ASSERT_EQ(reports.size(), 3u);
    // The report carries the value's low byte, then its high byte.
    EXPECT_EQ(Area0().outputValue, reports.back()[1] + 256u * reports.back()[2]);
    EXPECT_EQ(Area0().secondByte, 0xBFu);  // 128 + 10000 × 255 / 40000
    EXPECT_EQ(Area0().firstByte, 0x80u);
    EXPECT_EQ(Area0().joystickId, 1u);  // joystick id 0, plus one
    EXPECT_EQ(Area0().forceMode, 1u);
    EXPECT_EQ(Area0().tickCount, 3u);
    EXPECT_EQ(Area0().tickTime, kStartClock + 2 * 16);
    EXPECT_EQ(Area0().clippedCount, 0u);
    for (std::uint32_t area = 1; area < kAreaCount; ++area)
        EXPECT_EQ(Monitor().areas[area].tickCount, 0u) << area;
}

// A constant of magnitude m adds 2m to the sum; a global value scales the sum afterwards.
TEST_F(MonitorBlockTest, CountsTicksWhoseSumWentPastFullForce) {
    struct Row {
        const char* what;
        bool forceMode;
        std::int32_t global;
        std::int32_t first, second;
        std::uint32_t clipped;
    };
    const Row rows[] = {
        {"well below", true, 100, 2500, 2500, 0},
        {"exactly at +20000", true, 100, 6000, 4000, 0},
        {"one past +20000", true, 100, 6000, 4001, 1},
        {"exactly at -20000", true, 100, -6000, -4000, 0},
        {"past -20000", true, 100, -10000, -10000, 1},
        {"at +20000, then back below by the second", true, 100, 10000, -2000, 0},
        {"within, pushed past by the global value", true, 150, 4000, 4000, 1},
        {"within, the global value keeps it at the limit", true, 125, 4000, 4000, 0},
        {"past, halved by the global value: clipped before it", true, 50, 10000, 1000, 1},
        {"vibration at the limit", false, 100, 5000, 5000, 0},
        {"vibration past the limit", false, 100, 7500, 7500, 1},
    };
    UseOneChannelForceWheel();
    Bind();
    ASSERT_NE(Module().process.monitor, nullptr);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Table().settings[0].shockOrForceFeedback = row.forceMode ? 1 : 0;
        Table().settings[0].globalValue = row.global;
        EXPECT_EQ(ClippedTicksOf(row.first, row.second), row.clipped);
        EXPECT_EQ(Area0().forceMode, row.forceMode ? 1u : 0u);
    }
    EXPECT_EQ(Area0().tickCount, sizeof rows / sizeof rows[0]);
}

TEST_F(MonitorBlockTest, ClippedTicksAreCountedEveryTick) {
    UseOneChannelForceWheel();
    Bind();
    Download(Effect::Constant(8000));
    Download(Effect::Constant(8000));  // 32000 every tick
    Run(5);
    EXPECT_EQ(Area0().tickCount, 5u);
    EXPECT_EQ(Area0().clippedCount, 5u);
    EXPECT_EQ(Area0().secondByte, 255u);
}

// Without the block the force pass sends the same reports and records nothing.
TEST_F(MonitorBlockTest, WithoutTheBlockTheWheelGetsTheSameReports) {
    UseOneChannelForceWheel();
    Bind();
    ProcessState& process = Module().process;
    UnmapViewOfFile(process.monitor);
    CloseHandle(process.monitorMapping);
    process.monitor = nullptr;
    process.monitorMapping = nullptr;
    const int objectsBefore = host::LiveObjectCount();
    host::FailNextCreate(host::ObjectKind::Mapping);
    OpenMonitorBlock(process);
    EXPECT_EQ(process.monitor, nullptr);
    EXPECT_EQ(process.monitorMapping, nullptr);
    host::FailNextCreate(host::ObjectKind::View);
    OpenMonitorBlock(process);
    EXPECT_EQ(process.monitor, nullptr);
    EXPECT_EQ(process.monitorMapping, nullptr);
    EXPECT_EQ(host::LiveObjectCount(), objectsBefore);

    Download(Effect::Constant(5000));
    Run(2);
    EXPECT_EQ(Reports(), (std::vector<Bytes>{{0x01, 0xBF, 0x80}, {0x01, 0xBF, 0x80}}));
}

}  // namespace
}  // namespace quorforce
