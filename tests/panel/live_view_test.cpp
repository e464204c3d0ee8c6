// The panel's reading of the shared table and the monitor block: each kind of effect as a
// row, a table full of another program's bytes never giving a row out of range, the bound
// joysticks, the area the monitor names, the meter levels and the clipping of the last
// second.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "include/quorforce.h"
#include "panel/live_view.h"
#include "panel/page_ids.h"
#include "state/effect_ids.h"
#include "util/guid_text.h"

namespace quorforce::panel {
namespace {

class LiveView : public ::testing::Test {
protected:
    EffectSlot& Slot(std::uint32_t area, std::uint32_t handle, bool playing = true) {
        table->areas[area].slotUsed[handle - 1] = 1;
        table->areas[area].slotPlaying[handle - 1] = playing ? 1 : 0;
        return table->areas[area].slots[handle - 1];
    }
    std::size_t Read(std::uint32_t area, std::uint32_t now) {
        return ReadEffects(*table, area, now, rows);
    }
    std::string Text(const EffectRow& row) {
        char text[160];
        FormatEffectRow(row, text, sizeof text);
        return text;
    }

    std::unique_ptr<SharedEffectTable> table = std::make_unique<SharedEffectTable>();
    EffectRow rows[kSlotCount];
};

TEST_F(LiveView, EachKindBecomesOneRowInHandleOrder) {
    EffectSlot& constant = Slot(2, 5);
    constant.effectTypeId = kEffectConstant;
    constant.gain = 8000;
    constant.constant.magnitude = -5000;
    constant.directions[0] = 9000;
    constant.startTime = 1000;
    EffectSlot& ramp = Slot(2, 1, false);
    ramp.effectTypeId = kEffectRamp;
    ramp.gain = 10000;
    ramp.ramp = {-2000, 3000};
    ramp.startTime = 0;
    EffectSlot& spring = Slot(2, 9);
    spring.effectTypeId = kEffectSpring;
    spring.condition.positiveCoefficient = 6000;
    spring.condition.negativeCoefficient = -7000;
    table->areas[2].slotPlaying[20] = 1;    // playing but not allocated: no row
    Slot(3, 1).effectTypeId = kEffectSine;  // another area

    ASSERT_EQ(Read(2, 13345), 3u);
    EXPECT_EQ(Text(rows[0]), "1\tramp\tstopped\t10000\t-2000..+3000\t0.00\t-");
    EXPECT_EQ(Text(rows[1]), "5\tconstant\tplaying\t8000\tmag -5000\t90.00\t12 s");
    EXPECT_EQ(Text(rows[2]), "9\tspring\tplaying\t0\tcoef +6000/-7000\t0.00\t-");  // not stamped
    EXPECT_EQ(rows[1].elapsedMs, 12345u);
    EXPECT_EQ(Read(8, 0), 0u);  // no such area
    EXPECT_EQ(Read(0xFFFFFFFFu, 0), 0u);
}

// Values no driver writes are shown at the nearest value one could.
TEST_F(LiveView, OutOfRangeValuesAreClampedForDisplay) {
    struct Row {
        const char* what;
        std::uint32_t effectId;
        std::uint32_t gain;
        std::int32_t magnitude;
        std::int32_t direction;
        const char* text;
    };
    const Row cases[] = {
        {"gain above full", kEffectConstant, 70000, 100, 0,
         "1\tconstant\tplaying\t10000\tmag +100\t0.00\t-"},
        {"magnitude beyond full", kEffectConstant, 1, -2000000000, 0,
         "1\tconstant\tplaying\t1\tmag -10000\t0.00\t-"},
        {"direction negative", kEffectConstant, 1, 0, -9000,
         "1\tconstant\tplaying\t1\tmag +0\t270.00\t-"},
        {"direction past a turn", kEffectConstant, 1, 0, 36000 * 5 + 1,
         "1\tconstant\tplaying\t1\tmag +0\t0.01\t-"},
        {"unknown kind", 34, 5, 5, 0, "1\tunknown\tplaying\t5\t-\t0.00\t-"},
        {"kind far out", 0xFFFFFFFFu, 5, 5, 0, "1\tunknown\tplaying\t5\t-\t0.00\t-"},
    };
    for (const Row& c : cases) {
        SCOPED_TRACE(c.what);
        EffectSlot& slot = Slot(0, 1);
        slot = {};
        slot.effectTypeId = c.effectId;
        slot.gain = c.gain;
        slot.constant.magnitude = c.magnitude;
        slot.directions[0] = c.direction;
        ASSERT_EQ(Read(0, 0), 1u);
        EXPECT_EQ(Text(rows[0]), c.text);
    }
    // A stamp in the future (another clock, foreign bytes) shows the longest time, not a
    // negative one.
    Slot(0, 1).startTime = 5000;
    ASSERT_EQ(Read(0, 4000), 1u);
    EXPECT_EQ(rows[0].elapsedMs, kMaxElapsedMs);
}

// Another program's bytes in both blocks: every row stays in range, nothing crashes.
TEST_F(LiveView, ForeignBytesGiveRowsInRange) {
    std::mt19937 random(26);
    auto* bytes = reinterpret_cast<unsigned char*>(table.get());
    MonitorBlock monitor;
    auto* monitorBytes = reinterpret_cast<unsigned char*>(&monitor);
    for (int round = 0; round < 20; ++round) {
        for (std::size_t i = 0; i < sizeof(SharedEffectTable); ++i)
            bytes[i] = static_cast<unsigned char>(random());
        for (std::size_t i = 0; i < sizeof monitor; ++i)
            monitorBytes[i] = static_cast<unsigned char>(random());
        // Half the slots allocated, so rows come out of the garbage.
        for (std::uint32_t area = 0; area < kAreaCount; ++area)
            for (std::uint32_t i = 0; i < kSlotCount; i += 2)
                table->areas[area].slotUsed[i] = 1;
        for (std::uint32_t area = 0; area < kAreaCount; ++area) {
            const std::size_t count = Read(area, static_cast<std::uint32_t>(random()));
            ASSERT_EQ(count, kSlotCount / 2);
            for (std::size_t i = 0; i < count; ++i) {
                const EffectRow& row = rows[i];
                EXPECT_LE(row.gain, 10000u);
                EXPECT_LE(row.magnitude, 10000);
                EXPECT_GE(row.magnitude, -10000);
                EXPECT_GE(row.direction, 0);
                EXPECT_LT(row.direction, 36000);
                EXPECT_LE(row.elapsedMs, kMaxElapsedMs);
                EXPECT_LT(Text(row).size(), 100u);
            }
        }
        EXPECT_FALSE(IsMonitorBlock(monitor));
        for (std::uint32_t joystick = 0; joystick < kJoystickCount + 2; ++joystick)
            EXPECT_EQ(AreaOfJoystick(monitor, joystick), -1);
        std::uint32_t ids[kJoystickCount];
        const std::size_t bound = BoundJoysticks(*table, ids);
        ASSERT_LE(bound, kJoystickCount);
        for (std::size_t i = 0; i < bound; ++i)
            EXPECT_LT(ids[i], kJoystickCount);
        for (const AreaMonitor& record : monitor.areas) {
            const int level = ChannelPercent(record.firstByte, record.forceMode != 0);
            EXPECT_GE(level, -100);
            EXPECT_LE(level, 100);
        }
    }
}

TEST_F(LiveView, BoundJoysticksAreThoseWithAVendorOrProductId) {
    std::uint32_t ids[kJoystickCount];
    EXPECT_EQ(BoundJoysticks(*table, ids), 0u);
    table->vendorIds[1] = 0x5A1C;
    table->productIds[1] = 0xE410;
    table->productIds[6] = 0x0001;
    ASSERT_EQ(BoundJoysticks(*table, ids), 2u);
    EXPECT_EQ(ids[0], 1u);
    EXPECT_EQ(ids[1], 6u);
}

TEST(MonitorView, TheAreaOfAJoystickIsTheOneItsLastTickNamed) {
    MonitorBlock monitor = {};
    EXPECT_EQ(AreaOfJoystick(monitor, 0), -1);  // a block no driver has written
    monitor.magic = kMonitorMagic;
    monitor.version = kMonitorVersion;
    monitor.areaCount = kAreaCount;
    EXPECT_EQ(AreaOfJoystick(monitor, 0), -1);  // nothing mixed yet
    monitor.areas[4].joystickId = 3;            // joystick id 2, plus one
    EXPECT_EQ(AreaOfJoystick(monitor, 2), 4);
    EXPECT_EQ(AreaOfJoystick(monitor, 3), -1);
    EXPECT_EQ(AreaOfJoystick(monitor, 0xFFFFFFFFu), -1);
    monitor.version = kMonitorVersion + 1;  // a layout this panel does not know
    EXPECT_EQ(AreaOfJoystick(monitor, 2), -1);
}

// A game's ids stay in the table after it ends; only its force pass's ticks say it is there.
TEST(MonitorView, AJoystickIsInUseWhileATickNamesIt) {
    constexpr std::uint32_t kNow = 100000;
    struct Tick {
        std::uint32_t area;
        std::uint32_t joystickIdPlusOne;
        std::uint32_t age;  // ms before kNow
        std::uint32_t count;
    };
    struct Row {
        const char* what;
        bool ids;  // the table holds a vendor and product id at joystick id 2
        bool monitorBlock;
        bool ours;  // the block carries the driver's magic
        Tick ticks[2];
        std::uint32_t joystick;
        WheelUse use;
    };
    const Row rows[] = {
        {"never bound", false, true, true, {{0, 3, 0, 5}, {}}, 2, WheelUse::Unbound},
        {"a game sends forces", true, true, true, {{0, 3, 16, 5}, {}}, 2, WheelUse::Sending},
        {"on the edge of stale", true, true, true, {{0, 3, kStaleMs, 5}, {}}, 2, WheelUse::Sending},
        {"the game has ended", true, true, true, {{0, 3, kStaleMs + 1, 5}, {}}, 2, WheelUse::Quiet},
        {"bound, nothing mixed yet", true, true, true, {{0, 3, 0, 0}, {}}, 2, WheelUse::Quiet},
        {"ticks for another joystick", true, true, true, {{0, 2, 0, 5}, {}}, 2, WheelUse::Quiet},
        {"an old area left, a new one ticks",
         true,
         true,
         true,
         {{0, 3, 60000, 5}, {5, 3, 10, 9}},
         2,
         WheelUse::Sending},
        {"no monitor block", true, false, false, {{0, 3, 0, 5}, {}}, 2, WheelUse::Quiet},
        {"another program's block", true, true, false, {{0, 3, 0, 5}, {}}, 2, WheelUse::Quiet},
        {"joystick id past the table", true, true, true, {{0, 9, 0, 5}, {}}, 8, WheelUse::Unbound},
        {"joystick id far out",
         true,
         true,
         true,
         {{0, 0, 0, 5}, {}},
         0xFFFFFFFFu,
         WheelUse::Unbound},
    };
    auto table = std::make_unique<SharedEffectTable>();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        *table = {};
        if (row.ids) {
            table->vendorIds[2] = 0x5A1C;
            table->productIds[2] = 0xE410;
        }
        MonitorBlock monitor = {};
        if (row.ours) {
            monitor.magic = kMonitorMagic;
            monitor.version = kMonitorVersion;
            monitor.areaCount = kAreaCount;
        }
        for (const Tick& tick : row.ticks) {
            if (tick.joystickIdPlusOne == 0 && tick.count == 0) continue;
            AreaMonitor& record = monitor.areas[tick.area];
            record.joystickId = tick.joystickIdPlusOne;
            record.tickTime = kNow - tick.age;
            record.tickCount = tick.count;
        }
        EXPECT_EQ(UseOf(*table, row.monitorBlock ? &monitor : nullptr, row.joystick, kNow),
                  row.use);
    }
    // Each state reads differently in the status line.
    EXPECT_STRNE(UseText(WheelUse::Sending), UseText(WheelUse::Quiet));
    EXPECT_STRNE(UseText(WheelUse::Quiet), UseText(WheelUse::Unbound));
}

TEST(MonitorView, ChannelBytesAsMeterLevels) {
    struct Row {
        std::uint32_t byte;
        bool forceMode;
        int percent;
    };
    const Row rows[] = {
        {0x80, true, 0},  {0xFF, true, 100}, {0x00, true, -100}, {0xBF, true, 49},
        {0x7F, true, 0},  {0x3F, true, -50}, {0, false, 0},      {255, false, 100},
        {127, false, 49}, {9999, true, 100}, {9999, false, 100},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ChannelPercent(row.byte, row.forceMode), row.percent)
            << row.byte << (row.forceMode ? " force" : " vibration");
    }
}

TEST(MonitorView, ATickIsRecentForAQuarterOfASecond) {
    AreaMonitor record = {};
    EXPECT_FALSE(TickIsRecent(record, 0));  // never ticked
    record.tickCount = 1;
    record.tickTime = 0xFFFFFFF0u;
    EXPECT_TRUE(TickIsRecent(record, 0xFFFFFFF0u + kStaleMs));  // across the wrap
    EXPECT_FALSE(TickIsRecent(record, 0xFFFFFFF0u + kStaleMs + 1));
}

TEST(MonitorView, ClippingOfTheLastSecond) {
    ClipWindow window;
    EXPECT_EQ(window.LastSecond(), 0u);
    window.Add(100, 10);
    EXPECT_EQ(window.LastSecond(), 0u);  // one sample says nothing of a second
    for (std::uint32_t i = 1; i <= 10; ++i)
        window.Add(100 + 6 * i, 10 + 2 * i);  // six ticks, two of them clipped, per refresh
    EXPECT_EQ(window.LastSecond(), 20u);
    window.Add(166, 32);  // the oldest sample drops out: still ten refreshes
    EXPECT_EQ(window.LastSecond(), 20u);
    for (int i = 0; i < 10; ++i)
        window.Add(166, 32);  // nothing plays for a second
    EXPECT_EQ(window.LastSecond(), 0u);
    window.Add(0xFFFFFFFEu, 5);  // counters that ran backwards: none shown
    EXPECT_EQ(window.LastSecond(), 0u);
    window.Clear();
    window.Add(0xFFFFFFFEu, 0xFFFFFFFFu);
    window.Add(4, 3);  // across the wrap: six ticks, four clipped
    EXPECT_EQ(window.LastSecond(), 4u);
}

// The page's class as the registration names it and as the page's server answers to.
TEST(PageIds, ThePageClassIsThePublicHeadersOne) {
    char text[kGuidTextSize];
    FormatGuidText(kPageClassId, text);
    EXPECT_STREQ(text, QUORFORCE_PAGE_CLSID_TEXT);
    FormatGuidText(kGameControllerSheetId, text);
    EXPECT_STREQ(text, "{7854FB22-8EE3-11D0-A1AC-0000F8026977}");
}

}  // namespace
}  // namespace quorforce::panel
